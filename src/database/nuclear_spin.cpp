#include "database/nuclear_spin.h"

namespace velmora::database {

NuclearSpinWeights IdenticalNucleiWeights(int twoI) {
    const double I = twoI / 2.0, more = (I + 1) * (2 * I + 1), fewer = I * (2 * I + 1);
    return twoI % 2 == 0 ? NuclearSpinWeights{more, fewer} : NuclearSpinWeights{fewer, more};
}

ExchangeSymmetry ExchangeSymmetryOf(bool gerade, int twoJ, Parity parity) {
    return TotalParity(twoJ, parity) * (gerade ? 1 : -1) > 0 ? ExchangeSymmetry::symmetric
                                                             : ExchangeSymmetry::antisymmetric;
}

double NuclearSpinWeight(const NuclearSpinWeights& weights, bool gerade, int twoJ, Parity parity) {
    return ExchangeSymmetryOf(gerade, twoJ, parity) == ExchangeSymmetry::symmetric ? weights.symmetric
                                                                                   : weights.antisymmetric;
}

}  // namespace velmora::database
