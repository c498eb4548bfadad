#include "database/quenching.h"

#include <stdexcept>

#include "database/band_loader.h"
#include "database/system_precompute.h"

namespace velmora::database {

namespace {

/// Pre-computes a loaded system again after a quenching change and reloads its band (0, 0).
void Recompute(DatabaseState& db, float pressureTorr, Shell& shell) {
    if (!db.SystemLoaded) return;
    SystemPrecompute(db, pressureTorr, shell);
    LoadBand(db, 0, 0, db.systemEntry);
}

}  // namespace

double QuenchingFactor(const Catalogue& cat, int units) {
    const auto& factors = cat.QuenchingUnitFactor;
    return factors.Contains(units) && factors(units) != 0.0 ? factors(units) : 1.0;
}

void Requench(DatabaseState& db, const LevelQuenching& quenching, float pressureTorr, Shell& shell) {
    if (quenching.source < 0 || quenching.source > 3)
        throw std::invalid_argument("quenching source " + std::to_string(quenching.source) +
                                    " (0, 1, 2 or 3 expected)");
    DatabaseState work = db;
    work.quenching = quenching;
    Recompute(work, pressureTorr, shell);
    db = std::move(work);
}

}  // namespace velmora::database
