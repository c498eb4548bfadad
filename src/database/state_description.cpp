#include "database/state_description.h"

#include "database/effective_hamiltonian.h"
#include "database/nuclear_spin.h"

namespace velmora::database {

bool CaseALabels(const StateDescription& state, float ratio) {
    if (state.lambda == 0) return false;
    if (!state.labelling) return !(ratio <= 4.0f);
    return *state.labelling == LevelLabelling::caseA;
}

bool SigmaLevelIsE(const StateDescription& state, int N, int twoJ) {
    // e when N − ⌊J⌋ + s is even (⌊J⌋ = J − j; below J = 0, where no level is, as well).
    const int floorJ = twoJ >= 0 ? twoJ / 2 : -((1 - twoJ) / 2);
    const int exponent = N - floorJ + (state.sigmaMinus ? 1 : 0);
    return exponent % 2 == 0;
}

double NuclearSpinWeight(const NuclearSpin& spin, const StateDescription& state, int N, int twoJ, bool e) {
    if (!spin.homonuclear) return 1.0;
    const bool levelE = state.lambda == 0 ? SigmaLevelIsE(state, N, twoJ) : e;
    return NuclearSpinWeight(NuclearSpinWeights{spin.symmetric, spin.antisymmetric},
                             state.inversion == Inversion::Gerade, twoJ, levelE ? Parity::e : Parity::f);
}

LowerParity LowerParityIndices(const StateDescription& upper, const StateDescription& lower) {
    if (upper.lambda >= 1) return {2, 1};
    if (lower.lambda == 0) return {1, 1};
    return upper.IsSigmaMinus() ? LowerParity{2, 1} : LowerParity{1, 2};
}

bool UsesLowerComponentException(const StateDescription& upper, const StateDescription& lower) {
    return lower.lambda == 1 && !upper.IsSigmaMinus();
}

}  // namespace velmora::database
