// What kind of file system object a path names, before a reader opens it.
#pragma once

#include <filesystem>
#include <string>

namespace velmora {

/// Why a path cannot be read as a data file: "file not found", "is a folder, not a file", or
/// "is not a regular file (…)" for a FIFO, device or socket, whose reading could block or never
/// end. Empty for a regular file or a symbolic link to one.
std::string UnreadableFileProblem(const std::filesystem::path& path);

}  // namespace velmora
