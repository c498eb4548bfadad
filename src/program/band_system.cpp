#include "program/band_system.h"

#include "database/band_loader.h"
#include "database/system_precompute.h"
#include "populations/population_model.h"

namespace velmora::program {

void SelectBandSystem(AppState& app, int entry) {
    // An entry outside the catalogue is refused by SystemPrecompute before anything changes.
    // The new system is computed on a copy and replaces the old one only when complete.
    DatabaseState work = app.db;
    work.irad = entry;
    work.QuenchingTemperature = app.pop.Temperature;
    database::SystemPrecompute(work, app.sim.Pressure, *app.ui);
    database::LoadBand(work, 0, 0, entry);
    app.db = std::move(work);
    // The populated state and its thermal populations belong to the new system.
    populations::ResetPopulatedState(app.pop, app.db, app.sim.Kind);
    app.ui->RedrawHistograms();
    app.shell.DataReady = true;
}

}  // namespace velmora::program
