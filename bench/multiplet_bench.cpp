// Speed of whole triplet band systems from the effective-Hamiltonian engine: the levels of every
// vibrational level (to J = 70) and the lines of every band with a band coefficient, with their
// positions, Einstein coefficients and nuclear-spin weights, of N2 C 3Πu – B 3Πg (v' 0-4,
// v'' 0-17, 90 bands) and of C2 d 3Πg – a 3Πu (v' 0-12, v'' 0-11). The curated constants and
// band coefficients are read once, outside the timing. Then the simulation model of N2 C-B from
// that system and one emission spectrum of it at 3000 K over 300-420 nm at 0.1 nm resolution,
// and one fit of a window of it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "curated_tables.h"
#include "database/catalogue.h"
#include "database/multiplet_catalogue.h"
#include "database/multiplet_system.h"
#include "fit/fit_spectrum.h"
#include "simulation/multiplet_model.h"
#include "simulation/multiplet_simulation.h"
#include "simulation/simulate.h"

namespace {

using namespace velmora;

void Build(benchmark::State& state, const database::MultipletSystemData& data, const char* name) {
    std::size_t lines = 0, bands = 0;
    for (auto _ : state) {
        const database::MultipletSystem system = database::BuildMultipletSystem(data);
        bands = system.bands.size(), lines = 0;
        for (const auto& band : system.bands) lines += band.second.lines.size();
        benchmark::DoNotOptimize(lines);
    }
    state.SetLabel(std::string(name) + ": " + std::to_string(bands) + " bands, " + std::to_string(lines) + " lines");
}

const database::MultipletSystemData& N2CB() {
    static const auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), "N2_CB",
                                                    "levels_C.csv", "levels_B.csv", 140);
    return data;
}

void BM_TripletSystem_N2CB(benchmark::State& state) { Build(state, N2CB(), "N2 C-B"); }
BENCHMARK(BM_TripletSystem_N2CB)->Unit(benchmark::kMillisecond);

void BM_TripletSystem_C2DA(benchmark::State& state) {
    static const auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Gerade, 1, 0), "C2_DA",
                                                    "levels_d.csv", "levels_a.csv", 140);
    Build(state, data, "C2 d-a");
}
BENCHMARK(BM_TripletSystem_C2DA)->Unit(benchmark::kMillisecond);

void BM_TripletModel_N2CB(benchmark::State& state) {
    for (auto _ : state) {
        const auto model = simulation::BuildMultipletModel(database::BuildMultipletSystem(N2CB()), 28.006148);
        benchmark::DoNotOptimize(model.bands.Size());
    }
}
BENCHMARK(BM_TripletModel_N2CB)->Unit(benchmark::kMillisecond);

void SimulateN2CB(benchmark::State& state, simulation::ProfileMethod method) {
    const database::MultipletSystem system = database::BuildMultipletSystem(N2CB());
    const auto model = simulation::BuildMultipletModel(system, 28.006148);
    const auto pop = simulation::ThermalMultipletPopulations(system, ElectronicState::Upper, 3000);
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::Emission, c.unit = simulation::AxisUnit::NanometreAir;
    c.start = 300, c.end = 420, c.resolution = 0.1, c.temperature = 3000;
    simulation::SimulationOptions options;
    options.profiles = method;
    int drawn = 0, points = 0;
    for (auto _ : state) {
        const auto spectrum = simulation::Simulate(model, c, pop, options);
        benchmark::DoNotOptimize(spectrum.peak);
        drawn = spectrum.linesDrawn, points = spectrum.grid.Points();
    }
    state.SetLabel(std::to_string(drawn) + " lines drawn, " + std::to_string(points) + " points");
}

void BM_TripletSimulate_N2CB_3000K(benchmark::State& state) {
    SimulateN2CB(state, simulation::ProfileMethod::Convolved);
}
BENCHMARK(BM_TripletSimulate_N2CB_3000K)->Unit(benchmark::kMillisecond);

// The same with the binned lines always summed directly (0) or always by FFT (1).
void BM_TripletSimulate_N2CB_3000K_Method(benchmark::State& state) {
    SimulateN2CB(state, state.range(0) == 0 ? simulation::ProfileMethod::ConvolvedDirectly
                                            : simulation::ProfileMethod::ConvolvedByFft);
}
BENCHMARK(BM_TripletSimulate_N2CB_3000K_Method)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One fit of a 2000-point window of N2 C-B (the (0,0) band at 337 nm, 0.02 Å apart) for the
// temperature, scale, baseline, axis shift and Gaussian width, the system loaded from the
// shipped catalogue as the command line loads it, outside the timing; the spectrum is the
// simulation at 1800 K with a baseline and a fixed pattern of noise.
void BM_TripletFit_N2CB_2000Points(benchmark::State& state) {
    DatabaseState db;
    database::SetAppPath(db, VELMORA_DATA_DIR);
    database::LoadCatalogue(db);
    const auto entries = database::MultipletEntriesOf(db.AppPath);
    int entry = 0;
    for (std::size_t k = 0; k < entries.size(); ++k)
        if (entries[k].name == "N2" && entries[k].SystemLabel() == "(C-B)")
            entry = db.cat.CatalogueCount + 1 + static_cast<int>(k);
    if (entry == 0) return state.SkipWithError("N2 C-B is not in the shipped catalogue");
    const fit::FitSystem system = fit::LoadFitSystem(db, entry, {});
    simulation::SimulationConditions c;
    c.start = 3335, c.end = 3380, c.resolution = 0.1, c.temperature = 1800;
    const auto pop = simulation::MultipletPopulations(*system.multiplet, c);
    const simulation::Broadening widths = simulation::ComputeBroadening(c, system.model->molecularMass);
    simulation::SpectralGrid grid;
    grid.start = 3335, grid.gridWidth = 0.1f, grid.pointsPerWidth = 5, grid.last = 2001;
    const simulation::Spectrum s = simulation::Simulate(*system.model, c, pop, widths, grid);
    fit::FitRequest r;
    r.systems = {system};
    for (int i = 0; i < 2000; ++i) {
        r.spectrum.x.push_back(grid.X(i) + 0.03);
        r.spectrum.y.push_back(s.total(i) + 2.0 + 0.5 * std::sin(12.9898 * i));
    }
    r.conditions.temperature = 1200, r.conditions.resolution = 0.1;
    r.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
    double t = 0;
    for (auto _ : state) {
        const fit::FitResult fit = fit::FitSpectrum(r);
        t = fit.Value("t");
        benchmark::DoNotOptimize(t);
    }
    state.SetLabel("T = " + std::to_string(static_cast<int>(t)) + " K (1800 K drawn)");
}
BENCHMARK(BM_TripletFit_N2CB_2000Points)->Unit(benchmark::kMillisecond);

}  // namespace
