// The simulation options of velmora-cli read straight into typed conditions, for the commands
// that simulate without the screen (fit): the defaults of a first run, the unit rules of the
// window (a default range and resolution converted to --units) and the ranges its boxes accept.
#pragma once

#include "cli/commands.h"
#include "database/catalogue_state.h"
#include "simulation/conditions.h"

namespace velmora::cli {

/// The conditions the simulation options give. Throws std::invalid_argument naming an option
/// whose value is not a number, not one of its choices or outside the range it accepts.
simulation::SimulationConditions ConditionsFromOptions(const Args& args, const Catalogue& cat);

}  // namespace velmora::cli
