#include "display/plot_frame.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "display/plot_draw.h"

namespace velmora::display {

void frmSimulation_Load(PlotView s) {
    s.plot.ZoomY = 1.0f;
    s.plot.HideResiduals = 1;
    s.exp.Multiply = 1.0f;
    s.pop.SpinFactor = 0.5f;
    s.sim.conditions.gate = simulation::GateMode::TotalIntegration;
}

PlotWindowLayout LayOutPlotWindow(int W, int H) {
    PlotWindowLayout l;
    l.plotWidth = std::max(0, W - l.plotLeft - 200);
    l.plotHeight = std::max(0, H - 600);
    l.axisTop = l.plotTop + l.plotHeight;
    l.axisLeft = l.plotLeft - 175;
    l.axisWidth = l.plotWidth + 350;
    l.yAxisTop = l.plotTop;
    l.yAxisWidth = l.plotLeft;
    l.yAxisHeight = l.plotHeight;
    return l;
}

PlotWindowLayout frmSimulation_Resize(PlotView s, int W, int H) {
    const PlotWindowLayout l = LayOutPlotWindow(W, H);
    s.RequestRedraw();
    return l;
}

void RedrawPlot(PlotView s, Canvas& plot, Canvas& axis, Canvas& yAxis) {
    PlotState& p = s.plot;
    if (!p.PlotReady) return;
    // Every surface of the screen plot follows the scheme, also when it was read from settings.
    ApplyColorScheme(p);
    p.YMax = 100.0f;
    const double ymax = p.YMax, zy = p.ZoomY;
    const double extra = ResidualHeadroom(s);

    plot.SetBackColor(Palette(p.BackColorIndex));
    plot.Clear();
    const int wpx = plot.WidthPixels();
    const double L = p.ViewLeft, R = p.ViewRight;
    p.PlotTop = static_cast<float>((1.05 * ymax + extra) / zy);
    p.PlotBottom = static_cast<float>(-0.05 * ymax / zy);
    plot.SetScale(L, p.PlotTop, R, p.PlotBottom);

    // The axis strip is wider than the plot; its x coordinates coincide with the plot's.
    const double span = std::fabs(R - L);
    const double f = wpx > 0 ? (static_cast<double>(axis.WidthPixels()) / wpx - 1.0) / 2.0 : 0.0;
    axis.SetScale(L - span * f, 0.0, R + span * f, 1.0);
    p.UnitsPerPixel = wpx > 0 ? static_cast<float>(span / wpx) : 0.0f;

    axis.SetBackColor(Palette(p.BackColorIndex));
    axis.Clear();
    p.AxisCaption = AxisCaption(RangeShown(s).units);
    const double centre = L + (R - L) / 2.0;
    axis.Text(centre - axis.TextWidth(p.AxisCaption) / 2.0, 0.5, p.AxisCaption, Palette(p.ForeColorIndex));

    const int hpx = plot.HeightPixels();
    PlotContext ctx{plot, axis};
    ctx.labelTop = 0.1;
    // Labels stay whole inside the axis strip, also at its ends.
    ctx.labelLimitStart = L - span * f;
    ctx.labelLimitEnd = R + span * f;
    ctx.columnWidth = p.UnitsPerPixel;
    ctx.rowHeight = hpx > 0 ? (p.PlotTop - p.PlotBottom) / hpx : 0.0;

    // The intensity strip spans x 0..1 and shares the plot's heights.
    yAxis.SetBackColor(Palette(p.BackColorIndex));
    yAxis.Clear();
    yAxis.SetScale(0.0, p.PlotTop, 1.0, p.PlotBottom);
    const int ywpx = yAxis.WidthPixels(), yhpx = yAxis.HeightPixels();
    ctx.yLabels = &yAxis;
    ctx.yLabelRight = 1.0 - 0.5 * yAxis.TextWidth("0");
    ctx.yLabelsAspect = ywpx > 0 && yhpx > 0 ? (1.0 / ywpx) / ((p.PlotTop - p.PlotBottom) / yhpx) : 0.0;
    DrawXAxisTicks(s, ctx, -0.05 * ymax, 1.05 * ymax, true);
    DrawPlotContent(s, ctx);
}

// ---- Zoom and shift -------------------------------------------------------------------------

std::string TxtZoomX_Change(PlotView s, std::string_view text) {
    s.plot.TxtZoomX = std::string(text);
    if (ApplyZoomXText(s.plot, text, RangeShown(s).start, RangeShown(s).end)) s.RequestRedraw();
    return s.plot.TxtZoomX;
}

std::string UpDZoomX_Change(PlotView s, int value) {
    s.plot.UpDZoomX = value;
    const float z = static_cast<float>(value) / 2.0f;
    if (z >= 0.1f) s.plot.ZoomX = z;
    std::string text = TxtZoomX_Change(s, Trim(Str(s.plot.ZoomX)));
    RecomputeViewWindow(s.plot, RangeShown(s).start, RangeShown(s).end);
    return text;
}

void SldX_Change(PlotView s, double value) {
    s.plot.SldX = static_cast<float>(std::clamp(value, 0.0, 100.0));
    RecomputeViewWindow(s.plot, RangeShown(s).start, RangeShown(s).end);
    s.RequestRedraw();
}

std::string TxtZoomY_Change(PlotView s, std::string_view text) {
    s.plot.TxtZoomY = std::string(text);
    if (!IsNumeric(text)) return s.plot.TxtZoomY;
    s.plot.ZoomY = static_cast<float>(Val(text));
    if (s.plot.ZoomY < 0.1f) s.plot.ZoomY = 1.0f;
    s.RequestRedraw();
    return s.plot.TxtZoomY;
}

std::string UpDZoomY_Change(PlotView s, int value) {
    s.plot.UpDZoomY = value;
    s.plot.ZoomY = static_cast<float>(value) / 2.0f;
    if (s.plot.ZoomY < 0.1f) s.plot.ZoomY = 1.0f;
    return TxtZoomY_Change(s, Trim(Str(s.plot.ZoomY)));
}

void CmdResetZoom_Click(PlotView s) {
    // The intermediate control changes must not redraw: hold PlotReady while setting them.
    const bool ready = s.plot.PlotReady;
    s.plot.PlotReady = false;
    SldX_Change(s, 50);
    UpDZoomY_Change(s, 2);
    UpDZoomX_Change(s, 2);
    s.plot.PlotReady = ready;
    s.RequestRedraw();
}

// ---- Colour scheme and popup menu -----------------------------------------------------------

void CmbColorScheme_Click(PlotView s, int index) {
    s.plot.intColor = index == 1 ? 1 : 0;
    ApplyColorScheme(s.plot);
    if (s.plot.PlotReady) {
        s.RequestRedraw();
        s.ui->RedrawHistograms();
    }
}

PopupMenuMarks mnuSimul_Open(PlotView s) {
    PopupMenuMarks m;
    for (int i = 0; i < 3; ++i) m.displayMode[i] = s.plot.DisplayMode == i;
    m.light = s.plot.intColor == 0;
    m.dark = !m.light;
    m.comparisonEnabled = !s.exp.CurrentFilePath.empty();
    m.residuals = s.plot.HideResiduals == 0;
    return m;
}

void mnuSimulDisplayMode_Click(PlotView s, int index) {
    s.plot.DisplayMode = std::clamp(index, 0, 2);
    s.RequestRedraw();
}

void mnuSimulComparisonMode_Click(PlotView s, int index) {
    s.plot.ComparisonMode = std::clamp(index, 0, 1);
    s.RequestRedraw();
}

int mnuColorScheme_Click(PlotView s, int index) {
    CmbColorScheme_Click(s, index);
    return s.plot.intColor;
}

void ChkResiduals_Click(PlotView s, int value) {
    s.plot.HideResiduals = value != 0 ? 0 : 1;
    s.RequestRedraw();
}

void mnuSimulComparisonResiduals_Click(PlotView s) {
    s.plot.HideResiduals = s.plot.HideResiduals == 0 ? 1 : 0;
    s.RequestRedraw();
}

void CmbView_Click(PlotView s, int index) { mnuSimulDisplayMode_Click(s, index); }
void CmbComparison_Click(PlotView s, int index) { mnuSimulComparisonMode_Click(s, index); }

// ---- Pointer read-out -----------------------------------------------------------------------

std::string PointerReadout(double x, double y) {
    return "x= " + Format(x, "#####0.000") + ", y= " + Format(y, " ##0.000");
}

void PicSimulation_MouseMove(PlotView s, double x, double y) {
    s.plot.LblCoordinates = PointerReadout(x, y);
    s.plot.LblCoordinatesVisible = true;
}

void PicSimulation_MouseLeave(PlotView s) { s.plot.LblCoordinatesVisible = false; }

}  // namespace velmora::display
