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

}  // namespace

std::array<double, 2> PiN2Levels(const PiConstants& c, double J, int eps) {
    const double x = J + 0.5, z = x * x - 1, s = std::sqrt(std::max(z, 0.0));
    const M2 one{1, 0, 0, 1}, n2{z, -s, -s, z + 2}, lzsz{0.5, 0, 0, -0.5};
    const M2 ns = 0.5 * (z * one + (-1.0) * n2);
    const M2 P{0, 0, 0, eps * x / 2}, Q{0, -eps * x / 2 * s, -eps * x / 2 * s, eps * x};
    const M2 n4 = n2 * n2;
    const M2 h = c.T * one + c.A * lzsz + (c.AD / 2) * Anti(n2, lzsz) + c.B * n2 + (-c.D) * n4 + c.H * (n4 * n2) +
                 c.L * (n4 * n4) + c.gamma * ns + (c.gammaD / 2) * Anti(n2, ns) + (c.gammaH / 2) * Anti(n4, ns) +
                 c.p * P + (c.pD / 2) * Anti(n2, P) + (c.pH / 2) * Anti(n4, P) + c.q * Q + (c.qD / 2) * Anti(n2, Q) +
                 (c.qH / 2) * Anti(n4, Q);
    if (J < 1) return {0.0, h[3]};  // J = 1/2: the Ω = 1/2 row alone (s = 0 decouples it)
    return Eigenvalues(h);
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
    db.irad = db.LoadedEntry = entry;
    db.LoadedVUpper = db.LoadedVLower = 0;
    db.MolConst.Resize(1, 2, 0, 2, 0, 20);
    db.SpcConvention.Resize(1, 2, 1, entry);
    db.LowerTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.UpperTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.LineData.Resize(1, 5, 0, 24, 0, maxN + 3);
    db.MixingTable.Resize(1, 8, 0, maxN + 3);
    return db;
}

}  // namespace velmora::testing
