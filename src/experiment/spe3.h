// SPE 3.0 camera files (.spe): a 4100-byte binary header, the frames of pixel data, and an XML
// footer that holds, among the settings, the wavelength of every pixel column.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "experiment/column_table.h"
#include "experiment/spectrum_frame.h"

namespace velmora::experiment {

/// What an SPE file held.
struct SpeInfo {
    int width = 0, height = 0, frames = 0;
    int chosen = 0;  ///< frame read (1-based); 0 when all frames were summed
};

/// The layout of an SPE 3.0 file: its sizes, pixel type and the wavelength of every column.
struct Spe3Layout {
    int width = 0, height = 0, frames = 0;
    int type = 0;                     ///< 0 float32, 1 int32, 2 int16, 3 uint16, 8 uint32
    int pixelBytes = 0;               ///< 4 or 2
    std::vector<double> wavelengths;  ///< nm, one per pixel column
};

/// Reads the header and the footer's calibration of an SPE 3.0 file held in memory, checking
/// that every frame lies in the file (see ReadSpe3). Throws SpectrumReadError naming the byte.
Spe3Layout ReadSpe3Layout(std::string_view bytes);

/// Pixel (row r, column c) of frame f (all 0-based) of a file whose layout was read.
double Spe3Pixel(std::string_view bytes, const Spe3Layout& layout, int f, int r, int c);

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

/// Reads frame `frame` (1-based; 0 the sum of all frames) of an SPE 3.0 file as a frame: one row
/// per row of the sensor, x the calibration in nm. Throws SpectrumReadError naming the byte.
SpectrumFrame ReadSpe3Frame(std::string_view bytes, int frame);

}  // namespace velmora::experiment
