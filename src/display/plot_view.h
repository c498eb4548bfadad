// What the plot, its events and the printed pages work on: the plot's own state and the states
// it shows (simulation, measured spectra, database, populations, database table), with the
// window-system services. A view is a handle: its members are the states themselves, which the
// program hands over.
#pragma once

#include "common/services.h"
#include "database/database_state.h"
#include "display/plot_state.h"
#include "experiment/experiment_state.h"
#include "populations/population_state.h"
#include "populations/populations_window_state.h"
#include "simulation/simulation_state.h"
#include "table/table_state.h"

namespace velmora::display {

struct PlotView {
    PlotState& plot;
    SimulationState& sim;
    ExperimentState& exp;
    DatabaseState& db;
    PopulationState& pop;
    PopulationsWindowState& popwin;
    TableState& table;
    Dialogs* dialogs;
    Shell* ui;

    /// Asks the window system for a redraw of the plot; nothing while no simulation exists.
    void RequestRedraw() const {
        if (plot.PlotReady) ui->RedrawPlot();
    }
};

}  // namespace velmora::display
