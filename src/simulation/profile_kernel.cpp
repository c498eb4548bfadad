#include "simulation/profile_kernel.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <vector>

#include "simulation/voigt_profile.h"

namespace velmora::simulation {

namespace {

/// Shares of the Gaussian and the Lorentzian in the profile drawn for a shape.
void Shares(const LineShape& s, double& gauss, double& lorentz) {
    gauss = s.kind == Lineshape::Lorentzian ? 0.0 : s.kind == Lineshape::Gaussian ? 1.0 : 1.0 - s.eta;
    lorentz = 1.0 - gauss;
}

/// Gaussian (FWHM fG, unit area) K-th derivative bound times (h/2)^K / K!, relative to its peak.
double GaussRemainder(double fG, double step, int terms) {
    const double a = 1.0 / (fG * fG * kGaussExponent);
    return 1.0865 * std::pow(std::sqrt(2.0 * a) * step / 2.0, terms) / std::sqrt(std::tgamma(terms + 1.0));
}

/// The Voigt G * L has |V^(K)| <= max|G^(K)| (L of unit area) and <= max|L^(K)|; its
/// interpolation on K Chebyshev points of a half-step interval errs by at most
/// (h/2)^K max|V^(K)| / (2^(K-1) K!), relative to the Voigt peak.
double VoigtRemainderBound(const LineShape& s, double step, int terms) {
    const double fG = VoigtGaussWidth(s), fL = VoigtLorentzWidth(s);
    double bound = std::numeric_limits<double>::infinity();
    if (fG > 0.0) bound = 0.93944 / fG * GaussRemainder(fG, step, terms);
    if (fL > 0.0) bound = std::min(bound, 0.63662 / fL * std::pow(step / fL, terms));
    return bound / std::pow(2.0, terms - 1) / ProfileValue(s, 0.0);
}

/// Fills T_k(m), the coefficients of (-t)^k of the polynomial through p(m h - t h) at the
/// Chebyshev points of t in [-1/2, 1/2]: a profile with no handy derivatives (the Voigt).
void InterpolateTerms(const LineShape& s, double step, int reach, int terms, float* values) {
    const std::size_t K = static_cast<std::size_t>(terms), width = 2 * static_cast<std::size_t>(reach) + 1;
    std::vector<double> t(K), inverse(K * K, 0.0), vandermonde(K * K);
    // The nodes symmetric about 0 to the last bit (t_{K-1-j} = -t_j), so that the samples at
    // offset -m are those at m in reverse order.
    for (std::size_t j = 0; j < K / 2; ++j) {
        t[j] = 0.5 * std::cos((2.0 * j + 1.0) * 3.14159265358979323846 / (2.0 * K));
        t[K - 1 - j] = -t[j];
    }
    if (K % 2 == 1) t[K / 2] = 0.0;
    for (std::size_t j = 0; j < K; ++j) {
        for (std::size_t k = 0; k < K; ++k) vandermonde[j * K + k] = std::pow(-t[j], static_cast<double>(k));
        inverse[j * K + j] = 1.0;
    }
    // Gauss-Jordan elimination with partial pivoting: inverse = vandermonde^-1.
    for (std::size_t c = 0; c < K; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < K; ++r)
            if (std::fabs(vandermonde[r * K + c]) > std::fabs(vandermonde[pivot * K + c])) pivot = r;
        for (std::size_t k = 0; k < K; ++k) {
            std::swap(vandermonde[c * K + k], vandermonde[pivot * K + k]);
            std::swap(inverse[c * K + k], inverse[pivot * K + k]);
        }
        const double d = vandermonde[c * K + c];
        for (std::size_t k = 0; k < K; ++k) {
            vandermonde[c * K + k] /= d;
            inverse[c * K + k] /= d;
        }
        for (std::size_t r = 0; r < K; ++r) {
            const double factor = r == c ? 0.0 : vandermonde[r * K + c];
            for (std::size_t k = 0; k < K && factor != 0.0; ++k) {
                vandermonde[r * K + k] -= factor * vandermonde[c * K + k];
                inverse[r * K + k] -= factor * inverse[c * K + k];
            }
        }
    }
    // The profile is even: p((-m - t_j) h) = p((m - t_{K-1-j}) h). The samples of the offsets
    // 0..reach, [m][j], all evaluated in one call; those of -m read in reverse.
    const std::size_t offsets = static_cast<std::size_t>(reach) + 1;
    std::vector<double> distances(offsets * K), samples(offsets * K), reversed(K);
    for (std::size_t m = 0; m < offsets; ++m)
        for (std::size_t j = 0; j < K; ++j) distances[m * K + j] = (static_cast<double>(m) - t[j]) * step;
    VoigtProfiles(distances.data(), distances.size(), VoigtGaussWidth(s), VoigtLorentzWidth(s), samples.data());
    for (int m = -reach; m <= reach; ++m) {
        const double* at = &samples[static_cast<std::size_t>(std::abs(m)) * K];
        if (m < 0) {
            for (std::size_t j = 0; j < K; ++j) reversed[j] = at[K - 1 - j];
            at = reversed.data();
        }
        for (std::size_t k = 0; k < K; ++k) {
            double c = 0.0;
            for (std::size_t j = 0; j < K; ++j) c += inverse[k * K + j] * at[j];
            values[k * width + static_cast<std::size_t>(m + reach)] = static_cast<float>(c);
        }
    }
}

}  // namespace

double ProfileKernel::RemainderBound(const LineShape& s, double step, int terms) {
    if (s.kind != Lineshape::Gaussian && s.kind != Lineshape::Lorentzian) return VoigtRemainderBound(s, step, terms);
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
    if (g != 0.0 && l != 0.0) {
        // The Voigt has no handy derivatives: the polynomial through its values at Chebyshev
        // points of t. A Faddeeva evaluation per sample: the line drawer keeps what it builds from
        // a kernel per thread (line_drawing.cpp), so a kernel is sampled once per width set.
        InterpolateTerms(s, step, reach, terms, kernel.values_.data());
        return kernel.TrimmedReaches(s, tolerance);
    }
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
    return kernel.TrimmedReaches(s, tolerance);
}

ProfileKernel ProfileKernel::TrimmedReaches(const LineShape& s, double tolerance) {
    ProfileKernel& kernel = *this;
    const int terms = terms_, reach = reach_;
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
