#include "common/fixed_pattern.h"

#include <gtest/gtest.h>

#include <random>

#include "common/number_format.h"

namespace velmora {
namespace {

TEST(FixedPattern, WritesWhatFormatWrites) {
    const char* patterns[] = {"#####.###   ", "#####.#######", " ,  ###.0000", ", ###.0000 ", " #0.0###", "##0.0####",
                              "0.00", ".##", "####0.0##   ", " ,  ##0.0000", ", ##0.0000 ",
                              // Not of the simple form: written by Format itself.
                              "#,##0.00", "0.00E+00", "0##.#", "##%"};
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.5,
                                  2.675,
                                  -2.675,
                                  1e-7,
                                  -1e-7,
                                  0.00005,
                                  99.99995,
                                  100.0,
                                  3090.142857142857,
                                  31746.031746031746,
                                  123456789.125,
                                  -42.0,
                                  1e20};
    std::mt19937 random(11);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-6, 6);
    for (int i = 0; i < 3000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (const char* p : patterns) {
        const FixedPattern compiled(p);
        for (double v : values) {
            std::string text = "<";
            compiled.Append(text, v);
            EXPECT_EQ(text, "<" + Format(v, p)) << "pattern \"" << p << "\" value " << v;
        }
    }
    EXPECT_EQ(FixedPattern::OptionalDecimals(2), "####0.0##");
    EXPECT_EQ(FixedPattern::OptionalDecimals(5), "####0.0####");
}

}  // namespace
}  // namespace velmora
