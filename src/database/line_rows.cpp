#include "database/line_rows.h"

#include <set>
#include <stdexcept>
#include <tuple>

#include "database/band_loader.h"
#include "database/line_positions.h"
#include "database/state_descriptions.h"

namespace velmora::database {

char ParityLabel(const DatabaseState& db, int entry, int s, int N, int F, int block) {
    if (db.cat.StateLambda(s, entry) >= 1) return block == 1 ? 'e' : 'f';
    return SigmaLevelIsE(StateOf(db.cat, s, entry), N, TwiceJ(N, F)) ? 'e' : 'f';
}

std::vector<LineRow> BandLineRows(DatabaseState& db, int vUp, int vLow) {
    const int entry = db.systemEntry;
    LoadBand(db, vUp, vLow, entry);
    const auto& L = db.LineData;
    std::vector<LineRow> rows;
    for (int b = 1; b <= 24; ++b) {
        const int inSet = b > 12 ? b - 12 : b;
        for (int N = 0; N <= L.Hi(2); ++N) {
            if (L(4, b, N) == 0.0f) continue;
            const LineLevels lv = BranchLevels(db, entry, b, N);
            LineRow r;
            r.vUp = vUp, r.vLow = vLow, r.branch = b;
            r.nameB = db.cat.BranchName(0, inSet);
            r.nameA = db.cat.BranchName(1, inSet);
            r.NLow = N;
            r.JLow = TwiceJ(N, BranchShapeOf(b).lowerF) / 2.0;
            r.parityUp = ParityLabel(db, entry, 1, lv.upRow, lv.upF, lv.upBlock);
            r.parityLow = ParityLabel(db, entry, 2, lv.lowRow, lv.lowF, lv.lowBlock);
            r.position = L(4, b, N);
            r.honlLondon = L(5, b, N);
            r.probability = L(3, b, N);
            r.emission = L(1, b, N);
            r.absorption = L(2, b, N);
            rows.push_back(std::move(r));
        }
    }
    return rows;
}

std::vector<LifetimeRow> LevelLifetimeRows(const DatabaseState& db) {
    const Catalogue& cat = db.cat;
    const int entry = db.systemEntry;
    RequireAbsoluteScale(cat, entry, "Radiative lifetimes and fluorescence yields");
    const int C = db.UpperComponents;
    std::vector<LifetimeRow> rows;
    // Rows from 0: a case (a) labelled 2Π state keeps its J = 1/2 level below row Λ'.
    for (int v = 0; v <= cat.NMaxVib(entry, 1); ++v)
        for (int k = 1; k <= C; ++k)
            for (int N = 0; N <= cat.NMaxRot(entry, v); ++N) {
                LifetimeRow r;
                r.vUp = v, r.component = k, r.NUp = N;
                r.exists = db.UpperLevelData(v, k, N) > 0.0f;
                if (r.exists) {
                    r.radiative = db.UpperLevelData(v, k, N);
                    r.effective = db.UpperLevelData(v, C + k, N);
                    r.yield = db.UpperLevelData(v, 2 * C + k, N);
                }
                rows.push_back(r);
            }
    return rows;
}

std::vector<TermRow> LevelTermRows(DatabaseState& db, int s, int v) {
    const int entry = db.systemEntry;
    if (s != 1 && s != 2) throw std::invalid_argument("state " + std::to_string(s) + " is not 1 (upper) or 2 (lower)");
    const int vMax = db.cat.NMaxVib(entry, s);
    if (v < 0 || v > vMax)
        throw std::invalid_argument("level v = " + std::to_string(v) + " is outside the " +
                                    (s == 1 ? "upper" : "lower") + " state (v 0.." + std::to_string(vMax) + ")");
    LoadBand(db, s == 1 ? v : 0, s == 1 ? 0 : v, entry);
    // The levels the band's lines reach, so that a level at exactly 0 cm-1 (the energy zero) is
    // told from a row the tables do not hold.
    std::set<std::tuple<int, int, int>> reached;
    for (int b = 1; b <= 24; ++b)
        for (int N = 0; N <= db.LineData.Hi(2); ++N) {
            if (db.LineData(4, b, N) == 0.0f) continue;
            const LineLevels lv = BranchLevels(db, entry, b, N);
            if (s == 1)
                reached.emplace(lv.upRow, lv.upF, lv.upBlock);
            else
                reached.emplace(lv.lowRow, lv.lowF, lv.lowBlock);
        }
    const TermTable& T = s == 1 ? db.UpperTerm : db.LowerTerm;
    const int blocks = db.cat.StateLambda(s, entry) >= 1 ? 2 : 1;
    // The levels of the system: the upper ones within the catalogue's rows of v, the lower ones as
    // far as the lines of the top upper level reach.
    const int last = s == 1 ? db.RotRows : LastLineRow(db);
    std::vector<TermRow> rows;
    for (int N = 0; N <= last && N <= T.Hi(0); ++N)
        for (int F = 1; F <= 2; ++F)
            for (int p = 1; p <= blocks; ++p) {
                const float term = T(N, F, p);
                if (term == 0.0f && !reached.count({N, F, p})) continue;
                if (TwiceJ(N, F) < 1) continue;
                rows.push_back({N, TwiceJ(N, F) / 2.0, F, ParityLabel(db, entry, s, N, F, p), term});
            }
    return rows;
}

}  // namespace velmora::database
