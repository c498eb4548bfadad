// Fuzz target: matrix CSV frames (x in the first line, a position and a row of pixels per line),
// and the recognition of frame formats from the first bytes.
#include "fuzz_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        velmora::experiment::DetectFrameFormat(text, ".csv");
    } catch (const velmora::experiment::SpectrumReadError&) {
    }
    velmora::fuzz::ReadFrame([&] { return velmora::experiment::ReadMatrixCsv(text); });
    return 0;
}
