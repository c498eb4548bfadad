#include "common/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace velmora {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
/// Blanks, tabs and line ends: what may stand around a number.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

struct Token {
    enum Kind { Digit0, DigitHash, Literal, Group } kind;
    char c;
};

/// Decimal digits of |value| to `decimals` places, rounded half away from zero on the value's
/// 15-significant-digit decimal form (so 2.675 rounds to 2.68 as a user expects).
void DecimalDigits(double value, int decimals, std::string& intDigits, std::string& fracDigits) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, 14);
    *res.ptr = '\0';
    // buf = d.dddddddddddddde[+-]xx
    std::string mant;
    mant.reserve(24);
    mant += buf[0];
    const char* p = buf + 2;
    while (*p && *p != 'e') mant += *p++;
    const int exp10 = std::atoi(p + 1);
    // Digit string mant represents mant[0].mant[1..] x 10^exp10; position of decimal point:
    int point = exp10 + 1;  // number of digits before the point
    std::string digits = mant;
    if (point <= 0) {
        digits.insert(0, static_cast<std::size_t>(-point + 1), '0');
        point = 1;
    }
    if (static_cast<int>(digits.size()) < point + decimals + 1)
        digits.append(static_cast<std::size_t>(point + decimals + 1 - static_cast<int>(digits.size())), '0');
    // Round at position point + decimals.
    const int cut = point + decimals;
    const bool up = digits[static_cast<std::size_t>(cut)] >= '5';
    digits.resize(static_cast<std::size_t>(cut));
    if (up) {
        int k = cut - 1;
        while (k >= 0) {
            if (digits[static_cast<std::size_t>(k)] == '9') {
                digits[static_cast<std::size_t>(k)] = '0';
                --k;
            } else {
                ++digits[static_cast<std::size_t>(k)];
                break;
            }
        }
        if (k < 0) {
            digits.insert(digits.begin(), '1');
            ++point;
        }
    }
    intDigits = digits.substr(0, static_cast<std::size_t>(point));
    fracDigits = digits.substr(static_cast<std::size_t>(point));
    // Strip leading zeros of the integer part (keep none: "0" placeholders add them back).
    std::size_t nz = 0;
    while (nz < intDigits.size() && intDigits[nz] == '0') ++nz;
    intDigits.erase(0, nz);
}

std::vector<Token> Tokenize(std::string_view pattern, std::size_t from, std::size_t to) {
    std::vector<Token> out;
    for (std::size_t i = from; i < to; ++i) {
        const char c = pattern[i];
        if (c == '0')
            out.push_back({Token::Digit0, c});
        else if (c == '#')
            out.push_back({Token::DigitHash, c});
        else if (c == '\\' && i + 1 < to)
            out.push_back({Token::Literal, pattern[++i]});
        else if (c == '"') {
            ++i;
            while (i < to && pattern[i] != '"') out.push_back({Token::Literal, pattern[i++]});
        } else
            out.push_back({Token::Literal, c});
    }
    return out;
}

bool IsPlaceholder(const Token& t) { return t.kind == Token::Digit0 || t.kind == Token::DigitHash; }

/// Finds the first '.' or exponent marker outside quotes and escapes.
void SplitPattern(std::string_view pat, std::size_t& dot, std::size_t& expo) {
    dot = expo = std::string_view::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < pat.size(); ++i) {
        const char c = pat[i];
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '.' && dot == std::string_view::npos && expo == std::string_view::npos) dot = i;
        if ((c == 'E' || c == 'e') && i + 1 < pat.size() && (pat[i + 1] == '+' || pat[i + 1] == '-') &&
            expo == std::string_view::npos) {
            expo = i;
            break;
        }
    }
}

/// A pattern split into its integer and fraction parts, parsed once and kept.
struct ParsedPattern {
    std::size_t dot = std::string_view::npos;
    std::size_t expo = std::string_view::npos;
    std::vector<Token> intTok, fracTok;
    bool grouping = false;  ///< a comma between digit placeholders of the integer part
    int percent = 0;        ///< number of '%' signs: each multiplies by 100
};

const ParsedPattern& Parse(std::string_view pat) {
    thread_local std::unordered_map<std::string, ParsedPattern> cache;
    auto it = cache.find(std::string(pat));
    if (it != cache.end()) return it->second;
    if (cache.size() > 512) cache.clear();  // patterns are few; bound the memory anyway
    ParsedPattern p;
    SplitPattern(pat, p.dot, p.expo);
    const std::size_t intEnd =
        p.dot != std::string_view::npos ? p.dot : (p.expo != std::string_view::npos ? p.expo : pat.size());
    const std::size_t fracEnd = p.expo != std::string_view::npos ? p.expo : pat.size();
    p.intTok = Tokenize(pat, 0, intEnd);
    if (p.dot != std::string_view::npos) p.fracTok = Tokenize(pat, p.dot + 1, fracEnd);
    for (const Token& t : p.intTok) p.percent += t.kind == Token::Literal && t.c == '%';
    for (const Token& t : p.fracTok) p.percent += t.kind == Token::Literal && t.c == '%';
    // Thousands separator: a comma with digit placeholders on both sides in the integer part.
    for (std::size_t i = 0; i < p.intTok.size(); ++i) {
        if (p.intTok[i].kind != Token::Literal || p.intTok[i].c != ',') continue;
        bool before = false, after = false;
        for (std::size_t k = 0; k < i; ++k) before |= IsPlaceholder(p.intTok[k]);
        for (std::size_t k = i + 1; k < p.intTok.size(); ++k) after |= IsPlaceholder(p.intTok[k]);
        if (before && after) {
            p.intTok[i].kind = Token::Group;
            p.grouping = true;
        }
    }
    return cache.emplace(std::string(pat), std::move(p)).first->second;
}

std::string FormatPositional(double value, std::string_view pat) {
    const ParsedPattern& parsed = Parse(pat);
    const std::size_t dot = parsed.dot, expo = parsed.expo;
    const std::vector<Token>& intTok = parsed.intTok;
    const std::vector<Token>& fracTok = parsed.fracTok;
    const bool grouping = parsed.grouping;
    for (int k = 0; k < parsed.percent; ++k) value *= 100.0;

    // Scientific notation: mantissa with as many integer digits as the integer placeholders.
    int exponent = 0;
    std::string expText;
    if (expo != std::string_view::npos) {
        int intPh = 0;
        for (const Token& t : intTok) intPh += IsPlaceholder(t) ? 1 : 0;
        if (intPh == 0) intPh = 1;
        if (value != 0.0 && std::isfinite(value)) {
            exponent = static_cast<int>(std::floor(std::log10(std::fabs(value)))) - (intPh - 1);
            value /= std::pow(10.0, exponent);
        }
    }

    int fracPh = 0;
    for (const Token& t : fracTok) fracPh += IsPlaceholder(t) ? 1 : 0;

    std::string intDigits, fracDigits;
    DecimalDigits(value, fracPh, intDigits, fracDigits);
    if (expo != std::string_view::npos && !intDigits.empty()) {
        // Rounding may have carried the mantissa to one more digit (9.99 -> 10.0).
        int intPh = 0;
        for (const Token& t : intTok) intPh += IsPlaceholder(t) ? 1 : 0;
        if (intPh == 0) intPh = 1;
        if (static_cast<int>(intDigits.size()) > intPh) {
            ++exponent;
            value /= 10.0;
            DecimalDigits(value, fracPh, intDigits, fracDigits);
        }
    }
    // Drop trailing zeros that stand on optional ('#') fraction positions.
    {
        std::vector<const Token*> ph;
        for (const Token& t : fracTok)
            if (IsPlaceholder(t)) ph.push_back(&t);
        std::size_t keep = fracDigits.size();
        while (keep > 0 && ph[keep - 1]->kind == Token::DigitHash && fracDigits[keep - 1] == '0') --keep;
        fracDigits.resize(keep);
    }
    const bool allZero =
        intDigits.find_first_not_of('0') == std::string::npos && fracDigits.find_first_not_of('0') == std::string::npos;
    const bool negative = value < 0 && !allZero;

    if (grouping) {
        std::string g;
        const int n = static_cast<int>(intDigits.size());
        for (int i = 0; i < n; ++i) {
            g += intDigits[static_cast<std::size_t>(i)];
            if ((n - 1 - i) % 3 == 0 && i != n - 1) g += ',';
        }
        intDigits = g;
    }

    // Integer part, filled from the right.
    std::string intOut;
    int firstPh = -1;
    for (std::size_t i = 0; i < intTok.size(); ++i)
        if (IsPlaceholder(intTok[i])) {
            firstPh = static_cast<int>(i);
            break;
        }
    std::string pending = intDigits;  // digits still to place, rightmost last
    for (int i = static_cast<int>(intTok.size()) - 1; i >= 0; --i) {
        const Token& t = intTok[static_cast<std::size_t>(i)];
        if (t.kind == Token::Group) continue;
        if (t.kind == Token::Literal) {
            if (t.c != '%')
                intOut.insert(intOut.begin(), t.c);
            else
                intOut.insert(intOut.begin(), '%');
            continue;
        }
        std::string piece;
        if (!pending.empty()) {
            piece = pending.substr(pending.size() - 1);
            pending.pop_back();
            // Keep a grouping comma together with the digit left of it.
            while (!pending.empty() && pending.back() == ',') {
                piece.insert(piece.begin(), ',');
                pending.pop_back();
            }
        } else if (t.kind == Token::Digit0) {
            piece = "0";
        }
        if (i == firstPh) {
            piece = pending + piece;
            if (negative) piece.insert(piece.begin(), '-');
        }
        intOut.insert(0, piece);
    }
    if (firstPh < 0) {
        // No integer placeholders: the digits (and sign) go just before the decimal point.
        std::string lead = pending;
        if (negative) lead.insert(lead.begin(), '-');
        intOut += lead;
    }

    std::string out = intOut;
    if (dot != std::string_view::npos) {
        out += '.';
        std::size_t k = 0;
        for (const Token& t : fracTok) {
            if (IsPlaceholder(t)) {
                if (k < fracDigits.size()) out += fracDigits[k];
                ++k;
            } else {
                out += t.c;
            }
        }
    }
    if (expo != std::string_view::npos) {
        const char marker = pat[expo];
        const char signMode = pat[expo + 1];
        std::size_t j = expo + 2;
        int minDigits = 0;
        while (j < pat.size() && (pat[j] == '0' || pat[j] == '#')) {
            if (pat[j] == '0') ++minDigits;
            ++j;
        }
        out += marker;
        if (exponent < 0)
            out += '-';
        else if (signMode == '+')
            out += '+';
        std::string e = std::to_string(std::abs(exponent));
        while (static_cast<int>(e.size()) < minDigits) e.insert(e.begin(), '0');
        out += e;
        for (const Token& t : Tokenize(pat, j, pat.size())) out += t.c;
    }
    return out;
}

std::string StrDigits(double value, int significant) {
    if (value == 0.0) return " 0";
    if (std::isnan(value)) return " NaN";
    if (std::isinf(value)) return value > 0 ? " Infinity" : "-Infinity";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significant - 1, std::fabs(value));
    std::string mant;
    mant += buf[0];
    const char* p = buf + 2;
    while (*p && *p != 'e') mant += *p++;
    const int exp10 = std::atoi(p + 1);
    while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
    std::string body;
    if (exp10 >= significant || exp10 < -4) {
        body = mant.substr(0, 1);
        if (mant.size() > 1) body += "." + mant.substr(1);
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exp10 < 0 ? '-' : '+', std::abs(exp10));
        body += e;
    } else if (exp10 >= 0) {
        std::string digits = mant;
        if (static_cast<int>(digits.size()) < exp10 + 1)
            digits.append(static_cast<std::size_t>(exp10 + 1 - static_cast<int>(digits.size())), '0');
        body = digits.substr(0, static_cast<std::size_t>(exp10 + 1));
        if (static_cast<int>(digits.size()) > exp10 + 1)
            body += "." + digits.substr(static_cast<std::size_t>(exp10 + 1));
    } else {
        body = "0." + std::string(static_cast<std::size_t>(-exp10 - 1), '0') + mant;
    }
    return (value < 0 ? "-" : " ") + body;
}

/// Converts the exactly delimited decimal number s (sign, digits, point, exponent) to double.
double ConvertSpan(std::string_view s) {
    char buf[64];
    const char* first = s.data();
    const char* last = s.data() + s.size();
    std::string big;
    // from_chars takes no '+' and no Fortran 'D' exponent: adjust a copy when needed.
    const bool plus = !s.empty() && s[0] == '+';
    const bool fortran = s.find_first_of("dD") != std::string_view::npos;
    if (plus || fortran) {
        std::string_view body = plus ? s.substr(1) : s;
        char* dst = buf;
        if (body.size() >= sizeof buf) {
            big.assign(body);
            first = big.data();
            last = big.data() + big.size();
            dst = big.data();
        } else {
            std::memcpy(buf, body.data(), body.size());
            first = buf;
            last = buf + body.size();
        }
        for (char* p = dst; p != last; ++p)
            if (*p == 'd' || *p == 'D') *p = 'e';
    }
    double v = 0.0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow gives an infinity (caught by the caller), underflow 0, whatever the user's
        // number locale: the decimal exponent of the leading significant digit decides.
        // Exponents are summed with saturation: a written exponent of twenty or more digits
        // must neither wrap around nor lose its sign.
        constexpr long long kExponentCap = 1'000'000'000'000LL;
        const bool negative = first != last && *first == '-';
        long long exponent = 0;
        bool seenPoint = false, significant = false;
        for (const char* p = first; p != last; ++p) {
            const char ch = *p;
            if (ch == '.') {
                seenPoint = true;
            } else if (ch >= '0' && ch <= '9') {
                if (!significant && ch != '0') significant = true;
                if (significant && !seenPoint) exponent = std::min(exponent + 1, kExponentCap);
                if (!significant && seenPoint) exponent = std::max(exponent - 1, -kExponentCap);
            } else if (ch == 'e' || ch == 'E') {
                const char* q = p + 1;
                const bool minus = q != last && *q == '-';
                if (q != last && (*q == '-' || *q == '+')) ++q;
                long long written = 0;
                for (; q != last && *q >= '0' && *q <= '9'; ++q)
                    written = std::min(written * 10 + (*q - '0'), kExponentCap);
                exponent = std::clamp(exponent + (minus ? -written : written), -kExponentCap, kExponentCap);
                break;
            }
        }
        const double magnitude = exponent > 0 ? HUGE_VAL : 0.0;
        return negative ? -magnitude : magnitude;
    }
    return r.ec == std::errc() ? v : 0.0;
}

}  // namespace

std::size_t NumberLength(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t j = 0;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    int digits = 0;
    while (j < n && IsDigit(text[j])) ++j, ++digits;
    if (j < n && text[j] == '.') {
        ++j;
        while (j < n && IsDigit(text[j])) ++j, ++digits;
    }
    if (digits == 0) return 0;
    std::size_t end = j;
    if (j < n && (text[j] == 'e' || text[j] == 'E' || text[j] == 'd' || text[j] == 'D')) {
        std::size_t k = j + 1;
        if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
        const std::size_t expDigits = k;
        while (k < n && IsDigit(text[k])) ++k;
        if (k > expDigits) end = k;
    }
    return end;
}

std::string Format(double value, std::string_view pattern) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    // Only the first section of a ';'-sectioned pattern is used.
    const std::size_t semi = pattern.find(';');
    if (semi != std::string_view::npos) pattern = pattern.substr(0, semi);
    return FormatPositional(value, pattern);
}

std::string Significant(double value, int digits) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    return text;
}

std::string Str(double value) { return StrDigits(value, 15); }
std::string Str(float value) { return StrDigits(static_cast<double>(value), 7); }
std::string CompactStr(double value) {
    std::string text = Str(static_cast<float>(value));
    return Val(text) == value ? text : Str(value);
}

std::string Str(int value) { return value < 0 ? std::to_string(value) : " " + std::to_string(value); }

double Val(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    const std::size_t length = NumberLength(text);
    return length == 0 ? 0.0 : ConvertSpan(text.substr(0, length));
}

bool ParseDecimal(std::string_view text, double& value) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    const std::size_t length = NumberLength(text);
    if (length == 0 || length != text.size()) return false;
    value = ConvertSpan(text);
    return true;
}

bool IsNumeric(std::string_view text) {
    double v;
    return ParseDecimal(text, v) && std::isfinite(v);
}

std::string Trim(std::string_view text) {
    std::size_t a = 0, b = text.size();
    while (a < b && (text[a] == ' ' || text[a] == '\t')) ++a;
    while (b > a && (text[b - 1] == ' ' || text[b - 1] == '\t')) --b;
    return std::string(text.substr(a, b - a));
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string HalfInteger(int twice) { return std::to_string(twice / 2) + (twice % 2 ? ".5" : ""); }

}  // namespace velmora
