// The database table of a band system of any multiplicity: the term values of a vibrational
// level per spin component and e/f block, the lines of a band under their branch names, and the
// band Einstein coefficients, laid out in the grid the table window shows. One layout serves
// every multiplicity: a triplet state's six components (F1..F3 × e/f) are six columns, and the
// lines of a band are one row each, so the table is as wide for a triplet as for a doublet.
#pragma once

#include <filesystem>
#include <string>

#include "database/multiplet_system.h"
#include "table/table_state.h"

namespace velmora::table {

/// Fills t.Grid and t.Caption for the system `system`, named `title` ("N2 (C-B)"), by the
/// selection of t:
/// - Information 1 or 2 (upper or ground state): the term values (cm-1, on the scale of the
///   constants) of v = DbVUpper or DbVLower, one row per J, one column per spin component and
///   parity block that holds levels ("F1 e" .. "F3 f"); a level whose nuclear-spin weight is 0
///   does not exist and shows dashes.
/// - Information 0, rotational kind: the lines of the band (DbVUpper, DbVLower) in order of
///   branch and then J'': branch, J'', N'', parity'' ("e"/"f"), position (cm-1), Hönl-London
///   factor, Einstein A (s-1).
/// - Information 0, vibrational kind: the band Einstein coefficients (s-1), one row per v'',
///   one column per v'.
/// A vibrational level or band the system does not have gives a grid that says so.
void WriteMultipletTable(const database::MultipletSystem& system, const std::string& title, TableState& t);

/// Writes the table WriteMultipletTable laid out as "Save database table" does (CR-LF,
/// comma-separated): the caption, the header row, then one line per row; dashes (no value)
/// become empty cells. Throws FileError naming the file when there is no table or it cannot be
/// written.
void SaveMultipletTable(const TableState& t, const std::filesystem::path& path);

}  // namespace velmora::table
