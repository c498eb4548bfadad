#include "common/text_writer.h"

#include <cerrno>
#include <cstring>
#include <random>

#include "common/errors.h"

namespace velmora {

AtomicTextWriter::AtomicTextWriter(std::filesystem::path target) : target_(std::move(target)) {
    std::error_code ec;
    if (std::filesystem::is_directory(target_, ec))
        throw FileError::In(target_.string(), "is a folder, not a file");
    std::random_device rd;
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        temp_ = target_;
        temp_ += ".part" + std::to_string(rd() % 1000000u);
        if (std::filesystem::exists(temp_, ec)) continue;
        file_ = std::fopen(temp_.string().c_str(), "wb");
        if (!file_ && errno != EEXIST) break;
    }
    if (!file_)
        throw FileError::In(target_.string(), std::string("cannot be written (") + std::strerror(errno) + ")");
}

AtomicTextWriter::~AtomicTextWriter() {
    if (file_) std::fclose(file_);
    if (!committed_) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
    }
}

void AtomicTextWriter::Fail(const std::string& problem) {
    const int err = errno;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
    throw FileError::In(target_.string(), problem + (err ? std::string(" (") + std::strerror(err) + ")" : ""));
}

void AtomicTextWriter::Write(std::string_view text) {
    if (!file_) throw FileError::In(target_.string(), "file already closed");
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        Fail("write error, the file was not saved");
}

void AtomicTextWriter::WriteLine(std::string_view text) {
    Write(text);
    Write("\r\n");
}

void AtomicTextWriter::Commit() {
    if (!file_) throw FileError::In(target_.string(), "file already closed");
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) Fail("write error, the file was not saved");
    const int rc = std::fclose(file_);
    file_ = nullptr;
    if (rc != 0) Fail("write error, the file was not saved");
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec) {
        std::filesystem::remove(temp_, ec);
        throw FileError::In(target_.string(), "cannot replace the file (" + ec.message() + ")");
    }
    committed_ = true;
}

}  // namespace velmora
