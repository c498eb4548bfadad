#include "experiment/jcamp_dx.h"

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

struct Token {
    Kind kind;
    double value;
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
            while (j < line.size() && (std::isdigit(static_cast<unsigned char>(line[j])) || line[j] == '.' ||
                                       ((line[j] == 'E' || line[j] == 'e') && j + 1 < line.size() &&
                                        (std::isdigit(static_cast<unsigned char>(line[j + 1])) || line[j + 1] == '+' ||
                                         line[j + 1] == '-')) ||
                                       ((line[j] == '+' || line[j] == '-') && (line[j - 1] == 'E' || line[j - 1] == 'e'))))
                text += line[j++];
        } else {
            text = std::to_string(digit < 0 ? -digit : digit);
            while (j < line.size() && (std::isdigit(static_cast<unsigned char>(line[j])) ||
                                       (kind != Kind::Dup && line[j] == '.')))
                text += line[j++];
        }
        if (text.size() > 40) throw SpectrumReadError{n, "a number of more than 40 digits"};
        char* end = nullptr;
        double v = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || !std::isfinite(v))
            throw SpectrumReadError{n, "\"" + text + "\" at column " + std::to_string(i + 1) + " is not a number"};
        if (digit < 0) v = -v;
        out.push_back({kind, v});
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

}  // namespace

SpectrumPoints ReadJcampDx(std::string_view text, JcampInfo& info) {
    double yFactor = 1.0, firstX = 0.0, lastX = 0.0;
    long long nPoints = -1;
    bool haveFirst = false, haveLast = false, inTable = false, tableSeen = false, difPending = false;
    long long tableLine = 0;
    std::vector<double> y;
    double lastY = 0.0;

    long long n = 1;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t e = text.find_first_of("\r\n", pos);
        if (e == std::string_view::npos) e = text.size();
        const std::string_view line = TrimLine(text.substr(pos, e - pos));
        const long long lineNo = n;
        if (e < text.size() && text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n') ++e;
        pos = e + 1;
        ++n;
        if (line.substr(0, 2) == "##") {
            inTable = false;
            const std::size_t eq = line.find('=');
            if (eq == std::string_view::npos) continue;
            const std::string label = Label(line.substr(2, eq - 2));
            std::string value(TrimLine(line.substr(eq + 1)));
            if (const std::size_t c = value.find("$$"); c != std::string::npos) value = std::string(TrimLine(value.substr(0, c)));
            if (label == "XFACTOR") LabelNumber(value, lineNo, "XFACTOR");  // x comes from FIRSTX, LASTX
            else if (label == "YFACTOR") yFactor = LabelNumber(value, lineNo, "YFACTOR");
            else if (label == "FIRSTX") firstX = LabelNumber(value, lineNo, "FIRSTX"), haveFirst = true;
            else if (label == "LASTX") lastX = LabelNumber(value, lineNo, "LASTX"), haveLast = true;
            else if (label == "NPOINTS") {
                const double v = LabelNumber(value, lineNo, "NPOINTS");
                if (!(v >= 2 && v <= kMaxSpectrumPoints) || v != std::floor(v))
                    throw SpectrumReadError{lineNo, "##NPOINTS=" + value + " is not a count of 2.." +
                                                        std::to_string(kMaxSpectrumPoints) + " points"};
                nPoints = static_cast<long long>(v);
            } else if (label == "XUNITS") info.xUnits = value;
            else if (label == "XYDATA") {
                if (Label(value) != "(X++(Y..Y))")
                    throw SpectrumReadError{lineNo, "##XYDATA=" + value + " (only the (X++(Y..Y)) table is read)"};
                if (tableSeen) throw SpectrumReadError{lineNo, "a second XYDATA table (one spectrum per file is read)"};
                inTable = tableSeen = true;
                tableLine = lineNo;
            }
            continue;
        }
        if (!inTable || line.empty() || line.substr(0, 2) == "$$") continue;
        const std::vector<Token> tokens = Tokens(line, lineNo);
        if (tokens.empty()) continue;
        if (tokens[0].kind != Kind::Affn && tokens[0].kind != Kind::Sqz)
            throw SpectrumReadError{lineNo, "the line does not start with an x value"};
        bool firstY = true, lastWasDif = false;
        double step = 0.0;  // what a DUP repeats: the last difference, or 0 after a plain value
        for (std::size_t k = 1; k < tokens.size(); ++k) {
            const Token t = tokens[k];
            if (t.kind == Kind::Dup) {
                if (k == 1) throw SpectrumReadError{lineNo, "a repeat count with no value before it"};
                const double count = t.value;
                if (count < 2 || static_cast<double>(y.size()) + count > static_cast<double>(kMaxSpectrumPoints) ||
                    (nPoints > 0 && static_cast<double>(y.size()) + count - 1 > static_cast<double>(nPoints)))
                    throw SpectrumReadError{lineNo, "a repeat count of " + std::to_string(static_cast<long long>(count)) +
                                                        " that exceeds the points declared"};
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
        difPending = lastWasDif || (tokens.back().kind == Kind::Dup && tokens.size() > 2 && tokens[tokens.size() - 2].kind == Kind::Dif);
    }
    if (!tableSeen) throw SpectrumReadError{0, "no ##XYDATA=(X++(Y..Y)) table"};
    if (!haveFirst || !haveLast || nPoints < 0)
        throw SpectrumReadError{tableLine, "##FIRSTX, ##LASTX and ##NPOINTS are needed to place the points"};
    if (static_cast<long long>(y.size()) != nPoints)
        throw SpectrumReadError{tableLine, "##NPOINTS=" + std::to_string(nPoints) + " but the table holds " +
                                               std::to_string(y.size()) + " values"};
    const std::string units = Label(info.xUnits);
    const double toAngstrom = units == "NANOMETERS" ? 10.0 : units == "MICROMETERS" ? 1e4 : 1.0;
    SpectrumPoints p;
    p.x.resize(y.size());
    p.y.resize(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) {
        p.x[i] = (firstX + (lastX - firstX) * static_cast<double>(i) / static_cast<double>(nPoints - 1)) * toAngstrom;
        p.y[i] = y[i] * yFactor;
        if (!std::isfinite(p.x[i]) || !std::isfinite(p.y[i]) || std::fabs(p.y[i]) > 3.4e38 || std::fabs(p.x[i]) > 3.4e38)
            throw SpectrumReadError{tableLine, "a value too large for a single-precision number"};
    }
    return p;
}

}  // namespace velmora::experiment
