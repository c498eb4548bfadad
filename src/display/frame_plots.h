// The pictures of spatially resolved results: profiles of the fitted temperatures and scales
// against the position along the slit (or the radius after an Abel inversion), with error bars,
// and the map of a LIF temperature image.
#pragma once

#include <string>
#include <vector>

#include "display/map_plot.h"
#include "display/xy_chart.h"
#include "fit/frame_fit.h"
#include "fit/lif_image.h"

namespace velmora::display {

/// One chart per free temperature (t, tvib) and scale of each band system, stacked in `height`:
/// the fitted rows with their standard uncertainties, the halves of an inversion kept apart as
/// two series (lower blue, upper red); rows that failed have no point.
std::vector<Chart> FrameProfileCharts(const fit::FrameSpectra& frame, const std::vector<fit::FrameRow>& rows,
                                      simulation::AxisUnit unit, double width, double height);

/// Writes the profiles as SVG (FileError when the file cannot be written).
void WriteFrameProfilesSvg(const std::string& path, const fit::FrameSpectra& frame,
                           const std::vector<fit::FrameRow>& rows, simulation::AxisUnit unit);

/// The map of a LIF temperature image: T in K over the images' positions, masked pixels grey,
/// the band system and the number of lines in the caption.
MapImage LifTemperatureMap(const fit::LifImageResult& r, const std::string& system);

}  // namespace velmora::display
