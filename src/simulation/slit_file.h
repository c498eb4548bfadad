// Measured instrument-function files: two columns, the offset from the line centre and the
// relative response, one point a line. Lines before the first number (a header) and lines
// starting with '#' are skipped; the columns are separated by blanks, tabs, commas or semicolons.
#pragma once

#include <string>

#include "simulation/instrument_function.h"

namespace velmora::simulation {

/// Reads a measured instrument function with offsets in `unit`. Offsets may run either way but
/// must not repeat; a negative response (noise about a zero baseline) counts as 0. Throws
/// FileError naming the file and line for a missing file, a line without two finite numbers,
/// repeated or unordered offsets, or fewer than three points enclosing no area.
MeasuredSlit ReadSlitFile(const std::string& path, SlitOffsetUnit unit);

}  // namespace velmora::simulation
