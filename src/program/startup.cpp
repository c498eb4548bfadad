#include "program/startup.h"

#include "common/errors.h"
#include "database/catalogue.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_files.h"
#include "program/condition_events.h"
#include "program/multiplet_band_system.h"

namespace velmora::program {

namespace {

/// True for an entry of VELMORA.SYS or of the systems of any multiplicity numbered after them
/// (a MULTIPLET.SYS that cannot be read holds none; it is named when a system is chosen).
bool KnownEntry(const AppState& app, int entry) {
    if (entry >= 1 && entry <= app.db.cat.CatalogueCount) return true;
    try {
        return IsMultipletEntry(app, entry);
    } catch (const FileError&) {
        return false;
    }
}

}  // namespace

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
    if (!KnownEntry(app, app.db.systemEntry)) app.db.systemEntry = 1;

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
