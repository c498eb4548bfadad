// The pieces of the spectrum picture, drawn onto any surface: the screen plot, a printed page or
// the clipboard picture. RedrawPlot, the print layouts and the clipboard copy share them.
#pragma once

#include <limits>
#include <string>

#include "common/canvas.h"
#include "display/plot_view.h"

namespace velmora::display {

/// Where and how one picture of the spectrum is drawn.
struct PlotContext {
    Canvas& plot;           ///< frame, ticks and content, in the plot's user coordinates
    Canvas& labels;         ///< surface of the tick labels (the axis strip, or `plot` itself)
    double labelTop = 0.1;  ///< y of the top of the tick labels on `labels`
    /// A tick label is printed only when its left edge lies beyond this (and beyond the
    /// previous label's spacing limit) and its right edge before labelLimitEnd: the edges of
    /// the surface `labels`, so that no label is cut.
    double labelLimitStart = 0.0;
    double labelLimitEnd = std::numeric_limits<double>::infinity();
    /// Width of one device column in x units: traces are merged per column, areas filled per
    /// column, and labels sit one column to the right of their tooth.
    double columnWidth = 0.0;
    /// Height of one device row in y units (merging tolerance of vertical strokes).
    double rowHeight = 0.0;
    bool printing = false;  ///< printed page: areas with four strokes per interval, narrower legend
    /// Surface of the intensity labels and caption (the y-axis strip, or `plot` itself); none
    /// draws the intensity ticks without labels.
    Canvas* yLabels = nullptr;
    /// x on `yLabels` where the intensity labels end (they are right-aligned against it).
    double yLabelRight = 0.0;
    /// x units per y unit on `yLabels` (to turn the caption upright and size it).
    double yLabelsAspect = 1.0;
};

/// The range of the spectrum shown (the last simulation's, or the conditions' before the first),
/// in single precision as the plot window holds it, and its axis unit.
struct ShownRange {
    float start, end;
    int units;
};
ShownRange RangeShown(PlotView s);

/// Palette colour of a palette index.
inline Rgb Palette(int index) { return PaletteColor(index); }

/// Least contrast of a trace, label or legend colour on the plot's background (that of large
/// text: thin traces and small labels below it are hard to read).
constexpr double kPlotContrast = 4.5;

/// Palette colour of a trace, label or legend entry in the plot's scheme: on the dark scheme a
/// colour too dim for black is lifted to its lighter tint; the light scheme (and every printed
/// page, which draws on white) keeps the palette colour.
Rgb SchemeColor(const PlotState& plot, int index);

/// Sets the plot's background and foreground indices from the colour scheme intColor
/// (light: 15 on 0, dark: 0 on 15).
void ApplyColorScheme(PlotState& plot);

/// Palette index of selected vibrational level k (1..NVibSel) in the current scheme.
int LevelColor(const PlotState& plot, int k);

/// The experimental trace is drawn: a spectrum is loaded and spectra are shown.
bool ExperimentShown(PlotView s);

/// Headroom above the plot for the residual strip: 20 with an experimental spectrum loaded and
/// residuals shown, else 0.
double ResidualHeadroom(PlotView s);

/// Text of the axis caption for a spectral unit (1 Å vacuum, 2 Å air, 3 cm-1, 4 nm vacuum, 5 nm air).
std::string AxisCaption(int units);

/// Caption of the intensity axis: every trace is on a scale of 100 at full scale.
inline constexpr const char* kIntensityCaption = "Intensity (arb. units)";

/// X-axis ticks between two heights given on the unzoomed 0..YMax scale: labelled major ticks at
/// the finest 1-2-5 step whose labels fit (at most 12), minor ticks dividing it; labels of the
/// major ticks when `withLabels`, skipping a label that would come closer than half a label width
/// to the previous one. Ticks exactly at the view edges are not drawn.
void DrawXAxisTicks(PlotView s, PlotContext& ctx, double bottom, double top, bool withLabels);
/// Only the labels of the major ticks, with the same spacing rule (the clipboard picture).
void DrawXAxisLabels(PlotView s, PlotContext& ctx);
/// The intensity scale: ticks inside both sides of the frame (one scale per half when the
/// comparison is separated), their labels and the caption on ctx.yLabels.
void DrawYAxis(PlotView s, PlotContext& ctx);

/// Everything inside the frame, in the order of the comparison mode.
void DrawPlotContent(PlotView s, PlotContext& ctx);

/// The simulated spectrum as total, contours or areas; `separated` puts it in the upper half.
void DrawSimulation(PlotView s, PlotContext& ctx, int color, bool separated);
/// The current experimental spectrum, scaled by `factor`.
void DrawExperimental(PlotView s, PlotContext& ctx, double factor, int color);
/// The residual strip above the plot (only with an experimental spectrum and residuals shown).
void DrawResidualStrip(PlotView s, PlotContext& ctx);
/// The legend box.
void DrawLegend(PlotView s, PlotContext& ctx, int simColor, int expColor);
/// Vibrational or rotational assignment combs.
void DrawAssignments(PlotView s, PlotContext& ctx);

}  // namespace velmora::display
