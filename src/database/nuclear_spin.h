// Nuclear-spin statistics of homonuclear diatomic molecules.
//
// Exchanging two identical nuclei is the product of the reflection E* and the inversion of the
// electrons, so a level is symmetric (s) when its total parity times the g/u symmetry of its
// electronic state (+1 g, −1 u) is +1, antisymmetric (a) otherwise; the total parity of a level
// is +(−1)^J for e, −(−1)^J for f (J − 1/2 for half-integer J), and for a Σ state it is (−1)^(N + s)
// of its case (b) N, so Σ⁺ and Σ⁻ differ through their e/f labels. Radiative transitions keep s
// and a. The weights of the s and a levels are parameters (for nuclei of spin I: bosons
// (I + 1)(2I + 1) and I(2I + 1), fermions the reverse; 14N2 6 and 3, 12C2 1 and 0, the a levels
// absent); a heteronuclear molecule has equal weights.
#pragma once

#include "database/effective_hamiltonian.h"

namespace velmora::database {

enum class ExchangeSymmetry { symmetric, antisymmetric };

/// Weights of the levels symmetric and antisymmetric under exchange of the nuclei.
struct NuclearSpinWeights {
    double symmetric = 1.0;
    double antisymmetric = 1.0;
};

/// The weights of two identical nuclei of spin I = twoI/2.
NuclearSpinWeights IdenticalNucleiWeights(int twoI);

/// Symmetry under exchange of the nuclei of a level of a g (gerade = true) or u state.
ExchangeSymmetry ExchangeSymmetryOf(bool gerade, int twoJ, Parity parity);

/// The nuclear-spin weight of a level of a g or u state (0: the level does not exist).
double NuclearSpinWeight(const NuclearSpinWeights& weights, bool gerade, int twoJ, Parity parity);

}  // namespace velmora::database
