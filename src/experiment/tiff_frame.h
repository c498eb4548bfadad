// TIFF images and stacks as cameras write them: one grey sample per pixel, unsigned or signed
// integers of 8, 16 or 32 bits or floats of 32 or 64 bits, in strips or tiles, any compression
// the library decodes; every directory of the file one image of the stack. TIFF carries no
// spectral calibration: the columns are pixels (an axis file gives their x).
#pragma once

#include <string_view>

#include "experiment/spectrum_frame.h"

namespace velmora::experiment {

/// Reads image `image` (1-based; 0 the sum of all, which must share one size) of a TIFF file
/// held in memory. Throws SpectrumReadError naming the image and the library's reason.
SpectrumFrame ReadTiffFrame(std::string_view bytes, int image);

}  // namespace velmora::experiment
