// Start-up without the window and the selection of a band system.
#include "program/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/errors.h"
#include "program/band_system.h"
#include "support/file_error.h"
#include "support/sample_database.h"
#include "support/scripted_dialogs.h"

namespace velmora::program {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::Level;
using testing::SampleDatabase;
using testing::SampleEntry;
using velmora::testing::FileErrorMessage;

/// Two Σ-Σ systems of 2 x 2 bands; the second lacks the file of its band (1, 1).
struct TwoSystems {
    SampleDatabase data;
    TwoSystems() {
        SampleEntry a;
        a.code = "AB", a.nmaxVibUp = 1, a.nmaxVibLow = 1, a.rotRows = {8, 7};
        SampleEntry b = a;
        b.code = "CD";
        data.Catalogue({a, b}, 1, 1, 12);
        const auto up = std::vector{Level(0, 1.8), Level(2000, 1.75)};
        const auto low = std::vector{Level(0, 2.0), Level(2200, 1.95)};
        data.System(1, up, low, [](int, int) { return 1.0; });
        data.System(2, up, low, [](int, int) { return 1.0; });
        std::filesystem::remove(data.Dir() / "CD/AX/CDAX11.INT");
    }
};

TEST(StartUp, RestoresSettingsSetsStartValuesAndReadsTheCatalogue) {
    TwoSystems sys;
    MemoryStore store;
    store.Set("Main", "irad", " 2");
    store.Set("Simulation", "Kind", " 3");
    AppState app;
    app.sim.conditions.gateWidth = 3.0f, app.table.DbUnitsPos = 1, app.exp.ExpCount = 2, app.exp.ShowSpectra = 0;
    StartUp(app, store, sys.data.Folder());

    EXPECT_EQ(app.db.AppPath, sys.data.Folder() + "/");
    EXPECT_EQ(app.db.systemEntry, 2);
    EXPECT_EQ(app.sim.conditions.kind, simulation::SpectrumKind::LifExcitation);
    EXPECT_EQ(app.pop.PopState, ElectronicState::Lower);  // not emission: the lower state is populated
    EXPECT_EQ(app.sim.conditions.gateWidth, 10.0f);
    EXPECT_EQ(app.table.DbUnitsAbs, 1);
    EXPECT_EQ(app.table.DbUnitsPos, 3);
    EXPECT_EQ(app.exp.ExpCount, 0);
    EXPECT_EQ(app.exp.ShowSpectra, 1);
    EXPECT_EQ(app.exp.ExpXRaw.Hi(), 3000);
    EXPECT_EQ(app.db.cat.CatalogueCount, 2);
    EXPECT_EQ(app.db.cat.PressureToTorr(1), 760.0);
    EXPECT_EQ(app.db.cat.QuenchingUnitFactor(1), 1.0);
}

TEST(StartUp, AStoredEntryOutsideTheCatalogueSelectsTheFirst) {
    TwoSystems sys;
    MemoryStore store;
    store.Set("Main", "irad", " 9");
    AppState app;
    StartUp(app, store, sys.data.Folder());
    EXPECT_EQ(app.db.systemEntry, 1);
}

TEST(StartUp, AMissingCatalogueIsReported) {
    TwoSystems sys;
    MemoryStore store;
    AppState app;
    EXPECT_THAT(FileErrorMessage([&] { StartUp(app, store, (sys.data.Dir() / "elsewhere").string()); }),
                HasSubstr("elsewhere/VELMORA.SYS: file not found"));
}

TEST(SelectBandSystem, ComputesTheSystemAndLoadsItsFirstBand) {
    TwoSystems sys;
    MemoryStore store;
    AppState app;
    testing::CountingShell shell;
    app.ui = &shell;
    StartUp(app, store, sys.data.Folder());
    SelectBandSystem(app, 1);

    EXPECT_EQ(app.db.systemEntry, 1);
    EXPECT_TRUE(app.db.SystemLoaded);
    EXPECT_TRUE(app.shell.DataReady);
    EXPECT_TRUE(app.db.LoadedEntry == 1 && app.db.LoadedVUpper == 0 && app.db.LoadedVLower == 0);
    EXPECT_EQ(shell.progress, (std::vector<double>{25.0, 50.0, 75.0, 100.0}));  // once per band
}

TEST(SelectBandSystem, AFailureKeepsTheSystemSelectedBefore) {
    TwoSystems sys;
    MemoryStore store;
    AppState app;
    StartUp(app, store, sys.data.Folder());
    SelectBandSystem(app, 1);
    const auto bandData = app.db.BandData;
    const auto lifetimes = app.db.UpperLevelData;

    EXPECT_THAT(FileErrorMessage([&] { SelectBandSystem(app, 2); }), HasSubstr("CDAX11.INT: file not found"));
    EXPECT_EQ(app.db.systemEntry, 1);
    EXPECT_TRUE(app.db.LoadedEntry == 1 && app.db.LoadedVUpper == 0 && app.db.LoadedVLower == 0);
    EXPECT_TRUE(std::equal(bandData.begin(), bandData.end(), app.db.BandData.begin()));
    EXPECT_TRUE(std::equal(lifetimes.begin(), lifetimes.end(), app.db.UpperLevelData.begin()));
    EXPECT_TRUE(app.shell.DataReady);

    EXPECT_THROW(SelectBandSystem(app, 3), std::invalid_argument);
    EXPECT_THROW(SelectBandSystem(app, 0), std::invalid_argument);
    EXPECT_EQ(app.db.systemEntry, 1);
}

}  // namespace
}  // namespace velmora::program
