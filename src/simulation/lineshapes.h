// The profile of one line on the grid: the Doppler, collisional, predissociation and
// instrumental widths combined into one Gaussian, Lorentzian or Voigt profile. All widths are
// FWHM in axis units.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "common/physical_constants.h"
#include "simulation/broadening.h"
#include "simulation/spectral_grid.h"
#include "simulation/voigt_profile.h"

namespace velmora::simulation {

/// Constants of the profile evaluation for one simulation run (grid and widths).
struct ProfileGrid {
    double Xini = 0;       ///< axis position of grid point 0
    double step = 1;       ///< grid step, GridWidth / PointsPerWidth
    double gridWidth = 1;  ///< GridWidth
    int pointsPerWidth = 7;
    int nPoints = 0;          ///< last grid point index
    double totalWidth = 1;    ///< TotalWidth
    double lorentzWidth = 0;  ///< LorentzWidth
    double gaussWidthSq = 0;  ///< GaussWidthSq
    double lorentzFraction = 0;
    Lineshape profileKind = Lineshape::Gaussian;
    bool predissociation = false;
    AxisUnit unit = AxisUnit::AngstromVacuum;
};

/// The profile constants of a grid and the widths of the conditions.
ProfileGrid MakeProfileGrid(const SpectralGrid& grid, const Broadening& widths, bool predissociation, AxisUnit unit);

/// The profile of one line: its FWHM, Lorentzian share, kind and the grid points it covers.
struct LineShape {
    double f = 1;    ///< width of the line, fL / 2 + sqrt(fL^2 / 4 + fG^2), axis units
    double eta = 0;  ///< Lorentzian share fL / f of that width
    Lineshape kind = Lineshape::Gaussian;
    double gN = 0;            ///< Gaussian peak of unit area, 2 sqrt(ln 2 / pi) / f
    double lN = 0;            ///< Lorentzian peak of unit area, 2 / (pi f)
    double halfWindow = 3;    ///< cut-off half window in units of GridWidth
    int first = 1, last = 0;  ///< grid points covered, within 1..NPoints-1 (empty when last < first)
};

/// Lifetime width (FWHM, axis units) of a line at axis position x0 whose upper level lives tauNs
/// nanoseconds: 1 / (2 pi c tau) in cm-1; 0 for an unknown lifetime (0 or below).
inline double LifetimeWidth(const ProfileGrid& grid, double x0, double tauNs) {
    if (!(tauNs > 0.0)) return 0.0;
    const double gamma = 1.0 / (tauNs * 1E-9 * kTwoPi * kSpeedOfLightCm);
    // d(lambda) = d(nu) lambda^2: 1E-8 lambda^2 in Å, 1E-7 lambda^2 in nm.
    return IsWavelength(grid.unit) ? gamma * 1E-8 * x0 * x0 / UnitsPerAngstrom(grid.unit) : gamma;
}

/// Shape of a line at axis position x0 whose upper level lives tauNs nanoseconds (including
/// predissociation; used only when predissociation broadening is on).
LineShape MakeLineShape(const ProfileGrid& grid, double x0, double tauNs);

/// 1 / (4 ln 2): exp(-(d/f)^2 / this) is a Gaussian of FWHM f.
inline constexpr double kGaussExponent = 0.360674;

/// Lorentzian share of the profile drawn for a shape: 0 for a Gaussian, 1 for a Lorentzian.
inline double LorentzShare(const LineShape& s) {
    return s.kind == Lineshape::Lorentzian ? 1.0 : s.kind == Lineshape::Gaussian ? 0.0 : s.eta;
}

/// Gaussian and Lorentzian FWHM of the Voigt profile of a shape: fL = eta f and, from
/// f = fL / 2 + sqrt(fL^2 / 4 + fG^2), fG = f sqrt(1 - eta).
inline double VoigtGaussWidth(const LineShape& s) { return s.f * std::sqrt(std::max(1.0 - s.eta, 0.0)); }
inline double VoigtLorentzWidth(const LineShape& s) { return s.f * s.eta; }

/// Area-normalised profile value at a distance d (axis units) from the line centre: the exact
/// Voigt of the shape's Gaussian and Lorentzian widths for a Voigt.
inline double ProfileValue(const LineShape& s, double d) {
    const double u = d / s.f;
    if (s.kind == Lineshape::Gaussian) return s.gN * std::exp(-(u * u) / kGaussExponent);
    if (s.kind == Lineshape::Lorentzian) return s.lN / (1.0 + 4.0 * u * u);
    return VoigtProfile(d, VoigtGaussWidth(s), VoigtLorentzWidth(s));
}

/// Adds weight x profile(i) onto out[i] for every grid point the line covers.
void AccumulateProfile(const ProfileGrid& grid, const LineShape& s, double x0, double weight, float* out);

/// Adds weight x sqrt(strength x profile(i)) onto out[i] where the profile is positive (the
/// partially saturated LIF regime, where the signal grows with the square root of the strength).
void AccumulateSqrtProfile(const ProfileGrid& grid, const LineShape& s, double x0, double strength, double weight,
                           float* out);

/// Peak signal weight × s p(0) / (1 + s p(0)) of a line saturated by the laser (s = saturation).
double SaturatedPeak(const LineShape& s, double saturation, double weight);

/// Grid points a line saturated by the laser covers: at least its own cut-off window, on until its
/// signal falls below `floor`; and s η lN, its Lorentzian wing s p (1 + 4 u²) at u FWHM out.
struct SaturatedSpan {
    int first = 1, last = 0;
    double lorentzWing = 0.0;
};
SaturatedSpan SaturatedSpanOf(const ProfileGrid& grid, const LineShape& s, double x0, double saturation, double weight,
                              double floor);

/// Adds weight × s p(i) / (1 + s p(i)) onto out[i] (s = saturation): a line saturated by the
/// laser, whose wings keep growing while its centre levels off (power broadening). The line
/// covers at least its own cut-off window and reaches on until its signal falls below `floor`.
void AccumulateSaturatedProfile(const ProfileGrid& grid, const LineShape& s, double x0, double saturation,
                                double weight, double floor, float* out);

}  // namespace velmora::simulation
