// What the physics of a band system needs to know about its molecule and its two electronic
// states, as the catalogue describes them: Λ, S, the Σ± and g/u symmetries, how the levels of a
// Λ ≥ 1 state are labelled, the nuclear-spin statistics and the energy zero. Every rule that
// depends on the kind of state (e/f labels, parity blocks, nuclear-spin weights, which lower
// parity block a branch reaches) is a function of these descriptions, never of an entry number
// or a molecule name. The fields are those the effective-Hamiltonian engine takes
// (ElectronicState: Λ, 2S, Σ⁻, labelling; NuclearSpinWeights).
#pragma once

#include <optional>
#include <string>

namespace velmora {

namespace database {
enum class LevelLabelling;  // effective_hamiltonian.h: caseB, caseA, byEnergyPerJ
}  // namespace database

/// Inversion symmetry of a state of a homonuclear molecule (g, u); none for a heteronuclear one.
enum class Inversion { None, Gerade, Ungerade };

/// Where the energy zero of a band system lies.
enum class EnergyZero {
    LowestLevel,  ///< the lowest level of v'' = 0 of the lower state is 0 cm-1
    Absolute,     ///< the term values as the constants give them (terms below 0 are levels too)
};

/// One electronic state.
struct StateDescription {
    int lambda = 0;           ///< Λ: 0 Σ, 1 Π, 2 Δ
    int twoS = 1;             ///< 2S: 0 singlet, 1 doublet, 2 triplet
    bool sigmaMinus = false;  ///< a Σ⁻ state (Λ = 0 only)
    Inversion inversion = Inversion::None;
    /// How the levels of a Λ ≥ 1 state take their F labels (the engine's case (a) and case (b)
    /// labelling: the single level of the lowest J of a 2Π state is F1 with N = 0, or F2 with
    /// N = 1). None, as in catalogues that do not describe their states: a Π level is labelled in
    /// case (a) where its A/B is above 4, in case (b) otherwise (each rule comparing the ratio it
    /// always compared).
    std::optional<database::LevelLabelling> labelling;

    int Multiplicity() const { return twoS + 1; }
    bool IsSigmaMinus() const { return lambda == 0 && sigmaMinus; }
    /// Parity blocks of the term tables: both e and f for Λ ≥ 1 (a Λ doublet); one for a Σ state,
    /// whose every level has the parity its N and Σ± give it.
    int ParityBlocks() const { return lambda == 0 ? 1 : 2; }
};

/// Nuclear-spin statistics of a molecule: the weights of the levels symmetric and antisymmetric
/// under exchange of the nuclei (database::NuclearSpinWeights). They are relative (the
/// populations are normalised); a weight 0 removes those levels (¹²C2: the antisymmetric ones).
struct NuclearSpin {
    bool homonuclear = false;  ///< false: every level has weight 1
    double symmetric = 1.0, antisymmetric = 1.0;
};

/// The molecule of a catalogue entry.
struct MoleculeDescription {
    std::string name;                                ///< as shown to the user ("N2+"; its files keep the code, "N2P")
    int hitranMolecule = 0, hitranIsotopologue = 0;  ///< 0: not a HITRAN molecule
    NuclearSpin nuclearSpin;
};

/// Everything the physics of one catalogue entry takes from its description.
struct SystemDescription {
    MoleculeDescription molecule;
    StateDescription upper, lower;
    EnergyZero energyZero = EnergyZero::LowestLevel;
    /// False for a system whose band strengths are relative only (no lifetime, band coefficient
    /// or transition moment is known, and VELMORA.SYS gives it no reference lifetime): Einstein A
    /// in s-1, lifetimes, yields under quenching, gated detection and absolute absorption are not
    /// known (NoAbsoluteScale).
    bool absoluteScale = true;
    /// The state s (1 upper, 2 lower).
    const StateDescription& State(int s) const { return s == 1 ? upper : lower; }
};

namespace database {

/// True when the levels of a Λ ≥ 1 state whose level has the spin-orbit ratio A/B = ratio carry
/// case (a) labels; false for a Σ state.
bool CaseALabels(const StateDescription& state, float ratio);

/// The e/f label of a Σ level with case (b) number N and J = twoJ/2: e when its total parity
/// (−1)^(N + s) (s = 1 for Σ⁻) is the e parity of J, +(−1)^(J − j) (j = 1/2 for half-integer J,
/// else 0). For 2Σ⁺ F1 (J = N + 1/2) is e and F2 f; for 3Σ⁺ F2 (J = N) is e and F1, F3 are f.
bool SigmaLevelIsE(const StateDescription& state, int N, int twoJ);

/// Nuclear-spin weight of a level of a state of the molecule (1 for a heteronuclear one): its
/// exchange symmetry from its total parity and the g/u symmetry (nuclear_spin.h); a Σ level's
/// parity from N, a Λ-doublet level's from its e/f label.
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
