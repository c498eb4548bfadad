// A plain x-y chart drawn onto any Canvas: a framed area with round-number ticks and labels,
// curves, points with error bars and a caption. Serves the plots of fits (spectrum, model and
// residual strip; Boltzmann plots) on the screen and in SVG files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace velmora::display {

/// One series: a curve through its points, or markers with optional vertical error bars.
struct ChartSeries {
    std::vector<double> x, y;
    std::vector<double> error;  ///< one standard uncertainty per point, or empty
    Rgb color{0, 0, 0};
    bool markers = false;
    std::string label;  ///< named in the chart's legend when not empty
};

/// A chart in a rectangle of the canvas (in the canvas's pixel coordinates).
struct Chart {
    double left = 0, top = 0, width = 600, height = 400;
    std::string xLabel, yLabel, caption;
    /// Lines of text below the chart's axis title (a fit's parameters and diagnostics); the
    /// height holds them.
    std::vector<std::string> notes;
    std::vector<ChartSeries> series;
    /// Limits of the axes; equal limits: taken from the data with a 4 % margin.
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

/// Round-number tick positions covering lo..hi with about `count` intervals (steps of 1, 2 or 5
/// times a power of ten).
std::vector<double> NiceTicks(double lo, double hi, int count);

/// A tick label with as few decimals as the step between ticks needs.
std::string TickLabel(double value, double step);

/// The ticks of the bottom and left sides of a plot area whose lower-left corner is (left,
/// bottom) in pixels: round numbers of x0..x1 and y0..y1, placed by X and Y, with their labels.
void DrawTicks(Canvas& canvas, double left, double bottom, double x0, double x1, double y0, double y1,
               const std::function<double(double)>& X, const std::function<double(double)>& Y);

/// Draws the chart. The canvas must be in pixel coordinates (SetScale(0, 0, W, H)).
void DrawChart(Canvas& canvas, const Chart& chart);

/// Writes charts stacked vertically in one SVG file (FileError when it cannot be written).
void WriteChartsSvg(const std::string& path, const std::vector<Chart>& charts, double width, const std::string& title);

}  // namespace velmora::display
