#include "simulation/profile_kernel.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>

namespace velmora::simulation {

namespace {

/// Shares of the Gaussian and the Lorentzian in the profile drawn for a shape.
void Shares(const LineShape& s, double& gauss, double& lorentz) {
    gauss = s.kind == Lineshape::Lorentzian ? 0.0 : s.kind == Lineshape::Gaussian ? 1.0 : 1.0 - s.eta;
    lorentz = 1.0 - gauss;
}

}  // namespace

double ProfileKernel::RemainderBound(const LineShape& s, double step, int terms) {
    double g, l;
    Shares(s, g, l);
    const double a = 1.0 / (s.f * s.f * kGaussExponent);  // Gaussian exp(-a x^2)
    const double gaussBound =
        1.0865 * std::pow(std::sqrt(2.0 * a) * step / 2.0, terms) / std::sqrt(std::tgamma(terms + 1.0));
    const double lorentzBound = std::pow(step / s.f, terms);
    // Each part relative to its own peak, weighted by its share of the profile's peak.
    const double peakG = g * s.gN, peakL = l * s.lN;
    return (peakG * gaussBound + peakL * lorentzBound) / (peakG + peakL);
}

std::optional<ProfileKernel> ProfileKernel::Sample(const LineShape& s, double step, int reach, double tolerance) {
    int terms = 1;
    while (terms <= kMaxTerms && RemainderBound(s, step, terms) > tolerance) ++terms;
    if (terms > kMaxTerms) return std::nullopt;

    ProfileKernel kernel;
    kernel.reach_ = reach;
    kernel.terms_ = terms;
    kernel.values_.assign(static_cast<std::size_t>(terms) * kernel.Width(), 0.0f);
    double g, l;
    Shares(s, g, l);
    const double sqrtA = std::sqrt(1.0 / (s.f * s.f * kGaussExponent));
    const double sqrtB = 2.0 / s.f;  // Lorentzian 1 / (1 + (sqrtB x)^2)
    for (int m = -reach; m <= reach; ++m) {
        const double x = m * step;
        // Gaussian: d^k/dx^k exp(-y^2) = (-sqrtA)^k H_k(y) exp(-y^2), y = sqrtA x, with the
        // Hermite polynomials H_0 = 1, H_1 = 2y, H_k+1 = 2y H_k - 2k H_k-1; T_k carries h^k / k!.
        const double y = sqrtA * x;
        const double gauss = g * s.gN * std::exp(-y * y);
        double hPrev = 0.0, h = 1.0, gaussFactor = 1.0;
        // Lorentzian: d^k/du^k 1/(1 + u^2) = Im[(-1)^k k! (u - i)^-(k+1)], u = sqrtB x.
        const std::complex<double> z = 1.0 / std::complex<double>(sqrtB * x, -1.0);
        std::complex<double> zPower = z;
        double lorentzFactor = 1.0;
        for (int k = 0; k < terms; ++k) {
            const double gaussTerm = gauss * h * gaussFactor;
            const double lorentzTerm = l * s.lN * lorentzFactor * zPower.imag();
            kernel.values_[static_cast<std::size_t>(k) * kernel.Width() + static_cast<std::size_t>(m + reach)] =
                static_cast<float>(gaussTerm + lorentzTerm);
            const double hNext = 2.0 * y * h - 2.0 * k * hPrev;
            hPrev = h;
            h = hNext;
            gaussFactor *= -sqrtA * step / (k + 1);
            zPower *= z;
            lorentzFactor *= -sqrtB * step;
        }
    }
    // Term k adds at most |T_k(m)| / 2^k at an offset m; beyond the last offset where that exceeds
    // half the tolerance shared among the terms it is left out.
    const double peak = ProfileValue(s, 0.0);
    const double negligible = 0.5 * tolerance * peak / terms;
    kernel.termReach_.assign(static_cast<std::size_t>(terms), -1);
    double scale = 1.0;
    for (int k = 0; k < terms; ++k, scale /= 2.0) {
        int& r = kernel.termReach_[static_cast<std::size_t>(k)];
        for (int m = reach; m >= 0 && r < 0; --m)
            if (std::fabs(kernel.Term(k)[m + reach]) * scale > negligible ||
                std::fabs(kernel.Term(k)[-m + reach]) * scale > negligible)
                r = m;
    }
    // Nested: the terms needed at an offset are always 0..k.
    for (int k = terms - 2; k >= 0; --k)
        kernel.termReach_[static_cast<std::size_t>(k)] = std::max(kernel.termReach_[static_cast<std::size_t>(k)],
                                                                  kernel.termReach_[static_cast<std::size_t>(k + 1)]);
    return kernel;
}

double ProfileKernel::At(int m, double t) const {
    double sum = 0.0, power = 1.0;
    for (int k = 0; k < terms_ && TermReach(k) >= std::abs(m); ++k) {
        sum += power * Term(k)[m + reach_];
        power *= -t;
    }
    return sum;
}

}  // namespace velmora::simulation
