#include "common/file_kind.h"

namespace velmora {

std::string UnreadableFileProblem(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    switch (st.type()) {
        case fs::file_type::regular:
            return {};
        case fs::file_type::not_found:
            return "file not found";
        case fs::file_type::directory:
            return "is a folder, not a file";
        case fs::file_type::fifo:
            return "is not a regular file (a named pipe)";
        case fs::file_type::block:
        case fs::file_type::character:
            return "is not a regular file (a device)";
        case fs::file_type::socket:
            return "is not a regular file (a socket)";
        default:
            return ec ? "cannot be examined (" + ec.message() + ")" : "is not a regular file";
    }
}

}  // namespace velmora
