// Checking the errors that the readers of the program's files raise.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"

namespace velmora::testing {

/// Runs `read` and returns the message of the FileError it throws; records a test failure and
/// returns "" when it throws none.
template <typename Read>
std::string FileErrorMessage(Read&& read) {
    try {
        read();
    } catch (const FileError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no FileError";
    return "";
}

}  // namespace velmora::testing
