#include "experiment/jcamp_dx.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "experiment/column_text.h"
#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

/// A label compared as the standard asks: upper case, blanks, '-', '/' and '_' ignored.
std::string Label(std::string_view s) {
    std::string r;
    for (char c : s)
        if (c != ' ' && c != '-' && c != '/' && c != '_' && c != '\t')
            r += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

/// A repeat count as a message names it; the count of a damaged file may not fit an integer.
std::string CountText(double count) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", count);
    return text;
}

/// How a character of an XYDATA line starts a number: its digit and kind.
enum class Kind { None, Affn, Sqz, Dif, Dup };
Kind KindOf(char c, int& digit) {
    if (c >= 'A' && c <= 'I') return digit = c - 'A' + 1, Kind::Sqz;
    if (c >= 'a' && c <= 'i') return digit = -(c - 'a' + 1), Kind::Sqz;
    if (c == '@') return digit = 0, Kind::Sqz;
    if (c >= 'J' && c <= 'R') return digit = c - 'J' + 1, Kind::Dif;
    if (c >= 'j' && c <= 'r') return digit = -(c - 'j' + 1), Kind::Dif;
    if (c == '%') return digit = 0, Kind::Dif;
    if (c >= 'S' && c <= 'Z') return digit = c - 'S' + 1, Kind::Dup;
    if (c == 's') return digit = 9, Kind::Dup;
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-') return digit = 0, Kind::Affn;
    return Kind::None;
}

/// A unit of the last digit of a number as written: 1 for "3802", 0.01 for "380.03", 100 for
/// "3.8E3".
double LastDigitUnit(const std::string& text) {
    int decimals = 0;
    bool fraction = false;
    long exponent = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (c == '.')
            fraction = true;
        else if (c == 'E' || c == 'e') {
            exponent = std::strtol(text.c_str() + k + 1, nullptr, 10);
            break;
        } else if (fraction && std::isdigit(static_cast<unsigned char>(c)))
            ++decimals;
    }
    return std::pow(10.0, static_cast<double>(std::clamp(exponent - decimals, -300L, 300L)));
}

struct Token {
    Kind kind;
    double value;
    double ulp;  ///< a unit of the last digit written (0 when unknown): the rounding of the number
};

/// The numbers of one XYDATA line, in order.
std::vector<Token> Tokens(std::string_view line, long long n) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == ',' || c == '\t' || c == ';') {
            ++i;
            continue;
        }
        if (c == '$' && i + 1 < line.size() && line[i + 1] == '$') break;  // comment to the end of the line
        int digit = 0;
        const Kind kind = KindOf(c, digit);
        if (kind == Kind::None)
            throw SpectrumReadError{n, "\"" + std::string(1, std::isprint(static_cast<unsigned char>(c)) ? c : '?') +
                                           "\" at column " + std::to_string(i + 1) + " is no JCAMP-DX number"};
        // The digits that follow (a decimal point and an exponent only for plain numbers).
        std::size_t j = i + 1;
        std::string text;
        if (kind == Kind::Affn) {
            text += c;
            while (j < line.size() &&
                   (std::isdigit(static_cast<unsigned char>(line[j])) || line[j] == '.' ||
                    ((line[j] == 'E' || line[j] == 'e') && j + 1 < line.size() &&
                     (std::isdigit(static_cast<unsigned char>(line[j + 1])) || line[j + 1] == '+' ||
                      line[j + 1] == '-')) ||
                    ((line[j] == '+' || line[j] == '-') && (line[j - 1] == 'E' || line[j - 1] == 'e'))))
                text += line[j++];
        } else {
            text = std::to_string(digit < 0 ? -digit : digit);
            while (j < line.size() &&
                   (std::isdigit(static_cast<unsigned char>(line[j])) || (kind != Kind::Dup && line[j] == '.')))
                text += line[j++];
        }
        if (text.size() > 40) throw SpectrumReadError{n, "a number of more than 40 digits"};
        char* end = nullptr;
        double v = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || !std::isfinite(v))
            throw SpectrumReadError{n, "\"" + text + "\" at column " + std::to_string(i + 1) + " is not a number"};
        if (digit < 0) v = -v;
        out.push_back({kind, v, LastDigitUnit(text)});
        i = j;
    }
    return out;
}

std::string Number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", v);
    return buffer;
}

double LabelNumber(const std::string& value, long long n, const char* name) {
    char* end = nullptr;
    const double v = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || !std::isfinite(v))
        throw SpectrumReadError{n, std::string("##") + name + "=" + value + " is not a number"};
    return v;
}

/// Calls f(line, number, begin, next) for every line of `text` (LF, CR-LF or CR ends), the line
/// trimmed, `begin` its offset and `next` the offset of the line after it; numbers count from
/// `first`.
template <class F>
void ForEachLine(std::string_view text, long long first, F f) {
    long long n = first;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t e = text.find_first_of("\r\n", pos);
        if (e == std::string_view::npos) e = text.size();
        const std::string_view line = TrimLine(text.substr(pos, e - pos));
        const std::size_t begin = pos;
        if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
        pos = e + 1;
        f(line, n++, begin, std::min(pos, text.size()));
    }
}

/// The label of a "##LABEL=value" line, compared form; empty for any other line.
std::string LineLabel(std::string_view line) {
    if (line.substr(0, 2) != "##") return {};
    const std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string() : Label(line.substr(2, eq - 2));
}

bool IsTableLabel(const std::string& label) { return label == "XYDATA" || label == "XYPOINTS" || label == "PEAKTABLE"; }

/// Where an XYDATA line starts: its x as written (times XFACTOR later), the rounding of that
/// number, and the index of the ordinate it belongs to.
struct LineAbscissa {
    long long line;
    double written, ulp;
    std::size_t index;
};

/// Reads the one spectrum of a block (the whole file when it has no linked blocks); line numbers
/// count from `firstLine`.
SpectrumPoints ReadBlock(std::string_view text, long long firstLine, JcampInfo& info) {
    double yFactor = 1.0, xFactor = 1.0, firstX = 0.0, lastX = 0.0, deltaX = 0.0;
    long long nPoints = -1;
    bool haveFirst = false, haveLast = false, haveDelta = false, inTable = false, difPending = false;
    bool pairs = false;  // the table is (XY..XY)
    long long tableLine = 0;
    std::string tableLabel;
    std::vector<double> x, y;
    std::vector<LineAbscissa> starts;
    double lastY = 0.0;

    ForEachLine(text, firstLine, [&](std::string_view line, long long lineNo, std::size_t, std::size_t) {
        if (line.substr(0, 2) == "##") {
            inTable = false;
            const std::size_t eq = line.find('=');
            if (eq == std::string_view::npos) return;
            const std::string label = Label(line.substr(2, eq - 2));
            std::string value(TrimLine(line.substr(eq + 1)));
            if (const std::size_t c = value.find("$$"); c != std::string::npos)
                value = std::string(TrimLine(value.substr(0, c)));
            if (label == "XFACTOR")
                xFactor = LabelNumber(value, lineNo, "XFACTOR");
            else if (label == "YFACTOR")
                yFactor = LabelNumber(value, lineNo, "YFACTOR");
            else if (label == "FIRSTX")
                firstX = LabelNumber(value, lineNo, "FIRSTX"), haveFirst = true;
            else if (label == "LASTX")
                lastX = LabelNumber(value, lineNo, "LASTX"), haveLast = true;
            else if (label == "DELTAX")
                deltaX = LabelNumber(value, lineNo, "DELTAX"), haveDelta = true;
            else if (label == "NPOINTS") {
                const double v = LabelNumber(value, lineNo, "NPOINTS");
                if (!(v >= 2 && v <= kMaxSpectrumPoints) || v != std::floor(v))
                    throw SpectrumReadError{lineNo, "##NPOINTS=" + value + " is not a count of 2.." +
                                                        std::to_string(kMaxSpectrumPoints) + " points"};
                nPoints = static_cast<long long>(v);
            } else if (label == "XUNITS")
                info.xUnits = value;
            else if (IsTableLabel(label)) {
                const std::string form = Label(value);
                const std::string name = label == "PEAKTABLE" ? "PEAK TABLE" : label;
                if (label == "XYDATA" ? form != "(X++(Y..Y))" : form != "(XY..XY)")
                    throw SpectrumReadError{lineNo, "##" + name + "=" + value + " (only the " +
                                                        (label == "XYDATA" ? "(X++(Y..Y))" : "(XY..XY)") +
                                                        " table is read)"};
                if (!tableLabel.empty())
                    throw SpectrumReadError{lineNo, "a second " + name + " table (one spectrum per file is read)"};
                inTable = true;
                tableLabel = name;
                pairs = label != "XYDATA";
                tableLine = lineNo;
            }
            return;
        }
        if (!inTable || line.empty() || line.substr(0, 2) == "$$") return;
        const std::vector<Token> tokens = Tokens(line, lineNo);
        if (tokens.empty()) return;
        if (pairs) {
            // x, y pairs, several to a line, in plain numbers.
            for (const Token& t : tokens)
                if (t.kind != Kind::Affn)
                    throw SpectrumReadError{lineNo,
                                            "a compressed value in an (XY..XY) table (its numbers are "
                                            "written plainly)"};
            if (tokens.size() % 2 != 0) throw SpectrumReadError{lineNo, "an x value without its y on the same line"};
            for (std::size_t k = 0; k < tokens.size(); k += 2) {
                x.push_back(tokens[k].value);
                y.push_back(tokens[k + 1].value);
            }
            if (y.size() > static_cast<std::size_t>(kMaxSpectrumPoints) ||
                (nPoints > 0 && static_cast<long long>(y.size()) > nPoints))
                throw SpectrumReadError{lineNo, "more values than ##NPOINTS=" + std::to_string(nPoints)};
            return;
        }
        if (tokens[0].kind != Kind::Affn && tokens[0].kind != Kind::Sqz)
            throw SpectrumReadError{lineNo, "the line does not start with an x value"};
        // The x of a line belongs to its first ordinate; after a DIF line that is the check value,
        // the last point of the line before.
        starts.push_back({lineNo, tokens[0].value, tokens[0].ulp, difPending && !y.empty() ? y.size() - 1 : y.size()});
        bool firstY = true, lastWasDif = false;
        double step = 0.0;  // what a DUP repeats: the last difference, or 0 after a plain value
        for (std::size_t k = 1; k < tokens.size(); ++k) {
            const Token t = tokens[k];
            if (t.kind == Kind::Dup) {
                if (k == 1) throw SpectrumReadError{lineNo, "a repeat count with no value before it"};
                const double count = t.value;
                if (count < 2 || static_cast<double>(y.size()) + count > static_cast<double>(kMaxSpectrumPoints) ||
                    (nPoints > 0 && static_cast<double>(y.size()) + count - 1 > static_cast<double>(nPoints)))
                    throw SpectrumReadError{
                        lineNo, "a repeat count of " + CountText(count) + " that exceeds the points declared"};
                for (long long r = 1; r < static_cast<long long>(count); ++r) {
                    lastY += step;
                    y.push_back(lastY);
                }
                continue;
            }
            double value = t.value;
            if (t.kind == Kind::Dif) {
                if (firstY && !difPending) throw SpectrumReadError{lineNo, "a difference with no value before it"};
                value = lastY + t.value;
                step = t.value;
            } else {
                step = 0.0;
            }
            if (firstY && difPending && t.kind != Kind::Dif) {
                // The check value of the previous DIF line: the same ordinate once more.
                if (std::fabs(value - lastY) > 1e-9 * std::max(1.0, std::fabs(lastY)))
                    throw SpectrumReadError{lineNo, "the check value " + Number(value) +
                                                        " differs from the last value of the line before, " +
                                                        Number(lastY)};
                firstY = false;
                continue;
            }
            firstY = false;
            lastWasDif = t.kind == Kind::Dif;
            lastY = value;
            y.push_back(value);
            if (y.size() > static_cast<std::size_t>(kMaxSpectrumPoints) ||
                (nPoints > 0 && static_cast<long long>(y.size()) > nPoints))
                throw SpectrumReadError{lineNo, "more values than ##NPOINTS=" + std::to_string(nPoints)};
        }
        for (const Token& t : tokens)
            if (t.kind != Kind::Affn) info.compressed = true;
        difPending = lastWasDif || (tokens.back().kind == Kind::Dup && tokens.size() > 2 &&
                                    tokens[tokens.size() - 2].kind == Kind::Dif);
    });
    if (tableLabel.empty())
        throw SpectrumReadError{0, "no ##XYDATA=(X++(Y..Y)) table (nor an ##XYPOINTS or ##PEAK TABLE=(XY..XY) table)"};
    info.table = tableLabel;
    if (pairs) {
        if (y.empty()) throw SpectrumReadError{tableLine, "the ##" + tableLabel + " table holds no point"};
        if (nPoints > 0 && static_cast<long long>(y.size()) != nPoints)
            throw SpectrumReadError{tableLine, "##NPOINTS=" + std::to_string(nPoints) + " but the table holds " +
                                                   std::to_string(y.size()) + " points"};
        for (double& v : x) v *= xFactor;
    } else {
        if (!haveLast && haveDelta && nPoints > 0) {
            lastX = firstX + deltaX * static_cast<double>(nPoints - 1);
            haveLast = true;
        }
        if (!haveFirst || !haveLast || nPoints < 0)
            throw SpectrumReadError{tableLine, "##FIRSTX, ##LASTX and ##NPOINTS are needed to place the points"};
        if (static_cast<long long>(y.size()) != nPoints)
            throw SpectrumReadError{tableLine, "##NPOINTS=" + std::to_string(nPoints) + " but the table holds " +
                                                   std::to_string(y.size()) + " values"};
        const double spacing = (lastX - firstX) / static_cast<double>(nPoints - 1);
        x.resize(y.size());
        for (std::size_t i = 0; i < y.size(); ++i) x[i] = firstX + spacing * static_cast<double>(i);
        // The x written at the start of each line must be the abscissa of its first ordinate, to
        // a hundredth of a step or the rounding of the number as written, whichever is larger.
        for (const LineAbscissa& s : starts) {
            const double expected = firstX + spacing * static_cast<double>(s.index);
            const double found = s.written * xFactor;
            const double tolerance = std::max(0.01 * std::fabs(spacing), 0.5 * s.ulp * std::fabs(xFactor)) +
                                     1e-9 * std::max(1.0, std::fabs(expected));
            if (!(std::fabs(found - expected) <= tolerance))
                throw SpectrumReadError{s.line, "the line starts at x = " + Number(found) + " (" + Number(s.written) +
                                                    " x XFACTOR " + Number(xFactor) +
                                                    ") but its first value is point " + std::to_string(s.index + 1) +
                                                    ", at x = " + Number(expected)};
        }
    }
    // The unit the file declares; µm become nm.
    const std::string units = Label(info.xUnits);
    double scale = 1.0;
    SpectrumPoints p;
    if (units == "NANOMETERS")
        p.unit = DeclaredXUnit::Nanometre;
    else if (units == "MICROMETERS")
        p.unit = DeclaredXUnit::Nanometre, scale = 1000.0;
    else if (units == "1CM")
        p.unit = DeclaredXUnit::Wavenumber;
    else if (units == "ANGSTROMS" || units == "ANGSTROM")
        p.unit = DeclaredXUnit::Angstrom;
    p.x.resize(y.size());
    p.y.resize(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        p.x[i] = x[i] * scale;
        p.y[i] = y[i] * yFactor;
        if (!std::isfinite(p.x[i]) || !std::isfinite(p.y[i]) || std::fabs(p.y[i]) > 3.4e38 ||
            std::fabs(p.x[i]) > 3.4e38)
            throw SpectrumReadError{tableLine, "a value too large for a single-precision number"};
    }
    return p;
}

}  // namespace

SpectrumPoints ReadJcampDx(std::string_view text, JcampInfo& info) {
    // Linked blocks: a block opens with ##TITLE= and closes with ##END=; a link block that
    // declares ##BLOCKS= holds the others, of which the first with a table is read.
    struct Block {
        std::size_t begin = 0, end = 0;
        long long line = 0;
        bool hasTable = false;
    };
    std::vector<Block> blocks;
    int depth = 0;
    bool linked = false;
    ForEachLine(text, 1, [&](std::string_view line, long long n, std::size_t begin, std::size_t next) {
        const std::string label = LineLabel(line);
        if (label == "TITLE") {
            if (++depth == 2) blocks.push_back({begin, text.size(), n, false});
        } else if (label == "END") {
            if (depth == 2) blocks.back().end = next;
            depth = std::max(depth - 1, 0);
        } else if (label == "BLOCKS" && depth == 1) {
            linked = true;
        } else if (IsTableLabel(label) && depth == 2) {
            blocks.back().hasTable = true;
        }
    });
    if (!linked || blocks.empty()) return ReadBlock(text, 1, info);
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        if (!blocks[k].hasTable) continue;
        info.block = static_cast<int>(k) + 1;
        info.blocks = static_cast<int>(blocks.size());
        return ReadBlock(text.substr(blocks[k].begin, blocks[k].end - blocks[k].begin), blocks[k].line, info);
    }
    throw SpectrumReadError{0, "none of the " + std::to_string(blocks.size()) +
                                   " blocks holds a spectrum (##XYDATA, ##XYPOINTS or ##PEAK TABLE)"};
}

}  // namespace velmora::experiment
