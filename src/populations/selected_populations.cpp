#include "populations/selected_populations.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "populations/population_model.h"

namespace velmora::populations {

Populations SelectedPopulations(const PopulationState& pop) {
    Populations p;
    p.state = pop.PopState;
    for (int k = 1; k <= pop.NVibSel; ++k) {
        const int v = SelectedLevel(pop, k);
        p.levels.push_back(v);
        p.weights.push_back(pop.PopVibSel.ValueAt(v));
    }
    p.rotational = pop.PopRot;
    return p;
}

namespace {

PopulationState PopulatedStateOf(const DatabaseState& db, int kind) {
    PopulationState pop;
    DimensionPopulationArrays(pop, db.cat);
    SetPopulatedState(pop, db, kind);
    return pop;
}

}  // namespace

Populations ThermalPopulations(const DatabaseState& db, int kind, double T, float minimumPopulation) {
    PopulationState pop = PopulatedStateOf(db, kind);
    pop.ThermalFlag = 1;
    pop.Temperature = T;
    pop.MinimumPopulation = minimumPopulation;
    PreparePopulations(pop, db);
    return SelectedPopulations(pop);
}

Populations LevelPopulations(const DatabaseState& db, int kind, const std::map<int, double>& vibrational,
                             double rotationalT) {
    PopulationState pop = PopulatedStateOf(db, kind);
    const int vMax = PopMaxVib(pop, db);
    Populations p;
    p.state = pop.PopState;
    ChooseVibrationalLevels(
        p, vibrational, [vMax](int v) { return v >= 0 && v <= vMax; }, vMax);
    for (const int v : p.levels) RebuildLevelThermal(pop, db, v, rotationalT);
    p.rotational = pop.PopRot;
    return p;
}

void ChooseVibrationalLevels(Populations& p, const std::map<int, double>& vibrational,
                             const std::function<bool(int v)>& hasLevel, int vMax) {
    std::vector<int> chosen;
    std::vector<double> weights;
    double sum = 0.0;
    for (const auto& [v, weight] : vibrational) {
        if (!hasLevel(v))
            throw std::invalid_argument("population of v = " + std::to_string(v) + ": the populated state has v 0.." +
                                        std::to_string(vMax));
        if (!std::isfinite(weight) || weight < 0.0)
            throw std::invalid_argument("population of v = " + std::to_string(v) +
                                        " must be a finite number, 0 or more");
        if (weight == 0.0) continue;
        chosen.push_back(v);
        weights.push_back(weight);
        sum += weight;
    }
    if (sum <= 0.0) throw std::invalid_argument("populations: no vibrational level has a population above 0");
    for (double& w : weights) w /= sum;
    p.levels = std::move(chosen);
    p.weights = std::move(weights);
}

}  // namespace velmora::populations
