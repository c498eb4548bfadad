#include "populations/selected_populations.h"

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

}  // namespace velmora::populations
