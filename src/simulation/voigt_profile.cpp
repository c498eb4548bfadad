#include "simulation/voigt_profile.h"

#include <algorithm>
#include <array>
#include <cmath>

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

void VoigtProfiles(const double* d, std::size_t n, double gaussFwhm, double lorentzFwhm, double* out) {
    const double gamma = 0.5 * lorentzFwhm;
    if (!(gaussFwhm > 0.0)) {
        for (std::size_t i = 0; i < n; ++i) out[i] = gamma / (kPi * (d[i] * d[i] + gamma * gamma));
        return;
    }
    const Expansion& e = TheExpansion();
    const double sigma = gaussFwhm / std::sqrt(8.0 * std::log(2.0));
    const double scale = 1.0 / (sigma * std::sqrt(2.0));
    const double y = gamma * scale, L = e.L, rootPi = std::sqrt(kPi), norm = scale / rootPi;
    // w(x + iy) with den = L - iz = (L + y) - ix, Z = (L + iz) / den; for real x, |Z| <= 1.
    // Blocks of points run the Horner recurrence side by side: each point's chain of 32 complex
    // multiply-adds is latency-bound alone, a block's chains are independent.
    constexpr std::size_t kBlock = 8;
    for (std::size_t i0 = 0; i0 < n; i0 += kBlock) {
        const std::size_t m = std::min(kBlock, n - i0);
        double zr[kBlock], zi[kBlock], ur[kBlock], ui[kBlock], pr[kBlock], pi[kBlock];
        for (std::size_t b = 0; b < kBlock; ++b) {
            const double x = b < m ? std::fabs(d[i0 + b]) * scale : 0.0;
            // 1 / den = ((L + y) + ix) / |den|^2; Z = (L + iz) conj(den) / |den|^2.
            const double a = L + y, inverse = 1.0 / (a * a + x * x);
            ur[b] = a * inverse, ui[b] = x * inverse;
            zr[b] = ((L - y) * a - x * x) * inverse;
            zi[b] = ((L - y) * x + x * a) * inverse;
            pr[b] = e.a[kTerms - 1], pi[b] = 0.0;
        }
        for (int k = kTerms - 2; k >= 0; --k) {
            const double ak = e.a[static_cast<std::size_t>(k)];
            for (std::size_t b = 0; b < kBlock; ++b) {
                const double r = pr[b] * zr[b] - pi[b] * zi[b] + ak;
                pi[b] = pr[b] * zi[b] + pi[b] * zr[b];
                pr[b] = r;
            }
        }
        for (std::size_t b = 0; b < m; ++b) {
            // Re w = 2 Re(p / den^2) + Re(1 / den) / sqrt(pi).
            const double u2r = ur[b] * ur[b] - ui[b] * ui[b], u2i = 2.0 * ur[b] * ui[b];
            const double w = 2.0 * (pr[b] * u2r - pi[b] * u2i) + ur[b] / rootPi;
            out[i0 + b] = w * norm;
        }
    }
}

}  // namespace velmora::simulation
