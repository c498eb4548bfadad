// Line widths, profiles and shifts: Doppler, collisional, predissociation and instrumental widths
// combined into one Gaussian, Lorentzian or pseudo-Voigt profile of the Voigt FWHM, and the
// collisional and Doppler line shifts. All widths are FWHM in axis units (Å or cm-1).
#pragma once

#include <cmath>
#include <string>

#include "state/app_state.h"

namespace velmora::simulation {

/// Points per FWHM of the point-density choices "Low", "Standard", "High", "Very high" (0..3).
int PointsPerWidthFor(int pointDensity);

/// Name of an axis unit (1 Å vacuum, 2 Å air, 3 cm-1, 4 nm vacuum, 5 nm air).
std::string UnitNameOf(const Catalogue& cat, int units);

/// Wavenumber (cm-1) at the centre of the range texts TxtStart..TxtEnd; 0 when a wavelength
/// range is centred on 0 (no conversion is possible then).
double RangeCentreWavenumber(const SimulationState& sim);

/// Voigt FWHM from its Lorentzian FWHM and the square of its Gaussian FWHM:
/// f = fL/2 + sqrt(fL^2/4 + fG^2).
inline double VoigtWidth(double lorentzWidth, double gaussWidthSq) {
    return std::sqrt(lorentzWidth * lorentzWidth + 4.0 * gaussWidthSq) / 2.0 + lorentzWidth / 2.0;
}

/// Recomputes DopplerWidth, CollWidth, LorentzWidth, GaussWidthSq, ProfileKind, TotalWidth and
/// LorentzFraction from the conditions, and the three width captions.
void ComputeWidths(AppState& app);

/// Recomputes DopShift, CollShift and LineShift and their three captions.
void ComputeShifts(AppState& app);

/// Constants of the profile evaluation for one simulation run (grid and widths).
struct ProfileGrid {
    double Xini = 0;          ///< axis position of grid point 0
    double step = 1;          ///< grid step, GridWidth / PointsPerWidth
    double gridWidth = 1;     ///< GridWidth
    int pointsPerWidth = 7;
    int nPoints = 0;          ///< last grid point index
    double totalWidth = 1;    ///< TotalWidth
    double lorentzWidth = 0;  ///< LorentzWidth
    double gaussWidthSq = 0;  ///< GaussWidthSq
    double lorentzFraction = 0;
    int profileKind = 1;      ///< 1 Gaussian, 2 Lorentzian, 3 Voigt
    bool predissociation = false;
    int units = 1;
    double speedOfLight = 2.9979E10;  ///< cm/s
};

/// The grid constants of the current simulation state.
ProfileGrid MakeProfileGrid(const SimulationState& sim, const Catalogue& cat);

/// The profile of one line: its FWHM, Lorentzian share, kind and the grid points it covers.
struct LineShape {
    double f = 1;     ///< FWHM of the line, axis units
    double eta = 0;   ///< Lorentzian fraction of the pseudo-Voigt
    int kind = 1;     ///< 1 Gaussian, 2 Lorentzian, 3 Voigt
    double gN = 0;    ///< Gaussian peak of unit area, 2 sqrt(ln 2 / pi) / f
    double lN = 0;    ///< Lorentzian peak of unit area, 2 / (pi f)
    double halfWindow = 3;  ///< cut-off half window in units of GridWidth
    int first = 1, last = 0;  ///< grid points covered, within 1..NPoints-1 (empty when last < first)
};

/// Shape of a line at axis position x0 whose upper level lives tauNs nanoseconds (including
/// predissociation; used only when predissociation broadening is on).
LineShape MakeLineShape(const ProfileGrid& grid, double x0, double tauNs);

/// 1 / (4 ln 2): exp(-(d/f)^2 / this) is a Gaussian of FWHM f.
inline constexpr double kGaussExponent = 0.360674;

/// Area-normalised profile value at a distance d (axis units) from the line centre.
inline double ProfileValue(const LineShape& s, double d) {
    const double u = d / s.f;
    const double gauss = s.gN * std::exp(-(u * u) / kGaussExponent);
    const double lorentz = s.lN / (1.0 + 4.0 * u * u);
    if (s.kind == 1) return gauss;
    if (s.kind == 2) return lorentz;
    return (1.0 - s.eta) * gauss + s.eta * lorentz;
}

/// Adds weight x profile(i) onto out[i] for every grid point the line covers.
void AccumulateProfile(const ProfileGrid& grid, const LineShape& s, double x0, double weight, float* out);

/// Adds weight x sqrt(strength x profile(i)) onto out[i] where the profile is positive (the
/// partially saturated LIF regime, where the signal grows with the square root of the strength).
void AccumulateSqrtProfile(const ProfileGrid& grid, const LineShape& s, double x0, double strength,
                           double weight, float* out);

}  // namespace velmora::simulation
