// The values the simulation conditions may take: what the input boxes accept, what the settings
// restore and what the command line checks. Beyond them a spectrum is meaningless (a grid of one
// point, lines wider than any range, populations of a plasma no diatomic survives) or its
// arithmetic leaves single precision.
#pragma once

namespace velmora::simulation {

/// A closed interval of accepted values.
struct Limits {
    double lo, hi;
    constexpr bool Contains(double v) const { return v >= lo && v <= hi; }
};

/// Start and end of the simulation range, in Å or cm-1: 1000 is where the program asks the user
/// to check the range; 10^6 Å is 100 µm, 10^6 cm-1 is 10 nm.
inline constexpr Limits kRangeLimits{1000.0, 1e6};
/// The range limits in an axis unit (1 Å vacuum, 2 Å air, 3 cm-1, 4 nm vacuum, 5 nm air): in nm
/// a tenth of the Å values.
constexpr Limits RangeLimits(int units) {
    return units >= 4 ? Limits{kRangeLimits.lo / 10.0, kRangeLimits.hi / 10.0} : kRangeLimits;
}
/// Instrumental resolution (FWHM) in the axis unit; finer than 10^-5 no spectrometer resolves.
inline constexpr Limits kResolutionLimits{1e-5, 1e4};
/// Temperature in K.
inline constexpr Limits kTemperatureLimits{0.0, 1e6};
/// Pressure in Torr (up to 10^4 atm).
inline constexpr Limits kPressureTorrLimits{0.0, 7.6e6};
/// Collisional broadening and shift coefficients, cm-1/atm at 300 K.
inline constexpr Limits kCollisionalCoefficientLimits{0.0, 1e3};
/// Temperature exponents of the collisional broadening and shift.
inline constexpr Limits kTemperatureExponentLimits{0.0, 10.0};
/// Doppler shift velocity in km/s: at most the speed of light either way.
inline constexpr Limits kVelocityLimits{-300000.0, 300000.0};
/// Lorentzian share of a Voigt instrument function, %.
inline constexpr Limits kLorentzianLimits{0.0, 100.0};
/// Gate delay and width, ns (up to one second).
inline constexpr Limits kGateLimits{0.0, 1e9};
/// Spectral detection window limits, Å.
inline constexpr Limits kWindowLimits{0.0, 20000.0};
/// Laser pulse energy (mJ), duration (ns), beam cross section (cm2) and spectral irradiance
/// (W cm-2 per cm-1) of LIF by rate equations.
inline constexpr Limits kPulseEnergyLimits{0.0, 1e15};
inline constexpr Limits kPulseDurationLimits{1e-6, 1e15};
inline constexpr Limits kBeamAreaLimits{1e-12, 1e15};
inline constexpr Limits kIrradianceLimits{0.0, 1e15};

}  // namespace velmora::simulation
