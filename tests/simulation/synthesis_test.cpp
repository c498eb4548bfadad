#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "program/simulation_run.h"
#include "simulation/condition_view.h"
#include "simulation/intensities.h"
#include "simulation/line_list.h"
#include "simulation/lineshapes.h"
#include "support/condition_controls.h"
#include "support/scripted_dialogs.h"
#include "synthetic_system.h"

namespace velmora::simulation {
namespace {

using testing::SyntheticLine;
using testing::SyntheticSystem;

/// Largest value of the total between two axis positions.
float PeakBetween(const SimulationState& sim, double a, double b) {
    float m = 0;
    for (int i = 0; i <= sim.result.grid.last; ++i) {
        const double x =
            sim.result.grid.start + static_cast<double>(sim.result.grid.gridWidth) * i / sim.result.grid.pointsPerWidth;
        if (x >= a && x <= b) m = std::max(m, sim.result.total(i));
    }
    return m;
}

/// A state in cm-1 over 32000..32400 with a 1 cm-1 Gaussian instrument.
struct Bench {
    AppState app;
    SyntheticSystem sys{app};
    explicit Bench(int kind = 1) {
        testing::Choose(app, "kind", kind);
        app.sim.conditions.unit = AxisUnit::Wavenumber;
        app.sim.conditions.start = 32000;
        app.sim.conditions.end = 32400;
        app.sim.conditions.lineshape = Lineshape::Gaussian;
        app.sim.conditions.resolution = 1.0f;
        app.sim.conditions.dopplerBroadening = false;
        app.sim.conditions.predissociationBroadening = false;
        sys.SetPopulations({1.0f}, 0.01f);
    }
    void Run() { program::CalculateSimulation(app, sys.Loader()); }
};

TEST(GateFactor, ExponentialDecayCollectedBetweenDelayAndDelayPlusWidth) {
    // Fraction of a decay of lifetime 40 ns collected between 15 and 65 ns, by numerical integration.
    const double tau = 40, delay = 15, width = 50;
    double integral = 0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double t = delay + (i + 0.5) * width / n;
        integral += std::exp(-t / tau) / tau * width / n;
    }
    EXPECT_NEAR(GateFactor(tau, GateMode::TimeResolved, delay, width), integral, 1e-9);
    EXPECT_DOUBLE_EQ(GateFactor(tau, GateMode::TotalIntegration, delay, width), 1.0);
    // Delay 0 and a gate far longer than the lifetime collect everything; beyond ten lifetimes nothing.
    EXPECT_DOUBLE_EQ(GateFactor(tau, GateMode::TimeResolved, 0.0, 1e6), 1.0);
    EXPECT_DOUBLE_EQ(GateFactor(tau, GateMode::TimeResolved, 401.0, 10.0), 0.0);
    EXPECT_DOUBLE_EQ(GateFactor(1e-8, GateMode::TotalIntegration, 0.0, 10.0), 0.0);
}

TEST(Yields, SternVolmerQuenchingAndTheYieldModes) {
    AppState app;
    SyntheticSystem sys(app);
    DatabaseState& db = app.db;
    db.cat.LevelFileFlag(1) = 1;
    db.LevelLifetime.Fill(0.0f);
    db.LevelLifetime(0, 1, 2) = 700.0f;     // radiative lifetime, ns
    db.LevelEffLifetime(0, 1, 2) = 350.0f;  // predissociation halves it
    db.LevelQuenchRate(0, 1, 2) = 0.2f;
    SimulationConditions& c = app.sim.conditions;
    c.pressure = 10.0;
    c.quenchingRate = 0.5;  // µs-1 Torr-1

    c.quenching = QuenchingSource::None;
    ComputeYields(db, c);
    EXPECT_NEAR(db.LevelYield(0, 1, 2), 0.5, 1e-6);  // tau_eff / tau_r
    EXPECT_EQ(db.LevelYield(0, 1, 3), 0.0f);         // no radiative lifetime: no fluorescence
    EXPECT_EQ(db.UpperLevelData(0, 1 + 4, 2), db.LevelYield(0, 1, 2));

    // Single rate constant: k P = 0.5E6 s-1 Torr-1 x 10 Torr = 5E6 s-1 against 1/350 ns = 2.857E6 s-1.
    c.quenching = QuenchingSource::SingleValue;
    ComputeYields(db, c);
    EXPECT_NEAR(db.LevelYield(0, 1, 2), (1.0 / (5e6 + 1 / 350e-9)) / 700e-9, 1e-6);
    app.sim.conditions.yield = YieldMode::ExcludePredissociation;  // without predissociation
    ComputeYields(db, c);
    EXPECT_NEAR(db.LevelYield(0, 1, 2), 1.0 / (1.0 + 5e6 * 700e-9), 1e-6);
    app.sim.conditions.yield = YieldMode::ExcludeQuenching;  // without quenching
    ComputeYields(db, c);
    EXPECT_NEAR(db.LevelYield(0, 1, 2), 0.5, 1e-6);
    app.sim.conditions.yield = YieldMode::Excluded;  // excluded
    ComputeYields(db, c);
    EXPECT_EQ(db.LevelYield(0, 1, 2), 1.0f);
    EXPECT_EQ(db.LevelYield(0, 1, 3), 0.0f);

    // Per-level rate constants: 0.2 x 10 Torr.
    app.sim.conditions.yield = YieldMode::Included;
    c.quenching = QuenchingSource::FromFiles;
    ComputeYields(db, c);
    EXPECT_NEAR(db.LevelYield(0, 1, 2), (1.0 / (2e6 + 1 / 350e-9)) / 700e-9, 1e-6);

    // Without level files the yields are left alone.
    db.cat.LevelFileFlag(1) = 0;
    db.LevelYield(0, 1, 2) = 0.123f;
    ComputeYields(db, c);
    EXPECT_EQ(db.LevelYield(0, 1, 2), 0.123f);
}

TEST(WindowFactors, WholeBandsCountedByTheirOriginWithA20AngstromMargin) {
    // v' = 0 emits into v'' = 0 at 3080 Å (weight 3) and v'' = 1 at 3460 Å (weight 1).
    const std::vector<BandWeight> bands = {{1e8 / 3080.0, 3.0}, {1e8 / 3460.0, 1.0}};
    SimulationConditions c;
    c.window = WindowMode::Window;
    c.windowStart = 3000, c.windowEnd = 3100;
    EXPECT_FLOAT_EQ(WindowFactor(bands, c), 0.75f);
    // Reversed limits are taken in order; 3440 Å is within the margin of 3460 Å.
    c.windowStart = 3440, c.windowEnd = 3300;
    EXPECT_FLOAT_EQ(WindowFactor(bands, c), 0.25f);
    // A window holding no band origin gives 0; "Full" gives 1.
    c.windowStart = 5000, c.windowEnd = 6000;
    EXPECT_EQ(WindowFactor(bands, c), 0.0);
    c.window = WindowMode::Full;
    EXPECT_EQ(WindowFactor(bands, c), 1.0);
}

TEST(BranchTable, ComponentsAndTheLowerPiException) {
    AppState app;
    SyntheticSystem sys(app);
    BranchTable t = BuildBranchTable(ElectronicState::Upper, app.db);
    EXPECT_EQ(t.deltaN[1], -1);   // P1
    EXPECT_EQ(t.deltaN[12], 2);   // S21
    EXPECT_EQ(t.deltaN[19], -2);  // O12 of the second set
    EXPECT_EQ(t.upper[7], 1);
    EXPECT_EQ(t.lower[7], 2);
    EXPECT_EQ(t.upper[13], 3);  // the other parity components
    EXPECT_EQ(t.lower[22], 3);
    // Entry 1 with a populated lower Π state takes the lower components of its exception.
    app.db.cat.StateLambda(2, 1) = 1;
    t = BuildBranchTable(ElectronicState::Lower, app.db);
    const int expected[13] = {0, 1, 2, 3, 4, 1, 2, 4, 4, 2, 1, 3, 3};
    for (int b = 1; b <= 12; ++b) EXPECT_EQ(t.lower[b], expected[b]) << "branch " << b;
    EXPECT_EQ(t.lower[13], 3);
    EXPECT_EQ(BuildBranchTable(ElectronicState::Upper, app.db).lower[3], 1);  // emission: not applied
}

TEST(Synthesis, EmissionLineLandsOnItsPositionAndTheTotalPeaksAt100) {
    Bench t(1);
    t.sys.AddLine({0, 0, 1, 3, 32200.0, 2.0f, 1.0f});
    t.Run();
    const SimulationState& sim = t.app.sim;
    ASSERT_TRUE(t.app.plot.PlotReady);
    EXPECT_EQ(sim.result.linesDrawn, 1);
    EXPECT_EQ(sim.result.grid.last, 2800);  // 400 cm-1 x 7 points per 1 cm-1
    int peak = 0;
    for (int i = 0; i <= sim.result.grid.last; ++i)
        if (sim.result.total(i) > sim.result.total(peak)) peak = i;
    EXPECT_FLOAT_EQ(sim.result.total(peak), 100.0f);
    EXPECT_NEAR(sim.result.grid.start + peak * sim.result.grid.gridWidth / sim.result.grid.pointsPerWidth, 32200.0,
                0.5 / 7);
    EXPECT_EQ(sim.result.total(0), 0.0f);
    EXPECT_EQ(sim.result.total(sim.result.grid.last), 0.0f);
    // Unscaled peak: yield 1 x N' population 0.01 x strength 2 x Gaussian peak 0.93944 / 1 cm-1.
    EXPECT_NEAR(sim.result.peak, 0.01 * 2.0 * 0.93944, 2e-3 * sim.result.peak);
}

TEST(Synthesis, LinesAtTheRangeLimitsAreNotDrawn) {
    Bench t(1);
    t.sys.AddLine({0, 0, 1, 3, 32000.0});
    t.sys.AddLine({0, 0, 3, 3, 32400.0});
    t.Run();
    EXPECT_EQ(t.app.sim.result.linesDrawn, 0);
    EXPECT_EQ(t.app.sim.result.peak, 0.0f);
}

TEST(Synthesis, BandsWhoseOriginIsFarOutsideTheRangeContributeNothing) {
    Bench t(1);
    t.app.sim.conditions.unit = AxisUnit::AngstromVacuum;
    t.app.sim.conditions.start = 3050;
    t.app.sim.conditions.end = 3150;
    t.sys.SetPopulations({0.4f, 0.3f, 0.3f}, 0.01f);
    // One line in the range for each band; the band origins decide which bands are read.
    t.sys.AddLine({0, 0, 1, 3, 1e8 / 3070.0});
    t.sys.AddLine({1, 0, 1, 3, 1e8 / 3090.0});
    t.sys.AddLine({2, 0, 1, 3, 1e8 / 3110.0});
    t.sys.AddLine({0, 1, 1, 3, 1e8 / 3130.0});
    t.sys.SetOrigin(1, 0, 1e8 / (3150.0 + 351.0));  // 351 Å beyond the end: skipped
    t.sys.SetOrigin(2, 0, 1e8 / (3150.0 + 349.0));  // within 350 Å: read
    t.sys.SetOrigin(0, 1, 1e8 / (3050.0 - 349.0));
    t.Run();
    const SimulationState& sim = t.app.sim;
    EXPECT_EQ(sim.result.linesDrawn, 3);
    EXPECT_GT(PeakBetween(sim, 3069, 3071), 1.0f);
    EXPECT_EQ(PeakBetween(sim, 3089, 3091), 0.0f);
    EXPECT_GT(PeakBetween(sim, 3109, 3111), 1.0f);
    EXPECT_GT(PeakBetween(sim, 3129, 3131), 1.0f);
}

TEST(Synthesis, LIFRegimesScaleWithTheLineStrength) {
    // Two lines of equal lower population and width, strengths 1 and 5.
    auto peaks = [](int regime) {
        Bench t(3);
        t.sys.AddLine({0, 0, 1, 3, 32100.0, 1.0f, 1.0f});
        t.sys.AddLine({0, 0, 3, 5, 32300.0, 1.0f, 5.0f});
        testing::Choose(t.app, "lif-regime", regime);
        t.Run();
        return std::make_pair(PeakBetween(t.app.sim, 32090, 32110), PeakBetween(t.app.sim, 32290, 32310));
    };
    const auto linear = peaks(0);
    EXPECT_NEAR(linear.second / linear.first, 5.0, 1e-4);
    const auto partial = peaks(1);
    EXPECT_NEAR(partial.second / partial.first, std::sqrt(5.0), 1e-4);
    // Saturated: g'/(g' + g'') of the lower population, whatever the strength. P1(3): J'' = 3.5,
    // J' = 2.5, 6/14; Q1(5): J'' = J' = 5.5, 12/24.
    const auto saturated = peaks(2);
    EXPECT_NEAR(saturated.second / saturated.first, (12.0 / 24.0) / (6.0 / 14.0), 1e-5);
}

TEST(Synthesis, AbsorptionWeighsByWavenumberAndTheFourthKindByStrengthToTheFourth) {
    Bench a(2);
    a.sys.AddLine({0, 0, 1, 3, 32050.0, 1.0f, 1.0f});
    a.sys.AddLine({0, 0, 3, 5, 32350.0, 1.0f, 1.0f});
    a.Run();
    EXPECT_NEAR(PeakBetween(a.app.sim, 32340, 32360) / PeakBetween(a.app.sim, 32040, 32060), 32350.0 / 32050.0, 1e-5);

    Bench c(4);
    c.sys.AddLine({0, 0, 1, 3, 32050.0, 1.0f, 1.0f});
    c.sys.AddLine({0, 0, 3, 5, 32350.0, 1.0f, 2.0f});
    c.Run();
    EXPECT_NEAR(PeakBetween(c.app.sim, 32340, 32360) / PeakBetween(c.app.sim, 32040, 32060), 16.0, 1e-3);

    // Quadratic in the population of the vibrational level as well: lower levels v'' = 0 and 1
    // holding 0.8 and 0.2, one line each of equal strength and rotational population, give bands
    // in the ratio (0.8 / 0.2)^2 = 16; the level traces weighted by their populations still add
    // up to the total.
    Bench v(4);
    v.sys.SetPopulations({0.8f, 0.2f}, 0.01f);
    v.sys.AddLine({0, 0, 1, 3, 32050.0, 1.0f, 1.0f});
    v.sys.AddLine({0, 1, 1, 3, 32350.0, 1.0f, 1.0f});
    v.Run();
    const SimulationState& sim = v.app.sim;
    EXPECT_NEAR(PeakBetween(sim, 32040, 32060) / PeakBetween(sim, 32340, 32360), 16.0, 1e-3);
    for (int i = 0; i <= sim.result.grid.last; i += 97)
        EXPECT_NEAR(v.app.pop.PopVibSel(0) * sim.result.bands(1, i) + v.app.pop.PopVibSel(1) * sim.result.bands(2, i),
                    sim.result.total(i), 1e-4);
}

TEST(Synthesis, TimeResolvedGateAndDetectionWindowEnterOnlyLIF) {
    Bench t(3);
    t.sys.AddLine({0, 0, 1, 3, 32100.0, 1.0f, 1.0f});
    t.sys.AddLine({1, 0, 1, 3, 32300.0, 1.0f, 1.0f});
    t.app.db.LevelLifetime(0, 1, 2) = 10.0f;  // v' = 0, N' = 2: 10 ns
    t.app.db.LevelLifetime(1, 1, 2) = 40.0f;  // v' = 1: 40 ns
    testing::Choose(t.app, "gate", 1);
    t.app.sim.conditions.gateDelay = 20;
    t.app.sim.conditions.gateWidth = 100;
    t.Run();
    const double ratio = PeakBetween(t.app.sim, 32290, 32310) / PeakBetween(t.app.sim, 32090, 32110);
    EXPECT_NEAR(
        ratio, GateFactor(40, GateMode::TimeResolved, 20, 100) / GateFactor(10, GateMode::TimeResolved, 20, 100), 1e-4);

    // The same lines in emission ignore gate and window.
    Bench e(1);
    e.sys.AddLine({0, 0, 1, 3, 32100.0});
    e.sys.AddLine({0, 1, 1, 3, 32300.0});
    testing::Choose(e.app, "gate", 1);
    e.app.sim.conditions.gateDelay = 1000;
    e.app.sim.conditions.window = WindowMode::Window;
    e.Run();
    EXPECT_NEAR(PeakBetween(e.app.sim, 32290, 32310) / PeakBetween(e.app.sim, 32090, 32110), 1.0, 1e-5);
}

TEST(Driver, ReversedRangeIsExchangedAndTheZoomReapplied) {
    Bench t(1);
    t.sys.AddLine({0, 0, 1, 3, 32200.0});
    t.app.sim.conditions.start = 32400;
    t.app.sim.conditions.end = 32000;
    t.app.plot.TxtZoomX = "2";
    testing::CountingShell shell;
    t.app.ui = &shell;
    t.Run();
    EXPECT_EQ(t.app.sim.conditions.start, 32000.0);
    EXPECT_EQ(t.app.sim.conditions.end, 32400.0);
    EXPECT_FLOAT_EQ(t.app.sim.result.grid.start, 32000.0f);
    EXPECT_FLOAT_EQ(t.app.plot.ViewLeft, 32100.0f);
    EXPECT_FLOAT_EQ(t.app.plot.ViewRight, 32300.0f);
    EXPECT_EQ(shell.redraws, 1);  // once, after the spectrum is complete
    EXPECT_FALSE(shell.busy);
    EXPECT_EQ(simulation::SimulationTitle(t.app.sim.result), "Simulation   XY (A-X)  Emission");
    // The spectrum keeps how its populations were given: edited by hand, one level.
    EXPECT_FALSE(t.app.sim.result.temperatures.thermal);
    EXPECT_EQ(t.app.sim.result.temperatures.rotational.size(), t.app.sim.result.levels.size());
    // Progress once per band (one populated level, three other levels), never beyond 100 %.
    ASSERT_EQ(shell.progress.size(), 3u);
    EXPECT_DOUBLE_EQ(shell.progress.front(), 0.0);
    EXPECT_LT(shell.progress.back(), 100.0);
}

TEST(Driver, RangeBelow1000IsQuestionedButSimulated) {
    Bench t(1);
    t.sys.AddLine({0, 0, 1, 3, 700.0});
    t.app.sim.conditions.start = 500;
    t.app.sim.conditions.end = 900;
    testing::ScriptedDialogs dialogs;
    t.app.dialogs = &dialogs;
    t.Run();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Please, Check the simulation range");
    EXPECT_TRUE(t.app.plot.PlotReady);
    EXPECT_EQ(t.app.sim.result.linesDrawn, 1);

    // In nm the limit is 100 nm: 300 nm is a sound start.
    t.app.sim.conditions.unit = AxisUnit::NanometreVacuum;
    t.app.sim.conditions.start = 300;
    t.app.sim.conditions.end = 320;
    t.Run();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST(Driver, TooManyPointsAreRefusedNamingTheFinestResolution) {
    Bench t(1);
    t.app.sim.conditions.unit = AxisUnit::AngstromVacuum;
    t.app.sim.conditions.start = 1000;
    t.app.sim.conditions.end = 10000;
    t.app.sim.conditions.resolution = 0.001f;
    testing::Choose(t.app, "density", 3);  // 21 points per width
    t.sys.SetPopulations({0.5f, 0.5f}, 0.01f);
    t.sys.AddLine({0, 0, 1, 3, 1e8 / 9999.9});
    t.sys.AddLine({1, 0, 1, 3, 1e8 / 9999.9});
    testing::ScriptedDialogs dialogs;
    t.app.dialogs = &dialogs;
    t.Run();
    // n = 9000 x 21 / 0.001 = 1.89E8 > 500000 points for two levels: the finest width the budget
    // allows is 9000 x 21 / 500000 = 0.378. Nothing is simulated and the resolution stays.
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "TOO MANY POINTS TO SIMULATE\r\nMAXIMUM RESOLUTION  0.378Å (Vacuum)");
    EXPECT_FALSE(simulation::HasSimulation(t.app.sim));
    EXPECT_FLOAT_EQ(static_cast<float>(t.app.sim.conditions.resolution), 0.001f);
    // Just above the width named the grid fits the budget, and the line near the end of the range is drawn.
    dialogs.messages.clear();
    t.app.sim.conditions.resolution = 0.38;
    t.Run();
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_TRUE(simulation::HasSimulation(t.app.sim));
    EXPECT_LE(t.app.sim.result.grid.Points(), 500001);
    EXPECT_EQ(t.app.sim.result.linesDrawn, 2);  // once per populated level
}

TEST(Driver, WithinTheBudgetNothingIsSaid) {
    Bench t(1);
    t.app.sim.conditions.unit = AxisUnit::AngstromVacuum;
    t.app.sim.conditions.start = 3050;
    t.app.sim.conditions.end = 3150;
    t.app.sim.conditions.resolution = 0.1f;
    testing::ScriptedDialogs dialogs;
    t.app.dialogs = &dialogs;
    t.Run();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(t.app.sim.result.grid.last, 7000);
}

TEST(Driver, NoLevelAboveTheMinimumStopsBeforeTheBudget) {
    Bench t(1);
    t.sys.AddLine({0, 0, 1, 3, 32200.0});
    t.sys.SetPopulations({0.0f, 0.0f, 0.0f}, 0.01f);
    testing::ScriptedDialogs dialogs;
    t.app.dialogs = &dialogs;
    t.Run();
    EXPECT_EQ(t.app.pop.NVibSel, 0);
    EXPECT_FALSE(t.app.plot.PlotReady);
    EXPECT_FALSE(simulation::HasSimulation(t.app.sim));
    EXPECT_EQ(t.sys.loads, 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
}

TEST(Driver, TheDatabaseViewGetsItsBandBack) {
    Bench t(1);
    t.sys.AddLine({1, 0, 1, 3, 32200.0});
    t.sys.SetPopulations({0.0f, 1.0f}, 0.01f);
    t.app.table.DbVUpper = 2;
    t.app.table.DbVLower = 1;
    t.Run();
    EXPECT_EQ(t.app.db.LoadedVUpper, 2);
    EXPECT_EQ(t.app.db.LoadedVLower, 1);
}

}  // namespace
}  // namespace velmora::simulation
