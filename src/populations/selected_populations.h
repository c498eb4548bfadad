// The populations a simulation reads, as a value of their own: the selected vibrational levels of
// the populated state with their relative weights, and the rotational distributions.
#pragma once

#include <vector>

#include "common/bounded_array.h"
#include "populations/population_state.h"

namespace velmora::populations {

/// Populations of the levels a simulation draws. Component index c as in PopRot.
struct Populations {
    ElectronicState state = ElectronicState::Upper;
    std::vector<int> levels;     ///< the selected vibrational levels, in increasing v
    std::vector<double> weights; ///< relative population of each selected level (together 1)
    Array3<float> rotational;    ///< (v, c 1..4, N): relative populations within each level

    std::size_t Levels() const { return levels.size(); }
};

/// The selection PreparePopulations made (VibList, PopVibSel) and the rotational populations.
Populations SelectedPopulations(const PopulationState& pop);

}  // namespace velmora::populations
