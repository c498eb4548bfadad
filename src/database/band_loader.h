// The molecular-constant files (.SPC) and the band loader: one vibrational band (v', v'') of a
// band system at a time, with its term values, line positions and line strengths.
#pragma once

#include <algorithm>
#include <string>

#include "database/database_state.h"

namespace velmora::database {

/// Path of the constants file of state s (1 upper, 2 lower) of a catalogue entry.
std::string ConstantsFileName(const DatabaseState& db, int entry, int s);
/// Path of the transition-probability file of one band (layout 1) or of the system (layout 2).
std::string ProbabilityFileName(const DatabaseState& db, int entry, int vUp, int vLow);

/// Reads both constants files of an entry into MolConst and SpcConvention and converts the
/// constants of a 2Π state given in the second convention. Throws FileError; on failure the
/// constants in use are left as they were.
void ReadStateConstants(DatabaseState& db, int entry);

/// Copies MolConst(s, v, 0..17) into LevelConst.
void SelectLevel(DatabaseState& db, int s, int v);

/// Loads the band (vUp, vLow) of an entry: transition probabilities, term values on the
/// system's energy zero, line positions, Hönl-London factors, emission and absorption
/// coefficients. Reads the entry's constants first when MolConst holds another entry's.
/// Afterwards LineData holds exactly the lines of the band system: (b, N) is a line when its
/// position is above 0; its upper level lies within the catalogue's rows of v' (N' <= RotRows)
/// and its lower row runs up to LastLineRow.
/// Throws std::invalid_argument for a band outside the entry and FileError for a bad file; in
/// both cases the band loaded before stays loaded.
void LoadBand(DatabaseState& db, int vUp, int vLow, int entry);

/// Last lower row that holds lines in the loaded band: the O lines (ΔN = -2) of the top upper
/// level, two rows above it, within the bounds of LineData.
inline int LastLineRow(const DatabaseState& db) { return std::min(db.RotRows + 2, db.LineData.Hi(2)); }

/// True when the band (vUp, vLow) of the entry is the one loaded.
bool IsBandLoaded(const DatabaseState& db, int vUp, int vLow, int entry);

}  // namespace velmora::database
