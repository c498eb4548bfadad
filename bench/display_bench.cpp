// Redraw cost of the spectrum plot: the OH A-X emission spectrum at 3000 K simulated from the
// shipped database (at the usual resolution and at the full point budget), and synthetic spectra
// of the same shape that need no database.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "display/plot_frame.h"
#include "program/band_system.h"
#include "program/condition_events.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "state/app_state.h"

namespace {

using namespace velmora;

/// A surface that only counts what it is asked to draw.
class CountingCanvas final : public Canvas {
public:
    CountingCanvas(int w, int h) : w_(w), h_(h) {}
    long primitives = 0;
    void SetScale(double l, double t, double r, double b) override { l_ = l, t_ = t, r_ = r, b_ = b; }
    void Clear() override { primitives = 0; }
    void SetBackColor(Rgb) override {}
    void Line(double, double, double, double, Rgb) override { ++primitives; }
    void Box(double, double, double, double, Rgb, bool) override { ++primitives; }
    void Text(double, double, std::string_view, Rgb) override { ++primitives; }
    void TextUp(double, double, std::string_view, Rgb) override { ++primitives; }
    double TextWidth(std::string_view s) const override { return 7.0 * s.size() * std::fabs(r_ - l_) / w_; }
    double TextHeight(std::string_view) const override { return 13.0 * std::fabs(t_ - b_) / h_; }
    int WidthPixels() const override { return w_; }
    int HeightPixels() const override { return h_; }
    void SetFontSize(double) override {}

private:
    int w_, h_;
    double l_ = 0, t_ = 0, r_ = 1, b_ = 1;
};

/// Fills the simulation grid with Gaussian lines: `lines` per level at random positions with
/// Boltzmann-weighted strengths at `temperature` (rotational constant of OH A, 17 cm-1).
void Synthesise(AppState& s, double xini, double xend, int points, int levels, int lines, double fwhm,
                double temperature) {
    SimulationState& sim = s.sim;
    sim.conditions.unit = sim.result.conditions.unit = simulation::AxisUnit::AngstromVacuum;
    sim.result.grid.start = sim.result.conditions.start = static_cast<float>(xini);
    sim.result.conditions.end = static_cast<float>(xend);
    sim.result.grid.pointsPerWidth = 7;
    sim.result.grid.gridWidth = static_cast<float>((xend - xini) * 7.0 / points);
    sim.result.grid.last = points;
    sim.result.bands.Resize(1, levels, 0, points);
    sim.result.total.Resize(0, points);
    s.pop.NVibSel = levels;
    s.pop.VibList.Resize(1, levels);
    s.pop.PopVibSel.Resize(0, levels);
    const double step = (xend - xini) / points;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> where(xini, xend);
    std::uniform_int_distribution<int> level(0, 30);
    sim.result.levels.clear();
    sim.result.weights.clear();
    for (int k = 1; k <= levels; ++k) {
        s.pop.VibList(k) = static_cast<float>(k - 1);
        s.pop.PopVibSel(k - 1) = static_cast<float>(std::exp(-3180.0 * (k - 1) / (0.69503 * temperature)));
        sim.result.levels.push_back(k - 1);
        sim.result.weights.push_back(s.pop.PopVibSel(k - 1));
        for (int j = 0; j < lines; ++j) {
            const double c = where(rng);
            const int N = level(rng);
            const double strength = (2 * N + 1) * std::exp(-17.0 * N * (N + 1) / (0.69503 * temperature));
            const int i0 = std::max(0, static_cast<int>((c - 3 * fwhm - xini) / step));
            const int i1 = std::min(points, static_cast<int>((c + 3 * fwhm - xini) / step) + 1);
            for (int i = i0; i <= i1; ++i) {
                const double d = (xini + i * step - c) / fwhm;
                sim.result.bands(k, i) += static_cast<float>(strength * std::exp(-d * d / 0.360674));
            }
        }
    }
    double top = 0;
    for (int i = 0; i <= points; ++i) {
        double t = 0;
        for (int k = 1; k <= levels; ++k) t += s.pop.PopVibSel(k - 1) * sim.result.bands(k, i);
        sim.result.total(i) = static_cast<float>(t);
        top = std::max(top, t);
    }
    for (int i = 0; i <= points; ++i) {
        sim.result.total(i) = static_cast<float>(sim.result.total(i) * 100.0 / top);
        for (int k = 1; k <= levels; ++k)
            sim.result.bands(k, i) = static_cast<float>(sim.result.bands(k, i) * 100.0 / top);
    }
    s.plot.PlotReady = true;
    RecomputeViewWindow(s.plot, sim.result.grid.start, sim.result.conditions.end);
}

void RunRedraw(benchmark::State& state, AppState& s) {
    CountingCanvas plot(1200, 700), axis(1223, 33), yAxis(67, 700);
    for (auto _ : state) {
        display::RedrawPlot(s, plot, axis, yAxis);
        benchmark::DoNotOptimize(plot.primitives);
    }
    state.counters["primitives"] = static_cast<double>(plot.primitives);
}

/// OH A-X (0,0) and (1,1) emission at 3000 K, 3000..3300 Å at 0.05 Å resolution.
void BM_RedrawOH3000K(benchmark::State& state) {
    AppState s;
    Synthesise(s, 3000, 3300, 42000, 2, 1500, 0.05, 3000);
    s.plot.DisplayMode = static_cast<int>(state.range(0));
    RunRedraw(state, s);
}
BENCHMARK(BM_RedrawOH3000K)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

/// One million points (the full budget of one level) at full zoom.
void BM_RedrawMillionPoints(benchmark::State& state) {
    AppState s;
    Synthesise(s, 2800, 3400, 1000000, 1, 6000, 0.004, 3000);
    s.plot.DisplayMode = static_cast<int>(state.range(0));
    RunRedraw(state, s);
}
BENCHMARK(BM_RedrawMillionPoints)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

/// The same zoomed in 50 times: only the visible part of the grid is visited.
void BM_RedrawMillionPointsZoomed(benchmark::State& state) {
    AppState s;
    Synthesise(s, 2800, 3400, 1000000, 1, 6000, 0.004, 3000);
    s.plot.ZoomX = 50.0f;
    RecomputeViewWindow(s.plot, s.sim.result.grid.start, s.sim.result.conditions.end);
    RunRedraw(state, s);
}
BENCHMARK(BM_RedrawMillionPointsZoomed)->Unit(benchmark::kMillisecond);

/// OH A-X emission at 3000 K over 2800..3300 Å with Doppler broadening, from the shipped
/// database; `resolution` in Å (a very fine one is coarsened to the point budget).
bool SimulateOH(AppState& s, const char* resolution) {
    try {
        program::MemoryStore store;
        program::StartUp(s, store, VELMORA_DATA_DIR);
        program::SelectBandSystem(s, 1);
    } catch (const std::exception&) {
        return false;
    }
    s.sim.conditions.start = 2800;
    s.sim.conditions.end = 3300;
    program::ConditionBox_Change(s, simulation::Field("temperature"), "3000");
    program::ConditionBox_Change(s, simulation::Field("resolution"), resolution);
    s.sim.conditions.dopplerBroadening = true;
    program::CalculateSimulation(s);
    return s.plot.PlotReady;
}

void BM_RedrawOH3000KDatabase(benchmark::State& state) {
    AppState s;
    if (!SimulateOH(s, state.range(1) ? "0.0001" : "0.1")) {
        state.SkipWithError("the OH simulation could not run (shipped database missing?)");
        return;
    }
    s.plot.DisplayMode = static_cast<int>(state.range(0));
    state.counters["points"] = static_cast<double>(s.sim.result.grid.last + 1) * s.pop.NVibSel;
    RunRedraw(state, s);
}
// Display mode (total, contours, areas) x resolution (0.1 Å, or the full budget of 1E6 points).
BENCHMARK(BM_RedrawOH3000KDatabase)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
