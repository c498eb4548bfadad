// Andor-style ASCII exports (.asc): one line per pixel, the x value (wavelength or pixel) in the
// first column and one column per frame (kinetic series, accumulations kept apart), separated
// by tabs, commas or blanks; newer exports append a block of "Key: value" lines after the
// numbers.
#pragma once

#include <string_view>

#include "experiment/column_table.h"
#include "experiment/spectrum_frame.h"

namespace velmora::experiment {

/// Frames an Andor ASCII file held and which were used.
struct AndorFrames {
    int count = 0;   ///< frame columns in the file
    int chosen = 0;  ///< the frame read (1-based), 0 when all were summed
};

/// Reads an Andor ASCII spectrum: x from the first column; the intensity is the frame in file
/// column `column` (1-based, so frame column - 1) or, with `column` 0, the sum of all frames.
/// The numbers end at the first line that does not start with one. Throws SpectrumReadError
/// naming the line for a missing or non-numeric field or a column that does not exist.
SpectrumPoints ReadAndorAscii(std::string_view text, int column, AndorFrames& frames);

/// Reads an Andor ASCII export of an image or a series as a frame: x from the first column, each
/// further column one row of the frame (a track of the sensor or a frame of the series). A
/// non-finite value is kept (NaN); the rest is checked as ReadAndorAscii checks it.
SpectrumFrame ReadAndorAsciiFrame(std::string_view text);

}  // namespace velmora::experiment
