// Maps: an image of values (a temperature image) drawn onto any Canvas with its axes in their
// units and a colour bar, on the screen and in SVG files; the bare image as PNG.
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"

namespace velmora::display {

/// An image of values on a grid of positions; NaN where there is no value (masked).
struct MapImage {
    int rows = 0, columns = 0;
    std::vector<float> values;  ///< rows × columns, row after row
    std::vector<double> x, y;   ///< position of each column and row (increasing or decreasing)
    std::string xLabel, yLabel, valueLabel, caption;
    /// The colour range; equal limits: the 1st to 99th percentile of the values.
    double low = 0.0, high = 0.0;
};

/// The colour of a fraction 0..1 of the colour range: from near black through purple, red and
/// orange to pale yellow (a ramp that rises steadily in lightness, readable in grey).
Rgb MapColour(double fraction);

/// The colour of masked pixels.
inline constexpr Rgb kMaskedColour{170, 170, 170};

/// The colour range of a map: its own limits, or the 1st..99th percentile of its values.
std::pair<double, double> MapRange(const MapImage& map);

/// The map's pixels as colours, the first row at the top: rows at the largest y first, so that
/// y rises upwards as on the axes.
std::vector<Rgb> MapPixels(const MapImage& map);

/// Draws the map in a rectangle of the canvas (in its pixel coordinates, SetScale(0, 0, W, H)):
/// the caption above, the image with its axes (round-number ticks in the positions' units), the
/// colour bar at the right with the value's ticks and label.
void DrawMap(Canvas& canvas, const MapImage& map, double left, double top, double width, double height);

/// Writes the map as SVG (FileError when the file cannot be written).
void WriteMapSvg(const std::string& path, const MapImage& map);

/// Writes the image alone as PNG, one pixel per value, in the map's colours.
void WriteMapPng(const std::string& path, const MapImage& map);

}  // namespace velmora::display
