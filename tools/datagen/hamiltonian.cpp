#include "hamiltonian.h"

#include <cmath>

namespace velmora::datagen {

namespace {

const char* const kNames[kConstCount] = {"T_v",   "B",       "D",       "H", "L",   "M",   "A", "A_D", "A_H",
                                         "gamma", "gamma_D", "gamma_H", "p", "p_D", "p_H", "q", "q_D", "q_H"};

/// General 2x2 matrix, enough to build the operator products of the Hamiltonians.
struct Mat {
    double a = 0, b = 0, c = 0, d = 0;  // [[a, b], [c, d]]
};
Mat operator*(const Mat& x, const Mat& y) {
    return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d};
}
Mat operator+(const Mat& x, const Mat& y) { return {x.a + y.a, x.b + y.b, x.c + y.c, x.d + y.d}; }
Mat operator*(double s, const Mat& x) { return {s * x.a, s * x.b, s * x.c, s * x.d}; }
Mat Identity() { return {1, 0, 0, 1}; }
/// Anticommutator {X, Y} = XY + YX.
Mat Anti(const Mat& x, const Mat& y) { return x * y + y * x; }

Block2 ToBlock(const Mat& m) { return {m.a, 0.5 * (m.b + m.c), m.d}; }

}  // namespace

const char* ConstName(int k) { return k >= 0 && k < kConstCount ? kNames[k] : ""; }

int ConstIndexOf(const std::string& name) {
    for (int k = 0; k < kConstCount; ++k)
        if (name == kNames[k]) return k;
    return -1;
}

double Block2::Lower() const {
    const double m = 0.5 * (h11 + h22), d = 0.5 * (h11 - h22);
    return m - std::sqrt(d * d + h12 * h12);
}

double Block2::Upper() const {
    const double m = 0.5 * (h11 + h22), d = 0.5 * (h11 - h22);
    return m + std::sqrt(d * d + h12 * h12);
}

double SigmaTerm(const LevelConstants& c, int N, int F) {
    const double X = static_cast<double>(N) * (N + 1);
    const double ns = F == 1 ? 0.5 * N : -0.5 * (N + 1);
    return c[kT] + c[kB] * X - c[kD] * X * X + c[kH] * X * X * X + c[kL] * X * X * X * X + c[kM] * std::pow(X, 5) +
           ns * (c[kGamma] + c[kGammaD] * X + c[kGammaH] * X * X);
}

Block2 PiBlock(const LevelConstants& c, double J, int eps) {
    const double x = J + 0.5, z = x * x - 1.0, s = std::sqrt(std::max(z, 0.0));
    const double e = eps;
    const Mat I = Identity();
    const Mat N2{z, -s, -s, z + 2.0};
    const Mat N4 = N2 * N2;
    const Mat LzSz{0.5, 0, 0, -0.5};
    const Mat NS = 0.5 * (z * I + (-1.0) * N2);
    const Mat P{0, 0, 0, e * x / 2.0};
    const Mat Q{0, -e * x * s / 2.0, -e * x * s / 2.0, e * x};
    Mat H = c[kT] * I + c[kA] * LzSz + c[kB] * N2 + (-c[kD]) * N4 + c[kH] * (N4 * N2) + c[kL] * (N4 * N4) +
            (c[kAD] / 2.0) * Anti(N2, LzSz) + c[kGamma] * NS + (c[kGammaD] / 2.0) * Anti(N2, NS) +
            (c[kGammaH] / 2.0) * Anti(N4, NS) + c[kP] * P + (c[kPD] / 2.0) * Anti(N2, P) +
            (c[kPH] / 2.0) * Anti(N4, P) + c[kQ] * Q + (c[kQD] / 2.0) * Anti(N2, Q) + (c[kQH] / 2.0) * Anti(N4, Q);
    return ToBlock(H);
}

Block2 DeltaBlock(const LevelConstants& c, double J, int eps) {
    const double x = J + 0.5, w = x * x, r = std::sqrt(std::max(w - 4.0, 0.0));
    const double e = eps;
    const Mat I = Identity();
    const Mat N2{w - 2.0, -r, -r, w + 2.0};
    const Mat N4 = N2 * N2;
    const Mat LzSz{1.0, 0, 0, -1.0};
    const Mat NS = 0.5 * ((w - 1.0) * I + (-1.0) * N2);
    Mat H = c[kT] * I + c[kA] * LzSz + c[kB] * N2 + (-c[kD]) * N4 + c[kH] * (N4 * N2) + c[kGamma] * NS +
            (c[kGammaD] / 2.0) * Anti(N2, NS);
    // Lambda-doubling of a 2Delta state (q and p in the form of the CH and SiH READMEs).
    const double ld = e * x * (w - 1.0);
    H.d += ld * (4.0 * c[kQ] + c[kP]) / 2.0;
    H.b += -r * ld * c[kQ] / 2.0;
    H.c += -r * ld * c[kQ] / 2.0;
    return ToBlock(H);
}

double LevelEnergy(const LevelConstants& c, int lambda, double J, int F, int eps) {
    if (lambda == 0) {
        const int N = F == 1 ? static_cast<int>(std::lround(J - 0.5)) : static_cast<int>(std::lround(J + 0.5));
        return SigmaTerm(c, N, F);
    }
    const Block2 b = lambda == 1 ? PiBlock(c, J, eps) : DeltaBlock(c, J, eps);
    const double lowest = lambda - 0.5;  // J of the single-level block
    if (std::fabs(J - lowest) < 1e-9) return b.h22;
    return F == 1 ? b.Lower() : b.Upper();
}

}  // namespace velmora::datagen
