// A simulation written by hand for the plot tests: a grid, per-level spectra and their total.
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "display/plot_draw.h"
#include "state/app_state.h"
#include "support/recording_canvas.h"

namespace velmora::testing {

/// Intensity of level k (1-based) at x, before the population weight.
using LevelShape = std::function<double(int k, double x)>;

/// A simulation over xini..xend with `intervals` grid intervals and `levels` selected vibrational
/// levels (v = 0, 1, ...) with the given populations; the total is scaled to 100 and the view
/// covers the whole range. PlotReady is set.
inline void MakeSimulation(AppState& s, double xini, double xend, int intervals, const std::vector<double>& pops,
                           const LevelShape& shape) {
    SimulationState& sim = s.sim;
    sim.result.grid.start = sim.result.conditions.start = static_cast<float>(xini);
    sim.result.conditions.end = static_cast<float>(xend);
    sim.result.conditions.unit = sim.conditions.unit;
    sim.result.conditions.kind = sim.conditions.kind;
    sim.result.grid.pointsPerWidth = 7;
    sim.result.grid.gridWidth = static_cast<float>((xend - xini) * 7.0 / intervals);
    sim.result.grid.last = intervals;
    const int n = static_cast<int>(pops.size());
    sim.result.bands.Resize(1, n, 0, intervals);
    sim.result.total.Resize(0, intervals);
    PopulationState& pop = s.pop;
    pop.NVibSel = n;
    pop.VibList.Resize(1, n);
    pop.PopVibSel.Resize(0, n);
    sim.result.levels.clear();
    sim.result.weights.clear();
    for (int k = 1; k <= n; ++k) {
        pop.VibList(k) = static_cast<float>(k - 1);
        pop.PopVibSel(k - 1) = static_cast<float>(pops[static_cast<std::size_t>(k - 1)]);
        sim.result.levels.push_back(k - 1);
        sim.result.weights.push_back(pop.PopVibSel(k - 1));
    }
    double top = 0.0;
    for (int i = 0; i <= intervals; ++i) {
        const double x = sim.result.grid.X(i);
        double total = 0.0;
        for (int k = 1; k <= n; ++k) {
            sim.result.bands(k, i) = static_cast<float>(shape(k, x));
            total += pops[static_cast<std::size_t>(k - 1)] * sim.result.bands(k, i);
        }
        sim.result.total(i) = static_cast<float>(total);
        top = std::max(top, total);
    }
    if (top > 0)
        for (int i = 0; i <= intervals; ++i) {
            sim.result.total(i) = static_cast<float>(sim.result.total(i) * 100.0 / top);
            for (int k = 1; k <= n; ++k)
                sim.result.bands(k, i) = static_cast<float>(sim.result.bands(k, i) * 100.0 / top);
        }
    s.plot.PlotReady = true;
    s.plot.ZoomX = 1.0f;
    s.plot.SldX = 50;
    RecomputeViewWindow(s.plot, static_cast<float>(sim.result.conditions.start),
                        static_cast<float>(sim.result.conditions.end));
}

/// A few Gaussian lines per level.
inline double Lines(int k, double x, double xini, double xend) {
    double y = 0.0;
    for (int j = 1; j <= 5; ++j) {
        const double c = xini + (xend - xini) * (j + 0.3 * k) / 6.5;
        y += (10.0 * j + 5.0 * k) * std::exp(-std::pow((x - c) / (0.01 * (xend - xini)), 2));
    }
    return y;
}

/// Loads one experimental spectrum of `points` + 1 points over xini..xend with y = f(x).
inline void MakeExperiment(AppState& s, double xini, double xend, int points, const std::function<double(double)>& f) {
    ExperimentState& e = s.exp;
    for (auto* a : {&e.ExpXRaw, &e.ExpYRaw, &e.ExpX, &e.ExpY, &e.Residual}) a->Resize(0, std::max(points, 3000));
    e.ExpPoints = points;
    for (int i = 0; i <= points; ++i) {
        const double x = xini + (xend - xini) * i / points;
        e.ExpX(i) = e.ExpXRaw(i) = static_cast<float>(x);
        e.ExpY(i) = e.ExpYRaw(i) = static_cast<float>(f(x));
    }
    e.ExpCount = 1;
    e.ExpCurrent = 0;
    e.ExpFiles.assign(1, ExpFile{"oh.dat", "/data/oh.dat", 0.0f, 0.0f, 1.0f});
    e.CurrentFilePath = "/data/oh.dat";
    e.ShowSpectra = 1;
}

/// x of the vertical lines that start at y0 and have the given length (tick marks).
inline std::vector<double> TickXs(const RecordingCanvas& c, double y0, double length) {
    std::vector<double> out;
    for (const auto& p : c.Of(Primitive::Line))
        if (p.x1 == p.x2 && std::fabs(p.y1 - y0) < 1e-9 && std::fabs(p.y2 - (y0 + length)) < 1e-9) out.push_back(p.x1);
    return out;
}

/// Texts that are numbers (tick labels), in order.
inline std::vector<std::string> NumberTexts(const RecordingCanvas& c) {
    std::vector<std::string> out;
    for (const auto& t : c.Texts())
        if (IsNumeric(t)) out.push_back(t);
    return out;
}

/// The plot window's three surfaces as recording canvases with the screen's conventions.
struct ScreenCanvases {
    RecordingCanvas plot{800, 400};
    RecordingCanvas axis{823, 33};
    RecordingCanvas yAxis{67, 400};
};

}  // namespace velmora::testing
