// The corrections of a frame before its rows are fitted: a dark frame subtracted, the response
// (flat field) divided out, the position of each row, and the rows chosen and binned.
#pragma once

#include <string>

#include "experiment/spectrum_frame.h"

namespace velmora::experiment {

/// Subtracts a dark frame of the same columns: one row (subtracted from every row) or one row
/// per row of the frame. Throws FileError naming the dark frame when its size does not fit.
void SubtractDark(SpectrumFrame& frame, const SpectrumFrame& dark);

/// Divides by a response (a flat field), scaled to a mean of 1 so that the frame keeps its
/// units: one row (the spectral response of every row) or one row per row of the frame. Throws
/// FileError naming the response for a size that does not fit or a value that is not above 0.
void DivideResponse(SpectrumFrame& frame, const SpectrumFrame& response);

/// Sets the position of row r (0-based, as the file holds it) to first + r × step, in `unit`.
void SetRowPositions(SpectrumFrame& frame, double first, double step, const std::string& unit);

/// Rows first..last (1-based, inclusive; last 0 means the last row), then every `bin`
/// consecutive rows averaged into one at their mean position (the last group may hold fewer).
/// Throws std::invalid_argument naming the rows asked for when they do not lie in the frame.
SpectrumFrame SelectRows(const SpectrumFrame& frame, int first, int last, int bin);

}  // namespace velmora::experiment
