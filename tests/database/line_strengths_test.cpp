// Hönl-London factors: against a line strength computed here from an independent 3j formula and
// an independent Hamiltonian (OH A–X), against the closed forms of pure Σ–Σ and of Σ–Π bands with
// spin-orbit coupling only, and the sum rules of every kind of band; the emission and absorption
// coefficients by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "database/line_positions.h"
#include "database/line_strengths.h"
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
DatabaseState Band(int lamUp, int lamLow, const Constants& up, const Constants& low, const std::string& molecule = "XY") {
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
                    if (twoJl > 1 || lv.lowF == 2) expected = SigmaPiStrength(twoJu, lv.upF == 1, twoJl, lv.lowBlock == 1, c);
                }
                EXPECT_NEAR(db.LineData(5, b, N), expected, 2e-5 * (N + 1)) << kBranch[b].name << "(" << N << ")";
                lines += expected > 0;
            }
        EXPECT_GT(lines, 11 * kRows);
    }
}

TEST(HonlLondon, ClosedFormsOfPureSigmaSigmaAndSpinOrbitSigmaPiBands) {
    // Σ–Σ: case (b) factors, whatever the spin-rotation constants.
    Constants sigma{};
    sigma[1] = 1.9, sigma[2] = 6e-6, sigma[9] = 0.02;
    const DatabaseState ss = Band(0, 0, sigma, sigma);
    for (int N = 0; N <= kRows; ++N) {
        const double J1 = N + 0.5, J2 = N - 0.5, X1 = 2 * J1 + 1, X2 = 2 * J2 + 1;
        double hl[13] = {};
        hl[1] = X1 * (2 * J1 - 1) / (4 * J1), hl[10] = X1 / (4 * J1 * (J1 + 1)), hl[5] = X1 * (2 * J1 + 3) / (4 * (J1 + 1));
        if (N > 0) hl[2] = X2 * (2 * J2 - 1) / (4 * J2), hl[9] = X2 / (4 * J2 * (J2 + 1)), hl[6] = X2 * (2 * J2 + 3) / (4 * (J2 + 1));
        for (int b = 1; b <= 12; ++b) EXPECT_NEAR(ss.LineData(5, b, N), hl[b], 1e-5 * X1) << kBranch[b].name << "(" << N << ")";
    }
    // Σ–Π with only B and A: the intermediate-coupling closed forms (Earls), Y = A''/B'', from
    // inverted case (a) through case (b) to regular case (a).
    for (double Y : {-60.0, -7.5, 0.5, 2.5, 5.0, 72.0}) {
        const DatabaseState db = Band(0, 1, SpinOrbitOnly(1, 0), SpinOrbitOnly(1, Y));
        for (int N = 2; N <= kRows; ++N) {
            const double J1 = N + 0.5, J2 = N - 0.5, X1 = 2 * J1 + 1, X2 = 2 * J2 + 1;
            const double r1 = 1 / std::sqrt(X1 * X1 + Y * (Y - 4)), r2 = 1 / std::sqrt(X2 * X2 + Y * (Y - 4));
            const double g1 = X1 / (X1 + 1), g2 = X2 / (X2 + 1), h1 = X1 / (X1 - 1), h2 = X2 / (X2 - 1);
            double hl[13];
            hl[5] = g1 * (X1 + (X1 * X1 + 2 * (Y - 4)) * r1), hl[6] = g2 * (X2 + (X2 * X2 - 2 * Y) * r2);
            hl[12] = g1 * (X1 - (X1 * X1 - 2 * Y) * r1), hl[8] = g2 * (X2 - (X2 * X2 + 2 * (Y - 4)) * r2);
            hl[4] = g2 * ((X2 * X2 - 2) + (X2 * X2 * X2 - 8 * J2 - 2 * Y) * r2) / J2;
            hl[10] = g1 * ((X1 * X1 - 2) - (X1 * X1 * X1 - 8 * J1 - 2 * Y) * r1) / J1;
            hl[3] = g1 * ((X1 * X1 - 2) + (X1 * X1 * X1 - 8 * J1 + 2 * (Y - 4)) * r1) / J1;
            hl[9] = g2 * ((X2 * X2 - 2) - (X2 * X2 * X2 - 8 * J2 + 2 * (Y - 4)) * r2) / J2;
            hl[1] = h1 * (X1 + (X1 * X1 - 2 * Y) * r1), hl[11] = h1 * (X1 - (X1 * X1 + 2 * (Y - 4)) * r1);
            hl[7] = h2 * (X2 - (X2 * X2 - 2 * Y) * r2), hl[2] = h2 * (X2 + (X2 * X2 + 2 * (Y - 4)) * r2);
            for (int b = 1; b <= 12; ++b)
                EXPECT_NEAR(db.LineData(5, b, N), hl[b] / 8, 1e-5 * X1) << "Y=" << Y << " " << kBranch[b].name << "(" << N << ")";
        }
    }
}

// True when row N of component F holds a level of a state with this Λ; the single level at
// J = Λ − 1/2 of a Λ ≥ 1 state sits in F1 (case (a) labelling) or in F2.
bool HoldsLevel(int lambda, bool singleLevelInF1, int N, int F) {
    const int twoJ = TwoJ(N, F), lowest = 2 * lambda - 1;
    return twoJ >= std::max(1, lowest + 2) || (twoJ == lowest && (F == 1) == singleLevelInF1);
}

TEST(HonlLondon, TheLinesOfEveryLevelSumToTwoJPlusOneInEveryKindOfBand) {
    // Per upper level the factors add up to 2J' + 1, per lower level to (2J'' + 1) g'/g''
    // (g = 2 − δ(0, Λ)), with centrifugal, spin-rotation and Λ-doubling terms in both states.
    Constants sigma{}, ohX = Convention0(kOHX[0]), noX{}, noB{}, copA{}, chA{}, sihX{};
    sigma[1] = 1.9, sigma[2] = 6e-6, sigma[9] = 0.02;
    noX[1] = 1.70, noX[2] = 5.4e-6, noX[6] = 123.1, noX[9] = -0.006, noX[12] = 0.0117, noX[15] = 7.8e-5;
    noB[1] = 1.09, noB[2] = 5e-6, noB[6] = 31.3, noB[12] = 0.02, noB[15] = -0.003;
    copA[1] = 1.58, copA[2] = 6.6e-6, copA[6] = -117.2, copA[9] = -0.005, copA[12] = 0.008, copA[15] = -0.0005;
    chA[1] = 14.58, chA[2] = 0.00152, chA[6] = -1.1, chA[9] = 0.028, chA[12] = 0.0003, chA[15] = 1e-5;
    sihX[1] = 7.4, sihX[2] = 3.9e-4, sihX[6] = 142.9, sihX[9] = 0.05, sihX[12] = 0.03, sihX[15] = 2e-4;
    struct Case {
        int lamUp, lamLow;
        Constants up, low;
        const char* molecule;
        bool upF1, lowF1;  // the single lowest-J level in F1
    };
    for (const Case& c : {Case{0, 0, sigma, sigma, "XY", false, false}, Case{0, 1, sigma, ohX, "OH", false, false},
                          Case{0, 1, sigma, noX, "XY", false, true}, Case{1, 1, noB, noX, "NO", true, true},
                          Case{1, 0, copA, sigma, "XY", false, false}, Case{2, 1, chA, ohX, "XY", false, false},
                          Case{2, 1, chA, sihX, "XY", false, true}}) {
        const DatabaseState db = Band(c.lamUp, c.lamLow, c.up, c.low, c.molecule);
        const double ratio = (c.lamUp == 0 ? 1.0 : 2.0) / (c.lamLow == 0 ? 1.0 : 2.0);
        std::map<std::tuple<int, int, int>, double> upper, lower;  // (row, F, e/f block) → sum
        for (int b = 1; b <= (c.lamUp >= 1 && c.lamLow >= 1 ? 24 : 12); ++b)
            for (int N = 0; N <= kRows; ++N) {
                const LineLevels lv = BranchLevels(db, 1, b, N);
                upper[{lv.upRow, lv.upF, c.lamUp == 0 ? 1 : lv.upBlock}] += db.LineData(5, b, N);
                lower[{N, lv.lowF, c.lamLow == 0 ? 1 : lv.lowBlock}] += db.LineData(5, b, N);
            }
        const std::string band = "Λ'=" + std::to_string(c.lamUp) + " Λ''=" + std::to_string(c.lamLow) + " " + c.molecule;
        for (const auto& [key, sum] : upper) {
            const auto [N, F, p] = key;
            if (N < 0 || N > kRows - 2) continue;  // lines to lower rows above kRows are not computed
            const double expected = HoldsLevel(c.lamUp, c.upF1, N, F) ? TwoJ(N, F) + 1 : 0;
            EXPECT_NEAR(sum, expected, 2e-5 * (N + 1)) << band << " upper F" << F << " row " << N << " block " << p;
        }
        for (const auto& [key, sum] : lower) {
            const auto [N, F, p] = key;
            const double expected = HoldsLevel(c.lamLow, c.lowF1, N, F) ? (TwoJ(N, F) + 1) * ratio : 0;
            EXPECT_NEAR(sum, expected, 2e-5 * (N + 1)) << band << " lower F" << F << " row " << N << " block " << p;
        }
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
