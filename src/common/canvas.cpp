#include "common/canvas.h"

namespace velmora {

Rgb PaletteColor(int index) {
    static const Rgb kPalette[16] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                     {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                     {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                     {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    return kPalette[((index % 16) + 16) % 16];
}

void Canvas::Image(double x1, double y1, double x2, double y2, int width, int height, const std::vector<Rgb>& pixels) {
    const double dx = (x2 - x1) / width, dy = (y2 - y1) / height;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            Box(x1 + c * dx, y1 + r * dy, x1 + (c + 1) * dx, y1 + (r + 1) * dy,
                pixels[static_cast<std::size_t>(r) * width + c], true);
}

}  // namespace velmora
