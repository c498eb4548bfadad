// Fuzz target: TIFF images and stacks. The first byte chooses the image (0 the sum, 1..3); the rest
// is the file.
#include "experiment/tiff_frame.h"
#include "fuzz_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    velmora::fuzz::ReadFrame([&] { return velmora::experiment::ReadTiffFrame(bytes, data[0] % 4); });
    return 0;
}
