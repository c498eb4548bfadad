// Widths and shifts of the line profile for a set of conditions: the Doppler, collisional and
// instrumental widths combined into one Gaussian, Lorentzian or Voigt profile of the
// Voigt FWHM, and the collisional and Doppler line shifts. All values are FWHM or shifts in axis
// units, held in single precision as the program shows them.
#pragma once

#include <cmath>

#include "simulation/conditions.h"

namespace velmora::simulation {

/// Voigt FWHM from its Lorentzian FWHM and the square of its Gaussian FWHM:
/// f = fL/2 + sqrt(fL^2/4 + fG^2).
inline double VoigtWidth(double lorentzWidth, double gaussWidthSq) {
    return std::sqrt(lorentzWidth * lorentzWidth + 4.0 * gaussWidthSq) / 2.0 + lorentzWidth / 2.0;
}

/// The profile shared by every line whose upper level is not broadened on its own. With a
/// convolved instrument function (triangle, trapezoid, measured) the Lorentzian and Gaussian
/// widths are those of the molecules alone and totalWidth adds the instrumental FWHM to them
/// as if it were Gaussian: the total resolution shown and the width the grid is planned on.
struct Broadening {
    float dopplerWidth = 0.0f;                ///< Doppler FWHM at the range centre
    float collisionalWidth = 0.0f;            ///< collisional FWHM (also when collisional broadening is off)
    float lorentzWidth = 0.0f;                ///< total Lorentzian FWHM: collisional and instrumental parts
    float gaussWidthSq = 0.0f;                ///< square of the total Gaussian FWHM: Doppler and instrumental
    float totalWidth = 1.0f;                  ///< Voigt FWHM of the two
    float lorentzFraction = 0.0f;             ///< lorentzWidth / totalWidth
    Lineshape profile = Lineshape::Gaussian;  ///< profile drawn: one part negligible, else Voigt
    float dopplerShift = 0.0f;                ///< computed whether or not the shift is on
    float collisionalShift = 0.0f;            ///< computed whether or not the shift is on
    float lineShift = 0.0f;                   ///< sum of the shifts that are on
};

/// Wavenumber (cm-1) at the centre of the range; 0 for a wavelength range centred on 0.
double RangeCentreWavenumber(const SimulationConditions& c);

/// A frequency width (cm-1) in axis units at the wavenumber nuC.
double WidthToAxis(double widthCm, double nuC, AxisUnit unit);

/// The profile of the molecules alone (Doppler, collisional) of a broadening: its own Voigt
/// FWHM, Lorentzian fraction and profile kind. The same as `b` for an analytic instrument.
Broadening MolecularBroadening(const Broadening& b);

/// Widths and shifts for the conditions, with the molecular mass in amu. Where the conditions
/// leave a value undefined (a temperature of 0 or below for the collisional width, a wavelength
/// range centred on 0 for every converted value) the value of `previous` is kept.
Broadening ComputeBroadening(const SimulationConditions& c, double molecularMass, const Broadening& previous = {});

}  // namespace velmora::simulation
