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
/// reads its level file (when the entry has level files) and stores the lifetimes with
/// predissociation and the fluorescence quantum yields in UpperLevelData. Needs the radiative
/// lifetimes of vUp in UpperLevelData. pressureTorr sets the collision rate. Throws FileError.
void ReadLevelData(DatabaseState& db, int vUp, float pressureTorr);

}  // namespace velmora::database
