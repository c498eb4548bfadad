#include "simulation/saturated_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

// The loops are written once and inlined into each build.

[[gnu::always_inline]] inline void WingPoints(float* out, int count, int first, float t, float A, float B, float b) {
    // m from an integer offset (exact in single precision) and the centre's fraction of a step,
    // so that it keeps its digits however far the line lies from grid point 0.
#pragma omp simd
    for (int k = 0; k < count; ++k) {
        const float m = static_cast<float>(first + k) - t;
        out[k] += A / (B + b * m * m);
    }
}

/// x^n by squaring.
[[gnu::always_inline]] inline double Power(double x, int n) {
    double result = 1.0;
    for (; n > 0; n >>= 1, x *= x)
        if (n & 1) result *= x;
    return result;
}

// The exponentials advance in L chains side by side, e(m + L) = e(m) R(m), R(m + L) = R(m)
// exp(-2 L² a), so that the lanes run as vectors; the first L of each come from e(m0) and
// r(m0) = exp(-a (2 m0 + 1)) by products (e(m+1) = e(m) r(m), r(m+1) = r(m) exp(-2a), R(m0) =
// r(m0)^L exp(-2a)^(L(L-1)/2)). The chains are short (the core spans a few FWHM): rounding cannot
// build up.
[[gnu::always_inline]] inline void CorePoints(float* out, int count, double m0, double a, double b, double cg,
                                              double cl, double w) {
    constexpr int L = 8;
    double e[L], R[L];
    const double point = std::exp(-2.0 * a), lane = Power(point, L), stride = Power(point, L * L);
    double value = std::exp(-a * m0 * m0), ratio = std::exp(-a * (2.0 * m0 + 1.0));
    double step = Power(ratio, L) * Power(point, L * (L - 1) / 2);
    for (int k = 0; k < L; ++k, value *= ratio, ratio *= point, step *= lane) e[k] = value, R[k] = step;
    for (int i = 0; i < count; i += L) {
        const int n = std::min(L, count - i);
        const double mi = m0 + i;
        float* o = out + i;
#pragma omp simd
        for (int k = 0; k < n; ++k) {
            const double m = mi + k, D = 1.0 + b * m * m, N = cg * e[k] * D + cl;
            o[k] = static_cast<float>(o[k] + w * N / (D + N));
        }
#pragma omp simd
        for (int k = 0; k < L; ++k) e[k] *= R[k], R[k] *= stride;
    }
}

void WingBaseline(float* out, int count, int first, float t, float A, float B, float b) {
    WingPoints(out, count, first, t, A, B, b);
}
void CoreBaseline(float* out, int count, double m0, double a, double b, double cg, double cl, double w) {
    CorePoints(out, count, m0, a, b, cg, cl, w);
}
constexpr SaturatedKernels kBaseline{WingBaseline, CoreBaseline};

#ifdef VELMORA_WIDE_BUILDS
[[gnu::target("avx2,fma")]] void WingWide(float* out, int count, int first, float t, float A, float B, float b) {
    WingPoints(out, count, first, t, A, B, b);
}
[[gnu::target("avx2,fma")]] void CoreWide(float* out, int count, double m0, double a, double b, double cg, double cl,
                                          double w) {
    CorePoints(out, count, m0, a, b, cg, cl, w);
}
constexpr SaturatedKernels kWide{WingWide, CoreWide};
const SaturatedKernels& Choose() { return RunsWideBuilds() ? kWide : kBaseline; }
#else
const SaturatedKernels& Choose() { return kBaseline; }
#endif

}  // namespace

const SaturatedKernels& BaselineSaturatedKernels() { return kBaseline; }

const SaturatedKernels& ActiveSaturatedKernels() {
    static const SaturatedKernels& active = Choose();
    return active;
}

double GaussianReach::Of(const LineShape& s) {
    const double eta = LorentzShare(s);
    if (eta >= eta_ && eta <= 1.001 * eta_) return reach_;
    eta_ = eta;
    // The fixed point of u² = κ ln((1 - η) gN (1 + 4u²) / (1e-9 η lN)), approached from above.
    reach_ = std::numeric_limits<double>::infinity();
    if (eta == 0.0) return reach_;
    const double ratio = (1.0 - eta) * s.gN / (1e-9 * eta * s.lN);
    double u = 6.0;
    for (int k = 0; k < 4 && ratio > 0.0; ++k)
        u = std::sqrt(kGaussExponent * std::max(std::log(ratio * (1.0 + 4.0 * u * u)), 0.0));
    return reach_ = std::min(u, 6.0);
}

void DrawSaturatedLine(const ProfileGrid& grid, const LineShape& s, double reach, double x0, double saturation,
                       double weight, double floor, float* out) {
    // The exact Voigt has no closed form for the one-division core: evaluated point by point.
    if (s.kind != Lineshape::Gaussian && s.kind != Lineshape::Lorentzian)
        return AccumulateSaturatedProfile(grid, s, x0, saturation, weight, floor, out);
    const SaturatedSpan span = SaturatedSpanOf(grid, s, x0, saturation, weight, floor);
    if (span.last < span.first) return;
    const SaturatedKernels& kernels = ActiveSaturatedKernels();
    // Positions in grid steps from point 0: the centre ic, its nearest point jc, t = ic - jc.
    const double h = grid.step, ic = std::clamp((x0 - grid.Xini) / h, -1e9, 1e9);
    const int jc = static_cast<int>(std::lround(ic));
    const float t = static_cast<float>(ic - jc);
    const double core = reach * s.f / h;  // grid steps
    const double b = 4.0 * h * h / (s.f * s.f);
    const float A = static_cast<float>(weight * span.lorentzWing), B = static_cast<float>(1.0 + span.lorentzWing);
    auto wing = [&](int from, int to) {
        if (to >= from) kernels.wing(out + from, to - from + 1, from - jc, t, A, B, static_cast<float>(b));
    };
    const int c0 = std::max(span.first, static_cast<int>(std::ceil(std::max(ic - core, -1e9)))),
              c1 = std::min(span.last, static_cast<int>(std::floor(std::min(ic + core, 1e9))));
    if (c1 < c0) return wing(span.first, span.last);
    wing(span.first, c0 - 1);
    // w N / (D + N), N = cg e D + cl, D = 1 + b m², e = exp(-a m²), cg and cl the Gaussian and
    // Lorentzian peaks times s: the profile in full with one division.
    const double eta = LorentzShare(s), a = h * h / (s.f * s.f * kGaussExponent);
    kernels.core(out + c0, c1 - c0 + 1, c0 - ic, a, b, saturation * (1.0 - eta) * s.gN, saturation * eta * s.lN,
                 weight);
    wing(c1 + 1, span.last);
}

}  // namespace velmora::simulation
