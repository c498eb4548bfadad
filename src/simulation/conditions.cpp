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

}  // namespace

int PointsPerWidth(PointDensity density) {
    switch (density) {
        case PointDensity::Low: return 5;
        case PointDensity::High: return 14;
        case PointDensity::VeryHigh: return 21;
        default: return 7;
    }
}

void CheckConditions(const SimulationConditions& c) {
    CheckMode(c.kind, SpectrumKind::Emission, SpectrumKind::FourWaveMixing, "kind of spectrum");
    CheckMode(c.unit, AxisUnit::AngstromVacuum, AxisUnit::NanometreAir, "axis unit");
    CheckMode(c.lineshape, Lineshape::Gaussian, Lineshape::Voigt, "lineshape");
    CheckMode(c.density, PointDensity::Low, PointDensity::VeryHigh, "point density");
    CheckMode(c.pressureUnit, PressureUnit::Torr, PressureUnit::Kilopascal, "pressure unit");
    CheckMode(c.lifRegime, LifRegime::Linear, LifRegime::Saturated, "LIF regime");
    CheckMode(c.gate, GateMode::TotalIntegration, GateMode::TimeResolved, "gate");
    CheckMode(c.window, WindowMode::Full, WindowMode::Window, "spectral window");
    CheckMode(c.yield, YieldMode::Included, YieldMode::ExcludeQuenching, "fluorescence yield mode");
    CheckMode(c.quenching, QuenchingSource::None, QuenchingSource::FromFiles, "quenching source");
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
    if (!(c.resolution > 0.0) || !std::isfinite(c.resolution))
        throw ConditionError("the instrumental resolution must be a number above 0");
    if (!(c.lorentzPercent >= 0.0 && c.lorentzPercent <= 100.0))
        throw ConditionError("the Lorentzian share must lie within 0..100 %");
}

}  // namespace velmora::simulation
