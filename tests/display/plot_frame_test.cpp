#include "display/plot_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "display/plot_fixture.h"
#include "support/scripted_dialogs.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

AppState Flat(double xini, double xend, int units) {
    AppState s;
    s.sim.conditions.unit = s.sim.result.conditions.unit = simulation::StoredMode<simulation::AxisUnit>(units);
    MakeSimulation(s, xini, xend, 200, {1.0}, [](int, double) { return 1.0; });
    return s;
}

TEST(ColorScheme, EverySurfaceOfTheDarkPlotIsDarkAndEveryTraceAndLegendReadsOnIt) {
    // Contours of five levels, an experimental trace, the legend and both axis strips.
    for (int mode : {0, 1}) {
        AppState s;
        MakeSimulation(s, 3050, 3150, 200, {0.4, 0.3, 0.15, 0.1, 0.05},
                       [](int k, double x) { return std::exp(-std::pow((x - 3060 - 15 * k) / 4, 2)); });
        MakeExperiment(s, 3050, 3150, 100, [](double x) { return 50 + 0.1 * (x - 3050); });
        s.plot.DisplayMode = mode;
        s.plot.intColor = 1;
        ScreenCanvases c;
        RedrawPlot(s, c.plot, c.axis, c.yAxis);
        const Rgb black{0, 0, 0};
        for (const RecordingCanvas* surface : {&c.plot, &c.axis, &c.yAxis}) {
            ASSERT_FALSE(surface->Of(Primitive::Clear).empty());
            EXPECT_EQ(surface->Of(Primitive::Clear).front().color, black);
        }
        int legend = 0;
        for (const RecordingCanvas* surface : {&c.plot, &c.axis, &c.yAxis})
            for (const Primitive& p : surface->items) {
                if (p.kind != Primitive::Line && p.kind != Primitive::Text && p.kind != Primitive::TextUp) continue;
                legend += p.text == "Exp." || p.text == "Sim." || p.text.rfind("v' =", 0) == 0;
                EXPECT_GE(ContrastRatio(p.color, black), kPlotContrast) << mode << " '" << p.text << "'";
            }
        EXPECT_EQ(legend, mode == 0 ? 2 : 6);
    }
    // The light scheme keeps the palette: the simulated trace in magenta, the spectrum in cyan.
    AppState s;
    MakeSimulation(s, 3050, 3150, 200, {1.0}, [](int, double) { return 1.0; });
    MakeExperiment(s, 3050, 3150, 100, [](double) { return 50.0; });
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    EXPECT_EQ(c.plot.Of(Primitive::Clear).front().color, PaletteColor(15));
    for (int index : {5, 3}) {
        const auto lines = c.plot.Of(Primitive::Line);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const Primitive& p) {
            return p.color == PaletteColor(index);
        })) << index;
    }
}

TEST(AxisTicks, EveryViewFromHalfAnAngstromToTenThousandShowsFourToTwelveLabels) {
    struct Case {
        double xini, xend;
        int units;
    };
    // The last four put a major tick a hair inside either end of the view, where a centred
    // label would run past the axis strip.
    const Case cases[] = {{3100, 3100.5, 1},   {3099, 3101, 2},    {3050, 3150, 1},   {2400, 3600, 1},
                          {3000, 8000, 2},     {1000, 11000, 1},   {32000, 32100, 3}, {25000, 45000, 3},
                          {305, 315, 4},       {308.9, 309.0, 5},  {3059.9, 3160, 1}, {3040, 3140.1, 1},
                          {31999.5, 32100, 3}, {299.99, 310.01, 4}};
    for (const Case& k : cases) {
        AppState s = Flat(k.xini, k.xend, k.units);
        ScreenCanvases c;
        RedrawPlot(s, c.plot, c.axis, c.yAxis);
        const auto labels = NumberTexts(c.axis);
        SCOPED_TRACE(Format(k.xini, "0.0") + ".." + Format(k.xend, "0.0"));
        ASSERT_GE(labels.size(), 4u);
        EXPECT_LE(labels.size(), 12u);
        // Evenly spaced by 1, 2 or 5 times a power of ten, each on a major tick inside the view.
        const double step = Val(labels[1]) - Val(labels[0]);
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6)
            << step;
        // Every label whole inside the axis strip.
        for (const Primitive& t : c.axis.Of(Primitive::Text)) {
            EXPECT_GE(t.x1, c.axis.left) << t.text;
            EXPECT_LE(t.x1 + c.axis.TextWidth(t.text), c.axis.right) << t.text;
        }
        const auto majors = TickXs(c.plot, -5.0, 2.5);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_NEAR(Val(labels[i]) - Val(labels[0]), static_cast<double>(i) * step, 1e-6 * step);
            EXPECT_TRUE(std::any_of(majors.begin(), majors.end(),
                                    [&](double x) { return std::fabs(x - Val(labels[i])) < 1e-6 * step; }));
            EXPECT_GT(Val(labels[i]), k.xini);
            EXPECT_LT(Val(labels[i]), k.xend);
        }
    }
}

TEST(AxisTicks, LabelsOfTheDefaultWindowsAndTheirMinorTicks) {
    // 100 Å on 800 px: a 6-character label is 42 px, 10 Å are 80 px (more than 1.6 labels).
    AppState s = Flat(3050, 3150, 1);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    EXPECT_EQ(NumberTexts(c.axis), (std::vector<std::string>{"3060.0", "3070.0", "3080.0", "3090.0", "3100.0", "3110.0",
                                                             "3120.0", "3130.0", "3140.0"}));
    EXPECT_EQ(TickXs(c.plot, -5.0, 1.5).size(), 49u);  // every 2 Å inside the window, at both edges
    EXPECT_EQ(TickXs(c.plot, 105.0, -1.5).size(), 49u);
    for (const auto& t : c.axis.Of(Primitive::Text)) {
        if (t.text != "3100.0") continue;
        EXPECT_NEAR(t.x1 + c.axis.TextWidth(t.text) / 2.0, 3100.0, 1e-9);  // centred on its tick
        EXPECT_DOUBLE_EQ(t.y1, 0.1);
    }
    EXPECT_EQ(c.axis.Texts().front(), "Wavelength (\xC3\x85) (Vacuum)");

    // 3 Å: 0.2 Å would be 53 px for a 42-px label; 0.5 Å steps, minor ticks every 0.1 Å.
    s = Flat(3050, 3053, 3);
    ScreenCanvases narrow;
    RedrawPlot(s, narrow.plot, narrow.axis, narrow.yAxis);
    EXPECT_EQ(NumberTexts(narrow.axis), (std::vector<std::string>{"3050.5", "3051.0", "3051.5", "3052.0", "3052.5"}));
    EXPECT_EQ(TickXs(narrow.plot, -5.0, 1.5).size(), 29u);
    EXPECT_EQ(s.plot.AxisCaption, "Wavenumber (cm-1)");
}

TEST(AxisTicks, LabelsTooCloseAreSkippedAndTinyWindowsGetNoTicks) {
    AppState s = Flat(3050, 3053, 1);
    // A narrow plot: even the coarsest steps leave labels closer than half a label width.
    RecordingCanvas plot(40, 300), axis(63, 33), yAxis(67, 300);
    RedrawPlot(s, plot, axis, yAxis);
    std::vector<double> lefts;
    for (const auto& t : axis.Of(Primitive::Text))
        if (IsNumeric(t.text)) lefts.push_back(t.x1);
    ASSERT_FALSE(lefts.empty());
    const double w = axis.TextWidth("3051.0");
    for (std::size_t i = 1; i < lefts.size(); ++i) EXPECT_GT(lefts[i], lefts[i - 1] + 1.5 * w);

    s = Flat(3050, 3050.00001, 1);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    EXPECT_TRUE(TickXs(c.plot, -5.0, 1.5).empty());
}

TEST(IntensityAxis, ScaleLabelsCaptionAndResidualStrip) {
    AppState s = Flat(3050, 3150, 1);
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    // 110 units on 400 px: steps of 10 would give 11 labels, 20 gives six.
    EXPECT_EQ(NumberTexts(c.yAxis), (std::vector<std::string>{"0", "20", "40", "60", "80", "100"}));
    for (const auto& t : c.yAxis.Of(Primitive::Text)) {
        EXPECT_LT(t.x1 + c.yAxis.TextWidth(t.text), 1.0);  // right-aligned inside the strip
        EXPECT_GT(t.x1, 0.0);
    }
    // Ticks inside both sides of the frame at the labelled heights (a minor and a major one).
    int left = 0, right = 0;
    for (const auto& l : c.plot.Of(Primitive::Line)) {
        if (l.y1 != l.y2 || std::fabs(l.y1 - 60.0) > 1e-9) continue;
        left += l.x1 == 3050.0 && l.x2 > 3050.0;
        right += l.x1 == 3150.0 && l.x2 < 3150.0;
    }
    EXPECT_EQ(left, 2);
    EXPECT_EQ(right, 2);
    const auto captions = c.yAxis.Of(Primitive::TextUp);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(captions[0].text, "Intensity (arb. units)");
    EXPECT_GT(captions[0].x1, 0.0);
    EXPECT_LT(captions[0].y1, 50.0);  // it reads upwards from below the middle

    s.plot.ZoomY = 2.0f;
    ScreenCanvases zoomed;
    RedrawPlot(s, zoomed.plot, zoomed.axis, zoomed.yAxis);
    EXPECT_EQ(NumberTexts(zoomed.yAxis), (std::vector<std::string>{"0", "10", "20", "30", "40", "50"}));

    // The residual strip carries its range in percent of full scale: here -8..+4 at zoom 2.
    MakeExperiment(s, 3050, 3150, 100, [](double x) { return x < 3100 ? 92.0 : 104.0; });
    s.plot.HideResiduals = 0;
    s.exp.ResidualScale = 0;
    ScreenCanvases strip;
    RedrawPlot(s, strip.plot, strip.axis, strip.yAxis);
    const auto texts = NumberTexts(strip.yAxis);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "4"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "-8"), texts.end());
}

TEST(PlotFrame, NothingIsDrawnWithoutASimulation) {
    AppState s = Flat(3050, 3150, 3);
    s.plot.PlotReady = false;
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    EXPECT_TRUE(c.plot.items.empty());
    EXPECT_TRUE(c.axis.items.empty());
}

TEST(PlotFrame, UserCoordinatesAndResidualHeadroom) {
    AppState s = Flat(3050, 3150, 3);
    s.plot.ZoomY = 2.0f;
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
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
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
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
    // The plot between the intensity strip (1000 twips) and a 200-twip margin, the axis strip
    // below it 175 twips wider on each side.
    const PlotWindowLayout l = frmSimulation_Resize(s, 9000, 6000);
    EXPECT_EQ(l.plotWidth, 7800);
    EXPECT_EQ(l.plotHeight, 5400);
    EXPECT_EQ(l.axisTop, l.plotTop + 5400);
    EXPECT_EQ(l.axisLeft, l.plotLeft - 175);
    EXPECT_EQ(l.axisWidth - l.plotWidth, 350);
    EXPECT_EQ(l.axisHeight, 500);
    EXPECT_EQ(l.yAxisLeft + l.yAxisWidth, l.plotLeft);
    EXPECT_EQ(l.yAxisTop, l.plotTop);
    EXPECT_EQ(l.yAxisHeight, l.plotHeight);
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
    ChkResiduals_Click(s, 0);  // the check box hides them again ...
    EXPECT_EQ(s.plot.HideResiduals, 1);
    ChkResiduals_Click(s, 1);  // ... and shows them
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
