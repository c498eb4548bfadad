// What the populations window and the population files work on: the populations, the window's
// own state, the database of the loaded system, the plot's palette (the histograms share it)
// and the window-system services. A view is a handle: its members are the states themselves,
// which the program hands over.
#pragma once

#include "common/services.h"
#include "database/database_state.h"
#include "populations/population_state.h"
#include "populations/populations_window_state.h"

namespace velmora::populations {

struct PopulationsView {
    DatabaseState& db;
    PopulationState& pop;
    PopulationsWindowState& popwin;
    Dialogs* dialogs;
    Shell* ui;
    const bool& plotReady;  ///< a simulation is drawn
    const int& backColorIndex;
    const int& foreColorIndex;

    /// Asks the window system for a redraw of the plot; nothing while no simulation exists.
    void RequestRedraw() const {
        if (plotReady) ui->RedrawPlot();
    }
};

}  // namespace velmora::populations
