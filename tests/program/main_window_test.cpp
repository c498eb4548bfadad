// The main window's rules without a window: screen views, the zoom and shift keys, the load
// sequence on the shipped database, band-system changes and the file commands.
#include "program/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/number_format.h"
#include "display/plot_draw.h"
#include "program/file_commands.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "program/system_range.h"
#include "support/sample_database.h"
#include "support/scripted_chooser.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::program {
namespace {

using velmora::testing::CountingShell;
using velmora::testing::ScriptedChooser;
using velmora::testing::ScriptedDialogs;
using velmora::testing::TempDir;

/// The program state after start-up on the shipped database (OH A-X first), not yet loaded.
struct Program {
    AppState app;
    ScriptedDialogs dialogs;
    CountingShell shell;
    MemoryStore store;
    Program() {
        app.dialogs = &dialogs;
        app.ui = &shell;
        StartUp(app, store, std::string(VELMORA_DATA_DIR) + "/");
    }
};

TEST(ScreenViews, ShowTheWindowsOfEachView) {
    struct Expected {
        bool database, plot, populations, stacked;
    };
    const Expected table[] = {{true, false, false, false},
                              {false, true, false, false},
                              {true, true, false, false},
                              {true, true, false, true},
                              {false, true, true, false}};
    for (int i = 0; i < 5; ++i) {
        const ScreenView v = ScreenViewLayout(i);
        EXPECT_EQ(v.database, table[i].database) << i;
        EXPECT_EQ(v.plot, table[i].plot) << i;
        EXPECT_EQ(v.populations, table[i].populations) << i;
        EXPECT_EQ(v.stacked, table[i].stacked) << i;
    }
}

TEST(ScreenViews, NoWindowMovesBeforeABandSystemIsLoaded) {
    AppState app;
    EXPECT_FALSE(CmbWindowView_Click(app, 3));
    EXPECT_EQ(app.shell.intWindows, 3);  // the choice is kept for later
    app.shell.DataReady = true;
    EXPECT_TRUE(CmbWindowView_Click(app, 0));
    EXPECT_FALSE(CmbWindowView_Click(app, 7));  // no such view
    EXPECT_EQ(app.shell.intWindows, 0);
    EXPECT_TRUE(CmdPopulations_Click(app));
    EXPECT_EQ(app.shell.intWindows, 4);
}

TEST(ToolbarKeys, ZoomAndShiftStopAtTheirLimits) {
    AppState app;
    app.sim.conditions.start = 3000.0, app.sim.conditions.end = 3100.0;
    mnuZoomUp_Click(app);
    EXPECT_EQ(app.plot.UpDZoomY, 3);
    EXPECT_FLOAT_EQ(app.plot.ZoomY, 1.5f);
    app.plot.UpDZoomY = kZoomUpDownMax;
    mnuZoomUp_Click(app);
    EXPECT_EQ(app.plot.UpDZoomY, kZoomUpDownMax);
    app.plot.UpDZoomX = kZoomUpDownMin;
    mnuZoomXdown_Click(app);
    EXPECT_EQ(app.plot.UpDZoomX, kZoomUpDownMin);
    mnuZoomXup_Click(app);
    EXPECT_EQ(app.plot.UpDZoomX, kZoomUpDownMin + 1);
    EXPECT_FLOAT_EQ(app.plot.ZoomX, 1.0f);
    EXPECT_FLOAT_EQ(app.plot.ViewLeft, 3000.0f);

    // Shifts move the slider by 2; the view follows (slider 48: centre 2 % further right).
    mnuShiftLeft_Click(app);
    EXPECT_EQ(app.plot.SldX, 48);
    EXPECT_NEAR(app.plot.ViewLeft, 3002.0, 1e-3);
    app.plot.SldX = kSliderMin;
    mnuShiftLeft_Click(app);
    EXPECT_EQ(app.plot.SldX, kSliderMin);
    app.plot.SldX = kSliderMax - 1;
    mnuShiftRight_Click(app);
    EXPECT_EQ(app.plot.SldX, kSliderMax);

    mnuReset_Click(app);
    EXPECT_EQ(app.plot.SldX, 50);
    EXPECT_FLOAT_EQ(app.plot.ZoomY, 1.0f);
}

TEST(NumericBoxes, NumbersStillBeingTypedAreNotJudged) {
    for (const char* t : {"-", "+", ".", "-.", "1e", "2E-", "3.5e+", " - "}) EXPECT_TRUE(IsIncompleteNumber(t)) << t;
    for (const char* t : {"", "1", "-2.5", "1e3", "abc", "1x", "e", "--", "1e5x"})
        EXPECT_FALSE(IsIncompleteNumber(t)) << t;
}

TEST(MainWindowLoad, SelectsTheStoredSystemAndPreparesEveryWindow) {
    Program p;
    ASSERT_TRUE(MDIVelmora_Load(p.app, "1.0.0"));
    EXPECT_EQ(p.app.shell.Caption, "VELMORA 1.0.0");
    EXPECT_TRUE(p.app.shell.DataReady);
    EXPECT_FALSE(p.app.plot.PlotReady);  // the first simulation comes after the load
    EXPECT_EQ(p.app.plot.UpDZoomX, 2);
    EXPECT_EQ(p.app.plot.SldX, 50);
    EXPECT_EQ(p.app.plot.AssignmentMode, 0);
    EXPECT_EQ(TransitionItems(p.app).front(), "OH (A-X)");
    EXPECT_EQ(p.app.popwin.Caption, "OH (A) population distributions");
    EXPECT_FALSE(p.app.table.Grid.Cells.empty());
    EXPECT_TRUE(p.dialogs.messages.empty());

    program::CalculateSimulation(p.app);
    EXPECT_TRUE(p.app.plot.PlotReady);
    EXPECT_GT(p.app.sim.result.grid.last, 100);
}

TEST(MainWindowLoad, ChangingTheBandSystemRefreshesTableAndPopulations) {
    Program p;
    ASSERT_TRUE(MDIVelmora_Load(p.app, "1.0.0"));
    const std::string ohCaption = p.app.table.Caption;
    const int no = 3;  // NO A-X in the shipped catalogue
    ASSERT_EQ(TransitionItems(p.app)[no - 1], "NO (A-X)");
    p.app.table.DbVUpper = 4;  // OH has v' up to 4, NO A up to 5: kept
    ASSERT_TRUE(CmbTransition_Click(p.app, no));
    EXPECT_EQ(p.app.db.systemEntry, no);
    EXPECT_NE(p.app.table.Caption, ohCaption);
    EXPECT_NE(p.app.table.Caption.find("NO"), std::string::npos);
    EXPECT_EQ(p.app.popwin.Caption, "NO (A) population distributions");
    EXPECT_EQ(p.app.popwin.VibLevelItems.size(), LevelItems(p.app, 1).size());
    EXPECT_GT(p.shell.histogramRedraws, 0);
    // A system with fewer levels clamps the band shown.
    ASSERT_TRUE(CmbTransition_Click(p.app, 2));  // OD A-X: v' up to 2
    EXPECT_LE(p.app.table.DbVUpper, 2);
}

TEST(BandSystemRange, ARangeWithoutLinesMovesToTheStrongestBandWithAMessage) {
    Program p;
    AppState& app = p.app;
    ASSERT_TRUE(MDIVelmora_Load(app, "1.0.0"));
    EXPECT_TRUE(p.dialogs.messages.empty());  // OH A-X has lines at 3050..3150 Å
    EXPECT_EQ(app.sim.conditions.start, 3050.0);

    // CH A-X: its (0,0) band, with the Q head near 4312.5 Å in air (4313.7 Å in vacuum), carries
    // the range.
    ASSERT_TRUE(CmbTransition_Click(app, 6));
    ASSERT_EQ(p.dialogs.messages.size(), 1u);
    EXPECT_EQ(p.dialogs.messages[0].rfind("The range 3050 to 3150 \xC3\x85 (Vacuum) holds no line of CH (A-X).", 0), 0u)
        << p.dialogs.messages[0];
    EXPECT_EQ(StrongestBand(app), (std::pair<int, int>{0, 0}));
    const double start = app.sim.conditions.start, end = app.sim.conditions.end;
    EXPECT_DOUBLE_EQ(end - start, 100.0);
    EXPECT_NEAR((start + end) / 2.0, 4313.7, 10.0);
    EXPECT_TRUE(RangeHoldsLines(app));

    // In cm-1, a range below every line of OH A-X moves to the first lines of (0,0), P1(1.5) at
    // 32440.58 and Q1(1.5) at 32474.56 cm-1; a range taken from an experimental file stays.
    app.sim.conditions.unit = simulation::AxisUnit::Wavenumber;
    app.sim.conditions.start = 1000, app.sim.conditions.end = 1100;
    app.exp.ExpLimits = 1;
    ASSERT_TRUE(CmbTransition_Click(app, 1));
    EXPECT_EQ(app.sim.conditions.start, 1000.0);
    app.exp.ExpLimits = 0;
    ASSERT_TRUE(CmbTransition_Click(app, 1));
    EXPECT_LT(app.sim.conditions.start, 32440.58);
    EXPECT_GT(app.sim.conditions.end, 32474.56);
    EXPECT_DOUBLE_EQ(app.sim.conditions.end - app.sim.conditions.start, 100.0);
    EXPECT_EQ(p.dialogs.messages.size(), 2u);
}

TEST(MainWindowLoad, AnUnreadableSystemIsReportedAndTheOldOneStays) {
    testing::SampleDatabase data;
    testing::SampleEntry a;
    a.code = "AB", a.nmaxVibUp = 0, a.nmaxVibLow = 0, a.rotRows = {8};
    testing::SampleEntry b = a;
    b.code = "CD";
    data.Catalogue({a, b}, 1, 1, 12);
    data.System(1, {testing::Level(0, 1.8)}, {testing::Level(0, 2.0)}, [](int, int) { return 1.0; });
    data.System(2, {testing::Level(0, 1.8)}, {testing::Level(0, 2.0)}, [](int, int) { return 1.0; });
    std::filesystem::remove(data.Dir() / "CD/AX/CDAX00.INT");

    AppState app;
    ScriptedDialogs dialogs;
    app.dialogs = &dialogs;
    MemoryStore store;
    StartUp(app, store, data.Folder());
    ASSERT_TRUE(MDIVelmora_Load(app, "1.0.0"));
    dialogs.messages.clear();  // the sample system's lines are not in the default range
    EXPECT_FALSE(CmbTransition_Click(app, 2));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("CDAX00.INT"), std::string::npos);
    EXPECT_EQ(app.db.systemEntry, 1);
    EXPECT_TRUE(app.shell.DataReady);
}

TEST(FileCommands, DialogsCarryTheirTitlesFiltersAndExtensions) {
    AppState app;
    app.shell.SpectraDirectory = "/data/spectra";
    const FileDialogSpec open = FileDialogFor(app, FileKind::OpenSpectra);
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.title, "Load spectra");
    EXPECT_EQ(open.initialDirectory, "/data/spectra");
    // The first filter offers every spectrum the reader takes, tab-separated, simulated and
    // spectrometer files too; simulations and all files keep their places; one entry per
    // spectrometer layout follows.
    EXPECT_EQ(open.filter,
              "Experimental spectra (*.dat;*.csv;*.spc;*.txt;*.tsv;*.mod;*.jdx;*.dx;*.asc;*.spe)|"
              "*.dat;*.csv;*.spc;*.txt;*.tsv;*.mod;*.jdx;*.dx;*.asc;*.spe|Simulation spectra (*.mod)|*.mod|"
              "All files (*.*)|*.*|JCAMP-DX (*.jdx;*.dx)|*.jdx;*.dx|Andor ASCII (*.asc)|*.asc|"
              "SPE 3.0 (*.spe)|*.spe|Spreadsheet CSV (*.csv)|*.csv|");
    const FileDialogSpec table = FileDialogFor(app, FileKind::SaveTable);
    EXPECT_TRUE(table.save);
    EXPECT_EQ(table.title, "Save Database table to file");
    EXPECT_EQ(table.filter, "Database table (*.csv)|*.csv");
    EXPECT_EQ(table.defaultExtension, "csv");
    EXPECT_EQ(FileDialogFor(app, FileKind::SaveSimulation).defaultExtension, "mod");
    EXPECT_EQ(FileDialogFor(app, FileKind::OpenRotational).filter, "Population file  (*.rot)|*.rot|");
    EXPECT_EQ(WithDefaultExtension("/tmp/oh", "rot"), "/tmp/oh.rot");
    EXPECT_EQ(WithDefaultExtension("/tmp/oh.txt", "rot"), "/tmp/oh.txt");
    EXPECT_EQ(WithDefaultExtension("", "rot"), "");
}

TEST(FileCommands, SpectraFilterIsRememberedAndWrongExtensionsRefused) {
    Program p;
    ASSERT_TRUE(MDIVelmora_Load(p.app, "1.0.0"));
    TempDir dir;
    const auto spectrum = dir.Write("oh.txt", "3080 1\n3081 5\n3082 2\n3083 1\n");
    ScriptedChooser chooser;
    chooser.filterToChoose = 3;
    chooser.paths = {spectrum.string()};
    EXPECT_TRUE(mnuOpenSpectra_Click(p.app, chooser));
    EXPECT_EQ(p.app.exp.ExpCount, 1);
    EXPECT_EQ(p.app.shell.SpectraFilterIndex, 3);
    EXPECT_EQ(p.app.shell.SpectraDirectory, dir.path().string());
    chooser.filterToChoose = 0;
    mnuOpenSpectra_Click(p.app, chooser);  // cancelled
    EXPECT_EQ(chooser.shown.back().filterIndex, 3);
    EXPECT_TRUE(SaveSpectraEnabled(p.app));

    chooser.paths = {(dir / "levels.txt").string()};
    EXPECT_FALSE(mnuOpenPopulation_Click(p.app, chooser));
    ASSERT_FALSE(p.dialogs.messages.empty());
    EXPECT_EQ(p.dialogs.messages.back(),
              "File " + (dir / "levels.txt").string() +
                  " is not a valid rotational distribution.\r\n\r       Operation cancelled");
}

TEST(FileCommands, TableAndSimulationAreSavedWithTheirExtensions) {
    Program p;
    ASSERT_TRUE(MDIVelmora_Load(p.app, "1.0.0"));
    TempDir dir;
    ScriptedChooser chooser;
    chooser.paths = {(dir / "table").string()};
    ASSERT_TRUE(mnuSaveTable_Click(p.app, chooser));
    const std::string csv = testing::ReadFile(dir / "table.csv");
    EXPECT_EQ(csv.rfind("RADICAL: OH\r\n", 0), 0u);

    // No simulation yet: the save is refused with a message, nothing is written.
    chooser.paths = {(dir / "sim.mod").string()};
    EXPECT_FALSE(mnuSaveSimulationTotal_Click(p.app, chooser));
    EXPECT_FALSE(std::filesystem::exists(dir / "sim.mod"));
    EXPECT_FALSE(p.dialogs.messages.empty());
    program::CalculateSimulation(p.app);
    chooser.paths = {(dir / "sim").string()};
    ASSERT_TRUE(mnuSaveSimulationTotal_Click(p.app, chooser));
    EXPECT_EQ(testing::CrLfLines(testing::ReadFile(dir / "sim.mod")).size(),
              static_cast<std::size_t>(p.app.sim.result.grid.last + 1));
}

}  // namespace
}  // namespace velmora::program
