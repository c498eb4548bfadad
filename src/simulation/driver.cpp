#include "simulation/driver.h"

#include <cmath>
#include <exception>
#include <utility>

#include "common/number_format.h"
#include "populations/population_model.h"
#include "populations/selected_populations.h"
#include "simulation/absorption_inputs.h"
#include "simulation/condition_inputs.h"
#include "simulation/intensities.h"
#include "simulation/lineshapes.h"
#include "simulation/screen_conditions.h"
#include "simulation/simulate.h"

namespace velmora::simulation {

namespace {

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

/// Forgets the results of the previous run (nothing valid to draw or save).
void ClearResults(SimulationState& sim) {
    sim.NPoints = 0;
    sim.SimBand.Resize(1, 0, 0, -1);
    sim.SimTotal.Resize(0, -1);
    sim.YMax = 0.0f;
    sim.LinesDrawn = 0;
    sim.ProfilePoints = 0;
    sim.SimAbsolute.clear();
    sim.LblAbsoluteCaption.clear();
}

/// With "use file limits" on, the range follows the first and last x of the current spectrum.
void ApplyExperimentalLimits(AppState& app) {
    const ExperimentState& exp = app.exp;
    if (exp.ExpLimits != 1 || exp.ExpCount < 1 || !HasExperimentalPoints(exp)) return;
    if (exp.ExpX.Contains(0) && exp.ExpX(0) != 0.0f) app.sim.TxtStart = Str(exp.ExpX(0));
    if (exp.ExpX.Contains(exp.ExpPoints) && exp.ExpX(exp.ExpPoints) != 0.0f)
        app.sim.TxtEnd = Str(exp.ExpX(exp.ExpPoints));
}

/// Reads the range from its boxes (exchanging reversed limits) and re-applies the horizontal zoom.
void FixRange(AppState& app) {
    SimulationState& sim = app.sim;
    sim.Xini = static_cast<float>(Val(sim.TxtStart));
    sim.Xend = static_cast<float>(Val(sim.TxtEnd));
    if (sim.Xini > sim.Xend) {
        std::swap(sim.Xini, sim.Xend);
        sim.TxtStart = Str(sim.Xini);
        sim.TxtEnd = Str(sim.Xend);
    }
    // The zoom box is applied again: the view window follows the new range.
    if (ApplyZoomXText(app.plot, app.plot.TxtZoomX, sim.Xini, sim.Xend)) app.RequestRedraw();
}

/// Stores a simulated spectrum as the screen's results.
void StoreResults(SimulationState& sim, Spectrum&& s) {
    sim.NPoints = s.grid.last;
    sim.GridWidth = s.grid.gridWidth;
    sim.SimBand = std::move(s.bands);
    sim.SimTotal = std::move(s.total);
    sim.YMax = s.peak;
    sim.LinesDrawn = s.linesDrawn;
    sim.ProfilePoints = s.profilePoints;
}

/// The run itself, on the model `model` gives (built only once the run needs it).
template <typename ModelSource>
void Run(AppState& app, ModelSource&& model, const BandLoader& load) {
    SimulationState& sim = app.sim;
    PopulationState& pop = app.pop;
    BusyPointer busy(*app.ui);
    app.plot.PlotReady = false;

    try {
        populations::PreparePopulations(pop, app.db);
        ComputeYields(app);
        if (pop.PopState == ElectronicState::Lower && StoredMode<SpectrumKind>(sim.Kind) == SpectrumKind::LifExcitation)
            ComputeWindowFactors(app);
        ApplyExperimentalLimits(app);
        FixRange(app);
        // Widths and shifts at the centre of the range now in force.
        ComputeWidths(app);
        ComputeShifts(app);
        sim.GridWidth = sim.TotalWidth;

        if (pop.NVibSel == 0) {
            ClearResults(sim);
            app.dialogs->ShowMessage(
                "No vibrational level is populated above the minimum population: nothing to simulate");
            return;
        }
        const GridPlan plan = PlanGrid(sim.Xini, sim.Xend, sim.GridWidth, sim.PointsPerWidth, pop.NVibSel);
        sim.MaxPoints = plan.maxPoints;
        // Below 1000 Å (100 nm) the refractive index of air has its poles; in cm-1 the same number.
        const AxisUnit unit = StoredMode<AxisUnit>(sim.Units);
        if (sim.Xini < 1000.0 * (IsWavelength(unit) ? UnitsPerAngstrom(unit) : 1.0))
            app.dialogs->ShowMessage("Please, Check the simulation range");
        if (plan.overBudget) {
            // Too fine for the budget: the grid step becomes the finest the budget allows, and the
            // instrumental resolution takes that width. The message states the width set: one finer
            // than the pattern shows is written in full.
            std::string width = Format(plan.grid.gridWidth, " #0.0###");
            if (Val(width) <= 0.0) width = Str(plan.grid.gridWidth);
            app.dialogs->ShowMessage("TOO MANY POINTS TO SIMULATE\r\nMAXIMUM RESOLUTION " + width +
                                     UnitNameOf(app.db.cat, sim.Units));
            sim.TxtResolution = TxtResolution_Change(app, width);
        }

        SimulationConditions conditions = ConditionsFromScreen(app);
        conditions.start = sim.Xini;
        conditions.end = sim.Xend;
        SimulationOptions options;
        options.progress = [&app](double percent) { app.ui->ShowProgress(percent); };
        const std::shared_ptr<const BandSystemModel> m = model();
        Spectrum spectrum =
            Simulate(*m, conditions, populations::SelectedPopulations(pop), ScreenBroadening(sim), plan.grid, options);
        StoreAbsoluteAbsorption(sim, spectrum, *m, conditions);
        StoreResults(sim, std::move(spectrum));
    } catch (const std::exception& e) {
        // A data file that cannot be read (named in the message) or a band outside the system.
        ClearResults(sim);
        app.dialogs->ShowMessage(e.what());
        return;
    }

    app.plot.PlotReady = true;
    app.RequestRedraw();

    const Catalogue& cat = app.db.cat;
    const int irad = app.db.irad;
    sim.SimTitle = "Simulation   " + cat.MoleculeName.ValueAt(irad) + cat.SystemLabel.ValueAt(irad) + "  " +
                   cat.KindName.ValueAt(sim.Kind);

    // The database view shows the band it showed before.
    if (app.db.SystemLoaded) {
        try {
            load(app.db, app.table.DbVUpper, app.table.DbVLower, irad);
        } catch (const std::exception& e) {
            app.dialogs->ShowMessage(e.what());
        }
    }
}

}  // namespace

bool HasSimulation(const AppState& app) { return !app.sim.SimTotal.Empty(); }

std::shared_ptr<const BandSystemModel> CurrentModel(AppState& app) {
    const auto& kept = app.sim.Model;
    if (!kept || kept->entry != app.db.irad || kept->systemStamp != app.db.SystemStamp ||
        kept->dataFolder != app.db.AppPath)
        app.sim.Model = std::make_shared<const BandSystemModel>(BuildBandSystemModel(app.db, DatabaseBandLoader()));
    return app.sim.Model;
}

void CalculateSimulation(AppState& app) {
    Run(
        app, [&app] { return CurrentModel(app); }, DatabaseBandLoader());
}

void CalculateSimulation(AppState& app, const BandLoader& load) {
    Run(
        app, [&app, &load] { return std::make_shared<const BandSystemModel>(BuildBandSystemModel(app.db, load)); },
        load);
}

}  // namespace velmora::simulation
