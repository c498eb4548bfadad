// Fuzz target: a whole one-entry data folder. The input holds, separated by form feeds, the
// catalogue, the upper and the lower state's constants, the transition probabilities (written
// to every band file, or to the system file) and the level file (written for every upper level).
// The folder goes through the catalogue, the pre-computation of the system and the loading of
// every band; whatever is accepted must give finite numbers throughout.
#include <cctype>

#include "fuzz_database.h"

namespace {

/// Codes and labels become file names: only short alphanumeric ones are tried.
bool IsPlainName(const std::string& s) {
    if (s.empty() || s.size() > 8) return false;
    for (unsigned char c : s)
        if (!std::isalnum(c)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view catalogue = fuzz::NextPart(rest), upper = fuzz::NextPart(rest), lower = fuzz::NextPart(rest),
                           probabilities = fuzz::NextPart(rest), levels = fuzz::NextPart(rest);

    std::error_code ec;
    std::filesystem::remove_all(fuzz::Folder() + "/data", ec);
    const std::string root = fuzz::Folder() + "/data/";
    fuzz::WriteFile(root + "VELMORA.SYS", catalogue);
    DatabaseState db;
    database::SetAppPath(db, root);
    try {
        database::LoadCatalogue(db);
    } catch (const FileError&) {
        return 0;
    }
    const Catalogue& cat = db.cat;
    // Bounded work per input: a few levels and rows.
    if (cat.NMaxVib(1, 1) > 3 || cat.NMaxVib(1, 2) > 3 || cat.MaxN > 60) return 0;
    if (!IsPlainName(cat.MoleculeCode(1)) || !IsPlainName(cat.StateLabel(1, 1)) || !IsPlainName(cat.StateLabel(2, 1)))
        return 0;

    fuzz::WriteFile(database::ConstantsFileName(db, 1, 1), upper);
    fuzz::WriteFile(database::ConstantsFileName(db, 1, 2), lower);
    for (int vUp = 0; vUp <= cat.NMaxVib(1, 1); ++vUp) {
        for (int vLow = 0; vLow <= cat.NMaxVib(1, 2); ++vLow)
            fuzz::WriteFile(database::ProbabilityFileName(db, 1, vUp, vLow), probabilities);
        fuzz::WriteFile(database::LevelFileName(db, 1, vUp), levels);
    }
    fuzz::Precompute(db);
    if (!db.SystemLoaded) return 0;
    for (int vUp = 0; vUp <= cat.NMaxVib(1, 1); ++vUp)
        for (int vLow = 0; vLow <= cat.NMaxVib(1, 2); ++vLow) {
            database::LoadBand(db, vUp, vLow, 1);
            fuzz::CheckFinite(db);
        }
    return 0;
}
