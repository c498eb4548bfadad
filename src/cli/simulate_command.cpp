// velmora-cli simulate: one simulation from the conditions the program stores, written as .mod.
#include <algorithm>
#include <cstdio>
#include <ostream>

#include "cli/database_options.h"
#include "cli/simulate_options.h"
#include "common/number_format.h"
#include "simulation/simulation_files.h"

namespace velmora::cli {

namespace {

int RunSimulate(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, {"independent"});
    std::vector<const char*> known = {"out", "independent"};
    for (const std::string& name : SimulationOptionNames()) known.push_back(name.c_str());
    for (const std::string& name : args.Names())
        if (std::find_if(known.begin(), known.end(), [&](const char* k) { return name == k; }) == known.end())
            throw std::invalid_argument("unknown option --" + name + " (velmora-cli help lists the options)");
    if (!args.Has("out")) throw std::invalid_argument("option --out FILE.mod is required");

    AppState app;
    StreamDialogs dialogs(err);
    app.dialogs = &dialogs;
    const SimulationRun run = SimulateFromOptions(app, args);
    if (!run.ok) return 1;
    if (args.Has("independent"))
        simulation::WriteSimulationIndependent(app, args.Get("out"));
    else
        simulation::WriteSimulationTotal(app, args.Get("out"));

    char summary[160];
    std::snprintf(summary, sizeof summary, "%d points, %d lines drawn, %.1f ms\n", run.points, run.linesDrawn,
                  run.milliseconds);
    out << summary;
    return 0;
}

const bool registered = RegisterCommand(
    {"simulate",
     "simulate --entry N --out FILE.mod [--independent] [options]  simulates a spectrum and writes it" +
         SimulationOptionsHelp(),
     &RunSimulate});

}  // namespace

}  // namespace velmora::cli
