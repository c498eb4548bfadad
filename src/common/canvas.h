// The drawing surface of plots, histograms and printed pages.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

/// A colour as red, green and blue components 0..255.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// The classic 16-colour palette: 0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 yellow,
/// 7 white, 8 grey, 9 light blue, 10 light green, 11 light cyan, 12 light red, 13 light magenta,
/// 14 light yellow, 15 bright white. Indices outside 0..15 wrap.
Rgb PaletteColor(int index);

/// Contrast ratio of two colours, (L1 + 0.05) / (L2 + 0.05) of their relative luminances L
/// (sRGB components linearised, weighted 0.2126 R + 0.7152 G + 0.0722 B): 1 for equal colours,
/// 21 for black on white.
double ContrastRatio(Rgb a, Rgb b);

/// The colour itself when it has at least `ratio` contrast on the background, otherwise mixed
/// towards white (on a dark background) or black (on a light one) just far enough to reach it:
/// a dim trace colour on black becomes its lighter tint and keeps its hue.
Rgb ReadableOn(Rgb color, Rgb background, double ratio);

/// A picture surface with a user coordinate system. Coordinates of every primitive are user
/// coordinates set by SetScale; y may point up (top > bottom) or down.
class Canvas {
public:
    virtual ~Canvas() = default;

    /// User coordinates of the left, top, right and bottom edges of the surface.
    virtual void SetScale(double left, double top, double right, double bottom) = 0;
    /// Erases the surface with the background colour.
    virtual void Clear() = 0;
    virtual void SetBackColor(Rgb color) = 0;
    virtual void Line(double x1, double y1, double x2, double y2, Rgb color) = 0;
    /// A rectangle between two corners, framed or filled.
    virtual void Box(double x1, double y1, double x2, double y2, Rgb color, bool filled) = 0;
    /// Prints text with its top-left corner at (x, y).
    virtual void Text(double x, double y, std::string_view text, Rgb color) = 0;
    /// Prints text turned a quarter turn anticlockwise, reading upwards: it starts at height y
    /// and its top faces left, at x (the caption of a vertical axis).
    virtual void TextUp(double x, double y, std::string_view text, Rgb color) = 0;
    /// Width and height of a text in user units (positive).
    virtual double TextWidth(std::string_view text) const = 0;
    virtual double TextHeight(std::string_view text) const = 0;
    /// Width of the surface in device pixels.
    virtual int WidthPixels() const = 0;
    /// Height of the surface in device pixels.
    virtual int HeightPixels() const = 0;
    /// Font size in points for the following texts.
    virtual void SetFontSize(double points) = 0;
    /// Font family for the following texts ("Arial", "Courier"); a surface without that family
    /// uses its nearest one. Surfaces with a single font may ignore it.
    virtual void SetFontName(std::string_view /*family*/) {}
    /// Ends the current page of a printed document and starts a new one; nothing elsewhere.
    virtual void NewPage() {}
    /// A picture of width × height pixels (row after row, the top row first) stretched over the
    /// rectangle between two corners, each pixel a sharp-edged cell (a map). Surfaces without
    /// pictures of their own draw each pixel as a filled box.
    virtual void Image(double x1, double y1, double x2, double y2, int width, int height,
                       const std::vector<Rgb>& pixels);
};

}  // namespace velmora
