// Why a simulation drew nothing, and what would show something: the range, the populations'
// cut-off, the temperature, the detection conditions.
#pragma once

#include <string>

#include "state/app_state.h"

namespace velmora::program {

/// After a simulation that ran: "" when it drew a spectrum (a peak above 0), else one message
/// that says why the spectrum is empty and what would show it. The cases, in order: no line of
/// the band system in the range; the bands in the range start from levels of the populated state
/// below the minimum population (with the level's population, the temperature at which it passes
/// the cut-off, and the strongest populated band to move the range to); lines in the range that
/// reach no grid point; lines drawn that carry no intensity.
std::string EmptySimulationMessage(const AppState& app);

}  // namespace velmora::program
