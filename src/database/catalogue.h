// Reading the catalogue VELMORA.SYS, sizing the database arrays and the fixed name tables.
#pragma once

#include <string>

#include "database/database_state.h"

namespace velmora::database {

/// Sets the database folder (AppPath) from a folder name, adding the trailing separator.
void SetAppPath(DatabaseState& db, const std::string& folder);

/// Reads db.AppPath + "VELMORA.SYS" and fills the catalogue, sizing every database array.
/// Throws FileError naming the file and the problem; on failure db is left as it was.
void LoadCatalogue(DatabaseState& db);

/// Throws std::invalid_argument naming the entry and the catalogue's range when `entry` is not
/// one of its entries.
void CheckEntry(const Catalogue& cat, int entry);

/// Sizes every per-entry array of the catalogue and every band, level and line array of the
/// database for `count` entries, vibrational levels up to maxVUpper/maxVLower and rotational rows
/// up to maxN, and fills the fixed tables. Forgets any loaded band or system.
void DimensionCatalogueArrays(DatabaseState& db, int count, int maxVUpper, int maxVLower, int maxN);

/// Fills the tables that do not come from the catalogue file: unit, intensity-unit, lineshape,
/// population-kind and quantity names, pressure factors and formulas, quenching unit factors.
void FillFixedTables(Catalogue& cat);

}  // namespace velmora::database
