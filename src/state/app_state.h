// The application state: one struct per subsystem, aggregated. No globals: tests build their own.
#pragma once

#include <string>

#include "common/services.h"
#include "database/database_state.h"
#include "display/plot_state.h"
#include "display/plot_view.h"
#include "experiment/experiment_state.h"
#include "experiment/experiment_view.h"
#include "populations/population_state.h"
#include "populations/populations_view.h"
#include "populations/populations_window_state.h"
#include "simulation/simulation_state.h"
#include "table/table_state.h"
#include "table/table_view.h"

namespace velmora {

/// Main-window values that belong to no subsystem.
struct ShellState {
    int intWindows = 1;
    int intTabMain = 1;
    bool DataReady = false;
    int SpectraFilterIndex = 1;
    /// x unit chosen last in the "Load spectra" dialog (0 automatic, else an axis unit code).
    int SpectraXUnit = 0;
    /// Intensity column chosen last for a spectrum (1-based, 0 automatic), taken by the next file.
    int SpectraColumn = 0;
    std::string SpectraDirectory;
    /// Caption of the main window ("VELMORA 1.0.0").
    std::string Caption = "VELMORA";
};

struct AppState {
    DatabaseState db;
    PopulationState pop;
    PopulationsWindowState popwin;
    SimulationState sim;
    ExperimentState exp;
    PlotState plot;
    TableState table;
    ShellState shell;

    /// Window-system services; the defaults do nothing. Not owned.
    Dialogs* dialogs = &DefaultDialogs();
    Shell* ui = &DefaultShell();

    /// Asks the window system for a redraw of the plot; nothing while no simulation exists.
    void RequestRedraw() {
        if (plot.PlotReady) ui->RedrawPlot();
    }

    // Each subsystem's events see only the states they work on; these hand them over, so that
    // the program and the shells call them with the whole state.
    operator display::PlotView() { return {plot, sim, exp, db, pop, popwin, table, dialogs, ui}; }
    operator experiment::ExperimentView() {
        return {exp,
                sim,
                pop,
                dialogs,
                ui,
                plot.PlotReady,
                shell.SpectraDirectory,
                shell.SpectraXUnit,
                shell.SpectraColumn};
    }
    operator populations::PopulationsView() {
        return {db, pop, popwin, dialogs, ui, plot.PlotReady, plot.BackColorIndex, plot.ForeColorIndex};
    }
    operator table::TableView() {
        return {db, table, shell.DataReady, plot.RotationalBranchItems, plot.BranchSelection, dialogs};
    }

    static Dialogs& DefaultDialogs() {
        static NullDialogs none;
        return none;
    }
    static Shell& DefaultShell() {
        static Shell none;
        return none;
    }
};

}  // namespace velmora
