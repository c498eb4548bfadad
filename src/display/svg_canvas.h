// Drawing without a window: a Canvas that writes Scalable Vector Graphics.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "common/canvas.h"

namespace velmora::display {

/// One rectangular region of an SVG document with its own user coordinates (a picture area).
/// Text metrics are those of an average sans-serif (or monospaced) font: 0.55 (0.6) em per
/// character and 1.15 em per line, so layouts are the same on every machine.
class SvgCanvas final : public Canvas {
public:
    /// Region at (x, y) with size w x h, in document pixels.
    SvgCanvas(double x, double y, double w, double h);

    void SetScale(double left, double top, double right, double bottom) override;
    void Clear() override;
    void SetBackColor(Rgb color) override { back_ = color; }
    void Line(double x1, double y1, double x2, double y2, Rgb color) override;
    void Box(double x1, double y1, double x2, double y2, Rgb color, bool filled) override;
    void Text(double x, double y, std::string_view text, Rgb color) override;
    void TextUp(double x, double y, std::string_view text, Rgb color) override;
    double TextWidth(std::string_view text) const override;
    double TextHeight(std::string_view text) const override;
    int WidthPixels() const override;
    int HeightPixels() const override;
    void SetFontSize(double points) override { fontPoints_ = points; }
    void SetFontName(std::string_view family) override;
    /// The picture as an embedded PNG, its pixels kept sharp.
    void Image(double x1, double y1, double x2, double y2, int width, int height,
               const std::vector<Rgb>& pixels) override;

    /// The region as an SVG group (clipped to the region), `id` naming its clip path.
    std::string Markup(const std::string& id) const;
    /// Number of drawing elements (lines, boxes, texts) since the last Clear.
    std::size_t ElementCount() const { return elements_.size(); }

private:
    double Px(double x) const;
    double Py(double y) const;
    double FontPixels() const { return fontPoints_ * 96.0 / 72.0; }
    /// A text element at pixel (px, py) of its baseline, with extra attributes.
    std::string TextElement(double px, double py, std::string_view text, Rgb color,
                            const std::string& attributes) const;

    double x_, y_, w_, h_;
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    Rgb back_{255, 255, 255};
    double fontPoints_ = 9.0;
    bool monospace_ = false;
    std::vector<std::string> elements_;
};

/// An SVG document made of picture regions.
class SvgDocument {
public:
    SvgDocument(double widthPixels, double heightPixels, Rgb background = {255, 255, 255});
    /// Adds a region; the reference stays valid for the document's lifetime.
    SvgCanvas& AddRegion(double x, double y, double w, double h);
    /// Optional document title.
    void SetTitle(std::string title) { title_ = std::move(title); }
    std::string Markup() const;
    /// Writes the document (replaces the file only when complete; FileError on failure).
    void Save(const std::filesystem::path& path) const;

private:
    double width_, height_;
    Rgb background_;
    std::string title_;
    std::deque<SvgCanvas> regions_;
};

}  // namespace velmora::display
