// Loading, comparing and saving large experimental spectra.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "experiment/comparison.h"
#include "experiment/spectrum_files.h"
#include "state/app_state.h"

namespace {

using namespace velmora;

/// A spectrum file of n points (x in Å, blank separated, CR-LF), written once per size.
std::string SpectrumFile(int n) {
    const auto path = std::filesystem::temp_directory_path() / ("velmora-bench-spectrum-" + std::to_string(n) + ".dat");
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        char buf[64];
        for (int i = 0; i < n; ++i) {
            const double x = 2800.0 + i * 600.0 / n;
            const double y = 1000.0 * std::exp(-std::pow(std::sin(i * 0.001), 2) * 30.0) + 20.0;
            const int len = std::snprintf(buf, sizeof buf, "%.5f  %.3f\r\n", x, y);
            out.write(buf, len);
        }
    }
    return path.string();
}

void BM_ReadTwoColumn(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = SpectrumFile(n);
    NullDialogs dialogs;
    ExperimentState exp;
    for (auto _ : state) {
        experiment::InitExperimentArrays(exp);  // from the start-up size, growth included
        const bool ok = experiment::ReadTwoColumn(exp, path, dialogs);
        benchmark::DoNotOptimize(ok);
        if (!ok || exp.ExpPoints != n - 1) state.SkipWithError("spectrum not read");
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadTwoColumn)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_CompareWithSimulation(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    AppState app;
    NullDialogs dialogs;
    experiment::InitExperimentArrays(app.exp);
    experiment::ReadTwoColumn(app.exp, SpectrumFile(n), dialogs);
    app.exp.ExpCount = 1;
    // A simulation grid of one million points over the same range.
    app.sim.result.grid.start = 2800.0f;
    app.sim.result.conditions.end = 3400.0f;
    app.sim.result.grid.pointsPerWidth = 7;
    app.sim.result.grid.last = 1000000;
    app.sim.result.grid.gridWidth = 600.0f * 7 / app.sim.result.grid.last;
    app.sim.result.total.Resize(0, app.sim.result.grid.last);
    for (int i = 0; i <= app.sim.result.grid.last; ++i)
        app.sim.result.total(i) = static_cast<float>(50.0 + 50.0 * std::sin(i * 0.01));
    for (auto _ : state) {
        experiment::CompareWithSimulation(app.exp, app.sim.result, app.plot.ZoomY);
        benchmark::DoNotOptimize(app.exp.Correlation);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CompareWithSimulation)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_WriteModifiedSpectrum(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ExperimentState exp;
    NullDialogs dialogs;
    experiment::InitExperimentArrays(exp);
    experiment::ReadTwoColumn(exp, SpectrumFile(n), dialogs);
    const auto out = std::filesystem::temp_directory_path() / "velmora-bench-modified.dat";
    for (auto _ : state) experiment::WriteModifiedSpectrum(exp, out.string());
    std::filesystem::remove(out);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_WriteModifiedSpectrum)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
