// Exact line strengths of doublet–doublet transitions in intermediate coupling.
//
// Each level of a 2Σ, 2Π or 2Δ state is a vector in the Hund's case (a) basis |Λ Σ Ω>: for
// Λ ≥ 1 the eigenvector of its (J, e/f) block of the effective Hamiltonian over
// (|Ω = Λ + 1/2>, |Ω = Λ − 1/2>), for a 2Σ state the single |Ω = 1/2> state; each is
// symmetrised under the reflection σv, σv |Λ Σ Ω> = (−1)^(J − S) s |−Λ −Σ −Ω> (s = −1 for 2Σ⁻),
// so that e levels have total parity +(−1)^(J − 1/2) and f levels −(−1)^(J − 1/2). The electric
// dipole moment of a parallel (ΔΛ = 0) or perpendicular (ΔΛ = ±1) band couples case (a) states
// of equal Σ through
//     <J' Ω'|μ|J'' Ω''> ∝ (−1)^(J' − Ω') sqrt((2J' + 1)(2J'' + 1)) (J' 1 J''; −Ω' Ω' − Ω'' Ω''),
// and the line strength is the squared matrix element between two levels, summed over M, for a
// unit electronic transition moment. Summed over the lines of one level it gives 2J + 1.
#pragma once

#include <array>

namespace velmora::database {

/// A doublet electronic state: Λ and, for Λ = 0, whether it is a 2Σ⁻ state.
struct DoubletState {
    int lambda = 0;
    bool sigmaMinus = false;
};

/// One rotational level of a doublet state.
struct DoubletLevel {
    int twoJ = 1;   ///< twice J
    bool e = true;  ///< e/f label (for a 2Σ⁺ state F1 is e, F2 is f; the reverse in 2Σ⁻)
    /// Coefficients of |Ω = Λ + 1/2> and |Ω = Λ − 1/2> (normalised); a 2Σ level is {1, 0}. At
    /// J = Λ − 1/2 of a Λ ≥ 1 state only |Ω = Λ − 1/2> exists: {0, 1}.
    std::array<double, 2> omega{1.0, 0.0};
};

/// Wigner 3j symbol (J1 1 J2; m1 q m2) of a dipole transition, arguments given as twice their
/// values (q = −m1 − m2, |J1 − J2| ≤ 1): closed forms of the vector-coupling coefficients with
/// one angular momentum 1. 0 where the symbol vanishes.
double DipoleThreeJ(int twoJ1, int twoJ2, int twoM1, int twoM2);

/// Line strength |<upper|μ|lower>|² summed over M between two levels, unit electronic moment.
/// 0 when the e/f selection rule or |ΔJ| ≤ 1 forbids the line.
double LineStrength(const DoubletState& up, const DoubletLevel& u, const DoubletState& low, const DoubletLevel& l);

/// Eigenvectors of a symmetric 2×2 block [[h11, h12], [h12, h22]]: {lower, upper} level.
std::array<std::array<double, 2>, 2> BlockEigenvectors(double h11, double h12, double h22);

}  // namespace velmora::database
