#include "database/exact_strengths.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "database/line_positions.h"

namespace velmora::database {

namespace {

double Factorial(int n) {
    double f = 1;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// (−1)^(x/2) for x given doubled (x even).
int Phase(int twiceExponent) { return (twiceExponent / 2) % 2 == 0 ? 1 : -1; }

// A signed case (a) basis state |Λ Σ Ω>, each quantum number doubled.
struct Basis {
    int tl, ts, to;
};

// The case (a) states of the state at J: those of non-negative Λ first (for Λ ≥ 1 Ω = Λ + 1/2,
// then Ω = Λ − 1/2; for Σ the Σ = +1/2 state), then their reflections in the same order.
std::vector<Basis> BasisOf(const DoubletState& s, int twoJ) {
    const int l = 2 * s.lambda;
    std::vector<Basis> half;
    if (s.lambda == 0) {
        half = {{0, 1, 1}};
    } else {
        if (l + 1 <= twoJ) half.push_back({l, 1, l + 1});
        if (l - 1 <= twoJ) half.push_back({l, -1, l - 1});
    }
    std::vector<Basis> all = half;
    for (const Basis& b : half) all.push_back({-b.tl, -b.ts, -b.to});
    return all;
}

// σv |Λ Σ Ω> = (−1)^(J − S) s |−Λ −Σ −Ω>, s = −1 for Σ⁻ (S = 1/2).
int ReflectionPhase(const DoubletState& s, int twoJ) { return Phase(twoJ - 1) * (s.sigmaMinus ? -1 : 1); }

// The level as a vector over BasisOf(): (|v> ± σv|v>)/√2, |v> the block eigenvector over the
// non-negative-Λ states and the sign fixing its e/f label. Empty when the level does not exist.
std::vector<double> LevelVector(const DoubletState& s, const DoubletLevel& level) {
    const int twoJ = level.twoJ;
    if (twoJ < 2 * s.lambda - 1 || twoJ < 1) return {};
    const std::vector<Basis> basis = BasisOf(s, twoJ);
    const int n = static_cast<int>(basis.size()) / 2;
    std::vector<double> half(static_cast<size_t>(n), 1.0);
    if (s.lambda == 0) {
        if ((level.F == 1) != (level.e != s.sigmaMinus)) return {};  // Σ⁺: F1 is e, F2 is f
    } else if (n == 2) {
        const DoubletBlock block = HillVanVleckBlock(s, twoJ);
        half = {block.vector[level.F == 1 ? 0 : 1][0], block.vector[level.F == 1 ? 0 : 1][1]};
    } else if (level.F != 2) {
        return {};  // J = Λ − 1/2 has the Ω = Λ − 1/2 level only
    }
    const int parity = (level.e ? 1 : -1) * Phase(twoJ - 1);
    const double r = 1 / std::sqrt(2.0);
    std::vector<double> v(static_cast<size_t>(2 * n));
    for (int i = 0; i < n; ++i) {
        v[static_cast<size_t>(i)] = half[static_cast<size_t>(i)] * r;
        v[static_cast<size_t>(n + i)] = parity * ReflectionPhase(s, twoJ) * half[static_cast<size_t>(i)] * r;
    }
    return v;
}

}  // namespace

double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3) {
    if (tm1 + tm2 + tm3 != 0 || std::abs(tm1) > tj1 || std::abs(tm2) > tj2 || std::abs(tm3) > tj3) return 0;
    if (tj3 < std::abs(tj1 - tj2) || tj3 > tj1 + tj2 || (tj1 + tj2 + tj3) % 2 != 0) return 0;
    if ((tj1 + tm1) % 2 != 0 || (tj2 + tm2) % 2 != 0 || (tj3 + tm3) % 2 != 0) return 0;
    const int a = (tj1 + tj2 - tj3) / 2, b = (tj1 - tj2 + tj3) / 2, c = (tj2 + tj3 - tj1) / 2;
    const double triangle = Factorial(a) * Factorial(b) * Factorial(c) / Factorial((tj1 + tj2 + tj3) / 2 + 1);
    const double norm = Factorial((tj1 + tm1) / 2) * Factorial((tj1 - tm1) / 2) * Factorial((tj2 + tm2) / 2) *
                        Factorial((tj2 - tm2) / 2) * Factorial((tj3 + tm3) / 2) * Factorial((tj3 - tm3) / 2);
    const int k1 = (tj3 - tj2 + tm1) / 2, k2 = (tj3 - tj1 - tm2) / 2, k4 = (tj1 - tm1) / 2, k5 = (tj2 + tm2) / 2;
    double sum = 0;
    for (int k = std::max({0, -k1, -k2}); k <= std::min({a, k4, k5}); ++k)
        sum += (k % 2 == 0 ? 1 : -1) / (Factorial(k) * Factorial(a - k) * Factorial(k4 - k) * Factorial(k5 - k) *
                                        Factorial(k1 + k) * Factorial(k2 + k));
    return Phase(tj1 - tj2 - tm3) * std::sqrt(triangle * norm) * sum;
}

DoubletBlock HillVanVleckBlock(const DoubletState& s, int twoJ) {
    // <Ω|B (J − L − S)² + A Lz Sz|Ω> = B (J(J + 1) − Ω² + S(S + 1) − Σ²) + A Λ Σ, off-diagonal
    // −B sqrt(J(J + 1) − Ω1 Ω2), Ω1,2 = Λ ± 1/2.
    const double J = twoJ / 2.0, JJ = J * (J + 1), l = s.lambda;
    const double h11 = s.B * (JJ - (l + 0.5) * (l + 0.5) + 0.5) + s.A * l / 2;
    const double h22 = s.B * (JJ - (l - 0.5) * (l - 0.5) + 0.5) - s.A * l / 2;
    const double h12 = -s.B * std::sqrt(std::max(0.0, JJ - (l * l - 0.25)));
    // Jacobi rotation: the eigenvectors (c, s) and (−s, c).
    const double theta = 0.5 * std::atan2(2 * h12, h11 - h22);
    const double c = std::cos(theta), sn = std::sin(theta);
    const double e1 = c * c * h11 + 2 * sn * c * h12 + sn * sn * h22;
    const double e2 = sn * sn * h11 - 2 * sn * c * h12 + c * c * h22;
    if (e1 <= e2) return {{e1, e2}, {{{c, sn}, {-sn, c}}}};
    return {{e2, e1}, {{{-sn, c}, {c, sn}}}};
}

double LineStrength(const DoubletState& up, const DoubletLevel& u, const DoubletState& low, const DoubletLevel& l) {
    if (std::abs(u.twoJ - l.twoJ) > 2) return 0;
    const std::vector<double> vu = LevelVector(up, u), vl = LevelVector(low, l);
    if (vu.empty() || vl.empty()) return 0;
    const std::vector<Basis> bu = BasisOf(up, u.twoJ), bl = BasisOf(low, l.twoJ);
    const int nu = static_cast<int>(bu.size()), nl = static_cast<int>(bl.size());
    // μ+ couples the states of non-negative Λ at equal Σ: <J' Ω'|μ|J'' Ω''> ∝ (−1)^(J' − Ω')
    // sqrt((2J' + 1)(2J'' + 1)) (J' 1 J''; −Ω' Ω' − Ω'' Ω''). μ = μ+ − σv μ+ σv also joins the
    // reflected states and changes the total parity; between two Σ states μ+ is all of it.
    auto muPlus = [&](int i, int j) {
        const Basis &a = bu[static_cast<size_t>(i)], &b = bl[static_cast<size_t>(j)];
        if (a.tl < 0 || b.tl < 0 || a.ts != b.ts) return 0.0;
        return Phase(u.twoJ - a.to) * std::sqrt(double(u.twoJ + 1) * (l.twoJ + 1)) *
               Wigner3j(u.twoJ, 2, l.twoJ, -a.to, a.to - b.to, b.to);
    };
    const bool bothSigma = up.lambda == 0 && low.lambda == 0;
    const int phase = ReflectionPhase(up, u.twoJ) * ReflectionPhase(low, l.twoJ);
    double amplitude = 0;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nl; ++j) {
            double mu = muPlus(i, j);
            if (!bothSigma) mu -= phase * muPlus((i + nu / 2) % nu, (j + nl / 2) % nl);
            amplitude += vu[static_cast<size_t>(i)] * mu * vl[static_cast<size_t>(j)];
        }
    return amplitude * amplitude;
}

namespace {

// The level of a term table at row N of component F (0 when the table holds none there).
bool LevelAt(const TermLabelling& t, int N, int F, DoubletLevel& level) {
    level.twoJ = TwiceJ(N, F);
    level.F = F;
    const int lowest = 2 * t.state.lambda - 1;  // twice the lowest J of a Λ ≥ 1 state
    if (level.twoJ < 1 || level.twoJ < lowest) return false;
    if (t.state.lambda >= 1 && level.twoJ == lowest) {
        if ((F == 1) != t.singleLevelInF1) return false;
        level.F = 2;
    }
    return true;
}

}  // namespace

double ExactHonlLondon(const TermLabelling& up, const TermLabelling& low, int b, int N) {
    const BranchShape shape = BranchShapeOf(b);
    DoubletLevel u, l;
    if (!LevelAt(up, N + shape.deltaN, shape.upperF, u) || !LevelAt(low, N, shape.lowerF, l)) return 0;
    // e/f labels: a Σ level has its own; ΔJ = ±1 joins equal labels, ΔJ = 0 opposite ones. The
    // strengths do not change when every label is exchanged, so a Π or Δ lower level is taken e.
    const bool sameLabel = u.twoJ != l.twoJ;
    const auto sigmaLabel = [](const DoubletState& s, int F) { return (F == 1) != s.sigmaMinus; };
    if (up.state.lambda == 0) {
        u.e = sigmaLabel(up.state, u.F);
        l.e = sameLabel == u.e;
    } else {
        l.e = low.state.lambda == 0 ? sigmaLabel(low.state, l.F) : true;
        u.e = sameLabel == l.e;
    }
    const bool sigmaPi = (up.state.lambda == 0) != (low.state.lambda == 0);
    return (sigmaPi ? 0.5 : 1.0) * LineStrength(up.state, u, low.state, l);
}

}  // namespace velmora::database
