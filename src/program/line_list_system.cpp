#include "program/line_list_system.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "common/numerics.h"
#include "simulation/absolute_absorption.h"
#include "simulation/condition_view.h"
#include "simulation/line_set_simulation.h"
#include "simulation/spectral_grid.h"

namespace velmora::program {

using namespace simulation;

std::string LineListTitle(const database::ImportedLineList& list) {
    return list.name + " (" + list.format + ", " + std::to_string(list.lines.size()) + " lines)";
}

database::WavenumberWindow RangeWindow(const SimulationConditions& c, double margin) {
    const double a = AxisToWavenumber(c.start, StoredValue(c.unit)), b = AxisToWavenumber(c.end, StoredValue(c.unit));
    return {std::max(0.0, std::min(a, b) - margin), std::max(a, b) + margin};
}

void OpenLineList(AppState& app, const std::string& path, const database::WavenumberWindow& window) {
    app.sim.LineList = std::make_shared<const database::ImportedLineList>(database::ReadLineList(path, window));
    app.sim.result = Spectrum();
    app.plot.PlotReady = false;
}

void MnuOpenLineList_Click(AppState& app, const std::string& path) {
    if (path.empty()) return;
    try {
        OpenLineList(app, path);
    } catch (const std::exception& e) {
        app.dialogs->ShowMessage(e.what());
        return;
    }
    app.dialogs->ShowMessage("Line list " + LineListTitle(*app.sim.LineList) +
                             ": simulated in place of the band system until one is chosen in the list");
    CalculateLineListSimulation(app);
}

void CloseLineList(AppState& app) { app.sim.LineList.reset(); }

void CalculateLineListSimulation(AppState& app) {
    SimulationState& sim = app.sim;
    SimulationConditions& c = sim.conditions;
    const database::ImportedLineList& list = *sim.LineList;
    app.ui->SetBusy(true);
    app.plot.PlotReady = false;
    try {
        if (c.start > c.end) std::swap(c.start, c.end);
        UpdateConditionView(sim, list.mass);
        const LineSetPlan lines = PlanLineSet(list, c, sim.widths);
        const GridPlan plan = PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), lines.gridWidth,
                                       PointsPerWidth(c.density), 1);
        sim.MaxPoints = plan.maxPoints;
        Spectrum s = SimulateLineSet(list, c, sim.widths, plan.grid, lines.groups);
        s.gridCoarsened = plan.overBudget;
        sim.SimAbsolute.clear();
        sim.LblAbsoluteCaption.clear();
        if (c.kind == SpectrumKind::Absorption && c.absorptionUnit != AbsorptionUnit::Relative)
            sim.SimAbsolute = AbsorptionInUnit(CrossSection(s, 1.0, c), c);
        s.system = LineListTitle(list);
        sim.result = std::move(s);
    } catch (const std::exception& e) {
        app.ui->SetBusy(false);
        sim.result = Spectrum();
        sim.SimAbsolute.clear();
        app.dialogs->ShowMessage(e.what());
        return;
    }
    app.ui->SetBusy(false);
    app.plot.PlotReady = true;
    app.RequestRedraw();
}

}  // namespace velmora::program
