// A one-entry catalogue for population tests: the populated upper state with a given Λ, levels
// 0..vmax with rows 0..nmaxRot each, and empty population arrays.
#pragma once

#include "database/database_state.h"
#include "populations/population_model.h"
#include "populations/population_state.h"

namespace velmora::testing {

inline void PrepareOneEntry(DatabaseState& db, PopulationState& pop, int lambda, int vmax, int nmaxRot, int maxN) {
    Catalogue& cat = db.cat;
    cat.CatalogueCount = 1;
    cat.MaxVUpper = vmax;
    cat.MaxVLower = vmax;
    cat.MaxN = maxN;
    db.systemEntry = 1;
    cat.StateLambda.Resize(1, 2, 0, 1);
    cat.StateLambda(1, 1) = lambda;
    cat.NMaxVib.Resize(0, 1, 0, 2);
    cat.NMaxVib(1, 1) = vmax;
    cat.NMaxVib(1, 2) = vmax;
    cat.NMaxRot.Resize(0, 1, 0, vmax + 10);
    for (int v = 0; v <= vmax + 10; ++v) cat.NMaxRot(1, v) = nmaxRot;
    cat.NMaxRotAll.Resize(0, 1);
    cat.NMaxRotAll(1) = nmaxRot;
    pop.PopState = ElectronicState::Upper;
    pop.PopLambda = lambda;
    populations::DimensionPopulationArrays(pop, cat);
}

}  // namespace velmora::testing
