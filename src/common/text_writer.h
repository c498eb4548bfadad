// Writing text files safely: CR-LF line ends, and the target is replaced only when complete.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

/// Writes a text file through a temporary file beside the target. Commit() replaces the target
/// in one step; if Commit() is never reached (an error, an exception) the target is untouched
/// and the temporary file is removed. Every failure throws FileError naming the target.
class AtomicTextWriter {
public:
    explicit AtomicTextWriter(std::filesystem::path target);
    ~AtomicTextWriter();
    AtomicTextWriter(const AtomicTextWriter&) = delete;
    AtomicTextWriter& operator=(const AtomicTextWriter&) = delete;

    /// Appends text as it stands.
    void Write(std::string_view text);
    /// Appends text and a CR-LF line end.
    void WriteLine(std::string_view text = {});
    /// Flushes, closes and moves the finished file over the target.
    void Commit();

private:
    void Fail(const std::string& problem);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

}  // namespace velmora
