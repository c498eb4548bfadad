// Writing text files safely: CR-LF line ends, and the target is replaced only when complete.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

/// Writes a text file through a temporary file beside the target. Commit() flushes the file to
/// the disk and replaces the target in one step; if Commit() is never reached (an error, an
/// exception) the target is untouched and the temporary file is removed. A target that is a
/// symbolic link is written through to the file it names; an existing target keeps its
/// permissions; a write-protected one is refused. A target with several hard links is rewritten
/// in place, so that every one of its names shows the new content: the new content is first
/// written and synced to the temporary file (a failure there leaves the target untouched), the
/// target's space is reserved, then the content is copied over it; only a crash during that copy
/// can leave it partial, and a failed copy keeps the complete new content in the temporary file
/// (named in the error). Temporary files left by a writer that was killed are removed by the
/// next writer of the same target (a live writer's are not: each holds a lock on its own). Every
/// failure throws FileError naming the target.
class AtomicTextWriter {
public:
    /// Writes bytes to a file descriptor, as ::write does: the count written, or -1 with errno.
    using WriteFunction = std::function<long(int fd, const char* data, std::size_t size)>;

    /// `write` replaces ::write (a test makes it fail after some bytes, as a full disk does).
    explicit AtomicTextWriter(std::filesystem::path target, WriteFunction write = {});
    ~AtomicTextWriter();
    AtomicTextWriter(const AtomicTextWriter&) = delete;
    AtomicTextWriter& operator=(const AtomicTextWriter&) = delete;

    /// Appends text as it stands.
    void Write(std::string_view text);
    /// Appends text and a CR-LF line end.
    void WriteLine(std::string_view text = {});
    /// Flushes, syncs, closes and moves the finished file over the target.
    void Commit();

    /// The temporary file (beside the file finally written).
    const std::filesystem::path& TemporaryPath() const { return temp_; }

private:
    void Flush();
    /// Copies the finished temporary file over the target in place (a target of several links).
    void CopyOverTarget();
    [[noreturn]] void Fail(const std::string& problem, int err);

    std::filesystem::path target_;       ///< as given, for messages
    std::filesystem::path destination_;  ///< the file replaced: the target, its links followed
    std::filesystem::path temp_;
    WriteFunction write_;
    std::string buffer_;
    int fd_ = -1;
    bool committed_ = false;
    bool inPlace_ = false;  ///< the target has several hard links: rewritten, not replaced
};

}  // namespace velmora
