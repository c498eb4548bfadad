// The quenching of the level data: its limits and units, and the lifetimes and yields of the
// selected band system computed again for new quenching.
#pragma once

#include "common/services.h"
#include "database/database_state.h"

namespace velmora::database {

/// Largest quenching rate constant accepted, us-1 Torr-1 (a hundred times the gas-kinetic rate).
inline constexpr double kMaxQuenching = 1e3;

/// Factor from the quenching unit `units` to the unit the rate is held in (us-1 Torr-1); 1 for
/// a unit the catalogue has no (or a zero) factor for.
double QuenchingFactor(const Catalogue& cat, int units);

/// Pre-computes the loaded system again with other quenching (on a copy: when a data file cannot
/// be read, it throws like SystemPrecompute and nothing has changed) and loads its band (0, 0).
/// Without a loaded system only the quenching is stored.
void Requench(DatabaseState& db, const LevelQuenching& quenching, float pressureTorr, Shell& shell);

}  // namespace velmora::database
