// "Calculate simulation": populations, yields, range, point grid under the point budget,
// synthesis and total, redraw request, title, and the reload of the band the database view shows.
#pragma once

#include "simulation/intensities.h"
#include "state/app_state.h"

namespace velmora::simulation {

/// Largest number of grid points all selected levels together may use.
inline constexpr int kPointBudget = 1000000;

/// Runs one simulation with the database's band loader.
void CalculateSimulation(AppState& app);

/// Runs one simulation, loading bands through `load`.
void CalculateSimulation(AppState& app, const BandLoader& load);

/// True when a simulated spectrum exists (the results of the last complete run).
bool HasSimulation(const AppState& app);

}  // namespace velmora::simulation
