// The plot of a simulation computed from a small hand-made database, end to end: start-up,
// band-system selection, "Calculate simulation", redraw with the rotational assignment marks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "database/band_loader.h"
#include "display/plot_fixture.h"
#include "display/plot_frame.h"
#include "program/band_system.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "support/condition_controls.h"
#include "support/sample_database.h"
#include "support/scripted_dialogs.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

TEST(PlotOfASimulation, AssignmentTeethStandOnTheSimulatedLines) {
    // A Σ-Σ system: origin 30000 cm-1, B' = 1.8 and B'' = 2.0 cm-1, rows 0..6.
    SampleDatabase data;
    SampleEntry a;
    a.code = "AB", a.nmaxVibUp = 0, a.nmaxVibLow = 0, a.rotRows = {6}, a.origin = 30000.0;
    data.Catalogue({a}, 1, 1, 12);
    data.System(1, {Level(0, 1.8)}, {Level(0, 2.0)}, [](int, int) { return 1.0; });

    AppState app;
    ScriptedDialogs dialogs;
    app.dialogs = &dialogs;
    program::MemoryStore store;
    program::StartUp(app, store, data.Folder());
    program::SelectBandSystem(app, 1);
    app.sim.conditions.unit = app.sim.result.conditions.unit = simulation::AxisUnit::Wavenumber;
    app.sim.conditions.kind = simulation::SpectrumKind::Emission;
    app.pop.PopState = ElectronicState::Upper;
    app.sim.conditions.start = Val("29940");
    app.sim.conditions.end = Val("30060");
    testing::Type(app, "resolution", "0.2");
    program::CalculateSimulation(app, [](DatabaseState& db, int vu, int vl, int entry) {
        if (!database::IsBandLoaded(db, vu, vl, entry)) database::LoadBand(db, vu, vl, entry);
    });
    ASSERT_TRUE(app.plot.PlotReady) << (dialogs.messages.empty() ? "" : dialogs.messages.back());
    EXPECT_TRUE(dialogs.messages.empty());

    app.plot.ShowAssignment = 1;
    app.plot.AssignmentMode = 1;
    app.table.nomenclature = 0;
    ScreenCanvases c;
    RedrawPlot(app, c.plot, c.axis, c.yAxis);

    // The total trace reaches the full scale of 100 and no more.
    double top = 0.0;
    for (const auto& p : c.plot.Of(Primitive::Line))
        if (p.color == PaletteColor(5)) top = std::max({top, p.y1, p.y2});
    EXPECT_NEAR(top, 100.0, 1e-3);

    // R1 teeth (row 5, pointing down from 72) at R(N) = 30000 + 1.8 (N+1)(N+2) - 2.0 N(N+1), for
    // N'' = 0..5: R1(6) would start on N' = 7, above the catalogue's last row.
    const auto teeth = TickXs(c.plot, 72.0, -3.0);
    ASSERT_EQ(teeth.size(), 6u);
    const SimulationState& sim = app.sim;
    const double step = static_cast<double>(sim.result.grid.gridWidth) / sim.result.grid.pointsPerWidth;
    for (int N = 0; N <= 5; ++N) {
        const double R = 30000.0 + 1.8 * (N + 1) * (N + 2) - 2.0 * N * (N + 1);
        EXPECT_NEAR(teeth[static_cast<std::size_t>(N)], R, 0.01) << N;
        // The simulated spectrum peaks at the line (within one grid step).
        const int i = static_cast<int>(std::lround((R - sim.result.grid.start) / step));
        int best = i;
        for (int j = i - 3; j <= i + 3; ++j)
            if (sim.result.total(j) > sim.result.total(best)) best = j;
        EXPECT_LE(std::abs(best - i), 1) << N;
    }
    EXPECT_EQ(c.plot.Texts().front(), "P1(1)");
}

}  // namespace
}  // namespace velmora::display
