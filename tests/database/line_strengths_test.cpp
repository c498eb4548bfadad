// Hönl-London factors against exact intermediate-coupling line strengths (Hund's case (a)
// eigenvectors × Wigner 3j symbols, see reference_physics.h) and against the sum rules; the
// emission and absorption coefficients by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "database/line_positions.h"
#include "database/line_strengths.h"
#include "database/terms.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::DoubletState;
using testing::LineStrength;
using testing::MakeState;

constexpr int kRows = 30;

// The branches: ΔN = N' − N'', upper F, lower F (P1 P2 Q1 Q2 R1 R2 O12 Q12 P12 R21 Q21 S21).
struct Named {
    const char* name;
    int deltaN, upperF, lowerF;
};
const Named kBranch[13] = {{"", 0, 0, 0},      {"P1", -1, 1, 1}, {"P2", -1, 2, 2},  {"Q1", 0, 1, 1},
                           {"Q2", 0, 2, 2},    {"R1", 1, 1, 1},  {"R2", 1, 2, 2},   {"O12", -2, 1, 2},
                           {"Q12", 0, 1, 2},   {"P12", -1, 1, 2}, {"R21", 1, 2, 1}, {"Q21", 0, 2, 1},
                           {"S21", 2, 2, 1}};

int TwoJ(int N, int F) { return 2 * N + (F == 1 ? 1 : -1); }

// A band of entry 1 with B = 1 and A = Y in both states (the factors depend on A/B only).
DatabaseState Band(int lambdaUp, int lambdaLow, double yUp, double yLow, const std::string& molecule = "XY") {
    DatabaseState db = MakeState(lambdaUp, lambdaLow, molecule, 1, kRows + 2);
    std::array<double, 18> up{}, low{};
    up[1] = 1;
    up[6] = yUp;
    low[1] = 1;
    low[6] = yLow;
    testing::SetConstants(db, 1, 0, up);
    testing::SetConstants(db, 2, 0, low);
    return db;
}

// The exact strength of branch b at lower row N, for the pair of levels the e/f rule allows
// (lower level e; for a Σ state its F fixes its label, F1 being e in Σ⁺).
double Exact(int lambdaUp, int lambdaLow, double yUp, double yLow, int b, int N) {
    const Named& br = kBranch[b];
    const int twoJu = TwoJ(N + br.deltaN, br.upperF), twoJl = TwoJ(N, br.lowerF);
    if (twoJu < 1 || twoJl < 1) return 0;
    const DoubletState up{lambdaUp, yUp, 1.0}, low{lambdaLow, yLow, 1.0};
    auto rule = [](int tj1, int tj2, bool e) { return tj1 == tj2 ? !e : e; };
    bool eUp, eLow;
    if (lambdaUp == 0) {
        eUp = br.upperF == 1;
        eLow = rule(twoJl, twoJu, eUp);
    } else {
        eLow = lambdaLow == 0 ? br.lowerF == 1 : true;
        eUp = rule(twoJu, twoJl, eLow);
    }
    return LineStrength(up, twoJu, br.upperF, eUp, low, twoJl, br.lowerF, eLow);
}

// Sum of the factors of the six branches that leave one lower level (F'' at row N).
double SumFromLowerLevel(const DatabaseState& db, int N, int F) {
    double sum = 0;
    for (int b = 1; b <= 12; ++b)
        if (kBranch[b].lowerF == F) sum += db.LineData(5, b, N);
    return sum;
}

void ComputeRows(DatabaseState& db, int from, int to) {
    for (int N = from; N <= to; ++N) ComputeLineStrengths(db, 1, N, 1);
}

TEST(HonlLondon, SigmaSigmaIsExactAndObeysTheSumRule) {
    DatabaseState db = Band(0, 0, 0, 0);
    ComputeRows(db, 0, kRows);
    for (int N = 0; N <= kRows; ++N) {
        for (int b = 1; b <= 12; ++b)
            EXPECT_NEAR(db.LineData(5, b, N), Exact(0, 0, 0, 0, b, N), 1e-5) << kBranch[b].name << "(" << N << ")";
        EXPECT_NEAR(SumFromLowerLevel(db, N, 1), 2 * N + 2, 1e-4);          // 2J'' + 1, J'' = N + 1/2
        if (N > 0) {
            EXPECT_NEAR(SumFromLowerLevel(db, N, 2), 2 * N, 1e-4);  // J'' = N − 1/2
        }
    }
    for (int b : {2, 6, 9}) EXPECT_EQ(db.LineData(5, b, 0), 0.0f);
}

TEST(HonlLondon, SigmaPiFollowsIntermediateCouplingAndTheSumRule) {
    // From inverted case (a) through case (b) to regular case (a) of the lower 2Π state.
    for (double Y : {-60.0, -7.5, -1.0, 0.5, 1.5, 2.5, 3.5, 5.0, 20.0, 72.0}) {
        DatabaseState db = Band(0, 1, 0, Y);
        ComputeRows(db, 1, kRows);
        for (int N = 2; N <= kRows; ++N) {
            for (int b = 1; b <= 12; ++b)
                EXPECT_NEAR(db.LineData(5, b, N), 0.5 * Exact(0, 1, 0, Y, b, N), 2e-4 * (N + 1))
                    << "Y=" << Y << " " << kBranch[b].name << "(" << N << ")";
            EXPECT_NEAR(SumFromLowerLevel(db, N, 1), 2 * N + 2, 1e-3) << "Y=" << Y << " N=" << N;
            EXPECT_NEAR(SumFromLowerLevel(db, N, 2), 2 * N, 1e-3) << "Y=" << Y << " N=" << N;
        }
        // J'' = 1/2: its four lines carry 2J'' + 1 = 2, split as the pure Ω = 1/2 level does
        // (1/3 to each J' = 3/2, 2/3 to each J' = 1/2); F2 row 1, or F1 row 0 for Y ≥ 3.
        const int row = Y >= 3 ? 0 : 1;
        const int toJ32F1 = Y >= 3 ? 5 : 8, toJ12F1 = Y >= 3 ? 3 : 9, toJ12F2 = Y >= 3 ? 10 : 4, toJ32F2 = Y >= 3 ? 12 : 6;
        const DoubletState up{0, 0, 1}, low{1, Y, 1};
        EXPECT_NEAR(db.LineData(5, toJ32F1, row), 0.5 * LineStrength(up, 3, 1, true, low, 1, 2, true), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, toJ12F1, row), 0.5 * LineStrength(up, 1, 1, true, low, 1, 2, false), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, toJ12F2, row), 0.5 * LineStrength(up, 1, 2, false, low, 1, 2, true), 1e-5) << Y;
        EXPECT_NEAR(db.LineData(5, toJ32F2, row), 0.5 * LineStrength(up, 3, 2, false, low, 1, 2, false), 1e-5) << Y;
    }
}

TEST(HonlLondon, OHRatioFromTheComputedSplitting) {
    // For a lower state without centrifugal terms the F2 − F1 splitting gives back A/B exactly,
    // so the OH rule and the plain ratio agree; an unphysical splitting falls back to A/B.
    const double B = 18.5, A = -139.0;
    auto factors = [&](const std::string& molecule, bool collapse) {
        DatabaseState db = MakeState(0, 1, molecule, 1, kRows + 2);
        db.MolConst(2, 0, 1) = static_cast<float>(B);
        db.MolConst(2, 0, 6) = static_cast<float>(A);
        db.LevelConst = {};
        db.LevelConst[1] = static_cast<float>(B);
        db.LevelConst[6] = static_cast<float>(A);
        ComputeTerms(db, 1, kRows, db.LowerTerm, 1, molecule);
        if (collapse)  // no spin splitting at all: F2 level on its F1 partner of equal J
            for (int N = 1; N <= kRows + 3; ++N)
                for (int p = 1; p <= 2; ++p) db.LowerTerm(N, 2, p) = db.LowerTerm(N - 1, 1, p);
        ComputeRows(db, 1, kRows);
        return db;
    };
    const DatabaseState oh = factors("OH", false), plain = factors("XY", false), wild = factors("OH", true);
    for (int N = 2; N <= kRows; ++N)
        for (int b = 1; b <= 12; ++b) {
            EXPECT_NEAR(oh.LineData(5, b, N), plain.LineData(5, b, N), 2e-3 * (N + 1)) << b << " " << N;
            EXPECT_NEAR(wild.LineData(5, b, N), plain.LineData(5, b, N), 1e-6) << b << " " << N;
        }
}

// Compares PiUpperStrengths with k × the exact strengths for rows first..kRows.
void ExpectIntermediateCoupling(int lambdaUp, int lambdaLow, double yUp, double yLow, double k, int first) {
    DatabaseState db = Band(lambdaUp, lambdaLow, yUp, yLow);
    PiUpperStrengths(db, kRows, 1, 0, 0);
    for (int N = first; N <= kRows; ++N) {
        double sum1 = 0, sum2 = 0;
        for (int b = 1; b <= 12; ++b) {
            const double exact = k * Exact(lambdaUp, lambdaLow, yUp, yLow, b, N);
            EXPECT_NEAR(db.LineData(5, b, N), exact, 2e-4 * (N + 1))
                << "Y'=" << yUp << " Y''=" << yLow << " " << kBranch[b].name << "(" << N << ")";
            (kBranch[b].lowerF == 1 ? sum1 : sum2) += db.LineData(5, b, N);
        }
        EXPECT_NEAR(sum1, 2 * N + 2, 2e-3) << "sum rule, lower F1 N=" << N;
        EXPECT_NEAR(sum2, 2 * N, 2e-3) << "sum rule, lower F2 N=" << N;
    }
}

TEST(HonlLondon, PiPiTableIsExactIncludingTheQ12Branch) {
    const double ratios[][2] = {{2.5, -7.5}, {64.5, 72.4}, {-7.5, 0.5}, {0.5, 3.5}, {30.0, -3.0}, {-20.0, -20.0}};
    for (const auto& r : ratios) ExpectIntermediateCoupling(1, 1, r[0], r[1], 1.0, 3);
}

TEST(HonlLondon, PiSigmaTableIsExact) {
    for (double y : {-74.0, -7.5, 0.5, 3.0, 10.0}) ExpectIntermediateCoupling(1, 0, y, 0.0, 0.5, 4);
}

TEST(HonlLondon, DeltaPiTableIsExact) {
    const double ratios[][2] = {{2.0, 5.0}, {0.49, 19.2}, {-0.08, 2.0}, {8.0, -7.5}};
    for (const auto& r : ratios) ExpectIntermediateCoupling(2, 1, r[0], r[1], 1.0, 4);
}

TEST(HonlLondon, HandSetFirstRowsAreNeverNegative) {
    // CO+ A–X (inverted 2Π upper, A/B ≈ −74) and SiH A–X (2Δ–2Π, A''/B'' ≈ 19) make the
    // subtractions of the first rows negative: 6.01 − Σ at row 3, 4.1 − Σ at row 2.
    struct Case {
        int lu, ll;
        double yu, yl;
        const char* molecule;
    };
    for (const Case& c : {Case{1, 0, -74.0, 0.0, "COP"}, Case{2, 1, 0.49, 19.2, "SiH"}}) {
        DatabaseState db = Band(c.lu, c.ll, c.yu, c.yl, c.molecule);
        PiUpperStrengths(db, kRows, 1, 0, 0);
        auto h = [&](int b, int N) { return double(db.LineData(5, b, N)); };
        const double rawP2 = 6.01 - (h(6, 3) + h(4, 3) + h(11, 3) + h(10, 3) + h(12, 3));
        EXPECT_LT(rawP2, 0.0) << c.molecule;
        EXPECT_EQ(h(2, 3), 0.0) << c.molecule;
        for (int N = 0; N <= kRows; ++N)
            for (int b = 1; b <= 12; ++b) EXPECT_GE(h(b, N), 0.0) << c.molecule << " " << kBranch[b].name << "(" << N << ")";
    }
    // Π–Π: the P branch of the first F1 row takes what the other lines of J'' = 3/2 leave.
    DatabaseState db = Band(1, 1, 64.5, 72.4);
    PiUpperStrengths(db, kRows, 1, 0, 0);
    const double rest = 4 - (db.LineData(5, 3, 1) + db.LineData(5, 5, 1) + db.LineData(5, 12, 1) + db.LineData(5, 10, 1));
    EXPECT_NEAR(db.LineData(5, 1, 1), std::max(0.0, rest), 1e-6);
}

TEST(LineCoefficients, EmissionAndAbsorptionFromProbabilityFactorAndPosition) {
    DatabaseState db = Band(0, 0, 0, 0);
    db.AbsorptionLineScale = 2.0f;
    db.EmissionLineScale = 3.0f;
    for (int N = 0; N <= 5; ++N)
        for (int b = 1; b <= 12; ++b) {
            db.LineData(3, b, N) = 0.5f;
            db.LineData(4, b, N) = b == 1 || b == 10 ? 0.0f : 25000.0f + 10 * b;  // P1 and R21: no line
        }
    ComputeRows(db, 0, 5);
    const int N = 3;
    // R1(3): J'' = 3.5, J' = 4.5. Absorption ∝ A hl / (2J'' + 1), emission ∝ A hl ν³ / (2J' + 1).
    const double hl = db.LineData(5, 5, N), nu = 25050.0;
    EXPECT_NEAR(db.LineData(2, 5, N), 2.0 * 0.5 * hl / 8, 1e-6);
    EXPECT_NEAR(db.LineData(1, 5, N) / (3.0 * 0.5 * hl * nu * nu * nu / 10), 1.0, 1e-6);
    // R21(3) has a factor but no position: no emission, absorption from the factor.
    EXPECT_GT(db.LineData(5, 10, N), 0.0f);
    EXPECT_EQ(db.LineData(1, 10, N), 0.0f);
    EXPECT_GT(db.LineData(2, 10, N), 0.0f);
    // P1(0) does not exist (N' = −1): no coefficient at all.
    EXPECT_EQ(db.LineData(1, 1, 0), 0.0f);
    EXPECT_EQ(db.LineData(2, 1, 0), 0.0f);
}

TEST(LineCoefficients, SecondSetSharesFactorsAndProbabilities) {
    DatabaseState db = Band(1, 1, 64.5, 72.4);
    PiUpperStrengths(db, kRows, 1, 0, 0);
    for (int b = 1; b <= 24; ++b) {
        db.LineData(3, b, 5) = b <= 12 ? 1.5f : 0.0f;
        db.LineData(4, b, 5) = 30000.0f;
    }
    ComputeLineStrengths(db, 1, 5, 1);
    ComputeLineStrengths(db, 1, 5, 2);
    for (int b = 1; b <= 12; ++b) {
        EXPECT_EQ(db.LineData(5, b + 12, 5), db.LineData(5, b, 5));
        EXPECT_EQ(db.LineData(3, b + 12, 5), 1.5f);
        EXPECT_EQ(db.LineData(1, b + 12, 5), db.LineData(1, b, 5));
    }
}

TEST(LineCoefficients, CaseALowerPiFirstRowsBorrowTheNextRowsProbability) {
    for (int lambdaUp : {0, 2}) {
        DatabaseState db = Band(lambdaUp, 1, 0.5, 19.0);
        for (int N = 0; N <= 4; ++N)
            for (int b = 1; b <= 12; ++b) db.LineData(3, b, N) = static_cast<float>(100 * N + b);
        CopyCaseAFirstRowProbabilities(db, 1, 0, 0);
        if (lambdaUp == 0) {
            for (int b : {3, 5, 10, 12}) EXPECT_EQ(db.LineData(3, b, 0), 100.0f + b);
            EXPECT_EQ(db.LineData(3, 1, 2), 201.0f);
        } else {
            EXPECT_EQ(db.LineData(3, 1, 2), 301.0f);
            EXPECT_EQ(db.LineData(3, 12, 0), 112.0f);
            EXPECT_EQ(db.LineData(3, 3, 0), 3.0f);
        }
    }
    DatabaseState caseB = Band(0, 1, 0.0, 3.0);
    caseB.LineData(3, 3, 1) = 7.0f;
    CopyCaseAFirstRowProbabilities(caseB, 1, 0, 0);
    EXPECT_EQ(caseB.LineData(3, 3, 0), 0.0f);
}

}  // namespace
}  // namespace velmora::database
