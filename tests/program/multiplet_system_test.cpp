// The systems of any multiplicity in the window: chosen from the band-system list, simulated,
// stored in the settings and fitted; a doublet system chosen after one behaves as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <set>

#include "display/print_layout.h"
#include "experiment/spectrum_list.h"
#include "fit/fit_spectrum.h"
#include "populations/population_files.h"
#include "populations/population_model.h"
#include "populations/populations_window.h"
#include "program/file_commands.h"
#include "program/fit_dialog.h"
#include "program/line_lookup.h"
#include "program/main_window.h"
#include "program/multiplet_band_system.h"
#include "program/multiplet_populations_window.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/condition_view.h"
#include "simulation/line_list.h"
#include "simulation/multiplet_simulation.h"
#include "support/recording_canvas.h"
#include "support/scripted_chooser.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::program {
namespace {

using simulation::AxisUnit;
using simulation::SpectrumKind;
using velmora::testing::CountingShell;
using velmora::testing::ScriptedDialogs;

// The systems of MULTIPLET.SYS follow the 15 of VELMORA.SYS.
constexpr int kN2CB = 16, kN2BA = 17, kC2da = 18;

/// The program after start-up on the shipped database and the main window's load.
struct Program {
    AppState app;
    ScriptedDialogs dialogs;
    CountingShell shell;
    MemoryStore store;
    explicit Program(const MemoryStore& stored = {}) : store(stored) {
        app.dialogs = &dialogs;
        app.ui = &shell;
        StartUp(app, store, std::string(VELMORA_DATA_DIR) + "/");
        loaded = MDIVelmora_Load(app, "1.0.0");
    }
    bool loaded = false;
};

/// Emission of N2 C-B (0,0) at 2000 K over 336.5..337.5 nm in air at `resolution` nm.
void N2HeadConditions(AppState& app, double resolution) {
    simulation::SimulationConditions& c = app.sim.conditions;
    c.kind = SpectrumKind::Emission, c.unit = AxisUnit::NanometreAir;
    c.start = 336.5, c.end = 337.5, c.resolution = resolution, c.temperature = 2000.0;
}

TEST(MultipletSystems, TheListOffersThemAfterTheDoubletSystemsAndTheWindowSimulatesThem) {
    Program p;
    AppState& app = p.app;
    ASSERT_TRUE(p.loaded);
    // Over OH A-X (0,0) at 305..315 nm, where N2 C-B (2,1) and (3,2) lie too, the lookup of a
    // triplet simulation names no line of the doublet system simulated before.
    CalculateSimulation(app);
    ASSERT_TRUE(SimulatedLines(app).Nearest(app.sim.conditions.start + 10.0));
    ASSERT_TRUE(CmbTransition_Click(app, kN2CB));
    CalculateSimulation(app);
    ASSERT_TRUE(simulation::HasSimulation(app.sim));
    EXPECT_FALSE(SimulatedLines(app).Nearest(app.sim.conditions.start + 10.0));

    N2HeadConditions(app, 0.01);
    const std::vector<std::string> items = TransitionItems(app);
    ASSERT_EQ(items.size(), 19u);
    EXPECT_EQ(items[kN2CB - 1], "N2 (C-B)");
    EXPECT_EQ(items[kN2BA - 1], "N2 (B-A)");
    EXPECT_EQ(items[kC2da - 1], "C2 (d-a)");

    p.dialogs.messages.clear();
    ASSERT_TRUE(CmbTransition_Click(app, kN2CB));
    EXPECT_TRUE(p.dialogs.messages.empty());  // the range holds the (0,0) band
    EXPECT_EQ(SelectedEntry(app), kN2CB);
    EXPECT_EQ(app.db.systemEntry, 1);                      // the doublet system beneath stays loaded
    EXPECT_NEAR(SelectedMass(app), 2 * 14.0030740, 1e-5);  // 14N2
    for (const std::string& why : {TableQuantityRefusal(app), AssignmentRefusal(app)})
        EXPECT_NE(why.find("N2 (C-B)"), std::string::npos) << why;

    // The (0,0) band heads of the folder's table (air): P1 337.092, P2 337.116, P3 337.144 nm,
    // the P3 head the band's red edge (the band is degraded to the violet): the last point above
    // half the strongest lies there within 0.02 nm, the strongest within the heads' pile-up.
    CalculateSimulation(app);
    ASSERT_TRUE(app.plot.PlotReady) << (p.dialogs.messages.empty() ? "" : p.dialogs.messages.back());
    const simulation::Spectrum& s = app.sim.result;
    int top = 0, edge = 0;
    for (int i = 0; i <= s.grid.last; ++i)
        if (s.total(i) > s.total(top)) top = i;
    for (int i = 0; i <= s.grid.last; ++i)
        if (s.total(i) > 0.5 * s.total(top)) edge = i;
    EXPECT_NEAR(s.grid.X(edge), 337.144, 0.02);
    EXPECT_GT(s.grid.X(top), 337.144 - 0.1);
    EXPECT_LE(s.grid.X(top), s.grid.X(edge));
    EXPECT_NE(app.sim.result.system.find("N2 (C-B)"), std::string::npos) << app.sim.result.system;

    // Absorption and LIF excitation from B v = 0 draw the same band.
    for (const SpectrumKind kind : {SpectrumKind::Absorption, SpectrumKind::LifExcitation}) {
        app.sim.conditions.kind = kind;
        CalculateSimulation(app);
        EXPECT_TRUE(app.plot.PlotReady && app.sim.result.peak > 0.0f) << simulation::StoredValue(kind);
    }

    // A range without its lines moves over its strongest band, with the message that names it.
    app.sim.conditions.kind = SpectrumKind::Emission;
    app.sim.conditions.start = 200.0, app.sim.conditions.end = 210.0;  // C v' = 4 to B v'' = 0 is 268 nm
    ASSERT_TRUE(CmbTransition_Click(app, kN2CB));
    ASSERT_EQ(p.dialogs.messages.size(), 1u);
    EXPECT_EQ(p.dialogs.messages[0].rfind("No line of N2 (C-B) lies in the range 200..210 ", 0), 0u)
        << p.dialogs.messages[0];
    EXPECT_DOUBLE_EQ(app.sim.conditions.end - app.sim.conditions.start, 10.0);
    EXPECT_TRUE(MultipletRangeHoldsLines(app));

    // A doublet system chosen next is simulated again, with its own controls back.
    N2HeadConditions(app, 0.01);
    app.sim.conditions.start = 306.0, app.sim.conditions.end = 312.0;  // OH A-X (0,0)
    ASSERT_TRUE(CmbTransition_Click(app, 1));
    EXPECT_FALSE(app.sim.Multiplet);
    EXPECT_EQ(SelectedEntry(app), 1);
    EXPECT_TRUE(TableQuantityRefusal(app).empty() && AssignmentRefusal(app).empty());
    CalculateSimulation(app);
    EXPECT_TRUE(app.plot.PlotReady);
    EXPECT_NE(app.sim.result.system.find("OH (A-X)"), std::string::npos) << app.sim.result.system;
}

TEST(MultipletSystems, TheStoredEntryRestoresTheSystemAndItsRangeAtStartUp) {
    // Written as the entry shown in the list; read back by a new start-up with the range that
    // holds the system's lines (N2 C-B (0,0), C2 d-a (0,0), NO A-X (0,0)), without a message;
    // an entry beyond the catalogue, as from another database, takes entry 1.
    struct Stored {
        int entry;
        double start, end;
    };
    for (const Stored& e : {Stored{kN2CB, 336.5, 337.5}, Stored{kC2da, 505.0, 520.0}, Stored{3, 224.0, 228.0}}) {
        SCOPED_TRACE(e.entry);
        MemoryStore saved;
        {
            Program p;
            ASSERT_TRUE(p.loaded);
            N2HeadConditions(p.app, 0.01);
            p.app.sim.conditions.start = e.start, p.app.sim.conditions.end = e.end;
            ASSERT_TRUE(CmbTransition_Click(p.app, e.entry));
            SaveSettings(p.app, saved);
            EXPECT_EQ(saved.Get("Main", "irad"), std::to_string(e.entry));
        }
        Program q(saved);
        ASSERT_TRUE(q.loaded);
        EXPECT_EQ(SelectedEntry(q.app), e.entry);
        EXPECT_EQ(static_cast<bool>(q.app.sim.Multiplet), e.entry > 15);
        EXPECT_TRUE(q.app.db.SystemLoaded);
        EXPECT_TRUE(q.dialogs.messages.empty()) << q.dialogs.messages.front();
        EXPECT_EQ(q.app.sim.conditions.start, e.start);
        EXPECT_EQ(q.app.sim.conditions.end, e.end);
    }
    MemoryStore other;
    other.Set("Main", "irad", "19");
    Program r(other);
    EXPECT_EQ(r.app.db.systemEntry, 1);
}

TEST(MultipletSystems, TheFitDialogFitsTheSelectedSystem) {
    // A spectrum of the window's N2 C-B simulation at 2000 K, fitted from 1500 K.
    Program p;
    AppState& app = p.app;
    ASSERT_TRUE(p.loaded);
    N2HeadConditions(app, 0.05);
    app.sim.conditions.start = 335.0;
    ASSERT_TRUE(CmbTransition_Click(app, kN2CB));
    CalculateSimulation(app);
    ASSERT_TRUE(app.plot.PlotReady);
    velmora::testing::TempDir dir;
    {
        std::ofstream out(dir / "n2.txt");
        out << std::setprecision(9);
        const simulation::Spectrum& s = app.sim.result;
        for (int i = 0; i <= s.grid.last; ++i) out << s.grid.X(i) << " " << s.total(i) << "\n";
    }
    experiment::LoadSpectrum(app, (dir / "n2.txt").string());
    app.sim.conditions.temperature = 1500.0;

    FitDialogState d = NewFitDialog(app);
    for (FitDialogRow& row : d.rows) row.free = row.name == "t" || row.name == "scale" || row.name == "baseline";
    const fit::FitRequest request = FitRequestFromDialog(app, d);
    ASSERT_EQ(request.systems.size(), 1u);
    ASSERT_TRUE(request.systems[0].multiplet);
    const fit::FitResult r = fit::FitSpectrum(request);
    EXPECT_NEAR(r.Value("t"), 2000.0, 20.0);
    ApplyFitResult(app, r);
    EXPECT_TRUE(app.sim.Multiplet);  // the fitted system stays the one simulated
    EXPECT_NEAR(app.sim.conditions.temperature, 2000.0, 20.0);
}

/// The cell of `column` (by its header) in the first row whose first cells are `keys`.
std::string Cell(const TableGrid& g, const std::vector<std::string>& keys, const std::string& column) {
    const auto& header = g.Cells.at(0);
    const auto c = std::find(header.begin(), header.end(), column);
    if (c == header.end()) return "no column " + column;
    for (const auto& row : g.Cells)
        if (std::equal(keys.begin(), keys.end(), row.begin())) return row[static_cast<std::size_t>(c - header.begin())];
    return "no row";
}

TEST(MultipletSystems, TheTableShowsTermValuesPerComponentAndLinesPerBranch) {
    Program p;
    AppState& app = p.app;
    ASSERT_TRUE(p.loaded);
    ASSERT_TRUE(CmbTransition_Click(app, kN2CB));

    // Term values of the check table of the folder README (the Hamiltonian built independently
    // there), printed to 1e-4 cm-1: C 3Πu v = 0 and B 3Πg v = 2 and 0, by J, F and parity.
    struct Term {
        int information, v;
        const char *J, *column;
        double energy;
    };
    for (const Term& e :
         {Term{1, 0, "0", "F3 e", 88941.2777}, Term{1, 0, "1", "F2 f", 88946.7817}, Term{1, 0, "1", "F3 e", 88985.0207},
          Term{1, 0, "5", "F1 e", 88991.0491}, Term{1, 0, "5", "F1 f", 88993.0077}, Term{1, 0, "5", "F2 f", 89035.1879},
          Term{1, 0, "5", "F3 f", 89073.1217}, Term{1, 0, "30", "F2 e", 90660.7144},
          Term{2, 2, "10", "F1 f", 62813.5857}, Term{2, 2, "2", "F3 e", 62737.2354},
          Term{2, 0, "5", "F2 e", 59358.5936}}) {
        SCOPED_TRACE(std::string(e.J) + " " + e.column);
        ASSERT_TRUE(MultipletTable_Click(app, "CmbInformation", e.information));
        ASSERT_TRUE(MultipletTable_Click(app, e.information == 1 ? "CmbUpper" : "CmbLower", e.v));
        // The six components of a triplet Π state side by side, the label column first.
        ASSERT_EQ(app.table.Grid.Cols, 7);
        EXPECT_NEAR(std::stod(Cell(app.table.Grid, {e.J}, e.column)), e.energy, 2e-4);
    }
    EXPECT_EQ(LevelItems(app, 1).size(), 5u);  // C v = 0..4

    // The lines of (0,0): the P3 branch turns at J'' = 8 (e) at 29652.36 cm-1, the band edge of
    // the README's head table.
    ASSERT_TRUE(MultipletTable_Click(app, "CmbInformation", 0));
    ASSERT_TRUE(MultipletTable_Click(app, "CmbResolution", 1));
    ASSERT_TRUE(MultipletTable_Click(app, "CmbUpper", 0));
    ASSERT_TRUE(MultipletTable_Click(app, "CmbLower", 0));
    const TableGrid& g = app.table.Grid;
    const auto position = [&g](int J) {
        return std::stod(Cell(g, {"P3", std::to_string(J), std::to_string(J + 1), "e"}, "Position"));
    };
    EXPECT_NEAR(position(8), 29652.36, 0.05);
    EXPECT_GT(position(7), position(8));
    EXPECT_GT(position(9), position(8));
    EXPECT_NE(app.table.Caption.find("N2 (C-B)"), std::string::npos);
    // Saved as shown, not as the doublet table beneath: caption, header, one line per line.
    velmora::testing::TempDir dir;
    velmora::testing::ScriptedChooser chooser;
    chooser.paths = {(dir / "lines").string()};
    ASSERT_TRUE(mnuSaveTable_Click(app, chooser));
    const std::string csv = velmora::testing::ReadFile(dir / "lines.csv");
    EXPECT_EQ(csv.rfind(app.table.Caption + "\r\nBranch,J'',N'',e/f'',Position,", 0), 0u) << csv.substr(0, 200);
    EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')), g.Cells.size() + 1);
    // The quantity lists do not apply; a doublet system's table comes back with its own.
    EXPECT_FALSE(TableQuantityRefusal(app).empty());
    EXPECT_FALSE(MultipletTable_Click(app, "CmbQuantity", 1));
    ASSERT_TRUE(CmbTransition_Click(app, 1));
    EXPECT_FALSE(MultipletTable_Click(app, "CmbUpper", 0));
    EXPECT_NE(app.table.Caption.find("OH"), std::string::npos) << app.table.Caption;
}

/// N2 C-B emission over 300..345 nm (the whole (0,0) band) at 2000 K, thermalised.
struct N2Populations : Program {
    testing::TempDir dir;
    N2Populations() {
        EXPECT_TRUE(CmbTransition_Click(app, kN2CB));
        N2HeadConditions(app, 0.05);
        app.sim.conditions.start = 300.0, app.sim.conditions.end = 345.0;
        app.pop.ThermalFlag = 1;
    }
    std::vector<float> Simulated() {
        CalculateSimulation(app);
        EXPECT_TRUE(app.plot.PlotReady) << (dialogs.messages.empty() ? "" : dialogs.messages.back());
        return std::vector<float>(app.sim.result.total.begin(), app.sim.result.total.end());
    }
};

TEST(MultipletPopulations, AThermalFileReadBackGivesTheThermalSpectrumBitForBit) {
    N2Populations p;
    const std::vector<float> thermal = p.Simulated();
    const std::string path = (p.dir / "c_v0.rot").string();
    p.dialogs.inputs = {std::string("0"), std::string("0")};
    ASSERT_TRUE(SaveMultipletRotational(p.app, path));
    // The documented layout: the column line, then one line per J from J = 0 (F2 and F3 of
    // J = 0 and F3 of J = 1 do not exist and are written 0).
    const std::string text = testing::ReadFile(path);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "J, F1 e, F2 e, F3 e, F1 f, F2 f, F3 f");
    EXPECT_NE(text.find("\r\n0, "), std::string::npos);
    ASSERT_TRUE(LoadMultipletRotational(p.app, path)) << p.dialogs.messages.back();
    EXPECT_EQ(p.app.pop.ThermalFlag, 0);
    ASSERT_TRUE(p.app.sim.MultipletEdited);
    EXPECT_EQ(p.Simulated(), thermal);
}

TEST(MultipletPopulations, AnEditedLevelRemovesExactlyItsLines) {
    N2Populations p;
    const simulation::MultipletBandSystem& system = *p.app.sim.Multiplet;
    const simulation::SimulationConditions& c = p.app.sim.conditions;
    const auto lines = [&](const populations::Populations& pop) {
        return simulation::BuildLineList(system.model, c, pop, 0.0, c.start, c.end).levels;
    };
    const auto before = lines(MultipletSimulationPopulations(p.app));
    // F2 f at J = 10 of C v' = 0 emptied.
    SetMultipletLevelPopulation(p.app, 0, 2, database::Parity::f, 20, 0.0);
    EXPECT_EQ(p.app.pop.ThermalFlag, 0);
    const auto after = lines(MultipletSimulationPopulations(p.app));
    // The lines of that level as the band's own line list gives them (its lower N and branch).
    std::multiset<std::pair<int, int>> ofLevel;  // (lower N, ΔN)
    for (const database::MultipletLine& l : system.system.bands.at({0, 0}).lines)
        if (l.upper.twoJ == 20 && l.upper.F == 2 && l.upper.parity == database::Parity::f)
            ofLevel.insert({l.lower.N, l.upper.N - l.lower.N});
    ASSERT_EQ(before.size(), after.size());
    std::multiset<std::pair<int, int>> vanished;
    std::size_t kept = 0;
    for (std::size_t k = 0; k < before.size(); ++k) {
        std::size_t j = 0;
        for (const simulation::DrawnLine& l : before[k]) {
            const simulation::BranchTable& t = system.model.emissionBranches;
            const bool ofEdited = l.vUp == 0 && t.upper[l.b] == 5 && l.N + t.deltaN[l.b] == 10;
            if (j < after[k].size() && after[k][j].x == l.x && after[k][j].b == l.b && after[k][j].vLow == l.vLow) {
                EXPECT_FALSE(ofEdited && after[k][j].weight > 0) << "a line of the emptied level is still drawn";
                if (!ofEdited) {
                    EXPECT_EQ(after[k][j].weight, l.weight);
                }
                if (ofEdited && l.vLow == 0) vanished.insert({l.N, t.deltaN[l.b]});
                ++j, ++kept;
            } else {
                ASSERT_TRUE(ofEdited) << "a line of another level went missing";
                if (l.vLow == 0) vanished.insert({l.N, t.deltaN[l.b]});
            }
        }
    }
    EXPECT_FALSE(ofLevel.empty());
    EXPECT_EQ(vanished, ofLevel);
    EXPECT_GT(kept, 100u);
    // The printed page says what was drawn.
    p.Simulated();
    bool said = false;
    for (const std::string& line : display::SpectrumPageConditions(p.app))
        said = said || line.find("rotational v'=0 as edited") != std::string::npos;
    EXPECT_TRUE(said);
    EXPECT_THROW(SetMultipletLevelPopulation(p.app, 0, 1, database::Parity::e, 0, 1.0), std::invalid_argument);
    EXPECT_THROW(SetMultipletLevelPopulation(p.app, 0, 1, database::Parity::e, 20, -1.0), std::invalid_argument);
    // Thermalised again, the system draws its thermal populations.
    p.app.pop.ThermalFlag = 1;
    EXPECT_EQ(lines(MultipletSimulationPopulations(p.app)).front().size(), before.front().size());
}

TEST(MultipletPopulations, DamagedOrMismatchedFilesAreRefusedNamingTheLine) {
    N2Populations p;
    const std::string header = "J, F1 e, F2 e, F3 e, F1 f, F2 f, F3 f\r\n";
    const struct {
        std::string text, line, problem;
    } cases[] = {
        {"0.5  , 0.250000  , 0.500000   \r\n", "line 1", "not those of this state"},  // a doublet file
        {header + "1, 0, 0.1, 0.1, 0, 0.1, 0.1\r\n2, 0.1, 0.1\r\n", "line 3", "3 fields"},
        {header + "1, 0, 0.1, 0.1, 0, x, 0.1\r\n", "line 2", "\"x\" in column 6"},
        {header + "1, 0, 0.1, 0.1, 0, -2, 0.1\r\n", "line 2", "not a population"},
        {header + "1.5, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1\r\n", "line 2", "no level of J = 1.5"},
        {header + "1, 0, 0.1, 0.1, 0, 0.1, 0.1\r\n\r\n1, 0, 0.1, 0.1, 0, 0.1, 0.1\r\n", "line 4", "first on line 2"},
        {header + "0, 0.1, 0, 0.2, 0, 0, 0.2\r\n", "line 2", "does not have"},
        {header + "0, 0, 0, 0, 0, 0, 0\r\n", "c.rot", "no population"},
    };
    for (const auto& e : cases) {
        const std::string path = (p.dir / "c.rot").string();
        std::ofstream(path, std::ios::binary) << e.text;
        p.dialogs.inputs = {std::string("0")};
        p.dialogs.messages.clear();
        EXPECT_FALSE(LoadMultipletRotational(p.app, path)) << e.text;
        ASSERT_EQ(p.dialogs.messages.size(), 1u) << e.text;
        const std::string& m = p.dialogs.messages[0];
        for (const std::string& part : {path, e.line, e.problem}) EXPECT_NE(m.find(part), std::string::npos) << m;
        EXPECT_FALSE(p.app.sim.MultipletEdited) << "a refused file changed the populations";
        EXPECT_EQ(p.app.pop.ThermalFlag, 1);
    }
}

TEST(MultipletPopulations, DoubletFilesReadAndWriteAsBefore) {
    // OH A-X: the stored file of A 2Σ+ v' = 0 at 1000 K in the doublet layout (J, F1 e, F2 f)
    // is written again byte for byte, and read back into the level it writes the same bytes.
    Program p;
    testing::TempDir dir;
    ASSERT_FALSE(p.app.sim.Multiplet);
    const std::string stored = std::string(VELMORA_SOURCE_DIR) + "/tests/data/program/oh_a_v0_1000K.rot";
    populations::RebuildLevelThermal(p.app.pop, p.app.db, 0, 1000.0);
    const std::string expected = testing::ReadFile(stored);
    ASSERT_FALSE(expected.empty());
    p.dialogs.inputs = {std::string("0"), std::string("0"), std::string("0")};
    ASSERT_TRUE(populations::SaveRotationalDistribution(p.app, (dir / "v0.rot").string()));
    EXPECT_EQ(testing::ReadFile(dir / "v0.rot"), expected);
    populations::RebuildLevelThermal(p.app.pop, p.app.db, 0, 300.0);
    ASSERT_TRUE(populations::LoadRotationalDistribution(p.app, stored));
    ASSERT_TRUE(populations::SaveRotationalDistribution(p.app, (dir / "again.rot").string()));
    EXPECT_EQ(testing::ReadFile(dir / "again.rot"), expected);
}

/// The table row of J = twoJ/2 in the component the window shows (0 when there is none).
int RowOfJ(const MultipletPopulationsView& w, int twoJ) {
    for (std::size_t r = 1; r < w.grid.Cells.size(); ++r)
        if (w.grid.Cells[r][0] == HalfInteger(twoJ)) return static_cast<int>(r);
    return 0;
}

TEST(MultipletPopulations, TheWindowEditsOneComponentOfOneLevelAsTheCoreDoes) {
    N2Populations p, q;
    AppState& app = p.app;
    const std::vector<float> thermal = p.Simulated();
    MultipletPopulationsView w = MultipletPopulationsWindow(app);
    EXPECT_EQ(w.componentItems, (std::vector<std::string>{"F1 e", "F2 e", "F3 e", "F1 f", "F2 f", "F3 f"}));
    EXPECT_EQ(w.levelItems, (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    EXPECT_EQ(w.grid.Cells[0], (std::vector<std::string>{"J", "N", "Population"}));
    EXPECT_EQ(w.rotationalMode, DistributionMode::Thermal);
    // The thermal populations of all six components of C v' = 0 add up to 1.
    double sum = 0.0;
    for (int k = 0; k < 6; ++k) {
        MultipletComponent_Click(app, k);
        w = MultipletPopulationsWindow(app);
        for (std::size_t r = 1; r < w.grid.Cells.size(); ++r) sum += std::stod(w.grid.Cells[r][2]);
    }
    EXPECT_NEAR(sum, 1.0, 1e-5);
    // Within F2 f the populations follow (2J + 1) exp(-c2 E / T) of the term values (J = 10 and
    // 12 have the same nuclear-spin weight).
    MultipletComponent_Click(app, 4);
    w = MultipletPopulationsWindow(app);
    const int r10 = RowOfJ(w, 20), r12 = RowOfJ(w, 24);
    ASSERT_GT(r10, 0);
    ASSERT_GT(r12, 0);
    const database::StateLevels& c0 = app.sim.Multiplet->system.upper.at(0);
    const double dE = c0.Find(24, 2, database::Parity::f)->energy - c0.Find(20, 2, database::Parity::f)->energy;
    EXPECT_NEAR(std::stod(w.grid.Cells[r12][2]) / std::stod(w.grid.Cells[r10][2]),
                25.0 / 21.0 * std::exp(-1.438776877 * dE / 2000.0), 1e-5);

    // F2 f J = 10 emptied in the table draws what the same edit in the core draws.
    ASSERT_TRUE(CommitMultipletGridEdit(app, r10, " 0 "));
    SetMultipletLevelPopulation(q.app, 0, 2, database::Parity::f, 20, 0.0);
    const std::vector<float> edited = p.Simulated();
    EXPECT_EQ(edited, q.Simulated());
    EXPECT_NE(edited, thermal);
    w = MultipletPopulationsWindow(app);
    EXPECT_EQ(w.grid.Cells[static_cast<std::size_t>(r10)][2], "0");
    EXPECT_EQ(w.rotationalMode, DistributionMode::NonThermal);
    EXPECT_EQ(app.pop.ThermalFlag, 0);
    // Refused entries say which level and change nothing.
    const auto held = app.sim.MultipletEdited;
    for (const char* text : {"x", "-1", ""}) {
        p.dialogs.messages.clear();
        EXPECT_FALSE(CommitMultipletGridEdit(app, r12, text)) << text;
        ASSERT_EQ(p.dialogs.messages.size(), 1u) << text;
        EXPECT_NE(p.dialogs.messages[0].find("F2 f J = 12 of v = 0"), std::string::npos) << p.dialogs.messages[0];
        EXPECT_EQ(app.sim.MultipletEdited, held);
    }
    EXPECT_FALSE(CommitMultipletGridEdit(app, static_cast<int>(w.grid.Cells.size()), "1"));
    // Another level is still thermal; "Thermal" puts the edited one back, bit for bit.
    MultipletLevel_Click(app, 1);
    EXPECT_EQ(MultipletPopulationsWindow(app).levelIndex, 1);
    EXPECT_EQ(MultipletPopulationsWindow(app).rotationalMode, DistributionMode::Thermal);
    MultipletLevel_Click(app, 0);
    MultipletRotational_Click(app, 0);
    EXPECT_EQ(MultipletPopulationsWindow(app).rotationalMode, DistributionMode::Thermal);
    EXPECT_EQ(p.Simulated(), thermal);
    // After "Thermalized system" an edit starts from the thermal populations shown, not from
    // edits made before.
    ASSERT_TRUE(CommitMultipletGridEdit(app, r10, "0"));
    app.pop.ThermalFlag = 1;
    const std::string shown = MultipletPopulationsWindow(app).grid.Cells[static_cast<std::size_t>(r10)][2];
    EXPECT_NE(shown, "0");
    ASSERT_TRUE(CommitMultipletGridEdit(app, r12, "0.001"));
    EXPECT_EQ(MultipletPopulationsWindow(app).grid.Cells[static_cast<std::size_t>(r10)][2], shown);
}

TEST(MultipletPopulations, TheHistogramAndTheTemperatureBoxesEditTheLevelShownAsTheCoreDoes) {
    N2Populations p, q;
    AppState& app = p.app;
    const std::vector<float> thermal = p.Simulated();
    const database::StateLevels& c0 = app.sim.Multiplet->system.upper.at(0);
    constexpr auto e = database::Parity::e, f = database::Parity::f;
    // Population of (F, parity, J = twoJ/2) of C v' = 0 as drawn; component F + 3 for f.
    auto population = [&](const AppState& a, int F, database::Parity parity, int twoJ) {
        return MultipletSimulationPopulations(a).rotational(0, F + (parity == f ? 3 : 0), c0.Find(twoJ, F, parity)->N);
    };
    auto tallestF2f = [&](const AppState& a) {
        double top = 0.0;
        for (const database::RotationalLevel& l : c0.Levels())
            if (l.F == 2 && l.parity == f) top = std::max(top, population(a, 2, f, l.twoJ));
        return top;
    };
    auto boltzmann = [&](int F1, database::Parity p1, int twoJ1, int F2, database::Parity p2, int twoJ2, double T) {
        const double dE = c0.Find(twoJ2, F2, p2)->energy - c0.Find(twoJ1, F1, p1)->energy;
        return (twoJ2 + 1.0) / (twoJ1 + 1.0) * std::exp(-1.438776877 * dE / T);
    };
    MultipletComponent_Click(app, 4);  // F2 f
    const MultipletPopulationsView w = MultipletPopulationsWindow(app);
    const int b10 = RowOfJ(w, 20) - 1, b12 = RowOfJ(w, 24) - 1;  // bar b is table row b + 1
    ASSERT_GE(b10, 0);
    ASSERT_GE(b12, 0);

    // The thermal histogram: one bar per populated level, the tallest at full scale.
    testing::RecordingCanvas canvas;
    DrawMultipletRotationalHistogram(app, canvas);
    const auto bars = canvas.Of(testing::Primitive::FilledBox);
    std::size_t populated = 0;
    for (std::size_t r = 1; r < w.grid.Cells.size(); ++r) populated += std::stod(w.grid.Cells[r][2]) > 0.0;
    EXPECT_EQ(bars.size(), populated);
    double top = 0.0;
    for (const auto& b : bars) top = std::max(top, b.y2);
    EXPECT_NEAR(top, 100.0, 1e-4);

    // Moving without the button only moves the cursor; a drag to half height sets half the
    // tallest population, and a drag below the axis 0; both draw as the same core edits.
    const double tallest = tallestF2f(app);
    MultipletRotational_Mouse(app, b10 + 0.3, 50.0, false);
    EXPECT_FALSE(app.sim.MultipletEdited);
    EXPECT_NE(MultipletPopulationsWindow(app).rotationalStatus1.find("F2 f J = 10 of v = 0"), std::string::npos);
    MultipletRotational_Mouse(app, b10 - 0.2, 50.0, true);
    EXPECT_NEAR(population(app, 2, f, 20), 0.5 * tallest, 1e-6 * tallest);
    MultipletRotational_Mouse(app, b12, -3.0, true);
    EXPECT_EQ(population(app, 2, f, 24), 0.0);
    SetMultipletLevelPopulation(q.app, 0, 2, f, 20, population(app, 2, f, 20));
    SetMultipletLevelPopulation(q.app, 0, 2, f, 24, 0.0);
    EXPECT_EQ(p.Simulated(), q.Simulated());
    EXPECT_EQ(MultipletPopulationsWindow(app).rotationalMode, DistributionMode::NonThermal);
    // Up on the rotational tab raises the bar under the cursor by 1 % of full scale.
    app.pop.intTabPop = populations::kRotationalTab;
    MultipletHistogram_KeyDown(app, populations::HistogramKey::Up, false);
    EXPECT_NEAR(population(app, 2, f, 24), 0.01 * tallestF2f(app), 1e-6 * tallest);

    // A typed rotational temperature makes the whole level thermal at it: within a component
    // and across components of one J and parity (same nuclear-spin weight), Boltzmann factors
    // of the term values; the level adds up to 1; the other levels stay as they were.
    EXPECT_EQ(MultipletTRotational_Change(app, "1234"), "1234");
    EXPECT_NEAR(population(app, 2, f, 24) / population(app, 2, f, 20), boltzmann(2, f, 20, 2, f, 24, 1234.0), 1e-5);
    EXPECT_NEAR(population(app, 3, e, 20) / population(app, 1, e, 20), boltzmann(1, e, 20, 3, e, 20, 1234.0), 1e-5);
    double sum = 0.0;
    const Array3<double> drawn = MultipletSimulationPopulations(app).rotational;
    for (int c = 1; c <= 6; ++c)
        for (int N = drawn.Lo(2); N <= drawn.Hi(2); ++N) sum += drawn(0, c, N);
    EXPECT_NEAR(sum, 1.0, 1e-5);
    EXPECT_FALSE(MultipletLevelEdited(app, 1));
    MultipletPopulationsView shown = MultipletPopulationsWindow(app);
    EXPECT_EQ(shown.rotationalMode, DistributionMode::Thermal);
    EXPECT_NE(shown.status.find("thermal at 1234 K"), std::string::npos) << shown.status;
    EXPECT_EQ(shown.rotationalTemperature, "1234");

    // Refused entries name the level and change nothing.
    const struct {
        std::string (*box)(AppState&, std::string_view);
        const char* text;
        const char* named;
        const char* answer;
    } refused[] = {
        {MultipletTRotational_Change, "x", "v = 0", "1234"},
        {MultipletTRotational_Change, "-5", "v = 0", "1234"},
        {MultipletTRotational_Change, "0", "v = 0", "1234"},
        {MultipletSetTemperature_Change, "x", "F2 f of v = 0", "300"},
        {MultipletSetTemperature_Change, "0", "F2 f of v = 0", "300"},
    };
    for (const auto& r : refused) {
        const auto held = app.sim.MultipletEdited;
        p.dialogs.messages.clear();
        EXPECT_EQ(r.box(app, r.text), r.answer) << r.text;
        ASSERT_EQ(p.dialogs.messages.size(), 1u) << r.text;
        EXPECT_NE(p.dialogs.messages[0].find(r.named), std::string::npos) << p.dialogs.messages[0];
        EXPECT_EQ(app.sim.MultipletEdited, held) << r.text;
    }

    // "Set temperature to" gives the component shown the shape at its temperature; the other
    // components keep theirs, and the level is normalised again.
    EXPECT_EQ(MultipletSetTemperature_Change(app, "800"), "800");
    EXPECT_NEAR(population(app, 2, f, 24) / population(app, 2, f, 20), boltzmann(2, f, 20, 2, f, 24, 800.0), 1e-5);
    EXPECT_NEAR(population(app, 3, e, 20) / population(app, 1, e, 20), boltzmann(1, e, 20, 3, e, 20, 1234.0), 1e-5);
    EXPECT_EQ(MultipletPopulationsWindow(app).rotationalMode, DistributionMode::NonThermal);
    // Initialize empties the component shown and nothing else.
    const double f1e = population(app, 1, e, 20);
    MultipletInitialize_Click(app);
    EXPECT_EQ(tallestF2f(app), 0.0);
    EXPECT_EQ(population(app, 1, e, 20), f1e);
    // The temperature of the conditions typed in the box puts the level back, bit for bit.
    EXPECT_EQ(MultipletTRotational_Change(app, "2000"), "2000");
    EXPECT_EQ(p.Simulated(), thermal);

    // A doublet system brings back the doublet histogram; the multiplet handlers do nothing.
    ASSERT_TRUE(CmbTransition_Click(app, 1));
    ASSERT_FALSE(app.sim.Multiplet);
    EXPECT_TRUE(MultipletPopulationsWindow(app).caption.empty());
    MultipletRotational_Mouse(app, 3.0, 50.0, true);
    EXPECT_EQ(app.popwin.RotationalMode, DistributionMode::Thermal);
    populations::PicRotational_Mouse(app, 3.0, 50.0, true);
    EXPECT_EQ(app.popwin.RotationalMode, DistributionMode::NonThermal);
    EXPECT_EQ(app.pop.TRot(app.pop.SelV), -1.0f);
    EXPECT_EQ(populations::TxtTRotational_Change(app, "1500"), "1500");
    EXPECT_EQ(app.pop.TRotAll, 1500.0f);
}

TEST(MultipletPopulations, VibrationalFilesSetTheLevelsAndDamagedOnesAreRefused) {
    N2Populations p;
    AppState& app = p.app;
    const std::string path = (p.dir / "c.vib").string();
    // The thermal distribution as written: one "v,  population" line per level of C, adding up to 1.
    ASSERT_TRUE(SaveMultipletVibrational(app, path));
    std::ifstream written(path);
    double sum = 0.0;
    int v = -1, lines = 0;
    for (std::string line; std::getline(written, line); ++lines) {
        ASSERT_EQ(line.find(",  "), line.find(',')) << line;
        EXPECT_EQ(std::stoi(line), ++v);
        sum += std::stod(line.substr(line.find(',') + 1));
    }
    EXPECT_EQ(lines, 5);
    EXPECT_NEAR(sum, 1.0, 1e-12);
    const struct {
        std::string text, line, problem;
    } cases[] = {
        {"0,  0.5\r\n1,  0.5\r\n0,  0.5\r\n", "line 3", "first on line 1"},
        {"0,  0.5\r\n7,  0.5\r\n", "line 2", "no vibrational level v = 7"},
        {"0,  x\r\n", "line 1", "not a population"},
        {"0,  -1\r\n", "line 1", "not a population"},
        {"0.5,  1\r\n", "line 1", "not a vibrational level"},
        {"0,  1,  2\r\n", "line 1", "3 fields"},
        {"0,  0\r\n1,  0\r\n", "c.vib", "no population"},
    };
    for (const auto& e : cases) {
        std::ofstream(path, std::ios::binary) << e.text;
        p.dialogs.messages.clear();
        EXPECT_FALSE(LoadMultipletVibrational(app, path)) << e.text;
        ASSERT_EQ(p.dialogs.messages.size(), 1u) << e.text;
        for (const std::string& part : {path, e.line, e.problem})
            EXPECT_NE(p.dialogs.messages[0].find(part), std::string::npos) << p.dialogs.messages[0];
        EXPECT_FALSE(app.sim.MultipletEdited) << "a refused file changed the populations";
        EXPECT_EQ(app.pop.ThermalFlag, 1);
    }
    // v' = 1 alone, read through the File menu, keeps the rotational edit of that level.
    app.sim.conditions.start = 310.0, app.sim.conditions.end = 320.0;
    SetMultipletLevelPopulation(app, 1, 2, database::Parity::f, 20, 0.0);
    std::ofstream(path, std::ios::binary) << "0,  0\r\n1,  3\r\n";
    testing::ScriptedChooser chooser;
    chooser.paths = {path};
    ASSERT_TRUE(mnuOpenVibrationalPopulation_Click(app, chooser)) << p.dialogs.messages.back();
    p.Simulated();
    EXPECT_EQ(app.sim.result.levels, std::vector<int>{1});
    EXPECT_TRUE(MultipletLevelEdited(app, 1));
    ASSERT_TRUE(SaveMultipletVibrational(app, path));
    EXPECT_EQ(testing::ReadFile(path), "0,  0\r\n1,  1\r\n2,  0\r\n3,  0\r\n4,  0\r\n");
}

}  // namespace
}  // namespace velmora::program
