#include "display/plot_zoom.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "display/plot_draw.h"
#include "display/plot_frame.h"

namespace velmora::display {

namespace {

/// The up-down controls step the zoom by halves: value = 2 x zoom, within their limits.
int UpDownValue(double zoom) { return std::clamp(static_cast<int>(std::lround(2.0 * zoom)), 1, 100); }

double ViewCentre(const PlotState& p) { return (static_cast<double>(p.ViewLeft) + p.ViewRight) / 2.0; }

}  // namespace

void SetHorizontalView(PlotView s, double zoom, double centre) {
    PlotState& p = s.plot;
    const ShownRange range = RangeShown(s);
    const double Xini = range.start, w = static_cast<double>(range.end) - Xini;
    if (!(w > 0.0) || !std::isfinite(zoom) || !std::isfinite(centre)) return;
    zoom = std::clamp(zoom, 0.1, kMaxGestureZoom);
    p.ZoomX = static_cast<float>(zoom);
    p.TxtZoomX = Trim(Str(p.ZoomX));
    p.UpDZoomX = UpDownValue(zoom);
    // Slider 0 centres the view on the range end, 100 on its start.
    p.SldX = static_cast<float>(std::clamp(100.0 * (1.0 - (centre - Xini) / w), 0.0, 100.0));
    RecomputeViewWindow(p, range.start, range.end);
    s.RequestRedraw();
}

void SetVerticalZoom(PlotView s, double zoom) {
    PlotState& p = s.plot;
    if (!std::isfinite(zoom)) return;
    p.ZoomY = static_cast<float>(std::clamp(zoom, 0.1, kMaxGestureZoom));
    p.TxtZoomY = Trim(Str(p.ZoomY));
    p.UpDZoomY = UpDownValue(p.ZoomY);
    s.RequestRedraw();
}

void PicSimulation_Wheel(PlotView s, double x, double notches) {
    const PlotState& p = s.plot;
    const double zoom = std::clamp(p.ZoomX * std::pow(kZoomStep, notches), 0.1, kMaxGestureZoom);
    // x keeps its place: its distance from the centre shrinks with the width of the view.
    const double centre = x - (x - ViewCentre(p)) * p.ZoomX / zoom;
    SetHorizontalView(s, zoom, centre);
}

void PicSimulation_ZoomTo(PlotView s, double x0, double y0, double x1, double y1) {
    const ShownRange shown = RangeShown(s);
    const double width = std::fabs(x1 - x0), range = static_cast<double>(shown.end) - shown.start;
    if (!(width > 0.0) || !(range > 0.0)) return;
    SetHorizontalView(s, range / width, (x0 + x1) / 2.0);
    // Heights are percent of full scale, and full scale sits at 100 / ZoomY.
    const double top = std::max(y0, y1);
    if (top > 0.0) SetVerticalZoom(s, 100.0 / top);
}

void PicSimulation_DblClick(PlotView s) { CmdResetZoom_Click(s); }

void PicSimulation_KeyDown(PlotView s, PlotKey key) {
    const PlotState& p = s.plot;
    const double width = static_cast<double>(p.ViewRight) - p.ViewLeft;
    switch (key) {
        case PlotKey::ZoomIn:
            SetHorizontalView(s, p.ZoomX * kZoomStep, ViewCentre(p));
            break;
        case PlotKey::ZoomOut:
            SetHorizontalView(s, p.ZoomX / kZoomStep, ViewCentre(p));
            break;
        case PlotKey::Left:
            SetHorizontalView(s, p.ZoomX, ViewCentre(p) - kShiftStep * width);
            break;
        case PlotKey::Right:
            SetHorizontalView(s, p.ZoomX, ViewCentre(p) + kShiftStep * width);
            break;
        case PlotKey::ZoomInY:
            SetVerticalZoom(s, p.ZoomY * kZoomStep);
            break;
        case PlotKey::ZoomOutY:
            SetVerticalZoom(s, p.ZoomY / kZoomStep);
            break;
    }
}

}  // namespace velmora::display
