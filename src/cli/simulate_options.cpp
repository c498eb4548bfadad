#include "cli/simulate_options.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>

#include "cli/database_options.h"
#include "common/number_format.h"
#include "database/gas_composition.h"
#include "populations/population_model.h"
#include "program/band_system.h"
#include "program/startup.h"
#include "program/system_range.h"
#include "simulation/absorption_inputs.h"
#include "simulation/condition_inputs.h"
#include "simulation/condition_limits.h"
#include "simulation/detection_filter.h"
#include "simulation/driver.h"
#include "simulation/lineshapes.h"
#include "simulation/instrument_inputs.h"
#include "simulation/units.h"

namespace velmora::cli {

namespace {

// Every stored condition; names follow the window's captions.
const OptionHelp kOptions[] = {
    {"entry", "N  catalogue entry (band system), required"},
    {"data", "DIR  database folder (default: data/ beside the program)"},
    {"kind", "emission|absorption|lif|cubic or 1..4 (default emission)"},
    {"units", "vacuum|air|cm-1|nm-vacuum|nm-air or 1..5: axis unit of the range and widths (default vacuum Å)"},
    {"start", "X  range start in the axis unit (default 3050 Å)"},
    {"end", "X  range end (default 3150 Å)"},
    {"temperature", "K  temperature (default 300)"},
    {"thermal", "on|off  populations follow the temperature (default on)"},
    {"pressure", "P  pressure in the pressure unit (default 0)"},
    {"pressure-units", "torr|atm|mbar|bar|pa|kpa or 0..5 (default torr)"},
    {"lineshape", "gaussian|lorentzian|voigt|triangle|trapezoid|file or 1..6: instrument function (default gaussian)"},
    {"resolution", "W  instrumental FWHM in the axis unit (default 1)"},
    {"lorentzian", "PERCENT  Lorentzian share of a Voigt instrument function (default 0)"},
    {"top", "W  flat-top width of a trapezoid instrument function, at most its FWHM (default 0)"},
    {"slit", "FILE  measured instrument function: offset and relative response (with --lineshape file)"},
    {"slit-units", "axis|nm: unit of the offsets in the --slit file (default axis)"},
    {"slit-scale", "F  width factor of the measured instrument function (default 1)"},
    {"resolution-slope", "S  change of the instrumental FWHM per axis unit across the range (default 0)"},
    {"density", "low|standard|high|very-high or 0..3: points per width 5, 7, 14, 21 (default standard)"},
    {"doppler", "on|off  Doppler broadening (default off)"},
    {"collisional", "on|off  collisional broadening (default off)"},
    {"predissociation", "on|off  predissociation broadening (default on)"},
    {"coll-b1", "B1  collisional broadening, cm-1/atm at 300 K (default 0)"},
    {"coll-b2", "B2  temperature exponent of the broadening (default 1)"},
    {"collisional-shift", "on|off  collisional shift (default off)"},
    {"shift-a", "A  collisional shift, cm-1/atm at 300 K, to the red (default 0)"},
    {"shift-b", "B  temperature exponent of the shift (default 1)"},
    {"doppler-shift", "on|off  Doppler shift (default off)"},
    {"doppler-velocity", "KM_S  velocity towards the observer, km/s (default 0)"},
    {"lif-regime", "linear|partial|saturated|rate-equations or 0..3 (default linear)"},
    {"laser-gauss", "W  Gaussian FWHM of the excitation laser, axis unit (default 0: the instrument function)"},
    {"laser-lorentz", "W  Lorentzian FWHM of the excitation laser, axis unit (default 0)"},
    {"pulse-energy", "MJ  laser pulse energy, mJ (default 1)"},
    {"pulse-duration", "NS  laser pulse duration, ns (default 10)"},
    {"beam-area", "CM2  laser beam cross section, cm2 (default 0.1)"},
    {"spectral-irradiance", "I  laser spectral irradiance at its centre, W cm-2 per cm-1 (default 0: from the pulse)"},
    {"filter", "FILE  detection filter: lines of wavelength (nm) and transmission (0..1); replaces the window"},
    {"gate", "total|resolved or 0..1: detection gate (default total integration)"},
    {"delay", "NS  gate delay (default 0)"},
    {"gate-width", "NS  gate width (default 10)"},
    {"window", "full|window or 0..1: spectral detection window (default full)"},
    {"window-start", "Å  detection window start (default 0)"},
    {"window-end", "Å  detection window end (default 0)"},
    {"yield", "included|excluded|no-predissociation|no-quenching or 0..3 (default included)"},
    {"quenching-source", "none|single|files|composition or 0..3 (default none)"},
    {"quenching", "K  quenching rate constant, us-1 Torr-1 (default 0)"},
    {"composition", "GAS  mole fractions of the quenching gas, e.g. N2=0.71,H2O=0.19,CO2=0.095,O2=0.005 (one may be \"rest\")"},
    {"absorption-units", "relative|cross-section|absorbance|transmittance or 0..3: unit of an absorption spectrum"},
    {"absorbance", "  (flag) the absorbance of an absorption spectrum: --absorption-units absorbance"},
    {"column-density", "N  column density of the absorbers, cm-2"},
    {"number-density", "N  number density of the absorbers, cm-3 (with --path-length)"},
    {"path-length", "L  absorption path length, cm"},
    {"min-population", "P  minimum vibrational population simulated, 0..0.1 (default 0.00001)"},
    {"noise", "LEVEL  noise added to the written total, 0..100 (default 0)"},
};

int Switch(const Args& args, const std::string& name) { return ChoiceOption(args, name, {"off", "on"}, 0); }

/// "lo..hi" of accepted values, as a message names them.
std::string LimitsText(const simulation::Limits& limits) { return Trim(Str(limits.lo)) + ".." + Trim(Str(limits.hi)); }

/// Passes an option's text to a numeric box event; a refused value is an error.
template <typename Event>
void Box(AppState& app, const Args& args, const std::string& name, Event event, const std::string& accepted) {
    if (!args.Has(name)) return;
    const std::string text = Trim(args.Get(name));
    if (!IsNumeric(text)) throw std::invalid_argument("option --" + name + ": \"" + text + "\" is not a number");
    if (event(app, text) != text)
        throw std::invalid_argument("option --" + name + ": " + text + " is not accepted (" + accepted + ")");
}

/// The options of the convolved instrument functions.
void ApplyInstrumentOptions(AppState& app, const Args& args) {
    using namespace simulation;
    Box(app, args, "top", TxtTrapezoidTop_Change, "0 or more");
    Box(app, args, "resolution-slope", TxtResolutionSlope_Change, "a number");
    Box(app, args, "slit-scale", TxtSlitScale_Change, "above 0");
    if (args.Has("slit-units")) CmbSlitUnits_Click(app, ChoiceOption(args, "slit-units", {"axis", "nm"}, 0));
    if (args.Has("slit")) {
        const std::string problem = LoadSlitFile(app, args.Get("slit"));
        if (!problem.empty()) throw std::invalid_argument("option --slit: " + problem);
    } else if (StoredMode<Lineshape>(app.sim.Lineshape) == Lineshape::Measured) {
        throw std::invalid_argument("option --lineshape file needs the instrument function as --slit FILE");
    }
}

}  // namespace

const std::vector<std::string>& SimulationOptionNames() {
    static const std::vector<std::string> names = OptionNames(kOptions);
    return names;
}

std::string SimulationOptionsHelp() { return OptionsHelp(kOptions); }

void ApplySimulationOptions(AppState& app, const Args& args) {
    using namespace simulation;
    SimulationState& sim = app.sim;

    if (args.Has("kind")) CmbKind_Click(app, ChoiceOption(args, "kind", {"emission", "absorption", "lif", "cubic"}, 1));
    else if (args.Has("absorbance")) CmbKind_Click(app, StoredValue(SpectrumKind::Absorption));
    if (args.Has("thermal")) ChkThermal_Click(app, Switch(args, "thermal"));
    // The unit first: the default range and resolution are converted to it, then replaced by
    // whatever the options give in that unit.
    if (args.Has("units")) {
        const int units = ChoiceOption(args, "units", {"vacuum", "air", "cm-1", "nm-vacuum", "nm-air"}, 1);
        if (units != sim.Units) CmbUnits_Click(app, units);
    }
    for (const char* name : {"start", "end"}) {
        if (!args.Has(name)) continue;
        const std::string text = Trim(args.Get(name));
        if (!IsNumeric(text)) throw std::invalid_argument(std::string("option --") + name + ": \"" + text + "\" is not a number");
        if (!RangeLimits(sim.Units).Contains(Val(text)))
            throw std::invalid_argument(std::string("option --") + name + ": " + text + " is outside " +
                                        LimitsText(RangeLimits(sim.Units)) + " " + UnitNameOf(app.db.cat, sim.Units));
        (std::string(name) == "start" ? sim.TxtStart : sim.TxtEnd) = " " + text;
    }
    // The screen exchanges a reversed range; here it is an error.
    if (!(Val(sim.TxtStart) < Val(sim.TxtEnd)))
        throw std::invalid_argument("the range start " + Trim(sim.TxtStart) + " is not below its end " +
                                    Trim(sim.TxtEnd) + " (--start, --end)");
    Box(app, args, "temperature", TxtTemperature_Change, LimitsText(kTemperatureLimits) + " K");
    if (args.Has("pressure-units"))
        CmbPressure_Click(app, ChoiceOption(args, "pressure-units", {"torr", "atm", "mbar", "bar", "pa", "kpa"}, 0));
    Box(app, args, "pressure", TxtPressure_Change, LimitsText(kPressureTorrLimits) + " Torr");
    if (args.Has("lineshape"))
        CmbLineshape_Click(app, ChoiceOption(args, "lineshape", {"gaussian", "lorentzian", "voigt", "triangle", "trapezoid", "file"}, 1));
    ApplyInstrumentOptions(app, args);
    // The box takes a resolution of 0 as 1: here it is an error.
    if (args.Has("resolution") && !kResolutionLimits.Contains(args.Number("resolution", 1.0)))
        throw std::invalid_argument("option --resolution: " + Trim(args.Get("resolution")) + " is outside " +
                                    LimitsText(kResolutionLimits) + " in the axis unit");
    Box(app, args, "resolution", TxtResolution_Change, LimitsText(kResolutionLimits) + " in the axis unit");
    Box(app, args, "lorentzian", TxtLorentzian_Change, LimitsText(kLorentzianLimits) + " %");
    if (args.Has("density")) CmbPointDensity_Click(app, ChoiceOption(args, "density", {"low", "standard", "high", "very-high"}, 0));
    if (args.Has("doppler")) ChkDoppler_Click(app, Switch(args, "doppler"));
    if (args.Has("collisional")) ChkCollisional_Click(app, Switch(args, "collisional"));
    if (args.Has("predissociation")) ChkPredissociation_Click(app, Switch(args, "predissociation"));
    Box(app, args, "coll-b1", TxtCollB1_Change, LimitsText(kCollisionalCoefficientLimits) + " cm-1/atm");
    Box(app, args, "coll-b2", TxtCollB2_Change, LimitsText(kTemperatureExponentLimits));
    if (args.Has("collisional-shift")) ChkCollisionalShift_Click(app, Switch(args, "collisional-shift"));
    Box(app, args, "shift-a", TxTShiftA_Change, LimitsText(kCollisionalCoefficientLimits) + " cm-1/atm");
    Box(app, args, "shift-b", TxtShiftB_Change, LimitsText(kTemperatureExponentLimits));
    if (args.Has("doppler-shift")) ChkDopplerShift_Click(app, Switch(args, "doppler-shift"));
    Box(app, args, "doppler-velocity", TxtDopplerShift_Change, LimitsText(kVelocityLimits) + " km/s");
    if (args.Has("lif-regime"))
        CmbLIFregime_Click(app, ChoiceOption(args, "lif-regime", {"linear", "partial", "saturated", "rate-equations"}, 0));
    Box(app, args, "laser-gauss", TxtLaserGauss_Change, "0 or more");
    Box(app, args, "laser-lorentz", TxtLaserLorentz_Change, "0 or more");
    Box(app, args, "pulse-energy", TxtPulseEnergy_Change, "0 mJ or more");
    Box(app, args, "pulse-duration", TxtPulseDuration_Change, "above 0 ns");
    Box(app, args, "beam-area", TxtBeamArea_Change, "above 0 cm2");
    Box(app, args, "spectral-irradiance", TxtSpectralIrradiance_Change, "0 or more");
    if (args.Has("filter")) {
        app.sim.DetectionFilterFile = args.Get("filter");
        app.sim.DetectionFilter = ReadDetectionFilter(app.sim.DetectionFilterFile);
    }
    if (args.Has("gate")) CmbGate_Click(app, ChoiceOption(args, "gate", {"total", "resolved"}, 0));
    Box(app, args, "delay", TxtDelay_Change, LimitsText(kGateLimits) + " ns");
    Box(app, args, "gate-width", TxtGate_Change, LimitsText(kGateLimits) + " ns");
    if (args.Has("window")) CmbSpectralWindow_Click(app, ChoiceOption(args, "window", {"full", "window"}, 0));
    Box(app, args, "window-start", TxtStartWindow_Change, LimitsText(kWindowLimits) + " Å");
    Box(app, args, "window-end", TxtEndWindow_Change, LimitsText(kWindowLimits) + " Å");
    const bool window = args.Has("window-start") || args.Has("window-end") || sim.WindowMode == 1;
    if (window && !(sim.WindowStart < sim.WindowEnd))
        throw std::invalid_argument("the detection window start " + Trim(Str(sim.WindowStart)) +
                                    " Å is not below its end " + Trim(Str(sim.WindowEnd)) +
                                    " Å (--window-start, --window-end)");
    if (args.Has("yield"))
        CmbFluorescenceYield_Click(app, ChoiceOption(args, "yield", {"included", "excluded", "no-predissociation", "no-quenching"}, 0));
    if (args.Has("composition")) {
        try {
            app.db.QuenchingComposition = database::ParseComposition(args.Get("composition"));
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(std::string("option --composition: ") + e.what());
        }
        if (app.db.QuenchingComposition.Empty()) throw std::invalid_argument("option --composition: no gas given");
    }
    // A gas given without a source is the source.
    if (args.Has("composition") && !args.Has("quenching-source"))
        CmbQuenching_Click(app, StoredValue(QuenchingSource::GasComposition));
    if (args.Has("quenching-source"))
        CmbQuenching_Click(app, ChoiceOption(args, "quenching-source", {"none", "single", "files", "composition"}, 0));
    Box(app, args, "quenching", TxtQuenching_Change, "0 or more");
    if (args.Has("absorption-units"))
        CmbAbsorptionUnits_Click(app, ChoiceOption(args, "absorption-units", {"relative", "cross-section", "absorbance", "transmittance"}, 0));
    if (args.Has("absorbance")) CmbAbsorptionUnits_Click(app, StoredValue(AbsorptionUnit::Absorbance));
    Box(app, args, "column-density", TxtColumnDensity_Change, "0 or more");
    Box(app, args, "number-density", TxtNumberDensity_Change, "0 or more");
    Box(app, args, "path-length", TxtPathLength_Change, "0 or more");
    if (app.sim.AbsorptionUnits != 0 && StoredMode<SpectrumKind>(app.sim.Kind) != SpectrumKind::Absorption)
        throw std::invalid_argument("absolute absorption units go with --kind absorption");
    Box(app, args, "min-population",
        [](AppState& a, const std::string& text) {
            const double v = Val(text);
            if (v < 0.0 || v > 0.1) return std::string();
            a.pop.MinimumPopulation = static_cast<float>(v);
            return text;
        },
        "0 to 0.1");
    Box(app, args, "noise",
        [](AppState& a, const std::string& text) {
            const double v = Val(text);
            if (v < 0.0 || v >= 100.0) return std::string();
            a.sim.NoiseLevel = static_cast<float>(v);
            return text;
        },
        "0 to below 100");
}

void StreamDialogs::ShowMessage(std::string_view text) {
    std::string line(text);
    for (std::size_t p; (p = line.find("\r\n")) != std::string::npos;) line.replace(p, 2, "\n");
    out_ << line << "\n";
}

Answer StreamDialogs::AskYesNoCancel(std::string_view text, std::string_view) {
    ShowMessage(text);
    return Answer::Cancel;
}

std::optional<std::string> StreamDialogs::InputBox(std::string_view prompt, std::string_view, std::string_view) {
    ShowMessage(prompt);
    return std::nullopt;
}

void RequireLinesInRange(const AppState& app) {
    if (!program::RangeHoldsLines(app)) throw std::invalid_argument(program::NoLineMessage(app));
}

SimulationRun SimulateFromOptions(AppState& app, const Args& args) {
    program::MemoryStore firstRun;
    program::StartUp(app, firstRun, DataFolder(args));
    app.sim.TxtStart = Str(app.sim.Xini);
    app.sim.TxtEnd = Str(app.sim.Xend);
    app.sim.TxtResolution = Str(app.sim.InstrumentalResolution);
    const int entry = EntryOption(args, app.db);
    app.db.irad = entry;
    populations::SetPopulatedState(app.pop, app.db, app.sim.Kind);
    ApplySimulationOptions(app, args);
    program::SelectBandSystem(app, entry);
    simulation::RefreshConditionCaptions(app);
    // A range taken from the spectrum (compare --limits) is checked once it is known.
    if (!args.Has("limits")) RequireLinesInRange(app);

    const float resolution = app.sim.InstrumentalResolution;
    const auto t0 = std::chrono::steady_clock::now();
    simulation::CalculateSimulation(app);
    const auto t1 = std::chrono::steady_clock::now();

    SimulationRun run;
    run.ok = simulation::HasSimulation(app);
    if (run.ok && app.sim.NPoints < 1)
        throw std::invalid_argument("the range " + Trim(Str(app.sim.Xini)) + ".." + Trim(Str(app.sim.Xend)) +
                                    " holds no grid point at a grid width of " + Trim(Str(app.sim.GridWidth)) +
                                    ": widen the range or narrow the widths");
    if (run.ok && app.sim.InstrumentalResolution != resolution)
        run.notice = "resolution " + Trim(Str(app.sim.InstrumentalResolution)) + " " +
                     app.db.cat.UnitName.ValueAt(app.sim.Units) + ", the finest the point budget allows";
    run.points = run.ok ? app.sim.NPoints + 1 : 0;
    run.linesDrawn = app.sim.LinesDrawn;
    run.milliseconds = std::chrono::duration<double, std::milli>(t1 - t0).count();
    return run;
}

}  // namespace velmora::cli
