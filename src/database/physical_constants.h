// Physical constants (CODATA 2018, exact SI values) and the unit conversions built from them.
#pragma once

namespace velmora::database {

inline constexpr double kPlanckConstant = 6.62607015e-34;  ///< h, J s
inline constexpr double kSpeedOfLightCm = 2.99792458e10;   ///< c, cm s-1
inline constexpr double kPi = 3.14159265358979323846;

/// Absorption coefficient (Einstein B / c, m2 J-1 s-1, for the radiation energy density per unit
/// wavenumber) of a transition per emission coefficient over the cube of its wavenumber
/// (A / ν̃³, s-1 cm3): B_ν̃ = A / (8π h ν̃³) with ν̃ in m-1, i.e. 1e-4 / (8π h c) with c in cm s-1.
inline constexpr double kAbsorptionUnitFactor = 1e-4 / (8.0 * kPi * kPlanckConstant * kSpeedOfLightCm);

}  // namespace velmora::database
