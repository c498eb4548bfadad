// A Canvas that records every primitive, so tests can assert on what a drawing routine did.
#pragma once

#include <string>
#include <vector>

#include "common/canvas.h"

namespace velmora::testing {

struct Primitive {
    enum Kind { Clear, Line, Box, FilledBox, Text, TextUp, Page } kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Rgb color;
    std::string text;
    double fontSize = 0;   ///< font size in force when a text was printed
    std::string fontName;  ///< font family in force when a text was printed
};

/// Records primitives in user coordinates. Text metrics are fixed: every character is
/// charWidthPixels wide and textHeightPixels high, converted to user units by the current scale.
class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas(int widthPixels = 800, int heightPixels = 600) : width_(widthPixels), height_(heightPixels) {}

    std::vector<Primitive> items;
    double left = 0, top = 0, right = 1, bottom = 1;
    Rgb back;
    double fontSize = 10;
    std::string fontName;
    double charWidthPixels = 7;
    double textHeightPixels = 13;

    void SetScale(double l, double t, double r, double b) override { left = l, top = t, right = r, bottom = b; }
    void Clear() override { Add(Primitive::Clear, 0, 0, 0, 0, back, {}); }
    void SetBackColor(Rgb c) override { back = c; }
    void Line(double x1, double y1, double x2, double y2, Rgb c) override {
        Add(Primitive::Line, x1, y1, x2, y2, c, {});
    }
    void Box(double x1, double y1, double x2, double y2, Rgb c, bool filled) override {
        Add(filled ? Primitive::FilledBox : Primitive::Box, x1, y1, x2, y2, c, {});
    }
    void Text(double x, double y, std::string_view text, Rgb c) override {
        Add(Primitive::Text, x, y, x, y, c, std::string(text));
    }
    void TextUp(double x, double y, std::string_view text, Rgb c) override {
        Add(Primitive::TextUp, x, y, x, y, c, std::string(text));
    }
    double TextWidth(std::string_view text) const override;
    double TextHeight(std::string_view text) const override;
    int WidthPixels() const override { return width_; }
    int HeightPixels() const override { return height_; }
    void SetFontSize(double points) override { fontSize = points; }
    void SetFontName(std::string_view family) override { fontName = std::string(family); }
    void NewPage() override { Add(Primitive::Page, 0, 0, 0, 0, back, {}); }

    /// Primitives of one kind.
    std::vector<Primitive> Of(Primitive::Kind kind) const;
    /// Texts printed, in order.
    std::vector<std::string> Texts() const;

private:
    void Add(Primitive::Kind kind, double x1, double y1, double x2, double y2, Rgb c, std::string text) {
        Primitive p;
        p.kind = kind;
        p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2;
        p.color = c;
        p.text = std::move(text);
        p.fontSize = fontSize;
        p.fontName = fontName;
        items.push_back(std::move(p));
    }

    int width_, height_;
};

}  // namespace velmora::testing
