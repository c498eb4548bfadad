#include "common/text_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "common/errors.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

/// Longest file name the common Linux file systems take, in bytes.
constexpr std::size_t kNameMax = 255;
constexpr std::string_view kPartMark = ".part";
constexpr std::size_t kPartDigits = 6;
/// Bytes gathered before they are handed to the file.
constexpr std::size_t kBufferSize = 1 << 16;

std::string ErrorText(int err) { return err ? std::string(" (") + std::strerror(err) + ")" : std::string(); }

/// The file a path finally names: symbolic links followed (relative ones from their folder),
/// also to a file that does not exist yet. A loop of links is an error.
fs::path FollowLinks(const fs::path& target) {
    fs::path p = target;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) return p;
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    throw FileError::In(target.string(), "cannot be written (too many levels of symbolic links)");
}

/// Start of the temporary file names of a target: its name, shortened so that the mark and the
/// digits still fit into a file name.
std::string PartPrefix(const fs::path& destination) {
    std::string name = destination.filename().string();
    const std::size_t room = kNameMax - kPartMark.size() - kPartDigits;
    if (name.size() > room) name.resize(room);
    return name + std::string(kPartMark);
}

bool IsPartName(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + kPartDigits || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

/// Removes the temporary files of the same target that no writer holds any more (their writer
/// was killed): a live writer keeps a lock on its file.
void RemoveStaleParts(const fs::path& destination) {
    const std::string prefix = PartPrefix(destination);
    const fs::path folder = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsPartName(it->path().filename().string(), prefix)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(it->path().c_str());
        ::close(fd);
    }
}

std::string PartDigits(unsigned value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06u", value % 1000000u);
    return digits;
}

long WriteToDescriptor(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

/// Makes the rename durable: the folder's entry is synced too (not every file system can).
void SyncFolder(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

AtomicTextWriter::AtomicTextWriter(fs::path target, WriteFunction write)
    : target_(std::move(target)), write_(write ? std::move(write) : WriteFunction(&WriteToDescriptor)) {
    if (target_.empty()) throw FileError("no file name");
    const std::string name = target_.string();
    destination_ = FollowLinks(target_);

    struct stat existing {};
    const bool exists = ::stat(destination_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) throw FileError::In(name, "is a folder, not a file");
    if (exists && !S_ISREG(existing.st_mode)) throw FileError::In(name, "is not a regular file");
    if (exists && ::access(destination_.c_str(), W_OK) != 0)
        throw FileError::In(name, "is write-protected" + ErrorText(errno));
    inPlace_ = exists && existing.st_nlink > 1;

    RemoveStaleParts(destination_);
    const fs::path folder = destination_.parent_path();
    const std::string prefix = PartPrefix(destination_);
    std::random_device rd;
    int err = 0;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ = folder / (prefix + PartDigits(rd()));
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        err = errno;
        if (fd_ < 0 && err != EEXIST) break;
    }
    if (fd_ < 0) throw FileError::In(name, "cannot be written" + ErrorText(err));
    // The lock tells later writers that this temporary file is in use.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    if (exists) {
        // The replacement keeps the owner (where allowed) and the permissions of the file.
        if (::fchown(fd_, existing.st_uid, existing.st_gid) != 0) { /* only the owner's group may be kept */
        }
        ::fchmod(fd_, existing.st_mode & 07777);
    }
    buffer_.reserve(kBufferSize);
}

AtomicTextWriter::~AtomicTextWriter() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicTextWriter::Fail(const std::string& problem, int err) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    ::unlink(temp_.c_str());
    throw FileError::In(target_.string(), problem + ErrorText(err));
}

void AtomicTextWriter::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        errno = 0;
        const long n = write_(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("write error, the file was not saved", n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void AtomicTextWriter::Write(std::string_view text) {
    if (fd_ < 0) throw FileError::In(target_.string(), "file already closed");
    buffer_.append(text);
    if (buffer_.size() >= kBufferSize) Flush();
}

void AtomicTextWriter::WriteLine(std::string_view text) {
    Write(text);
    Write("\r\n");
}

void AtomicTextWriter::Commit() {
    if (fd_ < 0) throw FileError::In(target_.string(), "file already closed");
    Flush();
    // On the disk before it takes the target's place: a crash then leaves the old or the new file.
    if (::fsync(fd_) != 0) Fail("write error, the file was not saved", errno);
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) Fail("write error, the file was not saved", errno);
    if (inPlace_) {
        CopyOverTarget();
        return;
    }
    if (::rename(temp_.c_str(), destination_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        throw FileError::In(target_.string(), "cannot replace the file" + ErrorText(err));
    }
    committed_ = true;
    SyncFolder(destination_);
}

void AtomicTextWriter::CopyOverTarget() {
    /// A descriptor closed when it goes out of scope.
    struct Descriptor {
        int fd;
        ~Descriptor() {
            if (fd >= 0) ::close(fd);
        }
    };
    const Descriptor from{::open(temp_.c_str(), O_RDONLY | O_CLOEXEC)};
    if (from.fd < 0) Fail("cannot read back the file written", errno);
    struct stat st {};
    if (::fstat(from.fd, &st) != 0) Fail("cannot read back the file written", errno);
    Descriptor to{::open(destination_.c_str(), O_WRONLY | O_CLOEXEC)};
    if (to.fd < 0) Fail("cannot be rewritten in place", errno);
    // The space first: a full disk then fails before the old content is touched.
    if (const int err = ::posix_fallocate(to.fd, 0, st.st_size); err != 0 && err != EOPNOTSUPP && err != EINVAL)
        Fail("write error, the file was not saved", err);
    // From here until the target is complete the new content stays in the temporary file.
    auto failCopy = [&](int err) {
        committed_ = true;  // keeps the temporary file
        throw FileError::In(target_.string(), "write error while it was rewritten in place" + ErrorText(err) +
                                                  "; the new content is complete in " + temp_.string());
    };
    std::string chunk(kBufferSize, '\0');
    for (;;) {
        const ssize_t n = ::read(from.fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failCopy(errno);
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            errno = 0;
            const long w = write_(to.fd, chunk.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) failCopy(w < 0 ? errno : ENOSPC);
            done += w;
        }
    }
    if (::ftruncate(to.fd, st.st_size) != 0 || ::fsync(to.fd) != 0) failCopy(errno);
    const int rc = ::close(to.fd);
    to.fd = -1;
    if (rc != 0) failCopy(errno);
    ::unlink(temp_.c_str());
    committed_ = true;
}

}  // namespace velmora
