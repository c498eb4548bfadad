#include "simulation/voigt_profile.h"

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

}  // namespace velmora::simulation
