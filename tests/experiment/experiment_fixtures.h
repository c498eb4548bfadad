// Small spectra and simulation grids written by hand for the experiment tests.
#pragma once

#include <initializer_list>
#include <vector>

#include "experiment/spectrum_files.h"
#include "state/app_state.h"
#include "support/scripted_dialogs.h"

namespace velmora::testing {

/// An application state with scripted dialogs, a counting shell and a simulation in place.
struct AppFixture {
    AppState app;
    ScriptedDialogs dialogs;
    CountingShell shell;
    AppFixture() {
        app.dialogs = &dialogs;
        app.ui = &shell;
        app.plot.PlotReady = true;
        experiment::InitExperimentArrays(app.exp);
    }
};

/// A simulation grid x_i = xini + step·i (one point per width) carrying the given total.
inline void SetGrid(SimulationState& sim, float xini, float step, std::initializer_list<float> total) {
    const int n = static_cast<int>(total.size()) - 1;
    sim.result.grid.start = sim.result.conditions.start = xini;
    sim.result.grid.gridWidth = step;
    sim.result.grid.pointsPerWidth = 1;
    sim.result.grid.last = n;
    sim.result.conditions.end = xini + step * static_cast<float>(n);
    sim.result.total.Resize(0, n);
    int i = 0;
    for (float v : total) sim.result.total(i++) = v;
}

/// Per-level contributions SimBand(k, i) for levels k = 1..levels.size().
inline void SetBands(SimulationState& sim, const std::vector<std::vector<float>>& levels) {
    sim.result.bands.Resize(1, static_cast<int>(levels.size()), 0, sim.result.grid.last);
    for (std::size_t k = 0; k < levels.size(); ++k)
        for (std::size_t i = 0; i < levels[k].size(); ++i)
            sim.result.bands(static_cast<int>(k + 1), static_cast<int>(i)) = levels[k][i];
}

/// A loaded spectrum (ExpCount 1) with raw = corrected values as given.
inline void SetSpectrum(ExperimentState& exp, const std::vector<float>& x, const std::vector<float>& y) {
    experiment::InitExperimentArrays(exp);
    int i = 0;
    for (float v : x) exp.ExpXRaw(i) = exp.ExpX(i) = v, ++i;
    exp.ExpPoints = i - 1;
    i = 0;
    for (float v : y) exp.ExpYRaw(i) = exp.ExpY(i) = v, ++i;
    exp.ExpCount = 1;
    exp.ExpFiles = {ExpFile{"hand.dat", "hand.dat", 0, 0, 1}};
}

/// Selected vibrational levels with their populations PopVib(v): the levels of the simulation.
inline void SetLevels(AppState& app, std::initializer_list<int> levels, std::initializer_list<float> popVib) {
    PopulationState& pop = app.pop;
    app.sim.result.levels.assign(levels.begin(), levels.end());
    pop.PopVib.Resize(0, static_cast<int>(popVib.size()) - 1);
    int v = 0;
    for (float p : popVib) pop.PopVib(v++) = p;
    pop.NVibSel = static_cast<int>(levels.size());
    pop.VibList.Resize(1, pop.NVibSel);
    int k = 1;
    for (int l : levels) pop.VibList(k++) = static_cast<float>(l);
}

}  // namespace velmora::testing
