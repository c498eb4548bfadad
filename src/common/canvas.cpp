#include "common/canvas.h"

namespace velmora {

Rgb PaletteColor(int index) {
    static const Rgb kPalette[16] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                                     {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
                                     {128, 128, 128}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                     {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
    return kPalette[((index % 16) + 16) % 16];
}

}  // namespace velmora
