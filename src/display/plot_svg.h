// The spectrum plot written to an SVG file, as the plot window draws it.
#pragma once

#include <filesystem>
#include <string>

#include "display/plot_view.h"

namespace velmora::display {

/// Markup of the plot window (plot area and axis strip) of `widthPixels` x `heightPixels`.
/// Throws std::runtime_error when no simulation exists.
std::string PlotSvg(PlotView s, int widthPixels = 1000, int heightPixels = 640);
/// The same written to a file (FileError naming the file when it cannot be written).
void WritePlotSvg(PlotView s, const std::filesystem::path& path, int widthPixels = 1000, int heightPixels = 640);

}  // namespace velmora::display
