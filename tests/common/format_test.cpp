#include <gtest/gtest.h>

#include <cmath>

#include "common/number_format.h"

namespace velmora {

TEST(Format, OptionalAndRequiredDigits) {
    EXPECT_EQ(Format(3070, "#####.0##"), "3070.0");
    EXPECT_EQ(Format(3070.25, "#####.0##"), "3070.25");
    EXPECT_EQ(Format(3070.12345, "#####.0##"), "3070.123");
    EXPECT_EQ(Format(0.378, " #0.0###"), " 0.378");
    EXPECT_EQ(Format(5, " #0 "), " 5 ");
    EXPECT_EQ(Format(0.5, "0.000000"), "0.500000");
    EXPECT_EQ(Format(12.0, "#0.#  "), "12.  ");
    EXPECT_EQ(Format(1.5, "(#0.# ) "), "(1.5 ) ");
    EXPECT_EQ(Format(0.25, "#.##"), ".25");
}

TEST(Format, RoundsHalfAwayFromZeroOnTheDecimalValue) {
    EXPECT_EQ(Format(2.675, "0.00"), "2.68");
    EXPECT_EQ(Format(0.125, "0.00"), "0.13");
    EXPECT_EQ(Format(9.9996, "0.000"), "10.000");
    EXPECT_EQ(Format(-0.0001, "0.00"), "0.00");  // no "-0.00"
}

TEST(Format, LiteralsAndSignPlacement) {
    EXPECT_EQ(Format(3, "v' = #0"), "v' = 3");
    EXPECT_EQ(Format(-12.5, ", #0.000000  "), ", -12.500000  ");
    EXPECT_EQ(Format(42.123456, " ,  ###.0000"), " ,  42.1235");
    EXPECT_EQ(Format(7, "#0 -"), "7 -");
    EXPECT_EQ(Format(123, "A v'=##0      "), "A v'=123      ");
}

TEST(Format, CommaIsGroupingOnlyBetweenDigitPlaceholders) {
    EXPECT_EQ(Format(1234567, "#,##0"), "1,234,567");
    EXPECT_EQ(Format(1234.5, ", #0.0"), ", 1234.5");
}

TEST(Format, ScientificAndPercent) {
    EXPECT_EQ(Format(12345.0, "0.00E+00"), "1.23E+04");
    EXPECT_EQ(Format(0.000123, "0.00E+00"), "1.23E-04");
    EXPECT_EQ(Format(9.999e5, "0.00E+00"), "1.00E+06");
    EXPECT_EQ(Format(0.25, "0%"), "25%");
}

TEST(Str, LeadingBlankAndSignificantDigits) {
    EXPECT_EQ(Str(1), " 1");
    EXPECT_EQ(Str(-3), "-3");
    EXPECT_EQ(Str(3050.0f), " 3050");
    EXPECT_EQ(Str(31746.03f), " 31746.03");
    EXPECT_EQ(Str(0.5), " 0.5");
    EXPECT_EQ(Str(1e-5f), " 1E-05");
    EXPECT_EQ(Str(12345678.0f), " 1.234568E+07");
    EXPECT_EQ(Str(0.0), " 0");
}

TEST(Val, TakesTheLeadingNumericPart) {
    EXPECT_DOUBLE_EQ(Val(" 2"), 2.0);
    EXPECT_DOUBLE_EQ(Val("  12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(Val("1E3"), 1000.0);
    EXPECT_DOUBLE_EQ(Val("-.5e1x"), -5.0);
    EXPECT_DOUBLE_EQ(Val("1e"), 1.0);
    EXPECT_DOUBLE_EQ(Val("x12"), 0.0);
    EXPECT_DOUBLE_EQ(Val(""), 0.0);
}

TEST(Val, NumbersBeyondDoubleRangeOverflowToInfinityAndUnderflowToZero) {
    EXPECT_EQ(Val("1.5e400"), HUGE_VAL);
    EXPECT_EQ(Val("-0.02D+311"), -HUGE_VAL);
    EXPECT_EQ(Val("1e-400"), 0.0);
    EXPECT_EQ(Val("123.4e-420"), 0.0);
    EXPECT_FALSE(IsNumeric("1.5e400"));
    // Exponents of twenty and more digits (found by fuzzing): no wrap-around of the sum.
    EXPECT_EQ(Val("12e99999999999999999999"), HUGE_VAL);
    EXPECT_EQ(Val("-12e+99999999999999999999"), -HUGE_VAL);
    EXPECT_EQ(Val("0.001e-99999999999999999999"), 0.0);
    EXPECT_EQ(Val("1e-9223372036854775808"), 0.0);
    EXPECT_EQ(Val("0.0e99999999999999999999"), 0.0);
    EXPECT_TRUE(IsNumeric("0.001e-99999999999999999999"));
}

TEST(IsNumeric, WholeTextMustBeANumber) {
    EXPECT_TRUE(IsNumeric(" 300 "));
    EXPECT_TRUE(IsNumeric("-1.5e-3"));
    EXPECT_TRUE(IsNumeric(".5"));
    EXPECT_TRUE(IsNumeric("2."));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("-"));
    EXPECT_FALSE(IsNumeric("12a"));
    EXPECT_FALSE(IsNumeric("1e"));
    EXPECT_FALSE(IsNumeric("nan"));
}

TEST(Format, StrRoundTripsThroughVal) {
    for (float v : {3050.0f, 31746.03f, 0.378f, 1e-5f, -299000.0f, 32786.89f})
        EXPECT_FLOAT_EQ(static_cast<float>(Val(Str(v))), v) << v;
}

}  // namespace velmora

namespace velmora {

TEST(Utf8Length, CountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Length(""), 0u);
    EXPECT_EQ(Utf8Length("cm-1"), 4u);
    EXPECT_EQ(Utf8Length("Wavelength (\xC3\x85)"), 14u);  // Å is two bytes
    EXPECT_EQ(Utf8Length("\xE2\x80\x93"), 1u);            // an en dash, three bytes
}

}  // namespace velmora
