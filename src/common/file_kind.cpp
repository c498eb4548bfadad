#include "common/file_kind.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/errors.h"

namespace velmora {

namespace {

/// The problem with a file of this mode, empty for a regular file.
std::string KindProblem(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "is a folder, not a file";
    if (S_ISFIFO(mode)) return "is not a regular file (a named pipe)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is not a regular file (a device)";
    if (S_ISSOCK(mode)) return "is not a regular file (a socket)";
    return "is not a regular file";
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

std::string UnreadableFileProblem(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        return err == ENOENT || err == ENOTDIR ? "file not found"
                                               : "cannot be examined (" + std::string(std::strerror(err)) + ")";
    }
    return KindProblem(st.st_mode);
}

int OpenRegularFile(const std::filesystem::path& path, struct stat& st, int& openError) {
    st = {};
    openError = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        openError = errno;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

RegularFile::RegularFile(const std::filesystem::path& path) : name_(path.string()) {
    if (const std::string problem = UnreadableFileProblem(path); !problem.empty()) throw FileError::In(name_, problem);
    int openError = 0;
    fd_ = OpenRegularFile(path, opened_, openError);
    if (fd_ < 0) {
        if (openError != 0)
            throw FileError::In(name_, "cannot be opened for reading (" + std::string(std::strerror(openError)) + ")");
        throw FileError::In(name_, KindProblem(opened_.st_mode));
    }
    // Reads of the open file wait for data as usual.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

RegularFile::~RegularFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t RegularFile::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) {
            read_ += static_cast<std::uintmax_t>(n);
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR)
            throw FileError::In(name_,
                                "read error after " + std::to_string(read_) + " bytes (" + std::strerror(errno) + ")");
    }
}

void RegularFile::CheckUnchanged() const {
    struct stat now {};
    const bool same = ::fstat(fd_, &now) == 0 && now.st_size == opened_.st_size &&
                      SameTime(now.st_mtim, opened_.st_mtim) && read_ == static_cast<std::uintmax_t>(now.st_size);
    if (!same)
        throw FileError::In(name_, "changed while it was read (" + std::to_string(read_) + " bytes read of " +
                                       std::to_string(static_cast<std::uintmax_t>(now.st_size)) +
                                       "): read it again when it is complete");
}

std::string ReadFileText(const std::filesystem::path& path, std::uintmax_t maxBytes) {
    RegularFile file(path);
    if (file.Size() > maxBytes)
        throw FileError::In(path.string(), "is larger than " + SizeText(maxBytes) + " (" + std::to_string(file.Size()) +
                                               " bytes), too large for this kind of file");
    std::string text(static_cast<std::size_t>(file.Size()), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const std::size_t n = file.Read(text.data() + got, text.size() - got);
        if (n == 0) break;
        got += n;
    }
    // One byte more than the size at the open tells a file that grew.
    char extra = 0;
    if (got == text.size() && file.Read(&extra, 1) != 0) ++got;
    text.resize(std::min(got, text.size()));
    file.CheckUnchanged();
    return text;
}

std::string SizeText(std::uintmax_t bytes) {
    if (bytes >= (std::uintmax_t{1} << 20) && bytes % (std::uintmax_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " kB";
    return std::to_string(bytes) + " bytes";
}

}  // namespace velmora
