// The simulation conditions as velmora-cli options, from the table of condition fields: their
// names and help, and the typed conditions they give, with the command line's own rules (a
// reversed range or window is an error, --absorbance is a shorthand).
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"
#include "simulation/conditions.h"

namespace velmora::cli {

/// Names (without "--") of the options of the simulating commands: the condition fields, the
/// population and file options, "entry" and "data".
const std::vector<std::string>& SimulationOptionNames();

/// The simulation options that take no value.
inline const std::vector<std::string> kSimulationFlags = {"absorbance"};

/// One-line descriptions of the simulation options, for a command's usage text.
std::string SimulationOptionsHelp();

/// The conditions the simulation options give. Throws std::invalid_argument naming an option
/// whose value is not a number, not one of its choices or outside the range it accepts.
simulation::SimulationConditions ConditionsFromOptions(const Args& args);

}  // namespace velmora::cli
