#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "display/plot_frame.h"
#include "display/plot_fixture.h"
#include "support/scripted_dialogs.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

AppState Flat(double xini, double xend, int units) {
    AppState s;
    s.sim.Units = units;
    MakeSimulation(s, xini, xend, 200, {1.0}, [](int, double) { return 1.0; });
    return s;
}

TEST(AxisTicks, HundredWavenumberWindow) {
    AppState s = Flat(3020, 3120, 3);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis);
    // Minor ticks every 10 cm-1 at both edges of the frame, major ones at multiples of 50.
    const std::vector<double> minor = {3030, 3040, 3050, 3060, 3070, 3080, 3090, 3100, 3110};
    EXPECT_EQ(TickXs(c.plot, -5.0, 1.5), minor);
    EXPECT_EQ(TickXs(c.plot, 105.0, -1.5), minor);
    EXPECT_EQ(TickXs(c.plot, -5.0, 2.5), (std::vector<double>{3050, 3100}));
    EXPECT_EQ(TickXs(c.plot, 105.0, -2.5), (std::vector<double>{3050, 3100}));
    EXPECT_EQ(NumberTexts(c.axis), (std::vector<std::string>{"3050.0", "3100.0"}));
    // Labels are centred on their tick, their top at 0.1 of the strip.
    for (const auto& t : c.axis.Of(Primitive::Text)) {
        if (t.text != "3050.0") continue;
        EXPECT_NEAR(t.x1 + c.axis.TextWidth(t.text) / 2.0, 3050.0, 1e-9);
        EXPECT_DOUBLE_EQ(t.y1, 0.1);
    }
    EXPECT_EQ(c.axis.Texts().front(), "Frequency (cm-1)");
}

TEST(AxisTicks, ThreeAngstromWindow) {
    AppState s = Flat(3050, 3053, 1);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis);
    EXPECT_EQ(TickXs(c.plot, -5.0, 1.5).size(), 29u);  // every 0.1 Å inside the window
    EXPECT_EQ(NumberTexts(c.axis),
              (std::vector<std::string>{"3050.5", "3051.0", "3051.5", "3052.0", "3052.5"}));
    EXPECT_EQ(c.axis.Texts().front(), "Wavelength (\xC3\x85) (Vacuum)");
    s.sim.Units = 2;
    RedrawPlot(s, c.plot, c.axis);
    EXPECT_EQ(s.plot.AxisCaption, "Wavelength (\xC3\x85) (Air)");
}

TEST(AxisTicks, TicksAtTheEdgesAreNotDrawn) {
    AppState s = Flat(3050, 3150, 3);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis);
    const auto xs = TickXs(c.plot, -5.0, 1.5);
    EXPECT_EQ(xs.front(), 3060.0);
    EXPECT_EQ(xs.back(), 3140.0);
    EXPECT_EQ(NumberTexts(c.axis), (std::vector<std::string>{"3100.0"}));
}

TEST(AxisTicks, LabelsTooCloseAreSkipped) {
    AppState s = Flat(3050, 3053, 1);
    // A narrow plot: labels 0.5 Å apart are closer than half a label width.
    RecordingCanvas plot(120, 300), axis(143, 33);
    RedrawPlot(s, plot, axis);
    std::vector<double> lefts;
    for (const auto& t : axis.Of(Primitive::Text))
        if (IsNumeric(t.text)) lefts.push_back(t.x1);
    ASSERT_GE(lefts.size(), 2u);
    EXPECT_LT(lefts.size(), 5u);
    const double w = axis.TextWidth("3051.0");
    for (std::size_t i = 1; i < lefts.size(); ++i) EXPECT_GT(lefts[i], lefts[i - 1] + 1.5 * w);
    // Every major tick is still drawn.
    EXPECT_EQ(TickXs(plot, -5.0, 2.5).size(), 5u);
}

TEST(AxisTicks, TinyWindowDrawsNoTicksAndDoesNotHang) {
    AppState s = Flat(3050, 3050.00001, 1);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis);
    EXPECT_TRUE(TickXs(c.plot, -5.0, 1.5).empty());
}

TEST(PlotFrame, NothingIsDrawnWithoutASimulation) {
    AppState s = Flat(3050, 3150, 3);
    s.plot.PlotReady = false;
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis);
    EXPECT_TRUE(c.plot.items.empty());
    EXPECT_TRUE(c.axis.items.empty());
}

TEST(PlotFrame, UserCoordinatesAndResidualHeadroom) {
    AppState s = Flat(3050, 3150, 3);
    s.plot.ZoomY = 2.0f;
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis);
    EXPECT_DOUBLE_EQ(c.plot.left, 3050.0);
    EXPECT_DOUBLE_EQ(c.plot.right, 3150.0);
    EXPECT_NEAR(c.plot.top, 52.5, 1e-5);
    EXPECT_NEAR(c.plot.bottom, -2.5, 1e-5);
    // The axis strip is wider than the plot and shares its x coordinates.
    const double f = (823.0 / 800.0 - 1.0) / 2.0;
    EXPECT_NEAR(c.axis.left, 3050.0 - 100.0 * f, 1e-9);
    EXPECT_NEAR(c.axis.right, 3150.0 + 100.0 * f, 1e-9);
    EXPECT_NEAR(s.plot.UnitsPerPixel, 100.0 / 800.0, 1e-7);

    MakeExperiment(s, 3050, 3150, 100, [](double) { return 50.0; });
    s.plot.ZoomY = 1.0f;
    s.plot.HideResiduals = 0;
    RedrawPlot(s, c.plot, c.axis);
    EXPECT_NEAR(c.plot.top, 125.0, 1e-5);
}

TEST(Zoom, ResetGivesTheWholeRangeAndExactlyOneRedraw) {
    AppState s = Flat(3050, 3150, 3);
    CountingShell shell;
    s.ui = &shell;
    TxtZoomX_Change(s, "4");
    SldX_Change(s, 20);
    UpDZoomY_Change(s, 7);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 3.5f);
    EXPECT_NE(s.plot.ViewLeft, 3050.0f);
    shell.redraws = 0;
    CmdResetZoom_Click(s);
    EXPECT_EQ(shell.redraws, 1);
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 3050.0f);
    EXPECT_FLOAT_EQ(s.plot.ViewRight, 3150.0f);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 1.0f);
    EXPECT_EQ(s.plot.TxtZoomX, "1");
    EXPECT_EQ(s.plot.SldX, 50);
    EXPECT_TRUE(s.plot.PlotReady);

    s.plot.PlotReady = false;
    CmdResetZoom_Click(s);
    EXPECT_EQ(shell.redraws, 1);
}

TEST(Zoom, ViewWindowFromZoomAndShift) {
    AppState s = Flat(3000, 3100, 3);
    CountingShell shell;
    s.ui = &shell;
    EXPECT_EQ(TxtZoomX_Change(s, "2"), "2");
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 3025.0f);
    EXPECT_FLOAT_EQ(s.plot.ViewRight, 3075.0f);
    SldX_Change(s, 0);  // centred on the end of the range
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 3075.0f);
    EXPECT_FLOAT_EQ(s.plot.ViewRight, 3125.0f);
    SldX_Change(s, 100);
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 2975.0f);
    const int before = shell.redraws;
    TxtZoomX_Change(s, "0.05");  // not applied, not kept
    TxtZoomX_Change(s, "abc");
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 2.0f);
    EXPECT_EQ(shell.redraws, before);
    SldX_Change(s, 50);
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 3025.0f);

    EXPECT_EQ(UpDZoomX_Change(s, 1), "0.5");
    EXPECT_FLOAT_EQ(s.plot.ViewLeft, 2950.0f);
    UpDZoomX_Change(s, 0);  // zoom 0 would divide by zero: the previous zoom stays
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 0.5f);

    TxtZoomY_Change(s, "0.01");
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 1.0f);
    TxtZoomY_Change(s, "3");
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 3.0f);
    EXPECT_TRUE(ZoomKeyDiscarded(13));
}

TEST(Zoom, ControlsChangeStateWithoutRedrawBeforeTheFirstSimulation) {
    AppState s = Flat(3000, 3100, 3);
    s.plot.PlotReady = false;
    CountingShell shell;
    s.ui = &shell;
    TxtZoomX_Change(s, "2");
    SldX_Change(s, 30);
    TxtZoomY_Change(s, "2");
    CmbColorScheme_Click(s, 1);
    mnuSimulDisplayMode_Click(s, 2);
    EXPECT_EQ(shell.redraws, 0);
    EXPECT_EQ(shell.histogramRedraws, 0);
    EXPECT_FLOAT_EQ(s.plot.ZoomX, 2.0f);
    EXPECT_EQ(s.plot.DisplayMode, 2);
}

TEST(PlotWindow, LayoutAndLoadDefaults) {
    AppState s;
    s.exp.Multiply = 3.0f;
    s.pop.SpinFactor = 0.9f;
    s.plot.ZoomY = 4.0f;
    frmSimulation_Load(s);
    EXPECT_FLOAT_EQ(s.plot.ZoomY, 1.0f);
    EXPECT_EQ(s.plot.HideResiduals, 1);
    EXPECT_FLOAT_EQ(s.exp.Multiply, 1.0f);
    EXPECT_FLOAT_EQ(s.pop.SpinFactor, 0.5f);
    const PlotWindowLayout l = frmSimulation_Resize(s, 9000, 6000);
    EXPECT_EQ(l.plotWidth, 8600);
    EXPECT_EQ(l.plotHeight, 5400);
    EXPECT_EQ(l.axisTop, l.plotTop + 5400);
    EXPECT_EQ(l.axisWidth - l.plotWidth, 350);
    EXPECT_EQ(l.axisHeight, 500);
}

TEST(PlotWindow, ColourSchemePopupAndReadout) {
    AppState s = Flat(3000, 3100, 3);
    CountingShell shell;
    s.ui = &shell;
    CmbColorScheme_Click(s, 1);
    EXPECT_EQ(s.plot.BackColorIndex, 0);
    EXPECT_EQ(s.plot.ForeColorIndex, 15);
    EXPECT_EQ(shell.redraws, 1);
    EXPECT_EQ(shell.histogramRedraws, 1);

    PopupMenuMarks m = mnuSimul_Open(s);
    EXPECT_TRUE(m.dark);
    EXPECT_FALSE(m.light);
    EXPECT_TRUE(m.displayMode[0]);
    EXPECT_FALSE(m.comparisonEnabled);  // no experimental file
    EXPECT_EQ(mnuColorScheme_Click(s, 0), 0);
    EXPECT_EQ(s.plot.BackColorIndex, 15);
    mnuSimulDisplayMode_Click(s, 1);
    mnuSimulComparisonMode_Click(s, 1);
    mnuSimulComparisonResiduals_Click(s);
    MakeExperiment(s, 3000, 3100, 10, [](double) { return 1.0; });
    m = mnuSimul_Open(s);
    EXPECT_TRUE(m.displayMode[1]);
    EXPECT_FALSE(m.displayMode[0]);
    EXPECT_TRUE(m.comparisonEnabled);
    EXPECT_TRUE(m.residuals);
    EXPECT_EQ(s.plot.ComparisonMode, 1);

    PicSimulation_MouseMove(s, 3064.5, 12.25);
    EXPECT_TRUE(s.plot.LblCoordinatesVisible);
    EXPECT_EQ(s.plot.LblCoordinates, "x= 3064.500, y=  12.250");
    PicSimulation_MouseLeave(s);
    EXPECT_FALSE(s.plot.LblCoordinatesVisible);
}

}  // namespace
}  // namespace velmora::display
