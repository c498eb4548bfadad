// Speed of the database engine: the pre-computation of a band system of 10 x 10 bands with 60
// rotational rows each, and the loading of one band. The system (an OH-like 2Σ+ - 2Π system)
// is written into a temporary folder first. Then the selection of shipped band systems (their
// pre-computation from the installed database): OH A-X, NO A-X, NO B-X (the largest, two
// Λ-doublet sets of 2Π - 2Π lines), CH A-X and CN B-X. Last, all term values of OH A-X and NO
// A-X (every level of both states, to the last rotational row and beyond as the band loader
// fills them) from the doublet closed forms, from the closed forms with the eigenvectors the line
// strengths need, and from the effective-Hamiltonian engine (levels with eigenvectors); the
// engine's levels of a triplet (N2 C 3Π v = 0 to J = 70) and every line of the N2 C–B (0,2) band
// with its exact Hönl-London factor.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/doublet_conventions.h"
#include "database/effective_hamiltonian.h"
#include "database/exact_strengths.h"
#include "database/honl_london.h"
#include "database/state_descriptions.h"
#include "database/system_precompute.h"
#include "database/terms.h"

namespace {

namespace fs = std::filesystem;
using namespace velmora;

constexpr int kLevels = 10;  // v' and v'' = 0..9
constexpr int kRows = 60;

/// The synthetic database in a temporary folder, removed at the end of the program.
class SyntheticSystem {
public:
    SyntheticSystem() : folder_(fs::temp_directory_path() / ("velmora-bench-" + std::to_string(getpid()))) {
        fs::create_directories(folder_ / "BM" / "AX");
        std::string catalogue = "Benchmark system\r\n1, 9, 9, 70\r\nheadings\r\n";
        catalogue += "\"BM\", \"A\", \"X\", 0, 1\r\n688, 9, 9, 1, 1\r\n0, 32400, 17.0, 1, 0\r\n";
        for (int v = 0; v < kLevels; ++v) catalogue += std::to_string(kRows) + (v + 1 < kLevels ? ", " : "\r\n");
        for (int k = 0; k < 5; ++k) catalogue += "\"a\" \"b\" \"c\" \"d\" \"e\" \"f\"\r\n";
        for (int k = 0; k < 6; ++k) catalogue += "\"#0.00\" \"x\"\r\n";
        for (int k = 0; k < 3; ++k)
            catalogue += "\"1\" \"2\" \"3\" \"4\" \"5\" \"6\" \"7\" \"8\" \"9\" \"10\" \"11\" \"12\"\r\n";
        Write("VELMORA.SYS", catalogue);

        // Vibrational levels from Dunham-like expansions: upper 2Σ+ and lower 2Π (A < 0).
        std::string upper = "1, 1\r\n", lower = "1, 1\r\n";
        for (int v = 0; v < kLevels; ++v) {
            const double x = v + 0.5;
            upper += Level(3178.8 * x - 92.9 * x * x, 17.39 - 0.808 * x, 0.00204, 0.0, 0.226);
            lower += Level(3737.8 * x - 84.9 * x * x, 18.91 - 0.724 * x, 0.00194, -139.2, -0.119);
        }
        Write("BM/BMA.SPC", upper);
        Write("BM/BMX.SPC", lower);

        for (int vUp = 0; vUp < kLevels; ++vUp)
            for (int vLow = 0; vLow < kLevels; ++vLow) {
                std::string records;
                const double p = 1.0 / (1.0 + (vUp - vLow) * (vUp - vLow));
                for (int N = 1; N <= kRows; ++N)
                    for (int k = 0; k < 5; ++k) records += std::to_string(p) + (k < 4 ? ", " : "\r\n");
                Write("BM/AX/BMAX" + std::to_string(vUp) + std::to_string(vLow) + ".INT", records);
            }
    }
    ~SyntheticSystem() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    std::string Folder() const { return folder_.string(); }

private:
    static std::string Level(double T, double B, double D, double A, double gamma) {
        std::string s = std::to_string(T) + ", " + std::to_string(B) + ", " + std::to_string(D) + ", 0, 0, 0, " +
                        std::to_string(A) + ", 0, 0, " + std::to_string(gamma);
        // pΛ and qΛ of the 2Π state; zeros elsewhere.
        s += A != 0.0 ? ", 0, 0, 0.235, 0, 0, -0.0387, 0, 0\r\n" : ", 0, 0, 0, 0, 0, 0, 0, 0\r\n";
        return s;
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }
    fs::path folder_;
};

DatabaseState& LoadedState() {
    static SyntheticSystem system;
    static DatabaseState db = [] {
        DatabaseState d;
        database::SetAppPath(d, system.Folder());
        database::LoadCatalogue(d);
        d.systemEntry = 1;
        return d;
    }();
    return db;
}

void BM_SystemPrecompute(benchmark::State& state) {
    DatabaseState& db = LoadedState();
    Shell quiet;
    for (auto _ : state) {
        database::SystemPrecompute(db, 0.0f, quiet);
        benchmark::DoNotOptimize(db.UpperLevelData.Data());
    }
    state.SetLabel("10 x 10 bands, 60 rows");
}
BENCHMARK(BM_SystemPrecompute)->Unit(benchmark::kMillisecond);

void BM_LoadBand(benchmark::State& state) {
    DatabaseState& db = LoadedState();
    Shell quiet;
    database::SystemPrecompute(db, 0.0f, quiet);
    for (auto _ : state) {
        database::LoadBand(db, 3, 4, 1);
        benchmark::DoNotOptimize(db.LineData.Data());
    }
}
BENCHMARK(BM_LoadBand)->Unit(benchmark::kMicrosecond);

void BM_SystemPrecompute_Shipped(benchmark::State& state) {
    DatabaseState db;
    database::SetAppPath(db, std::string(VELMORA_DATA_DIR) + "/");
    database::LoadCatalogue(db);
    db.systemEntry = static_cast<int>(state.range(0));
    Shell quiet;
    for (auto _ : state) {
        database::SystemPrecompute(db, 0.0f, quiet);
        benchmark::DoNotOptimize(db.UpperLevelData.Data());
    }
    state.SetLabel(db.cat.MoleculeName(db.systemEntry) + db.cat.SystemLabel(db.systemEntry));
}
BENCHMARK(BM_SystemPrecompute_Shipped)->Arg(1)->Arg(3)->Arg(4)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

/// The shipped database with the constants of entry `entry` read.
DatabaseState ShippedConstants(int entry) {
    DatabaseState db;
    database::SetAppPath(db, std::string(VELMORA_DATA_DIR) + "/");
    database::LoadCatalogue(db);
    database::ReadStateConstants(db, entry);
    return db;
}

/// Runs `build(db, s, v, rows)` for every vibrational level of both states of the entry.
template <typename Build>
void EveryLevel(benchmark::State& state, Build build) {
    const int entry = static_cast<int>(state.range(0));
    DatabaseState db = ShippedConstants(entry);
    const int rows = db.cat.NMaxRotAll(entry);
    for (auto _ : state)
        for (int s = 1; s <= 2; ++s)
            for (int v = 0; v <= db.cat.NMaxVib(entry, s); ++v) {
                database::SelectLevel(db, s, v);
                build(db, s, rows);
            }
    state.SetLabel(db.cat.MoleculeName(entry) + db.cat.SystemLabel(entry));
}

void BM_Terms_ClosedForms(benchmark::State& state) {
    TermTable table;
    EveryLevel(state, [&](DatabaseState& db, int s, int rows) {
        if (table.Empty()) table.Resize(0, rows + 4, 1, 2, 1, 2);
        const int entry = static_cast<int>(state.range(0));
        database::ComputeTerms(db, db.cat.StateLambda(s, entry), rows, table, db.SpcConvention(s, entry),
                               database::StateOf(db.cat, s, entry));
        benchmark::DoNotOptimize(table.Data());
    });
}
BENCHMARK(BM_Terms_ClosedForms)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_Terms_ClosedFormsWithEigenvectors(benchmark::State& state) {
    TermTable table;
    EveryLevel(state, [&](DatabaseState& db, int s, int rows) {
        if (table.Empty()) table.Resize(0, rows + 4, 1, 2, 1, 2);
        const int entry = static_cast<int>(state.range(0)), lambda = db.cat.StateLambda(s, entry);
        database::ComputeTerms(db, lambda, rows, table, db.SpcConvention(s, entry),
                               database::StateOf(db.cat, s, entry));
        if (lambda == 0) return;
        for (int twoJ = 3; twoJ <= 2 * rows + 5; twoJ += 2)
            for (int p = 1; p <= 2; ++p) {
                const auto h = database::DoubletHamiltonian(db.LevelConst, lambda, db.SpcConvention(s, entry), twoJ, p);
                benchmark::DoNotOptimize(database::BlockEigenvectors(h.h11, h.h12, h.h22));
            }
    });
}
BENCHMARK(BM_Terms_ClosedFormsWithEigenvectors)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_Terms_Engine(benchmark::State& state) {
    EveryLevel(state, [&](DatabaseState& db, int s, int rows) {
        const int entry = static_cast<int>(state.range(0)), lambda = db.cat.StateLambda(s, entry);
        const int convention = db.SpcConvention(s, entry);
        const StateDescription described = database::StateOf(db.cat, s, entry);
        const bool caseA = database::CaseALabels(described, db.LevelConst[6] / db.LevelConst[1]);
        const database::StateLevels levels(
            database::DoubletElectronicState(lambda, described.IsSigmaMinus(), convention, caseA),
            database::DoubletLevelConstants(db.LevelConst, lambda, convention), 2 * rows + 5);
        benchmark::DoNotOptimize(levels.Levels().data());
    });
}
BENCHMARK(BM_Terms_Engine)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

// N2 C 3Πu v = 0 and B 3Πg v = 2 (the constants of data-src/N2_CB).
database::ElectronicState Triplet() {
    database::ElectronicState st;
    st.lambda = 1, st.twoS = 2;
    return st;
}
database::StateConstants N2C0() {
    database::StateConstants c;
    c.T = 88977.742, c.B = 1.8153, c.D = 5.95e-6, c.A = 39.134, c.spinSpin = 0.23, c.gamma = 0.00166;
    c.o = 1.106, c.p = 0.00503, c.q = -0.000152;
    return c;
}
database::StateConstants N2B2() {
    database::StateConstants c;
    c.T = 62688.301, c.B = 1.59227, c.D = 5.96e-6, c.H = 6.5e-12, c.A = 42.1357, c.spinSpin = -0.2104;
    c.gamma = 0.0017, c.o = 1.1471, c.p = 0.00445, c.q = 8.34e-5;
    return c;
}

void BM_Terms_EngineTriplet(benchmark::State& state) {
    for (auto _ : state) {
        const database::StateLevels levels(Triplet(), N2C0(), 140);
        benchmark::DoNotOptimize(levels.Levels().data());
    }
    state.SetLabel("N2 C 3Pi v = 0, J 0-70");
}
BENCHMARK(BM_Terms_EngineTriplet)->Unit(benchmark::kMicrosecond);

void BM_BandLines_Triplet(benchmark::State& state) {
    const database::StateLevels up(Triplet(), N2C0(), 140), low(Triplet(), N2B2(), 142);
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto band = database::BandLines(up, low, 1e-6);
        lines = band.size();
        benchmark::DoNotOptimize(band.data());
    }
    state.SetLabel("N2 C-B (0,2), J' 0-70: " + std::to_string(lines) + " lines");
}
BENCHMARK(BM_BandLines_Triplet)->Unit(benchmark::kMicrosecond);

}  // namespace
