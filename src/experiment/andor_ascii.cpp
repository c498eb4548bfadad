#include "experiment/andor_ascii.h"

#include <cmath>
#include <string>
#include <vector>

#include "experiment/column_text.h"
#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

/// The fields of a line separated by tabs, commas or runs of blanks (the numbers use a point).
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == ',' || line[pos] == '\r'))
            ++pos;
        if (pos >= line.size()) break;
        std::size_t e = pos;
        while (e < line.size() && line[e] != ' ' && line[e] != '\t' && line[e] != ',' && line[e] != '\r') ++e;
        out.push_back(line.substr(pos, e - pos));
        pos = e;
    }
    return out;
}

}  // namespace

SpectrumPoints ReadAndorAscii(std::string_view text, int column, AndorFrames& frames) {
    SpectrumPoints p;
    std::size_t columns = 0;
    long long n = 0, firstLine = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t e = text.find_first_of("\r\n", pos);
        if (e == std::string_view::npos) e = text.size();
        const std::string_view line = text.substr(pos, e - pos);
        ++n;
        if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
        pos = e + 1;
        const std::vector<std::string_view> f = Fields(line);
        if (f.empty()) {
            if (columns > 0) break;  // a blank line ends the numbers
            continue;
        }
        double x = 0.0;
        if (ReadField(f[0], DecimalMark::Point, x) != FieldValue::Number) {
            if (columns > 0) break;  // the block of settings after the numbers
            throw SpectrumReadError{n, "the line does not start with a number (" + QuotedField(f[0]) + ")"};
        }
        if (columns == 0) {
            columns = f.size();
            firstLine = n;
            if (columns < 2) throw SpectrumReadError{n, "one column only (x and at least one frame are needed)"};
            if (column == 1 || column > static_cast<int>(columns))
                throw SpectrumReadError{n, "column " + std::to_string(column) +
                                               " chosen, the frames are in columns 2.." + std::to_string(columns)};
        }
        if (f.size() != columns)
            throw SpectrumReadError{n, std::to_string(f.size()) + " columns where line " + std::to_string(firstLine) +
                                           " has " + std::to_string(columns)};
        double y = 0.0;
        for (std::size_t c = 0; c < columns; ++c) {
            double v = 0.0;
            if (ReadField(f[c], DecimalMark::Point, v) != FieldValue::Number || !std::isfinite(v))
                throw SpectrumReadError{
                    n, "column " + std::to_string(c + 1) + ": " + QuotedField(f[c]) + " is not a finite number"};
            if (c == 0)
                x = v;
            else if (column == 0 || static_cast<int>(c) + 1 == column)
                y += v;
        }
        if (!(std::fabs(x) <= 3.4e38) || !(std::fabs(y) <= 3.4e38))
            throw SpectrumReadError{n, "a value too large for a single-precision number"};
        if (p.x.size() >= static_cast<std::size_t>(kMaxSpectrumPoints))
            throw SpectrumReadError{n, "more than " + std::to_string(kMaxSpectrumPoints) + " points"};
        p.x.push_back(x);
        p.y.push_back(y);
    }
    if (columns == 0) throw SpectrumReadError{0, "no line of numbers"};
    frames = AndorFrames{static_cast<int>(columns) - 1, column == 0 ? 0 : column - 1};
    return p;
}

}  // namespace velmora::experiment
