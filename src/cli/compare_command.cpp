// velmora-cli compare: simulates, loads an experimental spectrum, corrects it and prints the peak
// correlation and the chi-square of the two, as the plot's comparison labels show them.
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "cli/simulate_options.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "common/text_writer.h"
#include "experiment/comparison.h"
#include "experiment/corrections.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_list.h"

namespace velmora::cli {

namespace {

/// A correction option checked against the range its text box accepts, then given to the box.
/// The intensity column of --column (1-based), 0 when the option is absent (the last column).
int SpectrumColumnOption(const Args& args) {
    if (!args.Has("column")) return 0;
    const int column = args.Integer("column", 0);
    if (column < 1 || column > 1000) throw std::invalid_argument("option --column takes 1..1000");
    return column;
}

void ApplyLimitedCorrection(AppState& app, const Args& args, const std::string& name, double limit,
                            std::string (*change)(AppState&, std::string_view)) {
    if (!args.Has(name)) return;
    const double v = args.Number(name, 0.0);
    if (std::fabs(v) > limit)
        throw std::invalid_argument("option --" + name + ": " + args.Get(name) + " is outside -" +
                                    Format(limit, "0") + ".." + Format(limit, "0"));
    change(app, args.Get(name));
}

/// One line per compared point: x, corrected experiment, simulation there and residual.
void WriteResiduals(const AppState& app, const std::string& path) {
    const ExperimentState& exp = app.exp;
    AtomicTextWriter out(path);
    out.WriteLine("x,experiment,simulation,residual");
    for (int i = 0; i <= exp.ExpPoints - 1; ++i) {
        double s = 0.0;
        if (!experiment::SimulationAt(exp, app.sim, exp.ExpX(i), s)) continue;
        out.WriteLine(Format(exp.ExpX(i), "0.0###") + "," + Format(exp.ExpY(i), "0.0###") + "," +
                      Format(exp.SimAtExp(i), "0.0###") + "," + Format(exp.Residual(i), "0.0###"));
    }
    out.Commit();
}

int RunCompare(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {"limits", kSimulationFlags[0]});
    std::vector<std::string> known = SimulationOptionNames();
    known.insert(known.end(), {"spectrum", "response", "baseline", "wavelength", "multiply", "smooth", "limits", "residuals", "column"});
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    if (!args.Has("spectrum")) throw std::invalid_argument("option --spectrum FILE is required");
    const int smooth = args.Integer("smooth", 0);
    if (smooth < 0 || smooth > 1000) throw std::invalid_argument("option --smooth takes 0..1000 passes");
    // The box takes a factor of 0 or less as 1: on the command line that is an error.
    if (args.Has("multiply") &&
        !(args.Number("multiply", 1.0) > 0.0 && args.Number("multiply", 1.0) <= experiment::kMaxMultiply))
        throw std::invalid_argument("option --multiply: " + args.Get("multiply") + " is outside 0 (excluded).." +
                                    Format(experiment::kMaxMultiply, "0"));

    AppState app;
    StreamDialogs dialogs(err);
    app.dialogs = &dialogs;
    const SimulationRun run = SimulateFromOptions(app, args);
    if (!run.ok) return 1;

    // The spectrum, divided by the response of --response, with the corrections of the options
    // as the text boxes would take them.
    if (args.Has("response")) {
        const std::string problem = experiment::LoadResponse(app, args.Get("response"));
        if (!problem.empty()) {
            err << problem << "\n";
            return 1;
        }
    }
    app.exp.IntensityColumn = SpectrumColumnOption(args);
    experiment::LoadSpectrum(app, args.Get("spectrum"));
    if (!app.exp.ReadProblem.empty() || !app.exp.ResponseProblem.empty())
        return 1;  // the message, with the problem, has been written
    ApplyLimitedCorrection(app, args, "baseline", 99.0, &experiment::TxtBaseline_Change);
    ApplyLimitedCorrection(app, args, "wavelength", 200.0, &experiment::TxtWavelength_Change);
    if (args.Has("multiply")) experiment::TxtMultiply_Change(app, args.Get("multiply"));
    for (int k = 0; k < smooth; ++k) experiment::CmdSmooth_Click(app);
    if (args.Has("limits")) {
        experiment::ChkExpLimits_Click(app, 1);
        if (app.sim.SimTotal.Empty()) return 1;
    }

    experiment::CompareWithSimulation(app);
    if (app.exp.ComparedPoints == 0) {
        err << "velmora-cli compare: "
            << experiment::NothingComparedReason(app.exp, app.sim, app.db.cat.UnitName.ValueAt(app.sim.Units)) << "\n";
        return 1;
    }
    out << app.exp.LblCorrelation << "\n" << app.exp.LblDeviation << "\n";
    out << app.exp.ComparedPoints << " of " << app.exp.ExpPoints + 1 << " experimental points compared between "
        << Trim(Str(app.sim.Xini)) << " and " << Trim(Str(app.sim.Xend))
        << (run.notice.empty() ? "" : "; " + run.notice) << "\n";
    if (args.Has("residuals")) WriteResiduals(app, args.Get("residuals"));
    return 0;
}

const bool registered = RegisterCommand(
    {"compare",
     "compare --entry N --spectrum FILE [--column N] [--response FILE] [--baseline B] [--wavelength W] [--multiply M] [--smooth N] [--limits]\n"
     "        [--residuals FILE.csv] [simulation options]  simulates, loads and corrects an experimental\n"
     "        spectrum and prints the peak correlation and chi-square (--column: the intensity column of a\n"
     "        several-column file, default the last; the frame of an .asc or .spe file, default\n"
     "        their sum; --response: divide it by a spectral\n"
     "        response, wavelength and relative response; --limits: simulate over the\n"
     "        spectrum's range; --residuals: x, experiment, simulation and residual per compared point)\n" +
         SimulationOptionsHelp(),
     &RunCompare});

}  // namespace

}  // namespace velmora::cli
