// Fuzz target: the molecular-constant files (.SPC). Bit 7 of the first byte chooses the upper
// or the lower state's file; the system is then pre-computed with every band of it.
#include "fuzz_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velmora::fuzz::FuzzedFile;
    if (size == 0) return 0;
    return velmora::fuzz::RunOneEntry(data, size,
                                      data[0] & 0x80 ? FuzzedFile::LowerConstants : FuzzedFile::UpperConstants);
}
