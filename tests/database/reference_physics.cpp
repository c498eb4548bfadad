#include "reference_physics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace velmora::testing {

namespace {

using M2 = std::array<double, 4>;  // row-major 2×2

M2 operator+(const M2& x, const M2& y) { return {x[0] + y[0], x[1] + y[1], x[2] + y[2], x[3] + y[3]}; }
M2 operator*(double s, const M2& x) { return {s * x[0], s * x[1], s * x[2], s * x[3]}; }
M2 operator*(const M2& x, const M2& y) {
    return {x[0] * y[0] + x[1] * y[2], x[0] * y[1] + x[1] * y[3], x[2] * y[0] + x[3] * y[2], x[2] * y[1] + x[3] * y[3]};
}
M2 Anti(const M2& x, const M2& y) { return x * y + y * x; }

// Eigenvalues (ascending) and eigenvectors of a symmetric 2×2 matrix by a Jacobi rotation.
struct Eigen {
    std::array<double, 2> values;
    std::array<std::array<double, 2>, 2> vectors;
};
Eigen Diagonalise(const M2& m) {
    const double theta = 0.5 * std::atan2(2 * m[1], m[0] - m[3]);
    const double c = std::cos(theta), s = std::sin(theta);
    const double e1 = c * c * m[0] + 2 * s * c * m[1] + s * s * m[3];
    const double e2 = s * s * m[0] - 2 * s * c * m[1] + c * c * m[3];
    if (e1 <= e2) return {{e1, e2}, {{{c, s}, {-s, c}}}};
    return {{e2, e1}, {{{-s, c}, {c, s}}}};
}

double Factorial(int n) {
    double f = 1;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

int Sign(int twiceExponent) { return (twiceExponent / 2) % 2 == 0 ? 1 : -1; }  // (−1)^(x/2)

struct Basis {
    int tl, ts, to;  // signed Λ, Σ, Ω, doubled
};

// Signed case (a) basis: the states of non-negative Λ first, then their reflections.
std::vector<Basis> BasisOf(const DoubletState& s, int twoJ) {
    const int l = 2 * s.lambda;
    std::vector<Basis> pos = s.lambda == 0 ? std::vector<Basis>{{0, 1, 1}} : std::vector<Basis>{{l, 1, l + 1}, {l, -1, l - 1}};
    pos.erase(std::remove_if(pos.begin(), pos.end(), [&](const Basis& b) { return b.to > twoJ; }), pos.end());
    std::vector<Basis> all = pos;
    for (const Basis& b : pos) all.push_back({-b.tl, -b.ts, -b.to});
    return all;
}

// Phase of the reflection σ_v |Λ Σ Ω> = (−1)^(J − S + s) |−Λ −Σ −Ω> (s = 1 for Σ⁻).
int ReflectionPhase(const DoubletState& s, int twoJ) { return Sign(twoJ - 1) * (s.sigmaMinus ? -1 : 1); }

// The level (F, e/f) as a vector over BasisOf(): (|v> + π σ_v|v>)/√2 with |v> an eigenvector of the
// non-negative-Λ block.
std::vector<double> LevelVector(const DoubletState& s, int twoJ, int F, bool e) {
    const std::vector<Basis> b = BasisOf(s, twoJ);
    const int n = int(b.size()) / 2;
    const int parity = e ? Sign(twoJ - 1) : -Sign(twoJ - 1);
    std::vector<double> pos(size_t(n), 1.0);
    if (s.lambda == 0) {
        if ((F == 1) != (e != s.sigmaMinus)) return {};  // Σ⁺: F1 is e
    } else if (n == 2) {
        const double J = twoJ / 2.0, JJ = J * (J + 1);
        M2 h{};
        for (int i = 0; i < 2; ++i) {
            const double om = b[size_t(i)].to / 2.0, sg = b[size_t(i)].ts / 2.0;
            h[size_t(3 * i)] = s.B * (JJ - om * om + 0.75 - sg * sg) + s.A * s.lambda * sg;
        }
        h[1] = h[2] = -s.B * std::sqrt(JJ - (b[0].to / 2.0) * (b[1].to / 2.0));
        const Eigen eig = Diagonalise(h);
        pos = {eig.vectors[size_t(F - 1)][0], eig.vectors[size_t(F - 1)][1]};
    } else if (F != 2) {
        return {};
    }
    std::vector<double> v(size_t(2 * n));
    for (int i = 0; i < n; ++i) {
        v[size_t(i)] = pos[size_t(i)] / std::sqrt(2.0);
        v[size_t(n + i)] = parity * ReflectionPhase(s, twoJ) * pos[size_t(i)] / std::sqrt(2.0);
    }
    return v;
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
    return Diagonalise(h).values;
}

double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3) {
    if (tm1 + tm2 + tm3 != 0 || std::abs(tm1) > tj1 || std::abs(tm2) > tj2 || std::abs(tm3) > tj3) return 0;
    if (tj3 < std::abs(tj1 - tj2) || tj3 > tj1 + tj2) return 0;
    // Racah's formula.
    const int a = (tj1 + tj2 - tj3) / 2, b = (tj1 - tj2 + tj3) / 2, c = (tj2 + tj3 - tj1) / 2;
    const double triangle = Factorial(a) * Factorial(b) * Factorial(c) / Factorial((tj1 + tj2 + tj3) / 2 + 1);
    const double norm = Factorial((tj1 + tm1) / 2) * Factorial((tj1 - tm1) / 2) * Factorial((tj2 + tm2) / 2) *
                        Factorial((tj2 - tm2) / 2) * Factorial((tj3 + tm3) / 2) * Factorial((tj3 - tm3) / 2);
    const int k1 = (tj3 - tj2 + tm1) / 2, k2 = (tj3 - tj1 - tm2) / 2, k4 = (tj1 - tm1) / 2, k5 = (tj2 + tm2) / 2;
    double sum = 0;
    for (int k = std::max({0, -k1, -k2}); k <= std::min({a, k4, k5}); ++k)
        sum += (k % 2 == 0 ? 1 : -1) / (Factorial(k) * Factorial(a - k) * Factorial(k4 - k) * Factorial(k5 - k) *
                                        Factorial(k1 + k) * Factorial(k2 + k));
    return Sign(tj1 - tj2 - tm3) * std::sqrt(triangle * norm) * sum;
}

std::array<double, 2> HvvLevels(const DoubletState& s, int twoJ) {
    const double J = twoJ / 2.0, JJ = J * (J + 1), l = s.lambda;
    const double h11 = s.B * (JJ - (l + 0.5) * (l + 0.5) + 0.5) + s.A * l / 2;
    const double h22 = s.B * (JJ - (l - 0.5) * (l - 0.5) + 0.5) - s.A * l / 2;
    return Diagonalise({h11, -s.B * std::sqrt(JJ - (l * l - 0.25)), -s.B * std::sqrt(JJ - (l * l - 0.25)), h22}).values;
}

double LineStrength(const DoubletState& up, int twoJUp, int FUp, bool eUp, const DoubletState& low, int twoJLow,
                    int FLow, bool eLow) {
    if (std::abs(twoJUp - twoJLow) > 2) return 0;
    const std::vector<Basis> bu = BasisOf(up, twoJUp), bl = BasisOf(low, twoJLow);
    const std::vector<double> u = LevelVector(up, twoJUp, FUp, eUp), l = LevelVector(low, twoJLow, FLow, eLow);
    if (u.empty() || l.empty()) return 0;
    // μ+ joins the states of non-negative Λ (Σ unchanged); μ = μ+ − σ_v μ+ σ_v gives the moment of
    // the reflected states, so that μ changes the total parity (between Σ states μ+ is all of it).
    const int nu = int(bu.size()), nl = int(bl.size());
    auto muPlus = [&](int i, int j) {
        const Basis &a = bu[size_t(i)], &b = bl[size_t(j)];
        if (a.tl < 0 || b.tl < 0 || a.ts != b.ts) return 0.0;
        return Sign(twoJUp - a.to) * std::sqrt(double(twoJUp + 1) * (twoJLow + 1)) *
               Wigner3j(twoJUp, 2, twoJLow, -a.to, a.to - b.to, b.to);
    };
    const bool bothSigma = up.lambda == 0 && low.lambda == 0;
    const int phase = ReflectionPhase(up, twoJUp) * ReflectionPhase(low, twoJLow);
    double amp = 0;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nl; ++j) {
            double mu = muPlus(i, j);
            if (!bothSigma) mu -= phase * muPlus((i + nu / 2) % nu, (j + nl / 2) % nl);
            amp += u[size_t(i)] * mu * l[size_t(j)];
        }
    return amp * amp;
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
