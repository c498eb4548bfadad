// Independent references for the term and line-strength tests: the N² Hamiltonian of a 2Π state
// written as operator algebra and diagonalised numerically, Racah's formulas of the 3j and 6j symbols, the
// branch names, and a small database state for the band computations.
#pragma once

#include <array>
#include <string>

#include "database/database_state.h"

namespace velmora::testing {

/// Constants of the N² Hamiltonian of a 2Π state (cm-1), in the published form.
struct PiConstants {
    double T = 0, B = 0, D = 0, H = 0, L = 0, A = 0, AD = 0, gamma = 0, gammaD = 0, gammaH = 0;
    double p = 0, pD = 0, pH = 0, q = 0, qD = 0, qH = 0;
};

/// {lower, upper} eigenvalue at J ≥ 3/2 (ε = −1 for e, +1 for f) of
/// H = T + A LzSz + (A_D/2){N², LzSz} + B N² − D N⁴ + H N⁶ + L N⁸ + γ N·S + (γ_D/2){N², N·S}
///   + (γ_H/2){N⁴, N·S} + p P + (p_D/2){N², P} + (p_H/2){N⁴, P} + q Q + (q_D/2){N², Q} + (q_H/2){N⁴, Q}
/// in the case (a) parity basis (|Ω = 3/2>, |Ω = 1/2>); at J = 1/2 {0, the Ω = 1/2 level}.
std::array<double, 2> PiN2Levels(const PiConstants& c, double J, int epsilon);

/// Eigenvectors over (|Ω = 3/2>, |Ω = 1/2>) of the same Hamiltonian at J ≥ 3/2: {lower, upper}.
std::array<std::array<double, 2>, 2> PiN2Vectors(const PiConstants& c, double J, int epsilon);

/// Wigner 3j symbol (j1 j2 j3; m1 m2 m3) by Racah's formula, every argument given doubled.
double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3);

/// Wigner 6j symbol {j1 j2 j3; j4 j5 j6} by Racah's formula, every argument given doubled.
double Wigner6j(int tj1, int tj2, int tj3, int tj4, int tj5, int tj6);

/// The twelve branches of a set by their names: letter = ΔN = N' − N'' (O P Q R S), then the
/// upper and lower F when they differ.
struct NamedBranch {
    const char* name;
    int deltaN, upperF, lowerF;
};
inline constexpr NamedBranch kBranch[13] = {{"", 0, 0, 0},    {"P1", -1, 1, 1},  {"P2", -1, 2, 2}, {"Q1", 0, 1, 1},
                                            {"Q2", 0, 2, 2},  {"R1", 1, 1, 1},   {"R2", 1, 2, 2},  {"O12", -2, 1, 2},
                                            {"Q12", 0, 1, 2}, {"P12", -1, 1, 2}, {"R21", 1, 2, 1}, {"Q21", 0, 2, 1},
                                            {"S21", 2, 2, 1}};

/// Twice J of row N of component F (F1: J = N + 1/2, F2: J = N − 1/2).
inline int TwoJ(int N, int F) { return 2 * N + (F == 1 ? 1 : -1); }

/// A DatabaseState whose catalogue holds entries 1..entry, all of them the given system, with
/// the band arrays sized for rows 0..maxN + 4 and levels v = 0..2; band (0, 0) of that entry
/// counts as loaded.
DatabaseState MakeState(int lambdaUp, int lambdaLow, const std::string& molecule, int entry = 1, int maxN = 40);

}  // namespace velmora::testing
