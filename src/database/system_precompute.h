// The pre-computation of a band system: band data, radiative lifetimes, the absolute-unit
// factors and the per-level yields, from every band (v', v'') of the system.
#pragma once

#include "common/services.h"
#include "database/database_state.h"
#include "database/line_positions.h"

namespace velmora::database {

/// The component of UpperLevelData that holds the upper level of a line (LineLevels of
/// BranchLevels): 1 F1 e, 2 F2 f and, when the upper state has Λ >= 1, 3 F1 f and 4 F2 e.
int UpperComponent(int lambdaUp, const LineLevels& levels);

/// Loads every band of the selected entry db.systemEntry and fills BandData, UpperLevelData (radiative
/// lifetimes, lifetimes with predissociation, fluorescence yields), LineUnitFactor and
/// BandUnitFactor. pressureTorr sets the collision rate of the yields. Moves the progress bar once
/// per band. Leaves the last band of the system loaded and sets SystemLoaded.
/// Throws FileError or std::invalid_argument; on failure db is left exactly as it was.
void SystemPrecompute(DatabaseState& db, float pressureTorr, Shell& shell);

}  // namespace velmora::database
