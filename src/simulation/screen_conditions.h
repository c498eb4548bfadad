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

/// The inverse: the controls set to hold the conditions (stored values, the texts of their boxes,
/// the populated state of the kind, the quenching of the database state), then the captions,
/// enabled controls, widths and shifts that follow from them. The quenching and the populations
/// take effect when the band system is selected afterwards (or pre-computed again), as they do
/// for a first run; the file name of a detection filter is the caller's. ConditionsFromScreen gives the conditions
/// back.
void ShowConditions(AppState& app, const SimulationConditions& c);

/// The widths and shifts the screen shows, as a Broadening (the values a new computation keeps
/// where the conditions leave them undefined).
Broadening ScreenBroadening(const SimulationState& sim);

}  // namespace velmora::simulation
