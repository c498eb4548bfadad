// A line list read from files as the band system of the program: opened in place of the
// catalogue's system, simulated with the conditions, closed by choosing a catalogue system.
#pragma once

#include <string>

#include "database/line_list_import.h"
#include "state/app_state.h"

namespace velmora::program {

/// Reads the line list of `path` (an ExoMol .def or a HITRAN .par) and makes it the system the
/// next simulations draw. Lines outside `window` (cm-1) are not kept. Throws FileError naming the
/// file and line of a bad record; the system selected before then stays selected.
void OpenLineList(AppState& app, const std::string& path, const database::WavenumberWindow& window = {});

/// Open File -> Line list...: opens the file the shell chose (nothing for an empty path), says
/// how many lines it holds (or what is wrong with it, the system selected before staying
/// selected) and simulates it.
void MnuOpenLineList_Click(AppState& app, const std::string& path);

/// The catalogue's band system again, the line list forgotten.
void CloseLineList(AppState& app);

/// The simulation of the open line list (as CalculateSimulation for a catalogue system): the
/// result, its absolute absorption and title, or the problem shown and no result.
void CalculateLineListSimulation(AppState& app);

/// The line list's description for messages and titles: "16O-1H__MYLIST (ExoMol, 1234 lines)".
std::string LineListTitle(const database::ImportedLineList& list);

/// The wavenumber window (cm-1) of a range in axis units, widened by `margin` cm-1 on both sides
/// for the wings of the lines just outside it.
database::WavenumberWindow RangeWindow(const simulation::SimulationConditions& c, double margin);

}  // namespace velmora::program
