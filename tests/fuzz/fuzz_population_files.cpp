// Fuzz target: the readers of rotational (.rot) and vibrational (.vib) population files, and the
// normalisation and edit-table copy that follow a load. The first byte chooses Λ of the
// populated state and the level loaded into; the rest is the file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/errors.h"
#include "common/list_reader.h"
#include "populations/population_files.h"
#include "populations/population_model.h"

namespace {

using namespace velmora;

/// One catalogue entry: populated upper state with Λ = lambda, levels 0..3, rows 0..9 (MaxN 12).
void Prepare(DatabaseState& db, PopulationState& pop, int lambda) {
    Catalogue& cat = db.cat;
    cat.CatalogueCount = 1;
    cat.MaxVUpper = 3;
    cat.MaxVLower = 3;
    cat.MaxN = 12;
    db.irad = 1;
    cat.StateLambda.Resize(1, 2, 0, 1);
    cat.StateLambda(1, 1) = lambda;
    cat.NMaxVib.Resize(0, 1, 0, 2);
    cat.NMaxVib(1, 1) = 3;
    cat.NMaxVib(1, 2) = 3;
    cat.NMaxRot.Resize(0, 1, 0, 13);
    for (int v = 0; v <= 13; ++v) cat.NMaxRot(1, v) = 9;
    pop.PopState = 1;
    pop.PopLambda = lambda;
    populations::DimensionPopulationArrays(pop, cat);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int lambda = data[0] % 3;
    const int v = (data[0] / 3) % 4;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    DatabaseState db;
    PopulationState pop;
    Prepare(db, pop, lambda);
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
