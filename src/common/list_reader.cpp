#include "common/list_reader.h"

#include <cmath>
#include <limits>

#include "common/errors.h"
#include "common/file_kind.h"
#include "common/number_format.h"

namespace velmora {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// Digits with an optional sign: what stands before the comma of a decimal-comma number.
bool IsWholeNumber(const std::string& f) {
    const std::size_t start = !f.empty() && (f[0] == '-' || f[0] == '+') ? 1 : 0;
    if (start >= f.size()) return false;
    for (std::size_t i = start; i < f.size(); ++i)
        if (!IsDigit(f[i])) return false;
    return true;
}

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
    return ListReader(ReadFileText(path), path.string());
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
    // LF, CR-LF and CR CR LF (a CR-LF file converted once more) end one line; CRs not followed
    // by LF are old Macintosh line ends, one line each.
    std::size_t p = pos_;
    while (p < text_.size() && text_[p] == '\r') ++p;
    if (p < text_.size() && text_[p] == '\n')
        pos_ = p + 1;
    else
        ++pos_;
    ++line_;
    lineStart_ = pos_;
}

void ListReader::SkipLine() {
    while (pos_ < text_.size() && !IsLineEnd(text_[pos_])) ++pos_;
    if (pos_ < text_.size()) ConsumeLineEnd();
}

ListReader::FieldKind ListReader::NextField(std::string& field) {
    field.clear();
    decimalComma_.clear();
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
        while (pos_ < text_.size() && text_[pos_] != '"' && !IsLineEnd(text_[pos_])) field += text_[pos_++];
        if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
    } else {
        while (pos_ < text_.size() && text_[pos_] != ',' && !IsBlank(text_[pos_]) && !IsLineEnd(text_[pos_]))
            field += text_[pos_++];
        if (pos_ + 1 < text_.size() && text_[pos_] == ',' && IsWholeNumber(field) && IsDigit(text_[pos_ + 1]) &&
            LineHasBlank()) {
            // "674,566" in a line whose values are otherwise separated by blanks: a number written
            // with a decimal comma, not two values.
            std::size_t end = pos_ + 1;
            while (end < text_.size() && IsDigit(text_[end])) ++end;
            decimalComma_ = field + text_.substr(pos_, end - pos_);
        }
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

bool ListReader::LineHasBlank() const {
    std::size_t a = lineStart_, b = lineStart_;
    while (b < text_.size() && !IsLineEnd(text_[b])) ++b;
    while (a < b && IsBlank(text_[a])) ++a;
    while (b > a && IsBlank(text_[b - 1])) --b;
    for (std::size_t i = a; i < b; ++i)
        if (IsBlank(text_[i])) return true;
    return false;
}

double ListReader::ParseNumber(const std::string& field) const {
    if (!decimalComma_.empty())
        throw FileError::At(source_, fieldLine_,
                            "the number \"" + Printable(decimalComma_) +
                                "\" is written with a decimal comma (a decimal point is expected)");
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
