#include "simulation/conditions.h"

#include <cmath>

namespace velmora::simulation {

namespace {

/// Throws ConditionError unless a stored mode lies within first..last.
template <typename Mode>
void CheckMode(Mode mode, Mode first, Mode last, const char* what) {
    const int v = StoredValue(mode);
    if (v < StoredValue(first) || v > StoredValue(last))
        throw ConditionError(std::string(what) + " " + std::to_string(v) + " is not one of " +
                             std::to_string(StoredValue(first)) + ".." + std::to_string(StoredValue(last)));
}

void CheckFinite(double value, const char* what) {
    if (!std::isfinite(value)) throw ConditionError(std::string(what) + " is not a finite number");
}

/// The settings of a triangle, trapezoid or measured instrument function.
void CheckConvolvedInstrument(const SimulationConditions& c) {
    CheckFinite(c.trapezoidTop, "the flat-top width");
    CheckFinite(c.resolutionSlope, "the change of the resolution across the range");
    if (!IsConvolvedInstrument(c.lineshape)) return;
    if (c.lineshape == Lineshape::Trapezoid && !(c.trapezoidTop >= 0.0 && c.trapezoidTop <= c.resolution))
        throw ConditionError("the flat top of the trapezoid must lie within 0..the resolution (its FWHM)");
    if (c.lineshape == Lineshape::Measured && !c.slit)
        throw ConditionError("no measured instrument function has been read: choose its file");
    if (!(c.slitScale > 0.0) || !std::isfinite(c.slitScale))
        throw ConditionError("the width scale of the measured instrument function must be a number above 0");
    if (c.kind == SpectrumKind::LifExcitation && c.lifRegime == LifRegime::PartiallySaturated)
        throw ConditionError(
            "the partially saturated LIF regime needs a Gaussian, Lorentzian or Voigt instrument function");
    if (c.kind == SpectrumKind::LifExcitation && c.lifRegime == LifRegime::RateEquations && !LaserShapesExcitation(c))
        throw ConditionError(
            "the rate-equation LIF regime needs a laser line shape, or a Gaussian, Lorentzian or Voigt "
            "instrument function");
}

}  // namespace

const char* AxisUnitName(AxisUnit u) {
    static const char* const names[] = {"", "\u00C5 (Vacuum)", "\u00C5 (Air)", "cm-1", "nm (Vacuum)", "nm (Air)"};
    const int k = StoredValue(u);
    return k >= 1 && k <= 5 ? names[k] : "";
}

int PointsPerWidth(PointDensity density) {
    switch (density) {
        case PointDensity::Low:
            return 5;
        case PointDensity::High:
            return 14;
        case PointDensity::VeryHigh:
            return 21;
        default:
            return 7;
    }
}

void CheckConditions(const SimulationConditions& c) {
    CheckMode(c.kind, SpectrumKind::Emission, SpectrumKind::FourWaveMixing, "kind of spectrum");
    CheckMode(c.unit, AxisUnit::AngstromVacuum, AxisUnit::NanometreAir, "axis unit");
    CheckMode(c.lineshape, Lineshape::Gaussian, Lineshape::Measured, "lineshape");
    CheckMode(c.density, PointDensity::Low, PointDensity::VeryHigh, "point density");
    CheckMode(c.pressureUnit, PressureUnit::Torr, PressureUnit::Kilopascal, "pressure unit");
    CheckMode(c.lifRegime, LifRegime::Linear, LifRegime::RateEquations, "LIF regime");
    CheckMode(c.gate, GateMode::TotalIntegration, GateMode::TimeResolved, "gate");
    CheckMode(c.window, WindowMode::Full, WindowMode::Window, "spectral window");
    CheckMode(c.yield, YieldMode::Included, YieldMode::ExcludeQuenching, "fluorescence yield mode");
    CheckMode(c.quenching, QuenchingSource::None, QuenchingSource::GasComposition, "quenching source");
    CheckFinite(c.start, "the range start");
    CheckFinite(c.end, "the range end");
    CheckFinite(c.temperature, "the temperature");
    CheckFinite(c.pressure, "the pressure");
    CheckFinite(c.collisionalBroad1, "the collisional broadening coefficient");
    CheckFinite(c.collisionalBroad2, "the collisional broadening exponent");
    CheckFinite(c.collisionalShiftA, "the collisional shift coefficient");
    CheckFinite(c.collisionalShiftB, "the collisional shift exponent");
    CheckFinite(c.dopplerVelocity, "the Doppler velocity");
    CheckFinite(c.gateDelay, "the gate delay");
    CheckFinite(c.gateWidth, "the gate width");
    CheckFinite(c.windowStart, "the window start");
    CheckFinite(c.windowEnd, "the window end");
    CheckFinite(c.quenchingRate, "the quenching rate constant");
    double fractions = 0.0;
    for (const auto& [partner, x] : c.composition.partners) {
        if (!(x >= 0.0 && x <= 1.0)) throw ConditionError("the mole fraction of " + partner + " must lie within 0..1");
        fractions += x;
    }
    if (!c.composition.Empty() && std::fabs(fractions - 1.0) > database::kMoleFractionTolerance)
        throw ConditionError("the mole fractions of the gas add up to " + std::to_string(fractions) + ", not 1");
    for (const auto& [value, what] :
         {std::pair{c.laserGaussWidth, "the laser's Gaussian width"},
          std::pair{c.laserLorentzWidth, "the laser's Lorentzian width"}, std::pair{c.pulseEnergy, "the pulse energy"},
          std::pair{c.spectralIrradiance, "the spectral irradiance"}})
        if (!(value >= 0.0) || !std::isfinite(value))
            throw ConditionError(std::string(what) + " must be a number of 0 or more");
    if (!(c.pulseDuration > 0.0) || !std::isfinite(c.pulseDuration))
        throw ConditionError("the pulse duration must be a number above 0");
    if (!(c.beamArea > 0.0) || !std::isfinite(c.beamArea))
        throw ConditionError("the beam area must be a number above 0");
    for (const auto& [wavelength, transmission] : c.detectionFilter)
        if (!std::isfinite(wavelength) || !(transmission >= 0.0 && transmission <= 1.0))
            throw ConditionError("the detection filter's transmission must lie within 0..1 at every wavelength");
    if (!(c.resolution > 0.0) || !std::isfinite(c.resolution))
        throw ConditionError("the instrumental resolution must be a number above 0");
    if (!(c.lorentzPercent >= 0.0 && c.lorentzPercent <= 100.0))
        throw ConditionError("the Lorentzian share must lie within 0..100 %");
    CheckConvolvedInstrument(c);
    CheckMode(c.absorptionUnit, AbsorptionUnit::Relative, AbsorptionUnit::Transmittance, "absorption unit");
    for (const auto& [value, what] :
         {std::pair{c.columnDensity, "the column density"}, std::pair{c.numberDensity, "the number density"},
          std::pair{c.pathLength, "the path length"}})
        if (!(value >= 0.0) || !std::isfinite(value))
            throw ConditionError(std::string(what) + " must be a number of 0 or more");
}

}  // namespace velmora::simulation
