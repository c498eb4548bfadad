// Fits of synthetic spectra made by the program's simulation with known parameters and Gaussian
// noise of fixed seeds: recovery within 2σ, robust starts, the coverage of the 1σ intervals, two
// band systems in one fit, and the warnings of undetermined parameters.
#include <gtest/gtest.h>

#include <cmath>

#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

using testing::FitFixture;
using testing::Truth;

FitFixture& OH() {
    static FitFixture f("OH", "(A-X)");
    return f;
}

/// The OH A-X window of 3000 points between 3060 and 3200 Å.
constexpr double kX0 = 3060.0, kStep = 140.0 / 2999.0;
constexpr int kPoints = 3000;

TEST(FitSpectrum, RecoversTemperatureAxisScaleBaselineAndWidthWithin2Sigma) {
    Truth t;
    t.temperature = 2000.0f, t.baseline = 3.0, t.shift = 0.031, t.noise = 1.0;
    const std::vector<double> signal = Signal(OH(), t, kX0, kStep, kPoints);
    GaussianDeviate noise(11);
    FitRequest r = testing::Request({OH().system}, Measure({signal}, t, kX0, kStep, noise), 0.15, 1000.0);
    r.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
    const FitResult fit = FitSpectrum(r);
    const double truth[] = {2000.0, testing::Area(signal, kStep), 3.0, 0.031, 5 * kStep};
    const char* names[] = {"t", "scale", "baseline", "shift", "gauss"};
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(fit.Value(names[k]), truth[k], 2.0 * fit.Uncertainty(names[k])) << names[k];
        EXPECT_GT(fit.Uncertainty(names[k]), 0.0) << names[k];
    }
    EXPECT_NEAR(fit.reducedChiSquare, 1.0, 0.1);
    EXPECT_EQ(fit.degreesOfFreedom, kPoints - 5);
    std::printf("T %g ± %g, evaluations %d iterations %d %s\n", fit.Value("t"), fit.Uncertainty("t"), fit.evaluations, fit.iterations, fit.stopReason.c_str());
    for (auto& w : fit.warnings) std::printf("warning: %s\n", w.c_str());
}

}  // namespace
}  // namespace velmora::fit
