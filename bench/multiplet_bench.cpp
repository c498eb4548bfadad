// Speed of whole triplet band systems from the effective-Hamiltonian engine: the levels of every
// vibrational level (to J = 70) and the lines of every band with a band coefficient, with their
// positions, Einstein coefficients and nuclear-spin weights, of N2 C 3Πu – B 3Πg (v' 0-4,
// v'' 0-17, 90 bands) and of C2 d 3Πg – a 3Πu (v' 0-12, v'' 0-11). The curated constants and
// band coefficients are read once, outside the timing. Then the simulation model of N2 C-B from
// that system and one emission spectrum of it at 3000 K over 300-420 nm at 0.1 nm resolution.
#include <benchmark/benchmark.h>

#include <string>

#include "curated_tables.h"
#include "database/multiplet_system.h"
#include "simulation/multiplet_model.h"
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

void BM_TripletSimulate_N2CB_3000K(benchmark::State& state) {
    const database::MultipletSystem system = database::BuildMultipletSystem(N2CB());
    const auto model = simulation::BuildMultipletModel(system, 28.006148);
    const auto pop = simulation::ThermalMultipletPopulations(system, ElectronicState::Upper, 3000);
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::Emission, c.unit = simulation::AxisUnit::NanometreAir;
    c.start = 300, c.end = 420, c.resolution = 0.1, c.temperature = 3000;
    int drawn = 0;
    for (auto _ : state) {
        const auto spectrum = simulation::Simulate(model, c, pop);
        benchmark::DoNotOptimize(spectrum.peak);
        drawn = spectrum.linesDrawn;
    }
    state.SetLabel(std::to_string(drawn) + " lines drawn");
}
BENCHMARK(BM_TripletSimulate_N2CB_3000K)->Unit(benchmark::kMillisecond);

}  // namespace
