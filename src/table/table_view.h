// What the database table's events work on: the table, the database it shows, the plot's
// branch selector that follows the table's nomenclature, and the window-system dialogs. A view
// is a handle: its members are the states themselves, which the program hands over.
#pragma once

#include <string>
#include <vector>

#include "common/services.h"
#include "database/database_state.h"
#include "table/table_state.h"

namespace velmora::table {

struct TableView {
    DatabaseState& db;
    TableState& table;
    const bool& dataReady;  ///< a database folder is loaded
    /// Items and selection of the plot's rotational-branch selector, named in the table's
    /// nomenclature (case a or b).
    std::vector<std::string>& rotationalBranchItems;
    int& branchSelection;
    Dialogs* dialogs;
};

}  // namespace velmora::table
