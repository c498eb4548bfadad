// Which layout a spectrum file has, recognised from its first bytes (the extension only as a
// hint), and the one entry point that reads any of them into the experiment arrays.
#pragma once

#include <string>
#include <string_view>

#include "common/services.h"
#include "experiment/column_table.h"
#include "experiment/experiment_state.h"
#include "experiment/spectrum_units.h"

namespace velmora::experiment {

/// The layouts the spectrum loader reads.
enum class SpectrumFormat {
    TwoColumn,   ///< plain x, y lines (the fallback for anything not recognised)
    HeaderText,  ///< a header block (key: value lines or "Begin Spectral Data"), then columns
    Csv,         ///< a spreadsheet table: a header row naming three or more columns
    JcampDx,     ///< JCAMP-DX labelled records with an XYDATA table
    AndorAscii,  ///< .asc: x and one or more frame columns
    Spe3,        ///< .spe: SPE 3.0 binary frames with an XML footer
    Columns,     ///< plain lines of several numbers read for a chosen intensity column
};

/// Largest intensity column (or frame) that may be chosen.
inline constexpr int kMaxIntensityColumn = 1000;

/// How a spectrum file is to be read: the unit of its x chosen by the user (kAutomaticXUnit or
/// an axis unit code), the axis unit, the intensity column (1-based; 0 the automatic choice:
/// the second of plain lines of numbers, the last of a table with a header, the sum of the
/// frames) and the column of standard uncertainties (1-based; 0: none is read, whatever
/// columns the file has).
struct SpectrumReading {
    int xUnit = kAutomaticXUnit;
    int axisUnits = 1;
    int column = 0;
    int sigmaColumn = 0;
};

/// A spectrum file as read, before its points go to the arrays of the plot.
struct SpectrumRead {
    /// x in `unit`, y as written, σ when a column of them was asked for, in the order of the
    /// file. In automatic mode x below 1000 (nm) are made Å and only x above 1000 Å are kept;
    /// otherwise every x above 0 is kept.
    SpectrumPoints points;
    SpectrumFormat format = SpectrumFormat::TwoColumn;
    int unit = 1;               ///< axis unit code of x, as ExperimentState::ReadUnit
    bool unitDeclared = false;  ///< the file stated the unit of its x
    /// What the user should know although the read succeeded (the layout read, decimal commas);
    /// empty for plain two columns with decimal points.
    std::string notice;
};

/// The name a message gives the layout ("JCAMP-DX", ...).
std::string_view FormatName(SpectrumFormat format);

/// Recognises the layout from the start of a file (`head`, a few kilobytes suffice) and its
/// extension (lower or upper case, with or without the dot).
SpectrumFormat DetectSpectrumFormat(std::string_view head, std::string_view extension);

/// The points a spectrum keeps, y and σ with their x: with the nm rule x below 1000 (nm) become Å
/// and only x above 1000 Å stay; without it, every x above 0.
SpectrumPoints KeptSpectrumPoints(const SpectrumPoints& points, bool nanometreRule = true);

/// Puts points into ExpXRaw/ExpYRaw and ExpX/ExpY with the two-column rules: x below 1000 is nm
/// and becomes Å, only x above 1000 Å is kept, the largest intensity becomes 100. Without the
/// nm rule (a file whose x unit the user named) x is kept as written, every x above 0. Returns
/// the number of points kept. Throws SpectrumReadError for an intensity beyond single precision.
int StoreSpectrumPoints(ExperimentState& exp, const SpectrumPoints& points, bool nanometreRule = true);

/// Reads a spectrum file of any recognised layout with the intensity column of `how`. Plain
/// two-column text goes to ReadTwoColumn with its rules and messages (a chosen column other than
/// the second reads it as columns of numbers); another layout leaves "<file>: read as <layout>"
/// in ReadNotice, and a failure shows kReadFailureMessage with the file, the line or byte offset,
/// and the problem. x is left in exp.ReadUnit: the unit a self-describing file declares (named in
/// ReadNotice, together with a chosen unit it overrules), else the unit chosen, with the nm rule
/// of StoreSpectrumPoints in automatic mode.
bool ReadSpectrumFile(ExperimentState& exp, const std::string& path, Dialogs& dialogs, const SpectrumReading& how = {});

/// Reads a spectrum file by the rules of ReadSpectrumFile (layouts, decimal commas, declared and
/// chosen units, intensity column, the refusal of what is not a regular file and the limits of
/// size), in double precision and without scaling: for fits and scripts. With `how.sigmaColumn`
/// the uncertainties come from that column of a file of columns (plain lines of numbers, which
/// are then read as a table, a header block or CSV); JCAMP-DX, SPE and Andor files hold none and
/// are refused. Throws FileError "<file>[ (read as <layout>)][, line <n>]: <problem>".
SpectrumRead ReadSpectrumPoints(const std::string& path, const SpectrumReading& how = {});

}  // namespace velmora::experiment
