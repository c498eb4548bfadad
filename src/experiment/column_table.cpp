#include "experiment/column_table.h"

#include <cmath>
#include <string>

#include "experiment/column_text.h"
#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

/// All fields of a line: tab-separated if it holds a tab, else semicolons, else commas (with a
/// decimal point only), else runs of blanks.
std::vector<std::string_view> SplitAll(std::string_view line, DecimalMark mark) {
    char sep = ' ';
    if (line.find('\t') != std::string_view::npos)
        sep = '\t';
    else if (line.find(';') != std::string_view::npos)
        sep = ';';
    else if (mark == DecimalMark::Point && line.find(',') != std::string_view::npos)
        sep = ',';
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos <= line.size()) {
        std::size_t e = line.find(sep, pos);
        if (e == std::string_view::npos) e = line.size();
        const std::string_view f = TrimLine(line.substr(pos, e - pos));
        if (!(sep == ' ' && f.empty())) fields.push_back(f);
        pos = e + 1;
    }
    return fields;
}

/// Splits text into lines (LF, CR-LF or CR), calling f(line, number).
template <class F>
void ForEachLine(std::string_view text, F f) {
    long long number = 1;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t e = text.find_first_of("\r\n", pos);
        if (e == std::string_view::npos) e = text.size();
        f(text.substr(pos, e - pos), number++);
        if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
        pos = e + 1;
    }
}

bool StartsWithNumber(std::string_view line, DecimalMark mark) {
    const std::vector<std::string_view> f = SplitAll(TrimLine(line), mark);
    double v = 0.0;
    return !f.empty() && ReadField(f[0], mark, v) == FieldValue::Number;
}

}  // namespace

bool IsBeginDataLine(std::string_view line) {
    line = TrimLine(line);
    while (!line.empty() && line.front() == '>') line.remove_prefix(1);
    while (!line.empty() && line.back() == '<') line.remove_suffix(1);
    return TrimLine(line) == "Begin Spectral Data";
}

SpectrumPoints ReadColumnTable(std::string_view text, int column, TableColumns& used) {
    return ReadColumnTable(text, ColumnChoice{column}, used);
}

SpectrumPoints ReadColumnTable(std::string_view text, const ColumnChoice& choice, TableColumns& used) {
    // Where the numbers start: after a "Begin Spectral Data" line, else after the leading lines
    // that do not start with a number.
    long long firstData = 0;
    ForEachLine(text, [&](std::string_view line, long long n) {
        if (firstData == 0 && IsBeginDataLine(line)) firstData = n + 1;
    });
    const bool marked = firstData > 0;
    std::vector<std::vector<double>> columns;
    std::vector<long long> lineOf;
    DecimalMarkDetector marks;
    bool inHeader = true;
    ForEachLine(text, [&](std::string_view raw, long long n) {
        if (marked && n < firstData) return;
        const std::string_view line = TrimLine(raw);
        if (line.empty()) return;
        // Header lines may hold any text; only the lines of numbers decide the decimal mark.
        if (inHeader && !marked && !StartsWithNumber(line, DecimalMark::Point)) return;
        if (!marks.Observe(line, n)) throw SpectrumReadError{n, marks.Contradiction(line)};
        inHeader = false;
        const std::vector<std::string_view> fields = SplitAll(line, marks.Mark());
        if (columns.empty()) {
            if (fields.size() < 2) throw SpectrumReadError{n, "one column only (a spectrum needs x and an intensity)"};
            columns.resize(fields.size());
        }
        if (fields.size() < columns.size())
            throw SpectrumReadError{n, std::to_string(fields.size()) + " columns where the first line of numbers has " +
                                           std::to_string(columns.size())};
        for (std::size_t c = 0; c < columns.size(); ++c) {
            double v = 0.0;
            const FieldValue r = ReadField(fields[c], marks.Mark(), v);
            if (r != FieldValue::Number)
                throw SpectrumReadError{
                    n, "column " + std::to_string(c + 1) + ": " + QuotedField(fields[c]) +
                           (r == FieldValue::NonFinite ? " is not a finite number" : " is not a number")};
            if (!(std::fabs(v) <= 3.4e38))
                throw SpectrumReadError{n, "a value too large for a single-precision number"};
            columns[c].push_back(v);
        }
        if (columns[0].size() > static_cast<std::size_t>(kMaxSpectrumPoints))
            throw SpectrumReadError{n, "more than " + std::to_string(kMaxSpectrumPoints) + " points"};
        lineOf.push_back(n);
    });
    if (columns.empty()) throw SpectrumReadError{0, "no line of numbers after the header"};
    const int count = static_cast<int>(columns.size());
    // The x column: the first that rises or falls strictly, passing over a pixel index (0, 1,
    // 2, ... in steps of one) when a later column qualifies, and over the uncertainties.
    const int sc = choice.sigma - 1;
    int xc = -1, indexColumn = -1;
    for (int c = 0; c < count && xc < 0; ++c) {
        if (c == sc) continue;
        const std::vector<double>& v = columns[static_cast<std::size_t>(c)];
        bool rising = true, falling = true, index = true;
        for (std::size_t i = 1; i < v.size(); ++i) {
            rising = rising && v[i] > v[i - 1];
            falling = falling && v[i] < v[i - 1];
            index = index && v[i] - v[i - 1] == 1.0 && v[i] == std::floor(v[i]);
        }
        if (v.size() < 2 || !(rising || falling)) continue;
        if (index && indexColumn < 0)
            indexColumn = c;
        else if (!index)
            xc = c;
    }
    if (xc < 0) xc = indexColumn;
    if (xc < 0) throw SpectrumReadError{lineOf.front(), "no column of x values that rise or fall steadily"};
    if (sc >= count)
        throw SpectrumReadError{lineOf.front(), "uncertainties in column " + std::to_string(choice.sigma) +
                                                    " chosen, the file has " + std::to_string(count) + " columns"};
    int yc = choice.intensity - 1;
    if (choice.intensity == 0) {
        // The reader's choice, passing over the uncertainties: the last column, or the first
        // after x.
        yc = choice.firstAfterX ? xc + 1 : count - 1;
        if (yc == sc) yc += choice.firstAfterX ? 1 : -1;
        if (yc < 0 || yc >= count)
            throw SpectrumReadError{
                lineOf.front(), "no column is left for the intensity (x in column " + std::to_string(xc + 1) +
                                    (sc >= 0 ? ", the uncertainties in column " + std::to_string(sc + 1) : "") + ")"};
    }
    if (yc < 0 || yc >= count)
        throw SpectrumReadError{lineOf.front(), "intensity column " + std::to_string(choice.intensity) +
                                                    " chosen, the file has " + std::to_string(count) + " columns"};
    if (yc == xc)
        throw SpectrumReadError{lineOf.front(),
                                "column " + std::to_string(yc + 1) + " holds the x values, not an intensity"};
    if (yc == sc)
        throw SpectrumReadError{lineOf.front(), "column " + std::to_string(yc + 1) +
                                                    " is chosen for the intensity and for the uncertainties"};
    used = TableColumns{xc + 1, yc + 1, count, sc + 1};
    SpectrumPoints points{std::move(columns[static_cast<std::size_t>(xc)]),
                          std::move(columns[static_cast<std::size_t>(yc)])};
    if (sc >= 0) points.sigma = std::move(columns[static_cast<std::size_t>(sc)]);
    return points;
}

}  // namespace velmora::experiment
