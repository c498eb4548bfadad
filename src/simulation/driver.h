// "Calculate simulation" on the screen: populations, yields, range, point grid under the point
// budget, then the typed simulation (simulate.h) of the conditions the controls hold, its results
// stored for the plot, the title, the redraw request, and the reload of the band the database
// view shows. Every message of the run goes through the dialogs.
#pragma once

#include "simulation/band_system_model.h"
#include "state/app_state.h"

namespace velmora::simulation {

/// Runs one simulation with the database's band loader; the band-system model is built at the
/// first run after a band-system selection and kept for the next runs.
void CalculateSimulation(AppState& app);

/// Runs one simulation on a model built afresh through `load`.
void CalculateSimulation(AppState& app, const BandLoader& load);

/// The model of the selected band system: the one kept in the simulation state while it belongs
/// to the current pre-computation of the database, else built now (and kept).
std::shared_ptr<const BandSystemModel> CurrentModel(AppState& app);

/// True when a simulated spectrum exists (the results of the last complete run).
bool HasSimulation(const AppState& app);

}  // namespace velmora::simulation
