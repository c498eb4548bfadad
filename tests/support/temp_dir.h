// A temporary folder for tests that write files; removed with its contents at the end.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// Path of a file in the folder.
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    /// Writes a file (as bytes, no line-end conversion) and returns its path.
    std::filesystem::path Write(std::string_view name, std::string_view content) const;

private:
    std::filesystem::path path_;
};

/// Copies a database folder without its model cache folder, which other tests running at the
/// same time may be writing (a cache file renamed into place mid-copy would stop the copy).
void CopyDatabase(const std::filesystem::path& from, const std::filesystem::path& to);

/// Reads a whole file as bytes.
std::string ReadFile(const std::filesystem::path& path);

/// The lines of a text whose lines end in CR-LF (a last line without its end counts too).
std::vector<std::string> CrLfLines(const std::string& text);

/// The comma-separated fields of one line.
std::vector<std::string> CommaFields(const std::string& line);

}  // namespace velmora::testing
