// Zoom and shift by mouse and keyboard on the plot: the wheel zooms about the pointer, a dragged
// rectangle becomes the view, a double click resets, and keys zoom and shift the plot that has
// the focus. Each gesture sets the same zoom and shift controls as the boxes and the slider.
#pragma once

#include "display/plot_view.h"

namespace velmora::display {

/// Largest horizontal and vertical zoom factors the gestures reach.
inline constexpr double kMaxGestureZoom = 10000.0;
/// Zoom factor of one wheel notch or one zoom key.
inline constexpr double kZoomStep = 1.25;
/// Part of the view width that one arrow key shifts it by.
inline constexpr double kShiftStep = 0.1;

/// Sets the horizontal zoom (0.1 .. kMaxGestureZoom) and the view centre (clamped into the
/// simulation range), with the zoom box, its up-down control and the slider following; redraws.
void SetHorizontalView(PlotView s, double zoom, double centre);
/// Sets the vertical zoom (0.1 .. kMaxGestureZoom), with the zoom box and its up-down control; redraws.
void SetVerticalZoom(PlotView s, double zoom);

/// Mouse wheel over the plot at x: each notch away from the user zooms in by kZoomStep, each
/// notch towards the user zooms out; the point under the pointer stays where it is.
void PicSimulation_Wheel(PlotView s, double x, double notches);
/// A rectangle dragged on the plot from (x0, y0) to (x1, y1): the view shows its x range, and its
/// upper edge (when above the baseline) becomes full scale. A rectangle of no width does nothing.
void PicSimulation_ZoomTo(PlotView s, double x0, double y0, double x1, double y1);
/// Double click on the plot: back to the whole range at zoom 1, as "Reset Zoom".
void PicSimulation_DblClick(PlotView s);

/// Keys on the focused plot.
enum class PlotKey {
    ZoomIn,    ///< '+': horizontal zoom in about the view centre
    ZoomOut,   ///< '-'
    Left,      ///< arrow left: the view moves to smaller x
    Right,     ///< arrow right: to larger x
    ZoomInY,   ///< arrow up: vertical zoom in
    ZoomOutY,  ///< arrow down
};
void PicSimulation_KeyDown(PlotView s, PlotKey key);

}  // namespace velmora::display
