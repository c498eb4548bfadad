#include "cli/condition_options.h"

#include <stdexcept>

#include "cli/simulate_options.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "simulation/units.h"

namespace velmora::cli {

namespace {

using namespace simulation;

/// A numeric option as the window's box stores it (single precision), checked against the range
/// the box accepts; absent: the fallback.
double Number(const Args& args, const std::string& name, double fallback, double lo, double hi,
              const std::string& accepted, bool loOpen = false, bool hiOpen = false) {
    if (!args.Has(name)) return fallback;
    const std::string text = Trim(args.Get(name));
    if (!IsNumeric(text)) throw std::invalid_argument("option --" + name + ": \"" + text + "\" is not a number");
    const double v = Val(text);
    if ((loOpen ? v <= lo : v < lo) || (hiOpen ? v >= hi : v > hi))
        throw std::invalid_argument("option --" + name + ": " + text + " is not accepted (" + accepted + ")");
    return static_cast<float>(v);
}

bool Switch(const Args& args, const std::string& name, bool fallback) {
    return args.Has(name) ? OptionChoice(args, name, {"off", "on"}, 0) == 1 : fallback;
}

template <typename Mode>
Mode Choice(const Args& args, const std::string& name, Mode fallback, std::initializer_list<const char*> names, int first) {
    return args.Has(name) ? StoredMode<Mode>(OptionChoice(args, name, names, first)) : fallback;
}

/// A value as the window writes it into a box and reads it back: single precision through text.
double AsShown(double v) { return static_cast<float>(Val(Str(static_cast<float>(v)))); }

}  // namespace

SimulationConditions ConditionsFromOptions(const Args& args, const Catalogue& cat) {
    constexpr double inf = 1e300;
    SimulationConditions c;
    c.kind = Choice(args, "kind", c.kind, {"emission", "absorption", "lif", "cubic"}, 1);

    // The default range and resolution (vacuum Å) in the unit of --units, as the window converts
    // them; --start, --end and --resolution then replace them in that unit.
    c.unit = Choice(args, "units", c.unit, {"vacuum", "air", "cm-1"}, 1);
    const double s0 = c.start, e0 = c.end;
    if (c.unit == AxisUnit::AngstromAir) {
        c.start = AsShown(s0 / AirIndex(static_cast<float>(s0)));
        c.end = AsShown(e0 / AirIndex(static_cast<float>(e0)));
    } else if (c.unit == AxisUnit::Wavenumber) {
        c.start = AsShown(1E8 / e0), c.end = AsShown(1E8 / s0);
        const double res = c.resolution / ((s0 + e0) / 2.0) * (c.start + c.end) / 2.0;
        std::string shown = Format(res, "##0.0#####");
        if (Val(shown) <= 0.0) shown = Str(static_cast<float>(res));
        c.resolution = static_cast<float>(Val(shown));
    }
    c.start = Number(args, "start", c.start, -inf, inf, "a number");
    c.end = Number(args, "end", c.end, -inf, inf, "a number");

    c.temperature = Number(args, "temperature", c.temperature, 0.0, inf, "0 K or more");
    c.pressureUnit = Choice(args, "pressure-units", c.pressureUnit, {"torr", "atm", "mbar", "bar", "pa", "kpa"}, 0);
    c.pressure = static_cast<float>(Number(args, "pressure", 0.0, 0.0, inf, "0 or more") *
                                    PressureFactor(cat, StoredValue(c.pressureUnit)));
    c.lineshape = Choice(args, "lineshape", c.lineshape, {"gaussian", "lorentzian", "voigt"}, 1);
    c.resolution = Number(args, "resolution", c.resolution, 0.0, inf, "above 0", true);
    c.lorentzPercent = Number(args, "lorentzian", c.lorentzPercent, 0.0, 100.0, "0 to 100 %");
    c.density = Choice(args, "density", c.density, {"low", "standard", "high", "very-high"}, 0);

    c.dopplerBroadening = Switch(args, "doppler", c.dopplerBroadening);
    c.collisionalBroadening = Switch(args, "collisional", c.collisionalBroadening);
    c.predissociationBroadening = Switch(args, "predissociation", c.predissociationBroadening);
    c.collisionalBroad1 = Number(args, "coll-b1", c.collisionalBroad1, 0.0, inf, "0 or more");
    c.collisionalBroad2 = Number(args, "coll-b2", c.collisionalBroad2, 0.0, inf, "0 or more");
    c.collisionalShift = Switch(args, "collisional-shift", c.collisionalShift);
    c.collisionalShiftA = Number(args, "shift-a", c.collisionalShiftA, 0.0, inf, "0 or more");
    c.collisionalShiftB = Number(args, "shift-b", c.collisionalShiftB, 0.0, inf, "0 or more");
    c.dopplerShift = Switch(args, "doppler-shift", c.dopplerShift);
    c.dopplerVelocity = Number(args, "doppler-velocity", c.dopplerVelocity, -300000.0, 300000.0, "-300000 to 300000 km/s");

    c.lifRegime = Choice(args, "lif-regime", c.lifRegime, {"linear", "partial", "saturated"}, 0);
    c.gate = Choice(args, "gate", c.gate, {"total", "resolved"}, 0);
    c.gateDelay = Number(args, "delay", c.gateDelay, 0.0, inf, "0 ns or more");
    c.gateWidth = Number(args, "gate-width", c.gateWidth, 0.0, inf, "0 ns or more");
    c.window = Choice(args, "window", c.window, {"full", "window"}, 0);
    c.windowStart = Number(args, "window-start", c.windowStart, 0.0, 20000.0, "0 to 20000 Å");
    c.windowEnd = Number(args, "window-end", c.windowEnd, 0.0, 20000.0, "0 to 20000 Å");
    c.yield = Choice(args, "yield", c.yield, {"included", "excluded", "no-predissociation", "no-quenching"}, 0);
    c.quenching = Choice(args, "quenching-source", c.quenching, {"none", "single", "files"}, 0);
    c.quenchingRate = Number(args, "quenching", c.quenchingRate, 0.0, inf, "0 or more");
    // Not conditions of the spectrum, but checked alike.
    Number(args, "min-population", 0.0, 0.0, 0.1, "0 to 0.1");
    Number(args, "noise", 0.0, 0.0, 100.0, "0 to below 100", false, true);
    return c;
}

}  // namespace velmora::cli
