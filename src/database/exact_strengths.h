// Exact line strengths of doublet–doublet transitions in intermediate coupling.
//
// Each level of a 2Σ, 2Π or 2Δ state is an eigenvector of the Hill–Van Vleck Hamiltonian
// H = A Lz Sz + B (J − L − S)² in the Hund's case (a) basis |Λ Σ Ω> (a 2×2 block per J and e/f
// parity for Λ ≥ 1), symmetrised under the reflection σv. The transition moment of a parallel
// (ΔΛ = 0) or perpendicular (ΔΛ = ±1) band couples the case (a) states through Wigner 3j
// symbols; the line strength is the squared matrix element between two such levels, summed over
// M, for a unit electronic transition moment.
#pragma once

#include <array>

namespace velmora::database {

/// A doublet electronic state: Λ, the constants of H = A Lz Sz + B (J − L − S)² (cm-1; only
/// A/B matters for the strengths), and for Λ = 0 whether it is a 2Σ⁻ state.
struct DoubletState {
    int lambda = 0;
    double A = 0;
    double B = 1;
    bool sigmaMinus = false;
};

/// One rotational level of a doublet state.
struct DoubletLevel {
    int twoJ = 1;   ///< twice J
    int F = 1;      ///< 1 the lower, 2 the upper level of its (J, e/f) block; for Λ ≥ 1 the single
                    ///< level at J = Λ − 1/2 is F = 2. For Λ = 0, F1 is e in 2Σ⁺ and f in 2Σ⁻.
    bool e = true;  ///< e/f label: e levels have total parity (−1)^(J − 1/2)
};

/// Wigner 3j symbol (j1 j2 j3; m1 m2 m3), every argument given as twice its value (Racah's formula).
double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3);

/// The case (a) block of a Λ ≥ 1 state at J ≥ Λ + 1/2 (twoJ ≥ 2Λ + 1) in the basis
/// (|Ω = Λ + 1/2>, |Ω = Λ − 1/2>): energies {lower, upper} (cm-1, without the Λ-doubling) and
/// the eigenvector of each.
struct DoubletBlock {
    std::array<double, 2> energy;
    std::array<std::array<double, 2>, 2> vector;
};
DoubletBlock HillVanVleckBlock(const DoubletState& s, int twoJ);

/// Line strength |<upper|μ|lower>|² summed over M between two levels, unit electronic moment.
/// 0 when a level does not exist (J below the state's lowest, a Σ level of the wrong e/f label,
/// F = 1 at J = Λ − 1/2) or when the e/f selection rule or |ΔJ| ≤ 1 forbids the line.
double LineStrength(const DoubletState& up, const DoubletLevel& u, const DoubletState& low, const DoubletLevel& l);

/// How the term table of a state labels its levels: row N of F1 has J = N + 1/2 and is the lower
/// level of its block, row N of F2 has J = N − 1/2 and is the upper one. The single level at
/// J = Λ − 1/2 of a Λ ≥ 1 state sits at F1 row Λ − 1 in case (a) labelling, else at F2 row Λ.
struct TermLabelling {
    DoubletState state;
    bool singleLevelInF1 = false;
};

/// Exact Hönl-London factor of branch b (1..12 of the first set; shape as in the line-position
/// table) at lower row N, between the levels the two term tables hold there, paired by the e/f
/// rule. Normalised as the closed-form tables: the lines from one level of the lower state sum
/// to 2J'' + 1 (the squared 3j strength, halved for a Σ–Π or Π–Σ band).
double ExactHonlLondon(const TermLabelling& up, const TermLabelling& low, int b, int N);

}  // namespace velmora::database
