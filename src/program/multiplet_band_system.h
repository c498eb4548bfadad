// A catalogue band system of any multiplicity as the band system of the program: selected by its
// entry number like every other, built by the effective-Hamiltonian engine, simulated with the
// conditions (simulation/multiplet_simulation.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/effective_hamiltonian.h"
#include "populations/selected_populations.h"
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

/// When the range holds no line of the selected multiplet system (and does not follow the limits
/// of a spectrum file), moves it, keeping its width, over the system's strongest band and says
/// so. Returns true when the range moved.
bool FollowMultipletRange(AppState& app);

/// The catalogue entry the band-system list shows: the multiplet system while one is selected,
/// else the entry of VELMORA.SYS that is loaded (the value stored as the setting Main/irad).
int SelectedEntry(const AppState& app);

/// The molecular mass (u) of the selected band system, the one the Doppler widths take.
double SelectedMass(const AppState& app);

/// The populations the next simulation of the selected multiplet system draws: while the system
/// is thermalised, or before any level was edited for the state the kind of spectrum populates,
/// the thermal populations at the temperature of the conditions; otherwise the edited ones.
populations::Populations MultipletSimulationPopulations(const AppState& app);

/// Sets the population of one rotational level (v, F, parity, J = twoJ/2) of the state the kind
/// populates; every other level keeps its population (the level is not renormalised, so only
/// the lines of that level change). The populations start thermal at the temperature of the
/// conditions and the system stops being thermalised. Throws std::invalid_argument for a level
/// the state does not have or a population that is negative or not finite.
void SetMultipletLevelPopulation(AppState& app, int v, int F, database::Parity parity, int twoJ, double population);

/// True when the simulation draws the rotational distribution of level v of the populated state
/// as edited or loaded rather than thermal at the temperature of the conditions.
bool MultipletLevelEdited(const AppState& app, int v);

/// Puts level v of the populated state back to its thermal rotational distribution at the
/// temperature of the conditions; the other levels keep theirs. Nothing happens while no edits
/// are drawn.
void ResetMultipletLevel(AppState& app, int v);

/// Gives level v of the populated state its thermal rotational distribution at `temperatureK`:
/// every component (`component` 0), the level's populations adding up to 1; or component
/// `component` alone (F, or F + 2S + 1 for the f levels) with the shape of that distribution,
/// after which the level is normalised to a sum of 1. The other levels keep theirs, and the
/// system stops being thermalised. Throws std::invalid_argument for a level the state does not
/// have or a temperature that is not above 0 K.
void SetMultipletLevelThermal(AppState& app, int v, double temperatureK, int component = 0);

/// The thermal populations of the state the kind populates at `temperatureK`.
populations::Populations MultipletThermalPopulations(const AppState& app, double temperatureK);

/// "Save population" → "Rotational distribution" for the selected multiplet system: asks which
/// vibrational level to save (the level shown by default) and writes its rotational
/// distribution (populations/multiplet_population_files.h). True when written; a failure is
/// shown in a message naming the file.
bool SaveMultipletRotational(AppState& app, const std::string& path);

/// "Load population" → "Rotational distribution" for the selected multiplet system: checks the
/// extension, asks for the level to load into and reads the file into it; the system stops
/// being thermalised. A damaged or mismatched file is shown in a message naming the file and
/// the line and changes nothing. True when read.
bool LoadMultipletRotational(AppState& app, const std::string& path);

/// "Save population" → "Vibrational distribution" for the selected multiplet system: writes the
/// relative population of every vibrational level of the populated state as the next simulation
/// draws it (populations/multiplet_population_files.h). True when written; a failure is shown in
/// a message naming the file.
bool SaveMultipletVibrational(AppState& app, const std::string& path);

/// "Load population" → "Vibrational distribution" for the selected multiplet system: checks the
/// extension and reads the file; the levels keep their rotational distributions and the system
/// stops being thermalised. A damaged or mismatched file is shown in a message naming the file
/// and the line and changes nothing. True when read.
bool LoadMultipletVibrational(AppState& app, const std::string& path);

/// Why the table's quantity, units and nomenclature lists do not apply to the selected system
/// (empty when they do): the table of a multiplet system shows its quantities together.
std::string TableQuantityRefusal(const AppState& app);

/// The database table of the selected multiplet system (table/multiplet_table.h) for the
/// table's selection, the vibrational levels kept within the system's.
void ShowMultipletTable(AppState& app);

/// A control of the database table while a multiplet system is selected: "CmbInformation"
/// (0 transition, 1 upper, 2 ground state), "CmbResolution" (0 vibrational, 1 rotational),
/// "CmbUpper" (v'), "CmbLower" (v'') store the choice and show the table. Returns false, doing
/// nothing, for another control or while a doublet system is selected.
bool MultipletTable_Click(AppState& app, std::string_view control, int index);

/// The vibrational levels "0".."v max" of state s (1 upper, 2 lower) of the selected multiplet
/// system.
std::vector<std::string> MultipletLevelItems(const AppState& app, int s);

/// Why the plot marks no assignments for the selected system (empty when it does).
std::string AssignmentRefusal(const AppState& app);

}  // namespace velmora::program
