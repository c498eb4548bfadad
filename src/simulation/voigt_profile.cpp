#include "simulation/voigt_profile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

constexpr int kTerms = 32;
constexpr double kPi = 3.14159265358979323846;

/// Weideman's expansion: with L = sqrt(N / sqrt 2) and Z = (L + iz) / (L - iz),
/// w(z) = 2 p(Z) / (L - iz)^2 + 1 / (sqrt(pi) (L - iz)), p(Z) = sum_n a_n Z^(n-1). The a_n are the
/// cosine coefficients of (L^2 + t^2) exp(-t^2), t = L tan(theta / 2), on 4N points.
struct Expansion {
    double L = std::sqrt(kTerms / std::sqrt(2.0));
    std::array<double, kTerms> a{};  ///< a_1..a_N

    Expansion() {
        const int M = 2 * kTerms;
        for (int n = 1; n <= kTerms; ++n) {
            double sum = 0.0;
            for (int k = -M + 1; k <= M - 1; ++k) {
                const double t = L * std::tan(k * kPi / (2.0 * M));
                sum += std::exp(-t * t) * (L * L + t * t) * std::cos(kPi * n * k / M);
            }
            a[static_cast<std::size_t>(n - 1)] = sum / (2.0 * M);
        }
    }
};

const Expansion& TheExpansion() {
    static const Expansion e;
    return e;
}

}  // namespace

std::complex<double> Faddeeva(std::complex<double> z) {
    const Expansion& e = TheExpansion();
    const std::complex<double> iz(-z.imag(), z.real());
    const std::complex<double> den = e.L - iz;
    const std::complex<double> Z = (e.L + iz) / den;
    // Horner from the highest power.
    std::complex<double> p = e.a[kTerms - 1];
    for (int n = kTerms - 2; n >= 0; --n) p = p * Z + e.a[static_cast<std::size_t>(n)];
    return 2.0 * p / (den * den) + 1.0 / (std::sqrt(kPi) * den);
}

double VoigtProfile(double d, double gaussFwhm, double lorentzFwhm) {
    const double gamma = 0.5 * lorentzFwhm;
    if (!(gaussFwhm > 0.0)) return gamma / (kPi * (d * d + gamma * gamma));
    const double sigma = gaussFwhm / std::sqrt(8.0 * std::log(2.0));
    const double scale = 1.0 / (sigma * std::sqrt(2.0));
    return Faddeeva({d * scale, gamma * scale}).real() * scale / std::sqrt(kPi);
}

namespace {

/// The expansion at x[k] + iy for a block of points: Re w, the profile before its factor.
/// Written once and inlined into each build, on two vectors of four points (kept in registers:
/// each point's chain of 32 complex multiply-adds is latency-bound alone, the two vectors' chains
/// run side by side). The same operations in the same order lane by lane, no fused
/// multiply-adds: both builds give the same bits.
constexpr std::size_t kLanes = 4, kBlock = 2 * kLanes;
using Lanes = double __attribute__((vector_size(kLanes * sizeof(double))));
[[gnu::always_inline]] inline void ExpansionBlock(const double* xs, double y, double* out) {
    const Expansion& e = TheExpansion();
    const double L = e.L, a = L + y, b = L - y, rootPi = std::sqrt(kPi);
    Lanes x[2], zr[2], zi[2], ur[2], ui[2], pr[2], pi[2];
    std::memcpy(x, xs, sizeof x);
    for (int h = 0; h < 2; ++h) {
        // den = L - iz = (L + y) - ix; 1 / den = ((L + y) + ix) / |den|^2; Z = (L + iz) / den.
        const Lanes inverse = 1.0 / (a * a + x[h] * x[h]);
        ur[h] = a * inverse, ui[h] = x[h] * inverse;
        zr[h] = (b * a - x[h] * x[h]) * inverse, zi[h] = (b * x[h] + x[h] * a) * inverse;
        pr[h] = x[h] * 0.0 + e.a[kTerms - 1], pi[h] = x[h] * 0.0;
    }
    for (int n = kTerms - 2; n >= 0; --n) {
        const double an = e.a[static_cast<std::size_t>(n)];
        const Lanes r0 = pr[0] * zr[0] - pi[0] * zi[0] + an, r1 = pr[1] * zr[1] - pi[1] * zi[1] + an;
        pi[0] = pr[0] * zi[0] + pi[0] * zr[0], pi[1] = pr[1] * zi[1] + pi[1] * zr[1];
        pr[0] = r0, pr[1] = r1;
    }
    Lanes w[2];
    for (int h = 0; h < 2; ++h) {
        // Re w = 2 Re(p / den^2) + Re(1 / den) / sqrt(pi).
        const Lanes u2r = ur[h] * ur[h] - ui[h] * ui[h], u2i = 2.0 * ur[h] * ui[h];
        w[h] = 2.0 * (pr[h] * u2r - pi[h] * u2i) + ur[h] / rootPi;
    }
    std::memcpy(out, w, sizeof w);
}

void ExpansionBaseline(const double* x, double y, double* out) { ExpansionBlock(x, y, out); }
#ifdef VELMORA_WIDE_BUILDS
[[gnu::target("avx2")]] void ExpansionWide(const double* x, double y, double* out) { ExpansionBlock(x, y, out); }
#endif

using Block = void (*)(const double*, double, double*);
Block ChooseBlock() {
#ifdef VELMORA_WIDE_BUILDS
    if (RunsWideBuilds()) return ExpansionWide;
#endif
    return ExpansionBaseline;
}

}  // namespace

void VoigtProfiles(const double* d, std::size_t n, double gaussFwhm, double lorentzFwhm, double* out) {
    const double gamma = 0.5 * lorentzFwhm;
    if (!(gaussFwhm > 0.0)) {
        for (std::size_t i = 0; i < n; ++i) out[i] = gamma / (kPi * (d[i] * d[i] + gamma * gamma));
        return;
    }
    static const Block block = ChooseBlock();
    const double sigma = gaussFwhm / std::sqrt(8.0 * std::log(2.0));
    const double scale = 1.0 / (sigma * std::sqrt(2.0));
    const double y = gamma * scale, norm = scale / std::sqrt(kPi);
    // Blocks of points run the Horner recurrence side by side: each point's chain of 32 complex
    // multiply-adds is latency-bound alone, a block's chains are independent (and a vector's lanes).
    double x[kBlock], w[kBlock];
    for (std::size_t i0 = 0; i0 < n; i0 += kBlock) {
        const std::size_t m = std::min(kBlock, n - i0);
        for (std::size_t k = 0; k < kBlock; ++k) x[k] = k < m ? std::fabs(d[i0 + k]) * scale : 0.0;
        block(x, y, w);
        for (std::size_t k = 0; k < m; ++k) out[i0 + k] = w[k] * norm;
    }
}

}  // namespace velmora::simulation
