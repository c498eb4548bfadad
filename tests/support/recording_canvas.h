// A Canvas that records every primitive, so tests can assert on what a drawing routine did.
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"

namespace velmora::testing {

struct Primitive {
    enum Kind { Clear, Line, Box, FilledBox, Text } kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Rgb color;
    std::string text;
};

/// Records primitives in user coordinates. Text metrics are fixed: every character is
/// charWidthPixels wide and textHeightPixels high, converted to user units by the current scale.
class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas(int widthPixels = 800, int heightPixels = 600)
        : width_(widthPixels), height_(heightPixels) {}

    std::vector<Primitive> items;
    double left = 0, top = 0, right = 1, bottom = 1;
    Rgb back;
    double fontSize = 10;
    double charWidthPixels = 7;
    double textHeightPixels = 13;

    void SetScale(double l, double t, double r, double b) override {
        left = l, top = t, right = r, bottom = b;
    }
    void Clear() override { items.push_back({Primitive::Clear, 0, 0, 0, 0, back, {}}); }
    void SetBackColor(Rgb c) override { back = c; }
    void Line(double x1, double y1, double x2, double y2, Rgb c) override {
        items.push_back({Primitive::Line, x1, y1, x2, y2, c, {}});
    }
    void Box(double x1, double y1, double x2, double y2, Rgb c, bool filled) override {
        items.push_back({filled ? Primitive::FilledBox : Primitive::Box, x1, y1, x2, y2, c, {}});
    }
    void Text(double x, double y, std::string_view text, Rgb c) override {
        items.push_back({Primitive::Text, x, y, x, y, c, std::string(text)});
    }
    double TextWidth(std::string_view text) const override;
    double TextHeight(std::string_view text) const override;
    int WidthPixels() const override { return width_; }
    int HeightPixels() const override { return height_; }
    void SetFontSize(double points) override { fontSize = points; }

    /// Primitives of one kind.
    std::vector<Primitive> Of(Primitive::Kind kind) const;
    /// Texts printed, in order.
    std::vector<std::string> Texts() const;

private:
    int width_, height_;
};

}  // namespace velmora::testing
