#include "program/band_system.h"

#include "database/band_loader.h"
#include "database/line_list_import.h"
#include "populations/population_model.h"
#include "simulation/intensities.h"
#include "simulation/model_cache.h"

namespace velmora::program {

void SelectBandSystem(AppState& app, int entry) {
    // An entry outside the catalogue is refused by SystemPrecompute before anything changes.
    // The new system is computed on a copy and replaces the old one only when complete.
    DatabaseState work = app.db;
    work.systemEntry = entry;
    const simulation::SimulationConditions& c = app.sim.conditions;
    work.quenching = simulation::LevelQuenchingOf(c);
    // The system and its model, read from the model cache when it holds them.
    std::shared_ptr<const simulation::BandSystemModel> model =
        simulation::PrecomputeSystem(work, static_cast<float>(c.pressure), *app.ui);
    database::LoadBand(work, 0, 0, entry);
    app.db = std::move(work);
    app.sim.Model = std::move(model);
    // A line list opened from files gives way to the chosen system.
    app.sim.LineList.reset();
    // The populated state and its thermal populations belong to the new system.
    populations::ResetPopulatedState(app.pop, app.db, simulation::StoredValue(c.kind));
    app.ui->RedrawHistograms();
    app.shell.DataReady = true;
}

}  // namespace velmora::program
