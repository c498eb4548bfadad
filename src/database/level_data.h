// Per upper level lifetimes, predissociation rates and quenching: the level files (.DAT) and the
// effective lifetimes and fluorescence quantum yields formed from them.
#pragma once

#include <string>

#include "database/database_state.h"

namespace velmora::database {

/// Path of the level file of upper vibrational level vUp of an entry.
std::string LevelFileName(const DatabaseState& db, int entry, int vUp);

/// Sets the per-level arrays of upper level vUp to their starting values: yield and lifetime
/// 1 when the selected entry has no level files (0 when it has), rates 0.
void InitialiseLevelData(DatabaseState& db, int vUp);

/// The level-data step of the system pre-computation for upper level vUp of the selected entry:
/// reads its level file (when the entry has level files) and stores in UpperLevelData the
/// radiative lifetimes, the effective lifetimes 1 / (1/τ_rad + k_pred) (never above τ_rad) and
/// the fluorescence quantum yields τ_eff / τ_rad times the quenching factor. A lifetime given in
/// the file is the radiative lifetime of that level; the first one of an existing level also
/// scales the computed lifetimes of every other level of vUp. Levels the band sums give no
/// lifetime (they do not exist) keep empty rows. Needs the computed radiative lifetimes of vUp
/// in UpperLevelData. pressureTorr sets the collision rate (with the quenching's gas temperature
/// for a composition). Throws FileError; then nothing of vUp has changed.
void ReadLevelData(DatabaseState& db, int vUp, float pressureTorr);

}  // namespace velmora::database
