// Selection and contents of the database table.
#pragma once

#include <string>

#include "common/bounded_array.h"

namespace velmora {

struct TableState {
    int itran = 1;    ///< 1 vibrational, 2 rotational
    int icoef = 1;    ///< quantity 1..6
    int intHund = 1;  ///< 0 case b (N), 1 case a (J)
    int DbVUpper = 0, DbVLower = 0;
    int DbUnitsAbs = 1, DbUnitsPos = 3;
    Array2<float> TableData;  ///< (row 0..MaxN, column 0..24)
    int TableCols = 0;
    int RowFirst = 0, RowLast = 0, RowStep = 1, SatOffset = 0;
};

}  // namespace velmora
