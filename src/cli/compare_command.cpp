// velmora-cli compare: simulates, loads an experimental spectrum, corrects it and prints the peak
// correlation and the chi-square of the two, as the plot's comparison labels show them.
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "cli/simulate_options.h"
#include "cli/spectrum_options.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "common/text_writer.h"
#include "experiment/comparison.h"
#include "experiment/corrections.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_list.h"
#include "program/condition_events.h"
#include "simulation/condition_view.h"

namespace velmora::cli {

namespace {

/// One line per compared point: x, corrected experiment, simulation there and residual.
void WriteResiduals(const AppState& app, const std::string& path) {
    const ExperimentState& exp = app.exp;
    AtomicTextWriter out(path);
    out.WriteLine("x,experiment,simulation,residual");
    for (int i = 0; i <= exp.ExpPoints - 1; ++i) {
        double s = 0.0;
        if (!experiment::SimulationAt(exp, app.sim.result, exp.ExpX(i), s)) continue;
        out.WriteLine(Format(exp.ExpX(i), "0.0###") + "," + Format(exp.ExpY(i), "0.0###") + "," +
                      Format(exp.SimAtExp(i), "0.0###") + "," + Format(exp.Residual(i), "0.0###"));
    }
    out.Commit();
}

int RunCompare(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {"limits", kSimulationFlags[0]});
    std::vector<std::string> known = SimulationOptionNames();
    known.insert(known.end(), SpectrumOptionNames().begin(), SpectrumOptionNames().end());
    known.insert(known.end(), {"limits", "residuals"});
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    if (!args.Has("spectrum")) throw std::invalid_argument("option --spectrum FILE is required");
    CheckSpectrumOptions(args);

    AppState app;
    StreamDialogs dialogs(err);
    app.dialogs = &dialogs;
    const SimulationRun run = SimulateFromOptions(app, args);
    if (!run.ok) return 1;

    // The spectrum, divided by the response of --response, with the corrections of the options
    // as the text boxes would take them.
    if (!LoadCorrectedSpectrum(app, args)) return 1;  // the problem has been written
    if (args.Has("limits")) {
        program::ChkExpLimits_Click(app, 1);
        RequireLinesInRange(app);
        if (!simulation::HasSimulation(app.sim)) return 1;
    }

    experiment::CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
    if (!PrintComparison(app, "compare", run.notice, out, err)) return 1;
    if (args.Has("residuals")) WriteResiduals(app, args.Get("residuals"));
    return 0;
}

const bool registered = RegisterCommand(
    {"compare",
     "compare --entry N --spectrum FILE [--spectrum-units auto|vacuum|air|cm-1|nm-vacuum|nm-air] [--column N]\n"
     "        [--response FILE] [--baseline B] [--wavelength W] [--multiply M] [--smooth N] [--limits]\n"
     "        [--residuals FILE.csv] [simulation options]  simulates, loads and corrects an experimental\n"
     "        spectrum and prints the peak correlation and chi-square (--spectrum-units: the unit of its x\n"
     "        column, default auto: below 1000 nm, else the axis unit; a named unit is read as written;\n"
     "        a file that declares its x unit, JCAMP-DX or SPE, is read in that unit;\n"
     "        --column: the intensity column of a several-column file, default the last; the frame of an\n"
     "        .asc or .spe file, default their sum; --response: divide it by a spectral response,\n"
     "        wavelength and relative response; --limits: simulate over the spectrum's range;\n"
     "        --residuals: x, experiment, simulation and residual per compared point)\n" +
         SimulationOptionsHelp(),
     &RunCompare});

}  // namespace

}  // namespace velmora::cli
