// The database part of the quenching inputs: storing the value or the source and recomputing
// the lifetimes and yields of the selected band system.
#pragma once

#include <string>
#include <string_view>

#include "common/services.h"
#include "database/database_state.h"

namespace velmora::database {

/// Largest quenching rate constant accepted, us-1 Torr-1 (a hundred times the gas-kinetic rate).
inline constexpr double kMaxQuenching = 1e3;

/// Factor from the quenching unit `units` to the unit Quenching is held in (us-1 Torr-1); 1 for
/// a unit the catalogue has no (or a zero) factor for.
double QuenchingFactor(const Catalogue& cat, int units);

/// Quenching rate text field: a number of 0 to kMaxQuenching (in the unit QuenchingUnits) becomes
/// Quenching and, when a band system is loaded, the system is pre-computed again and its band
/// (0, 0) loaded. Returns the text the field must show: the text itself when accepted, else
/// the value in force. Throws like SystemPrecompute; then nothing has changed.
std::string SetQuenchingValue(DatabaseState& db, std::string_view text, float pressureTorr, Shell& shell);

/// Quenching source list (0 none, 1 single value, 2 from the level files, 3 gas composition):
/// stores the source and, when a band system is loaded, pre-computes the system again and loads
/// its band (0, 0). Throws std::invalid_argument for another index and like SystemPrecompute;
/// then nothing has changed.
void SetQuenchingSource(DatabaseState& db, int index, float pressureTorr, Shell& shell);

}  // namespace velmora::database
