#include "simulation/intensities.h"

#include <algorithm>

#include "common/number_format.h"
#include "simulation/line_list.h"

namespace velmora::simulation {

database::LevelQuenching LevelQuenchingOf(const SimulationConditions& c) {
    return {StoredValue(c.quenching), c.quenchingRate, c.composition, c.temperature};
}

std::string ComputeYields(DatabaseState& db, const SimulationConditions& conditions) {
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry;
    db.quenching.temperature = conditions.temperature;
    const database::CompositionQuenching gas = GasQuenching(db.UpperQuenching, conditions);
    std::string caption;
    if (conditions.quenching == QuenchingSource::GasComposition && db.SystemLoaded) {
        caption = "Q = " + Trim(Format(gas.rate, "0.000E+00")) + " s-1 at " +
                  Trim(Format(conditions.temperature, "#####0")) + " K, " +
                  Trim(Str(static_cast<float>(conditions.pressure))) + " Torr";
        for (const std::string& w : gas.warnings) caption += "; " + w;
    }
    if (!cat.LevelFileFlag.Contains(systemEntry) || cat.LevelFileFlag(systemEntry) == 0) return caption;
    const int C = db.UpperComponents;
    const int vmax = cat.NMaxVib.ValueAt(systemEntry, 1);
    const int lambda = cat.StateLambda.ValueAt(1, systemEntry);
    for (int v = 0; v <= vmax; ++v) {
        const int nmax = cat.NMaxRot.ValueAt(systemEntry, v);
        for (int c = 1; c <= C; ++c) {
            for (int N = lambda; N <= nmax; ++N) {
                if (!db.LevelYield.Contains(v, c, N)) continue;
                const float yield = static_cast<float>(
                    FluorescenceYield(db.LevelLifetime.ValueAt(v, c, N), db.LevelEffLifetime.ValueAt(v, c, N),
                                      db.LevelQuenchRate.ValueAt(v, c, N), gas.rate, conditions));
                db.LevelYield(v, c, N) = yield;
                if (db.UpperLevelData.Contains(v, c + 2 * C, N)) db.UpperLevelData(v, c + 2 * C, N) = yield;
            }
        }
    }
    return caption;
}

}  // namespace velmora::simulation
