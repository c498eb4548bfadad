#include "common/fixed_pattern.h"

#include <cmath>
#include <cstdint>

#include "common/number_format.h"

namespace velmora {

namespace {

constexpr std::uint64_t kPowersOfTen[] = {1ull,         10ull,         100ull,         1000ull,
                                          10000ull,     100000ull,     1000000ull,     10000000ull,
                                          100000000ull, 1000000000ull, 10000000000ull, 100000000000ull};

bool IsPlaceholder(char c) { return c == '#' || c == '0'; }

}  // namespace

FixedPattern::FixedPattern(std::string pattern) : pattern_(std::move(pattern)) {
    const std::string& p = pattern_;
    std::size_t i = 0;
    while (i < p.size() && !IsPlaceholder(p[i]) && p[i] != '.') ++i;
    prefix_ = p.substr(0, i);
    // Prefix literals that Format reads otherwise (escapes, quotes, percent, exponent markers).
    for (char c : prefix_)
        if (c == '\\' || c == '"' || c == '%' || c == 'E' || c == 'e') return;
    int integerPlaces = 0;
    for (; i < p.size() && IsPlaceholder(p[i]); ++i) {
        if (p[i] == '0')
            ++minIntegerDigits_;
        else if (minIntegerDigits_ > 0)
            return;  // '#' after '0': not this simple form
        ++integerPlaces;
    }
    if (i >= p.size() || p[i] != '.') return;
    ++i;
    for (; i < p.size() && p[i] == '0'; ++i) ++requiredDecimals_;
    decimals_ = requiredDecimals_;
    for (; i < p.size() && p[i] == '#'; ++i) ++decimals_;
    suffix_ = p.substr(i);
    for (char c : suffix_)
        if (IsPlaceholder(c) || c == '.' || c == '\\' || c == '"' || c == '%' || c == 'E' || c == 'e') return;
    simple_ = decimals_ <= 9 && (integerPlaces > 0 || minIntegerDigits_ == 0);
    // Format rounds the 15-significant-digit form of a value: up to that many digits the rounding
    // of the binary value gives the same digits.
    limit_ = std::pow(10.0, 15 - decimals_);
}

std::string FixedPattern::OptionalDecimals(int decimals) {
    return "####0.0" + std::string(static_cast<std::size_t>(decimals < 3 ? 2 : decimals - 1), '#');
}

void FixedPattern::Append(std::string& out, double value) const {
    const double magnitude = std::fabs(value);
    if (!simple_ || !(magnitude < limit_)) {
        out += Format(value, pattern_);
        return;
    }
    // Rounded half away from zero at the last place. Format rounds the value's 15-significant-digit
    // form, which lies within 5E-15 of the value: near a half that rounding decides, so such
    // values are handed to Format.
    const double scaled = magnitude * static_cast<double>(kPowersOfTen[decimals_]);
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-6 + 1e-14 * scaled) {
        out += Format(value, pattern_);
        return;
    }
    const std::uint64_t n = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    const std::uint64_t integer = n / kPowersOfTen[decimals_];
    std::uint64_t fractionDigits = n % kPowersOfTen[decimals_];

    char digits[40];
    int length = 0;
    // Integer part, at least minIntegerDigits_ digits (none for a value below 1 without '0').
    char reversed[24];
    int r = 0;
    for (std::uint64_t v = integer; v > 0; v /= 10) reversed[r++] = static_cast<char>('0' + v % 10);
    while (r < minIntegerDigits_) reversed[r++] = '0';
    while (r > 0) digits[length++] = reversed[--r];
    digits[length++] = '.';
    // Fraction: the required places, then the optional ones up to the last non-zero digit.
    int places = decimals_;
    while (places > requiredDecimals_ && fractionDigits % 10 == 0) {
        fractionDigits /= 10;
        --places;
    }
    for (int k = places - 1; k >= 0; --k) {
        digits[length + k] = static_cast<char>('0' + fractionDigits % 10);
        fractionDigits /= 10;
    }
    length += places;

    out += prefix_;
    if (value < 0.0 && n != 0) out += '-';
    out.append(digits, static_cast<std::size_t>(length));
    out += suffix_;
}

}  // namespace velmora
