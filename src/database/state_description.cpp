#include "database/state_description.h"

namespace velmora::database {

namespace {

/// (−1)^n for any integer n.
int Sign(int n) { return n % 2 == 0 ? 1 : -1; }

/// J − j of a level, j = 1/2 for half-integer J and 0 for integer J: the exponent of the e/f
/// parity convention.
int WholePartOfJ(int twoJ) { return twoJ >= 0 ? twoJ / 2 : -((1 - twoJ) / 2); }

}  // namespace

bool CaseALabels(const StateDescription& state, float ratio) {
    return state.lambda != 0 && CaseALabels(state.labels, ratio);
}

bool CaseALabels(LevelLabels labels, float ratio) {
    switch (labels) {
        case LevelLabels::CaseA:
            return true;
        case LevelLabels::CaseB:
            return false;
        case LevelLabels::SpinOrbitRatio:
            break;
    }
    return !(ratio <= 4.0f);
}

int TotalParity(const StateDescription& state, int N, int twoJ, bool e) {
    if (state.lambda == 0) return state.reflection == Reflection::Minus ? -Sign(N) : Sign(N);
    return e ? Sign(WholePartOfJ(twoJ)) : -Sign(WholePartOfJ(twoJ));
}

bool SigmaLevelIsE(const StateDescription& state, int N, int twoJ) {
    return TotalParity(state, N, twoJ, true) == Sign(WholePartOfJ(twoJ));
}

double NuclearSpinWeight(const NuclearSpin& spin, const StateDescription& state, int N, int twoJ, bool e) {
    if (!spin.homonuclear) return 1.0;
    const int exchange = TotalParity(state, N, twoJ, e) * (state.inversion == Inversion::Ungerade ? -1 : 1);
    return exchange > 0 ? spin.symmetric : spin.antisymmetric;
}

LowerParity LowerParityIndices(const StateDescription& upper, const StateDescription& lower) {
    if (upper.lambda >= 1) return {2, 1};
    if (lower.lambda == 0) return {1, 1};
    return upper.reflection == Reflection::Minus ? LowerParity{2, 1} : LowerParity{1, 2};
}

bool UsesLowerComponentException(const StateDescription& upper, const StateDescription& lower) {
    return lower.lambda == 1 && !upper.IsSigmaMinus();
}

}  // namespace velmora::database
