// Number patterns of the simplest form (literals, digit placeholders, one decimal point,
// literals), compiled once and applied to many numbers: the written spectra format hundreds of
// thousands of numbers with the same two or three patterns.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

/// A pattern such as "#####.###   " or " ,  ###.0000": literals, then '#' and '0' placeholders
/// of the integer part, a decimal point, '0' then '#' placeholders of the fraction, literals.
/// Append writes exactly what Format(value, pattern) writes; patterns of any other form (grouping,
/// percent, exponent, literals among the digits) and values whose rounding is a near tie are
/// handed to Format itself.
class FixedPattern {
public:
    explicit FixedPattern(std::string pattern);

    /// Appends the formatted value to out.
    void Append(std::string& out, double value) const;

    /// "####0.0" followed by `decimals` - 1 optional places: the form of the x column of a
    /// written spectrum, decimals of at least 3 ("3040.0", "3040.125", "0.5").
    static std::string OptionalDecimals(int decimals);

private:
    std::string pattern_;
    bool simple_ = false;
    std::string prefix_, suffix_;
    int minIntegerDigits_ = 0;  ///< '0' placeholders of the integer part
    int requiredDecimals_ = 0;  ///< '0' placeholders after the point
    int decimals_ = 0;          ///< all placeholders after the point
    double limit_ = 0.0;        ///< magnitudes below it have at most 15 significant digits written
};

}  // namespace velmora
