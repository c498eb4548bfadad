// Hönl-London factors against exact intermediate-coupling line strengths (case (a) eigenvectors ×
// Wigner 3j symbols) and the sum rules; the emission and absorption coefficients by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "database/line_strengths.h"
#include "database/terms.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::DoubletState;
using testing::kBranch;
using testing::LineStrength;
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

// The exact strength of branch b at lower row N between the levels the e/f rule pairs (a Σ level's
// label follows from its F, F1 being e in Σ⁺; a Π or Δ lower level is taken e).
double Exact(int lamUp, int lamLow, double yUp, double yLow, int b, int N) {
    const auto& br = kBranch[b];
    const int tju = TwoJ(N + br.deltaN, br.upperF), tjl = TwoJ(N, br.lowerF);
    if (tju < 1 || tjl < 1) return 0;
    const bool eKnown = lamUp == 0 ? br.upperF == 1 : (lamLow == 0 ? br.lowerF == 1 : true);
    const bool eOther = tju == tjl ? !eKnown : eKnown;
    const bool eUp = lamUp == 0 ? eKnown : eOther, eLow = lamUp == 0 ? eOther : eKnown;
    return LineStrength({lamUp, yUp, 1.0}, tju, br.upperF, eUp, {lamLow, yLow, 1.0}, tjl, br.lowerF, eLow);
}

// Each factor at rows first..kRows is k × the exact strength, and the six lines of each lower level
// sum to 2J'' + 1.
void ExpectExact(const DatabaseState& db, int lamUp, int lamLow, double yUp, double yLow, double k, int first) {
    for (int N = first; N <= kRows; ++N) {
        double sum[3] = {};
        for (int b = 1; b <= 12; ++b) {
            EXPECT_NEAR(db.LineData(5, b, N), k * Exact(lamUp, lamLow, yUp, yLow, b, N), 2e-4 * (N + 1))
                << "Λ'=" << lamUp << " Λ''=" << lamLow << " Y'=" << yUp << " Y''=" << yLow << " " << kBranch[b].name
                << "(" << N << ")";
            sum[kBranch[b].lowerF] += db.LineData(5, b, N);
        }
        EXPECT_NEAR(sum[1], 2 * N + 2, 2e-3) << "sum rule, lower F1 row " << N;
        if (N > 0) {
            EXPECT_NEAR(sum[2], 2 * N, 2e-3) << "sum rule, lower F2 row " << N;
        }
    }
}

TEST(HonlLondon, SigmaSigmaAndSigmaPiAreExactAndObeyTheSumRule) {
    DatabaseState ss = Band(0, 0, 0, 0);
    for (int N = 0; N <= kRows; ++N) ComputeLineStrengths(ss, 1, N, 1);
    ExpectExact(ss, 0, 0, 0, 0, 1.0, 0);
    // Σ–Π from inverted case (a) through case (b) to regular case (a) of the lower 2Π state.
    for (double Y : {-60.0, -7.5, -1.0, 0.5, 1.5, 2.5, 3.5, 5.0, 20.0, 72.0}) {
        DatabaseState db = Band(0, 1, 0, Y);
        for (int N = 1; N <= kRows; ++N) ComputeLineStrengths(db, 1, N, 1);
        ExpectExact(db, 0, 1, 0, Y, 0.5, 2);
        // J'' = 1/2 (F2 row 1, or F1 row 0 for Y ≥ 3): the pure Ω = 1/2 level sends its 2J'' + 1 = 2
        // as 1/3 to each J' = 3/2 and 2/3 to each J' = 1/2.
        const DoubletState up{0, 0, 1}, low{1, Y, 1};
        const int row = Y >= 3 ? 0 : 1;
        const int to[4] = {Y >= 3 ? 5 : 8, Y >= 3 ? 3 : 9, Y >= 3 ? 10 : 4, Y >= 3 ? 12 : 6};
        EXPECT_NEAR(db.LineData(5, to[0], row), 0.5 * LineStrength(up, 3, 1, true, low, 1, 2, true), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, to[1], row), 0.5 * LineStrength(up, 1, 1, true, low, 1, 2, false), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, to[2], row), 0.5 * LineStrength(up, 1, 2, false, low, 1, 2, true), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, to[3], row), 0.5 * LineStrength(up, 3, 2, false, low, 1, 2, false), 1e-5) << Y;
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

TEST(HonlLondon, UpperPiAndDeltaTablesAreExactIntermediateCoupling) {
    // Π–Π (with Q12, branch 8), Π–Σ and Δ–Π, from case (a) to case (b) in both states; rows
    // above the hand-set first rows.
    struct Case {
        int lamUp, lamLow;
        double yUp, yLow, k;
        int first;
    };
    for (const Case& c : {Case{1, 1, 2.5, -7.5, 1, 3}, Case{1, 1, 64.5, 72.4, 1, 3}, Case{1, 1, -7.5, 0.5, 1, 3},
                          Case{1, 1, 0.5, 3.5, 1, 3}, Case{1, 1, -20, -20, 1, 3}, Case{1, 0, -74, 0, 0.5, 4},
                          Case{1, 0, 0.5, 0, 0.5, 4}, Case{1, 0, 10, 0, 0.5, 4}, Case{2, 1, 2, 5, 1, 4},
                          Case{2, 1, 0.49, 19.2, 1, 4}, Case{2, 1, -0.08, 2, 1, 4}}) {
        DatabaseState db = Band(c.lamUp, c.lamLow, c.yUp, c.yLow);
        PiUpperStrengths(db, kRows, 1, 0, 0);
        ExpectExact(db, c.lamUp, c.lamLow, c.yUp, c.yLow, c.k, c.first);
    }
}

TEST(HonlLondon, HandSetFirstRowsAreNeverNegative) {
    // CO+ A–X (2Π_i upper, A/B ≈ −74) and SiH A–X (2Δ–2Π, A''/B'' ≈ 19): the P2 rule of row 3,
    // 6.01 minus the other lines of the level, comes out below 0.
    for (auto [lamUp, lamLow, yUp, yLow, molecule] :
         {std::tuple{1, 0, -74.0, 0.0, "COP"}, std::tuple{2, 1, 0.49, 19.2, "SiH"}}) {
        DatabaseState db = Band(lamUp, lamLow, yUp, yLow, molecule);
        PiUpperStrengths(db, kRows, 1, 0, 0);
        auto h = [&](int b, int N) { return double(db.LineData(5, b, N)); };
        EXPECT_LT(6.01 - (h(6, 3) + h(4, 3) + h(11, 3) + h(10, 3) + h(12, 3)), 0.0) << molecule;
        for (int N = 0; N <= kRows; ++N)
            for (int b = 1; b <= 12; ++b) EXPECT_GE(h(b, N), 0.0) << molecule << " " << kBranch[b].name << N;
    }
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
