#include "program/startup.h"

#include "common/number_format.h"
#include "database/catalogue.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_files.h"
#include "simulation/instrument_inputs.h"

namespace velmora::program {

void StartUp(AppState& app, KeyValueStore& store, const std::string& dataFolder) {
    database::SetAppPath(app.db, dataFolder);
    LoadSettings(app, store);

    app.pop.PopState =
        app.sim.Kind == 1 ? ElectronicState::Upper : ElectronicState::Lower;  // emission populates the upper state
    app.sim.GateWidth = 10.0f;
    app.table.DbUnitsAbs = 1;
    app.table.DbUnitsPos = 3;
    app.exp.ExpCount = 0;
    app.exp.ExpCurrent = 0;
    app.exp.ShowSpectra = 1;

    experiment::InitExperimentArrays(app.exp);
    database::LoadCatalogue(app.db);  // also fills the fixed tables (names, pressure and quenching factors, c)
    if (app.db.irad < 1 || app.db.irad > app.db.cat.CatalogueCount) app.db.irad = 1;

    // The convolved instrument function of the stored settings: its boxes and its file (one
    // that cannot be read any more is named when a simulation needs it).
    SimulationState& sim = app.sim;
    if (!(sim.SlitScale > 0.0f)) sim.SlitScale = 1.0f;
    if (!(sim.TrapezoidTop >= 0.0f)) sim.TrapezoidTop = 0.0f;
    sim.TxtTrapezoidTop = Str(sim.TrapezoidTop);
    sim.TxtResolutionSlope = Str(sim.ResolutionSlope);
    sim.TxtSlitScale = Str(sim.SlitScale);
    if (!sim.SlitFile.empty()) simulation::LoadSlitFile(app, sim.SlitFile);
    for (float* v : {&sim.ColumnDensity, &sim.NumberDensity, &sim.PathLength})
        if (!(*v >= 0.0f)) *v = 0.0f;
    sim.TxtColumnDensity = Str(sim.ColumnDensity);
    sim.TxtNumberDensity = Str(sim.NumberDensity);
    sim.TxtPathLength = Str(sim.PathLength);
    experiment::LoadResponse(app, app.exp.ResponseFile);  // one that cannot be read any more is dropped
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path(".") : exe.parent_path();
}

}  // namespace velmora::program
