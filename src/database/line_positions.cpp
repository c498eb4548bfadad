#include "database/line_positions.h"

#include <initializer_list>

#include "database/entry_tables.h"
#include "database/terms.h"

namespace velmora::database {

namespace {

// Branches 1..12 of a set, named by ΔN = N' − N'': P1, P2, Q1, Q2, R1, R2 (main branches), then
// O12, Q12, P12 (upper F1, lower F2) and R21, Q21, S21 (upper F2, lower F1).
constexpr BranchShape kShapes[13] = {
    {0, 0, 0},
    {-1, 1, 1}, {-1, 2, 2}, {0, 1, 1}, {0, 2, 2}, {1, 1, 1}, {1, 2, 2},
    {-2, 1, 2}, {0, 1, 2}, {-1, 1, 2}, {1, 2, 1}, {0, 2, 1}, {2, 2, 1},
};

// Lower parity index of each branch: true for l1, false for l2.
constexpr bool kLowerUsesL1[13] = {false, true, false, false, true, true, false,
                                   true, true, false, true, false, false};

}  // namespace

BranchShape BranchShapeOf(int b) {
    if (b > 12) b -= 12;
    return b >= 1 && b <= 12 ? kShapes[b] : kShapes[0];
}

BranchParity BranchParityOf(const Catalogue& cat, int entry, int b) {
    const int set = b > 12 ? 2 : 1;
    const int inSet = b > 12 ? b - 12 : b;
    const BranchShape sh = BranchShapeOf(b);
    const int lamUp = cat.StateLambda.ValueAt(1, entry), lamLow = cat.StateLambda.ValueAt(2, entry);
    int block;  // 1 e, 2 f
    if (lamLow == 0) {
        block = (sh.lowerF == 1) != LowerStateIsSigmaMinus(entry) ? 1 : 2;
    } else {
        const LowerParity lp = LowerParityIndices(entry);
        const int l1 = lamUp >= 1 ? set : lp.l1, l2 = lamUp >= 1 ? 3 - set : lp.l2;
        block = kLowerUsesL1[inSet] ? l1 : l2;
    }
    // ΔJ does not depend on the row: ΔN plus the half-integers of the two components.
    const bool deltaJZero = TwiceJ(sh.deltaN, sh.upperF) == TwiceJ(0, sh.lowerF);
    const char lower = block == 1 ? 'e' : 'f';
    return {deltaJZero ? (lower == 'e' ? 'f' : 'e') : lower, lower};
}

bool BranchRowExists(int b, int N, int lambdaUpper) {
    if (b > 12) b -= 12;
    switch (b) {
        case 2: return N > lambdaUpper;
        case 7: return N > 1;
        case 1: case 4: case 6: case 8: case 9: return N > 0;
        default: return N >= 0;
    }
}

void ComputeLinePositions(DatabaseState& db, int entry, int N, int set) {
    const Catalogue& cat = db.cat;
    const int lamUp = cat.StateLambda(1, entry);
    const int lamLow = cat.StateLambda(2, entry);
    const float yLow = SpinOrbitRatio(db, 2, db.LoadedVLower);
    const float yUp = SpinOrbitRatio(db, 1, db.LoadedVUpper, 2, db.LoadedVLower);
    auto& line = db.LineData;
    const int o = 12 * (set - 1);

    // Parity blocks: for a Σ upper state the lower blocks come from the entry table; otherwise
    // each set takes one Λ-doublet component of both states.
    const LowerParity lp = LowerParityIndices(entry);
    int l1 = lp.l1, l2 = lp.l2, u1 = 1, u2 = 1;
    if (lamUp >= 1) {
        l1 = set;
        l2 = 3 - set;
        u1 = set;
        u2 = 3 - set;
    }
    // A Σ lower level has one parity: its e/f label fixes the upper Λ-doublet component
    // (ΔJ = ±1 keeps the label, ΔJ = 0 changes it). Σ⁺: F1 is e, F2 is f; Σ⁻ the reverse.
    const bool upperFromLowerSigma = lamUp >= 1 && lamLow == 0;
    const bool sigmaMinus = upperFromLowerSigma && LowerStateIsSigmaMinus(entry);

    for (int b = 1; b <= 12; ++b) {
        if (!line.Contains(4, b + o, N)) continue;
        const BranchShape sh = kShapes[b];
        const int upRow = N + sh.deltaN;
        if (!BranchRowExists(b, N, lamUp) || upRow < 0 || upRow > db.UpperTerm.Hi(0) || N > db.LowerTerm.Hi(0)) {
            line(4, b + o, N) = 0.0f;
            continue;
        }
        int ub = sh.upperF == 1 ? u1 : u2;
        const int lb = kLowerUsesL1[b] ? l1 : l2;
        if (upperFromLowerSigma) {
            const int lowerLabel = (sh.lowerF == 1) != sigmaMinus ? 1 : 2;
            const bool deltaJZero = TwiceJ(upRow, sh.upperF) == TwiceJ(N, sh.lowerF);
            ub = deltaJZero ? 3 - lowerLabel : lowerLabel;
        }
        line(4, b + o, N) = db.UpperTerm(upRow, sh.upperF, ub) - db.LowerTerm(N, sh.lowerF, lb);
    }

    // Levels that the term tables hold but that do not exist at the lowest rows.
    auto zero = [&](int b, int row) {
        if (line.Contains(4, b, row)) line(4, b, row) = 0.0f;
    };
    if (lamLow == 1 && N == 1) {
        if (yLow <= 4.0f) {
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
        if (yUp <= 4.0f) {
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
    if (lamLow == 1 && lamUp == 2 && cat.MoleculeCode(entry) == "CF") {
        zero(6, 1);
        zero(18, 1);
    }

    // A line below 2000 cm-1 (or an upper level below the lower one) is no line.
    for (int b = 1; b <= 24; ++b)
        if (line.Contains(4, b, N) && line(4, b, N) < 2000.0f) line(4, b, N) = 0.0f;
}

}  // namespace velmora::database
