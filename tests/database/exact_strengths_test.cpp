// The exact line strengths against closed forms: 3j symbols (special values, symmetries,
// orthogonality), the Hill–Van Vleck energies, the pure case (a) Hönl-London factors, and the
// e/f selection rule.
#include <gtest/gtest.h>

#include <cmath>

#include "database/exact_strengths.h"

namespace velmora::database {
namespace {

TEST(Wigner3j, ClosedFormsSymmetriesAndOrthogonality) {
    for (int tj = 1; tj <= 15; tj += 2)
        for (int tm = -tj; tm <= tj; tm += 2) {
            // (j 1 j; −m 0 m) = (−1)^(j − m) m / sqrt(j (j + 1)(2j + 1)).
            const double j = tj / 2.0, m = tm / 2.0;
            const double sign = ((tj - tm) / 2) % 2 == 0 ? 1 : -1;
            EXPECT_NEAR(Wigner3j(tj, 2, tj, -tm, 0, tm), sign * m / std::sqrt(j * (j + 1) * (2 * j + 1)), 1e-12);
            for (int tq = -2; tq <= 2; tq += 2) {
                const int tj3 = tj + 2, tm3 = -tm - tq;
                const double w = Wigner3j(tj, 2, tj3, tm, tq, tm3);
                const double phase = ((tj + 2 + tj3) / 2) % 2 == 0 ? 1 : -1;  // (−1)^(j1 + j2 + j3)
                EXPECT_NEAR(Wigner3j(2, tj3, tj, tq, tm3, tm), w, 1e-12);      // cyclic
                EXPECT_NEAR(Wigner3j(2, tj, tj3, tq, tm, tm3), phase * w, 1e-12);   // odd permutation
                EXPECT_NEAR(Wigner3j(tj, 2, tj3, -tm, -tq, -tm3), phase * w, 1e-12);  // m → −m
            }
        }
    // Σ over m1, m2 of (j1 j2 j3; m1 m2 m3)² = 1 / (2 j3 + 1) for each m3.
    for (int tj3 : {1, 3, 5})
        for (int tm3 = -tj3; tm3 <= tj3; tm3 += 2) {
            double sum = 0;
            for (int tm1 = -3; tm1 <= 3; tm1 += 2) sum += std::pow(Wigner3j(3, 2, tj3, tm1, -tm1 - tm3, tm3), 2);
            EXPECT_NEAR(sum, 1.0 / (tj3 + 1), 1e-12) << tj3 << " " << tm3;
        }
}

TEST(ExactStrengths, HillVanVleckEnergiesAndEigenvectors) {
    // E± = B ((J + 1/2)² − Λ² ± sqrt(Λ² Y (Y − 4) + 4 (J + 1/2)²) / 2), Y = A/B.
    for (int lambda : {1, 2})
        for (double Y : {-74.0, 0.49, 3.0, 72.0})
            for (int twoJ = 2 * lambda + 1; twoJ <= 41; twoJ += 2) {
                const DoubletState s{lambda, 1.7 * Y, 1.7};
                const double x = (twoJ + 1) / 2.0, root = std::sqrt(lambda * lambda * Y * (Y - 4) + 4 * x * x) / 2;
                const DoubletBlock block = HillVanVleckBlock(s, twoJ);
                EXPECT_NEAR(block.energy[0], 1.7 * (x * x - lambda * lambda - root), 1e-9 * twoJ * twoJ);
                EXPECT_NEAR(block.energy[1], 1.7 * (x * x - lambda * lambda + root), 1e-9 * twoJ * twoJ);
                for (const auto& v : block.vector) EXPECT_NEAR(v[0] * v[0] + v[1] * v[1], 1.0, 1e-12);
                EXPECT_NEAR(block.vector[0][0] * block.vector[1][0] + block.vector[0][1] * block.vector[1][1], 0.0, 1e-12);
            }
}

TEST(ExactStrengths, PureCaseAFactorsAndTheParitySelectionRule) {
    // Both 2Π states deep in case (a): the Ω = 1/2 (F1 of a regular state) and Ω = 3/2 (F2)
    // ladders have the parallel-band factors P (J² − Ω²)/J, Q (2J + 1) Ω² / (J (J + 1)),
    // R ((J + 1)² − Ω²)/(J + 1) of the lower J.
    const DoubletState up{1, 1e6, 1}, low{1, 2e6, 1};
    for (int F = 1; F <= 2; ++F) {
        const double omega = F == 1 ? 0.5 : 1.5;
        for (int twoJ = 3; twoJ <= 21; twoJ += 2) {
            const double J = twoJ / 2.0;
            const DoubletLevel lower{twoJ, F, true};
            const int pF = twoJ == 3 ? 2 : F;  // the single J' = 1/2 level (Ω = 1/2) is F = 2
            EXPECT_NEAR(LineStrength(up, {twoJ - 2, pF, true}, low, lower), (J * J - omega * omega) / J, 1e-4) << F << J;
            EXPECT_NEAR(LineStrength(up, {twoJ, F, false}, low, lower), (2 * J + 1) * omega * omega / (J * (J + 1)), 1e-4);
            EXPECT_NEAR(LineStrength(up, {twoJ + 2, F, true}, low, lower), ((J + 1) * (J + 1) - omega * omega) / (J + 1), 1e-4);
            // e–f for ΔJ = ±1 and e–e for ΔJ = 0 are forbidden; exchanging every e/f label changes nothing.
            EXPECT_NEAR(LineStrength(up, {twoJ + 2, F, false}, low, lower), 0.0, 1e-12);
            EXPECT_NEAR(LineStrength(up, {twoJ, F, true}, low, lower), 0.0, 1e-12);
            const DoubletState mixedUp{1, 2.5, 1}, mixedLow{1, -7.5, 1};
            EXPECT_NEAR(LineStrength(mixedUp, {twoJ, 3 - F, true}, mixedLow, {twoJ, F, false}),
                        LineStrength(mixedUp, {twoJ, 3 - F, false}, mixedLow, {twoJ, F, true}), 1e-12);
        }
    }
    // No level: F1 at J = 1/2 of a 2Π state, a 2Σ+ F1 level labelled f.
    EXPECT_EQ(LineStrength({1, 5, 1}, {1, 1, true}, {0, 0, 1}, {1, 1, true}), 0.0);
    EXPECT_EQ(LineStrength({1, 5, 1}, {3, 1, false}, {0, 0, 1}, {1, 1, false}), 0.0);
}

}  // namespace
}  // namespace velmora::database
