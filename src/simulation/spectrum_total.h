// The total of a simulated spectrum: the population-weighted sum of its level traces, its peak
// and its scaling to a peak of 100. The point loops are built for the baseline instruction set
// and for AVX2 (wide_builds.h), which round every sum and product alike and give the same bits.
#pragma once

#include <cstddef>

namespace velmora::simulation {

/// The loops of one build.
struct TotalKernels {
    /// total[i] = Σ_k weights[k] levels[k][i], each sum rounded to single precision as it is
    /// formed, i < count; returns the largest total (0 for none above 0, NaN never the largest).
    float (*sum)(float* total, const float* const* levels, const double* weights, std::size_t levelCount,
                 std::size_t count);
    /// values[i] = values[i] × scale, in double precision; false when any result is not finite.
    bool (*scale)(float* values, std::size_t count, double scale);
    /// values[i] = values[i] × scale, in single precision.
    void (*scaleSingle)(float* values, std::size_t count, float scale);
};

/// The build for any processor of the architecture.
const TotalKernels& BaselineTotalKernels();
/// The build this processor runs.
const TotalKernels& ActiveTotalKernels();

}  // namespace velmora::simulation
