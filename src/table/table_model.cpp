#include "table/table_model.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "common/physical_constants.h"
#include "common/text_writer.h"
#include "database/band_loader.h"
#include "database/line_positions.h"
#include "database/line_rows.h"
#include "database/state_descriptions.h"

namespace velmora::table {

namespace {

/// Upper (s = 1) or lower (s = 2) Λ of the selected system.
int Lambda(const DatabaseState& db, int s) { return db.cat.StateLambda(s, db.systemEntry); }

/// Rows of a rotational table hold one J per row in case (a): these branches show level N - 1.
bool ShiftedInCaseA(const TableState& t, int branch, int N) {
    return t.nomenclature == 1 && N >= 1 && BranchHasJAboveN(branch);
}

/// Makes sure the band of a rotational table is the loaded one.
void EnsureBandLoaded(TableView s) {
    DatabaseState& db = s.db;
    const TableState& t = s.table;
    if (!database::IsBandLoaded(db, t.DbVUpper, t.DbVLower, db.systemEntry))
        database::LoadBand(db, t.DbVUpper, t.DbVLower, db.systemEntry);
}

/// A number format without commas, so that a saved value never adds a column. A value that does
/// not exist (<= 0, dashes on the screen) is an empty cell in the labelled layout.
std::string CsvValue(double value, const std::string& format, CsvLayout layout) {
    if (layout == CsvLayout::Labelled && !(value > 0.0)) return ",";
    std::string pattern;
    for (char c : format)
        if (c != ',') pattern += c;
    std::string text = Format(value, pattern);
    text.erase(std::remove(text.begin(), text.end(), ','), text.end());
    return ", " + text + " ";
}

/// The upper-level table: lifetimes (radiative, with predissociation) in its first two thirds of
/// columns, fluorescence yields in the last third.
bool IsYieldColumn(const TableState& t, int column) { return t.icoef == 6 && 3 * column > 2 * t.TableCols; }

/// Unit line of a saved table.
std::string CsvUnits(const DatabaseState& db, const TableState& t, CsvLayout layout) {
    if (layout == CsvLayout::Labelled && t.icoef == 6) return "lifetimes in ns, yields as fractions";
    return DisplayedUnit(db, t);
}

/// Column-header line of a rotational table: the row label, then each branch (or level value,
/// with its unit).
std::string RotationalCsvHeader(const DatabaseState& db, const TableState& t) {
    const Catalogue& cat = db.cat;
    const int hund = t.nomenclature != 0 ? 1 : 0;
    std::string header = t.icoef == 6 ? (hund ? "J' " : "N' ") : (hund ? "J''" : "N''");
    const int labelColumn = Lambda(db, 1) != 0 ? 1 : 0;
    for (int c = 1; c <= t.TableCols; ++c) {
        std::string name = t.icoef == 6 ? cat.TableLabel.ValueAt(labelColumn, c) : cat.BranchName.ValueAt(hund, c);
        if (t.icoef == 6) name += IsYieldColumn(t, c) ? " (fraction)" : " (ns)";
        header += " ," + name + " ";
    }
    return header;
}

const std::string& NumberFormat(const DatabaseState& db, const TableState& t) {
    return db.cat.QuantityFormat(t.icoef, 0);
}

/// A quantity of the lists that the table cannot show: no values (nothing to save or print),
/// and a grid that says so.
void ShowUntabulated(TableView s, const std::string& name) {
    TableState& t = s.table;
    t.UntabulatedQuantity = name;
    t.TableData = {};
    t.Caption = "Database   " + s.db.cat.MoleculeName.ValueAt(s.db.systemEntry) + "  " + name;
    t.Grid = TableGrid{};
    t.Grid.Rows = 2;
    t.Grid.Cols = 1;
    t.Grid.ColWidths = {4000};
    t.Grid.Cells = {{name}, {"Not available as a table"}};
    t.Grid.Bold = {{true}, {false}};
}

/// A quantity that the system does not know: no values, and a grid that gives the reason.
void ShowNotKnown(TableView s, const std::string& why) {
    TableState& t = s.table;
    const std::string name = s.db.cat.QuantityName.ValueAt(0, t.icoef);
    t.NotKnownReason = why;
    t.TableData = {};
    t.Caption = "Database   " + s.db.cat.MoleculeName.ValueAt(s.db.systemEntry) +
                s.db.cat.SystemLabel.ValueAt(s.db.systemEntry) + "  " + name;
    t.Grid = TableGrid{};
    t.Grid.Rows = 2;
    t.Grid.Cols = 1;
    t.Grid.ColWidths = {12000};
    t.Grid.Cells = {{name}, {"Not known: " + why}};
    t.Grid.Bold = {{true}, {false}};
}

/// True for the quantities in absolute units: Einstein A (s-1), absorption coefficients and
/// the upper-level lifetimes and yields.
bool NeedsAbsoluteScale(int quantity) { return quantity == 1 || quantity == 2 || quantity == 6; }

}  // namespace

std::string NotKnownReason(const DatabaseState& db, int quantity) {
    if (!NeedsAbsoluteScale(quantity)) return {};
    const std::string why = database::NoAbsoluteScale(db.cat, db.systemEntry);
    if (why.empty()) return {};
    return "this quantity (" + Trim(db.cat.QuantityTitle.ValueAt(quantity)) + ") needs the absolute scale: " + why;
}

double LineEinsteinA(const DatabaseState& db, double emission) {
    return emission * db.LineUnitFactor[0] * db.cat.EmissionScale.ValueAt(db.systemEntry);
}

double LineOscillatorStrength(const DatabaseState& db, double absorption, double nu) {
    return absorption * db.LineUnitFactor[1] * kSpeedOfLightCm / 100.0 * nu * kOscillatorStrengthFactor;
}

bool BranchHasJAboveN(int branch) {
    switch (branch) {
        case 1:
        case 3:
        case 5:
        case 10:
        case 11:
        case 12:
        case 13:
        case 15:
        case 17:
        case 22:
        case 23:
        case 24:
            return true;
        default:
            return false;
    }
}

bool IsRotationalLayout(const TableState& t) { return t.tableKind == 2 || t.icoef == 6; }

void ComputeTableGeometry(const DatabaseState& db, TableState& t) {
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry;
    t.RowStep = 1;
    t.SatOffset = 0;
    if (t.icoef == 6) {
        // Upper-level data of v' = DbVUpper: lifetimes, lifetimes with predissociation, yields.
        const int lamU = Lambda(db, 1);
        t.TableCols = lamU != 0 ? 12 : 6;
        t.RowFirst = lamU;
        t.RowLast = std::max(lamU, db.RotRows);
        return;
    }
    if (t.tableKind == 1) {
        t.TableCols = cat.NMaxVib(systemEntry, 1) + 1;
        t.RowFirst = 1;
        t.RowLast = cat.NMaxVib(systemEntry, 2) + 1;
        return;
    }
    const int lamU = Lambda(db, 1), lamL = Lambda(db, 2);
    t.TableCols = 12;
    // Lower rows up to the last that holds lines: the P and O lines of the top upper level.
    const int lastRow = database::LastLineRow(db);
    if (lamU == 0 || lamL == 0) {
        t.RowFirst = lamL;
        t.RowLast = lastRow;
    } else {
        // Two rows per level: branches 1..12, then the second set 13..24.
        t.RowStep = 2;
        t.RowFirst = 2 * lamL;
        t.RowLast = 2 * lastRow + 1;
        t.SatOffset = t.icoef == 3 || t.icoef == 5 ? 0 : 12;
    }
}

void FillTableData(const DatabaseState& db, TableState& t) {
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry;
    t.TableData.Resize(0, std::max(t.RowLast, cat.MaxN), 0, 24);
    const int q = t.icoef;

    // Unit conversions common to band and line values; `position` in cm-1.
    auto convert = [&](double value, double position) {
        if (q == 1) value *= cat.EmissionScale(systemEntry);
        if (q == 2 && t.DbUnitsAbs > 1) {
            value *= kSpeedOfLightCm / 100.0;  // to m3 J-1 s-2
            if (t.DbUnitsAbs == 3) value *= position * kOscillatorStrengthFactor;
        }
        if (q == 4 && value != 0.0) value = WavenumberToAxis(value, t.DbUnitsPos);
        return value;
    };

    if (q == 6) {
        const int v = t.DbVUpper;
        for (int row = t.RowFirst; row <= t.RowLast; ++row) {
            for (int col = 1; col <= t.TableCols; ++col) {
                int N = row;
                // Case (a): F1 columns (odd) show level N - 1 so that each row holds one J.
                if (t.nomenclature == 1 && col % 2 == 1) N = row - 1;
                const bool ok = N >= 0 && db.UpperLevelData.Contains(v, col, N);
                t.TableData(row, col) = ok ? db.UpperLevelData(v, col, N) : 0.0f;
            }
        }
        return;
    }
    if (t.tableKind == 1) {
        for (int row = t.RowFirst; row <= t.RowLast; ++row) {
            const int vl = row - 1;
            for (int col = 1; col <= t.TableCols; ++col) {
                const int vu = col - 1;
                if (!db.BandData.Contains(q, vu, vl)) continue;
                double value = db.BandData(q, vu, vl);
                if (q <= 3) value *= db.BandUnitFactor[static_cast<std::size_t>(q - 1)];
                t.TableData(row, col) = static_cast<float>(convert(value, db.BandData(4, vu, vl)));
            }
        }
        return;
    }
    for (int row = t.RowFirst; row <= t.RowLast; ++row) {
        const int N = RowLevel(t, row);
        const bool second = t.RowStep == 2 && row % 2 == 1;
        for (int col = 1; col <= 12; ++col) {
            const int branch = second ? col + t.SatOffset : col;
            const int level = ShiftedInCaseA(t, col, N) ? N - 1 : N;
            if (!db.LineData.Contains(q, branch, level)) continue;
            double value = db.LineData(q, branch, level);
            if (q <= 3) value *= db.LineUnitFactor[static_cast<std::size_t>(q - 1)];
            t.TableData(row, col) = static_cast<float>(convert(value, db.LineData(4, branch, level)));
        }
    }
}

std::string DisplayedUnit(const DatabaseState& db, const TableState& t) {
    if (t.icoef == 2 && t.DbUnitsAbs == 2) return "m3J-1s-2";
    if (t.icoef == 2 && t.DbUnitsAbs == 3) return "oscillator strength";
    // Positions are converted to these units whatever the catalogue calls its first unit.
    if (t.icoef == 4 && t.DbUnitsPos == 1) return "Angstrom (Vacuum)";
    if (t.icoef == 4 && t.DbUnitsPos == 2) return "Angstrom (Air)";
    if (t.icoef == 4 && t.DbUnitsPos == 3) return "cm-1";
    // Without an absolute scale the band strengths are those of a unit moment: relative.
    if (t.icoef == 3 && !database::DescriptionOf(db.cat, db.systemEntry).absoluteScale) return "relative (unit moment)";
    return db.cat.QuantityUnit(t.icoef);
}

std::string ValueCell(const DatabaseState& db, const TableState& t, double value) {
    if (!(value > 0.0)) return "  ------ ";
    return Format(value, NumberFormat(db, t));
}

char RowParity(const DatabaseState& db, const TableState& t, int row) {
    if (t.RowStep != 2 || t.icoef == 6 || !IsRotationalLayout(t)) return 0;
    const int N = RowLevel(t, row);
    const database::LineLevels lv = database::BranchLevels(db, db.systemEntry, row % 2 == 1 ? 13 : 1, N);
    return database::ParityLabel(db, db.systemEntry, 2, lv.lowRow, lv.lowF, lv.lowBlock);
}

std::string QuantityCaption(const DatabaseState& db, const TableState& t) {
    std::string name = db.cat.QuantityName(0, t.icoef);
    // The band's position is the mean of its first P1 and P2 lines, not its origin.
    if (!IsRotationalLayout(t) && t.icoef == 4) name += " (band: mean of the first P1 and P2 lines)";
    if (t.RowStep == 2 && IsRotationalLayout(t) && t.icoef != 6)
        name += "  (e/f: parity of the lower level of the P1 and R1 lines)";
    return name;
}

void WriteTableGrid(const DatabaseState& db, TableState& t) {
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry;
    const bool rotational = IsRotationalLayout(t);
    const int hund = t.nomenclature != 0 ? 1 : 0;

    // Caption.
    const std::string name = QuantityCaption(db, t);
    if (t.icoef == 6) {
        t.Caption = "Database   " + cat.MoleculeName(systemEntry) + " (" + cat.StateLabel(1, systemEntry) + ") " +
                    " v'=" + Str(t.DbVUpper) + "  " + name;
    } else {
        t.Caption = "Database   " + cat.MoleculeName(systemEntry) + cat.SystemLabel(systemEntry);
        if (rotational) t.Caption += " (" + Str(t.DbVUpper) + "," + Str(t.DbVLower) + ")";
        t.Caption += "  " + name;
    }

    TableGrid& g = t.Grid;
    g.Rows = 1 + std::max(0, t.RowLast - t.RowFirst + 1);
    g.Cols = t.TableCols + 1;
    g.FixedRows = 1;
    g.FontSize = 10;
    g.ColWidths.assign(static_cast<std::size_t>(g.Cols), 1300);
    g.ColWidths[0] = 800;
    g.Cells.assign(static_cast<std::size_t>(g.Rows), std::vector<std::string>(static_cast<std::size_t>(g.Cols)));
    g.Bold.assign(static_cast<std::size_t>(g.Rows), std::vector<bool>(static_cast<std::size_t>(g.Cols), false));
    for (auto& row : g.Bold) row[0] = true;

    // Header row.
    auto& head = g.Cells[0];
    if (!rotational) {
        head[0] = cat.StateLabel(2, systemEntry) + " v''";
        for (int j = 0; j < t.TableCols; ++j)
            head[static_cast<std::size_t>(j + 1)] = cat.StateLabel(1, systemEntry) + " v'=" + Str(j);
    } else if (t.icoef == 6) {
        head[0] = hund ? "J' " : "N' ";
        const int column = Lambda(db, 1) != 0 ? 1 : 0;
        for (int c = 1; c <= t.TableCols; ++c) head[static_cast<std::size_t>(c)] = cat.TableLabel(column, c);
    } else {
        head[0] = hund ? "J''" : "N''";
        for (int c = 1; c <= t.TableCols; ++c) head[static_cast<std::size_t>(c)] = cat.BranchName(hund, c);
    }

    // Row labels and values.
    for (int row = t.RowFirst; row <= t.RowLast; ++row) {
        auto& cells = g.Cells[static_cast<std::size_t>(row - t.RowFirst + 1)];
        if (!rotational) {
            cells[0] = Format(row - 1, " #0 ");
        } else {
            const int N = RowLevel(t, row);
            if (hund)
                cells[0] = N - 0.5 < 0 ? "----" : Format(N - 0.5, "##.#");
            else
                cells[0] = Format(N, " #0 ");
            if (const char parity = RowParity(db, t, row)) cells[0] += std::string(hund ? " " : "") + parity;
        }
        for (int c = 1; c <= t.TableCols; ++c)
            cells[static_cast<std::size_t>(c)] = ValueCell(db, t, t.TableData(row, c));
    }
}

bool BuildDatabaseTable(TableView s) {
    if (!s.dataReady || !s.db.SystemLoaded) return false;
    TableState& t = s.table;
    if (!t.UntabulatedQuantity.empty()) {
        ShowUntabulated(s, t.UntabulatedQuantity);
        return true;
    }
    t.NotKnownReason.clear();
    if (const std::string why = NotKnownReason(s.db, t.icoef); !why.empty()) {
        ShowNotKnown(s, why);
        return true;
    }
    if (IsRotationalLayout(t)) EnsureBandLoaded(s);
    const TableState before = t;
    ComputeTableGeometry(s.db, t);
    FillTableData(s.db, t);
    // Values beyond single precision in the unit chosen: no table rather than "Infinity".
    if (!AllFinite(t.TableData)) {
        t = before;
        throw std::runtime_error("the table would hold values beyond single precision in this unit");
    }
    WriteTableGrid(s.db, t);
    return true;
}

void RefreshDatabaseTable(TableView s) {
    try {
        BuildDatabaseTable(s);
    } catch (const std::exception& e) {
        // The band's file could not be read: the table shown before stays.
        s.dialogs->ShowMessage(e.what());
    }
}

void SaveDatabaseTable(TableView s, const std::filesystem::path& path, CsvLayout layout) {
    const DatabaseState& db = s.db;
    const Catalogue& cat = db.cat;
    const TableState& t = s.table;
    const int systemEntry = db.systemEntry;
    if (!t.NotKnownReason.empty()) throw FileError::In(path.string(), "there is no table to save: " + t.NotKnownReason);
    if (t.TableData.Empty()) throw FileError::In(path.string(), "there is no table to save");
    const std::string& format = NumberFormat(db, t);

    AtomicTextWriter out(path);
    out.WriteLine("RADICAL: " + cat.MoleculeName(systemEntry));
    out.WriteLine("QUANTITY:" + cat.QuantityTitle(t.icoef));
    out.WriteLine("UNITS   :" + CsvUnits(db, t, layout));
    if (!IsRotationalLayout(t)) {
        out.WriteLine("BAND " + cat.SystemLabel(systemEntry));
        std::string header = cat.StateLabel(2, systemEntry) + " v'' ";
        for (int j = 0; j < t.TableCols; ++j)
            header += " ," + cat.StateLabel(1, systemEntry) + " v'= " + std::to_string(j) + " ";
        out.WriteLine(header);
        for (int row = 0; row < t.RowLast; ++row) {
            std::string line = Format(row, "#0  ");
            for (int c = 1; c <= t.TableCols; ++c) line += CsvValue(t.TableData(row + 1, c), format, layout);
            out.WriteLine(line);
        }
    } else {
        out.WriteLine("BAND " + cat.SystemLabel(systemEntry) + Format(t.DbVUpper, "#0 -") + Format(t.DbVLower, " #0 "));
        if (layout == CsvLayout::Labelled) out.WriteLine(RotationalCsvHeader(db, t));
        for (int row = t.RowFirst; row <= t.RowLast; ++row) {
            const int N = RowLevel(t, row);
            std::string line;
            if (t.nomenclature == 0)
                line = Format(N, "#0  ");
            else
                line = N - 0.5 > 0 ? Format(N - 0.5, "#0.# ") : "    ";
            for (int c = 1; c <= t.TableCols; ++c) line += CsvValue(t.TableData(row, c), format, layout);
            out.WriteLine(line);
        }
    }
    out.Commit();
}

// ---- Control events -------------------------------------------------------------------------

void FillDatabaseUnits(TableView s) {
    TableState& t = s.table;
    const Catalogue& cat = s.db.cat;
    t.DatabaseUnitsItems.clear();
    if (cat.QuantityUnit.Contains(t.icoef)) t.DatabaseUnitsItems.push_back(cat.QuantityUnit(t.icoef));
    t.DatabaseUnitsIndex = 0;
    if (t.icoef == 2) {
        t.DatabaseUnitsItems.push_back("m3J-1s-2");
        t.DatabaseUnitsItems.push_back("oscillator strength");
        t.DatabaseUnitsIndex = t.DbUnitsAbs - 1;
    } else if (t.icoef == 4) {
        t.DatabaseUnitsItems.push_back("Angstrom (Air)");
        t.DatabaseUnitsItems.push_back("cm-1");
        t.DatabaseUnitsIndex = t.DbUnitsPos - 1;
    }
}

void FillQuantityItems(TableView s) {
    TableState& t = s.table;
    const Catalogue& cat = s.db.cat;
    t.QuantityItems.clear();
    for (int k = 1; k <= 6; ++k)
        if (cat.QuantityName.Contains(t.Information, k) && !cat.QuantityName(t.Information, k).empty())
            t.QuantityItems.push_back(cat.QuantityName(t.Information, k));
}

void FillRotationalBranches(TableView s) {
    const Catalogue& cat = s.db.cat;
    const int hund = s.table.nomenclature != 0 ? 1 : 0;
    auto& items = s.rotationalBranchItems;
    items.assign(1, "All");
    for (int b = 1; b <= 12; ++b)
        items.push_back(cat.BranchName.Contains(hund, b) ? cat.BranchName(hund, b) : std::string());
    s.branchSelection = 0;
}

void CmbResolution_Click(TableView s, int index) {
    s.table.tableKind = index == 1 ? 2 : 1;
    RefreshDatabaseTable(s);
}

void CmbUpper_Click(TableView s, int index) {
    s.table.DbVUpper = std::max(0, index);
    RefreshDatabaseTable(s);
}

void CmbLower_Click(TableView s, int index) {
    s.table.DbVLower = std::max(0, index);
    RefreshDatabaseTable(s);
}

void CmbQuantity_Click(TableView s, int index) {
    TableState& t = s.table;
    if (index < 0 || index >= static_cast<int>(t.QuantityItems.size())) {
        if (t.Information != 0 || index < 0 || index > 5) return;
        t.icoef = index + 1;
    } else {
        // The item names the quantity; classes other than "Transition" offer only some of them.
        const std::string& name = t.QuantityItems[static_cast<std::size_t>(index)];
        int found = 0;
        for (int k = 1; k <= 6 && !found; ++k)
            if (s.db.cat.QuantityName(0, k) == name) found = k;
        if (!found) {
            ShowUntabulated(s, name);
            return;
        }
        t.icoef = found;
    }
    t.UntabulatedQuantity.clear();
    FillDatabaseUnits(s);
    RefreshDatabaseTable(s);
}

void CmbNomenclature_Click(TableView s, int index) {
    s.table.nomenclature = index == 1 ? 1 : 0;
    FillRotationalBranches(s);
    RefreshDatabaseTable(s);
}

void CmbDatabaseUnits_Click(TableView s, int index) {
    TableState& t = s.table;
    if (t.icoef == 2) t.DbUnitsAbs = std::clamp(index + 1, 1, 3);
    if (t.icoef == 4) t.DbUnitsPos = std::clamp(index + 1, 1, 3);
    if (t.icoef == 2 || t.icoef == 4) t.DatabaseUnitsIndex = index;
    RefreshDatabaseTable(s);
}

void CmbInformation_Click(TableView s, int index) {
    TableState& t = s.table;
    const int information = std::clamp(index, 0, 2);
    const bool changed = information != t.Information;
    t.Information = information;
    FillQuantityItems(s);
    // A new class shows its first quantity at once.
    if (changed && !t.QuantityItems.empty()) CmbQuantity_Click(s, 0);
}

namespace {

/// A table chosen from the "Database" menu: its kind and quantity, then the refreshed table.
void ChooseTable(TableView s, int tableKind, int icoef) {
    s.table.UntabulatedQuantity.clear();
    s.table.tableKind = tableKind;
    s.table.icoef = icoef;
    FillDatabaseUnits(s);
    RefreshDatabaseTable(s);
}

}  // namespace

void mnuDatabaseTransition_Click(TableView s, int item) { ChooseTable(s, 1, std::clamp(item, 1, 4)); }

void mnuDatabaseTransition2_Click(TableView s, int item) { ChooseTable(s, 2, std::clamp(item, 1, 5)); }

void mnuDatabaseUpperState_Click(TableView s) { ChooseTable(s, 2, 6); }

}  // namespace velmora::table
