// Number formatting: every written spectrum and table goes through it, two numbers per line.
#include <benchmark/benchmark.h>

#include "common/fixed_pattern.h"
#include "common/number_format.h"

namespace {

void BM_FormatSpectrumLine(benchmark::State& state) {
    double x = 3050.0, y = 0.0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string line = velmora::Format(x, "#####.###   ") + velmora::Format(y, " ,  ###.0000");
        bytes += line.size();
        benchmark::DoNotOptimize(line);
        x += 0.0142857;
        y = y > 99.0 ? 0.0 : y + 0.731;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_FormatSpectrumLine);

/// The same line with the patterns compiled once, as the spectrum writers do.
void BM_FixedPatternSpectrumLine(benchmark::State& state) {
    const velmora::FixedPattern x("#####.###   "), y(" ,  ###.0000");
    double xv = 3050.0, yv = 0.0;
    std::string line;
    for (auto _ : state) {
        line.clear();
        x.Append(line, xv);
        y.Append(line, yv);
        benchmark::DoNotOptimize(line);
        xv += 0.0142857;
        yv = yv > 99.0 ? 0.0 : yv + 0.731;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FixedPatternSpectrumLine);

void BM_Str(benchmark::State& state) {
    float v = 31746.03f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmora::Str(v));
        v += 0.37f;
    }
}
BENCHMARK(BM_Str);

}  // namespace
