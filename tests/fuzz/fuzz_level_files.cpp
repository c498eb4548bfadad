// Fuzz target: the upper-level files (.DAT) of lifetimes, predissociation and quenching rates,
// combined with the computed lifetimes under the quenching source the first byte chooses.
#include "fuzz_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmora::fuzz::RunOneEntry(data, size, velmora::fuzz::FuzzedFile::LevelFile);
}
