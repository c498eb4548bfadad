// Fuzz target: the catalogue reader (VELMORA.SYS), which sizes every database array from the
// counts and bounds it reads. The input is the catalogue file itself.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/errors.h"
#include "database/catalogue.h"

namespace {

/// A private folder for the catalogue file, made once per process and removed at its end.
char folder[] = "/tmp/velmora-fuzz-catalogue-XXXXXX";

const char* Folder() {
    static const bool made = [] {
        if (!mkdtemp(folder)) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        });
        return true;
    }();
    (void)made;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = std::string(Folder()) + "/VELMORA.SYS";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    velmora::DatabaseState db;
    velmora::database::SetAppPath(db, Folder());
    try {
        velmora::database::LoadCatalogue(db);
    } catch (const velmora::FileError&) {
        // Refused with a message naming the file: the expected answer to a broken catalogue.
    }
    return 0;
}
