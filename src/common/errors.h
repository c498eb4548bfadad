// Errors raised by the readers and writers of the program's files.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

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

/// A piece of input as a message quotes it: at most `most` characters (then "..."), control
/// bytes shown as '?', so that a message stays one readable line whatever the input holds.
inline std::string Excerpt(std::string_view text, std::size_t most = 60) {
    std::string out(text.substr(0, most));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = '?';
    if (text.size() > most) out += "...";
    return out;
}

}  // namespace velmora
