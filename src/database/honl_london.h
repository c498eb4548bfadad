// Hönl-London factors of electric-dipole lines between the levels of any two states.
//
// Each level is its eigenvector over the parity-adapted case (a) functions of its (J, parity)
// block (effective_hamiltonian.h), expanded into the signed functions |Λ Σ Ω>. The dipole moment
// joins signed functions of equal Σ with q = Λ' − Λ'' = 0 (parallel band, ΔΛ = 0) or ±1
// (perpendicular band, ΔΛ = ±1):
//     <Λ' Σ Ω' J'|μ|Λ'' Σ Ω'' J''> = μe (−1)^(J' − Ω') sqrt((2J' + 1)(2J'' + 1)) (J' 1 J''; −Ω' q Ω''),
// with the electronic factor μe = 1 for the pair of non-negative Λ and (−1)^(s' + s'') for the
// reflected pair (s = 1 for Σ⁻): this is the factor that the reflection E* gives to the dipole
// (E* μ E* = −μ), and it makes the lines obey the parity rule + ↔ − (ΔJ = ±1: e ↔ e, f ↔ f;
// ΔJ = 0: e ↔ f) and forbid Σ⁺ – Σ⁻. The line strength is the squared matrix element between the
// two levels summed over M, for a unit electronic moment.
//
// Normalisation: the factors of the lines out of every upper level sum to 2J' + 1, so that the
// Einstein coefficient of a line is A(band) S / (2J' + 1); the lines into every lower level then
// sum to (2J'' + 1) g'/g'' with g = 2 − δ(0, Λ). A Σ upper level reaches both Λ-doublet
// components of a Π or Δ lower level: its squared moments are halved.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "database/effective_hamiltonian.h"

namespace velmora::database {

/// The electronic transition moment a band needs: parallel (ΔΛ = 0), perpendicular (ΔΛ = ±1),
/// or none (|ΔΛ| > 1, a change of spin, or Σ⁺ – Σ⁻).
enum class TransitionMoment { parallel, perpendicular, forbidden };

TransitionMoment TransitionMomentOf(const ElectronicState& upper, const ElectronicState& lower);

/// The Hönl-London factor of the line between an upper and a lower level (normalised as above);
/// 0 when |ΔJ| > 1, the parities do not change, or the band is forbidden.
double HonlLondonFactor(const ElectronicState& upper, const RotationalLevel& u, const ElectronicState& lower,
                        const RotationalLevel& l);

/// One line between two levels of a band.
struct BandLine {
    const RotationalLevel* upper = nullptr;
    const RotationalLevel* lower = nullptr;
    double honlLondon = 0;
};

/// What the factors read of the levels of one vibrational level, in the order of its levels: the
/// total parity and the eigenvector on the signed functions |Λ Σ Ω> of the state (slot
/// (Λ < 0 ? 2S + 1 : 0) + (2Σ + 2S)/2). It depends on the level alone, so it is formed once for
/// all the bands that share the vibrational level.
struct LevelProjections {
    static constexpr int kSlots = 8;  ///< 2 (2S + 1), 2S <= 3
    std::vector<int> parity;
    std::vector<std::array<double, kSlots>> onSlots;
    /// 1 for the levels whose lines are wanted (all, unless cleared): as upper levels, the
    /// others give no line.
    std::vector<std::uint8_t> wanted;

    LevelProjections() = default;
    explicit LevelProjections(const StateLevels& levels);
};

/// The dipole between the signed functions of an upper and a lower state, (−1)^(J' − Ω')
/// (J' 1 J''; −Ω' q Ω'') for equal Σ and |ΔΛ| <= 1 with the electronic factor of the reflected
/// pair, for every J' up to twoJMax/2 and J'' = J' − 1, J', J' + 1. It depends on the two states
/// alone, so it is formed once for all the bands of a system.
class SlotDipoles {
public:
    using Matrix = std::array<std::array<double, LevelProjections::kSlots>, LevelProjections::kSlots>;

    SlotDipoles(const ElectronicState& upper, const ElectronicState& lower, int twoJMax);
    /// The matrix of J' = twoJu/2 and J'' = twoJl/2 (|ΔJ| <= 1, twoJu <= twoJMax).
    const Matrix& Of(int twoJu, int twoJl) const {
        return matrices_[static_cast<std::size_t>(3 * (twoJu / 2) + (twoJl - twoJu + 2) / 2)];
    }
    int TwoJMax() const { return twoJMax_; }

private:
    int twoJMax_ = -1;
    std::vector<Matrix> matrices_;
};

/// Every line between the levels of two vibrational levels whose factor exceeds `minimum`, in
/// order of J', then J''.
std::vector<BandLine> BandLines(const StateLevels& upper, const StateLevels& lower, double minimum = 0.0);
/// The same with the projections of both (those of `upper` and `lower`), and only from the upper
/// levels they mark wanted; `dipoles` of the two states, up to the last upper J at least.
std::vector<BandLine> BandLines(const StateLevels& upper, const LevelProjections& upperProjections,
                                const StateLevels& lower, const LevelProjections& lowerProjections,
                                const SlotDipoles& dipoles, double minimum = 0.0);

}  // namespace velmora::database
