// Saturation of laser-induced fluorescence by the rate equations of two levels coupled by the
// laser: absorption and stimulated emission at the rate W (per molecule of the lower and of the
// upper level), and the upper level decaying at Γ = A + Q + P (radiation, quenching,
// predissociation). Steady state during the pulse, with N_l + N_u conserved:
//
//     N_u = N_l W / (W (1 + g_l/g_u) + Γ)           (N_l the lower population before the pulse)
//
// linear in W for W << Γ (N_u = N_l W / Γ) and tending to g_u / (g_u + g_l) of N_l for W >> Γ.
// The excitation rate of a line by a laser of irradiance I (W cm-2) and area-normalised line
// shape L(ν) overlapping the line's area-normalised profile g(ν), wavenumbers in cm-1:
//
//     W = B (I / c) ∫ L(ν) g(ν) dν,    B = (g_u / g_l) A / (8π h c ν³)    [cm2 J-1 s-1]
//
// B is the Einstein coefficient for the spectral energy density per wavenumber, A the line's
// Einstein coefficient of spontaneous emission (s-1) and ν its wavenumber (cm-1).
#pragma once

#include "common/physical_constants.h"
#include "simulation/broadening.h"
#include "simulation/conditions.h"

namespace velmora::simulation {

/// Einstein B (cm2 J-1 s-1, absorption, energy density per cm-1) of a line of Einstein A (s-1)
/// at nuCm (cm-1) between levels of degeneracy gUpper and gLower.
double EinsteinB(double einsteinA, int gUpper, int gLower, double nuCm);

/// Steady-state fraction N_u / N_l of the two-level rate equations at excitation rate W and upper
/// decay rate Γ (both s-1).
double UpperFraction(double W, double decayRate, int gUpper, int gLower);

/// Peak (axis units^-1) of the area-normalised laser profile: the laser's Voigt, or the
/// instrument function standing for the laser when the conditions give no laser width.
double LaserPeak(const SimulationConditions& c);

/// |dx/dν| (axis units per cm-1) at the wavenumber nuCm: 1 on a wavenumber axis, λ²/10^8 in Å.
double AxisPerWavenumber(double nuCm, AxisUnit unit);

/// Irradiance of the laser (W cm-2): pulse energy / (duration × beam area), or, when the
/// spectral irradiance (W cm-2 per cm-1, at the laser's centre) is given, that divided by the
/// laser profile's peak in cm (laserPeakPerCm).
double LaserIrradiance(const SimulationConditions& c, double laserPeakPerCm);

}  // namespace velmora::simulation
