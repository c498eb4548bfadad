#include "program/startup.h"

#include "database/catalogue.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_files.h"
#include "program/condition_events.h"

namespace velmora::program {

void StartUp(AppState& app, KeyValueStore& store, const std::string& dataFolder) {
    database::SetAppPath(app.db, dataFolder);
    LoadSettings(app, store);

    app.table.DbUnitsAbs = 1;
    app.table.DbUnitsPos = 3;
    app.exp.ExpCount = 0;
    app.exp.ExpCurrent = 0;
    app.exp.ShowSpectra = 1;

    experiment::InitExperimentArrays(app.exp);
    database::LoadCatalogue(app.db);  // also fills the fixed tables (names, pressure and quenching factors, c)
    if (app.db.systemEntry < 1 || app.db.systemEntry > app.db.cat.CatalogueCount) app.db.systemEntry = 1;

    // The conditions of the stored settings, with the measured instrument function read from
    // its file (one that cannot be read any more is named when a simulation needs it).
    SetConditions(app, app.sim.conditions);
    if (!app.sim.SlitFile.empty()) SetSlitFile(app, app.sim.SlitFile);
    experiment::LoadResponse(app, app.exp.ResponseFile);  // one that cannot be read any more is dropped
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path(".") : exe.parent_path();
}

}  // namespace velmora::program
