// The exact line strengths against independent values: the dipole 3j symbols against Racah's
// general formula, the pure case (a) Hönl-London factors and the e/f selection rule.
#include "database/exact_strengths.h"

#include <gtest/gtest.h>

#include <cmath>

#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::Wigner3j;

TEST(ThreeJ, DipoleClosedFormsAgreeWithRacahsFormula) {
    // Every dipole symbol of half-integer J up to 60.5, as the line strengths use them.
    for (int tj1 = 1; tj1 <= 121; tj1 += 2)
        for (int tj2 = tj1 - 2; tj2 <= tj1 + 2; tj2 += 2)
            for (int tm1 = -tj1; tm1 <= tj1; tm1 += 2)
                for (int tm2 = -tm1 - 2; tm2 <= -tm1 + 2; tm2 += 2)
                    EXPECT_NEAR(DipoleThreeJ(tj1, tj2, tm1, tm2), Wigner3j(tj1, 2, tj2, tm1, -tm1 - tm2, tm2), 1e-12)
                        << tj1 << " " << tj2 << " " << tm1 << " " << tm2;
    EXPECT_EQ(DipoleThreeJ(1, 1, 3, -1), 0.0);  // |m| > j
    EXPECT_EQ(DipoleThreeJ(1, 5, 1, -1), 0.0);  // |ΔJ| > 1
}

TEST(ExactStrengths, PureCaseAFactorsAndTheParitySelectionRule) {
    // Two 2Π states in pure case (a): the Ω = 1/2 and Ω = 3/2 ladders have the parallel-band
    // factors P (J² − Ω²)/J, Q (2J + 1) Ω² / (J (J + 1)), R ((J + 1)² − Ω²)/(J + 1) of the lower J.
    const DoubletState pi{1};
    for (const double omega : {0.5, 1.5}) {
        const std::array<double, 2> ladder = omega > 1 ? std::array{1.0, 0.0} : std::array{0.0, 1.0};
        for (int twoJ = 3; twoJ <= 21; twoJ += 2) {
            const double J = twoJ / 2.0;
            const DoubletLevel lower{twoJ, true, ladder};
            auto upper = [&](int dJ, bool e) { return DoubletLevel{twoJ + 2 * dJ, e, ladder}; };
            EXPECT_NEAR(LineStrength(pi, upper(-1, true), pi, lower), (J * J - omega * omega) / J, 1e-9) << omega << J;
            EXPECT_NEAR(LineStrength(pi, upper(0, false), pi, lower), (2 * J + 1) * omega * omega / (J * (J + 1)),
                        1e-9);
            EXPECT_NEAR(LineStrength(pi, upper(1, true), pi, lower), ((J + 1) * (J + 1) - omega * omega) / (J + 1),
                        1e-9);
            // e–f for ΔJ = ±1 and e–e for ΔJ = 0 are forbidden, and so is |ΔJ| = 2.
            EXPECT_EQ(LineStrength(pi, upper(1, false), pi, lower), 0.0);
            EXPECT_EQ(LineStrength(pi, upper(0, true), pi, lower), 0.0);
            EXPECT_EQ(LineStrength(pi, upper(2, true), pi, lower), 0.0);
        }
    }
    // Exchanging every e/f label changes nothing; the F1 level of a 2Σ⁻ state (f) takes the
    // strengths of the F1 level of a 2Σ⁺ state (e) with the other Λ-doublet component.
    const DoubletLevel mixedUp{7, true, {0.6, 0.8}}, mixedLow{7, false, {0.8, -0.6}};
    EXPECT_NEAR(LineStrength(pi, mixedUp, pi, mixedLow),
                LineStrength(pi, {7, false, {0.6, 0.8}}, pi, {7, true, {0.8, -0.6}}), 1e-12);
    EXPECT_NEAR(LineStrength({0}, {5, true}, pi, {5, false, {0.6, 0.8}}),
                LineStrength({0, true}, {5, false}, pi, {5, true, {0.6, 0.8}}), 1e-12);
}

}  // namespace
}  // namespace velmora::database
