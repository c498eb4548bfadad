// Vibrational wavefunctions from spectroscopic constants: RKR potentials and Numerov integration.
//
// Units throughout: energies in cm-1, distances in angstrom, masses in u. The kinetic constant
// hbar^2/2 in these units is kRotationConstant / mu (h / (8 pi^2 c) = 16.857629205 cm-1 u A^2), so
// the radial equation reads psi'' = (mu / C) (V - E) psi and B(r) = C / (mu r^2).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora::datagen {

/// h / (8 pi^2 c) in cm-1 u angstrom^2 (CODATA 2018).
inline constexpr double kRotationConstant = 16.857629205;

/// A polynomial sum c[m] x^m.
struct Polynomial {
    std::vector<double> c;
    double operator()(double x) const;
    double Derivative(double x) const;
};

/// Least-squares polynomial of the given degree through (x, y) points.
Polynomial FitPolynomial(const std::vector<double>& x, const std::vector<double>& y, int degree);

/// A diatomic potential U(r) (cm-1, zero at the minimum) built from RKR turning points.
class RkrPotential {
public:
    /// First-order RKR (Klein integrals) for the vibrational energy G(h) and rotational constant
    /// B(h), h = v + 1/2, with G(0) = 0, for v from -1/2 up to vTop. Throws std::runtime_error
    /// with `stateName` when G is not increasing or the turning points are not ordered.
    RkrPotential(const std::function<double(double)>& G, const std::function<double(double)>& B, double mu, double vTop,
                 const std::string& stateName);

    double operator()(double r) const;
    double Re() const { return re_; }
    /// Inner and outer turning points of the highest level used.
    double InnerLimit() const { return rInner_; }
    double OuterLimit() const { return rOuter_; }

private:
    std::vector<double> r_, y_, slope_;  // y = sign(r - re) sqrt(U), monotone cubic in r
    double re_ = 0, rInner_ = 0, rOuter_ = 0;
    double innerBeta_ = 0;
};

/// Uniform grid r_i = r0 + i h, i = 0..n-1.
struct RadialGrid {
    double r0 = 0, h = 0;
    int n = 0;
    double R(int i) const { return r0 + i * h; }
};

/// A bound state of the radial equation, normalised to 1 on the grid.
struct Eigenstate {
    double energy = 0;
    std::vector<double> psi;
};

/// The v-th bound state (v = 0, 1, ...) of the potential V (cm-1, given on the grid) for reduced
/// mass mu, by Numerov integration: the eigenvalue is bracketed by counting the nodes of the
/// outward solution and bisected, the function is matched at the outer turning point.
Eigenstate SolveRadial(const std::vector<double>& V, const RadialGrid& grid, double mu, int v);

/// Overlap integral of two functions on the grid, optionally with a weight (e.g. a transition
/// moment function); an empty weight means 1.
double Overlap(const std::vector<double>& a, const std::vector<double>& b, const RadialGrid& grid,
               const std::vector<double>& weight = {});

}  // namespace velmora::datagen
