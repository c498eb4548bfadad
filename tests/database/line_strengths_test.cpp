// Hönl-London factors against a line strength computed here from an independent 3j formula and an
// independent Hamiltonian (OH A–X) and against the closed forms of Σ–Σ bands (the sum rules of
// every kind of band are checked on the shipped database); the emission and absorption
// coefficients by hand.
#include "database/line_strengths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "database/line_positions.h"
#include "database/terms.h"
#include "oh_constants.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::kBranch;
using testing::TwoJ;

constexpr int kRows = 30;

// A band (v' = v'' = 0) of entry 1 with the given constants of both states (T B D H L M A A_D
// A_H γ γ_D γ_H p p_D p_H q q_D q_H, as the term routine takes them).
DatabaseState Band(int lamUp, int lamLow, const Constants& up, const Constants& low,
                   const std::string& molecule = "XY") {
    DatabaseState db = testing::MakeState(lamUp, lamLow, molecule, 1, kRows + 2);
    for (int k = 0; k < 18; ++k) {
        db.MolConst(1, 0, k) = float(up[static_cast<std::size_t>(k)]);
        db.MolConst(2, 0, k) = float(low[static_cast<std::size_t>(k)]);
    }
    db.SpcConvention(1, 1) = lamUp == 0 ? 1 : 0;
    db.SpcConvention(2, 1) = lamLow == 0 ? 1 : 0;
    ComputeLineStrengths(db, 1, 0, kRows);
    return db;
}

// Constants with only B and A (cm-1): the Hill–Van Vleck limit of the closed forms.
Constants SpinOrbitOnly(double B, double A) {
    Constants c{};
    c[1] = B;
    c[6] = A;
    return c;
}

// The line strength of a 2Σ⁺ level (J', e or f) and a 2Π level (J'', e or f) whose case (a)
// vector over (Ω'' = 3/2, 1/2) is c. In the parity basis (|Ω> ± |−Ω>)/√2 the moment joins at
// Σ = +1/2 Ω' = 1/2 with Ω'' = 3/2 and at Σ = −1/2 Ω' = −1/2 with Ω'' = 1/2 (and the reflected
// pairs), each through T(Ω', Ω'') = (−1)^(J' − Ω') sqrt((2J' + 1)(2J'' + 1)) (J' 1 J''; −Ω' q Ω''):
// amplitude c(3/2) T(1/2, 3/2) + x' c(1/2) T(−1/2, 1/2), x' = ±1 for e/f; the line exists when
// x' x'' (−1)^(J' + J'' − 1) = −1. The Σ level reaches both Λ-doublet levels: halved.
double SigmaPiStrength(int twoJu, bool eUp, int twoJl, bool eLow, const std::array<double, 2>& c) {
    const double xu = eUp ? 1 : -1, xl = eLow ? 1 : -1;
    if (xu * xl * (((twoJu + twoJl) / 2 - 1) % 2 == 0 ? 1 : -1) != -1 || std::abs(twoJu - twoJl) > 2) return 0;
    auto T = [&](int twoOmegaUp, int twoOmegaLow) {
        const int phase = ((twoJu - twoOmegaUp) / 2) % 2 == 0 ? 1 : -1;
        return phase * std::sqrt((twoJu + 1.0) * (twoJl + 1.0)) *
               testing::Wigner3j(twoJu, 2, twoJl, -twoOmegaUp, twoOmegaUp - twoOmegaLow, twoOmegaLow);
    };
    const double amplitude = c[0] * T(1, 3) + xu * c[1] * T(-1, 1);
    return 0.5 * amplitude * amplitude;
}

TEST(HonlLondon, OHFactorsAreTheStrengthsOfAnIndependent3jComputation) {
    // Every line of the OH (0,0) and (1,0)-like bands with the published constants (centrifugal,
    // spin-rotation and Λ-doubling terms): X levels from the operator-form Hamiltonian.
    for (const Constants& upper : {kOHA[0], kOHA[1]}) {
        const Constants x = kOHX[0];
        const DatabaseState db = Band(0, 1, upper, Convention0(x), "OH");
        testing::PiConstants pc;
        pc.T = x[0], pc.B = x[1], pc.D = x[2], pc.H = x[3], pc.L = x[4], pc.A = x[6], pc.gamma = x[9];
        pc.gammaD = x[10], pc.gammaH = x[11], pc.p = x[12], pc.pD = x[13], pc.pH = x[14], pc.q = x[15];
        pc.qD = x[16], pc.qH = x[17];
        int lines = 0;
        for (int N = 1; N <= kRows; ++N)
            for (int b = 1; b <= 12; ++b) {
                const LineLevels lv = BranchLevels(db, 1, b, N);
                const int twoJu = TwoJ(lv.upRow, lv.upF), twoJl = TwoJ(N, lv.lowF);
                double expected = 0;
                if (twoJu >= 1 && twoJl >= 1) {
                    // X: F1 the lower, F2 the upper level of its (J, e/f) block; J'' = 1/2 is Ω = 1/2.
                    const auto vectors = testing::PiN2Vectors(pc, twoJl / 2.0, lv.lowBlock == 1 ? -1 : 1);
                    const std::array<double, 2> c = twoJl == 1 ? std::array{0.0, 1.0} : vectors[lv.lowF == 1 ? 0 : 1];
                    if (twoJl > 1 || lv.lowF == 2)
                        expected = SigmaPiStrength(twoJu, lv.upF == 1, twoJl, lv.lowBlock == 1, c);
                }
                EXPECT_NEAR(db.LineData(5, b, N), expected, 2e-5 * (N + 1)) << kBranch[b].name << "(" << N << ")";
                lines += expected > 0;
            }
        EXPECT_GT(lines, 11 * kRows);
    }
}

TEST(HonlLondon, SigmaSigmaFactorsAreTheCaseBClosedForms) {
    // Whatever the spin-rotation constants: each 2Σ level is pure.
    Constants sigma{};
    sigma[1] = 1.9, sigma[2] = 6e-6, sigma[9] = 0.02;
    const DatabaseState ss = Band(0, 0, sigma, sigma);
    for (int N = 0; N <= kRows; ++N) {
        const double J1 = N + 0.5, J2 = N - 0.5, X1 = 2 * J1 + 1, X2 = 2 * J2 + 1;
        double hl[13] = {};
        hl[1] = X1 * (2 * J1 - 1) / (4 * J1), hl[10] = X1 / (4 * J1 * (J1 + 1)),
        hl[5] = X1 * (2 * J1 + 3) / (4 * (J1 + 1));
        if (N > 0)
            hl[2] = X2 * (2 * J2 - 1) / (4 * J2), hl[9] = X2 / (4 * J2 * (J2 + 1)),
            hl[6] = X2 * (2 * J2 + 3) / (4 * (J2 + 1));
        for (int b = 1; b <= 12; ++b)
            EXPECT_NEAR(ss.LineData(5, b, N), hl[b], 1e-5 * X1) << kBranch[b].name << "(" << N << ")";
    }
}

TEST(LineCoefficients, FromProbabilityFactorAndPositionSharedBySecondSet) {
    DatabaseState db = Band(1, 1, SpinOrbitOnly(1, 64.5), SpinOrbitOnly(1, 72.4));
    db.AbsorptionLineScale = 2.0f;
    db.EmissionLineScale = 3.0f;
    for (int b = 1; b <= 24; ++b) {
        db.LineData(3, b, 3) = b <= 12 ? 0.5f : 0.0f;  // probabilities are read for the first set
        db.LineData(4, b, 3) = b == 10 || b == 22 ? 0.0f : 25000.0f + 10 * b;
    }
    ComputeLineStrengths(db, 1, 3, 3);
    for (int o : {0, 12}) {
        // R1(3): J'' = 3.5, J' = 4.5; absorption ∝ A hl / (2J'' + 1), emission ∝ A hl ν³ / (2J' + 1).
        const double hl = db.LineData(5, 5 + o, 3), nu = 25050.0 + 10 * o;
        EXPECT_NEAR(db.LineData(2, 5 + o, 3), 2.0 * 0.5 * hl / 8, 1e-6);
        EXPECT_NEAR(db.LineData(1, 5 + o, 3) / (3.0 * 0.5 * hl * nu * nu * nu / 10), 1.0, 1e-6);
        // R21(3) has a factor but no position: no emission, absorption from the factor.
        EXPECT_EQ(db.LineData(1, 10 + o, 3), 0.0f);
        EXPECT_NEAR(db.LineData(2, 10 + o, 3), 2.0 * 0.5 * db.LineData(5, 10 + o, 3) / 8, 1e-6);
    }
}

}  // namespace
}  // namespace velmora::database
