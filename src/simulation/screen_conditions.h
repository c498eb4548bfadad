// The boundary between the screen and the typed simulation: the conditions the controls store
// (texts, list indices, check boxes) as one SimulationConditions value.
#pragma once

#include "simulation/broadening.h"
#include "simulation/conditions.h"
#include "state/app_state.h"

namespace velmora::simulation {

/// The conditions of the next simulation as the controls hold them: the range from the texts of
/// TxtStart and TxtEnd (single precision, as typed, not yet ordered), the temperature of the main
/// window, the quenching of the database state. Modes are converted without a check
/// (CheckConditions does that where a simulation starts).
SimulationConditions ConditionsFromScreen(const AppState& app);

/// The widths and shifts the screen shows, as a Broadening (the values a new computation keeps
/// where the conditions leave them undefined).
Broadening ScreenBroadening(const SimulationState& sim);

}  // namespace velmora::simulation
