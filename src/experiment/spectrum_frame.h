// Frames of imaging spectrographs and cameras: a 2-D array of pixels read as a stack of spectra,
// one row per position along the slit (or image row), one column per pixel of the spectral axis
// (or of the image's second spatial axis). Each reader takes the file's bytes, so that a fuzzer
// can drive it, and refuses a malformed header with the byte or line and the reason; no reader
// allocates more than the caps below whatever a header claims.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/column_table.h"

namespace velmora::experiment {

/// Largest frame read: rows, columns and pixels (as 32-bit floats, 256 MB).
inline constexpr int kMaxFrameRows = 1 << 16;
inline constexpr int kMaxFrameColumns = 1 << 16;
inline constexpr std::size_t kMaxFramePixels = std::size_t{1} << 26;

/// One frame: pixel (r, c) of row r (0-based) and column c.
struct SpectrumFrame {
    std::string source;  ///< the file, for messages
    int rows = 0, columns = 0;
    std::vector<float> pixels;  ///< rows × columns, row after row

    /// The x of each column as the file calibrates it, in `axisUnit` (or the unit named by
    /// axisUnitName); empty when the file has no calibration (then the column index).
    std::vector<double> axis;
    DeclaredXUnit axisUnit = DeclaredXUnit::None;
    std::string axisUnitName;  ///< the unit as the file writes it ("nm", "mm"); empty when not stated
    /// The position of each row (the row index from 0 when the file gives none) and its unit.
    std::vector<double> positions;
    std::string positionUnit;
    std::string detail;  ///< how the file was read: "FITS, image 1 of 3, 512 x 1024 pixels"

    float At(int r, int c) const { return pixels[static_cast<std::size_t>(r) * columns + c]; }
    float& At(int r, int c) { return pixels[static_cast<std::size_t>(r) * columns + c]; }
};

/// The layouts a frame is read from.
enum class FrameFormat { Spe3, AndorAscii, Fits, Tiff, MatrixCsv };

/// The name a message gives the layout.
std::string_view FrameFormatName(FrameFormat format);

/// Recognises a frame file from its first bytes (FITS "SIMPLE  =", TIFF "II*" or "MM*"), its
/// extension (.spe, .asc) or, for text, a first line whose first field is empty (matrix CSV).
/// Throws SpectrumReadError when it is none of them.
FrameFormat DetectFrameFormat(std::string_view head, std::string_view extension);

/// Throws SpectrumReadError (line 0) unless rows × columns fits the caps; `where` begins the
/// problem ("byte 42: ", "NAXIS1/NAXIS2: ").
void CheckFrameSize(long long rows, long long columns, const std::string& where);

/// A frame of the given size with every pixel 0 and positions 0, 1, ... (after CheckFrameSize).
SpectrumFrame BlankFrame(int rows, int columns);

/// Reads a matrix CSV: the first line holds an empty field and then the x of every column; each
/// further line a position and that row's values. Fields are separated by commas, semicolons,
/// tabs or blanks (as column_text decides; decimal commas are recognised). Throws
/// SpectrumReadError naming the line for a field that is no number, a line of another length
/// or a non-finite x or position (a non-finite pixel is kept: the row then fails alone).
SpectrumFrame ReadMatrixCsv(std::string_view text);

/// Reads a frame file of any of the formats: `image` (1-based) chooses the image of a stack or
/// the frame of a kinetic series, 0 sums them (SPE, FITS cubes, TIFF stacks). Throws FileError
/// naming the file and the reason (not a regular file, larger than 2 GB, not a frame format, the
/// reader's problem with its byte or line).
SpectrumFrame ReadFrameFile(const std::string& path, int image = 1);

/// Reads an axis file: one value per line, the first number of each (further fields ignored),
/// lines before the first number and lines starting with '#' skipped. Throws FileError naming
/// the file and line for a value that is not finite or a line after the first that holds none.
std::vector<double> ReadAxisFile(const std::string& path);

/// Writes a frame as matrix CSV (the layout ReadMatrixCsv reads; NaN as an empty field), through
/// a temporary file that replaces `path` only when complete. FileError when it cannot be written.
void WriteMatrixCsv(const std::string& path, const SpectrumFrame& frame);

}  // namespace velmora::experiment
