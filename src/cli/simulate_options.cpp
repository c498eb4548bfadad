#include "cli/simulate_options.h"

#include <chrono>
#include <stdexcept>

#include "cli/database_options.h"
#include "common/number_format.h"
#include "program/band_system.h"
#include "program/startup.h"
#include "program/system_range.h"
#include "simulation/condition_inputs.h"
#include "simulation/driver.h"
#include "simulation/screen_conditions.h"

namespace velmora::cli {

void ShowSimulationOptions(AppState& app, const Args& args, const simulation::SimulationConditions& conditions) {
    simulation::ShowConditions(app, conditions);
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
    ShowSimulationOptions(app, args, ConditionsFromOptions(args));
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
