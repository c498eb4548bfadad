// Fuzz target: the readers of rotational (.rot) and vibrational (.vib) population files, and the
// normalisation and edit-table copy that follow a load. The first byte chooses Λ of the
// populated state and the level loaded into; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "common/list_reader.h"
#include "populations/one_entry_catalogue.h"
#include "populations/population_files.h"
#include "populations/population_model.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int lambda = data[0] % 3;
    const int v = (data[0] / 3) % 4;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    DatabaseState db;
    PopulationState pop;
    // Populated upper state with Λ = lambda, levels 0..3, rows 0..9 (MaxN 12).
    testing::PrepareOneEntry(db, pop, lambda, 3, 9, 12);
    try {
        ListReader in(text, "fuzz.rot");
        populations::ReadRotationalDistribution(pop, db, v, in);
        populations::RotNormalize(pop, db, v);
        pop.SelV = v;
        populations::PopToEdit(pop, db, v);
        populations::EditToPop(pop, db, v);
    } catch (const FileError&) {
    }
    try {
        ListReader in(text, "fuzz.vib");
        populations::ReadVibrationalDistribution(pop, db, in);
    } catch (const FileError&) {
    }
    return 0;
}
