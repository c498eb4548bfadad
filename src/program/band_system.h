// Choosing a band system: the program-level sequence behind the band-system list.
#pragma once

#include "state/app_state.h"

namespace velmora::program {

/// Selects catalogue entry `entry`: pre-computes the system (band data, lifetimes, yields) and
/// loads its band (0, 0), then marks the data ready. Throws std::invalid_argument for an entry
/// outside the catalogue and FileError for a missing or bad data file; then the system selected
/// before stays selected and loaded.
void SelectBandSystem(AppState& app, int entry);

}  // namespace velmora::program
