// Errors raised by the readers and writers of the program's files.
#pragma once

#include <stdexcept>
#include <string>

namespace velmora {

/// A file could not be opened, read, parsed or written. The message names the file and the problem.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    /// "<file>: <problem>"
    static FileError In(const std::string& file, const std::string& problem) {
        return FileError(file + ": " + problem);
    }
    /// "<file>, line <n>: <problem>"
    static FileError At(const std::string& file, int line, const std::string& problem) {
        return FileError(file + ", line " + std::to_string(line) + ": " + problem);
    }
};

}  // namespace velmora
