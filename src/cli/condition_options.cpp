#include "cli/condition_options.h"

#include <stdexcept>

#include "cli/simulate_options.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "simulation/condition_limits.h"
#include "simulation/lineshapes.h"
#include "simulation/units.h"

namespace velmora::cli {

namespace {

using namespace simulation;

/// "lo..hi" of accepted values, as a message names them.
std::string LimitsText(const Limits& limits) { return Trim(Str(limits.lo)) + ".." + Trim(Str(limits.hi)); }

/// A numeric option as the window's box stores it (single precision), checked against the
/// values the box accepts; absent: the fallback.
double Number(const Args& args, const std::string& name, double fallback, const Limits& limits, const std::string& unit) {
    if (!args.Has(name)) return fallback;
    const std::string text = Trim(args.Get(name));
    if (!IsNumeric(text)) throw std::invalid_argument("option --" + name + ": \"" + text + "\" is not a number");
    if (!limits.Contains(Val(text)))
        throw std::invalid_argument("option --" + name + ": " + text + " is not accepted (" + LimitsText(limits) + unit + ")");
    return static_cast<float>(Val(text));
}

bool Switch(const Args& args, const std::string& name, bool fallback) {
    return args.Has(name) ? ChoiceOption(args, name, {"off", "on"}, 0) == 1 : fallback;
}

template <typename Mode>
Mode Choice(const Args& args, const std::string& name, Mode fallback, std::initializer_list<const char*> names, int first) {
    return args.Has(name) ? StoredMode<Mode>(ChoiceOption(args, name, names, first)) : fallback;
}

/// A value as the window writes it into a box and reads it back: single precision through text.
double AsShown(double v) { return static_cast<float>(Val(Str(static_cast<float>(v)))); }

}  // namespace

SimulationConditions ConditionsFromOptions(const Args& args, const Catalogue& cat) {
    SimulationConditions c;
    c.kind = Choice(args, "kind", c.kind, {"emission", "absorption", "lif", "cubic"}, 1);

    // The default range and resolution (vacuum Å) in the unit of --units, as the window converts
    // them; --start, --end and --resolution then replace them in that unit.
    c.unit = Choice(args, "units", c.unit, {"vacuum", "air", "cm-1", "nm-vacuum", "nm-air"}, 1);
    const int units = StoredValue(c.unit);
    const double s0 = c.start, e0 = c.end;
    if (c.unit != AxisUnit::AngstromVacuum) {
        // Wavelength and wavenumber run in opposite directions: start and end exchange places.
        const bool reciprocal = c.unit == AxisUnit::Wavenumber;
        c.start = AsShown(ConvertAxisValue(reciprocal ? e0 : s0, 1, units));
        c.end = AsShown(ConvertAxisValue(reciprocal ? s0 : e0, 1, units));
    }
    if (c.unit != AxisUnit::AngstromVacuum && c.unit != AxisUnit::AngstromAir) {
        // In nm or cm-1 the resolution follows in proportion to the range centres.
        const double res = c.resolution / ((s0 + e0) / 2.0) * (c.start + c.end) / 2.0;
        std::string shown = Format(res, "##0.0#####");
        if (Val(shown) <= 0.0) shown = Str(static_cast<float>(res));
        c.resolution = static_cast<float>(Val(shown));
    }
    const std::string unitName = " " + UnitNameOf(cat, units);
    c.start = Number(args, "start", c.start, RangeLimits(units), unitName);
    c.end = Number(args, "end", c.end, RangeLimits(units), unitName);
    // The screen exchanges a reversed range; here it is an error.
    if (!(c.start < c.end))
        throw std::invalid_argument("the range start " + Trim(Str(c.start)) + " is not below its end " + Trim(Str(c.end)) +
                                    " (--start, --end)");

    c.temperature = Number(args, "temperature", c.temperature, kTemperatureLimits, " K");
    c.pressureUnit = Choice(args, "pressure-units", c.pressureUnit, {"torr", "atm", "mbar", "bar", "pa", "kpa"}, 0);
    const double toTorr = PressureFactor(cat, StoredValue(c.pressureUnit));
    c.pressure = static_cast<float>(Number(args, "pressure", 0.0, {kPressureTorrLimits.lo / toTorr, kPressureTorrLimits.hi / toTorr},
                                           " in the pressure unit") * toTorr);
    c.lineshape = Choice(args, "lineshape", c.lineshape, {"gaussian", "lorentzian", "voigt"}, 1);
    c.resolution = Number(args, "resolution", c.resolution, kResolutionLimits, " in the axis unit");
    c.lorentzPercent = Number(args, "lorentzian", c.lorentzPercent, kLorentzianLimits, " %");
    c.density = Choice(args, "density", c.density, {"low", "standard", "high", "very-high"}, 0);

    c.dopplerBroadening = Switch(args, "doppler", c.dopplerBroadening);
    c.collisionalBroadening = Switch(args, "collisional", c.collisionalBroadening);
    c.predissociationBroadening = Switch(args, "predissociation", c.predissociationBroadening);
    c.collisionalBroad1 = Number(args, "coll-b1", c.collisionalBroad1, kCollisionalCoefficientLimits, " cm-1/atm");
    c.collisionalBroad2 = Number(args, "coll-b2", c.collisionalBroad2, kTemperatureExponentLimits, "");
    c.collisionalShift = Switch(args, "collisional-shift", c.collisionalShift);
    c.collisionalShiftA = Number(args, "shift-a", c.collisionalShiftA, kCollisionalCoefficientLimits, " cm-1/atm");
    c.collisionalShiftB = Number(args, "shift-b", c.collisionalShiftB, kTemperatureExponentLimits, "");
    c.dopplerShift = Switch(args, "doppler-shift", c.dopplerShift);
    c.dopplerVelocity = Number(args, "doppler-velocity", c.dopplerVelocity, kVelocityLimits, " km/s");

    c.lifRegime = Choice(args, "lif-regime", c.lifRegime, {"linear", "partial", "saturated"}, 0);
    c.gate = Choice(args, "gate", c.gate, {"total", "resolved"}, 0);
    c.gateDelay = Number(args, "delay", c.gateDelay, kGateLimits, " ns");
    c.gateWidth = Number(args, "gate-width", c.gateWidth, kGateLimits, " ns");
    c.window = Choice(args, "window", c.window, {"full", "window"}, 0);
    c.windowStart = Number(args, "window-start", c.windowStart, kWindowLimits, " Å");
    c.windowEnd = Number(args, "window-end", c.windowEnd, kWindowLimits, " Å");
    if ((args.Has("window-start") || args.Has("window-end") || c.window == WindowMode::Window) && !(c.windowStart < c.windowEnd))
        throw std::invalid_argument("the detection window start " + Trim(Str(c.windowStart)) + " Å is not below its end " +
                                    Trim(Str(c.windowEnd)) + " Å (--window-start, --window-end)");
    c.yield = Choice(args, "yield", c.yield, {"included", "excluded", "no-predissociation", "no-quenching"}, 0);
    c.quenching = Choice(args, "quenching-source", c.quenching, {"none", "single", "files"}, 0);
    c.quenchingRate = Number(args, "quenching", c.quenchingRate, {0.0, 1e300}, " us-1 Torr-1");
    // Not conditions of the spectrum, but checked alike.
    Number(args, "min-population", 0.0, {0.0, 0.1}, "");
    if (args.Has("noise") && !(Val(args.Get("noise")) < 100.0))
        throw std::invalid_argument("option --noise: " + Trim(args.Get("noise")) + " is not accepted (0 to below 100)");
    Number(args, "noise", 0.0, {0.0, 100.0}, "");
    return c;
}

}  // namespace velmora::cli
