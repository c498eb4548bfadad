// What the events of the measured spectra work on: the spectra, the simulation they are compared
// with, its populations, the "Load spectra" choices remembered by the main window and the
// window-system services. A view is a handle: its members are the states themselves, which the
// program hands over.
#pragma once

#include <string>

#include "common/services.h"
#include "experiment/experiment_state.h"
#include "populations/population_state.h"
#include "simulation/simulation_state.h"

namespace velmora::experiment {

struct ExperimentView {
    ExperimentState& exp;
    SimulationState& sim;
    const PopulationState& pop;
    Dialogs* dialogs;
    Shell* ui;
    bool& plotReady;                ///< a simulation is drawn; cleared while several changes make one redraw
    std::string& spectraDirectory;  ///< folder of the spectrum loaded last
    int& spectraXUnit;              ///< x unit chosen last (0 automatic, else an axis unit code)
    int& spectraColumn;             ///< intensity column chosen last (1-based, 0 automatic)

    /// Asks the window system for a redraw of the plot; nothing while no simulation exists.
    void RequestRedraw() const {
        if (plotReady) ui->RedrawPlot();
    }
};

}  // namespace velmora::experiment
