#include "simulation/spectrum_arrays.h"

#include <cmath>

#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

// The loops are written once and inlined into each build.

[[gnu::always_inline]] inline void PositionPoints(double* x, int count, double start, double width,
                                                  int pointsPerWidth) {
    const double perWidth = pointsPerWidth;
#pragma omp simd
    for (int i = 0; i < count; ++i) x[i] = start + width * static_cast<double>(i) / perWidth;
}

/// As PositionPoints without a division (a vector division takes twice as long as writing its
/// values out): the quotient q = a / b from the reciprocal y = 1/b, corrected twice by the exact
/// residual a - b q that a fused multiply-add gives. The first correction leaves q within an ulp
/// of a / b (faithful); from a faithful q, one more gives the correctly rounded quotient
/// (Markstein's theorem, y being within half an ulp of 1/b), so every value has the bits of
/// SpectralGrid::X.
[[gnu::always_inline]] inline void PositionPointsFused(double* x, int count, double start, double width,
                                                       int pointsPerWidth) {
    const double b = pointsPerWidth, y = 1.0 / b;
#pragma omp simd
    for (int i = 0; i < count; ++i) {
        const double a = width * static_cast<double>(i);
        double q = a * y;
        q = std::fma(std::fma(-q, b, a), y, q);
        q = std::fma(std::fma(-q, b, a), y, q);
        x[i] = start + q;
    }
}

[[gnu::always_inline]] inline void WidenPoints(double* out, const float* in, std::size_t count, double weight) {
#pragma omp simd
    for (std::size_t i = 0; i < count; ++i) out[i] = weight * in[i];
}

void PositionsBaseline(double* x, int count, double start, double width, int pointsPerWidth) {
    PositionPoints(x, count, start, width, pointsPerWidth);
}
void WidenBaseline(double* out, const float* in, std::size_t count, double weight) {
    WidenPoints(out, in, count, weight);
}
constexpr ArrayKernels kBaseline{PositionsBaseline, WidenBaseline};

#ifdef VELMORA_WIDE_BUILDS
[[gnu::target("avx2,fma")]] void PositionsWide(double* x, int count, double start, double width, int pointsPerWidth) {
    PositionPointsFused(x, count, start, width, pointsPerWidth);
}
[[gnu::target("avx2")]] void WidenWide(double* out, const float* in, std::size_t count, double weight) {
    WidenPoints(out, in, count, weight);
}
constexpr ArrayKernels kWide{PositionsWide, WidenWide};
const ArrayKernels& Choose() { return RunsWideBuilds() ? kWide : kBaseline; }
#else
const ArrayKernels& Choose() { return kBaseline; }
#endif

}  // namespace

const ArrayKernels& BaselineArrayKernels() { return kBaseline; }

const ArrayKernels& ActiveArrayKernels() {
    static const ArrayKernels& active = Choose();
    return active;
}

void GridPositions(const SpectralGrid& grid, double* x) {
    ActiveArrayKernels().positions(x, grid.Points(), grid.start, static_cast<double>(grid.gridWidth),
                                   grid.pointsPerWidth);
}

}  // namespace velmora::simulation
