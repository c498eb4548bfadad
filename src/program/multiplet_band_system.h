// A catalogue band system of any multiplicity as the band system of the program: selected by its
// entry number like every other, built by the effective-Hamiltonian engine, simulated with the
// conditions (simulation/multiplet_simulation.h).
#pragma once

#include "state/app_state.h"

namespace velmora::program {

/// True when `entry` is one of the database's band systems of any multiplicity.
bool IsMultipletEntry(const AppState& app, int entry);

/// Makes multiplet entry `entry` the system the next simulations draw. Throws FileError for a
/// bad MULTIPLET.SYS and std::invalid_argument for an entry that is not one of its systems; then
/// the system selected before stays selected.
void SelectMultipletSystem(AppState& app, int entry);

/// The simulation of the selected multiplet system (as CalculateSimulation for a catalogue
/// system): the result, its absolute absorption and title, or the problem shown and no result.
void CalculateMultipletSimulation(AppState& app);

/// True when a line of the selected multiplet system lies inside the range of the conditions.
bool MultipletRangeHoldsLines(const AppState& app);

/// Why a range holds no line of the selected multiplet system, naming its strongest band.
std::string MultipletNoLineMessage(const AppState& app);

}  // namespace velmora::program
