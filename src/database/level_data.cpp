#include "database/level_data.h"

#include "common/errors.h"
#include "common/list_reader.h"
#include "common/number_format.h"

namespace velmora::database {

namespace {

/// Predissociation rates up to this value (s-1) are taken as no predissociation.
constexpr float kNegligiblePredissociation = 2000.0f;

/// Collision rate (ns-1) of the selected quenching source for one level.
double QuenchingRate(const DatabaseState& db, float rateConstant, float pressureTorr) {
    // Rate constants are per microsecond and Torr; 0.001 turns them into per nanosecond.
    switch (db.QuenchingSource) {
        case 1: return static_cast<double>(db.Quenching) * 0.001 * pressureTorr;
        case 2: return static_cast<double>(pressureTorr) * rateConstant * 0.001;
        default: return 0.0;
    }
}

/// Effective lifetime and yield of one level and component from its file values.
void CombineLevel(DatabaseState& db, int v, int k, int N, float pressureTorr) {
    const int C = db.UpperComponents;
    const float computed = db.UpperLevelData(v, k, N);  // radiative lifetime from the band sums, ns
    float& lifetime = db.LevelLifetime(v, k, N);
    float& effective = db.LevelEffLifetime(v, k, N);  // holds the predissociation rate (s-1) on entry
    float& yield = db.LevelYield(v, k, N);

    if (lifetime == 0.0f) lifetime = computed;
    const double rate = effective;
    if (lifetime == 0.0f)
        effective = 0.0f;  // no lifetime known: the rate alone gives no lifetime
    else if (rate > kNegligiblePredissociation)
        effective = static_cast<float>(1.0 / (1.0 / lifetime + rate * 1e-9));
    else
        effective = lifetime;

    const double q = QuenchingRate(db, db.LevelQuenchRate(v, k, N), pressureTorr);
    if (lifetime != 0.0f) yield = static_cast<float>((1.0 / (1.0 / effective + q)) / lifetime);
    if (computed == 0.0f) yield = 0.0f;

    db.UpperLevelData(v, C + k, N) = effective;
    db.UpperLevelData(v, 2 * C + k, N) = yield;
}

/// A lifetime, rate or rate constant of component k: never negative.
float ReadNonNegative(ListReader& in, const char* what, int k) {
    const float value = in.ReadFloat();
    if (value < 0.0f)
        throw FileError::At(in.Source(), in.FieldLine(),
                            std::string("the ") + what + " of component " + std::to_string(k) + " is negative (" +
                                Trim(Str(value)) + ")");
    return value;
}

}  // namespace

std::string LevelFileName(const DatabaseState& db, int entry, int vUp) {
    const std::string& m = db.cat.MoleculeCode(entry);
    return db.AppPath + m + "/" + m + db.cat.StateLabel(1, entry) + "V" + std::to_string(vUp) + ".DAT";
}

void InitialiseLevelData(DatabaseState& db, int vUp) {
    const float start = db.cat.LevelFileFlag(db.irad) == 0 ? 1.0f : 0.0f;
    for (int k = 1; k <= 4; ++k)
        for (int N = 0; N <= db.LevelYield.Hi(2); ++N) {
            db.LevelYield(vUp, k, N) = start;
            db.LevelLifetime(vUp, k, N) = start;
            db.LevelEffLifetime(vUp, k, N) = 0.0f;
            db.LevelQuenchRate(vUp, k, N) = 0.0f;
        }
}

void ReadLevelData(DatabaseState& db, int vUp, float pressureTorr) {
    const int entry = db.irad;
    db.UpperComponents = db.cat.StateLambda(1, entry) < 1 ? 2 : 4;
    if (db.cat.LevelFileFlag(entry) == 0) return;

    const int C = db.UpperComponents;
    const int maxN = db.cat.MaxN;
    const int lastRow = maxN + 2;  // rows the level arrays and UpperLevelData share
    ListReader in = ListReader::FromFile(LevelFileName(db, entry, vUp));
    in.SkipLine();  // headings
    if (in.AtEnd()) throw FileError::In(in.Source(), "holds no level records");

    // Records: N, then lifetime (ns), predissociation rate (s-1) and quenching rate constant
    // (us-1 Torr-1) of each component; the last record read is the one of row MaxN or above.
    int N = -1;
    while (!in.AtEnd() && N < maxN) {
        N = in.ReadInt();
        if (N < 0 || N > lastRow)
            throw FileError::At(in.Source(), in.FieldLine(), "row N = " + std::to_string(N) + " is outside 0.." +
                                                             std::to_string(lastRow));
        for (int k = 1; k <= C; ++k) {
            db.LevelLifetime(vUp, k, N) = ReadNonNegative(in, "radiative lifetime", k);
            db.LevelEffLifetime(vUp, k, N) = ReadNonNegative(in, "predissociation rate", k);
            db.LevelQuenchRate(vUp, k, N) = ReadNonNegative(in, "quenching rate constant", k);
        }
        for (int k = 1; k <= C; ++k) CombineLevel(db, vUp, k, N, pressureTorr);
    }
}

}  // namespace velmora::database
