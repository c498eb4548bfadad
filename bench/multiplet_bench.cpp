// Speed of whole triplet band systems from the effective-Hamiltonian engine: the levels of every
// vibrational level (to J = 70) and the lines of every band with a band coefficient, with their
// positions, Einstein coefficients and nuclear-spin weights, of N2 C 3Πu – B 3Πg (v' 0-4,
// v'' 0-17, 90 bands) and of C2 d 3Πg – a 3Πu (v' 0-12, v'' 0-11). The curated constants and
// band coefficients are read once, outside the timing.
#include <benchmark/benchmark.h>

#include <string>

#include "curated_tables.h"
#include "database/multiplet_system.h"

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

void BM_TripletSystem_N2CB(benchmark::State& state) {
    static const auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), "N2_CB",
                                                    "levels_C.csv", "levels_B.csv", 140);
    Build(state, data, "N2 C-B");
}
BENCHMARK(BM_TripletSystem_N2CB)->Unit(benchmark::kMillisecond);

void BM_TripletSystem_C2DA(benchmark::State& state) {
    static const auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Gerade, 1, 0), "C2_DA",
                                                    "levels_d.csv", "levels_a.csv", 140);
    Build(state, data, "C2 d-a");
}
BENCHMARK(BM_TripletSystem_C2DA)->Unit(benchmark::kMillisecond);

}  // namespace
