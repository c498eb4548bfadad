// The database table: geometry per kind, quantity and nomenclature, values in the chosen units,
// the grid cells, the caption, the CSV export and the control events of the table window.
#pragma once

#include <filesystem>
#include <string>

#include "table/table_view.h"

namespace velmora::table {

/// Branches whose lower level has J = N + 1/2 in both branch sets (1..24): their case (a)
/// labels and rows are shifted by one level.
bool BranchHasJAboveN(int branch);

/// Oscillator strength per unit of absorption coefficient (m3 J-1 s-2) and wavenumber (cm-1):
/// f = 4 eps0 m_e h c / e^2 x nu x B, with c in cm/s.
inline constexpr double kOscillatorStrengthFactor = 2.4966093e-26;

/// Empty when the system knows database quantity 1..6; else why not (Einstein A, absorption
/// coefficients, lifetimes and yields of a system without an absolute scale).
std::string NotKnownReason(const DatabaseState& db, int quantity);
/// A line's emission coefficient (LineData q = 1) as the tables show it: its Einstein A, s-1.
double LineEinsteinA(const DatabaseState& db, double emission);
/// A line's absorption coefficient (q = 2) at its position nu (cm-1) as the tables show it in
/// "oscillator strength": its absorption oscillator strength.
double LineOscillatorStrength(const DatabaseState& db, double absorption, double nu);

/// Lays out and fills the table for the current selection: loads the band of a rotational table
/// when needed, computes TableData, the grid cells and the caption. Returns false (and does
/// nothing) while no band system is loaded; throws FileError or std::invalid_argument when the
/// band cannot be loaded, leaving the table as it was.
bool BuildDatabaseTable(TableView s);
/// The same for the control events: a band that cannot be loaded is reported in a message box.
void RefreshDatabaseTable(TableView s);

/// The e/f label of a row of a rotational table with two rows per level (Λ ≥ 1 in both
/// states): the parity of the lower level of the row's P1 and R1 lines; 0 for other tables.
char RowParity(const DatabaseState& db, const TableState& t, int row);
/// The quantity as the caption names it, with what a vibrational position is and what the e/f
/// of the rows mean.
std::string QuantityCaption(const DatabaseState& db, const TableState& t);

/// Geometry only (TableCols, RowFirst, RowLast, RowStep, SatOffset) for the loaded band.
void ComputeTableGeometry(const DatabaseState& db, TableState& t);
/// TableData for the geometry, in the units chosen for absorption and positions.
void FillTableData(const DatabaseState& db, TableState& t);
/// Caption, header row, row labels and value cells from TableData.
void WriteTableGrid(const DatabaseState& db, TableState& t);

/// Rotational level N of a table row.
inline int RowLevel(const TableState& t, int row) { return row / (t.RowStep > 0 ? t.RowStep : 1); }
/// True for the tables by rotational level (rotational kind, and the upper-level quantity).
bool IsRotationalLayout(const TableState& t);
/// CmbUpper (v') is enabled for the tables by rotational level, CmbLower (v'') only for the
/// rotational tables of a band.
inline bool CmbUpperEnabled(const TableState& t) { return IsRotationalLayout(t); }
inline bool CmbLowerEnabled(const TableState& t) { return t.tableKind == 2 && t.icoef != 6; }
/// The unit the table shows its values in (the catalogue unit, or the one chosen).
std::string DisplayedUnit(const DatabaseState& db, const TableState& t);
/// Text of a value cell: dashes for values <= 0.
std::string ValueCell(const DatabaseState& db, const TableState& t, double value);

/// How a saved table is laid out.
enum class CsvLayout {
    /// Every table with a line naming its columns (the upper-level values with their units), and
    /// values that do not exist as empty cells: what a spreadsheet reads directly.
    Labelled,
    /// The earlier layout that scripts may read: no column names in rotational tables, values
    /// that do not exist written as zeros, one unit line for every column.
    Classic,
};

/// Writes the table as "Save database table" does (CR-LF, comma-separated, one comma per value
/// column). Throws FileError naming the file when it cannot be written.
void SaveDatabaseTable(TableView s, const std::filesystem::path& path, CsvLayout layout = CsvLayout::Labelled);

// Control events of the table window.
void CmbResolution_Click(TableView s, int index);    ///< 0 "Vibrational", 1 "Rotational"
void CmbUpper_Click(TableView s, int index);         ///< v' of the rotational table
void CmbLower_Click(TableView s, int index);         ///< v'' of the rotational table
void CmbQuantity_Click(TableView s, int index);      ///< an item of QuantityItems
void CmbNomenclature_Click(TableView s, int index);  ///< 0 case b (N), 1 case a (J)
void CmbDatabaseUnits_Click(TableView s, int index);
/// 0 transition, 1 upper, 2 ground state: a changed class offers its quantities and shows the
/// first of them (a quantity without a table shows a grid that says so).
void CmbInformation_Click(TableView s, int index);
/// Menu "Vibrationals" item 1..4 and "Rotationals" item 1..5: kind and quantity, then refresh.
void mnuDatabaseTransition_Click(TableView s, int item);
void mnuDatabaseTransition2_Click(TableView s, int item);
/// Menu "Upper State" ("Lifetimes", "Predissociation"): the table by upper level, then refresh.
void mnuDatabaseUpperState_Click(TableView s);

/// Items of CmbDatabaseUnits for the current quantity, and the selected one.
void FillDatabaseUnits(TableView s);
/// Items of CmbQuantity for the information class.
void FillQuantityItems(TableView s);
/// Items of the plot's branch list ("All" and the 12 branch names of the nomenclature); selects
/// "All".
void FillRotationalBranches(TableView s);

}  // namespace velmora::table
