// What the physics of a band system needs to know about its molecule and its two electronic
// states, as the catalogue describes them: Λ, S, the Σ± and g/u symmetries, how the levels of a
// Λ ≥ 1 state are labelled, the nuclear-spin statistics and the energy zero. Every rule that
// depends on the kind of state (e/f labels, parity blocks, nuclear-spin weights, which lower
// parity block a branch reaches) is a function of these descriptions, never of an entry number
// or a molecule name.
#pragma once

#include <string>

namespace velmora {

/// Reflection symmetry σv of a Σ state (Σ⁺ or Σ⁻); none for Λ ≥ 1.
enum class Reflection { None, Plus, Minus };

/// Inversion symmetry of a state of a homonuclear molecule (g, u); none for a heteronuclear one.
enum class Inversion { None, Gerade, Ungerade };

/// How the levels of a Λ ≥ 1 doublet state are labelled F1 and F2. At every J above the lowest
/// the lower level of each (J, e/f) block is F1 (J = N + 1/2) and the upper F2 (J = N − 1/2); the
/// labelling decides where the single level of the lowest J (J = Λ − 1/2) stands:
///   CaseB: as F2 with N = Λ (the F1 ladder starts at J = Λ + 1/2): Hund's case (b) labels;
///   CaseA: as F1 with N = Λ − 1 (the lower ladder starts at J = Λ − 1/2): case (a) labels;
///   SpinOrbitRatio: case (a) labels where A/B of the level is above 4, else case (b) — the rule
///       of catalogues that do not describe their states (where each caller compares the ratio
///       it always compared).
enum class LevelLabels { CaseB, CaseA, SpinOrbitRatio };

/// Where the energy zero of a band system lies.
enum class EnergyZero {
    LowestLevel,  ///< the lowest level of v'' = 0 of the lower state is 0 cm-1
    Absolute,     ///< the term values as the constants give them (terms below 0 are levels too)
};

/// One electronic state.
struct StateDescription {
    int lambda = 0;                           ///< Λ: 0 Σ, 1 Π, 2 Δ
    int twoS = 1;                             ///< 2S: 0 singlet, 1 doublet, 2 triplet
    Reflection reflection = Reflection::Plus;  ///< Σ⁺ or Σ⁻ (Λ = 0), None (Λ ≥ 1)
    Inversion inversion = Inversion::None;
    LevelLabels labels = LevelLabels::CaseB;  ///< Λ ≥ 1 only

    int Multiplicity() const { return twoS + 1; }
    bool IsSigmaMinus() const { return lambda == 0 && reflection == Reflection::Minus; }
    /// Parity blocks of the term tables: both e and f for Λ ≥ 1 (a Λ doublet); one for a Σ state,
    /// whose every level has the parity its N and Σ± give it.
    int ParityBlocks() const { return lambda == 0 ? 1 : 2; }
};

/// Nuclear-spin statistics of a molecule. The weights are relative (the populations are
/// normalised): for nuclei of spin I, (I + 1)/I (bosons) or I/(I + 1) (fermions) of symmetric
/// to antisymmetric levels; a weight 0 removes those levels (¹²C2: the antisymmetric ones).
struct NuclearSpin {
    bool homonuclear = false;  ///< false: every level has weight 1
    double symmetric = 1.0;    ///< weight of levels symmetric under exchange of the nuclei
    double antisymmetric = 1.0;
};

/// The molecule of a catalogue entry.
struct MoleculeDescription {
    std::string name;  ///< as shown to the user ("N2+"; its files keep the code, "N2P")
    int hitranMolecule = 0, hitranIsotopologue = 0;  ///< 0: not a HITRAN molecule
    NuclearSpin nuclearSpin;
};

/// Everything the physics of one catalogue entry takes from its description.
struct SystemDescription {
    MoleculeDescription molecule;
    StateDescription upper, lower;
    EnergyZero energyZero = EnergyZero::LowestLevel;
    /// The state s (1 upper, 2 lower).
    const StateDescription& State(int s) const { return s == 1 ? upper : lower; }
};

namespace database {

/// True when the levels of a Λ ≥ 1 state with spin-orbit ratio A/B = ratio carry case (a)
/// labels (see LevelLabels); false for a Σ state.
bool CaseALabels(const StateDescription& state, float ratio);
/// The same for a state labelled `labels`.
bool CaseALabels(LevelLabels labels, float ratio);

/// Total parity (+1 or −1) of a level at J = twoJ/2: of a Σ level with case (b) number N,
/// σ (−1)^N (σ = −1 for Σ⁻); of a level of a Λ doublet, +(−1)^(J − j) for e and −(−1)^(J − j)
/// for f, j = 1/2 for half-integer J and 0 for integer J.
int TotalParity(const StateDescription& state, int N, int twoJ, bool e);

/// The e/f label of a Σ level (N, J = twoJ/2): e when its total parity is +(−1)^(J − j). For a
/// 2Σ⁺ state F1 (J = N + 1/2) is e and F2 f; for 3Σ⁺ F2 (J = N) is e and F1, F3 are f.
bool SigmaLevelIsE(const StateDescription& state, int N, int twoJ);

/// Nuclear-spin weight of a level (1 for a heteronuclear molecule): a level of a homonuclear
/// molecule is symmetric under exchange of the nuclei when its total parity times (+1 g, −1 u)
/// is +1.
double NuclearSpinWeight(const NuclearSpin& spin, const StateDescription& state, int N, int twoJ, bool e);

/// Parity blocks (1 e, 2 f) of the lower state that the branches of a band with a Σ upper state
/// reach: l1 those of P1, R1, O12, Q12 and R21 (J changes by one from the upper F1 level, or by
/// zero from F2), l2 the others. A dipole line keeps e/f when J changes by one and changes it
/// when J stays, and the F1 levels of a Σ⁺ state are e: (1, 2) over a Λ doublet, (2, 1) under a
/// Σ⁻ upper state. Over a Σ lower state, whose term tables hold the same level in both blocks,
/// (1, 1). With a Λ ≥ 1 upper state the branch set chooses the blocks and these are not used.
struct LowerParity {
    int l1 = 2;
    int l2 = 1;
};
LowerParity LowerParityIndices(const StateDescription& upper, const StateDescription& lower);

/// True when the populations of a Π lower state are read by the fixed lower components of
/// branches 1..12 (1 F1 e, 2 F2 f, 3 F1 f, 4 F2 e: P1 from F1 e, P2 from F2 f, Q1 from F1 f, ...).
/// Those are the levels the first branch set reaches when the lower blocks are (1, 2): under a
/// Λ ≥ 1 upper state and under a Σ⁺ one, not under a Σ⁻ upper state.
bool UsesLowerComponentException(const StateDescription& upper, const StateDescription& lower);

}  // namespace database
}  // namespace velmora
