#include "cli/condition_options.h"

#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "database/quenching.h"
#include "simulation/condition_limits.h"
#include "simulation/detection_filter.h"
#include "simulation/lineshapes.h"
#include "simulation/slit_file.h"
#include "simulation/units.h"

namespace velmora::cli {

namespace {

using namespace simulation;

/// The largest value a single-precision box holds.
constexpr double kLargest = std::numeric_limits<float>::max();

/// "lo..hi" of accepted values, as a message names them.
std::string LimitsText(const Limits& limits) { return Trim(Str(limits.lo)) + ".." + Trim(Str(limits.hi)); }

/// A value as a box stores it: single precision.
double Single(double v) { return static_cast<float>(v); }

/// The number an option gives times `scale` (the factor to the unit the value is held in), when
/// given. Throws naming the option when its text is not a number or the value lies outside
/// `accepted` (`what` says in words what the box accepts).
std::optional<double> BoxValue(const Args& args, const std::string& name, const Limits& accepted,
                               const std::string& what, double scale = 1.0) {
    if (!args.Has(name)) return std::nullopt;
    const std::string text = Trim(args.Get(name));
    if (!IsNumeric(text))
        throw std::invalid_argument("option --" + name + ": \"" + Excerpt(text) + "\" is not a number");
    const double v = Val(text) * scale;
    if (!accepted.Contains(v))
        throw std::invalid_argument("option --" + name + ": " + text + " is not accepted (" + what + ")");
    return v;
}

/// Sets `field` to the option's number in single precision, when given.
void Box(double& field, const Args& args, const std::string& name, const Limits& accepted, const std::string& what) {
    if (const auto v = BoxValue(args, name, accepted, what)) field = Single(*v);
}

void Switch(bool& field, const Args& args, const std::string& name) {
    if (args.Has(name)) field = ChoiceOption(args, name, {"off", "on"}, 0) == 1;
}

template <typename Mode>
void Choice(Mode& field, const Args& args, const std::string& name, std::initializer_list<const char*> names,
            int first) {
    if (args.Has(name)) field = StoredMode<Mode>(ChoiceOption(args, name, names, first));
}

/// A value as the window writes it into a box and reads it back: single precision through text.
double AsShown(double v) { return Single(Val(Str(static_cast<float>(v)))); }

/// The default range and resolution (vacuum Å) in another axis unit, as the window converts them
/// when its unit changes.
void ConvertDefaultsToUnit(SimulationConditions& c) {
    if (c.unit == AxisUnit::AngstromVacuum) return;
    const double s0 = c.start, e0 = c.end;
    // Wavelength and wavenumber run in opposite directions: start and end exchange places.
    const bool reciprocal = c.unit == AxisUnit::Wavenumber;
    const int units = StoredValue(c.unit);
    c.start = AsShown(ConvertAxisValue(reciprocal ? e0 : s0, 1, units));
    c.end = AsShown(ConvertAxisValue(reciprocal ? s0 : e0, 1, units));
    if (c.unit == AxisUnit::AngstromAir) return;
    // In nm or cm-1 the resolution follows in proportion to the range centres.
    const double res = c.resolution * ((c.start + c.end) / (s0 + e0));
    c.resolution = Single(Val(ConvertedResolutionText(res)));
}

/// The range of --start and --end in the axis unit, each within the range limits of the unit,
/// the start below the end.
void ReadRange(SimulationConditions& c, const Args& args, const Catalogue& cat) {
    const int units = StoredValue(c.unit);
    const Limits limits = RangeLimits(units);
    std::string shown[2] = {Trim(Str(static_cast<float>(c.start))), Trim(Str(static_cast<float>(c.end)))};
    double* field[2] = {&c.start, &c.end};
    const char* names[2] = {"start", "end"};
    for (int k = 0; k < 2; ++k) {
        const std::string name = names[k];
        if (!args.Has(name)) continue;
        const std::string text = Trim(args.Get(name));
        if (!IsNumeric(text))
            throw std::invalid_argument("option --" + name + ": \"" + Excerpt(text) + "\" is not a number");
        if (!limits.Contains(Val(text)))
            throw std::invalid_argument("option --" + name + ": " + text + " is outside " + LimitsText(limits) + " " +
                                        UnitNameOf(cat, units));
        *field[k] = Single(Val(text));
        shown[k] = text;
    }
    // The screen exchanges a reversed range; here it is an error.
    if (!(c.start < c.end))
        throw std::invalid_argument("the range start " + shown[0] + " is not below its end " + shown[1] +
                                    " (--start, --end)");
}

/// The instrument function: its shape, the options of the convolved ones and the measured
/// function of --slit.
void ReadInstrument(SimulationConditions& c, const Args& args) {
    Choice(c.lineshape, args, "lineshape", {"gaussian", "lorentzian", "voigt", "triangle", "trapezoid", "file"}, 1);
    Box(c.trapezoidTop, args, "top", {0.0, kLargest}, "0 or more");
    Box(c.resolutionSlope, args, "resolution-slope", {-kLargest, kLargest}, "a number");
    // The Gaussian, Lorentzian and Voigt are drawn line by line at one width.
    if (c.resolutionSlope != 0.0 && !IsConvolvedInstrument(c.lineshape))
        throw std::invalid_argument(
            "option --resolution-slope applies to the convolved instrument functions (--lineshape triangle, "
            "trapezoid or file), not to the one chosen");
    Box(c.slitScale, args, "slit-scale", {1e-6, kLargest}, "above 0");
    SlitOffsetUnit slitUnit = SlitOffsetUnit::Axis;
    Choice(slitUnit, args, "slit-units", {"axis", "nm"}, 0);
    if (args.Has("slit")) {
        try {
            c.slit = std::make_shared<const MeasuredSlit>(ReadSlitFile(args.Get("slit"), slitUnit));
        } catch (const std::exception& e) {
            throw std::invalid_argument(std::string("option --slit: ") + e.what());
        }
    } else if (c.lineshape == Lineshape::Measured) {
        throw std::invalid_argument("option --lineshape file needs the instrument function as --slit FILE");
    }
    // A resolution of 0 would be a line of no width.
    if (args.Has("resolution") && !kResolutionLimits.Contains(args.Number("resolution", 1.0)))
        throw std::invalid_argument("option --resolution: " + Trim(args.Get("resolution")) + " is outside " +
                                    LimitsText(kResolutionLimits) + " in the axis unit");
    Box(c.resolution, args, "resolution", kResolutionLimits, LimitsText(kResolutionLimits) + " in the axis unit");
    Box(c.lorentzPercent, args, "lorentzian", kLorentzianLimits, LimitsText(kLorentzianLimits) + " %");
    Choice(c.density, args, "density", {"low", "standard", "high", "very-high"}, 0);
}

/// The excitation laser and the detection of the fluorescence: gate, window or filter.
void ReadFluorescence(SimulationConditions& c, const Args& args) {
    Choice(c.lifRegime, args, "lif-regime", {"linear", "partial", "saturated", "rate-equations"}, 0);
    Box(c.laserGaussWidth, args, "laser-gauss", {0.0, kResolutionLimits.hi}, "0 or more");
    Box(c.laserLorentzWidth, args, "laser-lorentz", {0.0, kResolutionLimits.hi}, "0 or more");
    Box(c.pulseEnergy, args, "pulse-energy", {0.0, 1e15}, "0 mJ or more");
    Box(c.pulseDuration, args, "pulse-duration", {1e-6, 1e15}, "above 0 ns");
    Box(c.beamArea, args, "beam-area", {1e-12, 1e15}, "above 0 cm2");
    Box(c.spectralIrradiance, args, "spectral-irradiance", {0.0, 1e15}, "0 or more");
    if (args.Has("filter")) c.detectionFilter = ReadDetectionFilter(args.Get("filter"));
    Choice(c.gate, args, "gate", {"total", "resolved"}, 0);
    Box(c.gateDelay, args, "delay", kGateLimits, LimitsText(kGateLimits) + " ns");
    Box(c.gateWidth, args, "gate-width", kGateLimits, LimitsText(kGateLimits) + " ns");
    Choice(c.window, args, "window", {"full", "window"}, 0);
    Box(c.windowStart, args, "window-start", kWindowLimits, LimitsText(kWindowLimits) + " Å");
    Box(c.windowEnd, args, "window-end", kWindowLimits, LimitsText(kWindowLimits) + " Å");
    if ((args.Has("window-start") || args.Has("window-end") || c.window == WindowMode::Window) &&
        !(c.windowStart < c.windowEnd))
        throw std::invalid_argument("the detection window start " + Trim(Str(static_cast<float>(c.windowStart))) +
                                    " Å is not below its end " + Trim(Str(static_cast<float>(c.windowEnd))) +
                                    " Å (--window-start, --window-end)");
    Choice(c.yield, args, "yield", {"included", "excluded", "no-predissociation", "no-quenching"}, 0);
}

/// Collisional quenching: a gas composition (which, given alone, is the source), the source and
/// a single rate constant in the program's quenching unit.
void ReadQuenching(SimulationConditions& c, const Args& args, const Catalogue& cat) {
    if (args.Has("composition")) {
        try {
            c.composition = database::ParseComposition(args.Get("composition"));
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(std::string("option --composition: ") + e.what());
        }
        if (c.composition.Empty()) throw std::invalid_argument("option --composition: no gas given");
        if (!args.Has("quenching-source")) c.quenching = QuenchingSource::GasComposition;
    }
    Choice(c.quenching, args, "quenching-source", {"none", "single", "files", "composition"}, 0);
    // Rate constants in the quenching unit of a first run, held in µs-1 Torr-1.
    if (const auto v =
            BoxValue(args, "quenching", {0.0, database::kMaxQuenching}, "0 or more", database::QuenchingFactor(cat, 0)))
        c.quenchingRate = Single(*v);
}

/// The unit of an absorption spectrum and the column of absorbers of an absolute one.
void ReadAbsorption(SimulationConditions& c, const Args& args) {
    Choice(c.absorptionUnit, args, "absorption-units", {"relative", "cross-section", "absorbance", "transmittance"}, 0);
    if (args.Has("absorbance")) c.absorptionUnit = AbsorptionUnit::Absorbance;
    Box(c.columnDensity, args, "column-density", {0.0, kLargest}, "0 or more");
    Box(c.numberDensity, args, "number-density", {0.0, kLargest}, "0 or more");
    Box(c.pathLength, args, "path-length", {0.0, kLargest}, "0 or more");
    if (c.absorptionUnit != AbsorptionUnit::Relative && c.kind != SpectrumKind::Absorption)
        throw std::invalid_argument("absolute absorption units go with --kind absorption");
}

}  // namespace

SimulationConditions ConditionsFromOptions(const Args& args, const Catalogue& cat) {
    SimulationConditions c;
    c.beamArea = Single(c.beamArea);  // 0.1 cm2 as the window holds it, in single precision
    Choice(c.kind, args, "kind", {"emission", "absorption", "lif", "cubic"}, 1);
    if (!args.Has("kind") && args.Has("absorbance")) c.kind = SpectrumKind::Absorption;
    if (args.Has("thermal")) ChoiceOption(args, "thermal", {"off", "on"}, 0);  // a population option, checked in turn

    // The default range and resolution in the unit of --units, as the window converts them;
    // --start, --end and --resolution then replace them in that unit.
    Choice(c.unit, args, "units", {"vacuum", "air", "cm-1", "nm-vacuum", "nm-air"}, 1);
    ConvertDefaultsToUnit(c);
    ReadRange(c, args, cat);

    Box(c.temperature, args, "temperature", kTemperatureLimits, LimitsText(kTemperatureLimits) + " K");
    Choice(c.pressureUnit, args, "pressure-units", {"torr", "atm", "mbar", "bar", "pa", "kpa"}, 0);
    // The pressure in its unit, held in Torr.
    const double toTorr = PressureFactor(cat, StoredValue(c.pressureUnit));
    if (const auto p =
            BoxValue(args, "pressure", kPressureTorrLimits, LimitsText(kPressureTorrLimits) + " Torr", toTorr))
        c.pressure = Single(*p);
    ReadInstrument(c, args);

    Switch(c.dopplerBroadening, args, "doppler");
    Switch(c.collisionalBroadening, args, "collisional");
    Switch(c.predissociationBroadening, args, "predissociation");
    Box(c.collisionalBroad1, args, "coll-b1", kCollisionalCoefficientLimits,
        LimitsText(kCollisionalCoefficientLimits) + " cm-1/atm");
    Box(c.collisionalBroad2, args, "coll-b2", kTemperatureExponentLimits, LimitsText(kTemperatureExponentLimits));
    Switch(c.collisionalShift, args, "collisional-shift");
    Box(c.collisionalShiftA, args, "shift-a", kCollisionalCoefficientLimits,
        LimitsText(kCollisionalCoefficientLimits) + " cm-1/atm");
    Box(c.collisionalShiftB, args, "shift-b", kTemperatureExponentLimits, LimitsText(kTemperatureExponentLimits));
    Switch(c.dopplerShift, args, "doppler-shift");
    Box(c.dopplerVelocity, args, "doppler-velocity", kVelocityLimits, LimitsText(kVelocityLimits) + " km/s");

    ReadFluorescence(c, args);
    ReadQuenching(c, args, cat);
    ReadAbsorption(c, args);

    // Options of the populations and of the written file, not of the spectrum, checked in turn.
    BoxValue(args, "min-population", {0.0, 0.1}, "0 to 0.1");
    if (const auto noise = BoxValue(args, "noise", {0.0, 100.0}, "0 to below 100"); noise && *noise >= 100.0)
        throw std::invalid_argument("option --noise: " + Trim(args.Get("noise")) + " is not accepted (0 to below 100)");
    return c;
}

}  // namespace velmora::cli
