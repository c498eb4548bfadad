#include "experiment/comparison.h"

#include <gtest/gtest.h>

#include <cmath>

#include "experiment_fixtures.h"

namespace velmora::experiment {

using testing::SetGrid;
using testing::SetSpectrum;

TEST(Comparison, PearsonAndChiSquareOfASmallSpectrumByHand) {
    AppState app;
    // Grid x = 3000 + i; experiment on the grid points 3000..3003.
    SetGrid(app.sim, 3000.0f, 1.0f, {1, 3, 2, 7, 9});
    SetSpectrum(app.exp, {3000, 3001, 3002, 3003}, {1, 2, 3, 99});
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    // Points 0..2 only (the last point never counts): e = (1, 2, 3), s = (1, 3, 2).
    // Deviations from the means (2, 2): e (-1, 0, 1), s (-1, 1, 0); covariance sum 1,
    // variance sums 2 and 2, so r = 1 / sqrt(2·2) = 0.5. Chi-square (0 + 1 + 1) / 100.
    EXPECT_EQ(app.exp.ComparedPoints, 3);
    EXPECT_NEAR(app.exp.Correlation, 0.5, 1e-6);
    EXPECT_NEAR(app.exp.ChiSquare, 0.02, 1e-7);
    EXPECT_EQ(app.exp.LblCorrelation, "Peak correlation: 0.500000");
    EXPECT_EQ(app.exp.LblDeviation, "Chi-square       : 0.020 (\xCE\xA3(s-e)\xC2\xB2/100)");
    // Residuals e - s at the compared points; the last point's residual sits at 0.
    EXPECT_FLOAT_EQ(app.exp.Residual(0), 0.0f);
    EXPECT_FLOAT_EQ(app.exp.Residual(1), -1.0f);
    EXPECT_FLOAT_EQ(app.exp.Residual(2), 1.0f);
    EXPECT_FLOAT_EQ(app.exp.Residual(3), 0.0f);

    // Residuals are divided by the vertical zoom; the statistics are not.
    app.plot.ZoomY = 2.0f;
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    EXPECT_FLOAT_EQ(app.exp.Residual(1), -0.5f);
    EXPECT_NEAR(app.exp.ChiSquare, 0.02, 1e-7);
}

TEST(Comparison, InterpolationAtAndBetweenGridPoints) {
    AppState app;
    SetGrid(app.sim, 3000.0f, 0.5f, {10, 30, 20, 60});
    // The first grid point, a midpoint, a quarter point, the last grid point, one more.
    SetSpectrum(app.exp, {3000.0f, 3000.25f, 3000.625f, 3001.5f, 3001.5f}, {0, 0, 0, 0, 0});
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    EXPECT_FLOAT_EQ(app.exp.SimAtExp(0), 10.0f);
    EXPECT_FLOAT_EQ(app.exp.SimAtExp(1), 20.0f);
    EXPECT_FLOAT_EQ(app.exp.SimAtExp(2), 27.5f);  // 30 + (20 - 30) × 0.25
    EXPECT_FLOAT_EQ(app.exp.SimAtExp(3), 60.0f);
}

TEST(Comparison, ZeroSimulationGivesNoCorrelationAndSumOfSquares) {
    AppState app;
    SetGrid(app.sim, 3000.0f, 1.0f, {0, 0, 0, 0, 0});
    SetSpectrum(app.exp, {3000, 3001, 3002, 3003, 3004}, {1, 2, 3, 4, 50});
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    EXPECT_EQ(app.exp.Correlation, 0.0f);
    EXPECT_NEAR(app.exp.ChiSquare, (1 + 4 + 9 + 16) / 100.0, 1e-7);
}

TEST(Comparison, SpectrumOutsideTheRangeOrWithoutSimulation) {
    AppState app;
    SetGrid(app.sim, 3000.0f, 1.0f, {1, 2, 3});
    SetSpectrum(app.exp, {3100, 3101, 3102}, {5, 6, 7});
    app.exp.Residual(0) = 42.0f;
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    EXPECT_EQ(app.exp.ComparedPoints, 0);
    EXPECT_EQ(app.exp.Correlation, 0.0f);
    EXPECT_EQ(app.exp.ChiSquare, 0.0f);
    EXPECT_EQ(app.exp.Residual(0), 0.0f);
    // A chi-square of 0 would read as a perfect fit.
    EXPECT_EQ(app.exp.LblCorrelation, "Peak correlation: no point compared");
    EXPECT_EQ(app.exp.LblDeviation, "Chi-square       : no point compared");

    AppState none;  // no simulation yet, and a file that gave no point
    SetSpectrum(none.exp, {3000, 3001}, {1, 2});
    CompareWithSimulation(none.exp, none.sim.result, none.plot.ZoomY);
    EXPECT_EQ(none.exp.ComparedPoints, 0);
    none.exp.ExpPoints = -1;
    SetGrid(none.sim, 3000.0f, 1.0f, {1, 2, 3});
    CompareWithSimulation(none.exp, none.sim.result, none.plot.ZoomY);
    EXPECT_EQ(none.exp.ComparedPoints, 0);
}

TEST(Comparison, PointsBeyondTheLastGridPointAreNotExtrapolated) {
    // A coarsened grid may end before Xend: no simulated value exists beyond it.
    AppState app;
    SetGrid(app.sim, 3000.0f, 1.0f, {0, 10, 0});
    app.sim.result.conditions.end = 3010.0f;
    SetSpectrum(app.exp, {3001, 3008, 3009}, {10, 1, 1});
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    EXPECT_EQ(app.exp.ComparedPoints, 1);
    EXPECT_EQ(app.exp.SimAtExp(1), 0.0f);
}

TEST(Comparison, LongSpectraKeepAnExactCorrelation) {
    // With single-precision sums n·Σes − Σe·Σs loses every significant digit at this size.
    AppState app;
    const int n = 200000;
    app.sim.result.grid.start = app.sim.result.conditions.start = 3000.0f;
    app.sim.result.grid.gridWidth = 0.001f;
    app.sim.result.grid.pointsPerWidth = 1;
    app.sim.result.grid.last = n;
    app.sim.result.conditions.end = 3000.0f + 0.001f * n;
    app.sim.result.total.Resize(0, n);
    experiment::InitExperimentArrays(app.exp);
    experiment::GrowExperimentArrays(app.exp, n + 1);
    for (int i = 0; i <= n; ++i) {
        const float y = 90.0f + 10.0f * static_cast<float>(std::sin(i * 0.01));
        app.sim.result.total(i) = y;
        app.exp.ExpX(i) = GridX(app.sim.result, i);
        app.exp.ExpY(i) = 2.0f * y + 5.0f;  // a linear function of s: r = 1
    }
    app.exp.ExpPoints = n;
    app.exp.ExpCount = 1;
    CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    EXPECT_GT(app.exp.ComparedPoints, n - 10);
    EXPECT_NEAR(app.exp.Correlation, 1.0, 1e-5);
}

TEST(Comparison, TheProbableUnitOfASpectrumOutsideTheRange) {
    // The simulation covers 3050..3150 Å (or, in cm-1, 31750..32787, the same wavelengths).
    struct Case {
        int units;
        float xini, xend;
        std::vector<float> x;  // in the axis unit, read automatically (Å, below 1000 nm)
        const char* unit;
    };
    for (const Case& c : std::vector<Case>{
             {1, 3050, 3150, {32000, 32100, 32200}, "cm-1"},   // wavenumbers: 3125..3106 Å
             {1, 12000, 12500, {1205, 1210, 1230}, "nm"},      // nm above 1000 were taken as Å
             {3, 31750, 32787, {3100, 3110, 3120}, "\u00C5"},  // Å against a cm-1 range
             {1, 3050, 3150, {5000, 5100, 5200}, ""},          // none fits
             {4, 305, 315, {3200, 3210, 3220}, "cm-1"},        // wavenumbers taken as Å on a nm axis
         }) {
        AppState app;
        simulation::SimulationConditions& shown = app.sim.result.conditions;
        shown.unit = simulation::StoredMode<simulation::AxisUnit>(c.units), shown.start = c.xini, shown.end = c.xend;
        SetSpectrum(app.exp, c.x, {1, 2, 3});
        EXPECT_EQ(ProbableSpectrumUnit(app.exp, app.sim.result), c.unit) << c.x[0];
        // A file that declared its unit (the x of a JCAMP-DX file in 1/CM) gets no other guess.
        app.exp.ReadUnitDeclared = true;
        EXPECT_EQ(ProbableSpectrumUnit(app.exp, app.sim.result), "") << c.x[0];
    }
}

}  // namespace velmora::experiment
