#include "experiment/andor_ascii.h"

#include <algorithm>
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

/// Walks the lines of numbers of an Andor ASCII text: `first(columns, line)` once, at the first
/// line of numbers, then `take(values, line)` for it and every further one, values[0] the x.
/// The numbers end at a blank line or one that does not start with a number. A field that is no
/// number throws, as does a non-finite x; a non-finite intensity throws unless `nonFinite`
/// allows it (NaN is then passed on).
template <class First, class Take>
void ReadNumberLines(std::string_view text, bool nonFinite, First first, Take take) {
    std::size_t columns = 0;
    long long n = 0, firstLine = 0;
    std::size_t pos = 0;
    std::vector<double> values;
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
            first(columns, n);
        }
        if (f.size() != columns)
            throw SpectrumReadError{n, std::to_string(f.size()) + " columns where line " + std::to_string(firstLine) +
                                           " has " + std::to_string(columns)};
        values.assign(columns, 0.0);
        for (std::size_t c = 0; c < columns; ++c) {
            const FieldValue kind = ReadField(f[c], DecimalMark::Point, values[c]);
            if (kind == FieldValue::NonFinite && nonFinite && c > 0)
                values[c] = std::nan("");
            else if (kind != FieldValue::Number || !std::isfinite(values[c]))
                throw SpectrumReadError{
                    n, "column " + std::to_string(c + 1) + ": " + QuotedField(f[c]) + " is not a finite number"};
        }
        take(values, n);
    }
    if (columns == 0) throw SpectrumReadError{0, "no line of numbers"};
}

}  // namespace

SpectrumPoints ReadAndorAscii(std::string_view text, int column, AndorFrames& frames) {
    SpectrumPoints p;
    std::size_t columns = 0;
    ReadNumberLines(
        text, false,
        [&](std::size_t count, long long n) {
            columns = count;
            if (column == 1 || column > static_cast<int>(columns))
                throw SpectrumReadError{n, "column " + std::to_string(column) +
                                               " chosen, the frames are in columns 2.." + std::to_string(columns)};
        },
        [&](const std::vector<double>& v, long long n) {
            double y = 0.0;
            for (std::size_t c = 1; c < v.size(); ++c)
                if (column == 0 || static_cast<int>(c) + 1 == column) y += v[c];
            if (!(std::fabs(v[0]) <= 3.4e38) || !(std::fabs(y) <= 3.4e38))
                throw SpectrumReadError{n, "a value too large for a single-precision number"};
            if (p.x.size() >= static_cast<std::size_t>(kMaxSpectrumPoints))
                throw SpectrumReadError{n, "more than " + std::to_string(kMaxSpectrumPoints) + " points"};
            p.x.push_back(v[0]);
            p.y.push_back(y);
        });
    frames = AndorFrames{static_cast<int>(columns) - 1, column == 0 ? 0 : column - 1};
    return p;
}

SpectrumFrame ReadAndorAsciiFrame(std::string_view text) {
    // One line per pixel of the spectral axis: the columns of the text are the rows of the frame.
    std::vector<double> x;
    std::vector<std::vector<float>> tracks;
    ReadNumberLines(
        text, true,
        [&](std::size_t columns, long long) {
            CheckFrameSize(static_cast<long long>(columns) - 1, 1, "line 1: ");
            tracks.resize(columns - 1);
        },
        [&](const std::vector<double>& v, long long n) {
            if (x.size() >= static_cast<std::size_t>(kMaxFrameColumns) ||
                (x.size() + 1) * tracks.size() > kMaxFramePixels)
                throw SpectrumReadError{n, "more than " + std::to_string(kMaxFrameColumns) + " pixels per row or " +
                                               std::to_string(kMaxFramePixels) + " pixels in all"};
            if (!(std::fabs(v[0]) <= 3.4e38))
                throw SpectrumReadError{n, "an x too large for a single-precision number"};
            x.push_back(v[0]);
            for (std::size_t t = 0; t < tracks.size(); ++t) tracks[t].push_back(static_cast<float>(v[t + 1]));
        });
    SpectrumFrame frame = BlankFrame(static_cast<int>(tracks.size()), static_cast<int>(x.size()));
    for (std::size_t t = 0; t < tracks.size(); ++t)
        std::copy(tracks[t].begin(), tracks[t].end(), frame.pixels.begin() + static_cast<std::ptrdiff_t>(t * x.size()));
    frame.axis = std::move(x);
    frame.detail = std::to_string(tracks.size()) + " track(s) or frame(s) as rows";
    return frame;
}

}  // namespace velmora::experiment
