// The misfit diagnostics on residual series of known statistics: independent noise, first-order
// autoregressive noise (Durbin–Watson 2(1 − ρ), correlation length (1 + ρ)/(1 − ρ)), noise larger
// than its stated σ, and the words of the report.
#include "fit/diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/numerics.h"

namespace velmora::fit {
namespace {

/// n points: a model line, and y = model + AR(1) noise of lag-one correlation rho and σ = scale.
struct Series {
    std::vector<double> x, y, model, weight;
};

Series Autoregressive(int n, double rho, double scale, std::uint32_t seed) {
    Series s;
    GaussianDeviate noise(seed);
    double e = 0.0;
    for (int i = 0; i < n; ++i) {
        e = rho * e + std::sqrt(1.0 - rho * rho) * noise.Next();
        s.x.push_back(3000.0 + 0.01 * i);
        s.model.push_back(50.0 + 40.0 * std::sin(0.01 * i));
        s.y.push_back(s.model.back() + scale * e);
        s.weight.push_back(1.0);
    }
    return s;
}

TEST(FitDiagnostics, DurbinWatsonAndCorrelationLengthOfAutoregressiveResidualsFollowTheirClosedForms) {
    struct Case {
        double rho;
        bool structured;
    };
    for (const Case c : {Case{0.0, false}, Case{0.3, false}, Case{0.8, true}, Case{0.95, true}}) {
        const Series s = Autoregressive(20000, c.rho, 1.0, 11);
        const FitDiagnostics d = DiagnoseResiduals(s.x, s.y, s.model, s.weight, 3, true);
        EXPECT_NEAR(d.durbinWatson, 2.0 * (1.0 - c.rho), 0.03) << c.rho;
        const double tau = (1.0 + c.rho) / (1.0 - c.rho);
        EXPECT_NEAR(d.correlationLength, tau, 0.1 * tau) << c.rho;
        EXPECT_NEAR(d.effectivePoints, 20000.0 / d.correlationLength, 1e-6);
        EXPECT_NEAR(d.reducedChiSquare, 1.0, 0.1 * tau / 5.0 + 0.05) << c.rho;
        const bool warned =
            !d.warnings.empty() && d.warnings.back().find("the residuals are structured (Durbin–Watson") == 0;
        EXPECT_EQ(warned, c.structured) << c.rho;
    }
}

TEST(FitDiagnostics, NoiseBeyondItsSigmaIsWarnedAboutAndUniformWeightsReportTheSigmaOfTheResiduals) {
    // Noise 3.5 times its stated σ: reduced chi-square 12.
    const Series s = Autoregressive(3000, 0.0, 3.5, 4);
    FitDiagnostics d = DiagnoseResiduals(s.x, s.y, s.model, s.weight, 3, true);
    EXPECT_NEAR(d.reducedChiSquare, 12.25, 0.8);
    ASSERT_FALSE(d.warnings.empty());
    EXPECT_NE(d.warnings.front().find("does not describe the data to their noise"), std::string::npos);
    const std::string reduced = "reduced chi-square ";
    ASSERT_EQ(ChiSquareLine(d).rfind(reduced, 0), 0u) << ChiSquareLine(d);
    EXPECT_NEAR(std::stod(ChiSquareLine(d).substr(reduced.size())), d.reducedChiSquare, 1e-3 * d.reducedChiSquare);
    EXPECT_NE(MisfitLine(d, "Å").find(" σ) at "), std::string::npos);

    // Intensities of 1E-6 with uniform weights: the σ of the residuals, never a chi-square of 0.0000.
    const Series tiny = Autoregressive(3000, 0.0, 1e-6, 5);
    d = DiagnoseResiduals(tiny.x, tiny.y, tiny.model, tiny.weight, 3, false);
    EXPECT_TRUE(d.warnings.empty());
    EXPECT_NEAR(d.residualSigma, 1e-6, 5e-8);
    const std::string line = ChiSquareLine(d);
    EXPECT_EQ(line.find("0.0000"), std::string::npos) << line;
    const std::string sigma = "uniform weights, σ = ";
    ASSERT_NE(line.find(sigma), std::string::npos) << line;
    EXPECT_NEAR(std::stod(line.substr(line.find(sigma) + sigma.size())), 1e-6, 5e-8) << line;
    EXPECT_NE(line.find(" y estimated from the residuals"), std::string::npos) << line;
    EXPECT_EQ(ChiSquareSummary(d).rfind("σ ", 0), 0u);
}

TEST(FitDiagnostics, PearsonRRmsOfThePeakAndTheLargestResidualWithItsX) {
    Series s = Autoregressive(1000, 0.0, 0.5, 6);
    s.y[321] += 10.0;
    const FitDiagnostics d = DiagnoseResiduals(s.x, s.y, s.model, s.weight, 2, false);
    EXPECT_EQ(d.largestResidualX, s.x[321]);
    EXPECT_NEAR(d.largestResidual, s.y[321] - s.model[321], 1e-12);
    // r² = var(model) / (var(model) + var(noise)) for noise independent of the model.
    double mean = 0.0, var = 0.0;
    for (double m : s.model) mean += m / 1000.0;
    for (double m : s.model) var += (m - mean) * (m - mean) / 1000.0;
    const double noiseVar = 0.25 + 100.0 / 1000.0;
    EXPECT_NEAR(d.pearsonR, std::sqrt(var / (var + noiseVar)), 2e-3);
    double lo = 1e300, hi = -1e300;
    for (double m : s.model) lo = std::min(lo, m), hi = std::max(hi, m);
    EXPECT_NEAR(d.rmsOverPeak, d.rmsResidual / (hi - lo), 1e-12);
    EXPECT_NE(MisfitLine(d, "Å").find("Durbin–Watson"), std::string::npos);
}

}  // namespace
}  // namespace velmora::fit
