// velmora-cli simulate: one simulation from the conditions the program stores, written as .mod.
#include <cstdio>
#include <ostream>

#include "cli/simulate_options.h"
#include "cli/spectrum_options.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "display/plot_frame.h"
#include "display/plot_svg.h"
#include "experiment/spectrum_list.h"
#include "program/empty_simulation.h"
#include "simulation/simulation_files.h"

namespace velmora::cli {

namespace {

/// Draws the plot of the simulation (with the corrected spectrum of --spectrum) into the file of
/// --svg. Returns false when the spectrum cannot be read (the dialogs have written its problem).
bool WritePlot(AppState& app, const Args& args) {
    if (args.Has("view")) {
        const std::string view = args.Get("view");
        const int mode = view == "total" ? 0 : view == "contours" ? 1 : view == "areas" ? 2 : -1;
        if (mode < 0)
            throw std::invalid_argument("option --view: \"" + Excerpt(view) + "\" is not total, contours or areas");
        display::CmbView_Click(app, mode);
    }
    if (args.Has("spectrum")) {
        if (!LoadCorrectedSpectrum(app, args)) return false;
        if (args.Has("residuals")) app.plot.HideResiduals = 0;
    }
    display::WritePlotSvg(app, args.Get("svg"));
    return true;
}

int RunSimulate(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {"independent", "residuals", kSimulationFlags[0]});
    std::vector<std::string> known = SimulationOptionNames();
    known.insert(known.end(), SpectrumOptionNames().begin(), SpectrumOptionNames().end());
    known.insert(known.end(), {"out", "independent", "svg", "view", "residuals"});
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    if (!args.Has("out") && !args.Has("svg"))
        throw std::invalid_argument("option --out FILE.mod (or --svg FILE.svg) is required");
    for (const char* plotOption : {"spectrum", "view", "residuals"})
        if (args.Has(plotOption) && !args.Has("svg"))
            throw std::invalid_argument(std::string("option --") + plotOption + " goes with --svg FILE.svg");
    CheckSpectrumOptions(args);

    AppState app;
    StreamDialogs dialogs(err);
    app.dialogs = &dialogs;
    const SimulationRun run = SimulateFromOptions(app, args);
    if (!run.ok) return 1;
    if (args.Has("out")) {
        if (args.Has("independent"))
            simulation::WriteSimulationIndependent(app.sim, args.Get("out"));
        else
            simulation::WriteSimulationTotal(app.sim, args.Get("out"));
    }
    if (args.Has("svg") && !WritePlot(app, args)) return 1;

    char summary[160];
    std::snprintf(summary, sizeof summary, "%d points, %d lines drawn, %.1f ms", run.points, run.linesDrawn,
                  run.milliseconds);
    out << summary << (run.notice.empty() ? "" : "; " + run.notice) << "\n";
    // The files hold zeros: say why, and what would show the band system.
    if (const std::string empty = program::EmptySimulationMessage(app); !empty.empty())
        err << "warning: " << empty << "\n";
    // The comparison the plot shows, computed while it was drawn; the files are written either way.
    if (args.Has("spectrum")) PrintComparison(app, "simulate", "", out, err);
    return 0;
}

const bool registered = RegisterCommand(
    {"simulate",
     "simulate --entry N --out FILE.mod [--independent] [--svg FILE.svg [--spectrum FILE [--baseline B] "
     "[--wavelength W] [--multiply M] [--smooth N]] [--view total|contours|areas] [--residuals]] [options]\n"
     "        simulates a spectrum and writes it (--svg: its plot, with a corrected experimental spectrum, whose\n"
     "        peak correlation and chi-square are printed as compare prints them)" +
         SimulationOptionsHelp(),
     &RunSimulate});

}  // namespace

}  // namespace velmora::cli
