// The instrument step of a simulation whose instrument function is a triangle, a trapezoid or a
// measured function. The lines of each level are drawn with the profile of the molecules alone
// (Doppler, collisional and lifetime widths) on the simulation grid widened on both sides by
// the instrument's reach, so that lines just outside the range still spill into it, and the
// result is convolved with the instrument function averaged over the grid cells.
//
// A molecular profile narrower than two grid steps cannot be sampled: such a line adds the
// instrument function itself, averaged over each grid cell at the line's exact offset from it
// (the widths it neglects are below two steps, 2 / points-per-width of the instrument's FWHM,
// and add only their square to the square of the width).
//
// With a width changing across the range, each grid point is spread with the instrument
// function of its own position (within the range; beyond its ends the width at the end): the
// width of an isolated line follows its position. The function is resampled whenever that
// width has changed by more than kDispersionTolerance.
#pragma once

#include <functional>

#include "populations/selected_populations.h"
#include "simulation/band_system_model.h"
#include "simulation/broadening.h"
#include "simulation/line_drawing.h"
#include "simulation/line_list.h"
#include "simulation/spectral_grid.h"

namespace velmora::simulation {

/// Relative change of the instrument width across the range that resamples the function.
inline constexpr double kDispersionTolerance = 1e-4;

/// Draws the lines of every selected level through the convolved instrument function of the
/// conditions into bands(k, 0..grid.last), k = 1..levels. `widths` is the broadening of the
/// conditions (ComputeBroadening). Throws ConditionError when the instrument's width falls to
/// 0 or below within the range.
void DrawThroughInstrument(const BandSystemModel& model, const SimulationConditions& c,
                           const populations::Populations& populations, const Broadening& widths,
                           const SpectralGrid& grid, ProfileMethod method, const Progress& progress,
                           Array2<float>& bands, DrawStats& stats);

/// The lines of every level strictly inside start..end (axis units), line shift included.
using LineSource = std::function<LineList(double start, double end)>;

/// The same for lines from any source (a line list read from files).
void DrawThroughInstrument(const LineSource& source, const SimulationConditions& c, const Broadening& widths,
                           const SpectralGrid& grid, ProfileMethod method, Array2<float>& bands, DrawStats& stats);

}  // namespace velmora::simulation
