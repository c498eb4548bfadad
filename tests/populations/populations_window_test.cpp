// The populations window: thermal boxes, editing with mouse, keys and table, the spin-orbit and
// minimum-population boxes, and the histograms drawn onto a recording canvas.
#include "populations/populations_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/number_format.h"
#include "populations/one_entry_catalogue.h"
#include "populations/population_model.h"
#include "state/app_state.h"
#include "support/recording_canvas.h"
#include "support/scripted_dialogs.h"

namespace velmora::populations {
namespace {

using velmora::testing::CountingShell;
using velmora::testing::Primitive;
using velmora::testing::RecordingCanvas;

constexpr double kB = 17.0;  // cm-1, rotational constant of every level (an OH-like hydride)

/// A loaded one-entry system: upper state populated, levels 0..3, rows 0..20, B = 17 cm-1, level
/// energies 3000 cm-1 apart, at 300 K, thermalised.
struct Window {
    AppState app;
    CountingShell shell;
    explicit Window(int lambda = 0) {
        app.ui = &shell;
        testing::PrepareOneEntry(app.db, app.pop, lambda, 3, 20, 24);
        Catalogue& cat = app.db.cat;
        cat.MoleculeName.Resize(0, 1);
        cat.MoleculeName(1) = "XY";
        cat.StateLabel.Resize(1, 2, 1, 1);
        cat.StateLabel(1, 1) = "A";
        cat.StateLabel(2, 1) = "X";
        app.db.MolConst.Resize(1, 2, 0, 3, 0, 20);
        for (int s = 1; s <= 2; ++s)
            for (int v = 0; v <= 3; ++v) {
                app.db.MolConst(s, v, 0) = static_cast<float>(3000.0 * v);
                app.db.MolConst(s, v, 1) = static_cast<float>(kB);
            }
        app.db.SystemLoaded = true;
        app.pop.Temperature = 300.0f;
        PreparePopulationsWindow(app);
    }
    PopulationState& pop() { return app.pop; }
    PopulationsWindowState& win() { return app.popwin; }
};

/// Relative thermal population of rotational level N of a Σ state (F1, J = N + 1/2).
double Boltzmann(int N, double T) {
    const double J = N + 0.5;
    return (2 * J + 1) * std::exp(-kB * N * (N + 1) / (0.6950348 * T));
}

TEST(PopulationsWindow, PreparedForTheSystemAndItsPopulatedState) {
    Window w;
    EXPECT_EQ(w.win().Caption, "XY (A) population distributions");
    EXPECT_EQ(w.win().VibLevelItems, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(w.win().StructureItems, (std::vector<std::string>{"N", "J (F1) N+0.5", "J (F2) N-0.5"}));
    EXPECT_EQ(w.pop().StructMode, StructureMode::AllOfN);  // "N" for a Σ state
    Window pi(1);
    EXPECT_EQ(pi.win().StructureItems.size(), 7u);
    EXPECT_EQ(pi.win().StructureItems[1], "J (F1) N+0.5");
    EXPECT_EQ(pi.pop().StructMode, StructureMode::SpinComponent);  // "J (F1) N+0.5" for Λ > 0

    // Table: header, then one row per level; at 300 K the levels 3000 cm-1 up are empty (red).
    const auto& g = w.win().Grid;
    ASSERT_EQ(g.Cells.size(), 5u);
    EXPECT_EQ(g.Cells[0][1], " Vib. populations");
    EXPECT_EQ(g.Cells[1][0], "A v'= 0");
    EXPECT_NEAR(Val(g.Cells[1][1]), 1.0, 1.5e-6);  // all but exp(-3000 hc/kT) in v = 0
    EXPECT_EQ(g.Cells[1][2], "300.0");
    EXPECT_FALSE(g.Red[1]);
    EXPECT_TRUE(g.Red[2]);
}

TEST(PopulationsWindow, RotationalTemperatureRebuildsEveryLevelThermally) {
    Window w;
    EXPECT_EQ(TxtTRotational_Change(w.app, "500"), "500");
    for (int v = 0; v <= 3; ++v) {
        const double ratio = w.pop().PopRot(v, 1, 4) / w.pop().PopRot(v, 1, 1);
        EXPECT_NEAR(ratio, Boltzmann(4, 500) / Boltzmann(1, 500), 1e-5) << v;
        EXPECT_FLOAT_EQ(w.pop().TRot(v), 500.0f);
    }
    // 500 K differs from the main temperature: the system is no longer thermalised.
    EXPECT_EQ(w.pop().ThermalFlag, 0);
    EXPECT_EQ(w.win().RotationalMode, DistributionMode::Thermal);
    EXPECT_EQ(w.win().Grid.Cells[1][2], "500.0");
    // Refused texts show the temperature in force.
    EXPECT_EQ(TxtTRotational_Change(w.app, "-1"), " 500");
    EXPECT_EQ(TxtTRotational_Change(w.app, "abc"), " 500");
    EXPECT_EQ(TxtTRotational_Change(w.app, ""), "");
}

TEST(PopulationsWindow, TemperatureOfOneLevelMakesItNonThermal) {
    Window w;
    CmbStructure_Click(w.app, 1);  // "J (F1) N+0.5": only F1 follows the new temperature
    EXPECT_EQ(TxtSetTemperature_Change(w.app, "1000"), "1000");
    EXPECT_FLOAT_EQ(w.pop().TRot(0), -1.0f);
    EXPECT_EQ(w.win().Grid.Cells[1][2], "Non-thermal");
    EXPECT_EQ(w.win().RotationalMode, DistributionMode::NonThermal);
    EXPECT_EQ(TxtSetTemperature_Change(w.app, "-3"), "300");
    // In the "N" view every component follows and the level keeps its temperature.
    CmbStructure_Click(w.app, 0);
    TxtSetTemperature_Change(w.app, "800");
    EXPECT_FLOAT_EQ(w.pop().TRot(0), 800.0f);
    EXPECT_NEAR(w.pop().PopRot(0, 1, 5) / w.pop().PopRot(0, 1, 2), Boltzmann(5, 800) / Boltzmann(2, 800), 1e-5);
}

TEST(PopulationsWindow, SpinFactorAndMinimumPopulationBoxes) {
    Window w;
    const float ratio = w.pop().Ratio;
    // A factor equal to the F1 share within 0.0001 changes nothing.
    TxtSpinCombination_Change(w.app, Format(ratio + 0.00005, "0.000000"));
    EXPECT_GT(w.pop().TRot(0), 0.0f);
    TxtSpinCombination_Change(w.app, "0");
    EXPECT_FLOAT_EQ(w.pop().SpinFactor, 0.00001f);
    EXPECT_FLOAT_EQ(w.pop().TRot(0), -1.0f);  // the level is edited: non-thermal
    TxtSpinCombination_Change(w.app, "1");
    EXPECT_FLOAT_EQ(w.pop().SpinFactor, 0.99999f);
    EXPECT_EQ(TxtSpinCombination_Change(w.app, "1.5"), "1.0000");  // 0.99999 shown

    EXPECT_EQ(TxtMinPopVib_Change(w.app, "0.5"), "0.1");
    EXPECT_FLOAT_EQ(w.pop().MinimumPopulation, 0.1f);
    EXPECT_EQ(TxtMinPopVib_Change(w.app, "0.001"), "0.001");
    EXPECT_FLOAT_EQ(w.pop().MinimumPopulation, 0.001f);
    EXPECT_EQ(TxtMinPopVib_Change(w.app, "x"), "0.001");
}

TEST(PopulationsWindow, MouseOnTheVibrationalHistogramSetsAndRenormalises) {
    Window w;
    TxtTVibrational_Change(w.app, "6000");  // levels 0..3 all populated
    const double scale = w.win().VibScale, p3 = w.pop().PopVib(3);
    // A click above the top: level 2 gets more than the old full scale; then all are renormalised.
    PicVibrational_Mouse(w.app, 2.2, 110.0, true);
    double sum = 0.0;
    for (int v = 0; v <= 3; ++v) sum += w.pop().PopVib(v);
    EXPECT_NEAR(sum, 1.0, 1e-6);
    EXPECT_EQ(w.win().EditedVibBar, 2);
    EXPECT_EQ(w.win().VibrationalMode, DistributionMode::NonThermal);
    EXPECT_EQ(w.pop().ThermalFlag, 0);
    EXPECT_GT(w.pop().PopVib(2), w.pop().PopVib(0));
    EXPECT_GT(w.shell.histogramRedraws, 0);
    // Level 2 was set to 1.1 x the old full scale before the renormalisation.
    EXPECT_NEAR(w.pop().PopVib(2) / w.pop().PopVib(3), 1.1 * scale / p3, 1e-4 * scale / p3);
    // Moving without a button only moves the cursor.
    const float before = w.pop().PopVib(1);
    PicVibrational_Mouse(w.app, 1.0, 5.0, false);
    EXPECT_EQ(w.win().VibCursor, 1.0f);
    EXPECT_FLOAT_EQ(w.pop().PopVib(1), before);
    EXPECT_NE(w.win().LblVib1.find("XY (A) v = 1"), std::string::npos);
}

TEST(PopulationsWindow, MouseOnTheCombinedRotationalViewKeepsComponentShares) {
    Window w;
    ASSERT_EQ(w.pop().StructMode, StructureMode::AllOfN);
    auto bar = [&](int N) {
        const auto& E = w.pop().EditTable;
        return E(1, N) + (N > 0 ? E(2, N - 1) : 0.0f);
    };
    const double f1Share = w.pop().EditTable(1, 6) / bar(6);
    const double bar2 = bar(2);
    const double spin = w.pop().SpinFactor;
    const double scale = 100.0 / w.pop().HistMax;  // percent per edit-table unit
    PicRotational_Mouse(w.app, 6.1, 40.0, true);
    // Bar 6 was set to 40 % of full scale, its F1 and F2 parts keeping their shares; the
    // write-back renormalised the level and kept the F1 share of the whole level (the spin-orbit
    // factor), which moves the parts by about 1 %.
    EXPECT_NEAR(w.pop().EditTable(1, 6) / bar(6), f1Share, 0.02 * f1Share);
    EXPECT_NEAR(bar(6) / bar(2), 40.0 / scale / bar2, 0.01 * bar(6) / bar(2));
    EXPECT_NEAR(w.pop().Ratio, spin, 1e-4);
    EXPECT_EQ(w.win().EditedRotBar, 6);
    EXPECT_FLOAT_EQ(w.pop().TRot(0), -1.0f);
    EXPECT_EQ(w.win().RotationalMode, DistributionMode::NonThermal);
}

TEST(PopulationsWindow, KeysMoveTheCursorWithWrapAndRaiseTheBar) {
    Window w;
    TxtTVibrational_Change(w.app, "6000");
    SSTab1_Click(w.app, kVibrationalTab);
    Histogram_KeyDown(w.app, HistogramKey::Left, false);  // from level 0 to the last level
    EXPECT_EQ(w.win().VibCursor, 3.0f);
    Histogram_KeyDown(w.app, HistogramKey::Right, false);
    EXPECT_EQ(w.win().VibCursor, 0.0f);
    // Up raises level 0 by 1 % of full scale (it is the tallest): its bar stays at 100 while
    // the others shrink by the renormalisation.
    const double p1 = w.pop().PopVib(1), p0 = w.pop().PopVib(0);
    Histogram_KeyDown(w.app, HistogramKey::Up, false);
    EXPECT_NEAR(w.pop().PopVib(0) / w.pop().PopVib(1), 1.01 * p0 / p1, 1e-4);
    // On the table tab the keys do nothing.
    SSTab1_Click(w.app, kTableTab);
    Histogram_KeyDown(w.app, HistogramKey::Right, false);
    EXPECT_EQ(w.win().VibCursor, 0.0f);
    EXPECT_EQ(frmPopulations_KeyPress(13), 0);
    EXPECT_EQ(frmPopulations_KeyPress('5'), '5');
}

TEST(PopulationsWindow, TableEditsPopulationsAndTemperatures) {
    Window w;
    CommitGridEdit(w.app, 2, 1, "0");  // a population of 0 is accepted
    EXPECT_FLOAT_EQ(w.pop().PopVib(2), 0.0f);
    CommitGridEdit(w.app, 0, 1, "0.25");
    EXPECT_FLOAT_EQ(w.pop().PopVib(0), 0.25f);
    EXPECT_EQ(w.win().VibrationalMode, DistributionMode::NonThermal);
    CommitGridEdit(w.app, 1, 2, "0");  // a rotational temperature of 0 is not
    EXPECT_FLOAT_EQ(w.pop().TRot(1), 300.0f);
    CommitGridEdit(w.app, 1, 2, "2000");
    EXPECT_FLOAT_EQ(w.pop().TRot(1), 2000.0f);
    EXPECT_NEAR(w.pop().PopRot(1, 1, 6) / w.pop().PopRot(1, 1, 3), Boltzmann(6, 2000) / Boltzmann(3, 2000), 1e-5);
    EXPECT_EQ(w.win().Grid.Cells[2][2], "2000.0");
    CommitGridEdit(w.app, 1, 2, "warm");  // ignored
    EXPECT_FLOAT_EQ(w.pop().TRot(1), 2000.0f);
}

TEST(PopulationsWindow, InitializeEmptiesTheCombinedLevel) {
    Window w;
    CmdInitialize_Click(w.app);
    for (int r = 0; r <= w.pop().NRotDisp; ++r)
        for (int c = 1; c <= 4; ++c) EXPECT_EQ(w.pop().EditTable(c, r), 0.0f);
    EXPECT_FLOAT_EQ(w.pop().TRot(0), -1.0f);
    EXPECT_EQ(w.win().RotationalMode, DistributionMode::NonThermal);
}

TEST(PopulationsWindow, HistogramsAreDrawnOnTheCanvas) {
    Window w;
    TxtTVibrational_Change(w.app, "6000");
    PicVibrational_Mouse(w.app, 1, 50.0, true);
    RecordingCanvas c;
    DrawVibrationalHistogram(w.app, c);
    const auto bars = c.Of(Primitive::FilledBox);
    ASSERT_EQ(bars.size(), 4u);
    double top = 0.0;
    for (const auto& b : bars) {
        EXPECT_EQ(b.color, PaletteColor(1));
        top = std::max(top, std::max(b.y1, b.y2));
    }
    EXPECT_NEAR(top, 100.0, 1e-4);  // the largest level is full scale
    // The level just set is outlined in red.
    bool red = false;
    for (const auto& f : c.Of(Primitive::Box))
        red = red || (f.color == PaletteColor(4) && std::fabs(f.x1 - 0.5) < 1e-9);
    EXPECT_TRUE(red);

    RecordingCanvas r;
    DrawRotationalHistogram(w.app, r);
    double rotTop = 0.0;
    for (const auto& b : r.Of(Primitive::FilledBox)) rotTop = std::max(rotTop, std::max(b.y1, b.y2));
    EXPECT_NEAR(rotTop, 100.0, 1e-3);  // the tallest bar of the level is full scale
    EXPECT_FALSE(w.win().LblRot1.empty());
}

TEST(PopulationsWindow, RotationalBarsStackTheirComponentsInTheirColours) {
    Window w(1);  // a Π state: four components, all populated at 300 K
    auto coloursOfBar = [&](int x) {
        RecordingCanvas r;
        DrawRotationalHistogram(w.app, r);
        std::vector<Rgb> colours;
        for (const auto& b : r.Of(Primitive::FilledBox))
            if (std::fabs(b.x1 - (x - 0.5)) < 1e-9) colours.push_back(b.color);
        return colours;
    };
    // "N": F1 e and F1 f of N = 3, then F2 f and F2 e of N = 3 (row 2), from the bottom.
    CmbStructure_Click(w.app, 0);
    EXPECT_EQ(coloursOfBar(3), (std::vector<Rgb>{PaletteColor(6), PaletteColor(3), PaletteColor(2), PaletteColor(9)}));
    // "J (F2) N-0.5": F2 f below F2 e.
    CmbStructure_Click(w.app, 2);
    EXPECT_EQ(coloursOfBar(3), (std::vector<Rgb>{PaletteColor(6), PaletteColor(3)}));
}

}  // namespace
}  // namespace velmora::populations
