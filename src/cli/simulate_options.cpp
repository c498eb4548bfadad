#include "cli/simulate_options.h"

#include <chrono>
#include <stdexcept>

#include "cli/database_options.h"
#include "cli/line_list_options.h"
#include "common/number_format.h"
#include "program/band_system.h"
#include "program/condition_events.h"
#include "program/line_list_system.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "program/system_range.h"
#include "simulation/condition_view.h"

namespace velmora::cli {

namespace {

/// Lines this far (cm-1) outside the range of a simulation are kept for their wings.
constexpr double kLineListMargin = 50.0;

}  // namespace

void SetSimulationOptions(AppState& app, const Args& args, const simulation::SimulationConditions& conditions) {
    program::SetConditions(app, conditions);
    // The populations and the written file.
    if (args.Has("thermal")) program::ChkThermal_Click(app, ChoiceOption(args, "thermal", {"off", "on"}, 0));
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
    if (const auto& list = app.sim.LineList) {
        const database::WavenumberWindow range = program::RangeWindow(app.sim.conditions, 0.0);
        for (const database::ListedLine& l : list->lines)
            if (range.Contains(l.nu)) return;
        throw std::invalid_argument(list->path + ": no line of the list lies in the range of the simulation");
    }
    if (!program::RangeHoldsLines(app)) throw std::invalid_argument(program::NoLineMessage(app));
}

SimulationRun SimulateFromOptions(AppState& app, const Args& args) {
    program::MemoryStore firstRun;
    program::StartUp(app, firstRun, DataFolder(args));
    if (const auto path = LineListOption(args)) {
        SetSimulationOptions(app, args, ConditionsFromOptions(args));
        // Only the lines within reach of the range are kept (all with a range from the spectrum).
        const database::WavenumberWindow window = args.Has("limits")
                                                      ? database::WavenumberWindow{}
                                                      : program::RangeWindow(app.sim.conditions, kLineListMargin);
        program::OpenLineList(app, *path, window);
        if (!args.Has("limits") && app.sim.LineList->lines.empty())
            throw std::invalid_argument(*path + ": no line of the list lies in the range of the simulation");
    } else {
        const int entry = EntryOption(args, app.db);
        app.db.systemEntry = entry;
        SetSimulationOptions(app, args, ConditionsFromOptions(args));
        program::SelectBandSystem(app, entry);
        simulation::UpdateConditionView(app.sim, app.db.cat.MolecularMass.ValueAt(entry));
        // A range taken from the spectrum (compare --limits) is checked once it is known.
        if (!args.Has("limits")) RequireLinesInRange(app);
    }

    const auto t0 = std::chrono::steady_clock::now();
    program::CalculateSimulation(app);
    const auto t1 = std::chrono::steady_clock::now();

    SimulationRun run;
    const simulation::Spectrum& s = app.sim.result;
    run.ok = simulation::HasSimulation(app.sim);
    if (run.ok && s.grid.last < 1)
        throw std::invalid_argument("the range " + Trim(Str(static_cast<float>(s.conditions.start))) + ".." +
                                    Trim(Str(static_cast<float>(s.conditions.end))) +
                                    " holds no grid point at a grid width of " + Trim(Str(s.grid.gridWidth)) +
                                    ": widen the range or narrow the widths");
    run.points = run.ok ? s.grid.Points() : 0;
    run.linesDrawn = s.linesDrawn;
    run.milliseconds = std::chrono::duration<double, std::milli>(t1 - t0).count();
    return run;
}

}  // namespace velmora::cli
