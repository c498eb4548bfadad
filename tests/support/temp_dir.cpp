#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>

namespace velmora::testing {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    do {
        path_ = base / ("velmora-test-" + std::to_string(rd()));
    } while (std::filesystem::exists(path_));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void CopyDatabase(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::create_directories(to);
    for (const auto& entry : std::filesystem::directory_iterator(from))
        if (entry.path().filename() != "cache")
            std::filesystem::copy(entry.path(), to / entry.path().filename(), std::filesystem::copy_options::recursive);
}

std::filesystem::path TempDir::Write(std::string_view name, std::string_view content) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return p;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        out.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return out;
}

std::vector<std::string> CommaFields(const std::string& line) {
    std::vector<std::string> f;
    std::istringstream in(line);
    for (std::string x; std::getline(in, x, ',');) f.push_back(x);
    return f;
}

}  // namespace velmora::testing
