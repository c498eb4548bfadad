#include "support/recording_canvas.h"

#include <cmath>

namespace velmora::testing {

namespace {
/// Number of characters, counting a UTF-8 sequence as one.
std::size_t Chars(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}
}  // namespace

double RecordingCanvas::TextWidth(std::string_view text) const {
    return std::fabs(right - left) / width_ * charWidthPixels * static_cast<double>(Chars(text));
}

double RecordingCanvas::TextHeight(std::string_view) const {
    return std::fabs(top - bottom) / height_ * textHeightPixels;
}

std::vector<Primitive> RecordingCanvas::Of(Primitive::Kind kind) const {
    std::vector<Primitive> out;
    for (const auto& p : items)
        if (p.kind == kind) out.push_back(p);
    return out;
}

std::vector<std::string> RecordingCanvas::Texts() const {
    std::vector<std::string> out;
    for (const auto& p : items)
        if (p.kind == Primitive::Text) out.push_back(p.text);
    return out;
}

}  // namespace velmora::testing
