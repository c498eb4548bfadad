// Boltzmann plots of synthetic OH A-X emission: thermal populations give a straight line whose
// slope returns the temperature the spectrum was made at.
#include "fit/boltzmann_plot.h"

#include <gtest/gtest.h>

#include <cmath>

#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"
#include "support/temp_dir.h"

namespace velmora::fit {
namespace {

TEST(BoltzmannPlot, ThermalLevelsOfVZeroLieOnTheLineOfTheirTemperature) {
    static testing::FitFixture oh("OH", "(A-X)");
    constexpr double x0 = 3060.0, step = 0.04;
    testing::Truth t;
    t.temperature = 2500.0f, t.noise = 0.5, t.baseline = 1.0;
    GaussianDeviate noise(41);
    const MeasuredSpectrum m = Measure({Signal(oh, t, x0, step, 2500)}, t, x0, step, noise);
    FitRequest r = testing::Request({oh.system}, m, 5 * step, 1500.0);
    const BoltzmannPlot plot = FitBoltzmannPlot(r, 0);
    EXPECT_EQ(plot.system, "OH (A-X)");
    EXPECT_NEAR(plot.temperature, 2500.0, 2.0 * plot.temperatureSigma);
    EXPECT_LT(plot.temperatureSigma, 100.0);
    EXPECT_LT(plot.reducedChiSquare, 2.0);
    int used = 0;
    for (const BoltzmannLevel& l : plot.levels) {
        used += l.used;
        // g = 2J + 1 for OH (no nuclear-spin alternation), J = N ± 1/2.
        EXPECT_DOUBLE_EQ(l.degeneracy, 2.0 * l.J + 1.0);
        EXPECT_EQ(std::fabs(l.J - l.row), 0.5);
    }
    EXPECT_GT(used, 20);

    testing::TempDir dir;
    WriteBoltzmannCsv((dir / "b.csv").string(), plot);
    const std::vector<std::string> lines = testing::CrLfLines(testing::ReadFile(dir / "b.csv"));
    EXPECT_EQ(lines.size(), plot.levels.size() + 2);
    EXPECT_EQ(lines.back().rfind("# ln(N/g) = ", 0), 0u);

    EXPECT_THROW(FitBoltzmannPlot(r, 7), FitInputError);
    r.conditions.kind = simulation::SpectrumKind::Absorption;
    EXPECT_THROW(FitBoltzmannPlot(r, 0), FitInputError);
}

}  // namespace
}  // namespace velmora::fit
