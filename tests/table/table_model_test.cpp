#include "table/table_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/numerics.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "table/catalogue_fixture.h"

namespace velmora::table {
namespace {

using velmora::testing::MakeCatalogue;
using velmora::testing::MarkBandLoaded;

/// Fills quantity q of every branch and row with a value that encodes (q, b, N).
void FillLines(AppState& s, int rotRows) {
    for (int q = 1; q <= 5; ++q)
        for (int b = 1; b <= 24; ++b)
            for (int N = 0; N <= rotRows + 1; ++N)
                s.db.LineData(q, b, N) = q == 4 ? 30000.0f + 100.0f * b + N : 1000.0f * q + 10.0f * b + N;
}

AppState RotationalTable(int lamU, int lamL, int icoef, int hund, int rotRows = 10) {
    AppState s;
    MakeCatalogue(s, lamU, lamL);
    MarkBandLoaded(s, 0, 1, rotRows);
    FillLines(s, rotRows);
    s.table.tableKind = 2;
    s.table.icoef = icoef;
    s.table.nomenclature = hund;
    s.table.DbVUpper = 0;
    s.table.DbVLower = 1;
    RefreshDatabaseTable(s);
    return s;
}

TEST(DatabaseTable, SigmaSigmaHasOneRowPerLevelAndTwelveBranches) {
    AppState s = RotationalTable(0, 0, 5, 0);
    const TableGrid& g = s.table.Grid;
    EXPECT_EQ(g.Cols, 13);
    EXPECT_EQ(g.Rows, 1 + 13);  // header + N = 0..12: the P and O lines of N' = 10 reach N'' = 12
    EXPECT_EQ(g.Cells[0][0], "N''");
    EXPECT_EQ(g.Cells[0][1], "P1");
    EXPECT_EQ(g.Cells[0][12], "S21");
    EXPECT_EQ(g.Cells[1][0], " 0 ");
    EXPECT_EQ(g.Cells[4][0], " 3 ");
    // Row of N = 3, branch R1 (5): Hönl-London factor of that line, format "0.0000".
    EXPECT_EQ(g.Cells[4][5], "5053.0000");
    EXPECT_EQ(g.ColWidths[0], 800);
    EXPECT_EQ(g.ColWidths[1], 1300);
    EXPECT_TRUE(g.Bold[3][0]);
    EXPECT_FALSE(g.Bold[3][1]);
    EXPECT_EQ(s.table.Caption, "Database   OH (A-X) ( 0, 1)  H\xC3\xB6nl-London factors");
}

TEST(DatabaseTable, PiPiHasTwoRowsPerLevelWithTheSecondBranchSet) {
    AppState s = RotationalTable(1, 1, 1, 0);
    const TableState& t = s.table;
    EXPECT_EQ(t.RowStep, 2);
    EXPECT_EQ(t.RowFirst, 2);
    EXPECT_EQ(t.RowLast, 25);  // N'' up to 12, two rows above the top upper level
    EXPECT_EQ(t.Grid.Rows, 1 + 24);
    // Level N = 4: first row branches 1..12, second row branches 13..24.
    EXPECT_FLOAT_EQ(t.TableData(8, 3), s.db.LineData(1, 3, 4));
    EXPECT_FLOAT_EQ(t.TableData(9, 3), s.db.LineData(1, 15, 4));
    // Each row says the parity of its P1 lines' lower level: e in the first set, f in the second.
    EXPECT_EQ(t.Grid.Cells[7][0], " 4 e");
    EXPECT_EQ(t.Grid.Cells[8][0], " 4 f");
    EXPECT_NE(t.Caption.find("(e/f: parity of the lower level of the P1 and R1 lines)"), std::string::npos);
    // Transition probabilities and Hönl-London factors repeat the first set.
    AppState p = RotationalTable(1, 1, 5, 0);
    EXPECT_FLOAT_EQ(p.table.TableData(9, 3), p.db.LineData(5, 3, 4));
}

TEST(DatabaseTable, CaseAShowsOneJPerRowAndDashesForNegativeJ) {
    AppState s = RotationalTable(0, 0, 5, 1);
    const TableState& t = s.table;
    EXPECT_EQ(t.Grid.Cells[0][0], "J''");
    EXPECT_EQ(t.Grid.Cells[1][0], "----");  // N = 0: J = -0.5
    EXPECT_EQ(t.Grid.Cells[4][0], "2.5");   // N = 3
    // Branches with J = N + 1/2 show the level below, the others their own level.
    EXPECT_FLOAT_EQ(t.TableData(3, 1), s.db.LineData(5, 1, 2));
    EXPECT_FLOAT_EQ(t.TableData(3, 2), s.db.LineData(5, 2, 3));
    EXPECT_FLOAT_EQ(t.TableData(3, 12), s.db.LineData(5, 12, 2));
    EXPECT_FLOAT_EQ(t.TableData(0, 1), s.db.LineData(5, 1, 0));  // first row keeps its own level
    EXPECT_EQ(t.Grid.Cells[0][1], "P11");
}

TEST(DatabaseTable, ValuesOfZeroOrLessShowDashes) {
    AppState s;
    MakeCatalogue(s, 0, 0);
    MarkBandLoaded(s, 0, 0, 5);
    s.db.LineData(3, 2, 0) = 0.0f;  // no P2 line at N = 0
    s.db.LineData(3, 1, 1) = -1.0f;
    s.db.LineData(3, 5, 1) = 0.25f;
    s.table.tableKind = 2;
    s.table.icoef = 3;
    s.table.nomenclature = 0;
    RefreshDatabaseTable(s);
    EXPECT_EQ(s.table.Grid.Cells[1][2], "  ------ ");
    EXPECT_EQ(s.table.Grid.Cells[2][1], "  ------ ");
    EXPECT_EQ(s.table.Grid.Cells[2][5], "0.2500");
}

TEST(DatabaseTable, ATableBeyondSinglePrecisionIsRefusedAndTheOldOneStays) {
    AppState s = RotationalTable(0, 0, 1, 0);  // emission coefficients, each below 2000
    const std::string cell = s.table.Grid.Cells[4][5];
    testing::ScriptedDialogs dialogs;
    s.dialogs = &dialogs;
    s.db.cat.EmissionScale(1) = 3e38f;  // finite, but not once multiplied
    RefreshDatabaseTable(s);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "the table would hold values beyond single precision in this unit");
    EXPECT_EQ(s.table.Grid.Cells[4][5], cell);
    EXPECT_TRUE(AllFinite(s.table.TableData));
}

TEST(DatabaseTable, OscillatorStrengthFromTheAbsorptionCoefficient) {
    // f = 4 eps0 m_e h nu / e^2 x B with nu = c x wavenumber (CODATA 2018 constants).
    const double eps0 = 8.8541878128e-12, me = 9.1093837015e-31, h = 6.62607015e-34, e = 1.602176634e-19;
    const double cCm = 2.99792458e10;
    EXPECT_NEAR(4.0 * eps0 * me * h * cCm / (e * e) / kOscillatorStrengthFactor, 1.0, 1e-4);

    AppState s;
    MakeCatalogue(s, 0, 1);
    MarkBandLoaded(s, 0, 0, 6);
    s.db.LineUnitFactor = {1.0, 2.0, 1.0};
    s.db.LineData(2, 5, 3) = 1.5e-10f;  // catalogue unit
    s.db.LineData(4, 5, 3) = 32000.0f;  // cm-1
    s.table.tableKind = 2;
    s.table.icoef = 2;
    s.table.nomenclature = 0;
    s.table.DbUnitsAbs = 1;
    RefreshDatabaseTable(s);
    const double stored = s.table.TableData(3, 5);
    EXPECT_NEAR(stored, 3.0e-10, 1e-16);
    s.table.DbUnitsAbs = 2;
    RefreshDatabaseTable(s);
    EXPECT_NEAR(s.table.TableData(3, 5) / stored, cCm / 100.0, 1e-6 * cCm);
    s.table.DbUnitsAbs = 3;
    RefreshDatabaseTable(s);
    EXPECT_NEAR(s.table.TableData(3, 5) / stored / (cCm / 100.0 * 32000.0 * 2.4966093e-26), 1.0, 1e-6);
}

TEST(DatabaseTable, PositionsInVacuumAndAirAngstrom) {
    AppState s;
    MakeCatalogue(s, 0, 1);
    MarkBandLoaded(s, 0, 0, 4);
    s.db.LineData(4, 3, 2) = 32000.0f;
    s.table.tableKind = 2;
    s.table.icoef = 4;
    s.table.nomenclature = 0;
    s.table.DbUnitsPos = 3;
    RefreshDatabaseTable(s);
    EXPECT_FLOAT_EQ(s.table.TableData(2, 3), 32000.0f);
    EXPECT_EQ(s.table.Grid.Cells[0][0], "N''");
    s.table.DbUnitsPos = 1;
    RefreshDatabaseTable(s);
    EXPECT_FLOAT_EQ(s.table.TableData(2, 3), 3125.0f);
    s.table.DbUnitsPos = 2;
    RefreshDatabaseTable(s);
    // Standard air near 3125 Å: n - 1 = 2.90e-4, so the air wavelength is 0.906 Å shorter.
    EXPECT_NEAR(s.table.TableData(2, 3), 3124.094, 0.01);
    EXPECT_EQ(s.table.Grid.Cells[1][3], "  ------ ");  // zero positions stay dashes
}

TEST(DatabaseTable, VibrationalTableOfBands) {
    AppState s;
    MakeCatalogue(s, 0, 1, 20, 2, 3);
    s.db.BandUnitFactor = {10.0, 1.0, 1.0};
    s.db.BandData(1, 2, 3) = 0.5f;
    s.db.cat.EmissionScale(1) = 3.0f;
    s.table.tableKind = 1;
    s.table.icoef = 1;
    RefreshDatabaseTable(s);
    const TableGrid& g = s.table.Grid;
    EXPECT_EQ(g.Cols, 4);
    EXPECT_EQ(g.Rows, 5);
    EXPECT_EQ(g.Cells[0][0], "X v''");
    EXPECT_EQ(g.Cells[0][1], "A v'= 0");
    EXPECT_EQ(g.Cells[4][0], " 3 ");
    EXPECT_FLOAT_EQ(s.table.TableData(4, 3), 15.0f);  // value x band factor x emission scale
    EXPECT_EQ(g.Cells[4][3], "1.500E+01");
    EXPECT_EQ(s.table.Caption, "Database   OH (A-X)  Emission coefficients");
}

TEST(DatabaseTable, UpperLevelQuantity) {
    AppState s;
    MakeCatalogue(s, 0, 1);
    MarkBandLoaded(s, 1, 0, 8);
    for (int k = 1; k <= 6; ++k)
        for (int N = 0; N <= 8; ++N) s.db.UpperLevelData(1, k, N) = 100.0f * k + N;
    s.table.tableKind = 2;
    s.table.icoef = 6;
    s.table.nomenclature = 1;
    s.table.DbVUpper = 1;
    s.table.DbVLower = 0;
    RefreshDatabaseTable(s);
    const TableState& t = s.table;
    EXPECT_EQ(t.TableCols, 6);
    EXPECT_EQ(t.Grid.Cells[0][0], "J' ");
    EXPECT_EQ(t.Grid.Cells[0][1], "S1");
    EXPECT_EQ(t.Caption, "Database   OH (A)  v'= 1  Lifetimes, predissociation");
    // Case (a): F1 columns show level N - 1, and nothing in row 0.
    EXPECT_FLOAT_EQ(t.TableData(4, 1), 103.0f);
    EXPECT_FLOAT_EQ(t.TableData(4, 2), 204.0f);
    EXPECT_FLOAT_EQ(t.TableData(0, 1), 0.0f);
}

TEST(DatabaseTable, NoRefreshWithoutABandSystem) {
    AppState s;
    MakeCatalogue(s, 0, 0);
    s.shell.DataReady = false;
    RefreshDatabaseTable(s);
    EXPECT_EQ(s.table.Grid.Rows, 0);
}

TEST(DatabaseTableExport, RotationalFileNamesItsColumnsWithOneCommaPerColumn) {
    AppState s = RotationalTable(0, 1, 4, 0, 6);
    s.db.cat.QuantityFormat(4, 0) = "#,##0.000";  // a thousands separator must not add columns
    RefreshDatabaseTable(s);
    velmora::testing::TempDir dir;
    // Labelled: a line of column names; classic: none. Rows N = 1..6 follow either way, and the
    // two rows the P and O lines of the top upper level end on.
    for (const auto& [layout, first] : {std::pair{CsvLayout::Labelled, 5u}, std::pair{CsvLayout::Classic, 4u}}) {
        SaveDatabaseTable(s, dir / "table.csv", layout);
        const std::string text = velmora::testing::ReadFile(dir / "table.csv");
        const auto lines = velmora::testing::CrLfLines(text);
        ASSERT_EQ(lines.size(), first + 8u);
        EXPECT_EQ(lines[0], "RADICAL: OH");
        EXPECT_EQ(lines[1], "QUANTITY:LINE POSITIONS");
        EXPECT_EQ(lines[2], "UNITS   :cm-1");
        EXPECT_EQ(lines[3], "BAND  (A-X)0 - 1 ");
        EXPECT_EQ(lines[first].substr(0, 3), "1  ");  // first row: N = Λ'' = 1
        EXPECT_NE(lines[first].find(", 30101.000 "), std::string::npos);
        for (std::size_t i = 4; i < lines.size(); ++i)
            EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 12) << lines[i];
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        if (layout == CsvLayout::Labelled) {
            EXPECT_EQ(lines[4].substr(0, 17), "N'' ,P1  ,P2  ,Q1");
        }
    }
}

TEST(DatabaseTableExport, UnitsLineNamesTheUnitOfTheValues) {
    AppState s = RotationalTable(0, 1, 4, 1, 4);
    s.table.DbUnitsPos = 1;
    RefreshDatabaseTable(s);
    velmora::testing::TempDir dir;
    SaveDatabaseTable(s, dir / "a.csv");
    const auto lines = velmora::testing::CrLfLines(velmora::testing::ReadFile(dir / "a.csv"));
    EXPECT_EQ(lines[2], "UNITS   :Angstrom (Vacuum)");
    EXPECT_EQ(lines[4].substr(0, 3), "J''");
    EXPECT_EQ(lines[5].substr(0, 4), "0.5 ");  // case (a): J = N - 1/2 for N = 1
}

TEST(DatabaseTableExport, BandsThatDoNotExistAreEmptyCells) {
    AppState s;
    MakeCatalogue(s, 0, 1, 20, 1, 2);
    s.db.BandData(3, 1, 2) = 0.125f;
    s.table.tableKind = 1;
    s.table.icoef = 3;
    RefreshDatabaseTable(s);
    velmora::testing::TempDir dir;
    SaveDatabaseTable(s, dir / "v.csv");
    auto lines = velmora::testing::CrLfLines(velmora::testing::ReadFile(dir / "v.csv"));
    ASSERT_EQ(lines.size(), 5u + 3u);
    EXPECT_EQ(lines[3], "BAND  (A-X)");
    EXPECT_EQ(lines[4], "X v''  ,A v'= 0  ,A v'= 1 ");
    EXPECT_EQ(lines[5], "0  ,,");
    EXPECT_EQ(lines[7], "2  ,, 0.1250 ");
    SaveDatabaseTable(s, dir / "v.csv", CsvLayout::Classic);
    lines = velmora::testing::CrLfLines(velmora::testing::ReadFile(dir / "v.csv"));
    EXPECT_EQ(lines[5], "0  , 0.0000 , 0.0000 ");
}

TEST(DatabaseTableEvents, QuantityUnitsAndNomenclature) {
    AppState s = RotationalTable(0, 1, 1, 0, 5);
    FillQuantityItems(s);
    ASSERT_EQ(s.table.QuantityItems.size(), 6u);
    CmbQuantity_Click(s, 1);
    EXPECT_EQ(s.table.icoef, 2);
    EXPECT_EQ(s.table.DatabaseUnitsItems, (std::vector<std::string>{"cm2 MHz", "m3J-1s-2", "oscillator strength"}));
    CmbDatabaseUnits_Click(s, 2);
    EXPECT_EQ(s.table.DbUnitsAbs, 3);
    EXPECT_EQ(s.table.DbUnitsPos, 3);  // untouched
    CmbQuantity_Click(s, 4);           // Hönl-London factors: only the catalogue unit
    EXPECT_EQ(s.table.DatabaseUnitsItems.size(), 1u);
    CmbDatabaseUnits_Click(s, 1);
    EXPECT_EQ(s.table.DbUnitsAbs, 3);

    CmbNomenclature_Click(s, 1);
    EXPECT_EQ(s.table.nomenclature, 1);
    ASSERT_EQ(s.plot.RotationalBranchItems.size(), 13u);
    EXPECT_EQ(s.plot.RotationalBranchItems[0], "All");
    EXPECT_EQ(s.plot.RotationalBranchItems[1], "P11");
    EXPECT_EQ(s.table.Grid.Cells[0][0], "J''");

    // The upper-state class offers the level quantity and shows it at once; a quantity without a
    // table empties the grid, which says so, and leaves nothing to save.
    CmbInformation_Click(s, 1);
    EXPECT_EQ(s.table.QuantityItems.size(), 3u);
    EXPECT_EQ(s.table.icoef, 6);
    EXPECT_NE(s.table.Caption.find("Lifetimes"), std::string::npos);
    CmbQuantity_Click(s, 2);  // "Energy terms"
    EXPECT_EQ(s.table.UntabulatedQuantity, "Energy terms");
    EXPECT_EQ(s.table.Grid.Cells,
              (std::vector<std::vector<std::string>>{{"Energy terms"}, {"Not available as a table"}}));
    EXPECT_TRUE(s.table.TableData.Empty());
    CmbUpper_Click(s, 0);  // the grid keeps saying so
    EXPECT_EQ(s.table.Grid.Rows, 2);
    CmbQuantity_Click(s, 0);
    EXPECT_EQ(s.table.icoef, 6);
    EXPECT_TRUE(s.table.UntabulatedQuantity.empty());
    CmbInformation_Click(s, 1);  // the same class again keeps its quantity
    EXPECT_EQ(s.table.icoef, 6);

    mnuDatabaseTransition_Click(s, 4);
    EXPECT_EQ(s.table.tableKind, 1);
    EXPECT_EQ(s.table.icoef, 4);
    EXPECT_FALSE(CmbUpperEnabled(s.table));
    EXPECT_FALSE(CmbLowerEnabled(s.table));
    CmbResolution_Click(s, 1);
    EXPECT_EQ(s.table.tableKind, 2);
    EXPECT_TRUE(CmbUpperEnabled(s.table));
    EXPECT_TRUE(CmbLowerEnabled(s.table));

    // "Upper State": the table by upper level, chosen by v' alone.
    mnuDatabaseUpperState_Click(s);
    EXPECT_EQ(s.table.tableKind, 2);
    EXPECT_EQ(s.table.icoef, 6);
    EXPECT_TRUE(CmbUpperEnabled(s.table));
    EXPECT_FALSE(CmbLowerEnabled(s.table));
    EXPECT_EQ(s.table.Grid.Cells[0][0], "J' ");
}

}  // namespace
}  // namespace velmora::table
