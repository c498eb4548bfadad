// The fluorescence yields the database shows beside a simulation: the quantum yield of every
// upper level of the loaded system under the conditions (also a column of the database table).
#pragma once

#include <string>

#include "database/database_state.h"
#include "simulation/conditions.h"

namespace velmora::simulation {

/// The quenching of the conditions as the pre-computation of the level data takes it.
database::LevelQuenching LevelQuenchingOf(const SimulationConditions& c);

/// Fluorescence quantum yield of every upper level from its radiative and effective lifetimes,
/// quenching (source, pressure; temperature and composition of the gas) and the yield mode;
/// stored in LevelYield and UpperLevelData. Entries without per-level data files keep their
/// yields. Returns the quenching caption: the rate of the gas and the models' warnings (empty
/// for another source or without a loaded system).
std::string ComputeYields(DatabaseState& db, const SimulationConditions& c);

}  // namespace velmora::simulation
