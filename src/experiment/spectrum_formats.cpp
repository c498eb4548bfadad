#include "experiment/spectrum_formats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>

#include "common/errors.h"
#include "common/file_kind.h"
#include "common/number_format.h"
#include "experiment/andor_ascii.h"
#include "experiment/column_text.h"
#include "experiment/jcamp_dx.h"
#include "experiment/spe3.h"
#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

/// Largest file read whole into memory (a table of kMaxSpectrumPoints lines of a few columns).
constexpr std::uintmax_t kMaxTableFile = std::uintmax_t{1} << 30;
constexpr std::size_t kHeadSize = 1 << 16;

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!r.empty() && r.front() == '.') r.erase(0, 1);
    return r;
}

/// The first non-empty line of a text, trimmed.
std::string_view FirstLine(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t e = text.find_first_of("\r\n", pos);
        if (e == std::string_view::npos) e = text.size();
        std::string_view line = text.substr(pos, e - pos);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (!line.empty()) return line;
        pos = e + 1;
    }
    return {};
}

/// "Key: value" with a key that starts with a letter (a header line of a spectrometer export).
bool IsKeyValueLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon != std::string_view::npos && colon > 0 && colon < 60 &&
           std::isalpha(static_cast<unsigned char>(line.front())) != 0;
}

bool HasBeginDataLine(std::string_view head) {
    const std::size_t at = head.find("Begin Spectral Data");
    if (at == std::string_view::npos) return false;
    const std::size_t start = head.find_last_of("\r\n", at);
    const std::size_t s = start == std::string_view::npos ? 0 : start + 1;
    std::size_t e = head.find_first_of("\r\n", at);
    if (e == std::string_view::npos) e = head.size();
    return IsBeginDataLine(head.substr(s, e - s));
}

/// A header row of three or more fields none of which starts with a digit.
bool IsHeaderRow(std::string_view line) {
    const char sep = line.find('\t') != std::string_view::npos  ? '\t'
                     : line.find(';') != std::string_view::npos ? ';'
                     : line.find(',') != std::string_view::npos ? ','
                                                                : '\0';
    if (sep == '\0') return false;
    int fields = 0;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        std::size_t e = line.find(sep, pos);
        if (e == std::string_view::npos) e = line.size();
        std::string_view f = line.substr(pos, e - pos);
        while (!f.empty() && (f.front() == ' ' || f.front() == '"')) f.remove_prefix(1);
        if (f.empty() || std::isdigit(static_cast<unsigned char>(f.front())) != 0 || f.front() == '-' ||
            f.front() == '+' || f.front() == '.')
            return false;
        ++fields;
        pos = e + 1;
    }
    return fields >= 3;
}

std::string Where(const std::string& path, long long line) {
    return line > 0 ? path + ", line " + std::to_string(line) : path;
}

/// "<file> (read as <layout>)", the start of a message about a file of that layout.
std::string ReadAs(const std::string& path, SpectrumFormat format) {
    return path + " (read as " + std::string(FormatName(format)) + ")";
}

/// The layout a file is read in: recognised from its first bytes and its extension. Plain
/// two-column text is read as a table of numbers when another intensity column than the second,
/// or a column of uncertainties, is chosen.
SpectrumFormat FileFormat(const std::string& path, const SpectrumReading& how) {
    std::string head;
    try {
        // The head tells the layout; a file that cannot be read fails in its reader.
        RegularFile file(path);
        head.resize(kHeadSize);
        head.resize(file.Read(head.data(), head.size()));
    } catch (const FileError&) {
        head.clear();
    }
    const std::size_t dot = path.find_last_of('.');
    const std::string_view ext = dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos
                                     ? std::string_view()
                                     : std::string_view(path).substr(dot);
    const SpectrumFormat format = DetectSpectrumFormat(head, ext);
    if (format == SpectrumFormat::TwoColumn && ((how.column != 0 && how.column != 2) || how.sigmaColumn > 0))
        return SpectrumFormat::Columns;
    return format;
}

/// Reads a file of a layout other than plain two columns whole and takes its points, x in the
/// file's unit (declared in the points when the file states it); `detail` receives what the
/// notice says of the layout. Throws FileError with the file, the layout, the line or offset.
SpectrumPoints ReadLayout(const std::string& path, SpectrumFormat format, const SpectrumReading& how,
                          std::string& detail) {
    const std::string prefix = ReadAs(path, format);
    if (how.sigmaColumn > 0 &&
        (format == SpectrumFormat::JcampDx || format == SpectrumFormat::Spe3 || format == SpectrumFormat::AndorAscii))
        throw FileError::In(prefix, "uncertainties from column " + std::to_string(how.sigmaColumn) +
                                        " were asked for, but " + std::string(FormatName(format)) +
                                        " holds x and intensities only (no column of uncertainties)");
    std::string text = ReadFileText(path, kMaxTableFile);
    try {
        if (format != SpectrumFormat::Spe3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.erase(0, 3);
        if (format != SpectrumFormat::Spe3 && text.find('\0') != std::string::npos)
            throw SpectrumReadError{
                0, "binary data at byte " + std::to_string(text.find('\0')) + " (the file is not a text file)"};
        if (format == SpectrumFormat::Spe3) {
            SpeInfo info;
            SpectrumPoints points = ReadSpe3(text, how.column, info);
            detail =
                (info.chosen == 0 ? ", sum of " + std::to_string(info.frames) + " frame(s)"
                                  : ", frame " + std::to_string(info.chosen) + " of " + std::to_string(info.frames)) +
                " of " + std::to_string(info.width) + " x " + std::to_string(info.height) + " pixels, x in nm";
            return points;
        }
        if (format == SpectrumFormat::JcampDx) {
            JcampInfo info;
            SpectrumPoints points = ReadJcampDx(text, info);
            detail = std::string(info.compressed ? ", compressed" : "") +
                     (info.table == "XYDATA" ? "" : ", x, y pairs of ##" + info.table) +
                     (info.blocks > 0 ? ", block " + std::to_string(info.block) + " of " + std::to_string(info.blocks)
                                      : "") +
                     (info.xUnits.empty() ? "" : ", x in " + info.xUnits);
            return points;
        }
        if (format == SpectrumFormat::AndorAscii) {
            AndorFrames frames;
            SpectrumPoints points = ReadAndorAscii(text, how.column, frames);
            detail = frames.chosen == 0
                         ? ", sum of " + std::to_string(frames.count) + " frame(s)"
                         : ", frame " + std::to_string(frames.chosen) + " of " + std::to_string(frames.count);
            return points;
        }
        TableColumns used;
        const ColumnChoice choice{how.column, how.sigmaColumn, format == SpectrumFormat::Columns};
        SpectrumPoints points = ReadColumnTable(text, choice, used);
        detail = ", x from column " + std::to_string(used.x) + ", intensity from column " +
                 std::to_string(used.intensity) + " of " + std::to_string(used.count) +
                 (used.sigma > 0 ? ", uncertainties from column " + std::to_string(used.sigma) : "");
        return points;
    } catch (const SpectrumReadError& e) {
        throw FileError(Where(prefix, e.line) + ": " + e.problem);
    } catch (const std::bad_alloc&) {
        throw FileError::In(path, "not enough memory for the spectrum");
    }
}

/// The unit x is left in when the file declares one: that unit (never converted twice, so the
/// nm rule is off), and the notice's words on a chosen unit it overrules.
void TakeDeclaredUnit(const SpectrumReading& how, DeclaredXUnit declared, int& unit, bool& unitDeclared,
                      bool& nanometreRule, std::string& detail) {
    if (declared == DeclaredXUnit::None) return;
    nanometreRule = false;
    unit = DeclaredReadUnit(how.xUnit, declared, how.axisUnits);
    unitDeclared = true;
    if (ContradictsDeclaredUnit(how.xUnit, declared) && how.xUnit < static_cast<int>(SpectrumXUnitItems().size()))
        detail += " as the file declares (the unit chosen, " +
                  SpectrumXUnitItems()[static_cast<std::size_t>(how.xUnit)] + ", is not applied)";
}

}  // namespace

std::string_view FormatName(SpectrumFormat format) {
    switch (format) {
        case SpectrumFormat::TwoColumn:
            return "two columns";
        case SpectrumFormat::HeaderText:
            return "text with a header block";
        case SpectrumFormat::Csv:
            return "spreadsheet CSV";
        case SpectrumFormat::JcampDx:
            return "JCAMP-DX";
        case SpectrumFormat::AndorAscii:
            return "Andor ASCII";
        case SpectrumFormat::Spe3:
            return "SPE 3.0";
        case SpectrumFormat::Columns:
            return "columns of numbers";
    }
    return "two columns";
}

SpectrumFormat DetectSpectrumFormat(std::string_view head, std::string_view extension) {
    const std::string ext = Lower(extension);
    if (ext == "spe") return SpectrumFormat::Spe3;
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    const std::string_view first = FirstLine(head);
    if (first.substr(0, 2) == "##" && (ext == "jdx" || ext == "dx" || head.find("##XYDATA") != std::string_view::npos ||
                                       head.find("##JCAMP") != std::string_view::npos))
        return SpectrumFormat::JcampDx;
    if (ext == "asc" && !first.empty() &&
        (std::isdigit(static_cast<unsigned char>(first.front())) != 0 || first.front() == '-' || first.front() == '.'))
        return SpectrumFormat::AndorAscii;
    if (HasBeginDataLine(head)) return SpectrumFormat::HeaderText;
    if (IsHeaderRow(first)) return SpectrumFormat::Csv;
    if (IsKeyValueLine(first) && ext != "csv") return SpectrumFormat::HeaderText;
    return SpectrumFormat::TwoColumn;
}

SpectrumPoints KeptSpectrumPoints(const SpectrumPoints& points, bool nanometreRule) {
    SpectrumPoints kept;
    kept.unit = points.unit;
    const std::size_t n = std::min(points.x.size(), points.y.size());
    const bool sigma = points.sigma.size() >= n && !points.sigma.empty();
    for (std::size_t i = 0; i < n; ++i) {
        double x = points.x[i];
        if (nanometreRule && x < 1000.0) x *= 10.0;  // nm to Å
        if (!(static_cast<float>(x) > (nanometreRule ? 1000.0f : 0.0f))) continue;
        kept.x.push_back(x);
        kept.y.push_back(points.y[i]);
        if (sigma) kept.sigma.push_back(points.sigma[i]);
    }
    return kept;
}

int StoreSpectrumPoints(ExperimentState& exp, const SpectrumPoints& points, bool nanometreRule) {
    if (exp.ExpXRaw.Empty() || exp.ExpYRaw.Empty()) InitExperimentArrays(exp);
    GrowExperimentArrays(exp, std::max(static_cast<int>(std::min(points.x.size(), points.y.size())), 1));
    const SpectrumPoints kept = KeptSpectrumPoints(points, nanometreRule);
    const int count = static_cast<int>(kept.x.size());
    double maxY = 0.0;
    for (int i = 0; i < count; ++i) {
        const double y = kept.y[static_cast<std::size_t>(i)];
        // Intensities are held in single precision (a sum of frames may pass its range).
        if (!(std::fabs(y) <= std::numeric_limits<float>::max()))
            throw SpectrumReadError{
                0, "the intensity " + Trim(Str(y)) + " at x = " + Trim(Str(kept.x[static_cast<std::size_t>(i)])) +
                       " exceeds single precision (" + Trim(Str(std::numeric_limits<float>::max())) + ")"};
        exp.ExpXRaw(i) = static_cast<float>(kept.x[static_cast<std::size_t>(i)]);
        exp.ExpYRaw(i) = static_cast<float>(y);
        maxY = std::max(maxY, kept.y[static_cast<std::size_t>(i)]);
    }
    exp.ExpPoints = count - 1;
    for (int i = 0; i < count; ++i) {
        if (maxY != 0.0) exp.ExpYRaw(i) = static_cast<float>(static_cast<double>(exp.ExpYRaw(i)) * 100.0 / maxY);
        exp.ExpX(i) = exp.ExpXRaw(i);
        exp.ExpY(i) = exp.ExpYRaw(i);
    }
    return count;
}

bool ReadSpectrumFile(ExperimentState& exp, const std::string& path, Dialogs& dialogs, const SpectrumReading& how) {
    const SpectrumFormat format = FileFormat(path, how);
    bool nanometreRule = how.xUnit == kAutomaticXUnit;
    exp.ReadUnit = ReadXUnit(how.xUnit, how.axisUnits);
    exp.ReadUnitDeclared = false;
    if (format == SpectrumFormat::TwoColumn) return ReadTwoColumn(exp, path, dialogs, nanometreRule);

    exp.ReadProblem.clear();
    exp.ReadNotice.clear();
    auto fail = [&](const std::string& problem) {
        exp.ReadProblem = problem;
        if (exp.ExpXRaw.Empty()) InitExperimentArrays(exp);
        exp.ExpPoints = -1;
        dialogs.ShowMessage(std::string(kReadFailureMessage) + "\r\n\r\n" + problem);
        return false;
    };
    try {
        std::string detail;
        const SpectrumPoints points = ReadLayout(path, format, how, detail);
        TakeDeclaredUnit(how, points.unit, exp.ReadUnit, exp.ReadUnitDeclared, nanometreRule, detail);
        const int count = StoreSpectrumPoints(exp, points, nanometreRule);
        if (count == 0) return fail(ReadAs(path, format) + ": " + NoPointProblem(nanometreRule));
        exp.ReadNotice = path + ": read as " + std::string(FormatName(format)) + detail;
        return count > 2;
    } catch (const FileError& e) {
        return fail(e.what());
    } catch (const SpectrumReadError& e) {
        return fail(ReadAs(path, format) + ": " + e.problem);
    } catch (const std::bad_alloc&) {
        return fail(path + ": not enough memory for the spectrum");
    }
}

SpectrumRead ReadSpectrumPoints(const std::string& path, const SpectrumReading& how) {
    SpectrumRead read;
    read.format = FileFormat(path, how);
    bool nanometreRule = how.xUnit == kAutomaticXUnit;
    read.unit = ReadXUnit(how.xUnit, how.axisUnits);
    if (read.format == SpectrumFormat::TwoColumn) {
        TwoColumnReader reader(read.points, nanometreRule);
        if (const std::string problem = FeedFile(reader, path); !problem.empty()) throw FileError(problem);
        if (read.points.x.empty()) throw FileError::In(path, NoPointProblem(nanometreRule));
        read.notice = DecimalCommaNotice(reader, path);
        return read;
    }
    std::string detail;
    const SpectrumPoints points = ReadLayout(path, read.format, how, detail);
    TakeDeclaredUnit(how, points.unit, read.unit, read.unitDeclared, nanometreRule, detail);
    read.points = KeptSpectrumPoints(points, nanometreRule);
    if (read.points.x.empty()) throw FileError::In(ReadAs(path, read.format), NoPointProblem(nanometreRule));
    read.notice = path + ": read as " + std::string(FormatName(read.format)) + detail;
    return read;
}

}  // namespace velmora::experiment
