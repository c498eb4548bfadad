#include "common/canvas.h"

#include <algorithm>
#include <cmath>

namespace velmora {

Rgb PaletteColor(int index) {
    static const Rgb kPalette[16] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                     {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                     {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                     {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    return kPalette[((index % 16) + 16) % 16];
}

namespace {

double RelativeLuminance(Rgb c) {
    auto linear = [](std::uint8_t v) {
        const double x = v / 255.0;
        return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

Rgb Mix(Rgb a, Rgb b, double t) {
    auto mix = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + t * (static_cast<double>(y) - x)));
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ReadableOn(Rgb color, Rgb background, double ratio) {
    if (ContrastRatio(color, background) >= ratio) return color;
    const Rgb target = RelativeLuminance(background) < 0.18 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    // The contrast grows steadily along the mix: bisect for the least mix that reaches the ratio
    // (or the full target colour when even that falls short).
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 30; ++i) {
        const double mid = 0.5 * (lo + hi);
        (ContrastRatio(Mix(color, target, mid), background) >= ratio ? hi : lo) = mid;
    }
    return Mix(color, target, hi);
}

void Canvas::Image(double x1, double y1, double x2, double y2, int width, int height, const std::vector<Rgb>& pixels) {
    const double dx = (x2 - x1) / width, dy = (y2 - y1) / height;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            Box(x1 + c * dx, y1 + r * dy, x1 + (c + 1) * dx, y1 + (r + 1) * dy,
                pixels[static_cast<std::size_t>(r) * width + c], true);
}

}  // namespace velmora
