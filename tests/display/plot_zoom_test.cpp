#include "display/plot_zoom.h"

#include <gtest/gtest.h>

#include <cmath>

#include "display/plot_fixture.h"
#include "support/scripted_dialogs.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

AppState Range(double xini, double xend) {
    AppState s;
    s.sim.conditions.unit = s.sim.result.conditions.unit = simulation::AxisUnit::AngstromVacuum;
    MakeSimulation(s, xini, xend, 100, {1.0}, [](int, double) { return 1.0; });
    return s;
}

/// The zoom boxes and their up-down controls always tell the zoom in force.
void ExpectControlsAgree(const PlotState& p) {
    EXPECT_NEAR(Val(p.TxtZoomX), p.ZoomX, 1e-6 * p.ZoomX);
    EXPECT_NEAR(Val(p.TxtZoomY), p.ZoomY, 1e-6 * p.ZoomY);
    EXPECT_EQ(p.UpDZoomX, std::clamp(static_cast<int>(std::lround(2.0 * p.ZoomX)), 1, 100));
    EXPECT_EQ(p.UpDZoomY, std::clamp(static_cast<int>(std::lround(2.0 * p.ZoomY)), 1, 100));
}

TEST(ZoomGestures, WheelZoomsAboutThePointer) {
    AppState s = Range(3000, 3100);
    CountingShell shell;
    s.ui = &shell;
    // Pointer at 3080, a fifth of the view from its right edge: it stays there.
    PicSimulation_Wheel(s, 3080.0, 2.0);
    const double width = 100.0 / (1.25 * 1.25);
    EXPECT_NEAR(s.plot.ViewRight - s.plot.ViewLeft, width, 1e-3);
    EXPECT_NEAR((3080.0 - s.plot.ViewLeft) / width, 0.8, 1e-4);
    EXPECT_EQ(shell.redraws, 1);
    ExpectControlsAgree(s.plot);
    // Back out by the same two notches: the whole range again.
    PicSimulation_Wheel(s, 3080.0, -2.0);
    EXPECT_NEAR(s.plot.ViewLeft, 3000.0, 1e-3);
    EXPECT_NEAR(s.plot.ViewRight, 3100.0, 1e-3);
    // Far out the zoom stops at 0.1; a pointer at the range edge keeps the view centre inside.
    PicSimulation_Wheel(s, 3000.0, -50.0);
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 0.1f);
    EXPECT_GE((s.plot.ViewLeft + s.plot.ViewRight) / 2.0, 3000.0 - 1e-3);
}

TEST(ZoomGestures, RectangleBecomesTheViewAndItsTopFullScale) {
    AppState s = Range(3000, 3100);
    PicSimulation_ZoomTo(s, 3060.0, 40.0, 3040.0, 10.0);  // dragged right to left
    EXPECT_NEAR(s.plot.ViewLeft, 3040.0, 1e-3);
    EXPECT_NEAR(s.plot.ViewRight, 3060.0, 1e-3);
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 5.0f);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 2.5f);  // 40 % is the new full scale
    ExpectControlsAgree(s.plot);
    // No width: nothing; a rectangle below the baseline keeps the vertical zoom.
    PicSimulation_ZoomTo(s, 3050.0, 10.0, 3050.0, 20.0);
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 5.0f);
    PicSimulation_ZoomTo(s, 3045.0, -3.0, 3055.0, -1.0);
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 10.0f);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 2.5f);
    // A double click shows the whole range at zoom 1 again.
    PicSimulation_DblClick(s);
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 3000.0f);
    EXPECT_FLOAT_EQ(s.plot.ViewRight, 3100.0f);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 1.0f);
    ExpectControlsAgree(s.plot);
}

TEST(ZoomGestures, KeysZoomAndShiftTheFocusedPlot) {
    AppState s = Range(3000, 3100);
    PicSimulation_KeyDown(s, PlotKey::ZoomIn);
    PicSimulation_KeyDown(s, PlotKey::ZoomIn);  // 64 Å about the centre
    EXPECT_NEAR(s.plot.ViewLeft, 3018.0, 1e-3);
    EXPECT_NEAR(s.plot.ViewRight, 3082.0, 1e-3);
    PicSimulation_KeyDown(s, PlotKey::Left);  // a tenth of the view towards smaller x
    EXPECT_NEAR(s.plot.ViewLeft, 3011.6, 1e-3);
    PicSimulation_KeyDown(s, PlotKey::Right);
    PicSimulation_KeyDown(s, PlotKey::Right);
    EXPECT_NEAR(s.plot.ViewLeft, 3024.4, 1e-3);
    PicSimulation_KeyDown(s, PlotKey::ZoomOut);
    EXPECT_NEAR(s.plot.ViewRight - s.plot.ViewLeft, 80.0, 1e-3);
    PicSimulation_KeyDown(s, PlotKey::ZoomInY);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 1.25f);
    PicSimulation_KeyDown(s, PlotKey::ZoomOutY);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 1.0f);
    ExpectControlsAgree(s.plot);
    // The view centre never leaves the simulation range.
    for (int i = 0; i < 30; ++i) PicSimulation_KeyDown(s, PlotKey::Right);
    EXPECT_NEAR((s.plot.ViewLeft + s.plot.ViewRight) / 2.0, 3100.0, 1e-3);
    EXPECT_FLOAT_EQ(s.plot.SldX, 0.0f);
}

}  // namespace
}  // namespace velmora::display
