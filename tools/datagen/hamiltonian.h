// Term values of the effective N^2 Hamiltonians in which the curated constants are given.
//
// These are the Hamiltonians written out in the folder READMEs (Brown et al. 1979 form): a 2Sigma
// state in Hund's case (b), and 2Pi and 2Delta states as 2x2 matrices in the case-(a) parity basis
// (|Omega = Lambda + 1/2>, |Omega = Lambda - 1/2>), built here from the operator form itself so
// that they serve as an independent reference for the program's own term formulas.
#pragma once

#include <array>
#include <string>

namespace velmora::datagen {

/// The 18 constants of one vibrational level, in the column order of the .SPC files; the values
/// carry the physical signs of the data READMEs (k = 5, the M term x^5 of a 2Sigma state, is an
/// optional column of the level tables).
enum ConstIndex {
    kT = 0,
    kB,
    kD,
    kH,
    kL,
    kM,
    kA,
    kAD,
    kAH,
    kGamma,
    kGammaD,
    kGammaH,
    kP,
    kPD,
    kPH,
    kQ,
    kQD,
    kQH,
    kConstCount
};
using LevelConstants = std::array<double, kConstCount>;

/// Column name of constant k in the levels_*.csv files ("T_v", "B", ..., "M").
const char* ConstName(int k);
/// Constant index of a levels_*.csv column name, -1 when unknown.
int ConstIndexOf(const std::string& name);

/// A symmetric 2x2 block (h11, h12, h22) and its eigenvalues.
struct Block2 {
    double h11 = 0, h12 = 0, h22 = 0;
    double Lower() const;
    double Upper() const;
};

/// 2Sigma level: N >= 0, F = 1 (J = N + 1/2) or 2 (J = N - 1/2, N >= 1), with x = N(N+1):
/// T + B x - D x^2 + H x^3 + L x^4 + M x^5 + (gamma + gamma_D x + gamma_H x^2) N.S.
double SigmaTerm(const LevelConstants& c, int N, int F);

/// The 2Pi block of total angular momentum J (>= 1/2) and parity eps (-1 e, +1 f). At J = 1/2
/// the (Omega = 3/2) element h11 does not belong to a real level; h12 is then 0.
Block2 PiBlock(const LevelConstants& c, double J, int eps);

/// The 2Delta block of J (>= 3/2) and parity eps. At J = 3/2 the (Omega = 5/2) element h11 is
/// not a real level; h12 is then 0.
Block2 DeltaBlock(const LevelConstants& c, double J, int eps);

/// Energy of a real level of a state with the given Lambda (0, 1, 2): label F = 1 is the lower
/// eigenvalue of the (J, eps) block, F = 2 the upper one; where only one level exists (J = 1/2 of
/// 2Pi, J = 3/2 of 2Delta) that level is returned for either F. For 2Sigma J = N + 1/2 (F = 1)
/// or N - 1/2 (F = 2) and eps is ignored.
double LevelEnergy(const LevelConstants& c, int lambda, double J, int F, int eps);

}  // namespace velmora::datagen
