// Independent references for the term and line-strength tests: small dense matrices diagonalised
// numerically, the N² effective Hamiltonian of a 2Π state written as operator algebra, Wigner 3j
// symbols, and exact intermediate-coupling line strengths of doublet–doublet transitions.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "database/database_state.h"

namespace velmora::testing {

/// A dense real symmetric matrix.
struct Matrix {
    int n = 0;
    std::vector<double> a;
    explicit Matrix(int size = 0) : n(size), a(size_t(size) * size, 0.0) {}
    double& operator()(int i, int j) { return a[size_t(i) * n + j]; }
    double operator()(int i, int j) const { return a[size_t(i) * n + j]; }
};

Matrix operator+(const Matrix& x, const Matrix& y);
Matrix operator*(const Matrix& x, const Matrix& y);
Matrix operator*(double s, const Matrix& x);
/// {X, Y} = XY + YX.
Matrix AntiCommutator(const Matrix& x, const Matrix& y);

/// Eigenvalues (ascending) and eigenvectors (columns) by cyclic Jacobi rotations.
struct EigenSystem {
    std::vector<double> values;
    Matrix vectors;
};
EigenSystem Diagonalise(Matrix m);

/// Constants of the N² Hamiltonian of a 2Π state (cm-1), named as in the published form.
struct PiConstants {
    double T = 0, B = 0, D = 0, H = 0, L = 0, A = 0, AD = 0, gamma = 0, gammaD = 0, gammaH = 0;
    double p = 0, pD = 0, pH = 0, q = 0, qD = 0, qH = 0;
};

/// H = T + A LzSz + (A_D/2){N², LzSz} + B N² − D N⁴ + H N⁶ + L N⁸ + γ N·S + (γ_D/2){N², N·S} + (γ_H/2){N⁴, N·S}
///   + p P + (p_D/2){N², P} + (p_H/2){N⁴, P} + q Q + (q_D/2){N², Q} + (q_H/2){N⁴, Q}
/// in the case (a) parity basis (|Ω = 3/2>, |Ω = 1/2>) at J ≥ 3/2, ε = −1 for e, +1 for f.
/// Returns {lower, upper} eigenvalue.
std::array<double, 2> PiN2Levels(const PiConstants& c, double J, int epsilon);
/// The single level at J = 1/2 (the Ω = 1/2 row).
double PiN2LowestLevel(const PiConstants& c, int epsilon);

/// Wigner 3j symbol (j1 j2 j3; m1 m2 m3), every argument given as twice its value.
double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3);

/// One doublet state in the Hund's case (a) basis with H = A Lz Sz + B (J − L − S)² (no
/// Λ-doubling): the Hill–Van Vleck Hamiltonian. sigmaMinus marks a 2Σ⁻ state.
struct DoubletState {
    int lambda = 0;
    double A = 0, B = 1;
    bool sigmaMinus = false;
};

/// A level of definite total parity: F (1 lower, 2 upper eigenvalue of the parity block) and
/// its e/f label (e: parity (−1)^(J − 1/2)).
struct Level {
    double energy = 0;
    int F = 0;
    bool e = true;
    std::vector<double> vec;  ///< in the signed basis of the state at this J
};

/// All levels of a state at J (J given as twice its value).
std::vector<Level> LevelsAt(const DoubletState& s, int twoJ);

/// Line strength |<upper|μ|lower>|² (summed over M, unit electronic moment) between the level
/// (F, e/f) at J' of the upper state and the level at J'' of the lower state; 0 when absent.
double LineStrength(const DoubletState& up, int twoJUp, int FUp, bool eUp, const DoubletState& low, int twoJLow,
                    int FLow, bool eLow);

/// A DatabaseState whose catalogue holds entries 1..entry, all of them the given system, with
/// every array of the loaded band sized for rows 0..maxN + 4 and vibrational levels 0..maxV;
/// band (0, 0) of that entry counts as loaded.
DatabaseState MakeState(int lambdaUp, int lambdaLow, const std::string& molecule, int entry = 1, int maxN = 40,
                        int maxV = 2);

/// Fills the 18 constants of MolConst(s, v, 0..17).
void SetConstants(DatabaseState& db, int s, int v, const std::array<double, 18>& c);

}  // namespace velmora::testing
