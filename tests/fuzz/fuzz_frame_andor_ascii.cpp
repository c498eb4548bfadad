// Fuzz target: Andor ASCII exports read as frames (every frame column a row).
#include "experiment/andor_ascii.h"
#include "fuzz_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    velmora::fuzz::ReadFrame([&] { return velmora::experiment::ReadAndorAsciiFrame(text); });
    return 0;
}
