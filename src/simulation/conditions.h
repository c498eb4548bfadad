// The conditions of one simulation as a typed value: numbers in double precision, every mode an
// enumeration whose values are the integers that settings, controls and the command line store.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "database/gas_composition.h"
#include "populations/population_state.h"

namespace velmora::simulation {

/// Unit of an absorption spectrum: relative (peak 100), or absolute from the line strengths.
enum class AbsorptionUnit { Relative = 0, CrossSection = 1, Absorbance = 2, Transmittance = 3 };

/// Kind of spectrum.
enum class SpectrumKind {
    Emission = 1,        ///< from the upper state, emission coefficients
    Absorption = 2,      ///< from the lower state, absorption coefficients times wavenumber
    LifExcitation = 3,   ///< laser-induced fluorescence excitation scan from the lower state
    FourWaveMixing = 4,  ///< |χ(3)|² ∝ N''² μ⁸: the fourth power of the line strength, N''² of the lower level
};

/// Unit of the spectral axis: its range, grid, widths and shifts.
enum class AxisUnit {
    AngstromVacuum = 1,
    AngstromAir = 2,
    Wavenumber = 3,  ///< cm-1
    NanometreVacuum = 4,
    NanometreAir = 5,
};

/// Instrument function, and the profile kind drawn for a line (Gaussian, Lorentzian or Voigt
/// only). Triangle, trapezoid and a measured function are convolved with the line profiles.
enum class Lineshape { Gaussian = 1, Lorentzian = 2, Voigt = 3, Triangle = 4, Trapezoid = 5, Measured = 6 };

/// True for the instrument functions that are convolved with the Doppler and collisional
/// profile on the grid rather than folded into one analytic profile.
constexpr bool IsConvolvedInstrument(Lineshape s) {
    return s == Lineshape::Triangle || s == Lineshape::Trapezoid || s == Lineshape::Measured;
}

/// Unit of the offsets of a measured instrument function file.
enum class SlitOffsetUnit { Axis = 0, Nanometre = 1 };

struct MeasuredSlit;

/// Grid points per FWHM of the line profile: 5, 7, 14 or 21.
enum class PointDensity { Low = 0, Standard = 1, High = 2, VeryHigh = 3 };

/// Unit in which the pressure is shown (it is always held in Torr).
enum class PressureUnit { Torr = 0, Atmosphere = 1, Millibar = 2, Bar = 3, Pascal = 4, Kilopascal = 5 };

/// Regime of the LIF excitation: signal linear in the line strength, growing with its square
/// root, or saturated (independent of it: the upper level holds g'/(g' + g'') of the lower
/// population).
enum class LifRegime { Linear = 0, PartiallySaturated = 1, Saturated = 2, RateEquations = 3 };

/// Detection gate of the fluorescence.
enum class GateMode { TotalIntegration = 0, TimeResolved = 1 };

/// Spectral detection window of the fluorescence.
enum class WindowMode { Full = 0, Window = 1 };

/// What the fluorescence quantum yield of an upper level includes.
enum class YieldMode { Included = 0, Excluded = 1, ExcludePredissociation = 2, ExcludeQuenching = 3 };

/// Source of the collisional quenching rates: one rate constant, the level files' rate constants,
/// or the published models of the upper state for a gas composition.
enum class QuenchingSource { None = 0, SingleValue = 1, FromFiles = 2, GasComposition = 3 };

/// The typed mode of a stored integer. Stored values are range-checked where they enter (the
/// settings rules, the control events, the command-line options and Python, by the field table).
template <typename Mode>
constexpr Mode StoredMode(int value) {
    return static_cast<Mode>(value);
}

/// The integer a mode is stored as.
template <typename Mode>
constexpr int StoredValue(Mode mode) {
    return static_cast<int>(mode);
}

/// True for the axis units in which the axis is a wavelength (Å or nm, vacuum or air).
constexpr bool IsWavelength(AxisUnit u) { return u != AxisUnit::Wavenumber; }
/// True for the wavelengths in standard air.
constexpr bool IsAir(AxisUnit u) { return u == AxisUnit::AngstromAir || u == AxisUnit::NanometreAir; }
/// Axis units per Å of a wavelength axis: 1 for Å, 0.1 for nm.
constexpr double UnitsPerAngstrom(AxisUnit u) {
    return u == AxisUnit::NanometreVacuum || u == AxisUnit::NanometreAir ? 0.1 : 1.0;
}

/// Name of an axis unit, as the range and widths are labelled ("Å (Vacuum)", "cm-1").
const char* AxisUnitName(AxisUnit u);

/// Points per FWHM of a point density.
int PointsPerWidth(PointDensity density);

/// The electronic state whose populations a kind of spectrum reads: upper for emission, lower
/// for the others.
constexpr ElectronicState PopulatedState(SpectrumKind kind) {
    return kind == SpectrumKind::Emission ? ElectronicState::Upper : ElectronicState::Lower;
}

/// Everything a simulation needs besides the band-system model and the populations.
struct SimulationConditions {
    SpectrumKind kind = SpectrumKind::Emission;
    AxisUnit unit = AxisUnit::AngstromVacuum;
    double start = 3050.0, end = 3150.0;  ///< range in axis units (reversed limits are exchanged)

    double temperature = 300.0;  ///< K, of the Doppler width and the collisional width and shift
    double pressure = 0.0;       ///< Torr
    PressureUnit pressureUnit = PressureUnit::Torr;

    // Instrument function and grid.
    Lineshape lineshape = Lineshape::Gaussian;
    double resolution = 1.0;      ///< instrumental FWHM, axis units, above 0
    double lorentzPercent = 0.0;  ///< Lorentzian share of a Voigt instrument function, 0..100
    PointDensity density = PointDensity::Standard;

    // Convolved instrument functions (triangle, trapezoid, measured). The resolution is the FWHM
    // of a triangle or trapezoid at the range centre.
    double trapezoidTop = 0.0;                 ///< full width of a trapezoid's flat top, axis units, 0..resolution
    double resolutionSlope = 0.0;              ///< change of the instrumental FWHM per axis unit (dispersion)
    std::shared_ptr<const MeasuredSlit> slit;  ///< measured function, read from its file
    SlitOffsetUnit slitUnit = SlitOffsetUnit::Axis;  ///< unit of the offsets in the measured function's file
    double slitScale = 1.0;                          ///< width factor applied to the measured function

    // Broadening and shifts.
    bool dopplerBroadening = false;
    bool collisionalBroadening = false;
    bool predissociationBroadening = true;
    double collisionalBroad1 = 0.0;  ///< B1: collisional FWHM, cm-1 per atm at 300 K
    double collisionalBroad2 = 1.0;  ///< B2: its temperature exponent, (300/T)^B2
    bool collisionalShift = false;
    double collisionalShiftA = 0.0;  ///< A: shift to the red, cm-1 per atm at 300 K
    double collisionalShiftB = 1.0;  ///< B: its temperature exponent
    bool dopplerShift = false;
    double dopplerVelocity = 0.0;  ///< km/s, towards the observer

    // Fluorescence: LIF regime, gate, detection window, yields and quenching.
    LifRegime lifRegime = LifRegime::Linear;
    GateMode gate = GateMode::TotalIntegration;
    double gateDelay = 0.0;   ///< ns
    double gateWidth = 10.0;  ///< ns
    WindowMode window = WindowMode::Full;
    double windowStart = 0.0, windowEnd = 0.0;  ///< Å, in air when the axis is an air wavelength
    YieldMode yield = YieldMode::Included;
    QuenchingSource quenching = QuenchingSource::None;
    double quenchingRate = 0.0;  ///< single rate constant, µs-1 Torr-1

    // Quenching by a gas composition: mole fractions of the collision partners at the temperature
    // and pressure above.
    database::GasComposition composition{{{"N2", 0.79}, {"O2", 0.21}}};

    // The excitation laser of LIF: its line shape (a Voigt of the two widths; both 0 leave the
    // instrument function in its place) and, for the rate equations, its irradiance. The pulse
    // gives the irradiance E / (τ A); a spectral irradiance above 0 (at the laser's centre)
    // replaces it.
    double laserGaussWidth = 0.0;     ///< Gaussian FWHM of the laser, axis units
    double laserLorentzWidth = 0.0;   ///< Lorentzian FWHM of the laser, axis units
    double pulseEnergy = 1.0;         ///< mJ
    double pulseDuration = 10.0;      ///< ns
    double beamArea = 0.1;            ///< cm2
    double spectralIrradiance = 0.0;  ///< W cm-2 per cm-1

    // Detection filter: transmission (0..1) by wavelength (Å, in air when the axis is); when
    // given it replaces the detection window.
    std::vector<std::pair<double, double>> detectionFilter;
    std::string detectionFilterFile;  ///< the file it was read from

    // Absolute absorption: unit, and the column of absorbers as a column density or as a number
    // density times a path length.
    AbsorptionUnit absorptionUnit = AbsorptionUnit::Relative;
    double columnDensity = 0.0;  ///< cm-2; when 0, numberDensity × pathLength
    double numberDensity = 0.0;  ///< cm-3
    double pathLength = 0.0;     ///< cm

    /// Field by field; a measured instrument function compares by identity.
    bool operator==(const SimulationConditions&) const = default;
};

/// True when a LIF excitation spectrum is scanned with a laser of its own line shape: the laser
/// then takes the place of the instrument function in every line's overlap profile.
inline bool LaserShapesExcitation(const SimulationConditions& c) {
    return c.kind == SpectrumKind::LifExcitation && (c.laserGaussWidth > 0.0 || c.laserLorentzWidth > 0.0);
}

/// True when the drawn spectrum is convolved on the grid with a triangle, trapezoid or measured
/// instrument function; a laser of its own line shape takes that function's place.
inline bool ConvolvesInstrument(const SimulationConditions& c) {
    return IsConvolvedInstrument(c.lineshape) && !LaserShapesExcitation(c);
}

/// A condition the simulation cannot work with; the message names it and says why.
class ConditionError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

/// Checks the values a simulation relies on (a finite range, a positive resolution, modes within
/// their lists ...). Throws ConditionError naming the first one that is not usable.
void CheckConditions(const SimulationConditions& c);

}  // namespace velmora::simulation
