// SPE 3.0 camera files (.spe): a 4100-byte binary header, the frames of pixel data, and an XML
// footer that holds, among the settings, the wavelength of every pixel column.
#pragma once

#include <string_view>

#include "experiment/column_table.h"

namespace velmora::experiment {

/// What an SPE file held.
struct SpeInfo {
    int width = 0, height = 0, frames = 0;
    int chosen = 0;  ///< frame read (1-based); 0 when all frames were summed
};

/// Reads an SPE 3.0 file held in memory (little-endian). From the header: the x dimension
/// (uint16 at byte 42), the data type (int16 at byte 108: 0 float32, 1 int32, 2 int16, 3 uint16,
/// 8 uint32), the y dimension (uint16 at byte 656), the XML footer offset (uint64 at byte 678)
/// and the number of frames (int32 at byte 1446). The frames follow the header at byte 4100,
/// each width × height pixels; the rows of a frame are summed into one spectrum, and the frames
/// are summed too, or frame `frame` (1-based) is taken. x is the footer's <Wavelength> list
/// (comma-separated, one value per pixel column), left in nm, which the points declare. Throws
/// SpectrumReadError whose problem names the byte offset when the sizes do not fit the file or the
/// calibration is missing.
SpectrumPoints ReadSpe3(std::string_view bytes, int frame, SpeInfo& info);

}  // namespace velmora::experiment
