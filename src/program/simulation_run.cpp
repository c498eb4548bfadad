#include "program/simulation_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>

#include "common/number_format.h"
#include "populations/population_model.h"
#include "populations/selected_populations.h"
#include "program/line_list_system.h"
#include "program/multiplet_band_system.h"
#include "simulation/absolute_absorption.h"
#include "simulation/condition_fields.h"
#include "simulation/condition_limits.h"
#include "simulation/condition_view.h"
#include "simulation/intensities.h"
#include "simulation/simulate.h"

namespace velmora::program {

namespace {

using namespace simulation;

/// Shows the hourglass while a simulation runs, whatever way the run ends.
class BusyPointer {
public:
    explicit BusyPointer(Shell& shell) : shell_(shell) { shell_.SetBusy(true); }
    ~BusyPointer() { shell_.SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Shell& shell_;
};

/// How the populations of the levels simulated were given: thermal, or the vibrational
/// temperature (none when the levels' populations were edited) and each level's rotational one.
PopulationTemperatures TemperaturesOf(const AppState& app, const std::vector<int>& levels) {
    const PopulationState& pop = app.pop;
    PopulationTemperatures t;
    t.thermal = pop.ThermalFlag == 1;
    if (t.thermal) return t;
    if (app.popwin.VibrationalMode == DistributionMode::Thermal) t.vibrational = pop.TVib;
    for (const int v : levels)
        t.rotational.push_back(pop.TRot.Contains(v) && pop.TRot(v) >= 0.0 ? std::optional<double>(pop.TRot(v))
                                                                          : std::nullopt);
    return t;
}

/// Forgets the results of the previous run (nothing valid to draw or save).
void ClearResults(SimulationState& sim) {
    sim.result = Spectrum();
    sim.SimAbsolute.clear();
    sim.LblAbsoluteCaption.clear();
}

/// With "use file limits" on, the range follows the first and last x of the current spectrum.
void ApplyExperimentalLimits(AppState& app) {
    const ExperimentState& exp = app.exp;
    SimulationConditions& c = app.sim.conditions;
    if (exp.ExpLimits != 1 || exp.ExpCount < 1 || !HasExperimentalPoints(exp)) return;
    if (exp.ExpX.Contains(0) && exp.ExpX(0) != 0.0f) c.start = AsShown(exp.ExpX(0));
    if (exp.ExpX.Contains(exp.ExpPoints) && exp.ExpX(exp.ExpPoints) != 0.0f) c.end = AsShown(exp.ExpX(exp.ExpPoints));
}

/// The range and the detection window in increasing order (reversed limits are exchanged), and
/// the horizontal zoom applied again: the view window follows the new range.
void FixRange(AppState& app) {
    SimulationConditions& c = app.sim.conditions;
    if (c.start > c.end) std::swap(c.start, c.end);
    if (c.windowStart > c.windowEnd) std::swap(c.windowStart, c.windowEnd);
    if (ApplyZoomXText(app.plot, app.plot.TxtZoomX, static_cast<float>(c.start), static_cast<float>(c.end)))
        app.RequestRedraw();
}

/// The total in the absolute unit of an absorption spectrum (nothing for another kind or the
/// relative unit) and its caption. Throws ConditionError as AbsorptionInUnit.
void StoreAbsoluteAbsorption(SimulationState& sim, const Spectrum& s, const BandSystemModel& model) {
    const SimulationConditions& c = s.conditions;
    sim.SimAbsolute.clear();
    sim.LblAbsoluteCaption.clear();
    if (c.kind != SpectrumKind::Absorption || c.absorptionUnit == AbsorptionUnit::Relative) return;
    sim.SimAbsolute = AbsorptionInUnit(CrossSection(s, model, c), c);
    const bool transmittance = c.absorptionUnit == AbsorptionUnit::Transmittance;
    const double extreme = transmittance ? *std::min_element(sim.SimAbsolute.begin(), sim.SimAbsolute.end())
                                         : *std::max_element(sim.SimAbsolute.begin(), sim.SimAbsolute.end());
    char text[96];
    std::snprintf(text, sizeof text, "%s %s = %.4g", transmittance ? "Lowest" : "Peak",
                  AbsorptionUnitName(c.absorptionUnit), extreme);
    sim.LblAbsoluteCaption = text;
}

/// The run itself, on the model `model` gives (built only once the run needs it).
template <typename ModelSource>
void Run(AppState& app, ModelSource&& model, const BandLoader& load) {
    SimulationState& sim = app.sim;
    SimulationConditions& c = sim.conditions;
    PopulationState& pop = app.pop;
    BusyPointer busy(*app.ui);
    app.plot.PlotReady = false;
    const double mass = app.db.cat.MolecularMass.ValueAt(app.db.systemEntry);

    try {
        populations::PreparePopulations(pop, app.db);
        sim.captions.LblQuenching = ComputeYields(app.db, c);
        ApplyExperimentalLimits(app);
        FixRange(app);
        // Widths and shifts at the centre of the range now in force.
        UpdateConditionView(sim, mass);

        if (pop.NVibSel == 0) {
            ClearResults(sim);
            app.dialogs->ShowMessage(
                "No vibrational level is populated above the minimum population: nothing to simulate");
            return;
        }
        const GridPlan plan = PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), sim.widths.totalWidth,
                                       PointsPerWidth(c.density), pop.NVibSel);
        sim.MaxPoints = plan.maxPoints;
        // Below 1000 Å (100 nm) the refractive index of air has its poles; in cm-1 the same number.
        if (static_cast<float>(c.start) < 1000.0 * (IsWavelength(c.unit) ? UnitsPerAngstrom(c.unit) : 1.0))
            app.dialogs->ShowMessage("Please, Check the simulation range");
        if (const std::string refusal = PointBudgetRefusal(plan, c.unit); !refusal.empty()) {
            // Refused, not coarsened: the conditions stay as given and nothing is simulated.
            ClearResults(sim);
            app.dialogs->ShowMessage(refusal);
            return;
        }

        SimulationOptions options;
        options.progress = [&app](double percent) { app.ui->ShowProgress(percent); };
        const std::shared_ptr<const BandSystemModel> m = model();
        Spectrum spectrum = Simulate(*m, c, populations::SelectedPopulations(pop), sim.widths, plan.grid, options);
        StoreAbsoluteAbsorption(sim, spectrum, *m);
        const Catalogue& cat = app.db.cat;
        spectrum.system = cat.MoleculeName.ValueAt(app.db.systemEntry) + cat.SystemLabel.ValueAt(app.db.systemEntry) +
                          "  " + cat.KindName.ValueAt(StoredValue(c.kind));
        spectrum.temperatures = TemperaturesOf(app, spectrum.levels);
        sim.result = std::move(spectrum);
    } catch (const std::exception& e) {
        // A data file that cannot be read (named in the message) or a band outside the system.
        ClearResults(sim);
        app.dialogs->ShowMessage(e.what());
        return;
    }

    app.plot.PlotReady = true;
    app.RequestRedraw();

    const int systemEntry = app.db.systemEntry;

    // The database view shows the band it showed before.
    if (app.db.SystemLoaded) {
        try {
            load(app.db, app.table.DbVUpper, app.table.DbVLower, systemEntry);
        } catch (const std::exception& e) {
            app.dialogs->ShowMessage(e.what());
        }
    }
}

}  // namespace

std::string PointBudgetRefusal(const GridPlan& plan, AxisUnit unit) {
    if (!plan.overBudget) return "";
    // The finest width the budget allows; one finer than the pattern shows is written in full.
    std::string width = Format(plan.grid.gridWidth, " #0.0###");
    if (Val(width) <= 0.0) width = Str(plan.grid.gridWidth);
    return "TOO MANY POINTS TO SIMULATE\r\nMAXIMUM RESOLUTION " + width + AxisUnitName(unit);
}

std::shared_ptr<const BandSystemModel> CurrentModel(SimulationState& sim, const DatabaseState& db) {
    const auto& kept = sim.Model;
    if (!kept || kept->entry != db.systemEntry || kept->systemStamp != db.SystemStamp || kept->dataFolder != db.AppPath)
        sim.Model = std::make_shared<const BandSystemModel>(BuildBandSystemModel(db, DatabaseBandLoader()));
    return sim.Model;
}

void CalculateSimulation(AppState& app) {
    if (app.sim.LineList) return CalculateLineListSimulation(app);
    if (app.sim.Multiplet) return CalculateMultipletSimulation(app);
    Run(
        app, [&app] { return CurrentModel(app.sim, app.db); }, DatabaseBandLoader());
}

void CalculateSimulation(AppState& app, const BandLoader& load) {
    Run(
        app, [&app, &load] { return std::make_shared<const BandSystemModel>(BuildBandSystemModel(app.db, load)); },
        load);
}

}  // namespace velmora::program
