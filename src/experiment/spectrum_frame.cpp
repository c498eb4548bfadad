#include "experiment/spectrum_frame.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/errors.h"
#include "common/file_kind.h"
#include "common/text_writer.h"
#include "experiment/andor_ascii.h"
#include "experiment/column_text.h"
#include "experiment/fits_frame.h"
#include "experiment/spe3.h"
#include "experiment/spectrum_files.h"
#include "experiment/tiff_frame.h"

namespace velmora::experiment {

namespace {

/// Largest frame file read into memory.
constexpr std::uintmax_t kMaxFrameFile = std::uintmax_t{2} << 30;

std::string Lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!r.empty() && r.front() == '.') r.erase(0, 1);
    return r;
}

/// The lines of a text, each without its line end, with its 1-based number.
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
    std::size_t pos = 0;
    long long n = 0;
    while (pos < text.size()) {
        std::size_t e = text.find('\n', pos);
        if (e == std::string_view::npos) e = text.size();
        std::string_view line = text.substr(pos, e - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!visit(line, ++n)) return;
        pos = e + 1;
    }
}

/// The separator of a matrix CSV, decided by its first line: a tab, else a semicolon, else a comma.
char MatrixSeparator(std::string_view first) {
    if (first.find('\t') != std::string_view::npos) return '\t';
    if (first.find(';') != std::string_view::npos) return ';';
    return ',';
}

/// The fields of a line split at every separator (empty fields kept), each trimmed and without
/// enclosing double quotes.
void SplitAll(std::string_view line, char separator, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t pos = 0;
    for (;;) {
        std::size_t e = line.find(separator, pos);
        if (e == std::string_view::npos) e = line.size();
        std::string_view f = TrimView(line.substr(pos, e - pos));
        if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
        fields.push_back(f);
        if (e == line.size()) return;
        pos = e + 1;
    }
}

/// True when the first non-empty line starts with an empty field: a separator first, or "".
bool StartsWithEmptyField(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    std::string_view first;
    ForEachLine(head, [&](std::string_view line, long long) {
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);  // a tab may be the separator
        first = line;
        return TrimView(first).empty();
    });
    if (first.substr(0, 2) == "\"\"") first.remove_prefix(2);
    return !first.empty() && (first.front() == ',' || first.front() == ';' || first.front() == '\t');
}

}  // namespace

std::string_view FrameFormatName(FrameFormat format) {
    switch (format) {
        case FrameFormat::Spe3:
            return "SPE 3.0";
        case FrameFormat::AndorAscii:
            return "Andor ASCII";
        case FrameFormat::Fits:
            return "FITS";
        case FrameFormat::Tiff:
            return "TIFF";
        case FrameFormat::MatrixCsv:
            return "matrix CSV";
    }
    return "matrix CSV";
}

FrameFormat DetectFrameFormat(std::string_view head, std::string_view extension) {
    const std::string ext = Lower(extension);
    if (head.substr(0, 9) == "SIMPLE  =") return FrameFormat::Fits;
    if (head.substr(0, 3) == std::string_view("II*", 3) || head.substr(0, 4) == std::string_view("MM\0*", 4) ||
        head.substr(0, 3) == std::string_view("II+", 3) || head.substr(0, 4) == std::string_view("MM\0+", 4))
        return FrameFormat::Tiff;
    if (ext == "spe") return FrameFormat::Spe3;
    if (ext == "asc") return FrameFormat::AndorAscii;
    if (StartsWithEmptyField(head)) return FrameFormat::MatrixCsv;
    throw SpectrumReadError{0,
                            "not a frame: neither FITS, TIFF, SPE 3.0 (.spe), Andor ASCII (.asc) nor a matrix CSV "
                            "(a first line that starts with an empty field, then the x of every column)"};
}

void CheckFrameSize(long long rows, long long columns, const std::string& where) {
    if (rows < 1 || columns < 1)
        throw SpectrumReadError{0, where + std::to_string(rows) + " x " + std::to_string(columns) + " pixels"};
    if (rows > kMaxFrameRows || columns > kMaxFrameColumns ||
        static_cast<unsigned long long>(rows) * static_cast<unsigned long long>(columns) > kMaxFramePixels)
        throw SpectrumReadError{0, where + std::to_string(rows) + " rows of " + std::to_string(columns) +
                                       " pixels: larger than the " + std::to_string(kMaxFrameRows) + " rows, " +
                                       std::to_string(kMaxFrameColumns) + " columns or " +
                                       std::to_string(kMaxFramePixels) + " pixels a frame may have"};
}

SpectrumFrame BlankFrame(int rows, int columns) {
    SpectrumFrame f;
    f.rows = rows, f.columns = columns;
    f.pixels.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0.0f);
    f.positions.resize(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) f.positions[static_cast<std::size_t>(r)] = r;
    return f;
}

SpectrumFrame ReadMatrixCsv(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    SpectrumFrame f;
    char separator = 0;
    DecimalMark mark = DecimalMark::Point;
    std::vector<std::string_view> fields;
    std::vector<double> positions;
    std::vector<float> pixels;
    ForEachLine(text, [&](std::string_view line, long long n) {
        if (TrimView(line).empty()) return true;
        if (separator == 0) {
            separator = MatrixSeparator(line);
            // With tabs or semicolons between the fields, a comma inside a number is its decimal mark.
            if (separator != ',' && line.find(',') != std::string_view::npos) mark = DecimalMark::Comma;
            SplitAll(line, separator, fields);
            if (!fields.front().empty())
                throw SpectrumReadError{n, "the first field of the first line must be empty (it holds " +
                                               QuotedField(fields.front()) + ")"};
            if (fields.size() < 2) throw SpectrumReadError{n, "no x value after the empty first field"};
            CheckFrameSize(1, static_cast<long long>(fields.size()) - 1, "");
            for (std::size_t k = 1; k < fields.size(); ++k) {
                double x = 0.0;
                if (ReadField(fields[k], mark, x) != FieldValue::Number || !std::isfinite(x))
                    throw SpectrumReadError{n, "x of column " + std::to_string(k) + ": " + QuotedField(fields[k]) +
                                                   " is not a finite number"};
                f.axis.push_back(x);
            }
            return true;
        }
        SplitAll(line, separator, fields);
        if (fields.size() != f.axis.size() + 1)
            throw SpectrumReadError{n, std::to_string(fields.size()) + " fields where the first line has " +
                                           std::to_string(f.axis.size() + 1)};
        if (positions.size() + 1 > static_cast<std::size_t>(kMaxFrameRows) ||
            (positions.size() + 1) * f.axis.size() > kMaxFramePixels)
            CheckFrameSize(static_cast<long long>(positions.size()) + 1, static_cast<long long>(f.axis.size()),
                           "line " + std::to_string(n) + ": ");
        double y = 0.0;
        if (ReadField(fields[0], mark, y) != FieldValue::Number || !std::isfinite(y))
            throw SpectrumReadError{n, "the position " + QuotedField(fields[0]) + " is not a finite number"};
        positions.push_back(y);
        for (std::size_t k = 1; k < fields.size(); ++k) {
            double v = 0.0;
            const FieldValue kind = fields[k].empty() ? FieldValue::NonFinite : ReadField(fields[k], mark, v);
            if (kind == FieldValue::NotANumber)
                throw SpectrumReadError{
                    n, "column " + std::to_string(k) + ": " + QuotedField(fields[k]) + " is not a number"};
            pixels.push_back(kind == FieldValue::Number ? static_cast<float>(v) : std::nanf(""));
        }
        return true;
    });
    if (separator == 0) throw SpectrumReadError{0, "no line"};
    if (positions.empty()) throw SpectrumReadError{0, "no row after the line of x values"};
    f.rows = static_cast<int>(positions.size());
    f.columns = static_cast<int>(f.axis.size());
    f.positions = std::move(positions);
    f.pixels = std::move(pixels);
    f.detail = std::to_string(f.rows) + " rows";
    return f;
}

SpectrumFrame ReadFrameFile(const std::string& path, int image) {
    if (const std::string problem = UnreadableFileProblem(path); !problem.empty()) throw FileError::In(path, problem);
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > kMaxFrameFile)
        throw FileError::In(path, "larger than " + std::to_string(kMaxFrameFile >> 20) + " MB");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError::In(path, "cannot be opened for reading");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw FileError::In(path, "cannot be read");
    const std::size_t dot = path.find_last_of('.');
    const std::string_view ext = dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos
                                     ? std::string_view()
                                     : std::string_view(path).substr(dot);
    FrameFormat format = FrameFormat::MatrixCsv;
    try {
        format = DetectFrameFormat(bytes, ext);
        const bool text = format == FrameFormat::AndorAscii || format == FrameFormat::MatrixCsv;
        if (text && bytes.find('\0') != std::string::npos)
            throw SpectrumReadError{
                0, "binary data at byte " + std::to_string(bytes.find('\0')) + " (the file is not a text file)"};
        if (text && image > 1)
            throw SpectrumReadError{0, "image " + std::to_string(image) + " chosen, a text frame holds one"};
        SpectrumFrame f;
        switch (format) {
            case FrameFormat::Spe3:
                f = ReadSpe3Frame(bytes, image);
                break;
            case FrameFormat::AndorAscii:
                f = ReadAndorAsciiFrame(bytes);
                break;
            case FrameFormat::Fits:
                f = ReadFitsFrame(bytes, image);
                break;
            case FrameFormat::Tiff:
                f = ReadTiffFrame(bytes, image);
                break;
            case FrameFormat::MatrixCsv:
                f = ReadMatrixCsv(bytes);
                break;
        }
        f.source = path;
        f.detail = std::string(FrameFormatName(format)) + ", " + std::to_string(f.rows) + " x " +
                   std::to_string(f.columns) + " pixels" + (f.detail.empty() ? "" : ", " + f.detail);
        return f;
    } catch (const SpectrumReadError& e) {
        const std::string where = e.line > 0 ? ", line " + std::to_string(e.line) : "";
        throw FileError(path + " (read as " + std::string(FrameFormatName(format)) + ")" + where + ": " + e.problem);
    } catch (const std::bad_alloc&) {
        throw FileError::In(path, "not enough memory for the frame");
    }
}

std::vector<double> ReadAxisFile(const std::string& path) {
    if (const std::string problem = UnreadableFileProblem(path); !problem.empty()) throw FileError::In(path, problem);
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError::In(path, "cannot be opened for reading");
    std::vector<double> axis;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        const std::string_view t = TrimLine(line);
        if (t.empty() || t.front() == '#') continue;
        double x = 0.0;
        const FieldValue kind = ReadField(SplitFields(t, DecimalMark::Point).first, DecimalMark::Point, x);
        if (kind == FieldValue::NotANumber && axis.empty()) continue;  // a heading
        if (kind != FieldValue::Number || !std::isfinite(x))
            throw FileError::At(path, n, QuotedField(t) + " does not start with a finite number");
        if (axis.size() >= static_cast<std::size_t>(kMaxFrameColumns))
            throw FileError::At(path, n, "more than " + std::to_string(kMaxFrameColumns) + " values");
        axis.push_back(x);
    }
    if (in.bad()) throw FileError::In(path, "cannot be read");
    if (axis.empty()) throw FileError::In(path, "no value (one x per line expected)");
    return axis;
}

void WriteMatrixCsv(const std::string& path, const SpectrumFrame& frame) {
    auto number = [](double v) {
        if (!std::isfinite(v)) return std::string();
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.8g", v);
        return std::string(buf);
    };
    AtomicTextWriter out(path);
    std::string line;
    for (int c = 0; c < frame.columns; ++c)
        line += "," + number(frame.axis.empty() ? c : frame.axis[static_cast<std::size_t>(c)]);
    out.WriteLine(line);
    for (int r = 0; r < frame.rows; ++r) {
        line = number(frame.positions.empty() ? r : frame.positions[static_cast<std::size_t>(r)]);
        for (int c = 0; c < frame.columns; ++c) line += "," + number(frame.At(r, c));
        out.WriteLine(line);
    }
    out.Commit();
}

}  // namespace velmora::experiment
