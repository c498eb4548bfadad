// The populations a simulation reads, as a value of their own: the selected vibrational levels of
// the populated state with their relative weights, and the rotational distributions.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "common/bounded_array.h"
#include "database/database_state.h"
#include "populations/population_state.h"

namespace velmora::populations {

/// Populations of the levels a simulation draws. Component index c as in PopRot.
struct Populations {
    ElectronicState state = ElectronicState::Upper;
    std::vector<int> levels;      ///< the selected vibrational levels, in increasing v
    std::vector<double> weights;  ///< relative population of each selected level (together 1)
    Array3<double> rotational;    ///< (v, c 1..4, N): relative populations within each level

    std::size_t Levels() const { return levels.size(); }
};

/// The selection PreparePopulations made (VibList, PopVibSel) and the rotational populations.
Populations SelectedPopulations(const PopulationState& pop);

/// The populations the program simulates for a thermalised system: of the state that a kind of
/// spectrum (as stored, 1..4) populates in the pre-computed system db.systemEntry, Boltzmann
/// vibrational and rotational distributions at T (K), the levels whose population is above
/// minimumPopulation selected and renormalised.
Populations ThermalPopulations(const DatabaseState& db, int kind, double T, float minimumPopulation);

/// Populations of chosen vibrational levels (v -> relative population, renormalised to a sum of
/// 1), each level's rotational distribution thermal at rotationalT. Throws std::invalid_argument
/// for a level outside the populated state or a population that is negative, not finite, or
/// when none is above 0.
Populations LevelPopulations(const DatabaseState& db, int kind, const std::map<int, double>& vibrational,
                             double rotationalT);

/// Sets p's levels and weights to the chosen vibrational levels (v -> relative population) whose
/// population is above 0, renormalised to a sum of 1. Throws std::invalid_argument for a level
/// that hasLevel refuses (the message names the state's levels 0..vMax), or a population that is
/// negative, not finite, or when none is above 0.
void ChooseVibrationalLevels(Populations& p, const std::map<int, double>& vibrational,
                             const std::function<bool(int v)>& hasLevel, int vMax);

}  // namespace velmora::populations
