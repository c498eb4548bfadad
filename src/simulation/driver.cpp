#include "simulation/driver.h"

#include <cmath>
#include <exception>
#include <stdexcept>
#include <utility>

#include "common/number_format.h"
#include "populations/population_model.h"
#include "simulation/condition_inputs.h"
#include "simulation/lineshapes.h"

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
}

/// With "use file limits" on, the range follows the first and last x of the current spectrum.
void ApplyExperimentalLimits(AppState& app) {
    const ExperimentState& exp = app.exp;
    if (exp.ExpLimits != 1 || exp.ExpCount < 1 || !HasExperimentalPoints(exp)) return;
    if (exp.ExpX.Contains(0) && exp.ExpX(0) != 0.0f) app.sim.TxtStart = Str(exp.ExpX(0));
    if (exp.ExpX.Contains(exp.ExpPoints) && exp.ExpX(exp.ExpPoints) != 0.0f) app.sim.TxtEnd = Str(exp.ExpX(exp.ExpPoints));
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

}  // namespace

bool HasSimulation(const AppState& app) { return !app.sim.SimTotal.Empty(); }

void CalculateSimulation(AppState& app) { CalculateSimulation(app, DatabaseBandLoader()); }

void CalculateSimulation(AppState& app, const BandLoader& load) {
    SimulationState& sim = app.sim;
    PopulationState& pop = app.pop;
    BusyPointer busy(*app.ui);
    app.plot.PlotReady = false;

    try {
        populations::PreparePopulations(pop, app.db);
        ComputeYields(app);
        if (pop.PopState == 2 && sim.Kind == 3) ComputeWindowFactors(app);
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
        sim.MaxPoints = kPointBudget / pop.NVibSel;
        if (sim.Xini < 1000.0f) app.dialogs->ShowMessage("Please, Check the simulation range");

        // Grid step GridWidth / PointsPerWidth; the number of points is bounded by the budget.
        const double span = std::fabs(static_cast<double>(sim.Xend) - sim.Xini);
        const double n = span * sim.PointsPerWidth / sim.GridWidth;
        sim.NPoints = n <= sim.MaxPoints ? RoundHalfEven(n) : sim.MaxPoints + 1;
        sim.SimBand.Resize(1, pop.NVibSel, 0, sim.NPoints);
        sim.SimTotal.Resize(0, sim.NPoints);

        if (sim.NPoints > sim.MaxPoints) {
            // Too fine for the budget: the grid step becomes the finest the budget allows, and the
            // instrumental resolution takes that width.
            sim.GridWidth = static_cast<float>(span * sim.PointsPerWidth / sim.MaxPoints);
            sim.NPoints = std::min(RoundHalfEven(span * sim.PointsPerWidth / sim.GridWidth), sim.MaxPoints + 1);
            std::string width = Format(sim.GridWidth, " #0.0###");
            if (Val(width) <= 0.0) width = Str(sim.GridWidth);  // finer than the pattern shows
            app.dialogs->ShowMessage("TOO MANY POINTS TO SIMULATE\r\nMAXIMUM RESOLUTION " + width +
                                     UnitNameOf(app.db.cat, sim.Units));
            sim.TxtResolution = TxtResolution_Change(app, width);
        }

        Synthesise(app, load);
        BuildTotal(sim, pop);
        if (!AllFinite(sim.SimTotal))
            throw std::runtime_error("the simulation gives values beyond single precision: check the data files "
                                     "of the band system and the conditions");
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

    // The synthesis loaded other bands: give the database view its band back.
    if (app.db.SystemLoaded) {
        try {
            load(app.db, app.table.DbVUpper, app.table.DbVLower, irad);
        } catch (const std::exception& e) {
            app.dialogs->ShowMessage(e.what());
        }
    }
}

}  // namespace velmora::simulation
