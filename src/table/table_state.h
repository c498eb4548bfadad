// Selection and contents of the database table.
#pragma once

#include <string>
#include <vector>

#include "common/bounded_array.h"

namespace velmora {

/// The grid of the database window as plain data: the shell copies it into its table widget.
struct TableGrid {
    int Rows = 0, Cols = 0;  ///< including the fixed header row and the label column
    int FixedRows = 1;
    double FontSize = 10;
    std::vector<int> ColWidths;                   ///< twips, per column
    std::vector<std::vector<std::string>> Cells;  ///< [row][column]
    std::vector<std::vector<bool>> Bold;          ///< [row][column]
};

struct TableState {
    int tableKind = 1;     ///< 1 vibrational, 2 rotational
    int icoef = 1;         ///< quantity 1..6
    int nomenclature = 1;  ///< 0 case b (N), 1 case a (J)
    int DbVUpper = 0, DbVLower = 0;
    int DbUnitsAbs = 1, DbUnitsPos = 3;
    /// Values shown: (row, column 0..24); rows as RowFirst..RowLast below, sized at each refresh.
    Array2<float> TableData;
    int TableCols = 0;
    /// First and last table row and rows per rotational level (1 or 2). Rotational rows are
    /// N x RowStep (+1 for the second row of a level); vibrational row r is v'' = r - 1.
    int RowFirst = 0, RowLast = 0, RowStep = 1, SatOffset = 0;

    int Information = 0;  ///< CmbInformation: 0 "Transition", 1 "Upper state", 2 "Ground state"
    /// The item of CmbQuantity chosen when it is a quantity the table cannot show ("Energy
    /// terms", "Quenching"); empty while the table shows icoef.
    std::string UntabulatedQuantity;
    /// Why the chosen quantity is not known for the system (it needs an absolute scale the
    /// system lacks); empty while the table shows values.
    std::string NotKnownReason;
    std::string Caption;  ///< window caption of the table
    TableGrid Grid;
    std::vector<std::string> QuantityItems;       ///< items of CmbQuantity
    std::vector<std::string> DatabaseUnitsItems;  ///< items of CmbDatabaseUnits
    int DatabaseUnitsIndex = 0;                   ///< selected item of CmbDatabaseUnits
};

}  // namespace velmora
