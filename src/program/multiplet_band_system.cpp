#include "program/multiplet_band_system.h"

#include <exception>
#include <stdexcept>
#include <utility>

#include "common/number_format.h"
#include "common/numerics.h"
#include "database/multiplet_catalogue.h"
#include "program/line_list_system.h"
#include "simulation/absolute_absorption.h"
#include "simulation/condition_view.h"
#include "simulation/multiplet_simulation.h"
#include "simulation/spectral_grid.h"

namespace velmora::program {

using namespace simulation;

bool IsMultipletEntry(const AppState& app, int entry) {
    return entry > app.db.cat.CatalogueCount &&
           database::MultipletIndex(app.db.cat, database::MultipletEntriesOf(app.db.AppPath), entry) >= 0;
}

void SelectMultipletSystem(AppState& app, int entry) {
    const auto entries = database::MultipletEntriesOf(app.db.AppPath);
    const int k = database::MultipletIndex(app.db.cat, entries, entry);
    if (k < 0)
        throw std::invalid_argument("entry " + std::to_string(entry) + " is not in the catalogue (1.." +
                                    std::to_string(app.db.cat.CatalogueCount + static_cast<int>(entries.size())) + ")");
    app.sim.Multiplet = BuildMultipletBandSystem(entries[static_cast<std::size_t>(k)], entry);
    app.sim.LineList.reset();
    app.sim.result = Spectrum();
    app.plot.PlotReady = false;
    app.shell.DataReady = true;
}

void CalculateMultipletSimulation(AppState& app) {
    SimulationState& sim = app.sim;
    SimulationConditions& c = sim.conditions;
    const MultipletBandSystem& system = *sim.Multiplet;
    app.ui->SetBusy(true);
    app.plot.PlotReady = false;
    try {
        if (c.start > c.end) std::swap(c.start, c.end);
        UpdateConditionView(sim, system.catalogue.mass);
        const populations::Populations pop = MultipletPopulations(system, c);
        const GridPlan plan = PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), sim.widths.totalWidth,
                                       PointsPerWidth(c.density), static_cast<int>(pop.Levels()));
        sim.MaxPoints = plan.maxPoints;
        SimulationOptions options;
        options.progress = [&app](double percent) { app.ui->ShowProgress(percent); };
        Spectrum s = Simulate(system.model, c, pop, sim.widths, plan.grid, options);
        s.gridCoarsened = plan.overBudget;
        sim.SimAbsolute.clear();
        sim.LblAbsoluteCaption.clear();
        if (c.kind == SpectrumKind::Absorption && c.absorptionUnit != AbsorptionUnit::Relative)
            sim.SimAbsolute = AbsorptionInUnit(CrossSection(s, system.model, c), c);
        sim.result = std::move(s);
    } catch (const std::exception& e) {
        app.ui->SetBusy(false);
        sim.result = Spectrum();
        sim.SimAbsolute.clear();
        app.dialogs->ShowMessage(e.what());
        return;
    }
    app.ui->SetBusy(false);
    sim.SimTitle = "Simulation   " + system.Title() + "  " + app.db.cat.KindName.ValueAt(StoredValue(c.kind));
    app.plot.PlotReady = true;
    app.RequestRedraw();
}

namespace {

/// The band with the largest emission coefficient.
std::pair<int, int> StrongestBand(const MultipletBandSystem& system) {
    std::pair<int, int> best{0, 0};
    double most = -1;
    for (const auto& [key, band] : system.system.bands)
        if (band.bandA > most) most = band.bandA, best = key;
    return best;
}

}  // namespace

bool MultipletRangeHoldsLines(const AppState& app) {
    const database::WavenumberWindow range = RangeWindow(app.sim.conditions, 0.0);
    for (const auto& [key, band] : app.sim.Multiplet->system.bands)
        for (const database::MultipletLine& l : band.lines)
            if (range.Contains(l.nu)) return true;
    return false;
}

std::string MultipletNoLineMessage(const AppState& app) {
    const MultipletBandSystem& system = *app.sim.Multiplet;
    const auto [vUp, vLow] = StrongestBand(system);
    const double origin = system.model.Band(vUp, vLow).origin;
    const int unit = StoredValue(app.sim.conditions.unit);
    return "no line of " + system.Title() + " lies in the range " +
           Trim(Str(static_cast<float>(app.sim.conditions.start))) + ".." +
           Trim(Str(static_cast<float>(app.sim.conditions.end))) + " " + AxisUnitName(app.sim.conditions.unit) +
           ". Its strongest band, (" + std::to_string(vUp) + "," + std::to_string(vLow) + "), lies near " +
           Trim(Str(static_cast<float>(WavenumberToAxis(origin, unit)))) + " " + AxisUnitName(app.sim.conditions.unit) +
           ".";
}

}  // namespace velmora::program
