#include "display/svg_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/number_format.h"
#include "common/png_image.h"
#include "common/text_writer.h"

namespace velmora::display {

namespace {

/// Pixel coordinate with two decimals, without trailing zeros.
std::string Num(double v) {
    if (!std::isfinite(v)) v = 0.0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string Hex(Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

SvgCanvas::SvgCanvas(double x, double y, double w, double h) : x_(x), y_(y), w_(w), h_(h) {}

void SvgCanvas::SetScale(double left, double top, double right, double bottom) {
    left_ = left, top_ = top, right_ = right, bottom_ = bottom;
}

double SvgCanvas::Px(double x) const { return right_ != left_ ? (x - left_) / (right_ - left_) * w_ : 0.0; }
double SvgCanvas::Py(double y) const { return bottom_ != top_ ? (y - top_) / (bottom_ - top_) * h_ : 0.0; }

void SvgCanvas::Clear() {
    elements_.clear();
    elements_.push_back("<rect x=\"0\" y=\"0\" width=\"" + Num(w_) + "\" height=\"" + Num(h_) + "\" fill=\"" +
                        Hex(back_) + "\"/>");
}

void SvgCanvas::Line(double x1, double y1, double x2, double y2, Rgb color) {
    elements_.push_back("<line x1=\"" + Num(Px(x1)) + "\" y1=\"" + Num(Py(y1)) + "\" x2=\"" + Num(Px(x2)) + "\" y2=\"" +
                        Num(Py(y2)) + "\" stroke=\"" + Hex(color) + "\"/>");
}

void SvgCanvas::Box(double x1, double y1, double x2, double y2, Rgb color, bool filled) {
    const double a = Px(x1), b = Px(x2), c = Py(y1), d = Py(y2);
    const std::string geometry = "<rect x=\"" + Num(std::min(a, b)) + "\" y=\"" + Num(std::min(c, d)) + "\" width=\"" +
                                 Num(std::fabs(b - a)) + "\" height=\"" + Num(std::fabs(d - c)) + "\"";
    if (filled)
        elements_.push_back(geometry + " fill=\"" + Hex(color) + "\"/>");
    else
        elements_.push_back(geometry + " fill=\"none\" stroke=\"" + Hex(color) + "\"/>");
}

std::string SvgCanvas::TextElement(double px, double py, std::string_view text, Rgb color,
                                   const std::string& attributes) const {
    return "<text x=\"" + Num(px) + "\" y=\"" + Num(py) + "\"" + attributes + " font-size=\"" + Num(FontPixels()) +
           "\" font-family=\"" + (monospace_ ? "Courier New, monospace" : "Arial, Helvetica, sans-serif") +
           "\" fill=\"" + Hex(color) + "\">" + Escape(text) + "</text>";
}

void SvgCanvas::Text(double x, double y, std::string_view text, Rgb color) {
    // (x, y) is the top-left corner; SVG places text on its baseline, about 0.9 em lower.
    elements_.push_back(TextElement(Px(x), Py(y) + 0.9 * FontPixels(), text, color, ""));
}

void SvgCanvas::TextUp(double x, double y, std::string_view text, Rgb color) {
    // Turned about its starting point; the baseline then lies 0.9 em to the right of x.
    const double px = Px(x) + 0.9 * FontPixels(), py = Py(y);
    elements_.push_back(TextElement(px, py, text, color, " transform=\"rotate(-90 " + Num(px) + " " + Num(py) + ")\""));
}

void SvgCanvas::Image(double x1, double y1, double x2, double y2, int width, int height,
                      const std::vector<Rgb>& pixels) {
    const double a = Px(x1), b = Px(x2), c = Py(y1), d = Py(y2);
    // The first row at the first corner: a rectangle given bottom-up or right-to-left is mirrored.
    std::string transform;
    if (b < a || d < c)
        transform = " transform=\"matrix(" + std::string(b < a ? "-1" : "1") + " 0 0 " + (d < c ? "-1" : "1") + " " +
                    Num(b < a ? a + b : 0.0) + " " + Num(d < c ? c + d : 0.0) + ")\"";
    elements_.push_back("<image x=\"" + Num(std::min(a, b)) + "\" y=\"" + Num(std::min(c, d)) + "\" width=\"" +
                        Num(std::fabs(b - a)) + "\" height=\"" + Num(std::fabs(d - c)) +
                        "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\"" + transform +
                        " xmlns:xlink=\"http://www.w3.org/1999/xlink\" xlink:href=\"data:image/png;base64," +
                        Base64(EncodePng(width, height, pixels)) + "\"/>");
}

double SvgCanvas::TextWidth(std::string_view text) const {
    const double perChar = (monospace_ ? 0.6 : 0.55) * FontPixels();
    return w_ > 0 ? perChar * static_cast<double>(Utf8Length(text)) * std::fabs(right_ - left_) / w_ : 0.0;
}

double SvgCanvas::TextHeight(std::string_view) const {
    return h_ > 0 ? 1.15 * FontPixels() * std::fabs(bottom_ - top_) / h_ : 0.0;
}

int SvgCanvas::WidthPixels() const { return static_cast<int>(std::lround(w_)); }
int SvgCanvas::HeightPixels() const { return static_cast<int>(std::lround(h_)); }

void SvgCanvas::SetFontName(std::string_view family) {
    std::string f(family);
    std::transform(f.begin(), f.end(), f.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    monospace_ = f.find("courier") != std::string::npos || f.find("mono") != std::string::npos;
}

std::string SvgCanvas::Markup(const std::string& id) const {
    std::string out = "<clipPath id=\"" + id + "\"><rect x=\"0\" y=\"0\" width=\"" + Num(w_) + "\" height=\"" +
                      Num(h_) + "\"/></clipPath>\n";
    out += "<g transform=\"translate(" + Num(x_) + "," + Num(y_) + ")\" clip-path=\"url(#" + id + ")\">\n";
    for (const std::string& e : elements_) out += e + "\n";
    out += "</g>\n";
    return out;
}

SvgDocument::SvgDocument(double widthPixels, double heightPixels, Rgb background)
    : width_(widthPixels), height_(heightPixels), background_(background) {}

SvgCanvas& SvgDocument::AddRegion(double x, double y, double w, double h) { return regions_.emplace_back(x, y, w, h); }

std::string SvgDocument::Markup() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width_) + "\" height=\"" + Num(height_) +
           "\" viewBox=\"0 0 " + Num(width_) + " " + Num(height_) + "\" shape-rendering=\"crispEdges\">\n";
    if (!title_.empty()) out += "<title>" + Escape(title_) + "</title>\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + Num(width_) + "\" height=\"" + Num(height_) + "\" fill=\"" +
           Hex(background_) + "\"/>\n";
    int n = 0;
    for (const SvgCanvas& r : regions_) out += r.Markup("region" + std::to_string(++n));
    out += "</svg>\n";
    return out;
}

void SvgDocument::Save(const std::filesystem::path& path) const {
    AtomicTextWriter out(path);
    const std::string text = Markup();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        out.WriteLine(std::string_view(text).substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    out.Commit();
}

}  // namespace velmora::display
