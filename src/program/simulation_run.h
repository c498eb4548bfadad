// "Calculate simulation" on the screen: populations, yields, range, point grid under the point
// budget, then the typed simulation (simulate.h) of the conditions in force, its result kept with
// those conditions for the plot, the title, the redraw request, and the reload of the band the
// database view shows. Every message of the run goes through the dialogs.
#pragma once

#include <string>

#include "simulation/band_system_model.h"
#include "simulation/spectral_grid.h"
#include "state/app_state.h"

namespace velmora::program {

/// Runs one simulation with the database's band loader; the band-system model is built at the
/// first run after a band-system selection and kept for the next runs.
void CalculateSimulation(AppState& app);

/// Runs one simulation on a model built afresh through `load`.
void CalculateSimulation(AppState& app, const simulation::BandLoader& load);

/// The one point-budget rule of the window and the command line: a grid the budget would have to
/// coarsen is refused. Returns the refusal, naming the finest resolution the budget allows
/// ("TOO MANY POINTS TO SIMULATE\r\nMAXIMUM RESOLUTION  0.378Å (Vacuum)"), or "" within it.
std::string PointBudgetRefusal(const simulation::GridPlan& plan, simulation::AxisUnit unit);

/// The model of the selected band system: the one kept in the simulation state while it belongs
/// to the current pre-computation of the database, else built now (and kept).
std::shared_ptr<const simulation::BandSystemModel> CurrentModel(SimulationState& sim, const DatabaseState& db);

}  // namespace velmora::program
