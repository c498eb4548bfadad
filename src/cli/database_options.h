// Options and output helpers shared by the database commands of velmora-cli.
#pragma once

#include <string>
#include <utility>

#include "cli/commands.h"
#include "database/database_state.h"

namespace velmora::simulation {
struct MultipletBandSystem;
}

namespace velmora::cli {

/// Reads the catalogue of the database folder of --data (default: data/ beside the program).
void OpenDatabase(const Args& args, DatabaseState& db);

/// The catalogue entry of --entry, which must be given and lie in VELMORA.SYS (a band system of
/// any multiplicity is refused with a message naming it).
int EntryOption(const Args& args, const DatabaseState& db);

/// The index into the database's MULTIPLET.SYS entries of the entry of --entry when it is one of
/// them, else -1 (no --entry, or an entry of VELMORA.SYS or outside the catalogue).
int MultipletEntryOption(const Args& args, const DatabaseState& db);

/// The band of --band "VUP,VLOW" as two whole numbers; the option must be given.
std::pair<int, int> BandOption(const Args& args);

/// A line as the LIF commands name it: "(v'-v'') branch(N)", the branch by its case (b) name.
std::string LineLabel(const Catalogue& cat, int vUp, int vLow, int branch, int N);
/// The same label for a line of a band system of any multiplicity: "(0-0) P1 e(5)", the branch
/// with the parity of its lower levels where the state has both, and the lower N.
std::string MultipletLineLabel(const simulation::MultipletBandSystem& system, int vUp, int vLow, int branch, int N);

/// A stored single-precision value as CSV text: up to 7 significant digits, no leading blank.
std::string CsvNumber(float value);

}  // namespace velmora::cli
