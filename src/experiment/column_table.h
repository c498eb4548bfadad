// Spectra written as a table of several columns below a header block: spectrometer text exports
// (key: value lines, or a header closed by a "Begin Spectral Data" line) and spreadsheet CSV
// files with a header row. The x column is found from the numbers; the intensity column is
// chosen.
#pragma once

#include <string_view>
#include <vector>

namespace velmora::experiment {

/// The x unit a self-describing file states (JCAMP-DX ##XUNITS, the nm calibration of an SPE
/// file); None for a file that does not say. The medium (air or vacuum) of a wavelength is never
/// stated.
enum class DeclaredXUnit { None, Angstrom, Nanometre, Wavenumber };

/// Points of a spectrum as a file gives them: x in the file's unit, intensity as written, and the
/// standard uncertainty of each intensity when a column of them was asked for (else empty).
struct SpectrumPoints {
    std::vector<double> x, y;
    DeclaredXUnit unit = DeclaredXUnit::None;  ///< the unit of x when the file states it
    std::vector<double> sigma = {};
};

/// Which columns a table reader used (1-based, as a user counts them); sigma 0 without one.
struct TableColumns {
    int x = 0, intensity = 0, count = 0, sigma = 0;
};

/// Which columns of a table are read besides x (1-based; 0 where the reader chooses).
struct ColumnChoice {
    int intensity = 0;  ///< 0: the last column that is neither x nor the uncertainties
    int sigma = 0;      ///< the column of standard uncertainties; 0 for none
    /// With intensity 0, take the first column after x that is not the uncertainties instead of
    /// the last (plain lines of numbers, whose second column is the intensity by custom).
    bool firstAfterX = false;
};

/// True for a line that closes a header block: "Begin Spectral Data", alone or between runs of
/// '>' and '<'.
bool IsBeginDataLine(std::string_view line);

/// Reads a table of numbers after its header block. The header is everything up to a
/// "Begin Spectral Data" line when the text holds one, else the leading lines whose first field
/// is no number (key: value lines, a header row). Fields are separated as column_text decides
/// (tab, semicolon, comma or blanks; decimal commas recognised). The x column is the first
/// column whose values rise or fall strictly; the intensity column is `column` (1-based), or the
/// last when `column` is 0. Throws SpectrumReadError naming the line for a field that is no
/// number, a line with too few columns, a value that is not finite, or no monotonic column.
SpectrumPoints ReadColumnTable(std::string_view text, int column, TableColumns& used);
/// The same with the columns of `choice`: the uncertainties too, when a column of them is named
/// (x is then sought among the other columns; it may not be the intensity column).
SpectrumPoints ReadColumnTable(std::string_view text, const ColumnChoice& choice, TableColumns& used);

}  // namespace velmora::experiment
