#include "database/level_data.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/errors.h"
#include "common/list_reader.h"
#include "database/data_checks.h"
#include "database/quenching_models.h"
#include "database/state_descriptions.h"

namespace velmora::database {

namespace {

/// Predissociation rates up to this value (s-1) are taken as no predissociation.
constexpr float kNegligiblePredissociation = 2000.0f;

/// Radiative and effective lifetime and yield of one level and component. UpperLevelData holds
/// the radiative lifetime from the band sums (0: no such level); LevelLifetime the file's
/// radiative lifetime (0: the computed one), LevelEffLifetime the predissociation rate.
void CombineLevel(DatabaseState& db, int v, int k, int N, float pressureTorr, double compositionRate) {
    const int C = db.UpperComponents;
    float& radiative = db.UpperLevelData(v, k, N);
    float& lifetime = db.LevelLifetime(v, k, N);
    float& effective = db.LevelEffLifetime(v, k, N);  // holds the predissociation rate (s-1) on entry
    float& yield = db.LevelYield(v, k, N);

    // A level the band sums give no lifetime does not exist: its row stays empty.
    if (radiative == 0.0f) lifetime = 0.0f;
    if (lifetime == 0.0f) lifetime = radiative;
    radiative = lifetime;
    // Predissociation only shortens the lifetime: 1/τ_eff = 1/τ_rad + k_pred.
    const double rate = effective;
    if (lifetime == 0.0f)
        effective = 0.0f;
    else if (rate > kNegligiblePredissociation)
        effective = static_cast<float>(1.0 / (1.0 / lifetime + rate * 1e-9));
    else
        effective = lifetime;

    // Yield = A / (A + k_pred + Q) = τ_eff,Q / τ_rad with τ_eff,Q = 1 / (1/τ_eff + Q).
    const double q = CollisionRateNs(db.quenching.source, db.quenching.rate, db.LevelQuenchRate(v, k, N), pressureTorr,
                                     compositionRate);
    yield = lifetime != 0.0f ? static_cast<float>((1.0 / (1.0 / effective + q)) / lifetime) : 0.0f;

    db.UpperLevelData(v, C + k, N) = effective;
    db.UpperLevelData(v, 2 * C + k, N) = yield;
}

/// One record of a level file: row N and, per component, lifetime (ns), predissociation rate
/// (s-1) and quenching rate constant (us-1 Torr-1).
struct LevelRecord {
    int N = 0;
    std::array<float, 4> lifetime{}, rate{}, quenching{};
};

/// The records of a level file: rows N = 0, 1, 2 ... one per line, each with the lifetime,
/// predissociation rate and quenching rate constant of every component within their bounds,
/// to row `needed` at least (the catalogue's last rotational row of the level: every level that
/// exists). Reading stops after row `maxN`.
std::vector<LevelRecord> ReadLevelRecords(ListReader& in, int components, int needed, int maxN) {
    std::vector<LevelRecord> records;
    const int count = 1 + 3 * components;
    for (int N = -1; !in.AtEnd() && N < maxN;) {
        LineRecord line(in, N < 0 ? "the first record" : "the record after row N = " + std::to_string(N), count);
        const int expected = N + 1;
        N = line.Int();
        if (N != expected)
            throw FileError::At(in.Source(), line.Line(),
                                "row N = " + std::to_string(N) + " where N = " + std::to_string(expected) +
                                    " is expected (the rows run 0, 1, 2 ... each once)");
        LevelRecord r;
        r.N = N;
        for (std::size_t k = 0; k < static_cast<std::size_t>(components); ++k) {
            const std::string of = " of component " + std::to_string(k + 1) + " at N = " + std::to_string(N);
            r.lifetime[k] = line.Float();
            if (r.lifetime[k] != 0.0f)  // 0: the computed lifetime
                CheckBound(r.lifetime[k], kLifetimeBound, "the radiative lifetime" + of, in.Source(), line.Line());
            r.rate[k] = line.Float();
            CheckBound(r.rate[k], kPredissociationBound, "the predissociation rate" + of, in.Source(), line.Line());
            r.quenching[k] = line.Float();
            CheckBound(r.quenching[k], kQuenchingConstantBound, "the quenching rate constant" + of, in.Source(),
                       line.Line());
        }
        line.End();
        records.push_back(r);
    }
    if (records.back().N < needed)
        throw FileError::At(in.Source(), in.FieldLine(),
                            "the file ends at row N = " + std::to_string(records.back().N) +
                                "; the catalogue needs rows 0.." + std::to_string(needed));
    return records;
}

}  // namespace

std::string LevelFileName(const DatabaseState& db, int entry, int vUp) {
    const std::string& m = db.cat.MoleculeCode(entry);
    return db.AppPath + m + "/" + m + db.cat.StateLabel(1, entry) + "V" + std::to_string(vUp) + ".DAT";
}

void InitialiseLevelData(DatabaseState& db, int vUp) {
    const float start = db.cat.LevelFileFlag(db.systemEntry) == 0 ? 1.0f : 0.0f;
    for (int k = 1; k <= 4; ++k)
        for (int N = 0; N <= db.LevelYield.Hi(2); ++N) {
            db.LevelYield(vUp, k, N) = start;
            db.LevelLifetime(vUp, k, N) = start;
            db.LevelEffLifetime(vUp, k, N) = 0.0f;
            db.LevelQuenchRate(vUp, k, N) = 0.0f;
        }
}

void ReadLevelData(DatabaseState& db, int vUp, float pressureTorr) {
    const int entry = db.systemEntry;
    // Collisions compete with a radiative rate that only an absolute scale gives: a system without
    // one keeps its collision-free yields (quenched yields are refused where they are asked for).
    if (!DescriptionOf(db.cat, entry).absoluteScale) pressureTorr = 0.0f;
    db.UpperComponents = db.cat.StateLambda(1, entry) < 1 ? 2 : 4;
    if (db.cat.LevelFileFlag(entry) == 0) {
        // Without level data every level decays radiatively: effective lifetime τ_rad, yield 1.
        const int C = db.UpperComponents;
        for (int k = 1; k <= C; ++k)
            for (int N = 0; N <= db.cat.MaxN + 2; ++N)
                if (db.UpperLevelData(vUp, k, N) > 0.0f) {
                    db.UpperLevelData(vUp, C + k, N) = db.UpperLevelData(vUp, k, N);
                    db.UpperLevelData(vUp, 2 * C + k, N) = 1.0f;
                }
        return;
    }

    const int C = db.UpperComponents;
    const int maxN = db.cat.MaxN;
    const int lastRow = maxN + 2;  // rows the level arrays and UpperLevelData share
    ListReader in = ListReader::FromFile(LevelFileName(db, entry, vUp));
    in.SkipLine();  // headings
    if (in.AtEnd()) throw FileError::In(in.Source(), "holds no level records");

    // The records; the last one read is the one of row MaxN.
    const std::vector<LevelRecord> records = ReadLevelRecords(in, C, std::min(db.cat.NMaxRot(entry, vUp), maxN), maxN);

    // A lifetime in the file is the measured radiative lifetime of that level. The first one of a
    // level that exists sets the radiative scale of the whole vibrational level: the lifetimes
    // computed from the band sums keep their rotational dependence, anchored there.
    double scale = 1.0;
    bool anchored = false;
    for (const LevelRecord& r : records)
        for (int k = 1; k <= C && !anchored; ++k)
            if (r.lifetime[static_cast<std::size_t>(k - 1)] != 0.0f && db.UpperLevelData(vUp, k, r.N) != 0.0f) {
                scale = r.lifetime[static_cast<std::size_t>(k - 1)] / db.UpperLevelData(vUp, k, r.N);
                anchored = true;
            }
    for (int k = 1; k <= C; ++k)
        for (int N = 0; N <= lastRow; ++N)
            db.UpperLevelData(vUp, k, N) = static_cast<float>(db.UpperLevelData(vUp, k, N) * scale);

    const double compositionRate =
        db.quenching.source == 3
            ? QuenchingRate(db.UpperQuenching, db.quenching.composition, db.quenching.temperature, pressureTorr).rate
            : 0.0;
    for (const LevelRecord& r : records)
        for (int k = 1; k <= C; ++k) {
            const auto i = static_cast<std::size_t>(k - 1);
            db.LevelLifetime(vUp, k, r.N) = r.lifetime[i];
            db.LevelEffLifetime(vUp, k, r.N) = r.rate[i];
            db.LevelQuenchRate(vUp, k, r.N) = r.quenching[i];
            CombineLevel(db, vUp, k, r.N, pressureTorr, compositionRate);
        }
}

}  // namespace velmora::database
