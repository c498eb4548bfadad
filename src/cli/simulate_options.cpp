#include "cli/simulate_options.h"

#include <chrono>
#include <stdexcept>

#include "cli/condition_options.h"
#include "cli/database_options.h"
#include "common/number_format.h"
#include "program/band_system.h"
#include "program/startup.h"
#include "program/system_range.h"
#include "simulation/condition_inputs.h"
#include "simulation/driver.h"
#include "simulation/screen_conditions.h"

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
    {"composition",
     "GAS  mole fractions of the quenching gas, e.g. N2=0.71,H2O=0.19,CO2=0.095,O2=0.005 (one may be \"rest\")"},
    {"absorption-units", "relative|cross-section|absorbance|transmittance or 0..3: unit of an absorption spectrum"},
    {"absorbance", "  (flag) the absorbance of an absorption spectrum: --absorption-units absorbance"},
    {"column-density", "N  column density of the absorbers, cm-2"},
    {"number-density", "N  number density of the absorbers, cm-3 (with --path-length)"},
    {"path-length", "L  absorption path length, cm"},
    {"min-population", "P  minimum vibrational population simulated, 0..0.1 (default 0.00001)"},
    {"noise", "LEVEL  noise added to the written total, 0..100 (default 0)"},
};

}  // namespace

const std::vector<std::string>& SimulationOptionNames() {
    static const std::vector<std::string> names = OptionNames(kOptions);
    return names;
}

std::string SimulationOptionsHelp() { return OptionsHelp(kOptions); }

void ShowSimulationOptions(AppState& app, const Args& args, const simulation::SimulationConditions& conditions) {
    simulation::ShowConditions(app, conditions);
    // The file the detection filter was read from, as the window names it.
    if (args.Has("filter")) app.sim.DetectionFilterFile = args.Get("filter");
    // The populations and the written file.
    if (args.Has("thermal")) simulation::ChkThermal_Click(app, ChoiceOption(args, "thermal", {"off", "on"}, 0));
    if (args.Has("min-population")) app.pop.MinimumPopulation = static_cast<float>(Val(args.Get("min-population")));
    if (args.Has("noise")) app.sim.NoiseLevel = static_cast<float>(Val(args.Get("noise")));
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
    const int entry = EntryOption(args, app.db);
    app.db.irad = entry;
    ShowSimulationOptions(app, args, ConditionsFromOptions(args, app.db.cat));
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
