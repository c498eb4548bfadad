// Fuzz target: the catalogue reader (VELMORA.SYS), which sizes every database array from the
// counts and bounds it reads. The input is the catalogue file itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "database/catalogue.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = velmora::fuzz::Folder();
    velmora::fuzz::WriteFile(folder + "/VELMORA.SYS", std::string_view(reinterpret_cast<const char*>(data), size));

    velmora::DatabaseState db;
    velmora::database::SetAppPath(db, folder);
    try {
        velmora::database::LoadCatalogue(db);
    } catch (const velmora::FileError&) {
        // Refused with a message naming the file: the expected answer to a broken catalogue.
    }
    return 0;
}
