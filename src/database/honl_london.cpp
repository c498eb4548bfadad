#include "database/honl_london.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

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

namespace {

// The signed components of the levels of one state on a common list: slot
// (Λ < 0 ? 2S + 1 : 0) + (2Σ + 2S)/2, so that the dipole between two levels is a bilinear form
// of their coefficients on the slots.
struct Slots {
    static constexpr int kMax = LevelProjections::kSlots;
    int count = 0;
    std::array<int, kMax> lambda{}, twoSigma{}, twoOmega{};
};

Slots SlotsOf(const ElectronicState& st) {
    Slots s;
    s.count = (st.lambda == 0 ? 1 : 2) * (st.twoS + 1);
    for (int k = 0; k < s.count; ++k) {
        s.lambda[k] = k > st.twoS ? -st.lambda : st.lambda;
        s.twoSigma[k] = 2 * (k % (st.twoS + 1)) - st.twoS;
        s.twoOmega[k] = 2 * s.lambda[k] + s.twoSigma[k];
    }
    return s;
}

using SlotVector = std::array<double, Slots::kMax>;

SlotVector OnSlots(const ElectronicState& st, const Expanded& level) {
    SlotVector v{};
    for (int i = 0; i < level.count; ++i) {
        const Component& c = level.component[i];
        v[static_cast<std::size_t>((c.lambda < 0 ? st.twoS + 1 : 0) + (c.twoSigma + st.twoS) / 2)] += c.c;
    }
    return v;
}

}  // namespace

LevelProjections::LevelProjections(const StateLevels& levels) {
    const ElectronicState& st = levels.State();
    const std::size_t n = levels.Levels().size();
    parity.reserve(n);
    onSlots.reserve(n);
    for (const RotationalLevel& level : levels.Levels()) {
        const Expanded e = Expand(st, level);
        parity.push_back(e.parity);
        onSlots.push_back(OnSlots(st, e));
    }
    wanted.assign(n, 1);
}

SlotDipoles::SlotDipoles(const ElectronicState& su, const ElectronicState& sl, int twoJMax) : twoJMax_(twoJMax) {
    const Slots up = SlotsOf(su), down = SlotsOf(sl);
    const double reflected = (Reflection(su) + Reflection(sl)) % 2 == 0 ? 1.0 : -1.0;
    matrices_.assign(static_cast<std::size_t>(3 * (std::max(twoJMax, 0) / 2 + 1)), Matrix{});
    for (int twoJu = su.twoS % 2; twoJu <= twoJMax; twoJu += 2)
        for (int twoJl = twoJu - 2; twoJl <= twoJu + 2; twoJl += 2) {
            if (twoJl < 0) continue;
            Matrix& dipole = matrices_[static_cast<std::size_t>(3 * (twoJu / 2) + (twoJl - twoJu + 2) / 2)];
            for (int a = 0; a < up.count; ++a)
                for (int b = 0; b < down.count; ++b) {
                    if (up.twoSigma[a] != down.twoSigma[b] || std::abs(up.lambda[a] - down.lambda[b]) > 1) continue;
                    const double electronic = up.lambda[a] >= 0 && down.lambda[b] >= 0 ? 1.0 : reflected;
                    dipole[a][b] = electronic * Rotation(twoJu, twoJl, up.twoOmega[a], down.twoOmega[b]);
                }
        }
}

std::vector<BandLine> BandLines(const StateLevels& upper, const StateLevels& lower, double minimum) {
    if (TransitionMomentOf(upper.State(), lower.State()) == TransitionMoment::forbidden || upper.Levels().empty())
        return {};
    return BandLines(upper, LevelProjections(upper), lower, LevelProjections(lower),
                     SlotDipoles(upper.State(), lower.State(), upper.Levels().back().twoJ), minimum);
}

std::vector<BandLine> BandLines(const StateLevels& upper, const LevelProjections& upperProjections,
                                const StateLevels& lower, const LevelProjections& lowerProjections,
                                const SlotDipoles& dipoles, double minimum) {
    std::vector<BandLine> lines;
    const ElectronicState &su = upper.State(), &sl = lower.State();
    if (TransitionMomentOf(su, sl) == TransitionMoment::forbidden || upper.Levels().empty()) return lines;
    if (upper.Levels().back().twoJ > dipoles.TwoJMax())
        throw std::invalid_argument("the dipoles of the states end below the last upper level");
    const Slots up = SlotsOf(su), down = SlotsOf(sl);
    const double halve = su.lambda == 0 && sl.lambda > 0 ? 0.5 : 1.0;
    const std::vector<SlotVector>& upSlots = upperProjections.onSlots;
    const std::vector<SlotVector>& lowSlots = lowerProjections.onSlots;
    for (int twoJu = su.twoS % 2; twoJu <= upper.Levels().back().twoJ; twoJu += 2) {
        const auto [first, nUp] = upper.OfJ(twoJu);
        if (nUp == 0) continue;
        const std::size_t upOffset = static_cast<std::size_t>(first - upper.Levels().data());
        bool any = false;
        for (int i = 0; i < nUp; ++i) any = any || upperProjections.wanted[upOffset + i] != 0;
        if (!any) continue;
        for (int twoJl = twoJu - 2; twoJl <= twoJu + 2; twoJl += 2) {
            const auto [firstLow, nLow] = lower.OfJ(twoJl);
            if (nLow == 0) continue;
            const SlotDipoles::Matrix& dipole = dipoles.Of(twoJu, twoJl);
            const std::size_t offset = static_cast<std::size_t>(firstLow - lower.Levels().data());
            std::array<SlotVector, 2 * kMaxBlock> projected{};  // the dipole applied to each lower level
            for (int k = 0; k < nLow; ++k) {
                const SlotVector& lk = lowSlots[offset + k];
                for (int a = 0; a < up.count; ++a)
                    for (int b = 0; b < down.count; ++b) projected[k][a] += dipole[a][b] * lk[b];
            }
            for (int i = 0; i < nUp; ++i) {
                if (!upperProjections.wanted[upOffset + i]) continue;
                for (int k = 0; k < nLow; ++k) {
                    if (upperProjections.parity[upOffset + i] == lowerProjections.parity[offset + k]) continue;
                    double amplitude = 0;
                    for (int a = 0; a < up.count; ++a) amplitude += upSlots[upOffset + i][a] * projected[k][a];
                    const double s = halve * (twoJu + 1.0) * (twoJl + 1.0) * amplitude * amplitude;
                    if (s > minimum) lines.push_back({first + i, firstLow + k, s});
                }
            }
        }
    }
    return lines;
}

}  // namespace velmora::database
