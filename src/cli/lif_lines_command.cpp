// velmora-cli lif-lines: the choice of excitation lines for two-line LIF thermometry. For the
// lines in a range, the signal of each line over a temperature range and, for the best pairs,
// their ratio and its sensitivity (dR/R)/(dT/T), as CSV.
#include <cstdio>
#include <ostream>

#include "cli/condition_options.h"
#include "cli/database_options.h"
#include "cli/simulate_options.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "populations/population_model.h"
#include "program/band_system.h"
#include "program/condition_events.h"
#include "program/multiplet_band_system.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/multiplet_simulation.h"
#include "simulation/thermometry.h"

namespace velmora::cli {

namespace {

/// A line position to 0.0001 of a cm-1 or Å.
std::string Position(double x) { return Significant(x, 10); }

int RunLifLines(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, kSimulationFlags);
    std::vector<std::string> known = SimulationOptionNames();
    known.insert(known.end(), {"range", "temperatures", "steps", "lines", "pairs", "min-signal"});
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    for (const char* required : {"range", "temperatures"})
        if (!args.Has(required)) throw std::invalid_argument(std::string("option --") + required + " A:B is required");
    const auto [start, end] = NumberPair(args, "range");
    const auto [t1, t2] = NumberPair(args, "temperatures");
    if (!(t1 > 0.0 && t2 > 0.0))
        throw std::invalid_argument("option --temperatures: both temperatures must be above 0 K");
    const int steps = args.Integer("steps", 18);
    const int candidates = args.Integer("lines", 20), pairs = args.Integer("pairs", 10);
    if (steps < 2 || candidates < 2 || pairs < 1)
        throw std::invalid_argument("options --steps and --lines must be 2 or more, --pairs 1 or more");
    const double minimumShare = args.Number("min-signal", simulation::kThermometryMinimumShare);
    if (!(minimumShare >= 0.0 && minimumShare < 1.0))
        throw std::invalid_argument("option --min-signal takes a share of the strongest line's signal, 0 to below 1");

    AppState app;
    StreamDialogs dialogs(err);
    app.dialogs = &dialogs;
    program::MemoryStore firstRun;
    program::StartUp(app, firstRun, DataFolder(args));
    const bool multiplet = MultipletEntryOption(args, app.db) >= 0;
    const int entry = multiplet ? args.Integer("entry", 0) : EntryOption(args, app.db);
    if (!multiplet) app.db.systemEntry = entry;
    // An excitation scan over --range, whatever --kind, --start and --end say.
    simulation::SimulationConditions conditions = ConditionsFromOptions(args);
    conditions.kind = simulation::SpectrumKind::LifExcitation;
    conditions.start = start;
    conditions.end = end;
    SetSimulationOptions(app, args, conditions);
    if (multiplet)
        program::SelectMultipletSystem(app, entry);
    else
        program::SelectBandSystem(app, entry);

    // A multiplet system: its own model, the thermal populations of its lower levels.
    const std::shared_ptr<const simulation::MultipletBandSystem> system = app.sim.Multiplet;
    const auto model = system ? std::shared_ptr<const simulation::BandSystemModel>(system, &system->model)
                              : program::CurrentModel(app.sim, app.db);
    const simulation::SimulationConditions scanned = app.sim.conditions;
    const simulation::PopulationsAt populationsAt = [&app, system](double T) {
        if (system) return simulation::ThermalMultipletPopulations(system->system, ElectronicState::Lower, T);
        program::SetConditionValue(app, simulation::Field("temperature"), T);
        populations::PreparePopulations(app.pop, app.db);
        return populations::SelectedPopulations(app.pop);
    };
    const simulation::ThermometryScan scan =
        simulation::ScanThermometry(*model, scanned, populationsAt, t1, t2, steps, static_cast<std::size_t>(candidates),
                                    static_cast<std::size_t>(pairs), minimumShare);

    const Catalogue& cat = app.db.cat;
    auto label = [&](const simulation::ThermometryLine& line) {
        return system ? MultipletLineLabel(*system, line.vUp, line.vLow, line.b, line.N)
                      : LineLabel(cat, line.vUp, line.vLow, line.b, line.N);
    };
    // The lines: position, label and the signal at each temperature (relative units).
    out << "position,line";
    for (double T : scan.temperatures) out << ",S_" << Significant(T, 6) << "K";
    out << "\n";
    for (const auto& line : scan.lines) {
        out << Position(line.x) << ',' << label(line);
        for (double s : line.signal) out << ',' << Significant(s, 6);
        out << "\n";
    }
    // The best pairs, one row per temperature.
    out << "\npair,line_a,position_a,line_b,position_b,T,ratio,sensitivity\n";
    for (std::size_t p = 0; p < scan.pairs.size(); ++p) {
        const auto& pair = scan.pairs[p];
        const auto& a = scan.lines[pair.a];
        const auto& b = scan.lines[pair.b];
        for (std::size_t k = 0; k < scan.temperatures.size(); ++k)
            out << p + 1 << ',' << label(a) << ',' << Position(a.x) << ',' << label(b) << ',' << Position(b.x) << ','
                << Significant(scan.temperatures[k], 6) << ',' << Significant(pair.ratio[k], 6) << ','
                << Significant(pair.sensitivity[k], 6) << "\n";
    }
    if (scan.leftOut > 0)
        err << scan.leftOut << " lines below " << Significant(minimumShare, 6)
            << " of the strongest line's signal left out"
            << " (--min-signal)\n";
    if (scan.pairs.empty()) err << "No pair of lines with a signal over the whole temperature range\n";
    return 0;
}

const bool registered = RegisterCommand(
    {"lif-lines",
     "lif-lines --entry N --range A:B --temperatures T1:T2 [--steps 18] [--lines 20] [--pairs 10]\n"
     "        [--min-signal 0.001] [simulation options]\n"
     "  LIF excitation lines in the range (axis unit) for two-line thermometry: each line's signal at the\n"
     "  temperatures, then for the best pairs (among the strongest lines) the ratio and (dR/R)/(dT/T), as CSV;\n"
     "  lines whose signal stays below --min-signal of the strongest line's (default 0.001) are left out",
     &RunLifLines});

}  // namespace

}  // namespace velmora::cli
