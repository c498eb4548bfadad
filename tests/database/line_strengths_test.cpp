// Hönl-London factors against exact intermediate-coupling line strengths (case (a) eigenvectors ×
// Wigner 3j symbols) and the sum rules; the emission and absorption coefficients by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "database/exact_strengths.h"
#include "database/line_strengths.h"
#include "database/terms.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::kBranch;
using testing::TwoJ;

constexpr int kRows = 30;

// A band of entry 1 with B = 1 and A = Y in both states (the factors depend on A/B only).
DatabaseState Band(int lamUp, int lamLow, double yUp, double yLow, const std::string& molecule = "XY") {
    DatabaseState db = testing::MakeState(lamUp, lamLow, molecule, 1, kRows + 2);
    db.MolConst(1, 0, 1) = db.MolConst(2, 0, 1) = 1.0f;
    db.MolConst(1, 0, 6) = float(yUp);
    db.MolConst(2, 0, 6) = float(yLow);
    return db;
}

// The labelling of the term tables: a 2Π or 2Δ state with A/B above 4 (and 2Π NO) keeps its
// single lowest-J level in F1.
TermLabelling Labelling(int lambda, double Y, bool no = false) { return {{lambda, Y, 1.0}, lambda >= 1 && (Y > 4 || no)}; }

// True when row N of component F holds a level of the state.
bool HoldsLevel(const TermLabelling& t, int N, int F) {
    const int twoJ = TwoJ(N, F), lowest = 2 * t.state.lambda - 1;
    return twoJ >= std::max(1, lowest + 2) || (twoJ == lowest && (F == 1) == t.singleLevelInF1);
}

// Every factor at rows first..kRows is the exact strength, and the lines of each level sum to
// 2J + 1: from a lower level over the branches of its row, from an upper level over the rows
// N' − 2..N' + 2 that reach it, when these are checked (0 for a row that holds no level).
void ExpectExact(const DatabaseState& db, const TermLabelling& up, const TermLabelling& low, int first) {
    const std::string band = "Λ'=" + std::to_string(up.state.lambda) + " Λ''=" + std::to_string(low.state.lambda) +
                             " Y'=" + std::to_string(up.state.A) + " Y''=" + std::to_string(low.state.A);
    for (int N = first; N <= kRows; ++N) {
        double lower[3] = {}, upper[3] = {};
        for (int b = 1; b <= 12; ++b) {
            const auto& br = kBranch[b];
            EXPECT_NEAR(db.LineData(5, b, N), ExactHonlLondon(up, low, b, N), 2e-4 * (N + 1))
                << band << " " << br.name << "(" << N << ")";
            EXPECT_GE(db.LineData(5, b, N), 0.0f) << band << " " << br.name << "(" << N << ")";
            lower[br.lowerF] += db.LineData(5, b, N);
            if (N - br.deltaN >= 0 && N - br.deltaN <= kRows) upper[br.upperF] += db.LineData(5, b, N - br.deltaN);
        }
        for (int F = 1; F <= 2; ++F) {
            const double twoJPlus1 = TwoJ(N, F) + 1;
            EXPECT_NEAR(lower[F], HoldsLevel(low, N, F) ? twoJPlus1 : 0, 2e-3) << band << " lower F" << F << " row " << N;
            if (std::max(0, N - 2) >= first && N <= kRows - 2) {
                EXPECT_NEAR(upper[F], HoldsLevel(up, N, F) ? twoJPlus1 : 0, 2e-3) << band << " upper F" << F << " row " << N;
            }
        }
    }
}

TEST(HonlLondon, SigmaSigmaAndSigmaPiAreExactAndObeyTheSumRule) {
    DatabaseState ss = Band(0, 0, 0, 0);
    for (int N = 0; N <= kRows; ++N) ComputeLineStrengths(ss, 1, N, 1);
    ExpectExact(ss, Labelling(0, 0), Labelling(0, 0), 0);
    // Σ–Π from inverted case (a) through case (b) to regular case (a) of the lower 2Π state.
    for (double Y : {-60.0, -7.5, -1.0, 0.5, 1.5, 2.5, 3.5, 5.0, 20.0, 72.0}) {
        DatabaseState db = Band(0, 1, 0, Y);
        for (int N = 1; N <= kRows; ++N) ComputeLineStrengths(db, 1, N, 1);
        ExpectExact(db, Labelling(0, 0), Labelling(1, Y), 2);
        // J'' = 1/2 (F2 row 1, or F1 row 0 for Y ≥ 3): the pure Ω = 1/2 level sends its 2J'' + 1 = 2
        // as 1/3 to each J' = 3/2 and 2/3 to each J' = 1/2.
        const DoubletState up{0, 0, 1}, low{1, Y, 1};
        const DoubletLevel half[2] = {{1, 2, true}, {1, 2, false}};  // J'' = 1/2, e and f
        const int row = Y >= 3 ? 0 : 1;
        const int to[4] = {Y >= 3 ? 5 : 8, Y >= 3 ? 3 : 9, Y >= 3 ? 10 : 4, Y >= 3 ? 12 : 6};
        EXPECT_NEAR(db.LineData(5, to[0], row), 0.5 * LineStrength(up, {3, 1, true}, low, half[0]), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, to[1], row), 0.5 * LineStrength(up, {1, 1, true}, low, half[1]), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, to[2], row), 0.5 * LineStrength(up, {1, 2, false}, low, half[0]), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, to[3], row), 0.5 * LineStrength(up, {3, 2, false}, low, half[1]), 1e-5) << Y;
    }
}

TEST(HonlLondon, OHRatioFromTheComputedSplitting) {
    // Without centrifugal terms the F2 − F1 splitting gives back A/B: the OH rule agrees with the
    // plain ratio; a level pair without splitting (W > 4) falls back to A/B.
    auto factors = [](const std::string& molecule, bool collapse) {
        DatabaseState db = testing::MakeState(0, 1, molecule, 1, kRows + 2);
        db.LevelConst = {};
        db.LevelConst[1] = db.MolConst(2, 0, 1) = 18.5f;
        db.LevelConst[6] = db.MolConst(2, 0, 6) = -139.0f;
        ComputeTerms(db, 1, kRows, db.LowerTerm, 1, molecule);
        for (int N = 1; N <= kRows + 3 && collapse; ++N)
            for (int p = 1; p <= 2; ++p) db.LowerTerm(N, 2, p) = db.LowerTerm(N - 1, 1, p);
        for (int N = 1; N <= kRows; ++N) ComputeLineStrengths(db, 1, N, 1);
        return db;
    };
    const DatabaseState oh = factors("OH", false), plain = factors("XY", false), flat = factors("OH", true);
    for (int N = 2; N <= kRows; ++N)
        for (int b = 1; b <= 12; ++b) {
            EXPECT_NEAR(oh.LineData(5, b, N), plain.LineData(5, b, N), 2e-3 * (N + 1)) << b << " " << N;
            EXPECT_EQ(flat.LineData(5, b, N), plain.LineData(5, b, N)) << b << " " << N;
        }
}

TEST(HonlLondon, UpperPiAndDeltaFactorsAreExactIntermediateCouplingFromTheFirstRow) {
    // Π–Π (with Q12, branch 8), Π–Σ and Δ–Π, from case (a) to case (b) in both states, among them
    // CO+ A–X (2Π_i over 2Σ+), NO B–X (case (a) labelling of both 2Π states), CH A–X and SiH A–X
    // (2Δ over a case (b) and a case (a) 2Π state).
    struct Case {
        int lamUp, lamLow;
        double yUp, yLow;
        const char* molecule;
    };
    for (const Case& c : {Case{1, 1, 2.5, -7.5, "XY"}, Case{1, 1, 64.5, 72.4, "XY"}, Case{1, 1, -7.5, 0.5, "XY"},
                          Case{1, 1, 0.5, 3.5, "XY"}, Case{1, 1, -20, -20, "XY"}, Case{1, 1, 28.6, 73.1, "NO"},
                          Case{1, 0, -74, 0, "COP"}, Case{1, 0, 0.5, 0, "XY"}, Case{1, 0, 3, 0, "XY"},
                          Case{2, 1, 2, 5, "XY"}, Case{2, 1, 0.49, 19.2, "SiH"}, Case{2, 1, -0.08, 1.93, "CH"}}) {
        DatabaseState db = Band(c.lamUp, c.lamLow, c.yUp, c.yLow, c.molecule);
        PiUpperStrengths(db, kRows, 1, 0, 0);
        ExpectExact(db, Labelling(c.lamUp, c.yUp, c.molecule == std::string("NO")), Labelling(c.lamLow, c.yLow), 0);
    }
}

TEST(HonlLondon, LowestLevelsHaveThePureCouplingValues) {
    // J = 1/2 of a 2Π state is pure Ω = 1/2 at any A/B. Π–Σ: it sends 2J' + 1 = 2 as 2/3 to each
    // J'' = 1/2 and 1/3 to each J'' = 3/2 (R21(0), Q2(1), Q21(1), P2(2)).
    for (double Y : {-74.0, 0.5, 3.0}) {
        DatabaseState db = Band(1, 0, Y, 0);
        PiUpperStrengths(db, kRows, 1, 0, 0);
        EXPECT_NEAR(db.LineData(5, 10, 0), 2.0 / 3, 1e-6) << Y;
        EXPECT_NEAR(db.LineData(5, 4, 1), 2.0 / 3, 1e-6) << Y;
        EXPECT_NEAR(db.LineData(5, 11, 1), 1.0 / 3, 1e-6) << Y;
        EXPECT_NEAR(db.LineData(5, 2, 2), 1.0 / 3, 1e-6) << Y;
    }
    // Π–Π between the J = 1/2 levels of two case (a) states (NO B–X): the Q line has the case (a)
    // value (2J + 1) Ω² / (J (J + 1)) = 2/3; the two J' = 3/2 levels share the R strength
    // (J + 1 + Ω)(J + 1 − Ω) / (J + 1) = 4/3.
    DatabaseState no = Band(1, 1, 28.6, 73.1, "NO");
    PiUpperStrengths(no, kRows, 1, 0, 0);
    EXPECT_NEAR(no.LineData(5, 3, 0), 2.0 / 3, 1e-6);
    EXPECT_NEAR(no.LineData(5, 5, 0) + no.LineData(5, 12, 0), 4.0 / 3, 1e-5);
}

TEST(LineCoefficients, FromProbabilityFactorAndPositionSharedBySecondSet) {
    DatabaseState db = Band(1, 1, 64.5, 72.4);
    PiUpperStrengths(db, kRows, 1, 0, 0);
    db.AbsorptionLineScale = 2.0f;
    db.EmissionLineScale = 3.0f;
    for (int b = 1; b <= 24; ++b) {
        db.LineData(3, b, 3) = b <= 12 ? 0.5f : 0.0f;  // probabilities are read for the first set
        db.LineData(4, b, 3) = b == 10 || b == 22 ? 0.0f : 25000.0f + 10 * b;
    }
    for (int set = 1; set <= 2; ++set) ComputeLineStrengths(db, 1, 3, set);
    for (int o : {0, 12}) {
        // R1(3): J'' = 3.5, J' = 4.5; absorption ∝ A hl / (2J'' + 1), emission ∝ A hl ν³ / (2J' + 1).
        const double hl = db.LineData(5, 5, 3), nu = 25050.0 + 10 * o;
        EXPECT_EQ(db.LineData(5, 5 + o, 3), hl);
        EXPECT_NEAR(db.LineData(2, 5 + o, 3), 2.0 * 0.5 * hl / 8, 1e-6);
        EXPECT_NEAR(db.LineData(1, 5 + o, 3) / (3.0 * 0.5 * hl * nu * nu * nu / 10), 1.0, 1e-6);
        // R21(3) has a factor but no position: no emission, absorption from the factor.
        EXPECT_EQ(db.LineData(1, 10 + o, 3), 0.0f);
        EXPECT_NEAR(db.LineData(2, 10 + o, 3), 2.0 * 0.5 * db.LineData(5, 10, 3) / 8, 1e-6);
    }
}

}  // namespace
}  // namespace velmora::database
