// Files for the fuzz targets whose readers take paths: one private folder per fuzzing process,
// removed when it ends, and the checks a target makes of what the readers produced.
#pragma once

#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::fuzz {

/// The folder of this process, made at the first call: in memory (/dev/shm) where there is such
/// a file system, since a disk file system makes every rewrite of a small file wait for the disk.
inline const std::string& Folder() {
    static const std::string folder = [] {
        std::error_code ec;
        std::string name =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm/velmora-fuzz-XXXXXX" : "/tmp/velmora-fuzz-XXXXXX";
        if (!mkdtemp(name.data())) std::abort();
        static std::string made = name;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        return made;
    }();
    return folder;
}

/// Writes bytes to a file below the folder, making its folders.
inline void WriteFile(const std::string& path, std::string_view bytes) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

/// Ends the process (a crash libFuzzer records) when a condition does not hold.
inline void Check(bool condition) {
    if (!condition) std::abort();
}

/// The next part of a fuzz input: the bytes up to a form feed (or the end).
inline std::string_view NextPart(std::string_view& rest) {
    const std::size_t cut = rest.find('\f');
    const std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return part;
}

}  // namespace velmora::fuzz
