// The program's first moments and its central command, as the desktop program runs them:
//
//   start-up to a drawn plot: settings, catalogue, main-window load (OH A-X pre-computed,
//   populations and database table prepared), the first "Calculate simulation" with the
//   first-run settings (3050-3150 Å, 300 K) and the plot drawn onto an 1100 x 500 pixel surface;
//   one "Calculate simulation" of OH A-X at 3000 K over the same range, with its redraw.
//
// The splash pause and the window system are not part of it; scripts/smoke.sh prints the same
// two times for the real window under Xvfb.
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "display/plot_frame.h"
#include "display/svg_canvas.h"
#include "program/condition_events.h"
#include "program/main_window.h"
#include "program/simulation_run.h"
#include "program/startup.h"

namespace {

using namespace velmora;

/// Draws the plot and the axis strips of the plot window.
void DrawPlot(AppState& app) {
    display::SvgCanvas plot(67, 0, 1100, 500), axis(55, 500, 1125, 33), yAxis(0, 0, 67, 500);
    display::RedrawPlot(app, plot, axis, yAxis);
    benchmark::DoNotOptimize(plot.Markup("plot").size());
}

std::unique_ptr<AppState> StartToDrawnPlot() {
    auto app = std::make_unique<AppState>();
    program::MemoryStore firstRun;
    program::StartUp(*app, firstRun, std::string(VELMORA_DATA_DIR) + "/");
    if (!program::MDIVelmora_Load(*app, "1.0.0")) throw std::runtime_error("OH A-X could not be loaded");
    program::CalculateSimulation(*app);
    DrawPlot(*app);
    return app;
}

void BM_StartUpToDrawnPlot(benchmark::State& state) {
    for (auto _ : state) {
        auto app = StartToDrawnPlot();
        benchmark::DoNotOptimize(app->sim.result.grid.last);
    }
}
BENCHMARK(BM_StartUpToDrawnPlot)->Unit(benchmark::kMillisecond);

void BM_CalculateSimulation_OH_AX_3000K(benchmark::State& state) {
    auto app = StartToDrawnPlot();
    program::ConditionBox_Change(*app, simulation::Field("temperature"), "3000");
    for (auto _ : state) {
        program::CalculateSimulation(*app);
        DrawPlot(*app);
    }
    state.counters["points"] = app->sim.result.grid.last;
    state.counters["levels"] = app->pop.NVibSel;
}
BENCHMARK(BM_CalculateSimulation_OH_AX_3000K)->Unit(benchmark::kMillisecond);

}  // namespace
