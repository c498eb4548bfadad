// Speed of "Calculate simulation" on the shipped database, against the bare accumulation of the
// same number of profile points, line by line with the same profile formula, into an array.
//
//   OH A-X emission, thermal 3000 K, every populated v', 2800-3400 Å, Voigt (1 Å, half
//   Lorentzian), standard and very high point density;
//   NO A-X LIF excitation, 300 K, 2200-2300 Å, the same instrument.
//
// And the typed simulation alone, after the model is built: one Simulate of OH A-X at 3000 K
// (2800-3400 Å, standard density, 1 Å Gaussian or half-Lorentzian Voigt instrument) and its
// floor (the same lines binned and convolved once, nothing else), the
// building of the band-system models of OH A-X and NO A-X (every band), and the writing of a
// simulated total of 126,001 points; NO A-X LIF excitation with a Voigt laser, linear and by the
// rate equations.
//
// A million-point grid of OH A-X v' = 0, as a Python simulation of it draws it.
//
// And the grid-size scan through the direct-or-FFT crossover: CN B-X emission at 10,000 K,
// 3500-3900 Å, Gaussian instrument, the width chosen for about 1,000 to 64,000 points, with the
// choice made from the costs (0), always direct sums (1) and always by FFT (2).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "fit/fit_system.h"
#include "populations/selected_populations.h"
#include "program/band_system.h"
#include "program/condition_events.h"
#include "program/settings.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/condition_view.h"
#include "simulation/lineshapes.h"
#include "simulation/simulate.h"
#include "simulation/simulation_files.h"

namespace {

using namespace velmora;

/// Catalogue entry of a molecule and system label, e.g. ("OH", "(A-X)").
int FindEntry(const AppState& app, const std::string& molecule, const std::string& system) {
    const Catalogue& cat = app.db.cat;
    for (int i = 1; i <= cat.CatalogueCount; ++i)
        if (cat.MoleculeName(i) == molecule && Trim(cat.SystemLabel(i)) == system) return i;
    throw std::runtime_error(molecule + " " + system + " is not in the shipped catalogue");
}

/// The program after start-up with first-run settings, the band system selected and the
/// conditions of a benchmark set through the control events.
std::unique_ptr<AppState> Prepare(const std::string& molecule, int kind, float temperature, const char* start,
                                  const char* end, int density) {
    auto app = std::make_unique<AppState>();
    program::MemoryStore firstRun;
    program::StartUp(*app, firstRun, VELMORA_DATA_DIR);
    const int entry = FindEntry(*app, molecule, "(A-X)");
    using simulation::Field;
    program::ConditionBox_Change(*app, Field("start"), start);
    program::ConditionBox_Change(*app, Field("end"), end);
    program::ConditionList_Click(*app, Field("kind"), kind);
    program::SelectBandSystem(*app, entry);
    program::ConditionBox_Change(*app, Field("temperature"), Str(temperature));
    program::ConditionList_Click(*app, Field("lineshape"), 3);
    program::ConditionBox_Change(*app, Field("lorentzian"), "50");
    program::ConditionBox_Change(*app, Field("resolution"), "1");
    program::ConditionList_Click(*app, Field("density"), density);
    return app;
}

void Report(benchmark::State& state, const AppState& app) {
    state.counters["lines_drawn"] = app.sim.result.linesDrawn;
    state.counters["grid_points"] = app.sim.result.grid.last + 1;
    state.counters["profile_points"] = static_cast<double>(app.sim.result.profilePoints);
    state.counters["levels"] = app.pop.NVibSel;
}

void RunSimulation(benchmark::State& state, AppState& app) {
    for (auto _ : state) {
        program::CalculateSimulation(app);
        benchmark::DoNotOptimize(app.sim.result.total.Data());
    }
    if (!simulation::HasSimulation(app.sim)) state.SkipWithError("no spectrum was computed");
    Report(state, app);
}

/// Line-by-line accumulation as a simulation would do it: as many lines as it drew, spread evenly
/// over its grid, each accumulated with the profile of the run (same width, Lorentzian share,
/// cut-off), until the same number of profile points has been added.
void RunPerLineAccumulation(benchmark::State& state, AppState& app) {
    program::CalculateSimulation(app);
    const SimulationState& sim = app.sim;
    const simulation::Spectrum& s = sim.result;
    const simulation::ProfileGrid grid =
        simulation::MakeProfileGrid(s.grid, s.widths, s.conditions.predissociationBroadening, s.conditions.unit);
    const int lines = std::max(sim.result.linesDrawn, 1);
    std::vector<double> centres(static_cast<std::size_t>(lines));
    for (int l = 0; l < lines; ++l)
        centres[static_cast<std::size_t>(l)] = s.grid.start + (s.conditions.end - s.grid.start) * (l + 0.5) / lines;
    std::vector<float> out(static_cast<std::size_t>(sim.result.grid.last) + 1, 0.0f);
    long long points = 0;
    for (auto _ : state) {
        points = 0;
        std::fill(out.begin(), out.end(), 0.0f);
        for (int l = 0; points < sim.result.profilePoints; l = (l + 1) % lines) {
            const double x0 = centres[static_cast<std::size_t>(l)];
            const simulation::LineShape shape = simulation::MakeLineShape(grid, x0, 0.0);
            simulation::AccumulateProfile(grid, shape, x0, 1.0, out.data());
            points += shape.last - shape.first + 1;
        }
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, app);
    state.counters["profile_points"] = static_cast<double>(points);
}

AppState& OH(int density) {
    static std::unique_ptr<AppState> standard, veryHigh;
    auto& app = density == 1 ? standard : veryHigh;
    if (!app) app = Prepare("OH", 1, 3000.0f, " 2800", " 3400", density);
    return *app;
}

AppState& NOLif() {
    static std::unique_ptr<AppState> app;
    if (!app) app = Prepare("NO", 3, 300.0f, " 2200", " 2300", 1);
    return *app;
}

void BM_OH_Emission3000K(benchmark::State& state) { RunSimulation(state, OH(1)); }
void BM_OH_Emission3000K_PerLineAccumulation(benchmark::State& state) { RunPerLineAccumulation(state, OH(1)); }
void BM_OH_Emission3000K_VeryHigh(benchmark::State& state) { RunSimulation(state, OH(3)); }
void BM_OH_Emission3000K_VeryHigh_PerLineAccumulation(benchmark::State& state) { RunPerLineAccumulation(state, OH(3)); }
void BM_NO_LIF300K(benchmark::State& state) { RunSimulation(state, NOLif()); }
void BM_NO_LIF300K_PerLineAccumulation(benchmark::State& state) { RunPerLineAccumulation(state, NOLif()); }

/// The conditions of the typed OH benchmarks with the given instrument function.
simulation::SimulationConditions OHConditions(simulation::Lineshape lineshape) {
    simulation::SimulationConditions c;
    c.start = 2800, c.end = 3400, c.temperature = 3000, c.resolution = 1;
    c.lineshape = lineshape;
    c.lorentzPercent = lineshape == simulation::Lineshape::Voigt ? 50 : 0;
    return c;
}

/// One typed simulation of the OH benchmark conditions with the given instrument function, on the
/// model and populations of the program state.
void RunSimulate(benchmark::State& state, simulation::Lineshape lineshape, simulation::ProfileMethod method) {
    AppState& app = OH(1);
    program::CalculateSimulation(app);
    const auto model = program::CurrentModel(app.sim, app.db);
    const populations::Populations pop = populations::SelectedPopulations(app.pop);
    const simulation::SimulationConditions c = OHConditions(lineshape);
    simulation::SimulationOptions options;
    options.profiles = method;
    simulation::Spectrum s;
    for (auto _ : state) {
        s = simulation::Simulate(*model, c, pop, options);
        benchmark::DoNotOptimize(s.total.Data());
    }
    state.counters["lines_drawn"] = s.linesDrawn;
    state.counters["grid_points"] = s.grid.Points();
    state.counters["levels"] = static_cast<double>(s.levels.size());
}

void BM_Simulate_OH_Gaussian(benchmark::State& state) {
    RunSimulate(state, simulation::Lineshape::Gaussian, simulation::ProfileMethod::Convolved);
}
void BM_Simulate_OH_Voigt(benchmark::State& state) {
    RunSimulate(state, simulation::Lineshape::Voigt, simulation::ProfileMethod::Convolved);
}
/// The binned lines always summed directly (0), always by FFT (1) or directly ring by ring, each
/// ring clipped to each line's window (2).
simulation::ProfileMethod MethodOf(const benchmark::State& state) {
    constexpr simulation::ProfileMethod methods[] = {simulation::ProfileMethod::ConvolvedDirectly,
                                                     simulation::ProfileMethod::ConvolvedByFft,
                                                     simulation::ProfileMethod::ConvolvedByRings};
    return methods[state.range(0)];
}
void BM_Simulate_OH_Voigt_Method(benchmark::State& state) {
    RunSimulate(state, simulation::Lineshape::Voigt, MethodOf(state));
}
void BM_Simulate_OH_Gaussian_Method(benchmark::State& state) {
    RunSimulate(state, simulation::Lineshape::Gaussian, MethodOf(state));
}
/// The least work of BM_Simulate_OH_Gaussian's method: the lines of the same bands in the range
/// read from the model (their positions and strengths, all levels in one list) and binned at
/// their grid points, and one convolution with the sampled profile on the same grid; no
/// populations, yields, lifetime widths, level traces or total.
void BM_Simulate_OH_Gaussian_Floor(benchmark::State& state) {
    AppState& app = OH(1);
    program::CalculateSimulation(app);
    const auto model = program::CurrentModel(app.sim, app.db);
    const populations::Populations pop = populations::SelectedPopulations(app.pop);
    const simulation::SimulationConditions c = OHConditions(simulation::Lineshape::Gaussian);
    const simulation::Broadening widths = simulation::ComputeBroadening(c, model->molecularMass);
    const simulation::SpectralGrid grid =
        simulation::PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), widths.totalWidth,
                             simulation::PointsPerWidth(c.density), static_cast<int>(pop.Levels()))
            .grid;
    const simulation::ProfileGrid profile = simulation::MakeProfileGrid(grid, widths, false, c.unit);
    std::vector<simulation::DrawnLine> lines;
    lines.reserve(model->LineCount());
    std::vector<float> out(static_cast<std::size_t>(grid.Points()));
    simulation::DrawStats stats;
    for (auto _ : state) {
        lines.clear();
        for (int v : pop.levels)
            for (int vLow = 0; vLow <= model->vLowMax; ++vLow) {
                const simulation::ModelBand& band = model->Band(v, vLow);
                if (!simulation::BandMayContribute(band.origin, c.start, c.end, c.unit)) continue;
                for (const simulation::ModelLine& line : band.lines) {
                    const double x = 1E8 / line.nu + widths.lineShift;
                    if (c.start < x && x < c.end) lines.push_back({x, line.emission});
                }
            }
        std::fill(out.begin(), out.end(), 0.0f);
        simulation::LineDrawer drawer(profile, false, simulation::ProfileMethod::Convolved);
        drawer.Draw(lines, out.data(), stats);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["lines_drawn"] = static_cast<double>(lines.size());
    state.counters["grid_points"] = grid.Points();
    state.counters["fft"] = stats.fftLevels > 0;
}
void BM_Simulate_OH_Gaussian_PerLine(benchmark::State& state) {
    RunSimulate(state, simulation::Lineshape::Gaussian, simulation::ProfileMethod::PerLine);
}
void BM_Simulate_OH_Voigt_PerLine(benchmark::State& state) {
    RunSimulate(state, simulation::Lineshape::Voigt, simulation::ProfileMethod::PerLine);
}

/// OH A-X v' = 0 alone over 2800-3400 Å at 3000 K on a grid of a million points (0.0042 Å
/// Gaussian instrument), the in-process side of the Python simulation of the same grid.
void BM_Simulate_OH_MillionPoints(benchmark::State& state) {
    AppState& app = OH(1);
    program::CalculateSimulation(app);
    const auto model = program::CurrentModel(app.sim, app.db);
    simulation::SimulationConditions c = OHConditions(simulation::Lineshape::Gaussian);
    c.resolution = 0.0042;
    const populations::Populations pop = populations::LevelPopulations(app.db, 1, {{0, 1.0}}, 3000.0f);
    simulation::Spectrum s;
    for (auto _ : state) {
        s = simulation::Simulate(*model, c, pop);
        benchmark::DoNotOptimize(s.total.Data());
    }
    state.counters["grid_points"] = s.grid.Points();
}

/// One typed simulation of NO A-X LIF excitation at 300 K, 2200-2300 Å, Doppler broadening and a
/// Voigt laser (0.02 Å Gaussian, 0.01 Å Lorentzian FWHM), in the linear regime or by the rate
/// equations (1 mJ in 10 ns on 0.1 cm2).
void RunNOLaser(benchmark::State& state, simulation::LifRegime regime) {
    AppState& app = NOLif();
    program::CalculateSimulation(app);
    const auto model = program::CurrentModel(app.sim, app.db);
    const populations::Populations pop = populations::SelectedPopulations(app.pop);
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::LifExcitation;
    c.start = 2200, c.end = 2300, c.temperature = 300;
    c.dopplerBroadening = true;
    c.laserGaussWidth = 0.02, c.laserLorentzWidth = 0.01;
    c.lifRegime = regime;
    simulation::Spectrum s;
    for (auto _ : state) {
        s = simulation::Simulate(*model, c, pop);
        benchmark::DoNotOptimize(s.total.Data());
    }
    state.counters["lines_drawn"] = s.linesDrawn;
    state.counters["grid_points"] = s.grid.Points();
}

void BM_Simulate_NO_LIF_Laser_Linear(benchmark::State& state) { RunNOLaser(state, simulation::LifRegime::Linear); }
void BM_Simulate_NO_LIF_Laser_RateEquations(benchmark::State& state) {
    RunNOLaser(state, simulation::LifRegime::RateEquations);
}

/// CN B-X at 10,000 K over 3500-3900 Å on a grid of about range(0) points, the binned lines
/// summed as chosen (range(1) 0), directly (1) or by FFT (2).
void BM_Simulate_CN_BX_10000K_GridScan(benchmark::State& state) {
    static const fit::FitSystem cn = [] {
        AppState app;
        program::MemoryStore firstRun;
        program::StartUp(app, firstRun, VELMORA_DATA_DIR);
        const Catalogue& cat = app.db.cat;
        for (int i = 1; i <= cat.CatalogueCount; ++i)
            if (cat.MoleculeName(i) == "CN" && Trim(cat.SystemLabel(i)) == "(B-X)")
                return fit::LoadFitSystem(app.db, i, simulation::SimulationConditions());
        throw std::runtime_error("CN (B-X) is not in the shipped catalogue");
    }();
    simulation::SimulationConditions c;
    c.start = 3500, c.end = 3900, c.temperature = 10000;
    c.lineshape = simulation::Lineshape::Gaussian;
    c.resolution = (c.end - c.start) * simulation::PointsPerWidth(c.density) / static_cast<double>(state.range(0));
    const populations::Populations pop = populations::ThermalPopulations(*cn.database, 1, c.temperature, 0.0f);
    simulation::SimulationOptions options;
    const simulation::ProfileMethod methods[] = {simulation::ProfileMethod::Convolved,
                                                 simulation::ProfileMethod::ConvolvedDirectly,
                                                 simulation::ProfileMethod::ConvolvedByFft};
    options.profiles = methods[state.range(1)];
    simulation::Spectrum s;
    for (auto _ : state) {
        s = simulation::Simulate(*cn.model, c, pop, options);
        benchmark::DoNotOptimize(s.total.Data());
    }
    state.counters["lines_drawn"] = s.linesDrawn;
    state.counters["grid_points"] = s.grid.Points();
}

/// Building the model of a pre-computed system: every band loaded and its lines kept.
void RunModelBuild(benchmark::State& state, AppState& app) {
    std::size_t lines = 0;
    for (auto _ : state) {
        const simulation::BandSystemModel m =
            simulation::BuildBandSystemModel(app.db, simulation::DatabaseBandLoader());
        lines = m.LineCount();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["bands"] =
        (app.db.cat.NMaxVib(app.db.systemEntry, 1) + 1.0) * (app.db.cat.NMaxVib(app.db.systemEntry, 2) + 1.0);
}
void BM_BuildModel_OH(benchmark::State& state) { RunModelBuild(state, OH(1)); }
void BM_BuildModel_NO(benchmark::State& state) { RunModelBuild(state, NOLif()); }

/// Writing a simulated total of 126,001 points (OH A-X, 2800-3400 Å at 0.0333 Å) as .mod.
void BM_WriteSimulation_126001Points(benchmark::State& state) {
    static std::unique_ptr<AppState> app;
    if (!app) {
        app = Prepare("OH", 1, 3000.0f, " 2800", " 3400", 1);
        program::ConditionList_Click(*app, simulation::Field("lineshape"), 1);
        program::ConditionBox_Change(*app, simulation::Field("resolution"), "0.03333333");
        program::CalculateSimulation(*app);
    }
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "velmora_bench.mod";
    for (auto _ : state) simulation::WriteSimulationTotal(app->sim, file);
    std::filesystem::remove(file);
    state.SetItemsProcessed(state.iterations() * (app->sim.result.grid.last + 1));
    state.counters["points"] = app->sim.result.grid.last + 1;
}

BENCHMARK(BM_WriteSimulation_126001Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Gaussian)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Gaussian_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Voigt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Voigt_Method)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Gaussian_Method)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_MillionPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Gaussian_PerLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_OH_Voigt_PerLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_NO_LIF_Laser_Linear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_NO_LIF_Laser_RateEquations)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Simulate_CN_BX_10000K_GridScan)
    ->ArgsProduct({{1000, 2000, 4000, 6000, 8000, 10000, 16000, 32000, 64000}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildModel_OH)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildModel_NO)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OH_Emission3000K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OH_Emission3000K_PerLineAccumulation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OH_Emission3000K_VeryHigh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OH_Emission3000K_VeryHigh_PerLineAccumulation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NO_LIF300K)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NO_LIF300K_PerLineAccumulation)->Unit(benchmark::kMillisecond);

}  // namespace
