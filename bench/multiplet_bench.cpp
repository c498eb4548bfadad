// Speed of the lines of whole triplet band systems from the effective-Hamiltonian engine: every
// band of N2 C 3Πu – B 3Πg (v' 0-4, v'' 0-17, 90 bands) and of C2 d 3Πg – a 3Πu (v' 0-9,
// v'' 0-9), each level to J = 70, its levels computed once per v, the lines with their positions,
// Einstein coefficients and nuclear-spin weights. The constants and band coefficients are read
// from the curated tables once, outside the timing.
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "database/multiplet_band.h"

namespace {

using namespace velmora;
using database::StateConstants;

// The comma-separated rows of data-src/<folder>/<file> by column name (no quoted commas in the
// columns read here; the source text at the end of a row is ignored).
std::vector<std::map<std::string, std::string>> Rows(const std::string& folder, const std::string& file) {
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/data-src/" + folder + "/" + file);
    std::vector<std::string> header;
    std::vector<std::map<std::string, std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::stringstream s(line);
        for (std::string field; std::getline(s, field, ',');) f.push_back(field);
        if (header.empty()) {
            header = f;
            continue;
        }
        auto& row = rows.emplace_back();
        for (std::size_t k = 0; k < header.size() && k < f.size(); ++k) row[header[k]] = f[k];
    }
    return rows;
}

std::map<int, StateConstants> Levels(const std::string& folder, const std::string& file) {
    std::map<int, StateConstants> out;
    for (const auto& row : Rows(folder, file)) {
        auto v = [&](const char* name) {
            const auto it = row.find(name);
            return it == row.end() || it->second.empty() ? 0.0 : std::stod(it->second);
        };
        StateConstants& c = out[std::stoi(row.at("v"))];
        c.T = v("T_v"), c.B = v("B"), c.D = v("D"), c.H = v("H"), c.L = v("L"), c.A = v("A"), c.A_D = v("A_D");
        c.spinSpin = v("lambda"), c.spinSpin_D = v("lambda_D"), c.gamma = v("gamma"), c.gamma_D = v("gamma_D");
        c.o = v("o"), c.o_D = v("o_D"), c.p = v("p"), c.p_D = v("p_D"), c.q = v("q"), c.q_D = v("q_D");
    }
    return out;
}

struct TripletSystem {
    const char* name;
    SystemDescription description;
    std::map<int, StateConstants> upper, lower;
    std::map<std::pair<int, int>, double> bandA;
};

TripletSystem Load(const char* folder, const char* upper, const char* lower, Inversion upperInversion, double sym,
                   double anti, int vUpMax, int vLowMax) {
    TripletSystem s{folder, {}, Levels(folder, upper), Levels(folder, lower), {}};
    s.description.molecule.nuclearSpin = {true, sym, anti};
    for (StateDescription* st : {&s.description.upper, &s.description.lower}) st->lambda = 1, st->twoS = 2;
    s.description.upper.inversion = upperInversion;
    s.description.lower.inversion = upperInversion == Inversion::Gerade ? Inversion::Ungerade : Inversion::Gerade;
    for (const auto& row : Rows(folder, "transitions.csv"))
        if (row.at("kind") == "A_band") {
            const int vu = std::stoi(row.at("v_up")), vl = std::stoi(row.at("v_low"));
            if (vu <= vUpMax && vl <= vLowMax) s.bandA[{vu, vl}] = std::stod(row.at("value"));
        }
    return s;
}

void BuildSystem(benchmark::State& state, const TripletSystem& system) {
    std::size_t lines = 0;
    for (auto _ : state) {
        const database::ElectronicState up = database::EngineStateOf(system.description.upper);
        const database::ElectronicState low = database::EngineStateOf(system.description.lower);
        std::map<int, database::StateLevels> upper, lower;
        for (const auto& [v, c] : system.upper) upper.emplace(v, database::StateLevels(up, c, 140));
        for (const auto& [v, c] : system.lower) lower.emplace(v, database::StateLevels(low, c, 142));
        lines = 0;
        for (const auto& [band, a] : system.bandA) {
            if (!upper.count(band.first) || !lower.count(band.second)) continue;
            const auto built =
                database::BuildMultipletBand(system.description, upper.at(band.first), lower.at(band.second), a, 1e-6);
            lines += built.lines.size();
            benchmark::DoNotOptimize(built.lines.data());
        }
    }
    state.SetLabel(std::string(system.name) + ": " + std::to_string(system.bandA.size()) + " bands, " +
                   std::to_string(lines) + " lines");
}

void BM_TripletSystemLines_N2CB(benchmark::State& state) {
    static const TripletSystem n2 = Load("N2_CB", "levels_C.csv", "levels_B.csv", Inversion::Ungerade, 6, 3, 4, 17);
    BuildSystem(state, n2);
}
BENCHMARK(BM_TripletSystemLines_N2CB)->Unit(benchmark::kMillisecond);

void BM_TripletSystemLines_C2DA(benchmark::State& state) {
    static const TripletSystem c2 = Load("C2_DA", "levels_d.csv", "levels_a.csv", Inversion::Gerade, 1, 0, 9, 9);
    BuildSystem(state, c2);
}
BENCHMARK(BM_TripletSystemLines_C2DA)->Unit(benchmark::kMillisecond);

}  // namespace
