// Fuzz target: the transition-probability files (.INT), one per band (five- or three-value
// records) or one per system (v', v'', value records), as the first byte chooses; every band
// file of the system holds the input.
#include "fuzz_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmora::fuzz::RunOneEntry(data, size, velmora::fuzz::FuzzedFile::Probabilities);
}
