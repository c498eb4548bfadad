#include "simulation/profile_kernel.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <vector>

#include "simulation/voigt.h"

namespace velmora::simulation {

namespace {

/// Shares of the Gaussian and the Lorentzian in the profile drawn for a shape.
void Shares(const LineShape& s, double& gauss, double& lorentz) {
    gauss = s.kind == Lineshape::Lorentzian ? 0.0 : s.kind == Lineshape::Gaussian ? 1.0 : 1.0 - s.eta;
    lorentz = 1.0 - gauss;
}

/// The exact Voigt's Gaussian and Lorentzian FWHM.
void VoigtParts(const LineShape& s, double& gaussWidth, double& lorentzWidth) {
    gaussWidth = s.f * std::sqrt(1.0 - s.eta);
    lorentzWidth = s.eta * s.f;
}

/// Inverse of the matrix (-t_j)^k of the K Chebyshev nodes t_j = cos((2j + 1) π / 2K) / 2, row
/// k, column j: the coefficients of the polynomial in (-t) through K values at the nodes.
std::vector<double> InverseAtNodes(int K, std::vector<double>& nodes) {
    nodes.resize(static_cast<std::size_t>(K));
    for (int j = 0; j < K; ++j) nodes[static_cast<std::size_t>(j)] = 0.5 * std::cos((2.0 * j + 1.0) * M_PI / (2.0 * K));
    // Gauss-Jordan on [A | I], A[j][k] = (-t_j)^k.
    const std::size_t n = static_cast<std::size_t>(K);
    std::vector<long double> a(n * 2 * n, 0.0L);
    for (std::size_t j = 0; j < n; ++j) {
        long double power = 1.0L;
        for (std::size_t k = 0; k < n; ++k, power *= -nodes[j]) a[j * 2 * n + k] = power;
        a[j * 2 * n + n + j] = 1.0L;
    }
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < n; ++r)
            if (std::fabs(a[r * 2 * n + col]) > std::fabs(a[pivot * 2 * n + col])) pivot = r;
        for (std::size_t c = 0; c < 2 * n; ++c) std::swap(a[col * 2 * n + c], a[pivot * 2 * n + c]);
        const long double p = a[col * 2 * n + col];
        for (std::size_t c = 0; c < 2 * n; ++c) a[col * 2 * n + c] /= p;
        for (std::size_t r = 0; r < n; ++r) {
            if (r == col) continue;
            const long double f = a[r * 2 * n + col];
            for (std::size_t c = 0; c < 2 * n; ++c) a[r * 2 * n + c] -= f * a[col * 2 * n + c];
        }
    }
    // The inverse maps values at the nodes (index j) to coefficients (index k): it is A⁻¹.
    std::vector<double> inverse(n * n);
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t j = 0; j < n; ++j) inverse[k * n + j] = static_cast<double>(a[k * 2 * n + n + j]);
    return inverse;
}

/// The terms of an exact Voigt: T_k(m) the coefficients of the polynomial in (-t) that takes the
/// profile's values at (m - t_j) h, t_j the Chebyshev nodes of |t| <= 1/2. Interpolating at those
/// nodes errs by at most 2^(1-K) of the Taylor remainder.
void SampleExactVoigt(const LineShape& s, double step, int reach, int terms, std::vector<float>& values) {
    std::vector<double> nodes;
    const std::vector<double> inverse = InverseAtNodes(terms, nodes);
    const std::size_t width = 2 * static_cast<std::size_t>(reach) + 1, K = static_cast<std::size_t>(terms);
    std::vector<double> atNodes(K * width);
    for (std::size_t j = 0; j < K; ++j)
        ActiveVoigtKernels().values(s.voigt, (-reach - nodes[j]) * step, step, width, &atNodes[j * width]);
    for (std::size_t k = 0; k < K; ++k)
        for (std::size_t m = 0; m < width; ++m) {
            double sum = 0.0;
            for (std::size_t j = 0; j < K; ++j) sum += inverse[k * K + j] * atNodes[j * width + m];
            values[k * width + m] = static_cast<float>(sum);
        }
}

}  // namespace

double ProfileKernel::RemainderBound(const LineShape& s, double step, int terms) {
    if (ExactVoigt(s)) {
        // The K-th derivative of a convolution of unit areas is at most the smaller of the K-th
        // derivatives of its Gaussian and its Lorentzian: Cramér's and the Lorentzian bound of each,
        // times the Chebyshev factor, relative to the Voigt's peak.
        double fG, fL;
        VoigtParts(s, fG, fL);
        const double a = 1.0 / (fG * fG * kGaussExponent);
        const double gaussBound = 1.0865 * std::pow(std::sqrt(2.0 * a) * step / 2.0, terms) /
                                  std::sqrt(std::tgamma(terms + 1.0)) * 0.93944 / fG;
        const double lorentzBound = fL > 0.0 ? std::pow(step / fL, terms) * 0.63662 / fL : gaussBound;
        return std::pow(2.0, 1.0 - terms) * std::min(gaussBound, lorentzBound) / ProfileValue(s, 0.0);
    }
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
    if (ExactVoigt(s)) SampleExactVoigt(s, step, reach, terms, kernel.values_);
    double g, l;
    Shares(s, g, l);
    const double sqrtA = std::sqrt(1.0 / (s.f * s.f * kGaussExponent));
    const double sqrtB = 2.0 / s.f;  // Lorentzian 1 / (1 + (sqrtB x)^2)
    for (int m = -reach; m <= reach && !ExactVoigt(s); ++m) {
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
