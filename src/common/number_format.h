// Number to text and text to number, as the program shows and stores numbers everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

/// Formats a value with a number pattern: '0' a digit always written, '#' a digit written only
/// when significant, '.' the decimal point (always written when the pattern has one), "E+0"/"E-0"
/// scientific notation, '%' percent, a comma between two digit placeholders of the integer part a
/// thousands separator; every other character (and any comma elsewhere) is written as it stands.
/// A minus sign goes directly before the digits, so literal prefixes stay in front of it.
/// Examples: Format(3070, "#####.0##") = "3070.0", Format(0.378, " #0.0###") = " 0.378".
std::string Format(double value, std::string_view pattern);

/// Default number-to-text form: a leading blank for non-negative numbers (a '-' otherwise),
/// up to 15 significant digits, scientific form ("1E-05") for very small or large magnitudes.
std::string Str(double value);
/// The same for a single-precision value: up to 7 significant digits.
std::string Str(float value);
std::string Str(int value);
/// The default form with the seven significant digits of a single-precision number when they
/// read back as the value itself (" 0.35", " 2.5E+12"), else with all fifteen: a value typed
/// reads as typed, a computed one keeps its precision.
std::string CompactStr(double value);

/// A value to `digits` significant digits in the shortest of fixed and scientific form, as
/// printf's "%.*g" writes it: Significant(0.25441, 4) = "0.2544", Significant(1.2e-5, 4) = "1.2e-05".
std::string Significant(double value, int digits);

/// Length of the decimal number at the start of text: sign, digits and point, then an exponent
/// (E or D, sign, digits) when digits follow its letter. 0 when there is no digit before it.
std::size_t NumberLength(std::string_view text);

/// The leading numeric part of a text (blanks before it are skipped), 0 when there is none.
/// Val("  12.5abc") = 12.5, Val("1E3") = 1000, Val("x") = 0.
double Val(std::string_view text);

/// Parses a whole text as a decimal number (sign, digits, point, exponent with E or D).
/// Returns false when the text (without surrounding blanks and line ends) is not exactly a number.
bool ParseDecimal(std::string_view text, double& value);

/// True when the whole text, apart from surrounding blanks, is one decimal number.
bool IsNumeric(std::string_view text);

/// A half-integer quantum number held as twice its value (J, Ω), as tables and files write it:
/// HalfInteger(21) = "10.5", HalfInteger(20) = "10".
std::string HalfInteger(int twice);

/// Trims blanks and tabs at both ends.
std::string Trim(std::string_view text);

/// Number of characters of a UTF-8 text (a multi-byte sequence counts as one).
std::size_t Utf8Length(std::string_view text);

}  // namespace velmora
