#include "simulation/voigt_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation/lineshapes.h"
#include "simulation/profile_kernel.h"

namespace velmora::simulation {
namespace {

constexpr double kPi = 3.14159265358979323846;

/// The convolution of a unit-area Gaussian (FWHM fG) and Lorentzian (FWHM fL) at x, by the
/// trapezoid rule over the smoother of the two factors: over the Lorentzian angle
/// x - x' = gamma tan(theta) when the Lorentzian is the narrower, else over the Gaussian.
double ConvolvedVoigt(double x, double fG, double fL) {
    const double sigma = fG / std::sqrt(8.0 * std::log(2.0)), gamma = fL / 2.0;
    const int n = 40000;
    double sum = 0.0;
    if (gamma < sigma) {
        const double h = kPi / n;
        for (int k = 1; k < n; ++k) {
            const double u = (x - gamma * std::tan(-kPi / 2 + k * h)) / sigma;
            sum += std::exp(-u * u / 2) / (sigma * std::sqrt(2 * kPi));
        }
        return sum * h / kPi;
    }
    const double h = 16.0 / n;  // Gaussian variable s from -8 to 8 standard deviations
    for (int k = 0; k <= n; ++k) {
        const double s = -8.0 + k * h, d = x - sigma * s;
        sum += (k == 0 || k == n ? 0.5 : 1.0) * std::exp(-s * s / 2) / std::sqrt(2 * kPi) * gamma /
               (kPi * (d * d + gamma * gamma));
    }
    return sum * h;
}

/// A Voigt line shape whose Gaussian and Lorentzian widths are fG and fL.
LineShape VoigtShape(double fG, double fL) {
    LineShape s;
    s.kind = Lineshape::Voigt;
    s.f = VoigtWidth(fL, fG * fG);
    s.eta = fL / s.f;
    s.gN = 0.93944 / s.f;
    s.lN = 0.63662 / s.f;
    return s;
}

TEST(Faddeeva, ClosedFormsOnTheAxes) {
    // On the real axis Re w(x) = exp(-x^2); on the imaginary axis w(iy) = exp(y^2) erfc(y).
    for (double x : {0.0, 0.3, 1.0, 2.5, 6.0, 30.0}) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(Faddeeva({x, 0.0}).real(), std::exp(-x * x), 1e-12);
    }
    for (double y : {0.01, 0.5, 1.0, 4.0, 20.0}) {
        SCOPED_TRACE(y);
        const double expected = std::exp(y * y) * std::erfc(y);
        EXPECT_NEAR(Faddeeva({0.0, y}).real(), expected, 1e-10 * expected);
        EXPECT_NEAR(Faddeeva({0.0, y}).imag(), 0.0, 1e-12);
    }
    // Far out w(z) -> i / (sqrt(pi) z).
    const std::complex<double> z(200.0, 50.0), far = std::complex<double>(0.0, 1.0) / (std::sqrt(kPi) * z);
    EXPECT_NEAR(std::abs(Faddeeva(z) - far), 0.0, 1e-4 * std::abs(far));
}

TEST(VoigtProfile, MatchesTheNumericalConvolutionFromGaussianToLorentzian) {
    // Lorentzian to Gaussian width ratios from 0.01 to 100, out to 20 widths.
    for (double ratio : {0.01, 0.03, 0.1, 0.3, 1.0, 3.0, 10.0, 30.0, 100.0}) {
        const double fG = 1.0 / std::sqrt(1.0 + ratio), fL = ratio * fG;
        const double peak = ConvolvedVoigt(0.0, fG, fL), f = VoigtWidth(fL, fG * fG);
        for (double u : {0.0, 0.25, 0.5, 1.0, 2.0, 5.0, 20.0}) {
            SCOPED_TRACE(::testing::Message() << "fL/fG " << ratio << ", d/f " << u);
            EXPECT_NEAR(VoigtProfile(u * f, fG, fL), ConvolvedVoigt(u * f, fG, fL), 1e-4 * peak);
        }
    }
}

TEST(VoigtProfile, HasUnitAreaAndThePureLimits) {
    for (double ratio : {0.01, 1.0, 100.0}) {
        SCOPED_TRACE(ratio);
        const double fG = 1.0, fL = ratio, X = 2000.0, h = 0.01;
        double area = 0.0;
        for (double x = -X; x <= X + h / 2; x += h) area += VoigtProfile(x, fG, fL) * h;
        // The Lorentzian tail beyond |x| = X, 1 - (2/pi) atan(X / gamma).
        area += 1.0 - 2.0 / kPi * std::atan(X / (fL / 2));
        EXPECT_NEAR(area, 1.0, 1e-5);
    }
    // Pure Gaussian (fL = 0) and pure Lorentzian (fG = 0) closed forms, and a nearly pure one.
    for (double x : {0.0, 0.4, 1.0, 3.0}) {
        SCOPED_TRACE(x);
        const double gauss = 2.0 * std::sqrt(std::log(2.0) / kPi) * std::exp(-4.0 * std::log(2.0) * x * x);
        EXPECT_NEAR(VoigtProfile(x, 1.0, 0.0), gauss, 1e-10);
        EXPECT_NEAR(VoigtProfile(x, 1.0, 1e-7), gauss, 1e-6);
        EXPECT_NEAR(VoigtProfile(x, 0.0, 1.0), 0.5 / (kPi * (x * x + 0.25)), 1e-12);
        EXPECT_NEAR(VoigtProfile(x, 1e-7, 1.0), 0.5 / (kPi * (x * x + 0.25)), 1e-6);
    }
}

TEST(VoigtProfile, ManyPointsAtOnceAsOneByOne) {
    // From the core to the far wing, on both sides, a count that leaves a partial block; the
    // pure Lorentzian by its closed form.
    for (double ratio : {0.0, 0.01, 0.5, 3.0, 100.0}) {
        SCOPED_TRACE(ratio);
        const double fG = ratio == 0.0 ? 0.0 : 1.0, fL = ratio == 0.0 ? 1.0 : ratio;
        std::vector<double> d, out(37);
        for (int i = 0; i < 37; ++i) d.push_back((i % 2 ? -1.0 : 1.0) * 0.013 * i * i);
        VoigtProfiles(d.data(), d.size(), fG, fL, out.data());
        std::vector<double> mirrored(d.size()), mirror(d.size());
        for (std::size_t i = 0; i < d.size(); ++i) mirror[i] = -d[i];
        VoigtProfiles(mirror.data(), mirror.size(), fG, fL, mirrored.data());
        const double peak = VoigtProfile(0.0, fG, fL);
        for (std::size_t i = 0; i < d.size(); ++i) {
            SCOPED_TRACE(d[i]);
            const double expected = fG == 0.0 ? 0.5 / (kPi * (d[i] * d[i] + 0.25)) : VoigtProfile(d[i], fG, fL);
            EXPECT_NEAR(out[i], expected, 1e-13 * peak);
            EXPECT_EQ(out[i], mirrored[i]);  // even to the last bit
        }
    }
}

TEST(VoigtProfile, DrawnShapeAndBinnedKernelAreTheExactVoigt) {
    for (double ratio : {0.05, 1.0, 20.0}) {
        SCOPED_TRACE(ratio);
        const double fG = 1.0, fL = ratio;
        const LineShape s = VoigtShape(fG, fL);
        EXPECT_NEAR(VoigtGaussWidth(s), fG, 1e-12);
        EXPECT_NEAR(VoigtLorentzWidth(s), fL, 1e-12);
        const double peak = ConvolvedVoigt(0.0, fG, fL);
        EXPECT_NEAR(ProfileValue(s, 0.0), peak, 1e-6 * peak);
        // A line t steps beyond its grid point, rebuilt from the kernel's terms.
        const double step = s.f / 7.0, tolerance = 1e-4;
        const auto kernel = ProfileKernel::Sample(s, step, 60, tolerance);
        ASSERT_TRUE(kernel.has_value());
        for (double t : {-0.5, -0.2, 0.0, 0.35, 0.5})
            for (int m : {0, 1, -3, 10, 40}) {
                SCOPED_TRACE(::testing::Message() << "t " << t << ", m " << m);
                EXPECT_NEAR(kernel->At(m, t), ConvolvedVoigt((m - t) * step, fG, fL), tolerance * peak);
            }
    }
}

}  // namespace
}  // namespace velmora::simulation
