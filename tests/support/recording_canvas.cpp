#include "support/recording_canvas.h"

#include <cmath>

#include "common/number_format.h"

namespace velmora::testing {

double RecordingCanvas::TextWidth(std::string_view text) const {
    return std::fabs(right - left) / width_ * charWidthPixels * static_cast<double>(Utf8Length(text));
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
