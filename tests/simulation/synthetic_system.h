// A band system built by hand for the simulation tests: one catalogue entry (upper 2Σ, lower 2Σ
// unless changed), populations set directly, and bands whose lines the test lists.
#pragma once

#include <vector>

#include "populations/population_model.h"
#include "simulation/band_system_model.h"
#include "state/app_state.h"

namespace velmora::testing {

/// One line of a synthetic band: lower row N, branch b, position (cm-1) and strengths.
struct SyntheticLine {
    int vUp = 0, vLow = 0;
    int b = 1;
    int N = 1;
    double nu = 0;
    float emission = 1, absorption = 1;
};

class SyntheticSystem {
public:
    /// Entry 1 with vibrational levels 0..vMax in both states, rows 0..maxN.
    explicit SyntheticSystem(AppState& app, int vMax = 2, int maxN = 10);

    /// Adds a line; band origins are set to the first line of each band unless set explicitly.
    void AddLine(const SyntheticLine& line);
    void SetOrigin(int vUp, int vLow, double nu);
    /// Sets a flat population: PopVib and every PopRot cell of the populated state.
    void SetPopulations(const std::vector<float>& vib, float rot);

    /// The band loader over the listed lines; counts the loads.
    simulation::BandLoader Loader();
    int loads = 0;
    std::vector<std::pair<int, int>> loaded;

private:
    AppState& app_;
    std::vector<SyntheticLine> lines_;
};

}  // namespace velmora::testing
