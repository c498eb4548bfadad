#include "reference_physics.h"

#include <algorithm>
#include <cmath>

namespace velmora::testing {

namespace {

using M2 = std::array<double, 4>;  // row-major 2×2

M2 operator+(const M2& x, const M2& y) { return {x[0] + y[0], x[1] + y[1], x[2] + y[2], x[3] + y[3]}; }
M2 operator*(double s, const M2& x) { return {s * x[0], s * x[1], s * x[2], s * x[3]}; }
M2 operator*(const M2& x, const M2& y) {
    return {x[0] * y[0] + x[1] * y[2], x[0] * y[1] + x[1] * y[3], x[2] * y[0] + x[3] * y[2], x[2] * y[1] + x[3] * y[3]};
}
M2 Anti(const M2& x, const M2& y) { return x * y + y * x; }

// Eigenvalues {lower, upper} of a symmetric 2×2 matrix.
std::array<double, 2> Eigenvalues(const M2& m) {
    const double mean = (m[0] + m[3]) / 2, root = std::hypot((m[0] - m[3]) / 2, m[1]);
    return {mean - root, mean + root};
}

// The Hamiltonian of PiN2Levels as a matrix.
M2 PiN2Matrix(const PiConstants& c, double J, int eps) {
    const double x = J + 0.5, z = x * x - 1, s = std::sqrt(std::max(z, 0.0));
    const M2 one{1, 0, 0, 1}, n2{z, -s, -s, z + 2}, lzsz{0.5, 0, 0, -0.5};
    const M2 ns = 0.5 * (z * one + (-1.0) * n2);
    const M2 P{0, 0, 0, eps * x / 2}, Q{0, -eps * x / 2 * s, -eps * x / 2 * s, eps * x};
    const M2 n4 = n2 * n2;
    return c.T * one + c.A * lzsz + (c.AD / 2) * Anti(n2, lzsz) + c.B * n2 + (-c.D) * n4 + c.H * (n4 * n2) +
           c.L * (n4 * n4) + c.gamma * ns + (c.gammaD / 2) * Anti(n2, ns) + (c.gammaH / 2) * Anti(n4, ns) + c.p * P +
           (c.pD / 2) * Anti(n2, P) + (c.pH / 2) * Anti(n4, P) + c.q * Q + (c.qD / 2) * Anti(n2, Q) +
           (c.qH / 2) * Anti(n4, Q);
}

// ln n!
double LogFactorial(int n) { return std::lgamma(n + 1.0); }

}  // namespace

std::array<double, 2> PiN2Levels(const PiConstants& c, double J, int eps) {
    const M2 h = PiN2Matrix(c, J, eps);
    if (J < 1) return {0.0, h[3]};  // J = 1/2: the Ω = 1/2 row alone (s = 0 decouples it)
    return Eigenvalues(h);
}

std::array<std::array<double, 2>, 2> PiN2Vectors(const PiConstants& c, double J, int eps) {
    const M2 h = PiN2Matrix(c, J, eps);
    std::array<std::array<double, 2>, 2> v{};
    const auto E = Eigenvalues(h);
    for (int i = 0; i < 2; ++i) {
        // (h − E) v = 0: v ∝ (h12, E − h11), or (E − h22, h12) when that row vanishes.
        double a = h[1], b = E[static_cast<std::size_t>(i)] - h[0];
        if (std::hypot(a, b) < 1e-12 * std::fabs(E[static_cast<std::size_t>(i)]))
            a = E[static_cast<std::size_t>(i)] - h[3], b = h[1];
        const double n = std::hypot(a, b);
        v[static_cast<std::size_t>(i)] = {a / n, b / n};
    }
    return v;
}

double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3) {
    if (tm1 + tm2 + tm3 != 0 || std::abs(tm1) > tj1 || std::abs(tm2) > tj2 || std::abs(tm3) > tj3) return 0;
    if (tj3 < std::abs(tj1 - tj2) || tj3 > tj1 + tj2 || (tj1 + tj2 + tj3) % 2 != 0) return 0;
    // In logarithms: the factorials of J up to 60 overflow a double.
    const int a = (tj1 + tj2 - tj3) / 2, b = (tj1 - tj2 + tj3) / 2, c = (tj2 + tj3 - tj1) / 2;
    const double logTriangle =
        LogFactorial(a) + LogFactorial(b) + LogFactorial(c) - LogFactorial((tj1 + tj2 + tj3) / 2 + 1);
    const double logNorm = LogFactorial((tj1 + tm1) / 2) + LogFactorial((tj1 - tm1) / 2) +
                           LogFactorial((tj2 + tm2) / 2) + LogFactorial((tj2 - tm2) / 2) +
                           LogFactorial((tj3 + tm3) / 2) + LogFactorial((tj3 - tm3) / 2);
    const int k1 = (tj3 - tj2 + tm1) / 2, k2 = (tj3 - tj1 - tm2) / 2, k4 = (tj1 - tm1) / 2, k5 = (tj2 + tm2) / 2;
    double sum = 0;
    for (int k = std::max({0, -k1, -k2}); k <= std::min({a, k4, k5}); ++k)
        sum += (k % 2 == 0 ? 1 : -1) *
               std::exp((logTriangle + logNorm) / 2 - LogFactorial(k) - LogFactorial(a - k) - LogFactorial(k4 - k) -
                        LogFactorial(k5 - k) - LogFactorial(k1 + k) - LogFactorial(k2 + k));
    const int phase = ((tj1 - tj2 - tm3) / 2) % 2 == 0 ? 1 : -1;  // (−1)^(j1 − j2 − m3)
    return phase * sum;
}

double Wigner6j(int tj1, int tj2, int tj3, int tj4, int tj5, int tj6) {
    // Racah's formula: a product of four triangle coefficients and an alternating sum.
    auto triangle = [](int a, int b, int c, double& log) {
        if (c < std::abs(a - b) || c > a + b || (a + b + c) % 2 != 0) return false;
        log += (LogFactorial((a + b - c) / 2) + LogFactorial((a - b + c) / 2) + LogFactorial((-a + b + c) / 2) -
                LogFactorial((a + b + c) / 2 + 1)) /
               2;
        return true;
    };
    double logNorm = 0;
    if (!triangle(tj1, tj2, tj3, logNorm) || !triangle(tj1, tj5, tj6, logNorm) || !triangle(tj4, tj2, tj6, logNorm) ||
        !triangle(tj4, tj5, tj3, logNorm))
        return 0;
    const int a1 = (tj1 + tj2 + tj3) / 2, a2 = (tj1 + tj5 + tj6) / 2, a3 = (tj4 + tj2 + tj6) / 2,
              a4 = (tj4 + tj5 + tj3) / 2;
    const int b1 = (tj1 + tj2 + tj4 + tj5) / 2, b2 = (tj2 + tj3 + tj5 + tj6) / 2, b3 = (tj3 + tj1 + tj6 + tj4) / 2;
    double sum = 0;
    for (int t = std::max({a1, a2, a3, a4}); t <= std::min({b1, b2, b3}); ++t)
        sum += (t % 2 == 0 ? 1 : -1) * std::exp(logNorm + LogFactorial(t + 1) - LogFactorial(t - a1) -
                                                LogFactorial(t - a2) - LogFactorial(t - a3) - LogFactorial(t - a4) -
                                                LogFactorial(b1 - t) - LogFactorial(b2 - t) - LogFactorial(b3 - t));
    return sum;
}

DatabaseState MakeState(int lambdaUp, int lambdaLow, const std::string& molecule, int entry, int maxN) {
    DatabaseState db;
    Catalogue& cat = db.cat;
    cat.CatalogueCount = entry;
    cat.MaxVUpper = cat.MaxVLower = 2;
    cat.MaxN = maxN;
    cat.MoleculeCode.Resize(1, entry);
    cat.StateLambda.Resize(1, 2, 0, entry);
    cat.LambdaFactor.Resize(1, entry);
    for (int i = 1; i <= entry; ++i) {
        cat.MoleculeCode(i) = molecule;
        cat.StateLambda(1, i) = lambdaUp;
        cat.StateLambda(2, i) = lambdaLow;
        cat.LambdaFactor(i) = lambdaUp >= 1 && lambdaLow >= 1 ? 2.0f : 1.0f;
    }
    db.systemEntry = db.LoadedEntry = entry;
    db.LoadedVUpper = db.LoadedVLower = 0;
    db.MolConst.Resize(1, 2, 0, 2, 0, 20);
    db.SpcConvention.Resize(1, 2, 1, entry);
    db.LowerTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.UpperTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.LineData.Resize(1, 5, 0, 24, 0, maxN + 3);
    return db;
}

}  // namespace velmora::testing
