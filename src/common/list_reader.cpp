#include "common/list_reader.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "common/errors.h"
#include "common/number_format.h"

namespace velmora {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

/// A field as it may stand in a message: at most 40 characters, control bytes (a binary file's
/// NULs among them) shown as '?', so that the message stays readable text.
std::string Printable(const std::string& field) {
    std::string out = field.substr(0, 40);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = '?';
    return out;
}

}  // namespace

ListReader ListReader::FromFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw FileError::In(path.string(), "file not found");
    if (std::filesystem::is_directory(path, ec))
        throw FileError::In(path.string(), "is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError::In(path.string(), "cannot be opened for reading");
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw FileError::In(path.string(), "read error");
    return ListReader(ss.str(), path.string());
}

ListReader::ListReader(std::string text, std::string sourceName)
    : text_(std::move(text)), source_(std::move(sourceName)) {}

bool ListReader::AtEnd() const {
    for (std::size_t i = pos_; i < text_.size(); ++i) {
        const char c = text_[i];
        if (!IsBlank(c) && !IsLineEnd(c) && c != '\x1a') return false;  // ^Z ends old DOS files
    }
    return true;
}

void ListReader::SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

void ListReader::ConsumeLineEnd() {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++line_;
}

void ListReader::SkipLine() {
    while (pos_ < text_.size() && !IsLineEnd(text_[pos_])) ++pos_;
    if (pos_ < text_.size()) ConsumeLineEnd();
}

ListReader::FieldKind ListReader::NextField(std::string& field) {
    field.clear();
    // Leading separators: blanks and line ends (blank lines are skipped).
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || IsLineEnd(text_[pos_]))) {
        if (IsLineEnd(text_[pos_]))
            ConsumeLineEnd();
        else
            ++pos_;
    }
    if (pos_ >= text_.size() || text_[pos_] == '\x1a')
        throw FileError::At(source_, line_, "too few values (end of file reached)");

    fieldLine_ = line_;
    FieldKind kind = FieldKind::Value;
    if (text_[pos_] == ',') {
        kind = FieldKind::Empty;
    } else if (text_[pos_] == '"') {
        kind = FieldKind::Quoted;
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"' && !IsLineEnd(text_[pos_]))
            field += text_[pos_++];
        if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
    } else {
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsBlank(text_[pos_]) &&
               !IsLineEnd(text_[pos_]))
            field += text_[pos_++];
    }
    // Trailing separator: blanks, then at most one comma, then the line end if it follows.
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        SkipBlanks();
    }
    if (pos_ < text_.size() && IsLineEnd(text_[pos_])) ConsumeLineEnd();
    return kind;
}

std::string ListReader::ReadString() {
    std::string field;
    NextField(field);
    return field;
}

double ListReader::ParseNumber(const std::string& field) const {
    double v = 0.0;
    if (!ParseDecimal(field, v))
        throw FileError::At(source_, fieldLine_, "the field \"" + Printable(field) + "\" is not a number");
    if (!std::isfinite(v))
        throw FileError::At(source_, fieldLine_, "the field \"" + Printable(field) + "\" is out of range");
    return v;
}

double ListReader::ReadDouble() {
    std::string field;
    if (NextField(field) == FieldKind::Empty) return 0.0;
    return ParseNumber(field);
}

float ListReader::ReadFloat() {
    const double v = ReadDouble();
    if (std::fabs(v) > std::numeric_limits<float>::max())
        throw FileError::At(source_, fieldLine_, "value out of range for a single-precision number");
    return static_cast<float>(v);
}

int ListReader::ReadInt() {
    const double v = ReadDouble();
    const double r = std::nearbyint(v);  // default rounding mode: halves to even
    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        throw FileError::At(source_, fieldLine_, "value out of range for an integer");
    return static_cast<int>(r);
}

}  // namespace velmora
