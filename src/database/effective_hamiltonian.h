// Rotational levels of a diatomic electronic state of any spin from its effective Hamiltonian.
//
// The Hamiltonian (cm-1) is the N² Hamiltonian with the Λ-doubling operators O, P, Q, its
// centrifugal terms written as anticommutators {X, Y} = XY + YX, N = J − S:
//
//   H = T + B N² − D N⁴ + H N⁶ + L N⁸ + M N¹⁰
//     + A LzSz + (A_D/2){N², LzSz} + (A_H/2){N⁴, LzSz}
//     + λ (2/3)(3Sz² − S²) + (λ_D/2){N², (2/3)(3Sz² − S²)}
//     + γ N·S + (γ_D/2){N², N·S} + (γ_H/2){N⁴, N·S}
//     + o O + (o_D/2){N², O} + (o_H/2){N⁴, O} + p P + (p_D/2){N², P} + (p_H/2){N⁴, P}
//     + q Q + (q_D/2){N², Q} + (q_H/2){N⁴, Q}
//
//   O =  ½ (S+² e^(−2iφ) + S−² e^(+2iφ))
//   P = −½ (N+ S+ e^(−2iφ) + N− S− e^(+2iφ))        (molecule-fixed N± = J± − S±)
//   Q =  ½ (N+² e^(−2iφ) + N−² e^(+2iφ))
//
// O, P and Q join Λ = +1 and −1 only (Π states); <Λ = −1| e^(−2iφ) |Λ = +1> = +1. The spin–spin
// term is trace-free and A LzSz = A Λ Σ, so T is the spin-free, rotationless origin.
//
// Basis. Each (J, parity) block is built on the parity-adapted Hund's case (a) functions
// (|Λ Σ Ω> + ρ |−Λ −Σ −Ω>)/√2 with Λ ≥ 0 (Σ > 0 when Λ = 0), Ω = Λ + Σ, |Ω| ≤ J, and for Λ = 0 of
// integer S the function |Σ = 0> alone, which belongs to ρ = +1. With the reflection
// E*|Λ S Σ J Ω> = (−1)^(J − S + s) |−Λ −Σ −Ω> (s = 1 for Σ⁻, else 0) a function of sign ρ has
// total parity ρ (−1)^(J − S + s). Levels are labelled e when their total parity is +(−1)^J
// (integer J) or +(−1)^(J − 1/2) (half-integer J), f otherwise (Brown et al. 1975), so the e
// functions have ρ = (−1)^(⌊S⌋ + s): for 2Π and 2Σ⁺ the + combination is e, for 3Π and 3Σ⁺ the
// − combination, and the 3Σ Σ = 0 function is f in 3Σ⁺, e in 3Σ⁻. The functions of a block are
// ordered by Σ from +S down (Ω = Λ + S first).
//
// Labels. A level of J is F_i, i = 1 .. 2S + 1, with the case (b) N = J − S − 1 + i (F1 is
// J = N + S, the last F is J = N − S). Within a (J, parity) block the eigenvalues never cross, so
// labels that follow the energy order stay attached to one ladder from case (a) to case (b):
//   case (b) labelling — the levels of the block, lowest first, take the N of the block
//     ascending: the N from |J − S| to J + S with N ≥ Λ (for Λ = 0 those whose case (b) parity
//     (−1)^(N + s) is the block's). At the lowest J the missing labels are the low ones: the
//     single level of a 2Π at J = 1/2 is F2 (N = 1), of a 3Π at J = 0 F3 (N = 1).
//   case (a) labelling — the i-th lowest level of the block is F_i; at the lowest J the missing
//     labels are the high ones (the J = 1/2 level of a 2Π is F1), and N is the formal
//     J − S − 1 + i, below Λ there. It is the labelling of regular 2Π states near case (a).
//   by energy per J — the levels of one J from both parity blocks, lowest first, take the case
//     (b) labels in order of N (2Σ constants of the sorted convention: where γ > 2B the F2 level
//     of J lies lowest and is called F1); e/f stays the parity of the level.
#pragma once

#include <array>
#include <utility>
#include <vector>

namespace velmora::database {

/// Largest number of basis functions of a (J, parity) block: 2S + 1 for S up to 3/2.
inline constexpr int kMaxBlock = 4;

/// e/f parity label of a level.
enum class Parity { e, f };

/// How the levels of a state take their F labels (see the header comment).
enum class LevelLabelling { caseB, caseA, byEnergyPerJ };

/// Variants of the Hamiltonian in which older constant sets are written; the defaults give the
/// N² Hamiltonian above.
struct HamiltonianForm {
    /// B, D, H, L, M and the spin–orbit distortion terms A_D, A_H take powers of R² = N² − Λ²
    /// instead of N² (the R² Hamiltonian); the other anticommutators keep N².
    bool rotationInR2 = false;
    /// Weight b of an additional b A_H X² LzSz X² (X² the rotational operator) beside
    /// (A_H/2){X⁴, LzSz}.
    double spinOrbitHExtra = 0.0;
    /// Spin–rotation G(J) (N·S − LzSz), G(J) = γ + γ_D J(J + 1) + γ_H [J(J + 1)]², instead of the
    /// anticommutator form.
    bool spinRotationInJ = false;
    /// Λ-doubling O(J) O + P(J) (P − N·S/2) + Q(J) (Q + N²/2), each constant a polynomial
    /// x + x_D J(J + 1) + x_H [J(J + 1)]², instead of the anticommutator form.
    bool lambdaDoublingInJ = false;
    /// The term p A / (8B) added to the diagonal of the Ω = 1/2 functions of a 2Π state.
    bool piOmegaHalfShift = false;
    /// In the 2Σ levels with N = J + 1/2 the distortion terms γ_D and γ_H enter with the
    /// opposite sign.
    bool sigmaF2DistortionReversed = false;
    /// Λ-doubling of a 2Δ state, σ = −1 (e), +1 (f), w = (J + 1/2)², j = J + 1/2:
    /// H(Ω = 3/2, 3/2) += σ (4q + p)/2 j (w − 1), H(Ω = 5/2, 3/2) −= σ sqrt(w − 4) (q/2) j (w − 1).
    bool deltaDoubling = false;
};

/// An electronic state: Λ, spin, Σ± symmetry, the form of its constants and its labelling.
struct ElectronicState {
    int lambda = 0;           ///< Λ: 0 Σ, 1 Π, 2 Δ
    int twoS = 1;             ///< 2S: 0 singlet, 1 doublet, 2 triplet, 3 quartet
    bool sigmaMinus = false;  ///< a Σ⁻ state (Λ = 0 only)
    LevelLabelling labelling = LevelLabelling::caseB;
    HamiltonianForm form;
};

/// The constants of one vibrational level (cm-1), named as the columns of the levels tables;
/// zero where a constant is unknown or not used.
struct StateConstants {
    double T = 0, B = 0, D = 0, H = 0, L = 0, M = 0;
    double A = 0, A_D = 0, A_H = 0;
    double spinSpin = 0, spinSpin_D = 0;  ///< λ, λ_D
    double gamma = 0, gamma_D = 0, gamma_H = 0;
    double o = 0, o_D = 0, o_H = 0;
    double p = 0, p_D = 0, p_H = 0;
    double q = 0, q_D = 0, q_H = 0;
};

/// A function of the parity-adapted case (a) basis, named by its member of non-negative Λ (and
/// non-negative Σ when Λ = 0): twice Σ and twice Ω.
struct CaseAFunction {
    int twoSigma = 0;
    int twoOmega = 0;
};

/// One rotational level: quantum numbers, label, term value and case (a) eigenvector.
struct RotationalLevel {
    int twoJ = 0;  ///< twice J
    Parity parity = Parity::e;
    int F = 1;            ///< F1 .. F(2S + 1)
    int N = 0;            ///< case (b) N of the label, J − S − 1 + F
    double energy = 0;    ///< term value, cm-1
    int combination = 1;  ///< ρ of the block's functions (|Λ Σ Ω> + ρ |−Λ −Σ −Ω>)/√2
    int size = 0;         ///< number of basis functions of the block
    std::array<CaseAFunction, kMaxBlock> basis{};
    std::array<double, kMaxBlock> vector{};  ///< normalised, largest component positive
};

/// The levels of one J, both parity blocks, each lowest first (e block first).
struct JLevels {
    int count = 0;
    std::array<RotationalLevel, 2 * kMaxBlock> level{};
};

/// The levels of J = twoJ/2 of a state with the given constants: every (J, parity) block
/// diagonalised numerically. None when J is below the state's lowest J or of the wrong kind
/// (twoJ must have the parity of twoS). Throws std::invalid_argument for a state outside
/// Λ 0..2, 2S 0..3.
JLevels LevelsOfJ(const ElectronicState& state, const StateConstants& constants, int twoJ);

/// The index (0 .. size − 1) of the largest component of a level's eigenvector.
int DominantComponent(const RotationalLevel& level);

/// Total parity (+1 or −1) of a level: e is +(−1)^J for integer J, +(−1)^(J − 1/2) else.
int TotalParity(int twoJ, Parity parity);

/// Every level of one vibrational level from the lowest J up to twoJMax, in order of J.
class StateLevels {
public:
    StateLevels() = default;
    StateLevels(const ElectronicState& state, const StateConstants& constants, int twoJMax);

    const ElectronicState& State() const { return state_; }
    const std::vector<RotationalLevel>& Levels() const { return levels_; }
    /// The level of J = twoJ/2 with label F and the given parity; nullptr when there is none.
    const RotationalLevel* Find(int twoJ, int F, Parity parity) const;
    /// The levels of J = twoJ/2 (pointer to the first and their number).
    std::pair<const RotationalLevel*, int> OfJ(int twoJ) const;

private:
    ElectronicState state_;
    int twoJMin_ = 0;
    std::vector<RotationalLevel> levels_;
    std::vector<int> first_;  ///< index of the first level of each J, from twoJMin_ in steps of 2
};

}  // namespace velmora::database
