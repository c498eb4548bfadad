#include "database/exact_strengths.h"

#include <cmath>
#include <cstdlib>

namespace velmora::database {

namespace {

// (−1)^(x/2) for x given doubled (x even).
int Phase(int twiceExponent) { return (twiceExponent / 2) % 2 == 0 ? 1 : -1; }

// A case (a) state of non-negative Λ in a level: 2Ω, 2Σ and its coefficient.
struct Component {
    int twoOmega = 0, twoSigma = 0;
    double c = 0;
};

// The components of non-negative Λ through which a level couples: (Ω = Λ + 1/2, Σ = +1/2) and
// (Ω = Λ − 1/2, Σ = −1/2) of a Λ ≥ 1 state; of a 2Σ state |Σ = +1/2> and, when the other state
// has Λ ≥ 1, also |Σ = −1/2> with the sign ρ = ±1 (e/f, reversed in 2Σ⁻) of its reflection.
int ComponentsOf(const DoubletState& s, const DoubletLevel& level, bool otherIsSigma, std::array<Component, 2>& out) {
    if (s.lambda == 0) {
        out[0] = {1, 1, 1.0};
        out[1] = {-1, -1, (level.e ? 1.0 : -1.0) * (s.sigmaMinus ? -1.0 : 1.0)};
        return otherIsSigma ? 1 : 2;
    }
    out[0] = {2 * s.lambda + 1, 1, level.omega[0]};
    out[1] = {2 * s.lambda - 1, -1, level.omega[1]};
    return 2;
}

}  // namespace

double DipoleThreeJ(int tj1, int tj2, int tm1, int tm2) {
    const int tq = -tm1 - tm2;
    if (std::abs(tq) > 2 || std::abs(tm1) > tj1 || std::abs(tm2) > tj2 || tj1 + tj2 < 2) return 0;
    if ((tj1 + tm1) % 2 != 0 || (tj2 + tm2) % 2 != 0 || std::abs(tj1 - tj2) > 2 || (tj1 - tj2) % 2 != 0) return 0;
    // <j1 m1; 1 q | j2 m> with m = −m2 = m1 + q (Condon–Shortley phases).
    const double j = tj1 / 2.0, m = -tm2 / 2.0;
    double cg = 0;
    if (tj2 == tj1 + 2) {
        const double d = (2 * j + 1) * (2 * j + 2);
        cg = tq == 2   ? std::sqrt((j + m) * (j + m + 1) / d)
             : tq == 0 ? std::sqrt((j - m + 1) * (j + m + 1) * 2 / d)
                       : std::sqrt((j - m) * (j - m + 1) / d);
    } else if (tj2 == tj1) {
        const double d = 2 * j * (j + 1);
        cg = tq == 2   ? -std::sqrt((j + m) * (j - m + 1) / d)
             : tq == 0 ? m * std::sqrt(2 / d)
                       : std::sqrt((j - m) * (j + m + 1) / d);
    } else {
        const double d = 2 * j * (2 * j + 1);
        cg = tq == 2   ? std::sqrt((j - m) * (j - m + 1) / d)
             : tq == 0 ? -std::sqrt((j - m) * (j + m) * 2 / d)
                       : std::sqrt((j + m + 1) * (j + m) / d);
    }
    // (j1 1 j2; m1 q m2) = (−1)^(j1 − 1 − m2) <j1 m1; 1 q | j2 −m2> / sqrt(2 j2 + 1).
    return Phase(tj1 - 2 - tm2) * cg / std::sqrt(tj2 + 1.0);
}

double LineStrength(const DoubletState& up, const DoubletLevel& u, const DoubletState& low, const DoubletLevel& l) {
    if (std::abs(u.twoJ - l.twoJ) > 2) return 0;
    // The dipole moment changes the total parity ±(−1)^(J − 1/2) of e/f levels; between two 2Σ
    // states it also keeps the reflection symmetry (Σ⁺ – Σ⁻ is forbidden).
    const int parityUp = (u.e ? 1 : -1) * Phase(u.twoJ - 1), parityLow = (l.e ? 1 : -1) * Phase(l.twoJ - 1);
    if (parityUp * parityLow != -1) return 0;
    const bool bothSigma = up.lambda == 0 && low.lambda == 0;
    if (bothSigma && up.sigmaMinus != low.sigmaMinus) return 0;
    // Between the levels (|v> ± σv|v>)/√2 of opposite parity the moment μ = μ+ − σv μ+ σv gives
    // the amplitude of μ+ between their components of non-negative Λ at equal Σ:
    // <J' Ω'|μ+|J'' Ω''> = (−1)^(J' − Ω') sqrt((2J' + 1)(2J'' + 1)) (J' 1 J''; −Ω' Ω' − Ω'' Ω'').
    std::array<Component, 2> cu, cl;
    const int nu = ComponentsOf(up, u, low.lambda == 0, cu), nl = ComponentsOf(low, l, up.lambda == 0, cl);
    double amplitude = 0;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nl; ++j) {
            const Component &a = cu[static_cast<std::size_t>(i)], &b = cl[static_cast<std::size_t>(j)];
            if (a.twoSigma != b.twoSigma || a.c == 0 || b.c == 0) continue;
            amplitude += a.c * b.c * Phase(u.twoJ - a.twoOmega) * DipoleThreeJ(u.twoJ, l.twoJ, -a.twoOmega, b.twoOmega);
        }
    amplitude *= std::sqrt(double(u.twoJ + 1) * (l.twoJ + 1));
    return amplitude * amplitude;
}

std::array<std::array<double, 2>, 2> BlockEigenvectors(double h11, double h12, double h22) {
    // With d = (h11 − h22)/2 and r = sqrt(d² + h12²) the lower eigenvalue is (h11 + h22)/2 − r;
    // (H − E) v = 0 gives v ∝ (−h12, d + r) or (r − d, −h12), whichever row is the larger.
    const double d = 0.5 * (h11 - h22), r = std::sqrt(d * d + h12 * h12);
    std::array<double, 2> lower = d >= 0 ? std::array{-h12, d + r} : std::array{r - d, -h12};
    const double norm = std::sqrt(lower[0] * lower[0] + lower[1] * lower[1]);
    if (norm == 0) return {{{1.0, 0.0}, {0.0, 1.0}}};  // h12 = 0 and h11 = h22: any basis
    lower = {lower[0] / norm, lower[1] / norm};
    return {{lower, {-lower[1], lower[0]}}};
}

}  // namespace velmora::database
