#include "display/plot_content.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "display/plot_fixture.h"
#include "display/plot_frame.h"
#include "support/scripted_dialogs.h"
#include "table/catalogue_fixture.h"

namespace velmora::display {
namespace {

using namespace velmora::testing;

/// A plot context on one recording canvas with the given column width.
struct Surface {
    RecordingCanvas canvas{800, 400};
    PlotContext ctx{canvas, canvas};
    explicit Surface(const AppState& s, double columnWidth = 0.0) {
        canvas.SetScale(s.plot.ViewLeft, 105.0, s.plot.ViewRight, -5.0);
        ctx.columnWidth = columnWidth;
    }
};

std::vector<Primitive> LinesOfColor(const RecordingCanvas& c, int palette) {
    std::vector<Primitive> out;
    for (const auto& p : c.Of(Primitive::Line))
        if (p.color == PaletteColor(palette)) out.push_back(p);
    return out;
}

TEST(Legend, RowsPerLevelAndExperiment) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 100, {0.5, 0.3, 0.2}, [](int, double) { return 1.0; });
    MakeExperiment(s, 3050, 3150, 50, [](double) { return 10.0; });
    s.plot.DisplayMode = 1;
    s.pop.PopState = ElectronicState::Upper;
    Surface out(s);
    DrawLegend(s, out.ctx, 5, 3);
    const auto texts = out.canvas.Of(Primitive::Text);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text, "v' = 0");
    EXPECT_EQ(texts[2].text, "v' = 2");
    EXPECT_EQ(texts[3].text, "Exp.");
    const double h = out.canvas.TextHeight("1"), top = 100.0 - 0.2 * h;
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(texts[static_cast<std::size_t>(k)].y1, top - (k + 1) * h, 1e-9);
    EXPECT_EQ(texts[1].color, PaletteColor(10));  // level 2 in the light scheme
    EXPECT_EQ(texts[3].color, PaletteColor(3));
    // Box right of 89 % of the view, 6.7 characters wide, rows + 1.9 lines high.
    const auto boxes = out.canvas.Of(Primitive::Box);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NEAR(boxes[0].x1, 3050.0 + 89.0, 1e-9);
    EXPECT_NEAR(boxes[0].x2 - boxes[0].x1, 6.7 * out.canvas.TextWidth("A"), 1e-9);
    EXPECT_NEAR(boxes[0].y2, 100.0 - 5.9 * h, 1e-9);

    s.sim.result.conditions.kind = simulation::SpectrumKind::Absorption;  // the lower state populated
    s.exp.ShowSpectra = 0;
    s.plot.LegendPosition = 2;
    Surface lower(s);
    DrawLegend(s, lower.ctx, 5, 3);
    EXPECT_EQ(lower.canvas.Texts(), (std::vector<std::string>{"v'' = 0", "v'' = 1", "v'' = 2"}));
    EXPECT_NEAR(lower.canvas.Of(Primitive::Box)[0].x1, 3051.0, 1e-9);
}

TEST(Legend, TotalModeOnlyWithAnExperimentalTrace) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 100, {1.0}, [](int, double) { return 1.0; });
    Surface none(s);
    DrawLegend(s, none.ctx, 5, 3);
    EXPECT_TRUE(none.canvas.items.empty());
    MakeExperiment(s, 3050, 3150, 50, [](double) { return 10.0; });
    Surface with(s);
    DrawLegend(s, with.ctx, 2, 3);
    EXPECT_EQ(with.canvas.Texts(), (std::vector<std::string>{"Exp.", "Sim."}));
    EXPECT_EQ(with.canvas.Of(Primitive::Text)[1].color, PaletteColor(2));
}

/// Zero line of the residual strip (the black line across the view).
double ZeroLine(const RecordingCanvas& c, const AppState& s) {
    for (const auto& p : LinesOfColor(c, 0))
        if (p.y1 == p.y2 && p.x1 == s.plot.ViewLeft && p.x2 == s.plot.ViewRight) return p.y1;
    return NAN;
}

TEST(ResidualStrip, RangeAlwaysContainsZero) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 100, {1.0}, [](int, double) { return 1.0; });
    MakeExperiment(s, 3050, 3150, 40, [](double) { return 10.0; });
    s.plot.HideResiduals = 0;
    s.exp.ResidualScale = 0;                                            // auto
    for (int i = 0; i <= 40; ++i) s.exp.Residual(i) = 2.0f + 0.1f * i;  // all positive
    Surface pos(s);
    DrawResidualStrip(s, pos.ctx);
    EXPECT_NEAR(ZeroLine(pos.canvas, s), 105.0, 1e-9);  // zero at the bottom of the strip
    // The strip: grey box 105..125, framed.
    const auto fills = pos.canvas.Of(Primitive::FilledBox);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].color, (Rgb{200, 200, 200}));
    EXPECT_NEAR(fills[0].y2, 125.0, 1e-9);
    for (int i = 0; i <= 40; ++i) s.exp.Residual(i) = -1.0f - 0.1f * i;  // all negative
    Surface neg(s);
    DrawResidualStrip(s, neg.ctx);
    EXPECT_NEAR(ZeroLine(neg.canvas, s), 125.0, 1e-9);
    for (int i = 0; i <= 40; ++i) s.exp.Residual(i) = 0.0f;  // all zero: zero in the middle
    Surface zero(s);
    DrawResidualStrip(s, zero.ctx);
    EXPECT_NEAR(ZeroLine(zero.canvas, s), 115.0, 1e-9);
    for (const auto& p : zero.canvas.Of(Primitive::Line)) EXPECT_TRUE(std::isfinite(p.y1) && std::isfinite(p.y2));
}

TEST(ResidualStrip, FixedScaleClipsTheResiduals) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 100, {1.0}, [](int, double) { return 1.0; });
    MakeExperiment(s, 3050, 3150, 10, [](double) { return 10.0; });
    s.plot.HideResiduals = 0;
    s.plot.ZoomY = 2.0f;
    s.exp.ResidualScale = 5;
    s.exp.Residual(3) = 30.0f;
    s.exp.Residual(4) = -1.0f;
    Surface out(s);
    DrawResidualStrip(s, out.ctx);
    EXPECT_FLOAT_EQ(s.exp.Residual(3), 2.5f);  // 5 % / zoom 2
    EXPECT_FLOAT_EQ(s.exp.Residual(4), -1.0f);
    EXPECT_NEAR(ZeroLine(out.canvas, s), (10.0 + 105.0) / 2.0, 1e-9);
    // Nothing without residuals shown.
    s.plot.HideResiduals = 1;
    Surface hidden(s);
    DrawResidualStrip(s, hidden.ctx);
    EXPECT_TRUE(hidden.canvas.items.empty());
}

TEST(Layouts, SeparatedWithoutExperimentKeepsTheLowerHalfEmpty) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 100, {1.0}, [&](int k, double x) { return Lines(k, x, 3050, 3150); });
    s.plot.ComparisonMode = 1;
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    const auto fills = c.plot.Of(Primitive::FilledBox);
    ASSERT_FALSE(fills.empty());
    EXPECT_DOUBLE_EQ(fills[0].y1, 50.0);
    EXPECT_DOUBLE_EQ(fills[0].y2, 105.0);
    EXPECT_EQ(fills[0].color, PaletteColor(15));
    bool separator = false;
    for (const auto& p : c.plot.Of(Primitive::Line))
        if (p.y1 == 50.0 && p.y2 == 50.0 && p.x1 == 3050.0 && p.x2 == 3150.0) separator = true;
    EXPECT_TRUE(separator);
    const auto trace = LinesOfColor(c.plot, 2);
    ASSERT_FALSE(trace.empty());
    double lo = 1e9, hi = -1e9;
    for (const auto& p : trace) lo = std::min({lo, p.y1, p.y2}), hi = std::max({hi, p.y1, p.y2});
    EXPECT_NEAR(lo, 54.0, 0.01);
    EXPECT_NEAR(hi, 102.0, 0.01);
    // Ticks of the two halves (no labels beyond those of the axis strip).
    EXPECT_FALSE(TickXs(c.plot, 50.0, -1.5).empty());
    EXPECT_FALSE(TickXs(c.plot, 50.0, 1.5).empty());
    EXPECT_FLOAT_EQ(s.plot.TraceScale, 0.48f);
}

TEST(Layouts, OverlappedDrawsSimulationThenExperiment) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 100, {1.0}, [&](int k, double x) { return Lines(k, x, 3050, 3150); });
    MakeExperiment(s, 3050, 3150, 60, [](double x) { return 40.0 + 0.1 * (x - 3050); });
    ScreenCanvases c;
    RedrawPlot(s, c.plot, c.axis, c.yAxis);
    std::size_t lastSim = 0, firstExp = c.plot.items.size();
    for (std::size_t i = 0; i < c.plot.items.size(); ++i) {
        if (c.plot.items[i].kind != Primitive::Line) continue;
        if (c.plot.items[i].color == PaletteColor(5)) lastSim = i;
        if (c.plot.items[i].color == PaletteColor(3)) firstExp = std::min(firstExp, i);
    }
    EXPECT_LT(lastSim, firstExp);
    EXPECT_EQ(LinesOfColor(c.plot, 3).size(), 60u);
    EXPECT_FLOAT_EQ(s.plot.TraceScale, 1.0f);
}

TEST(Traces, ContoursAndAreasOmitNegligibleLevels) {
    AppState s;
    // Level 2 is 1e-4 of level 1 everywhere: below 0.002 of the full scale.
    MakeSimulation(s, 3050, 3150, 20, {1.0, 1.0}, [](int k, double) { return k == 1 ? 50.0 : 0.0005; });
    s.plot.DisplayMode = 1;
    Surface contours(s);
    DrawSimulation(s, contours.ctx, 5, false);
    EXPECT_EQ(LinesOfColor(contours.canvas, LevelColor(s.plot, 1)).size(), 20u);
    EXPECT_TRUE(LinesOfColor(contours.canvas, LevelColor(s.plot, 2)).empty());
    s.plot.DisplayMode = 2;
    s.plot.UnitsPerPixel = 100.0f / 800.0f;
    Surface areas(s);
    DrawSimulation(s, areas.ctx, 5, false);
    EXPECT_FALSE(LinesOfColor(areas.canvas, LevelColor(s.plot, 1)).empty());
    EXPECT_TRUE(LinesOfColor(areas.canvas, LevelColor(s.plot, 2)).empty());
}

TEST(Traces, AreasFillPixelColumnsOnlyForWideIntervals) {
    AppState s;
    MakeSimulation(s, 3050, 3150, 10, {1.0}, [](int, double) { return 1.0; });
    s.plot.DisplayMode = 2;
    // 10 px per interval: edges plus one stroke per column.
    s.plot.UnitsPerPixel = 1.0f;
    Surface wide(s);
    DrawSimulation(s, wide.ctx, 5, false);
    const auto strokes = wide.canvas.Of(Primitive::Line);
    EXPECT_GE(strokes.size(), 100u);
    for (const auto& p : strokes) {
        EXPECT_DOUBLE_EQ(p.x1, p.x2);
        EXPECT_NEAR(p.y1, 0.0, 1e-9);
        EXPECT_NEAR(p.y2, 100.0, 1e-4);
    }
    // 1 px per interval: only the two edges of each interval.
    s.plot.UnitsPerPixel = 10.0f;
    Surface narrow(s);
    DrawSimulation(s, narrow.ctx, 5, false);
    EXPECT_EQ(narrow.canvas.Of(Primitive::Line).size(), 20u);
}

TEST(Traces, NoisyTraceStartsAtTheNoiselessValueOfTheFirstVisiblePoint) {
    AppState s;
    MakeSimulation(s, 3000, 3100, 1000, {1.0}, [](int, double x) { return 10.0 + 0.5 * (x - 3000); });
    s.sim.NoiseLevel = 20.0f;
    TxtZoomX_Change(s, "4");  // view 3037.5 .. 3062.5
    Surface out(s);
    DrawSimulation(s, out.ctx, 5, false);
    const auto lines = out.canvas.Of(Primitive::Line);
    ASSERT_FALSE(lines.empty());
    // The first interval whose right end lies inside the view.
    int first = 0;
    auto x = [&](int i) {
        return s.sim.result.grid.start +
               static_cast<double>(i) * s.sim.result.grid.gridWidth / s.sim.result.grid.pointsPerWidth;
    };
    while (!(x(first + 1) > s.plot.ViewLeft)) ++first;
    EXPECT_NEAR(first, 375, 1);
    EXPECT_DOUBLE_EQ(lines[0].x1, x(first));
    EXPECT_DOUBLE_EQ(lines[0].y1, s.sim.result.total(first));
    // The noisy trace is joined: each segment starts where the previous one ended.
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_DOUBLE_EQ(lines[i].x1, lines[i - 1].x2);
        EXPECT_DOUBLE_EQ(lines[i].y1, lines[i - 1].y2);
    }
    bool noisy = false;
    for (const auto& p : lines) noisy |= std::fabs(p.y2 - s.sim.result.total(RoundHalfEven((p.x2 - 3000) * 10))) > 0.5;
    EXPECT_TRUE(noisy);
}

/// Vertical extent covered by the lines in each pixel column of a canvas.
std::map<long long, std::pair<double, double>> ColumnCoverage(const RecordingCanvas& c, double left, double width) {
    std::map<long long, std::pair<double, double>> cov;
    auto add = [&](long long col, double y) {
        auto it = cov.find(col);
        if (it == cov.end())
            cov[col] = {y, y};
        else
            it->second = {std::min(it->second.first, y), std::max(it->second.second, y)};
    };
    for (const auto& p : c.Of(Primitive::Line)) {
        const long long c0 = static_cast<long long>(std::floor((std::min(p.x1, p.x2) - left) / width));
        const long long c1 = static_cast<long long>(std::floor((std::max(p.x1, p.x2) - left) / width));
        for (long long col = c0; col <= c1; ++col) {
            // The part of the segment inside this column.
            const double xa = std::max(std::min(p.x1, p.x2), left + col * width);
            const double xb = std::min(std::max(p.x1, p.x2), left + (col + 1) * width);
            auto yAt = [&](double x) {
                return p.x1 == p.x2 ? p.y1 : p.y1 + (p.y2 - p.y1) * (x - p.x1) / (p.x2 - p.x1);
            };
            if (p.x1 == p.x2) {
                add(col, p.y1);
                add(col, p.y2);
            } else {
                add(col, yAt(xa));
                add(col, yAt(xb));
            }
        }
    }
    return cov;
}

TEST(Traces, MillionPointTraceIsMergedPerPixelColumnWithoutChangingWhatIsSeen) {
    AppState s;
    const int n = 1000000;
    MakeSimulation(s, 3000, 3200, n, {1.0}, [](int, double x) {
        return 1.0 + std::fabs(std::sin(x * 7.3)) * std::exp(-std::pow((x - 3100) / 40, 2)) + 0.3 * std::sin(x * 310.0);
    });
    const double width = 200.0 / 800.0;
    Surface merged(s, width), plain(s, 0.0);
    DrawSimulation(s, merged.ctx, 5, false);
    EXPECT_LE(merged.canvas.items.size(), 3u * 800u);
    DrawSimulation(s, plain.ctx, 5, false);
    EXPECT_EQ(plain.canvas.items.size(), static_cast<std::size_t>(n));
    const auto a = ColumnCoverage(merged.canvas, 3000.0, width), b = ColumnCoverage(plain.canvas, 3000.0, width);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [col, range] : b) {
        ASSERT_TRUE(a.count(col)) << col;
        EXPECT_NEAR(a.at(col).first, range.first, 1e-6) << col;
        EXPECT_NEAR(a.at(col).second, range.second, 1e-6) << col;
    }
}

// ---- Assignment combs -----------------------------------------------------------------------

TEST(VibrationalCombs, TeethAtTheBandOriginsInTheDisplayUnit) {
    AppState s;
    MakeCatalogue(s, 0, 1, 20, 1, 2);
    MakeSimulation(s, 3000, 3300, 300, {1.0}, [](int, double) { return 1.0; });
    s.sim.conditions.unit = s.sim.result.conditions.unit = simulation::AxisUnit::AngstromVacuum;
    s.pop.PopState = ElectronicState::Upper;  // v' = 0 fixed, v'' = 0..2
    s.db.BandData(4, 0, 0) = 32500.0f;        // 3076.9 Å
    s.db.BandData(4, 0, 1) = 0.0f;            // band without origin
    s.db.BandData(4, 0, 2) = 31000.0f;        // 3225.8 Å
    s.plot.ShowAssignment = 1;
    Surface out(s, 300.0 / 800.0);
    DrawAssignments(s, out.ctx);
    const auto teeth = TickXs(out.canvas, 96.0, 3.0);  // from 102 - 6k up to 105 - 6k, k = 1
    ASSERT_EQ(teeth.size(), 2u);
    EXPECT_NEAR(teeth[0], 1e8 / 32500.0, 1e-6);
    EXPECT_NEAR(teeth[1], 1e8 / 31000.0, 1e-6);
    EXPECT_EQ(out.canvas.Texts(), (std::vector<std::string>{"(0,0)", "(0,2)"}));
    EXPECT_NEAR(out.canvas.Of(Primitive::Text)[0].x1, 1e8 / 32500.0 + 300.0 / 800.0, 1e-6);
    EXPECT_DOUBLE_EQ(out.canvas.Of(Primitive::Text)[0].y1, 99.0);
    // The back joins the teeth at height 99.
    bool back = false;
    for (const auto& p : out.canvas.Of(Primitive::Line))
        back |= p.y1 == 99.0 && p.y2 == 99.0 && std::fabs(p.x2 - 1e8 / 31000.0) < 1e-6;
    EXPECT_TRUE(back);
}

/// A Π–Π system with rotational lines of branch b at position base + step x N (cm-1).
AppState PiPiLines(double xini, double xend) {
    AppState s;
    MakeCatalogue(s, 1, 1, 30, 1, 1);
    MakeSimulation(s, xini, xend, 1000, {1.0}, [](int, double) { return 1.0; });
    s.sim.conditions.unit = s.sim.result.conditions.unit = simulation::AxisUnit::Wavenumber;
    MarkBandLoaded(s, 0, 0, 30);
    s.db.MolConst(2, 0, 1) = 18.5f;    // B''
    s.db.MolConst(2, 0, 6) = -139.0f;  // A'': case (b)-like, rows from Λ'' = 1
    s.plot.ShowAssignment = 1;
    s.plot.AssignmentMode = 1;
    return s;
}

TEST(RotationalCombs, TeethTurnAtTheBandHeadAndLabelsNeverOverlap) {
    AppState s = PiPiLines(32000, 32600);
    // Branch 5: a head near N = 10 (positions rise, then fall back); other branches dense.
    for (int N = 1; N <= 25; ++N) {
        s.db.LineData(4, 5, N) = static_cast<float>(32300.0 + 20.0 * N - 1.0 * N * N);
        s.db.LineData(4, 1, N) = static_cast<float>(32290.0 - 11.0 * N);
        s.db.LineData(4, 13, N) = static_cast<float>(32291.0 - 11.0 * N);
    }
    s.table.nomenclature = 0;
    Surface out(s, 600.0 / 800.0);
    DrawAssignments(s, out.ctx);
    const double Y5 = 6.0 * (17 - 5);
    const auto up = TickXs(out.canvas, Y5, -3.0), down = TickXs(out.canvas, Y5, 3.0);
    EXPECT_EQ(up.size(), 10u);    // N = 1..10 before the head
    EXPECT_EQ(down.size(), 15u);  // after the head the teeth point the other way
    // Labels: first one with the branch name in colour 9, and no two printed labels of the
    // same direction overlap.
    const auto texts = out.canvas.Of(Primitive::Text);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0].text, "P1(1)");
    EXPECT_EQ(texts[0].color, PaletteColor(9));
    const double h = out.canvas.TextHeight("1");
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            const double ai = texts[i].x1, bi = ai + out.canvas.TextWidth(texts[i].text);
            const double aj = texts[j].x1, bj = aj + out.canvas.TextWidth(texts[j].text);
            const bool vertical = texts[i].y1 - h < texts[j].y1 && texts[j].y1 - h < texts[i].y1;
            EXPECT_FALSE(ai < bj && aj < bi && vertical) << texts[i].text << " / " << texts[j].text;
        }
    // Branch 13 runs 1 cm-1 beside branch 1 on the same row: its labels are left out.
    EXPECT_LT(texts.size(), 25u + 25u + 25u);
}

TEST(RotationalCombs, CaseAJLabelsOfTheSecondBranchSet) {
    AppState s = PiPiLines(32000, 33000);
    // One line per branch, far apart so every label prints.
    for (int b = 1; b <= 24; ++b) s.db.LineData(4, b, 5) = static_cast<float>(32010.0 + 40.0 * b);
    s.table.nomenclature = 1;
    Surface out(s, 1000.0 / 800.0);
    DrawAssignments(s, out.ctx);
    std::map<double, std::string> byPosition;
    for (const auto& t : out.canvas.Of(Primitive::Text)) byPosition[t.x1 - 1000.0 / 800.0] = t.text;
    auto label = [&](int b) { return byPosition[32010.0 + 40.0 * b]; };
    // Branch sets mirror each other: 13, 15, 17, 22, 23, 24 have J = N + 1/2 like 1, 3, 5, 10, 11, 12.
    EXPECT_EQ(label(1), "P11(5.5)");
    EXPECT_EQ(label(2), "P22(4.5)");
    EXPECT_EQ(label(5), "R11(5.5)");
    for (int b : {13, 15, 17, 22, 23, 24}) EXPECT_EQ(label(b), "5.5") << b;
    for (int b : {14, 16, 18, 19, 20, 21}) EXPECT_EQ(label(b), "4.5") << b;
    // A branch chosen in the list: only that one.
    s.plot.BranchSelection = 17;
    Surface one(s, 1000.0 / 800.0);
    DrawAssignments(s, one.ctx);
    EXPECT_EQ(one.canvas.Texts(), (std::vector<std::string>{"5.5"}));
}

TEST(AssignmentEvents, ControlsStoreAndRedraw) {
    AppState s = PiPiLines(32000, 32600);
    CountingShell shell;
    s.ui = &shell;
    s.plot.ShowAssignment = 0;
    ChkShowAssignment_Click(s, 1);
    EXPECT_EQ(shell.redraws, 1);
    CmbAssignment_Click(s, 1);
    EXPECT_TRUE(s.plot.AssignBandControlsEnabled);
    EXPECT_EQ(shell.redraws, 2);
    CmbAssignment_Click(s, 0);
    EXPECT_FALSE(s.plot.AssignBandControlsEnabled);
    CmbUpperBand_Change(s, " 1");
    CmbLowerBand_Change(s, "0");
    EXPECT_EQ(s.plot.AssignVUpper, 1);
    EXPECT_EQ(s.plot.AssignVLower, 0);
    CmbRotationalBranches_Click(s, 3);
    EXPECT_EQ(s.plot.BranchSelection, 3);
    CmbLegend_Click(s, 1);
    EXPECT_EQ(s.plot.LegendPosition, 1);
    const int before = shell.redraws;
    ChkShowSpectra_Click(s, 0);  // no spectra loaded: no redraw
    EXPECT_EQ(shell.redraws, before);
    EXPECT_EQ(s.exp.ShowSpectra, 0);
}

}  // namespace
}  // namespace velmora::display
