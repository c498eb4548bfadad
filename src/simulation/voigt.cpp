#include "simulation/voigt.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

constexpr int kTerms = 24;
constexpr double kInvSqrtPi = 0.56418958354775628695;
/// |z|² beyond which the asymptotic series serves.
constexpr double kFarSquared = 64.0;

/// Weideman's coefficients: w(z) = 2 p(Z) / (L - iz)² + (1/√π) / (L - iz), Z = (L + iz) / (L - iz),
/// p(Z) = Σ a_n Z^(n-1), n = 1..N, the a_n the Fourier coefficients of (L² + t²) exp(-t²) on
/// t = L tan(θ/2), L = √(N/√2), sampled at 4N points.
struct Coefficients {
    double L = 0.0;
    std::array<double, kTerms + 1> a{};
    Coefficients() {
        const int M = 2 * kTerms, points = 2 * M;
        L = std::sqrt(kTerms / std::sqrt(2.0));
        auto f = [&](int k) {
            const double t = L * std::tan(k * M_PI / M / 2.0);
            return std::exp(-t * t) * (L * L + t * t);
        };
        // The samples in the order of the transform: k = 0..M-1, the pole at k = ±M (0), then
        // k = -M+1..-1.
        std::array<double, 4 * kTerms> u{};
        for (int i = 0; i < M; ++i) u[static_cast<std::size_t>(i)] = f(i);
        for (int i = M + 1; i < points; ++i) u[static_cast<std::size_t>(i)] = f(i - points);
        for (int n = 1; n <= kTerms; ++n) {
            long double sum = 0.0L;
            for (int i = 0; i < points; ++i)
                sum += u[static_cast<std::size_t>(i)] * std::cos(2.0L * M_PI * i * n / points);
            a[static_cast<std::size_t>(n)] = static_cast<double>(sum / points);
        }
    }
};

const Coefficients& Weideman() {
    static const Coefficients c;
    return c;
}

// The loops are written once and inlined into each build.

/// Re w(x + iy) by the rational approximation.
[[gnu::always_inline]] inline double NearReal(double x, double y, const Coefficients& c) {
    // L - iz = (L + y) - ix, L + iz = (L - y) + ix.
    const double dr = c.L + y, nr = c.L - y;
    const double D = dr * dr + x * x;
    const double zr = (nr * dr - x * x) / D, zi = x * (nr + dr) / D;
    double pr = c.a[kTerms], pi = 0.0;
    for (int n = kTerms - 1; n >= 1; --n) {
        const double r = pr * zr - pi * zi + c.a[static_cast<std::size_t>(n)];
        pi = pr * zi + pi * zr;
        pr = r;
    }
    // 1 / (L - iz)² = (dr² - x² + 2i dr x) / D².
    const double ir = (dr * dr - x * x) / (D * D), ii = 2.0 * dr * x / (D * D);
    return 2.0 * (pr * ir - pi * ii) + kInvSqrtPi * dr / D;
}

/// Re w(x + iy) by the asymptotic series, |z| >= 8.
[[gnu::always_inline]] inline double FarReal(double x, double y) {
    // 1/z = (x - iy) / |z|², q = 1/(2z²); w = (i/√π) (1/z) (1 + q + 3q² + 15q³ + 105q⁴ + 945q⁵).
    const double m = x * x + y * y;
    const double ur = x / m, ui = -y / m;
    const double qr = 0.5 * (ur * ur - ui * ui), qi = ur * ui;
    double sr = 945.0, si = 0.0;
    for (const double k : {105.0, 15.0, 3.0, 1.0, 1.0}) {
        const double r = sr * qr - si * qi + k;
        si = sr * qi + si * qr;
        sr = r;
    }
    // Re[(i/√π) u s] = -Im(u s)/√π.
    return -kInvSqrtPi * (ur * si + ui * sr);
}

[[gnu::always_inline]] inline void ValuePoints(const VoigtProfile& v, double d0, double step, std::size_t count,
                                               double* values) {
    const Coefficients& c = Weideman();
    const double y = v.y, scale = v.scale, norm = v.norm;
    if (!(step != 0.0)) return std::fill(values, values + count, v.At(d0));
    // The points near the centre, |z| < 8, form one run i0..i1-1 of the sequence.
    std::size_t i0 = count, i1 = count;
    if (y * y < kFarSquared) {
        const double reach = std::sqrt(kFarSquared - y * y) / scale;  // axis units
        const double first = (-reach - d0) / step, last = (reach - d0) / step;
        const double lo = std::min(first, last), hi = std::max(first, last);
        i0 = static_cast<std::size_t>(std::clamp(std::ceil(lo), 0.0, static_cast<double>(count)));
        i1 = std::max(i0, static_cast<std::size_t>(std::clamp(std::floor(hi) + 1.0, 0.0, static_cast<double>(count))));
    }
#pragma omp simd
    for (std::size_t i = 0; i < std::min(i0, count); ++i) values[i] = norm * FarReal(scale * (d0 + i * step), y);
#pragma omp simd
    for (std::size_t i = i0; i < i1; ++i) values[i] = norm * NearReal(scale * (d0 + i * step), y, c);
#pragma omp simd
    for (std::size_t i = i1; i < count; ++i) values[i] = norm * FarReal(scale * (d0 + i * step), y);
}

void ValuesBaseline(const VoigtProfile& v, double d0, double step, std::size_t count, double* values) {
    ValuePoints(v, d0, step, count, values);
}
constexpr VoigtKernels kBaseline{ValuesBaseline};

#ifdef VELMORA_WIDE_BUILDS
[[gnu::target("avx2,fma")]] void ValuesWide(const VoigtProfile& v, double d0, double step, std::size_t count,
                                            double* values) {
    ValuePoints(v, d0, step, count, values);
}
constexpr VoigtKernels kWide{ValuesWide};
const VoigtKernels& Choose() { return RunsWideBuilds() ? kWide : kBaseline; }
#else
const VoigtKernels& Choose() { return kBaseline; }
#endif

}  // namespace

std::complex<double> Faddeeva(std::complex<double> z) {
    if (std::norm(z) >= kFarSquared) {
        const std::complex<double> u = 1.0 / z, q = 0.5 * u * u;
        const std::complex<double> s = 1.0 + q * (1.0 + q * (3.0 + q * (15.0 + q * (105.0 + q * 945.0))));
        return std::complex<double>(0.0, kInvSqrtPi) * u * s;
    }
    const Coefficients& c = Weideman();
    const std::complex<double> iz(-z.imag(), z.real());
    const std::complex<double> den = c.L - iz, Z = (c.L + iz) / den;
    std::complex<double> p = c.a[kTerms];
    for (int n = kTerms - 1; n >= 1; --n) p = p * Z + c.a[static_cast<std::size_t>(n)];
    return 2.0 * p / (den * den) + kInvSqrtPi / den;
}

VoigtProfile VoigtProfile::Of(double gaussWidth, double lorentzWidth) {
    const double sigma = gaussWidth / (2.0 * std::sqrt(2.0 * std::log(2.0)));
    VoigtProfile v;
    v.scale = 1.0 / (sigma * std::sqrt(2.0));
    v.y = lorentzWidth / 2.0 * v.scale;
    v.norm = 1.0 / (sigma * std::sqrt(2.0 * M_PI));
    return v;
}

double VoigtProfile::At(double d) const {
    const double x = scale * d;
    return norm * (x * x + y * y >= kFarSquared ? FarReal(x, y) : NearReal(x, y, Weideman()));
}

const VoigtKernels& BaselineVoigtKernels() { return kBaseline; }

const VoigtKernels& ActiveVoigtKernels() {
    static const VoigtKernels& active = Choose();
    return active;
}

}  // namespace velmora::simulation
