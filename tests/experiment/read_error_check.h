// The check shared by the reader tests: a read that must fail with a message naming its line.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "experiment/spectrum_files.h"

namespace velmora::testing {

/// Runs `read`, which must throw a SpectrumReadError on line `line` whose problem contains
/// `problem`; `input` names the case in a failure.
template <class Read>
void ExpectReadError(Read read, long long line, std::string_view problem, std::string_view input) {
    try {
        read();
        ADD_FAILURE() << "no error for " << input;
    } catch (const experiment::SpectrumReadError& e) {
        EXPECT_EQ(e.line, line) << input << ": " << e.problem;
        EXPECT_NE(e.problem.find(problem), std::string_view::npos) << e.problem;
    }
}

}  // namespace velmora::testing
