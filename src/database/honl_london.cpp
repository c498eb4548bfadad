#include "database/honl_london.h"

#include <algorithm>
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

// A level expanded into its signed components, with its J and total parity.
struct Expanded {
    int twoJ = 0, parity = 1, count = 0;
    std::array<Component, 2 * kMaxBlock> component{};
};

Expanded Expand(const ElectronicState& st, const RotationalLevel& level) {
    Expanded out;
    out.twoJ = level.twoJ;
    out.parity = TotalParity(level.twoJ, level.parity);
    out.count = Components(st, level, out.component);
    return out;
}

// The factor of the line between two expanded levels of an allowed band; rotation(Ω', Ω'') is
// (−1)^(J' − Ω') (J' 1 J''; −Ω' q Ω''), arguments doubled.
template <typename Rotation>
double Factor(const ElectronicState& upper, const Expanded& u, const ElectronicState& lower, const Expanded& l,
              Rotation rotation) {
    if (std::abs(u.twoJ - l.twoJ) > 2 || u.parity == l.parity) return 0;
    const double reflected = (Reflection(upper) + Reflection(lower)) % 2 == 0 ? 1.0 : -1.0;
    double amplitude = 0;
    for (int i = 0; i < u.count; ++i)
        for (int j = 0; j < l.count; ++j) {
            const Component &a = u.component[i], &b = l.component[j];
            if (a.twoSigma != b.twoSigma || std::abs(a.lambda - b.lambda) > 1) continue;
            const double electronic = a.lambda >= 0 && b.lambda >= 0 ? 1.0 : reflected;
            amplitude += a.c * b.c * electronic * rotation(a.twoOmega, b.twoOmega);
        }
    const double halve = upper.lambda == 0 && lower.lambda > 0 ? 0.5 : 1.0;
    return halve * (u.twoJ + 1.0) * (l.twoJ + 1.0) * amplitude * amplitude;
}

double Rotation(int twoJu, int twoJl, int twoOmegaUp, int twoOmegaLow) {
    const int phase = ((twoJu - twoOmegaUp) / 2) % 2 == 0 ? 1 : -1;
    return phase * DipoleThreeJ(twoJu, twoJl, -twoOmegaUp, twoOmegaLow);
}

}  // namespace

TransitionMoment TransitionMomentOf(const ElectronicState& upper, const ElectronicState& lower) {
    if (upper.twoS != lower.twoS || std::abs(upper.lambda - lower.lambda) > 1) return TransitionMoment::forbidden;
    if (upper.lambda == 0 && lower.lambda == 0 && Reflection(upper) != Reflection(lower))
        return TransitionMoment::forbidden;
    return upper.lambda == lower.lambda ? TransitionMoment::parallel : TransitionMoment::perpendicular;
}

double HonlLondonFactor(const ElectronicState& upper, const RotationalLevel& u, const ElectronicState& lower,
                        const RotationalLevel& l) {
    if (TransitionMomentOf(upper, lower) == TransitionMoment::forbidden) return 0;
    return Factor(upper, Expand(upper, u), lower, Expand(lower, l),
                  [&](int twoOmegaUp, int twoOmegaLow) { return Rotation(u.twoJ, l.twoJ, twoOmegaUp, twoOmegaLow); });
}

std::vector<BandLine> BandLines(const StateLevels& upper, const StateLevels& lower, double minimum) {
    std::vector<BandLine> lines;
    const ElectronicState &su = upper.State(), &sl = lower.State();
    if (TransitionMomentOf(su, sl) == TransitionMoment::forbidden || upper.Levels().empty()) return lines;
    std::vector<Expanded> low;
    low.reserve(lower.Levels().size());
    for (const RotationalLevel& l : lower.Levels()) low.push_back(Expand(sl, l));
    // The rotational factors of one (J', J'') by (Ω', Ω''), computed once for all its level pairs.
    const int omegaUp = 2 * su.lambda + su.twoS, omegaLow = 2 * sl.lambda + sl.twoS;  // largest 2|Ω|
    const int columns = omegaLow + 1;
    std::vector<double> rotation(static_cast<std::size_t>((omegaUp + 1) * columns));
    for (int twoJu = su.twoS % 2; twoJu <= upper.Levels().back().twoJ; twoJu += 2) {
        const auto [up, nUp] = upper.OfJ(twoJu);
        std::array<Expanded, 2 * kMaxBlock> expanded{};
        for (int i = 0; i < nUp; ++i) expanded[i] = Expand(su, up[i]);
        for (int twoJl = twoJu - 2; twoJl <= twoJu + 2; twoJl += 2) {
            const auto [first, nLow] = lower.OfJ(twoJl);
            if (nUp == 0 || nLow == 0) continue;
            std::fill(rotation.begin(), rotation.end(), std::nan(""));
            auto table = [&](int a, int b) {
                double& r = rotation[static_cast<std::size_t>((a + omegaUp) / 2 * columns + (b + omegaLow) / 2)];
                if (std::isnan(r)) r = Rotation(twoJu, twoJl, a, b);
                return r;
            };
            for (int i = 0; i < nUp; ++i)
                for (int k = 0; k < nLow; ++k) {
                    const Expanded& l = low[static_cast<std::size_t>(first + k - lower.Levels().data())];
                    const double s = Factor(su, expanded[i], sl, l, table);
                    if (s > minimum) lines.push_back({up + i, first + k, s});
                }
        }
    }
    return lines;
}

}  // namespace velmora::database
