#include "database/honl_london.h"

#include <cmath>
#include <cstdlib>

#include "database/exact_strengths.h"

namespace velmora::database {

namespace {

// A signed component |Λ Σ Ω> of a level with its coefficient.
struct Component {
    int lambda = 0, twoSigma = 0, twoOmega = 0;
    double c = 0;
};

// The signed components of a level: each function (|Λ Σ Ω> + ρ |−Λ −Σ −Ω>)/√2, or |0 0 0>.
int Components(const ElectronicState& st, const RotationalLevel& level, std::array<Component, 2 * kMaxBlock>& out) {
    const double h = 1.0 / std::sqrt(2.0);
    int n = 0;
    for (int i = 0; i < level.size; ++i) {
        const CaseAFunction& f = level.basis[i];
        const double c = level.vector[i];
        if (c == 0.0) continue;
        if (st.lambda == 0 && f.twoSigma == 0) {
            out[n++] = {0, 0, 0, c};
            continue;
        }
        out[n++] = {st.lambda, f.twoSigma, f.twoOmega, h * c};
        out[n++] = {-st.lambda, -f.twoSigma, -f.twoOmega, level.combination * h * c};
    }
    return n;
}

int Reflection(const ElectronicState& st) { return st.lambda == 0 && st.sigmaMinus ? 1 : 0; }

}  // namespace

TransitionMoment TransitionMomentOf(const ElectronicState& upper, const ElectronicState& lower) {
    if (upper.twoS != lower.twoS || std::abs(upper.lambda - lower.lambda) > 1) return TransitionMoment::forbidden;
    if (upper.lambda == 0 && lower.lambda == 0 && Reflection(upper) != Reflection(lower))
        return TransitionMoment::forbidden;
    return upper.lambda == lower.lambda ? TransitionMoment::parallel : TransitionMoment::perpendicular;
}

double HonlLondonFactor(const ElectronicState& upper, const RotationalLevel& u, const ElectronicState& lower,
                        const RotationalLevel& l) {
    if (std::abs(u.twoJ - l.twoJ) > 2 || TransitionMomentOf(upper, lower) == TransitionMoment::forbidden) return 0;
    if (TotalParity(u.twoJ, u.parity) == TotalParity(l.twoJ, l.parity)) return 0;
    std::array<Component, 2 * kMaxBlock> cu{}, cl{};
    const int nu = Components(upper, u, cu), nl = Components(lower, l, cl);
    const double reflected = (Reflection(upper) + Reflection(lower)) % 2 == 0 ? 1.0 : -1.0;
    double amplitude = 0;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nl; ++j) {
            const Component &a = cu[i], &b = cl[j];
            if (a.twoSigma != b.twoSigma || std::abs(a.lambda - b.lambda) > 1) continue;
            const double electronic = a.lambda >= 0 && b.lambda >= 0 ? 1.0 : reflected;
            const int phase = ((u.twoJ - a.twoOmega) / 2) % 2 == 0 ? 1 : -1;
            amplitude += a.c * b.c * electronic * phase * DipoleThreeJ(u.twoJ, l.twoJ, -a.twoOmega, b.twoOmega);
        }
    const double halve = upper.lambda == 0 && lower.lambda > 0 ? 0.5 : 1.0;
    return halve * (u.twoJ + 1.0) * (l.twoJ + 1.0) * amplitude * amplitude;
}

std::vector<BandLine> BandLines(const StateLevels& upper, const StateLevels& lower, double minimum) {
    std::vector<BandLine> lines;
    for (const RotationalLevel& u : upper.Levels())
        for (int twoJ = u.twoJ - 2; twoJ <= u.twoJ + 2; twoJ += 2) {
            const auto [first, count] = lower.OfJ(twoJ);
            for (int k = 0; k < count; ++k) {
                const double s = HonlLondonFactor(upper.State(), u, lower.State(), first[k]);
                if (s > minimum) lines.push_back({&u, first + k, s});
            }
        }
    return lines;
}

}  // namespace velmora::database
