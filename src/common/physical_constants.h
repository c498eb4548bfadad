// Physical constants (CODATA 2018: h, c, k and N_A exact in the SI) and the conversions built
// from them. Every formula of the program takes its constants from here.
#pragma once

namespace velmora {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;

inline constexpr double kPlanckConstant = 6.62607015e-34;   ///< h, J s
inline constexpr double kSpeedOfLightCm = 2.99792458e10;    ///< c, cm s-1
inline constexpr double kBoltzmannConstant = 1.380649e-23;  ///< k, J K-1
inline constexpr double kAvogadroConstant = 6.02214076e23;  ///< N_A, mol-1
inline constexpr double kGasConstantCalorie = 1.987204;     ///< R, cal mol-1 K-1 (thermochemical calorie)
inline constexpr double kPascalPerTorr = 101325.0 / 760.0;  ///< Pa per Torr
/// k / (h c): the Boltzmann constant as a wavenumber per kelvin, 0.6950348 cm-1 K-1.
inline constexpr double kBoltzmannWavenumber = kBoltzmannConstant / (kPlanckConstant * kSpeedOfLightCm);
/// Second radiation constant c2 = h c / k, 1.438777 cm K.
inline constexpr double kSecondRadiationConstant = 1.0 / kBoltzmannWavenumber;

/// Absorption coefficient (Einstein B / c, m2 J-1 s-1, for the radiation energy density per unit
/// wavenumber) of a transition per emission coefficient over the cube of its wavenumber
/// (A / ν̃³, s-1 cm3): B_ν̃ = A / (8π h ν̃³) with ν̃ in m-1, i.e. 1e-4 / (8π h c) with c in cm s-1.
inline constexpr double kAbsorptionUnitFactor = 1e-4 / (8.0 * kPi * kPlanckConstant * kSpeedOfLightCm);

}  // namespace velmora
