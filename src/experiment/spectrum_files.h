// Experimental spectrum files: the two-column reader and the writer of the corrected spectrum.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/services.h"
#include "experiment/column_table.h"
#include "experiment/column_text.h"
#include "experiment/experiment_state.h"

namespace velmora::experiment {

/// The message shown whenever a spectrum file cannot be read.
inline constexpr std::string_view kReadFailureMessage =
    "Problem reading the file.  Make sure the file format is just two columns separated by "
    "blanks, tabs or commas";

/// File dialogs of the spectrum files: titles, "|"-separated filters, default extensions.
inline constexpr std::string_view kLoadSpectraTitle = "Load spectra";
/// The first entry offers every layout the reader recognises; the entries after "All files"
/// narrow the choice to one spectrometer layout.
inline constexpr std::string_view kLoadSpectraFilter =
    "Experimental spectra (*.dat;*.csv;*.spc;*.txt;*.tsv;*.mod;*.jdx;*.dx;*.asc;*.spe)|"
    "*.dat;*.csv;*.spc;*.txt;*.tsv;*.mod;*.jdx;*.dx;*.asc;*.spe|Simulation spectra (*.mod)|*.mod|All files (*.*)|*.*|"
    "JCAMP-DX (*.jdx;*.dx)|*.jdx;*.dx|Andor ASCII (*.asc)|*.asc|SPE 3.0 (*.spe)|*.spe|Spreadsheet CSV (*.csv)|*.csv|";
inline constexpr std::string_view kSaveSpectraTitle = "Save Experimental Spectra";
inline constexpr std::string_view kSaveSpectraFilter =
    "Experimental spectra (*.dat)|*.dat|Comma delimited (*.csv)|*.csv|Experimental spectra "
    "(*.spc)|*.spc|";
inline constexpr std::string_view kSpectraDefaultExtension = "dat";

/// Points a spectrum may hold; a larger file is refused (it could not be drawn or compared
/// usefully, and 5 arrays of this size already take 200 MB).
inline constexpr int kMaxSpectrumPoints = 10'000'000;
/// Longest line accepted in a spectrum file (a two-column line is a few dozen characters).
inline constexpr std::size_t kMaxSpectrumLine = 1 << 20;

/// Sizes the five spectrum arrays 0..3000 (called once at start-up).
void InitExperimentArrays(ExperimentState& exp);

/// Grows the spectrum arrays so that index `hi` exists: ExpXRaw, ExpYRaw, ExpX and ExpY keep
/// their contents, Residual and SimAtExp are dimensioned afresh. Never shrinks.
void GrowExperimentArrays(ExperimentState& exp, int hi);

/// The leading number of a text, as Val reads it (blanks skipped, sign, digits, point, exponent
/// with E or D; the rest ignored; 0 when there is none), without allocating. A double quote
/// directly before the number is skipped too (spreadsheets quote their fields).
double LeadingNumber(std::string_view text);

/// A problem met while reading a spectrum: where, and what.
struct SpectrumReadError {
    long long line = 0;  ///< 1-based line of the file, 0 when not tied to a line
    std::string problem;
};

/// Reads two-column text handed over in chunks of any size into ExpXRaw/ExpYRaw, applying the
/// line rules: a line wrapped in double quotes loses them; the separator is a tab if the line
/// holds one, else a semicolon, else a comma, else a blank; x below 1000 is taken as nm and
/// multiplied by 10; only points with x above 1000 are kept (others are overwritten by the next
/// line); further columns are ignored; a line whose first field is no number is a heading. A
/// file whose numbers have decimal commas (its columns then separated by tabs, semicolons or
/// blanks) is recognised from its first such line and read as such. Line ends may be LF, CR-LF
/// or CR. Throws SpectrumReadError for binary data, an over-long line, a value that is not
/// finite or beyond single precision, a point without a numeric intensity, decimal points and
/// commas mixed, or too many points.
/// Without the nm rule (a file whose x unit the user named) x is kept as written and every
/// point with x above 0 is kept.
class TwoColumnReader {
public:
    explicit TwoColumnReader(ExperimentState& exp, bool nanometreRule = true)
        : exp_(&exp), nanometreRule_(nanometreRule) {}
    /// Reads into `points` instead of the experiment arrays: x (after the nm rule) and y in
    /// double precision, as written.
    explicit TwoColumnReader(SpectrumPoints& points, bool nanometreRule = true)
        : points_(&points), nanometreRule_(nanometreRule) {}

    void Feed(std::string_view chunk);
    /// Reads a last line that has no line end.
    void Finish();

    /// Points kept so far (the next index to fill).
    int Count() const { return count_; }
    /// Largest y of the points kept (0 when all are negative or none is kept).
    double MaxY() const { return maxY_; }
    long long Line() const { return line_; }
    /// The decimal mark of the file, as far as the lines read so far tell.
    const DecimalMarkDetector& Marks() const { return marks_; }
    /// The first field of the line that showed the decimal commas (empty with decimal points).
    const std::string& CommaExample() const { return commaExample_; }

private:
    void FeedText(std::string_view chunk);
    void ProcessLine(std::string_view line);
    void EndLine();
    void EndCarriageReturns(bool lineFeedFollows);

    ExperimentState* exp_ = nullptr;
    SpectrumPoints* points_ = nullptr;
    bool nanometreRule_;
    std::string pending_;  ///< start of a line continued in the next chunk
    int count_ = 0;
    double maxY_ = 0.0;
    long long line_ = 1;
    long long crRun_ = 0;  ///< CRs at the end of a line while undecided whether an LF follows
    bool atStart_ = true;  ///< a UTF-8 byte-order mark is dropped here
    std::string head_;     ///< the part of a byte-order mark seen so far
    bool utf16_ = false;   ///< the text starts like UTF-16 (named in the error)
    DecimalMarkDetector marks_;
    std::string commaExample_;
};

/// Hands the file at `path` to `reader` in chunks and finishes it. Returns "" when the whole file
/// was read, else what went wrong, after the file name and the line ("<file>, line <n>: ...");
/// a path that is no regular file (a folder, a named pipe, a device) is not opened.
std::string FeedFile(TwoColumnReader& reader, const std::string& path);

/// What a read with decimal commas leaves in ReadNotice: "<file>: the numbers have decimal commas
/// (line <n>: "<field>" is read as <value>)"; empty for a file with decimal points.
std::string DecimalCommaNotice(const TwoColumnReader& reader, const std::string& path);

/// Why a file gave no point: none with a wavelength above 1000 Å (the nm rule), or none above 0.
std::string NoPointProblem(bool nanometreRule);

/// Reads a two-column spectrum file into ExpXRaw, ExpYRaw and ExpPoints (the last index used)
/// and copies it to ExpX, ExpY (the caller applies the corrections). The y values are scaled
/// so that the largest is 100. Returns true when more than two points were read. On any failure
/// (missing file, not a regular file, unreadable, binary data, a value out of range or not a
/// number, too many points) the message box kReadFailureMessage is shown followed by what
/// happened (also left in ReadProblem), the points read so far stay in the raw arrays unscaled,
/// and the result is false. A file that gives no point at all is reported the same way. A file
/// read with decimal commas leaves a ReadNotice saying so. `nanometreRule` as for TwoColumnReader.
bool ReadTwoColumn(ExperimentState& exp, const std::string& path, Dialogs& dialogs, bool nanometreRule = true);

/// Writes the corrected spectrum ExpX, ExpY (0..ExpPoints), one point per line, x and y
/// separated by blanks and a comma; the target is replaced only when the file is complete.
/// Throws FileError naming the file.
void WriteModifiedSpectrum(const ExperimentState& exp, const std::string& path);

}  // namespace velmora::experiment
