// Writing the simulated spectrum as a .mod text file: the total, or the total with the
// population-weighted contribution of every vibrational level in its own column.
#pragma once

#include <filesystem>
#include <string>

#include "simulation/simulation_state.h"

namespace velmora::simulation {

/// Pattern of the x column of a grid of `points` points `step` apart: as many decimals as let the
/// axis be rebuilt from any two written points to a thousandth of a step over the whole file
/// (at least 3, at most 12).
std::string XPattern(double step, int points);

/// Writes one line per grid point: x (axis units, decimals by XPattern) and the total on the
/// 0..100 scale, with noise of amplitude NoiseLevel added when it is at least 0.00001 (or, after an
/// absorption simulation in an absolute unit, that value in exponent form, without noise). The
/// points are the simulation's grid, start + i × step with a step of a fixed fraction of the line
/// width, so the last one is the grid point nearest the range end, within half a step of it (short
/// of it or beyond). CR-LF line ends; the file is replaced only when complete. Throws FileError
/// naming the file when there is nothing to save or it cannot be written.
void WriteSimulationTotal(SimulationState& sim, const std::filesystem::path& path);

/// As the total, with the spectrum of every simulated level (in increasing v) weighted by its
/// population before the total when more than one level was simulated.
void WriteSimulationIndependent(SimulationState& sim, const std::filesystem::path& path);

}  // namespace velmora::simulation
