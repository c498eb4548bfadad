// The fluorescence data the screen shows beside a simulation: the quantum yield of every upper
// level (also a column of the database table) and the detected fraction of every upper level's
// emission through the spectral window of LIF detection.
#pragma once

#include "state/app_state.h"

namespace velmora::simulation {

/// Fluorescence quantum yield of every upper level from its radiative and effective lifetimes,
/// quenching (source, pressure; temperature and composition of the gas) and the yield mode;
/// stored in LevelYield and UpperLevelData. Entries without per-level data files keep their
/// yields. Also writes the quenching caption (the rate of the gas and the models' warnings).
void ComputeYields(AppState& app);

/// Detected fraction of the emission of every upper vibrational level through the spectral
/// window (LIF), in WindowFactor: whole bands are counted by their origin with a 20 Å margin.
/// Reversed window limits are exchanged through their boxes first.
void ComputeWindowFactors(AppState& app);

}  // namespace velmora::simulation
