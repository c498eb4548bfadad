// What kind of file system object a path names, and reading a regular file safely: a named
// pipe, a device or a socket given in a file's place is refused before it can block or stream
// without end, every read has a size cap, and a file that changes while it is read is refused.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace velmora {

/// The largest data file read whole (database files, population files, instrument functions,
/// spectral responses, detection filters): 64 MB, far above any such file (the shipped database
/// files are below 4 kB).
inline constexpr std::uintmax_t kMaxDataFileBytes = std::uintmax_t{64} << 20;

/// Why a path cannot be read as a data file: "file not found", "is a folder, not a file", or
/// "is not a regular file (…)" for a FIFO, device or socket, whose reading could block or never
/// end. Empty for a regular file or a symbolic link to one.
std::string UnreadableFileProblem(const std::filesystem::path& path);

/// Opens `path` read-only without blocking (a named pipe put in a file's place cannot stall the
/// open) and checks the kind on the open descriptor, so that a FIFO or device renamed into the
/// path between a check and the open is caught too. Returns the descriptor of a regular file,
/// still non-blocking (which changes nothing for a regular file), with its status in `st`; -1
/// otherwise, with `openError` the errno of a failed open and 0 when what was opened is not a
/// regular file (its status then in `st`). Throws nothing.
int OpenRegularFile(const std::filesystem::path& path, struct stat& st, int& openError);

/// A regular file open for reading. The path is opened without blocking (a named pipe cannot
/// stall the open) and the kind is checked on the open file, so that a FIFO or device renamed
/// into its place between a check and the open is refused too. Every failure throws FileError
/// "<path>: <problem>".
class RegularFile {
public:
    explicit RegularFile(const std::filesystem::path& path);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    /// Reads up to `size` bytes; 0 at the end of the file.
    std::size_t Read(char* buffer, std::size_t size);
    /// Bytes read so far.
    std::uintmax_t BytesRead() const { return read_; }
    /// The size of the file when it was opened.
    std::uintmax_t Size() const { return static_cast<std::uintmax_t>(opened_.st_size); }
    /// Throws when the file was truncated, extended or rewritten since it was opened, or when
    /// fewer bytes were read than it holds: what was read is not one consistent file.
    void CheckUnchanged() const;

private:
    std::string name_;
    int fd_ = -1;
    struct stat opened_ {};
    std::uintmax_t read_ = 0;
};

/// The whole content of a regular file of at most `maxBytes` bytes, read as RegularFile reads
/// (refused when it is larger, not a regular file or changed while read). Throws FileError.
std::string ReadFileText(const std::filesystem::path& path, std::uintmax_t maxBytes = kMaxDataFileBytes);

/// "N MB" (or "N kB", "N bytes") for a size limit as messages name it.
std::string SizeText(std::uintmax_t bytes);

}  // namespace velmora
