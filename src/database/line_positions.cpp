#include "database/line_positions.h"

#include <initializer_list>

#include "database/state_descriptions.h"
#include "database/terms.h"

namespace velmora::database {

namespace {

// Branches 1..12 of a set, named by ΔN = N' − N'': P1, P2, Q1, Q2, R1, R2 (main branches), then
// O12, Q12, P12 (upper F1, lower F2) and R21, Q21, S21 (upper F2, lower F1).
constexpr BranchShape kShapes[13] = {
    {0, 0, 0},  {-1, 1, 1}, {-1, 2, 2}, {0, 1, 1}, {0, 2, 2}, {1, 1, 1}, {1, 2, 2},
    {-2, 1, 2}, {0, 1, 2},  {-1, 1, 2}, {1, 2, 1}, {0, 2, 1}, {2, 2, 1},
};

// Lower parity index of each branch: true for l1, false for l2.
constexpr bool kLowerUsesL1[13] = {false, true, false, false, true, true, false, true, true, false, true, false, false};

}  // namespace

BranchShape BranchShapeOf(int b) {
    if (b > 12) b -= 12;
    return b >= 1 && b <= 12 ? kShapes[b] : kShapes[0];
}

bool BranchRowExists(int b, int N, int lambdaUpper) {
    if (b > 12) b -= 12;
    switch (b) {
        case 2:
            return N > lambdaUpper;
        case 7:
            return N > 1;
        case 1:
        case 4:
        case 6:
        case 8:
        case 9:
            return N > 0;
        default:
            return N >= 0;
    }
}

LineLevels BranchLevels(const DatabaseState& db, int entry, int b, int N) {
    const StateDescription upper = StateOf(db.cat, 1, entry), lower = StateOf(db.cat, 2, entry);
    const int lamUp = db.cat.StateLambda(1, entry);
    const int lamLow = db.cat.StateLambda(2, entry);
    const int set = b > 12 ? 2 : 1;
    if (b > 12) b -= 12;
    const BranchShape sh = kShapes[b];
    const LowerParity lp = LowerParityIndices(upper, lower);
    int l1 = lp.l1, l2 = lp.l2, u1 = 1, u2 = 1;
    if (lamUp >= 1) {
        l1 = u1 = set;
        l2 = u2 = 3 - set;
    }
    LineLevels lv;
    lv.upRow = N + sh.deltaN;
    lv.upF = sh.upperF;
    lv.upBlock = sh.upperF == 1 ? u1 : u2;
    lv.lowRow = N;
    lv.lowF = sh.lowerF;
    lv.lowBlock = kLowerUsesL1[b] ? l1 : l2;
    if (lamUp >= 1 && lamLow == 0) {
        // A Σ lower level has one parity: Σ⁺ F1 is e, F2 is f; Σ⁻ the reverse.
        const int lowerLabel = (sh.lowerF == 1) != lower.IsSigmaMinus() ? 1 : 2;
        const bool deltaJZero = TwiceJ(lv.upRow, sh.upperF) == TwiceJ(N, sh.lowerF);
        lv.upBlock = deltaJZero ? 3 - lowerLabel : lowerLabel;
    }
    return lv;
}

void ComputeLinePositions(DatabaseState& db, int entry, int N, int set) {
    const Catalogue& cat = db.cat;
    const int lamUp = cat.StateLambda(1, entry);
    const int lamLow = cat.StateLambda(2, entry);
    // Which rows hold no level at the lowest J follows from the labels of each state (for the
    // labels by ratio, a 2Δ upper state compares A'/B'').
    const bool lowerCaseA = CaseALabels(StateOf(cat, 2, entry), SpinOrbitRatio(db, 2, db.LoadedVLower));
    const bool upperCaseA =
        CaseALabels(StateOf(cat, 1, entry), SpinOrbitRatio(db, 1, db.LoadedVUpper, 2, db.LoadedVLower));
    auto& line = db.LineData;
    const int o = 12 * (set - 1);

    for (int b = 1; b <= 12; ++b) {
        if (!line.Contains(4, b + o, N)) continue;
        const LineLevels lv = BranchLevels(db, entry, b + o, N);
        if (!BranchRowExists(b, N, lamUp) || lv.upRow < 0 || lv.upRow > db.UpperTerm.Hi(0) || N > db.LowerTerm.Hi(0)) {
            line(4, b + o, N) = 0.0f;
            continue;
        }
        line(4, b + o, N) = db.UpperTerm(lv.upRow, lv.upF, lv.upBlock) - db.LowerTerm(N, lv.lowF, lv.lowBlock);
    }

    // Levels that the term tables hold but that do not exist at the lowest rows.
    auto zero = [&](int b, int row) {
        if (line.Contains(4, b, row)) line(4, b, row) = 0.0f;
    };
    if (lamLow == 1 && N == 1) {
        if (!lowerCaseA) {
            for (int b : {3, 5, 10, 11, 12}) zero(b + o, 0);
        } else {
            for (int b : {2, 4, 7, 8, 9}) zero(b + o, 1);
            if (lamUp != 2) zero(6 + o, 1);
            if (lamUp == 2) {
                zero(3 + o, 1);
                for (int b : {3, 5, 10, 11}) zero(b + o, 0);
            }
        }
    }
    if (lamUp == 2) {
        zero(9 + o, 2);
        zero(7 + o, 3);
        if (!upperCaseA) {
            zero(1 + o, 2);
            zero(3 + o, 1);
            zero(8 + o, 1);
        } else {
            zero(2 + o, 3);
            zero(4 + o, 2);
            zero(6 + o, 1);
        }
    }
    if (lamLow == 0 && lamUp == 0 && set == 1)
        for (int b : {3, 4, 7, 8, 11, 12}) zero(b, N);  // ΔN = 0 and ±2 are forbidden in Σ–Σ

    // A line below 2000 cm-1 (or an upper level below the lower one) is no line.
    for (int b = 1; b <= 24; ++b)
        if (line.Contains(4, b, N) && line(4, b, N) < 2000.0f) line(4, b, N) = 0.0f;
}

}  // namespace velmora::database
