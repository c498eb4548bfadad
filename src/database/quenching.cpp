#include "database/quenching.h"

#include <stdexcept>

#include "common/number_format.h"
#include "database/band_loader.h"
#include "database/system_precompute.h"

namespace velmora::database {

namespace {

/// Pre-computes a loaded system again after a quenching change and reloads its band (0, 0).
void Recompute(DatabaseState& db, float pressureTorr, Shell& shell) {
    if (!db.SystemLoaded) return;
    SystemPrecompute(db, pressureTorr, shell);
    LoadBand(db, 0, 0, db.irad);
}

}  // namespace

double QuenchingFactor(const Catalogue& cat, int units) {
    const auto& factors = cat.QuenchingUnitFactor;
    return factors.Contains(units) && factors(units) != 0.0 ? factors(units) : 1.0;
}

std::string SetQuenchingValue(DatabaseState& db, std::string_view text, float pressureTorr, Shell& shell) {
    const double factor = QuenchingFactor(db.cat, db.QuenchingUnits);
    // A rate constant is never negative; such a text is refused like a non-number.
    if (!IsNumeric(text) || Val(text) < 0.0 || Val(text) * factor > kMaxQuenching)
        return Trim(Str(static_cast<float>(db.Quenching / factor)));
    // Changed and recomputed on a copy: a failure leaves value and system as they were.
    DatabaseState work = db;
    work.Quenching = static_cast<float>(Val(text) * factor);
    Recompute(work, pressureTorr, shell);
    db = std::move(work);
    return std::string(text);
}

void SetQuenchingSource(DatabaseState& db, int index, float pressureTorr, Shell& shell) {
    if (index < 0 || index > 3)
        throw std::invalid_argument("quenching source " + std::to_string(index) + " (0, 1, 2 or 3 expected)");
    DatabaseState work = db;
    work.QuenchingSource = index;
    Recompute(work, pressureTorr, shell);
    db = std::move(work);
}

}  // namespace velmora::database
