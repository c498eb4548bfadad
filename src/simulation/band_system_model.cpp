#include "simulation/band_system_model.h"

#include <algorithm>
#include <cmath>

#include "database/band_loader.h"
#include "database/line_positions.h"
#include "database/state_descriptions.h"

namespace velmora::simulation {

BandLoader DatabaseBandLoader() {
    return [](DatabaseState& db, int vUp, int vLow, int entry) {
        if (!database::IsBandLoaded(db, vUp, vLow, entry)) database::LoadBand(db, vUp, vLow, entry);
    };
}

BranchTable BuildBranchTable(ElectronicState popState, const DatabaseState& db) {
    static constexpr int kDeltaN[13] = {0, -1, -1, 0, 0, 1, 1, -2, 0, -1, 1, 0, 2};
    static constexpr int kUpper[13] = {0, 1, 2, 1, 2, 1, 2, 1, 1, 1, 2, 2, 2};
    static constexpr int kLower[13] = {0, 1, 2, 1, 2, 1, 2, 2, 2, 2, 1, 1, 1};
    // Lower components of branches 1..12 for a populated lower Π state whose second branch set
    // addresses the other parity of the lower levels.
    static constexpr int kLowerPi[13] = {0, 1, 2, 3, 4, 1, 2, 4, 4, 2, 1, 3, 3};
    BranchTable t;
    auto otherParity = [](int c) { return c <= 2 ? c + 2 : c - 2; };
    for (int b = 1; b <= 12; ++b) {
        t.deltaN[b] = t.deltaN[b + 12] = kDeltaN[b];
        t.upper[b] = kUpper[b];
        t.lower[b] = kLower[b];
        t.upper[b + 12] = otherParity(kUpper[b]);
        t.lower[b + 12] = otherParity(kLower[b]);
    }
    const int systemEntry = db.systemEntry;
    if (popState == ElectronicState::Lower && db.cat.StateLambda.ValueAt(2, systemEntry) == 1 &&
        database::UsesLowerComponentException(database::StateOf(db.cat, 1, systemEntry),
                                              database::StateOf(db.cat, 2, systemEntry)))
        for (int b = 1; b <= 12; ++b) t.lower[b] = kLowerPi[b];
    return t;
}

LineDegeneracies DegeneraciesOf(const ModelLine& line) {
    const database::BranchShape shape = database::BranchShapeOf(line.b);
    return {database::TwiceJ(line.N, shape.lowerF) + 1, database::TwiceJ(line.N + shape.deltaN, shape.upperF) + 1};
}

const ModelBand& BandSystemModel::Band(int vUp, int vLow) const {
    static const ModelBand none;
    return bands.Contains(vUp, vLow) ? bands(vUp, vLow) : none;
}

std::size_t BandSystemModel::LineCount() const {
    std::size_t n = 0;
    for (const ModelBand& band : bands) n += band.lines.size();
    return n;
}

BandSystemModel BuildBandSystemModel(const DatabaseState& db, const BandLoader& load) {
    const Catalogue& cat = db.cat;
    const int entry = db.systemEntry;
    BandSystemModel m;
    m.entry = entry;
    m.dataFolder = db.AppPath;
    m.systemStamp = db.SystemStamp;
    m.molecularMass = cat.MolecularMass.ValueAt(entry);
    m.lineUnitFactor = db.LineUnitFactor[0];
    m.vUpMax = std::max(0, cat.NMaxVib.ValueAt(entry, 1));
    m.vLowMax = std::max(0, cat.NMaxVib.ValueAt(entry, 2));
    m.upperLambda = cat.StateLambda.ValueAt(1, entry);
    m.upperComponents = db.UpperComponents;
    const float lambdaFactor = cat.LambdaFactor.Contains(entry) ? cat.LambdaFactor(entry) : 1.0f;
    m.branches = std::clamp(static_cast<int>(std::lround(12.0f * lambdaFactor)), 0, 24);
    m.levelFiles = cat.LevelFileFlag.ValueAt(entry) != 0;
    m.lastUpperRow.Resize(0, m.vUpMax);
    for (int v = 0; v <= m.vUpMax; ++v) m.lastUpperRow(v) = cat.NMaxRot.ValueAt(entry, v);
    m.emissionBranches = BuildBranchTable(ElectronicState::Upper, db);
    m.lowerBranches = BuildBranchTable(ElectronicState::Lower, db);

    m.lifetime = db.LevelLifetime;
    m.effectiveLifetime = db.LevelEffLifetime;
    m.quenchRate = db.LevelQuenchRate;
    m.baseYield = db.LevelYield;
    m.quenching = db.UpperQuenching;
    m.einsteinAFactor = db.LineUnitFactor[0];
    m.noAbsoluteScale = database::NoAbsoluteScale(cat, entry);
    // Radiative lifetimes from the emission sums: the first four columns of the level data.
    const Array3<float>& u = db.UpperLevelData;
    if (!u.Empty()) {
        m.computedLifetime.Resize(u.Lo(0), u.Hi(0), 1, 4, u.Lo(2), u.Hi(2));
        for (int v = u.Lo(0); v <= u.Hi(0); ++v)
            for (int c = 1; c <= 4; ++c)
                for (int N = u.Lo(2); N <= u.Hi(2); ++N) m.computedLifetime(v, c, N) = u.ValueAt(v, c, N);
    }

    // Every band of the system, loaded into a copy so that the database view keeps its band.
    DatabaseState work = db;
    m.bands.Resize(0, m.vUpMax, 0, m.vLowMax);
    for (int vUp = 0; vUp <= m.vUpMax; ++vUp) {
        for (int vLow = 0; vLow <= m.vLowMax; ++vLow) {
            ModelBand& band = m.bands(vUp, vLow);
            band.origin = db.BandData.ValueAt(4, vUp, vLow);
            band.emission = db.BandData.ValueAt(1, vUp, vLow);
            load(work, vUp, vLow, entry);
            for (int N = 0; N <= database::LastLineRow(work); ++N)
                for (int b = 1; b <= m.branches; ++b) {
                    const float nu = work.LineData(4, b, N);
                    if (nu == 0.0f) continue;
                    band.lines.push_back({nu, work.LineData(1, b, N), work.LineData(2, b, N),
                                          static_cast<std::int16_t>(N), static_cast<std::int16_t>(b)});
                }
        }
    }
    return m;
}

}  // namespace velmora::simulation
