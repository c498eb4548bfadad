// Import of line lists of one's own: a synthetic ExoMol set of 20,000 levels and 10^6
// transitions and a HITRAN file of 10^6 records, written into a temporary folder first, read
// whole and through a wavenumber window that keeps 1 % of the lines. Each benchmark reports the
// lines kept and the peak resident memory of the process after it (a high-water mark: the
// windowed reads run first, so that their figure is theirs), against the size of the files.
// Last, the absorption spectrum of 10^4 lines drawn from the list, once with the conditions'
// widths and once (the HITRAN records) with each line's own pressure width, 40 different ones
// as a J-dependent broadening gives, drawn in groups of one width; each reports the time per line
// drawn, to compare with that of the shipped systems (simulation_bench: time / lines_drawn); and
// the same two lists as a fit evaluates them, a new temperature each time (so the widths follow).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "database/line_list_import.h"
#include "fit/fit_system.h"
#include "simulation/line_set_simulation.h"

namespace {

namespace fs = std::filesystem;
using namespace velmora;

constexpr int kStates = 20000;
constexpr long kTransitions = 1000000;

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

/// The synthetic lists in a temporary folder, removed at the end of the program.
class SyntheticLists {
public:
    SyntheticLists() : folder_(fs::temp_directory_path() / ("velmora-lists-" + std::to_string(getpid()))) {
        fs::create_directories(folder_);
        const std::string prefix = (folder_ / "1H-2H__BENCH").string();
        std::FILE* def = std::fopen((prefix + ".def").c_str(), "w");
        std::fprintf(def,
                     "EXOMOL.def  # ID\n2.014 3.3E-27  # Isotopologue mass (Da) and (kg)\n"
                     "1  # Uncertainty availability (1=yes, 0=no)\n");
        std::fclose(def);
        // Lower levels 1..10000 from 0 to 15000 cm-1, upper levels 10001..20000 above 20000 cm-1.
        std::FILE* states = std::fopen((prefix + ".states").c_str(), "w");
        for (int i = 1; i <= kStates; ++i) {
            const double E = i <= kStates / 2 ? 1.5 * i : 20000.0 + 1.5 * (i - kStates / 2);
            std::fprintf(states, "%12d %12.6f %6d %7.1f %12.6f X %3d\n", i, E, 2 * (i % 40) + 2, i % 40 + 0.5, 0.01,
                         i % 7);
        }
        std::fclose(states);
        std::FILE* trans = std::fopen((prefix + ".trans").c_str(), "w");
        std::FILE* par = std::fopen((folder_ / "bench.par").c_str(), "w");
        for (long k = 0; k < kTransitions; ++k) {
            const long up = kStates / 2 + 1 + k % (kStates / 2), low = 1 + (k * 7919) % (kStates / 2);
            const double nu = (20000.0 + 1.5 * (up - kStates / 2)) - 1.5 * low;
            std::fprintf(trans, "%12ld %12ld %10.4E %15.6f\n", up, low, 1e3 + k % 1000, nu);
            std::fprintf(
                par,
                "131%12.6f 1.000E-20 1.000E+03.0%03ld0.060%10.4f0.750.000000%15s%15s%15ld%15ld000000%12s %7.1f%7.1f\n",
                nu, 300 + 10 * (low % 40), 1.5 * low, "A 0", "X 0", up, low, "", 6.0, 2.0);
        }
        std::fclose(trans);
        std::fclose(par);
        exomol = prefix + ".def";
        hitran = (folder_ / "bench.par").string();
        megabytes = (fs::file_size(prefix + ".trans") + fs::file_size(prefix + ".states")) / 1e6;
    }
    ~SyntheticLists() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::string exomol, hitran;
    double megabytes = 0.0;

private:
    fs::path folder_;
};

const SyntheticLists& Lists() {
    static const SyntheticLists lists;
    return lists;
}

void Read(benchmark::State& state, const std::string& path, database::WavenumberWindow window) {
    std::size_t kept = 0;
    for (auto _ : state) {
        const database::ImportedLineList list = database::ReadLineList(path, window);
        kept = list.lines.size();
        benchmark::DoNotOptimize(kept);
    }
    state.counters["lines_kept"] = static_cast<double>(kept);
    state.counters["peak_rss_MB"] = PeakMegabytes();
    state.counters["transitions_per_s"] =
        benchmark::Counter(static_cast<double>(kTransitions), benchmark::Counter::kIsIterationInvariantRate);
}

// The window 19000..19150 cm-1 holds 1 % of the synthetic lines.
void BM_ExoMolWindowed(benchmark::State& state) { Read(state, Lists().exomol, {19000.0, 19150.0}); }
void BM_HitranWindowed(benchmark::State& state) { Read(state, Lists().hitran, {19000.0, 19150.0}); }
void BM_ExoMolWhole(benchmark::State& state) {
    Read(state, Lists().exomol, {});
    state.counters["file_MB"] = Lists().megabytes;
}
void BM_HitranWhole(benchmark::State& state) { Read(state, Lists().hitran, {}); }

simulation::SimulationConditions ListConditions(bool ownWidths) {
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::Absorption;
    c.unit = simulation::AxisUnit::Wavenumber;
    c.start = 19000.0, c.end = 19150.0;
    c.temperature = 2000.0;
    c.resolution = 0.05;
    c.collisionalBroadening = ownWidths;
    c.pressure = ownWidths ? 760.0 : 0.0;
    return c;
}

void Simulate(benchmark::State& state, const std::string& path, bool ownWidths) {
    const database::ImportedLineList list = database::ReadLineList(path, {19000.0, 19150.0});
    const simulation::SimulationConditions c = ListConditions(ownWidths);
    int drawn = 0;
    for (auto _ : state) drawn = simulation::SimulateLineSet(list, c).linesDrawn;
    state.counters["lines"] = drawn;
    state.counters["s_per_line"] =
        benchmark::Counter(drawn, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
void BM_SimulateFromList(benchmark::State& state) { Simulate(state, Lists().exomol, false); }
void BM_SimulateFromListOwnWidths(benchmark::State& state) { Simulate(state, Lists().hitran, true); }

void FitEvaluation(benchmark::State& state, const std::string& path, bool ownWidths) {
    auto list = std::make_shared<const database::ImportedLineList>(database::ReadLineList(path, {19000.0, 19150.0}));
    const simulation::SimulationConditions c = ListConditions(ownWidths);
    fit::FitSystem system = fit::MakeFitSystem(list);
    system.traces.reset();  // every evaluation drawn
    fit::SystemTracer tracer(system, c, c.start, c.end, c.start, c.end, fit::IntensityConvention::PhotonCounts, false,
                             simulation::PointsPerWidth(c.density));
    fit::SystemValues v;
    v.gauss = c.resolution;
    v.rotationalT = v.vibrationalT = c.temperature;
    fit::SystemTrace t;
    for (auto _ : state) {
        v.rotationalT += 1e-3;  // a fit's next trial temperature
        tracer.Trace(v, t);
        benchmark::DoNotOptimize(t.total.data());
    }
    const int drawn = static_cast<int>(list->lines.size());
    state.counters["lines"] = drawn;
    state.counters["s_per_line"] =
        benchmark::Counter(drawn, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
void BM_FitEvaluationFromList(benchmark::State& state) { FitEvaluation(state, Lists().exomol, false); }
void BM_FitEvaluationFromListOwnWidths(benchmark::State& state) { FitEvaluation(state, Lists().hitran, true); }

BENCHMARK(BM_ExoMolWindowed)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_HitranWindowed)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExoMolWhole)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_HitranWhole)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_SimulateFromList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimulateFromListOwnWidths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitEvaluationFromList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitEvaluationFromListOwnWidths)->Unit(benchmark::kMillisecond);

}  // namespace
