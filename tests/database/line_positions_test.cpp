// Line positions: every branch is upper minus lower term of a pair of levels that the e/f
// selection rule allows, in hand-made bands whose term values identify each level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "database/line_positions.h"
#include "database/terms.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::MakeState;

// The branches by their names: letter = ΔN = N' − N'', then upper and lower F when they differ.
struct Named {
    const char* name;
    int deltaN, upperF, lowerF;
};
const Named kBranch[13] = {{"", 0, 0, 0},      {"P1", -1, 1, 1}, {"P2", -1, 2, 2},  {"Q1", 0, 1, 1},
                           {"Q2", 0, 2, 2},    {"R1", 1, 1, 1},  {"R2", 1, 2, 2},   {"O12", -2, 1, 2},
                           {"Q12", 0, 1, 2},   {"P12", -1, 1, 2}, {"R21", 1, 2, 1}, {"Q21", 0, 2, 1},
                           {"S21", 2, 2, 1}};

constexpr int kRows = 20;

// Terms that tell every (row, F, block) apart through the difference upper − lower.
double Upper(int N, int F, int p) { return 30000 + 20.0 * N * (N + 1) + 3.7 * F + 0.37 * p; }
double Lower(int N, int F, int p) { return 10.0 * N * (N + 1) + 0.51 * F + 0.053 * p; }

DatabaseState HandMadeBand(int lambdaUp, int lambdaLow, int entry = 1, double yLow = 0.0) {
    DatabaseState db = MakeState(lambdaUp, lambdaLow, "XY", entry);
    db.MolConst(2, 0, 1) = 10.0f;
    db.MolConst(2, 0, 6) = static_cast<float>(yLow * 10.0);
    db.MolConst(1, 0, 1) = 20.0f;
    for (int N = 0; N <= kRows + 4; ++N)
        for (int F = 1; F <= 2; ++F)
            for (int p = 1; p <= 2; ++p) {
                // A Σ state has one level per (N, F): both blocks carry it.
                db.UpperTerm(N, F, p) = static_cast<float>(Upper(N, F, lambdaUp == 0 ? 1 : p));
                db.LowerTerm(N, F, p) = static_cast<float>(Lower(N, F, lambdaLow == 0 ? 1 : p));
                // Rows that hold no level (F1: N < Λ; F2: N < max(Λ, 1)) stay 0, as ComputeTerms
                // leaves them.
                const int firstUp = F == 1 ? lambdaUp : std::max(lambdaUp, 1);
                const int firstLow = F == 1 ? lambdaLow : std::max(lambdaLow, 1);
                if (N < firstUp) db.UpperTerm(N, F, p) = 0.0f;
                if (N < firstLow) db.LowerTerm(N, F, p) = 0.0f;
            }
    return db;
}

// e/f label of a level: a Π or Δ block p = 1 is e; a Σ⁺ level is e for F1, f for F2 (Σ⁻ reverse).
bool IsE(int lambda, bool sigmaMinus, int F, int p) { return lambda == 0 ? ((F == 1) != sigmaMinus) : p == 1; }

// ΔJ = ±1 joins equal e/f labels, ΔJ = 0 opposite ones.
bool Allowed(int twoJUp, int twoJLow, bool eUp, bool eLow) { return twoJUp == twoJLow ? eUp != eLow : eUp == eLow; }

int TwoJ(int N, int F) { return 2 * N + (F == 1 ? 1 : -1); }

struct Pair {
    int pu = 0, pl = 0;
};

// Checks every line of rows first..kRows of one set: the position is upper minus lower term of
// the branch's levels, for an allowed e/f pair. Returns the lower block matched per (b, N).
std::vector<std::vector<int>> ExpectAllowedPairs(DatabaseState& db, int entry, int set, int first,
                                                 bool upperSigmaMinus, bool lowerSigmaMinus) {
    const int lamUp = db.cat.StateLambda(1, entry), lamLow = db.cat.StateLambda(2, entry);
    for (int N = 0; N <= kRows; ++N) ComputeLinePositions(db, entry, N, set);
    std::vector<std::vector<int>> lowerBlock(13, std::vector<int>(kRows + 1, 0));
    for (int b = 1; b <= 12; ++b) {
        const Named& br = kBranch[b];
        if (lamUp == 0 && lamLow == 0 && (br.deltaN == 0 || std::abs(br.deltaN) == 2)) continue;
        for (int N = first; N <= kRows; ++N) {
            const int Nu = N + br.deltaN;
            if (Nu < lamUp || (br.upperF == 2 && Nu < 1) || (br.lowerF == 2 && N < 1)) continue;
            const double pos = db.LineData(4, b + 12 * (set - 1), N);
            int matches = 0;
            for (int pu = 1; pu <= 2; ++pu)
                for (int pl = 1; pl <= 2; ++pl) {
                    const double expect = Upper(Nu, br.upperF, lamUp == 0 ? 1 : pu) - Lower(N, br.lowerF, lamLow == 0 ? 1 : pl);
                    if (std::fabs(pos - expect) > 8e-3) continue;  // float storage; blocks differ by ≥ 0.053
                    ++matches;
                    const bool eUp = IsE(lamUp, upperSigmaMinus, br.upperF, pu);
                    const bool eLow = IsE(lamLow, lowerSigmaMinus, br.lowerF, pl);
                    EXPECT_TRUE(Allowed(TwoJ(Nu, br.upperF), TwoJ(N, br.lowerF), eUp, eLow))
                        << br.name << "(N=" << N << ") set " << set << ": upper block " << pu << ", lower block " << pl;
                    lowerBlock[size_t(b)][size_t(N)] = pl;
                }
            EXPECT_GE(matches, 1) << br.name << "(N=" << N << ") set " << set << " position " << pos
                                  << " is no difference of its levels";
        }
    }
    return lowerBlock;
}

TEST(LinePositions, SigmaUpperPiLowerPairsAllowedLevels) {
    // Entry 1 of the table pairs a Σ⁺ upper state, entry 4 a Σ⁻ upper state, with a Π lower state.
    for (auto [entry, minus] : {std::pair{1, false}, std::pair{4, true}}) {
        DatabaseState db = HandMadeBand(0, 1, entry);
        ExpectAllowedPairs(db, entry, 1, 1, minus, false);
    }
}

TEST(LinePositions, PiPiSetsPairAllowedLevelsAndShareTheLowerLevels) {
    DatabaseState db = HandMadeBand(1, 1);
    const auto set1 = ExpectAllowedPairs(db, 1, 1, 1, false, false);
    const auto set2 = ExpectAllowedPairs(db, 1, 2, 1, false, false);
    // Each lower Λ-doublet level has its line in exactly one of the two sets.
    for (int b = 1; b <= 12; ++b)
        for (int N = 3; N <= kRows; ++N) EXPECT_EQ(set1[size_t(b)][size_t(N)] + set2[size_t(b)][size_t(N)], 3) << b;
}

TEST(LinePositions, PiUpperSigmaLowerChoosesTheUpperComponentByTheRule) {
    DatabaseState db = HandMadeBand(1, 0);
    ExpectAllowedPairs(db, 1, 1, 0, false, false);
}

TEST(LinePositions, DeltaUpperPiLowerPairsAllowedLevels) {
    DatabaseState db = HandMadeBand(2, 1);
    ExpectAllowedPairs(db, 1, 1, 4, false, false);
    ExpectAllowedPairs(db, 1, 2, 4, false, false);
}

TEST(LinePositions, SigmaSigmaHasOnlyTheSixBranchesWithDeltaNOfOne) {
    DatabaseState db = HandMadeBand(0, 0);
    ExpectAllowedPairs(db, 1, 1, 0, false, false);
    for (int N = 0; N <= kRows; ++N)
        for (int b : {3, 4, 7, 8, 11, 12}) EXPECT_EQ(db.LineData(4, b, N), 0.0f) << kBranch[b].name;
    EXPECT_GT(db.LineData(4, 5, 0), 2000.0f);  // R1(0) exists
    EXPECT_EQ(db.LineData(4, 1, 0), 0.0f);     // P1(0) has no upper level
    EXPECT_EQ(db.LineData(4, 2, 1), 0.0f) << "P2(1) would need the F2 level N' = 0, which a Σ state lacks";
}

TEST(LinePositions, LinesBelow2000AreNoLines) {
    DatabaseState db = HandMadeBand(0, 0);
    for (int N = 0; N <= kRows + 4; ++N)
        for (int F = 1; F <= 2; ++F)
            for (int p = 1; p <= 2; ++p) db.UpperTerm(N, F, p) = static_cast<float>(1500.0 + 10.0 * N * (N + 1));
    for (int N = 0; N <= kRows; ++N) {
        ComputeLinePositions(db, 1, N, 1);
        for (int b = 1; b <= 24; ++b) EXPECT_EQ(db.LineData(4, b, N), 0.0f);
    }
}

TEST(LinePositions, LowestRowsOfALowerPiStateHoldNoLevel) {
    // Case (b) labelling (A/B ≤ 4): the lower F1 row 0 is no level; its lines go.
    DatabaseState b = HandMadeBand(0, 1, 1, 0.0);
    for (int N = 0; N <= 3; ++N) ComputeLinePositions(b, 1, N, 1);
    for (int br : {3, 5, 10, 11, 12}) EXPECT_EQ(b.LineData(4, br, 0), 0.0f) << kBranch[br].name;
    EXPECT_GT(b.LineData(4, 5, 1), 0.0f);
    // Case (a) labelling (A/B > 4, after re-indexing): the J = 1/2 level is F1 row 0 and F2 row 1
    // is none; the lines of F2 row 1 go and those of F1 row 0 stay.
    DatabaseState a = HandMadeBand(0, 1, 1, 10.0);
    for (int p = 1; p <= 2; ++p) {
        a.LowerTerm(0, 1, p) = static_cast<float>(Lower(0, 1, p));
        a.LowerTerm(1, 2, p) = 0.0f;
    }
    for (int N = 0; N <= 3; ++N) ComputeLinePositions(a, 1, N, 1);
    for (int br : {2, 4, 6, 7, 8, 9}) EXPECT_EQ(a.LineData(4, br, 1), 0.0f) << kBranch[br].name;
    for (int br : {3, 5, 10, 12}) EXPECT_GT(a.LineData(4, br, 0), 0.0f) << kBranch[br].name;
}

TEST(LinePositions, PiSigmaBandFromComputedTermsHasNoSpuriousLines) {
    // A 2Π upper state (CO+ A-like, inverted) and a 2Σ⁺ lower state computed by ComputeTerms:
    // every line is the difference of two levels; none sits at the bare upper term value.
    DatabaseState db = MakeState(1, 0, "XY");
    db.LevelConst = {};
    db.LevelConst[0] = 0;
    db.LevelConst[1] = 1.97f;
    db.LevelConst[9] = 0.0091f;
    ComputeTerms(db, 0, kRows, db.LowerTerm, 1);
    db.LevelConst = {};
    db.LevelConst[0] = 20400;
    db.LevelConst[1] = 1.58f;
    db.LevelConst[6] = -122.0f;
    db.LevelConst[12] = 0.05f;
    db.LevelConst[15] = 0.01f;
    ComputeTerms(db, 1, kRows, db.UpperTerm, 0);
    db.MolConst(2, 0, 1) = 1.97f;
    db.MolConst(1, 0, 1) = 1.58f;
    db.MolConst(1, 0, 6) = -122.0f;
    for (int N = 0; N <= kRows; ++N) {
        ComputeLinePositions(db, 1, N, 1);
        for (int b = 1; b <= 12; ++b) {
            const Named& br = kBranch[b];
            const double pos = db.LineData(4, b, N);
            if (pos == 0) continue;
            // The Σ lower level in closed form: B N(N + 1) + γ N/2 (F1), − γ (N + 1)/2 (F2).
            const double x = double(N) * (N + 1);
            const double lower = br.lowerF == 1 ? 1.97 * x + 0.0091 * N / 2 : 1.97 * x - 0.0091 * (N + 1) / 2;
            bool found = false;
            for (int p = 1; p <= 2; ++p)
                found = found || std::fabs(pos - (db.UpperTerm(N + br.deltaN, br.upperF, p) - lower)) < 3e-3;
            EXPECT_TRUE(found) << br.name << "(" << N << ") at " << pos;
        }
    }
}

}  // namespace
}  // namespace velmora::database
