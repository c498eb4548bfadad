// Speed of the spatially resolved diagnostics on the shipped database:
//
//   a 512-row OH A-X frame of 1024 columns (3070-3110 Å, Gaussian instrument 0.2 Å, T rising
//   from 1500 K to 2500 K along the slit, noise 1 % of the peak), T, scale, baseline, shift and
//   Gaussian width fitted in every row, on 2 threads (blocks of 16 rows);
//   the Abel inversion of a 512 × 1024 side-on frame (the axis found, halves averaged), plain
//   and regularised;
//   a 1024 × 1024 LIF temperature image from two and from three OH A-X (1,0) lines, on 2 threads,
//   the ratio curve included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "common/numerics.h"
#include "experiment/abel_inversion.h"
#include "fit/fit_system.h"
#include "fit/frame_fit.h"
#include "fit/lif_image.h"
#include "fit/spectrum_model.h"
#include "program/startup.h"
#include "shipped_catalogue.h"

namespace {

using namespace velmora;

const DatabaseState& Database() { return bench::ShippedCatalogue(); }

const fit::FitSystem& OH(const simulation::SimulationConditions& c = {}) {
    static const fit::FitSystem s = fit::LoadFitSystem(Database(), 1, c);
    return s;
}

void BM_FitFrame_OH_512Rows(benchmark::State& state) {
    constexpr int rows = 512, columns = 1024;
    constexpr double x0 = 3070.0, x1 = 3110.0;
    fit::FrameSpectra frame;
    frame.source = "synthetic frame";
    for (int i = 0; i < columns; ++i) frame.x.push_back(x0 + (x1 - x0) * i / (columns - 1));
    simulation::SimulationConditions c;
    fit::SystemTracer tracer(OH(), c, x0 - 5, x1 + 5, x0, x1, fit::IntensityConvention::PhotonCounts, false, 14);
    GaussianDeviate noise(3);
    for (int r = 0; r < rows; ++r) {
        fit::SystemValues v;
        v.rotationalT = v.vibrationalT = 1500.0 + 1000.0 * r / (rows - 1), v.gauss = 0.2;
        const fit::SystemTrace t = tracer.Trace(v);
        std::vector<double> y;
        double peak = 0.0;
        for (double x : frame.x)
            y.push_back(fit::Interpolate(t.grid, t.total, x - 0.01).value), peak = std::max(peak, y.back());
        for (double& value : y) value = 100.0 * value / peak + 5.0 + noise.Next();
        frame.y.push_back(y);
        frame.positions.push_back(0.01 * r);
    }
    fit::FitRequest request;
    request.systems = {OH()};
    request.conditions.temperature = 1000.0;
    request.conditions.resolution = 0.15;
    request.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
    fit::FrameFitOptions options;
    options.jobs = 2;
    std::size_t fitted = 0;
    for (auto _ : state) {
        const std::vector<fit::FrameRow> result = fit::FitFrame(request, frame, options);
        fitted = 0;
        for (const fit::FrameRow& row : result) fitted += row.fit.outcome == fit::BatchOutcome::Fitted;
    }
    if (fitted != rows) state.SkipWithError("a row of the frame was not fitted");
    state.counters["rows_per_second"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_AbelInversion_512x1024(benchmark::State& state) {
    constexpr int rows = 512, columns = 1024;
    experiment::SpectrumFrame f = experiment::BlankFrame(rows, columns);
    GaussianDeviate noise(5);
    for (int j = 0; j < rows; ++j) {
        const double y = (j - 255.3) / 80.0;
        f.positions[static_cast<std::size_t>(j)] = 0.01 * j;
        for (int c = 0; c < columns; ++c)
            f.At(j, c) = static_cast<float>(std::exp(-y * y) * (1.0 + std::sin(0.05 * c)) + 0.01 * noise.Next());
    }
    std::vector<double> sigma(rows, 0.01);
    experiment::AbelOptions o;
    o.regularisation = static_cast<double>(state.range(0));
    for (auto _ : state) {
        const experiment::AbelFrame a = experiment::AbelInvert(f, sigma, o);
        benchmark::DoNotOptimize(a.emissivity.pixels.data());
    }
}

void BM_LifTemperatureImage_1024x1024(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::LifExcitation;
    c.resolution = 0.02;
    const std::vector<double> all = {2822.532, 2856.282, 2830.923};
    const std::vector<double> chosen(all.begin(), all.begin() + lines);
    // T rising along the columns from 1000 K to 2200 K.
    std::vector<double> T;
    for (int col = 0; col < 1024; col += 64) T.push_back(1000.0 + 1200.0 * col / 1023.0);
    const std::vector<fit::LifImageLine> signals = fit::LifLineSignals(OH(), c, chosen, {}, T);
    fit::LifImageRequest q;
    q.system = OH();
    q.conditions = c;
    q.lines = chosen;
    q.t1 = 600.0, q.t2 = 2600.0;
    q.jobs = 2;
    GaussianDeviate noise(8);
    for (int k = 0; k < lines; ++k) {
        experiment::SpectrumFrame f = experiment::BlankFrame(1024, 1024);
        const double norm = 3000.0 / signals[0].signal[0];
        for (int r = 0; r < 1024; ++r)
            for (int col = 0; col < 1024; ++col)
                f.At(r, col) = static_cast<float>(
                    norm * signals[static_cast<std::size_t>(k)].signal[static_cast<std::size_t>(col / 64)] +
                    3.0 * noise.Next());
        q.images.push_back(std::move(f));
    }
    int valid = 0;
    for (auto _ : state) valid = fit::LifTemperatureImage(q).valid;
    if (valid < 1000000) state.SkipWithError("too few pixels with a temperature");
}

}  // namespace

BENCHMARK(BM_FitFrame_OH_512Rows)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(1);
BENCHMARK(BM_AbelInversion_512x1024)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_LifTemperatureImage_1024x1024)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(2);

namespace {
void BM_LifLineSignals(benchmark::State& state) {
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::LifExcitation;
    c.resolution = 0.02;
    std::vector<double> T;
    for (int i = 0; i < 120; ++i) T.push_back(600.0 + 2000.0 * i / 119.0);
    for (auto _ : state) benchmark::DoNotOptimize(fit::LifLineSignals(OH(), c, {2822.532, 2856.282}, {}, T).size());
}
}  // namespace
BENCHMARK(BM_LifLineSignals)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(2);
