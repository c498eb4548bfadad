#include "simulation/intensities.h"

#include <algorithm>

#include "common/number_format.h"
#include "simulation/line_list.h"
#include "simulation/screen_conditions.h"

namespace velmora::simulation {

void ComputeYields(AppState& app) {
    DatabaseState& db = app.db;
    const Catalogue& cat = db.cat;
    const int irad = db.irad;
    const SimulationConditions conditions = ConditionsFromScreen(app);
    db.QuenchingTemperature = static_cast<float>(conditions.temperature);
    const database::CompositionQuenching gas = GasQuenching(db.UpperQuenching, conditions);
    app.sim.LblQuenchingCaption.clear();
    if (conditions.quenching == QuenchingSource::GasComposition && db.SystemLoaded) {
        app.sim.LblQuenchingCaption = "Q = " + Trim(Format(gas.rate, "0.000E+00")) + " s-1 at " +
                                      Trim(Format(conditions.temperature, "#####0")) + " K, " +
                                      Trim(Str(static_cast<float>(conditions.pressure))) + " Torr";
        for (const std::string& w : gas.warnings) app.sim.LblQuenchingCaption += "; " + w;
    }
    if (!cat.LevelFileFlag.Contains(irad) || cat.LevelFileFlag(irad) == 0) return;
    const int C = db.UpperComponents;
    const int vmax = cat.NMaxVib.ValueAt(irad, 1);
    const int lambda = cat.StateLambda.ValueAt(1, irad);
    for (int v = 0; v <= vmax; ++v) {
        const int nmax = cat.NMaxRot.ValueAt(irad, v);
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
}

void ComputeWindowFactors(AppState& app) {
    SimulationState& sim = app.sim;
    const DatabaseState& db = app.db;
    if (sim.WindowStart > sim.WindowEnd) {
        // Exchanged through the boxes, whose texts show the new order.
        const float oldStart = sim.WindowStart, oldEnd = sim.WindowEnd;
        sim.WindowStart = oldEnd;
        sim.WindowEnd = oldStart;
        sim.TxtStartWindow = Str(oldEnd);
        sim.TxtEndWindow = Str(oldStart);
    }
    const SimulationConditions conditions = ConditionsFromScreen(app);
    const int irad = db.irad;
    const int vUpMax = db.cat.NMaxVib.ValueAt(irad, 1);
    const int vLowMax = db.cat.NMaxVib.ValueAt(irad, 2);
    if (sim.WindowFactor.Empty() || sim.WindowFactor.Hi() < vUpMax)
        sim.WindowFactor.Resize(0, std::max(vUpMax, db.cat.MaxVUpper));
    for (int vu = 0; vu <= vUpMax; ++vu) {
        std::vector<BandWeight> bands;
        for (int vl = 0; vl <= vLowMax; ++vl)
            bands.push_back({db.BandData.ValueAt(4, vu, vl), db.BandData.ValueAt(1, vu, vl)});
        sim.WindowFactor(vu) = static_cast<float>(WindowFactor(bands, conditions));
    }
}

}  // namespace velmora::simulation
