#include "simulation/spectrum_total.h"

#include <algorithm>
#include <cmath>

#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

// The loops are written once and inlined into each build.

[[gnu::always_inline]] inline float SumPoints(float* total, const float* const* levels, const double* weights,
                                              std::size_t levelCount, std::size_t count) {
    // Level by level as the totals grow from 0; the peak with the last level.
    for (std::size_t k = 0; k + 1 < levelCount; ++k) {
        const float* level = levels[k];
        const double w = weights[k];
#pragma omp simd
        for (std::size_t i = 0; i < count; ++i) total[i] = static_cast<float>((k == 0 ? 0.0 : total[i]) + w * level[i]);
    }
    float peak = 0.0f;
    if (levelCount == 0) {
        std::fill(total, total + count, 0.0f);
        return peak;
    }
    const float* level = levels[levelCount - 1];
    const double w = weights[levelCount - 1];
    const bool first = levelCount == 1;
#pragma omp simd reduction(max : peak)
    for (std::size_t i = 0; i < count; ++i) {
        const float t = static_cast<float>((first ? 0.0 : total[i]) + w * level[i]);
        total[i] = t;
        peak = t > peak ? t : peak;
    }
    return peak;
}

[[gnu::always_inline]] inline bool ScalePoints(float* values, std::size_t count, double scale) {
    // Infinity and NaN are the values whose exponent bits are all set.
    unsigned bad = 0;
#pragma omp simd reduction(| : bad)
    for (std::size_t i = 0; i < count; ++i) {
        const float v = static_cast<float>(values[i] * scale);
        values[i] = v;
        bad |= static_cast<unsigned>(!(std::fabs(v) <= 3.4028235e38f));
    }
    return bad == 0;
}

[[gnu::always_inline]] inline void ScaleSinglePoints(float* values, std::size_t count, float scale) {
#pragma omp simd
    for (std::size_t i = 0; i < count; ++i) values[i] *= scale;
}

float SumBaseline(float* total, const float* const* levels, const double* weights, std::size_t levelCount,
                  std::size_t count) {
    return SumPoints(total, levels, weights, levelCount, count);
}
bool ScaleBaseline(float* values, std::size_t count, double scale) { return ScalePoints(values, count, scale); }
void ScaleSingleBaseline(float* values, std::size_t count, float scale) { ScaleSinglePoints(values, count, scale); }
constexpr TotalKernels kBaseline{SumBaseline, ScaleBaseline, ScaleSingleBaseline};

#ifdef VELMORA_WIDE_BUILDS
[[gnu::target("avx2")]] float SumWide(float* total, const float* const* levels, const double* weights,
                                      std::size_t levelCount, std::size_t count) {
    return SumPoints(total, levels, weights, levelCount, count);
}
[[gnu::target("avx2")]] bool ScaleWide(float* values, std::size_t count, double scale) {
    return ScalePoints(values, count, scale);
}
[[gnu::target("avx2")]] void ScaleSingleWide(float* values, std::size_t count, float scale) {
    ScaleSinglePoints(values, count, scale);
}
constexpr TotalKernels kWide{SumWide, ScaleWide, ScaleSingleWide};
const TotalKernels& Choose() { return RunsWideBuilds() ? kWide : kBaseline; }
#else
const TotalKernels& Choose() { return kBaseline; }
#endif

}  // namespace

const TotalKernels& BaselineTotalKernels() { return kBaseline; }

const TotalKernels& ActiveTotalKernels() {
    static const TotalKernels& active = Choose();
    return active;
}

}  // namespace velmora::simulation
