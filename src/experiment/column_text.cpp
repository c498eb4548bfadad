#include "experiment/column_text.h"

#include <cctype>
#include <cstring>

#include "common/number_format.h"

namespace velmora::experiment {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

/// A comma with a digit directly on both sides: a decimal comma, or a thousands mark.
bool HasCommaBetweenDigits(std::string_view f) {
    for (std::size_t i = 1; i + 1 < f.size(); ++i)
        if (f[i] == ',' && IsDigit(f[i - 1]) && IsDigit(f[i + 1])) return true;
    return false;
}

/// A point next to a digit ("3.5", "3.", ".5"): a decimal point.
bool HasDecimalPoint(std::string_view f) {
    for (std::size_t i = 0; i < f.size(); ++i)
        if (f[i] == '.' && ((i > 0 && IsDigit(f[i - 1])) || (i + 1 < f.size() && IsDigit(f[i + 1])))) return true;
    return false;
}

/// Blanks and one double quote before a number (spreadsheets quote their fields).
std::string_view SkipLead(std::string_view f) {
    std::size_t i = 0;
    while (i < f.size() && (IsBlank(f[i]) || f[i] == '\n' || f[i] == '\r')) ++i;
    if (i < f.size() && f[i] == '"') ++i;
    return f.substr(i);
}

bool StartsWithNumber(std::string_view f, char mark) {
    std::size_t i = 0;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) ++i;
    if (i < f.size() && IsDigit(f[i])) return true;
    return i + 1 < f.size() && f[i] == mark && IsDigit(f[i + 1]);
}

/// "nan", "inf", "infinity" (any case, signed) and the "1.#INF" family of some runtimes.
bool IsNonFiniteWord(std::string_view f) {
    std::size_t i = 0;
    if (i < f.size() && (f[i] == '+' || f[i] == '-')) ++i;
    auto word = [&](const char* w) {
        const std::size_t n = std::strlen(w);
        if (f.size() - i < n) return false;
        for (std::size_t k = 0; k < n; ++k)
            if (Lower(f[i + k]) != w[k]) return false;
        return true;
    };
    if (word("nan") || word("inf")) return true;
    while (i < f.size() && IsDigit(f[i])) ++i;
    return i + 1 < f.size() && (f[i] == '.' || f[i] == ',') && f[i + 1] == '#';
}

}  // namespace

LineFields SplitFields(std::string_view line, DecimalMark mark) {
    char sep = 0;
    if (line.find('\t') != std::string_view::npos)
        sep = '\t';
    else if (line.find(';') != std::string_view::npos)
        sep = ';';
    else if (mark == DecimalMark::Point && line.find(',') != std::string_view::npos)
        sep = ',';
    else if (line.find(' ') != std::string_view::npos)
        sep = ' ';
    if (sep == 0) return {line, {}, false};
    const std::size_t p = line.find(sep);
    const std::string_view rest = TrimView(line.substr(p + 1));
    const std::size_t q = rest.find(sep);
    return {line.substr(0, p), q == std::string_view::npos ? rest : rest.substr(0, q), true};
}

MarkEvidence DecimalMarkOf(std::string_view line) {
    line = TrimView(line);
    // Only lines that begin with a number tell: headings may hold dates and version numbers.
    const std::string_view lead = SkipLead(line);
    if (!StartsWithNumber(lead, '.') && !StartsWithNumber(lead, ',')) return MarkEvidence::None;
    // A comma can be a decimal comma only where something else separates the columns.
    const bool otherSeparator = line.find_first_of("\t; ") != std::string_view::npos;
    const LineFields f = SplitFields(line, otherSeparator ? DecimalMark::Comma : DecimalMark::Point);
    const bool comma = otherSeparator && (HasCommaBetweenDigits(f.first) || HasCommaBetweenDigits(f.second));
    const bool point = HasDecimalPoint(f.first) || HasDecimalPoint(f.second);
    if (comma && point) return MarkEvidence::Mixed;
    if (comma) return MarkEvidence::Comma;
    return point ? MarkEvidence::Point : MarkEvidence::None;
}

bool DecimalMarkDetector::Observe(std::string_view line, long long lineNumber) {
    const MarkEvidence e = DecimalMarkOf(line);
    if (e == MarkEvidence::None) return true;
    if (e == MarkEvidence::Mixed) return false;
    const DecimalMark seen = e == MarkEvidence::Comma ? DecimalMark::Comma : DecimalMark::Point;
    if (!Decided()) {
        mark_ = seen;
        decidedAt_ = lineNumber;
        return true;
    }
    return seen == mark_;
}

std::string DecimalMarkDetector::Contradiction(std::string_view line) const {
    if (!Decided() || DecimalMarkOf(line) == MarkEvidence::Mixed) {
        const LineFields f = SplitFields(TrimView(line), DecimalMark::Comma);
        return "the numbers " + QuotedField(f.first) + " and " + QuotedField(f.second) +
               " mix a decimal point and a decimal comma";
    }
    const bool commas = mark_ == DecimalMark::Comma;
    return std::string(commas ? "a decimal point" : "a decimal comma") + ", but line " + std::to_string(decidedAt_) +
           " has " + (commas ? "decimal commas" : "decimal points");
}

FieldValue ReadField(std::string_view field, DecimalMark mark, double& value) {
    const std::string_view f = SkipLead(field);
    if (IsNonFiniteWord(f)) return FieldValue::NonFinite;
    const char markChar = mark == DecimalMark::Comma ? ',' : '.';
    if (!StartsWithNumber(f, markChar)) return FieldValue::NotANumber;
    if (mark == DecimalMark::Point) {
        // A letter joined to the number ("0x1f", "2e", "12abc") makes the field a word.
        const std::size_t length = NumberLength(f);
        if (length < f.size() && std::isalpha(static_cast<unsigned char>(f[length]))) return FieldValue::NotANumber;
        value = Val(f);
        return FieldValue::Number;
    }
    // The number with its comma turned into a point; it ends at a decimal point. A short copy
    // on the stack: a spectrum has millions of fields.
    char buf[64];
    std::string big;
    char* out = buf;
    if (f.size() >= sizeof buf) {
        big.resize(f.size());
        out = big.data();
    }
    std::size_t n = 0;
    for (const char c : f) {
        if (c == '.') break;
        out[n++] = c == ',' ? '.' : c;
    }
    const std::string_view number(out, n);
    const std::size_t length = NumberLength(number);
    if (length < n && std::isalpha(static_cast<unsigned char>(number[length]))) return FieldValue::NotANumber;
    value = Val(number);
    return FieldValue::Number;
}

std::string QuotedField(std::string_view field) {
    std::string out(TrimView(field).substr(0, 24));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = '?';
    return "\"" + out + "\"";
}

std::string_view TrimView(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && IsBlank(s[a])) ++a;
    while (b > a && IsBlank(s[b - 1])) --b;
    return s.substr(a, b - a);
}

std::string_view TrimLine(std::string_view s) {
    const auto trimmed = [](char c) { return IsBlank(c) || c == '\r'; };
    std::size_t a = 0, b = s.size();
    while (a < b && trimmed(s[a])) ++a;
    while (b > a && trimmed(s[b - 1])) --b;
    return s.substr(a, b - a);
}

}  // namespace velmora::experiment
