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

database::MultipletSystemData Folder(const std::string& folder, const std::string& upper, const std::string& lower,
                                     Inversion upperInversion, double sym, double anti) {
    database::MultipletSystemData data;
    data.description.molecule.nuclearSpin = {true, sym, anti};
    for (StateDescription* st : {&data.description.upper, &data.description.lower}) st->lambda = 1, st->twoS = 2;
    data.description.upper.inversion = upperInversion;
    data.description.lower.inversion = upperInversion == Inversion::Gerade ? Inversion::Ungerade : Inversion::Gerade;
    for (const auto& row : testing::CsvRows(folder, upper))
        data.upper[std::stoi(row.at("v"))] = testing::CuratedLevel(folder, upper, std::stoi(row.at("v")));
    for (const auto& row : testing::CsvRows(folder, lower))
        data.lower[std::stoi(row.at("v"))] = testing::CuratedLevel(folder, lower, std::stoi(row.at("v")));
    for (const auto& row : testing::CsvRows(folder, "transitions.csv"))
        if (row.at("kind") == "A_band")
            data.bandA[{std::stoi(row.at("v_up")), std::stoi(row.at("v_low"))}] = std::stod(row.at("value"));
    return data;
}

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
    static const auto data = Folder("N2_CB", "levels_C.csv", "levels_B.csv", Inversion::Ungerade, 6, 3);
    Build(state, data, "N2 C-B");
}
BENCHMARK(BM_TripletSystem_N2CB)->Unit(benchmark::kMillisecond);

void BM_TripletSystem_C2DA(benchmark::State& state) {
    static const auto data = Folder("C2_DA", "levels_d.csv", "levels_a.csv", Inversion::Gerade, 1, 0);
    Build(state, data, "C2 d-a");
}
BENCHMARK(BM_TripletSystem_C2DA)->Unit(benchmark::kMillisecond);

}  // namespace
