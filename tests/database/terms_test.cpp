// Term values against the published OH term values, the N² Hamiltonian diagonalised numerically,
// the Hill–Van Vleck closed form, and exact identities between the constant conventions.
#include "database/terms.h"

#include <gtest/gtest.h>

#include <cmath>

#include "database/effective_hamiltonian.h"
#include "oh_constants.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::PiConstants;
using testing::PiN2Levels;

constexpr int kRows = 30;

TermTable Terms(const Constants& c, int lambda, int convention,
                std::optional<LevelLabelling> labelling = std::nullopt) {
    StateDescription state;
    state.lambda = lambda, state.labelling = labelling;
    DatabaseState db = testing::MakeState(lambda, 0, "XY");
    for (size_t k = 0; k < 18; ++k) db.LevelConst[k] = static_cast<float>(c[k]);
    TermTable t;
    t.Resize(0, kRows + 4, 1, 2, 1, 2);
    ComputeTerms(db, lambda, kRows, t, convention, state);
    return t;
}

// Half a float step of the value and of T: the storage limit (≈ 0.004 cm-1 at 32 000 cm-1).
double Tolerance(double value, double T = 0) {
    auto ulp = [](double x) { return double(std::nextafter(float(std::fabs(x)), 1e30f) - float(std::fabs(x))); };
    return 1.0e-4 + 0.5 * ulp(value) + 0.5 * ulp(T);
}

// The reference takes the constants as the term code sees them (rounded to 32 bits).
PiConstants Published(const Constants& e) {
    Constants c;
    for (size_t k = 0; k < 18; ++k) c[k] = float(e[k]);
    return {c[0], c[1], c[2], c[3], c[4], c[6], c[7], c[9], c[10], c[11], c[12], c[13], c[14], c[15], c[16], c[17]};
}

TEST(Terms, OHReproducesThePublishedTermValues) {
    // X (convention 0, A/B = −7.5: F1 at row J − 1/2, F2 at J + 1/2; block 1 = e, 2 = f).
    struct X {
        int i;
        double J;
        int p, F;
        double E;
    };
    for (const X& c : {X{0, 1.5, 1, 1, -19.66452}, X{0, 1.5, 2, 1, -19.60892}, X{0, 0.5, 1, 2, 106.62778},
                       X{0, 0.5, 2, 2, 106.78568}, X{0, 1.5, 1, 2, 167.82828}, X{0, 10.5, 1, 1, 1995.38378},
                       X{1, 17.5, 1, 2, 30155.90258}, X{2, 11.5, 2, 2, 34364.34146}}) {
        const TermTable t = Terms(Convention0(kOHX[c.i]), 1, 0);
        EXPECT_NEAR(t(int(c.J + (c.F == 1 ? -0.5 : 0.5)), c.F, c.p), c.E, Tolerance(c.E, kOHX[c.i][0])) << c.J;
    }
    // A (Σ convention 1): row N, both parity blocks.
    struct A {
        int i, N, F;
        double E;
    };
    for (const A& c : {A{0, 0, 1, 32420.91440}, A{0, 1, 2, 32454.61041}, A{1, 10, 1, 37160.19090},
                       A{2, 5, 2, 41226.33102}, A{0, 18, 2, 37984.36561}}) {
        const TermTable t = Terms(kOHA[c.i], 0, 1);
        EXPECT_NEAR(t(c.N, c.F, 1), c.E, Tolerance(c.E, kOHA[c.i][0])) << c.N;
        EXPECT_EQ(t(c.N, c.F, 2), t(c.N, c.F, 1)) << "a Σ level is in both parity blocks";
    }
}

TEST(Terms, PiConventions0And2AreTheN2HamiltonianWithLNegated) {
    // Every OH X level, J = 1/2..32.5, against the operator form (with q_D: the Λ-doubling term
    // (q_D/2){N², Q}); plus a spin-orbit centrifugal term (A_D/2){N², LzSz}.
    Constants withAD = kOHX[0];
    withAD[7] = 0.05;
    for (const Constants& c : {kOHX[0], kOHX[1], kOHX[2], withAD})
        for (int convention : {0, 2}) {
            const TermTable t = Terms(Convention0(c), 1, convention);
            for (int p = 1; p <= 2; ++p) {
                const int eps = p == 1 ? -1 : 1;
                EXPECT_NEAR(t(1, 2, p), PiN2Levels(Published(c), 0.5, eps)[1], Tolerance(t(1, 2, p)));
                for (int N = 1; N <= kRows + 2; ++N) {
                    const auto E = PiN2Levels(Published(c), N + 0.5, eps);
                    EXPECT_NEAR(t(N, 1, p), E[0], Tolerance(E[0])) << "F1 J=" << N + 0.5 << " p=" << p;
                    EXPECT_NEAR(t(N + 1, 2, p), E[1], Tolerance(E[1])) << "F2 J=" << N + 0.5 << " p=" << p;
                }
            }
        }
}

// Hill–Van Vleck: T + B [(J + 1/2)² − 1 ± ½ sqrt(4 (J + 1/2)² + Y (Y − 4))], Y = A/B (R² form).
double HillVanVleck(double T, double B, double Y, double J, int sign) {
    const double x = J + 0.5;
    return T + B * (x * x - 1 + sign * 0.5 * std::sqrt(4 * x * x + Y * (Y - 4)));
}

TEST(Terms, PiHillVanVleckFromCaseAToCaseBWithTheLowestLevelInItsSlot) {
    const double T = 1000, B = 1.7;
    for (double Y : {-60.0, -7.5, 0.05, 1.0, 2.5, 3.5, 4.0, 5.0, 72.0})
        for (int convention : {0, 1}) {
            Constants c{};
            c[0] = T;
            c[1] = B;
            c[6] = Y * B;
            const TermTable t = Terms(c, 1, convention);
            const double shift = convention == 0 ? B : 0.0;  // N² form lies B above the R² form
            const bool caseA = Y > 4;                        // F1 at row J + 1/2 and F2 at J − 1/2 (re-indexed later)
            for (int N = 1; N <= kRows; ++N) {
                EXPECT_NEAR(t(caseA ? N + 1 : N, 1, 1), HillVanVleck(T, B, Y, N + 0.5, -1) + shift, 1e-3) << Y;
                EXPECT_NEAR(t(caseA ? N : N + 1, 2, 2), HillVanVleck(T, B, Y, N + 0.5, +1) + shift, 1e-3) << Y;
            }
            // J = 1/2 is the Ω = 1/2 row alone, T − A/2 + B (J + 1/2)² + shift − B, in the slot of
            // its label, also for 2 < A/B ≤ 4 where H11 is the larger diagonal element; there it
            // continues the lower ladder, whose case (b) slot (F1, row 0) carries it as well.
            const double lowest = T - Y * B / 2 + B + shift;
            EXPECT_NEAR(t(1, caseA ? 1 : 2, 1), lowest, 1e-3) << Y;
            if (Y > 2 && Y <= 4) {
                EXPECT_NEAR(t(0, 1, 1), lowest, 1e-3) << Y;
            }
            // Limits: inverted case (a), F1 = Ω = 3/2: T + A/2 − B + B (1 − B/(2B − A)) [(J + 1/2)² − 1]
            // to third order in B/A; case (b), Y → 0: both components T + B [N(N + 1) − 1].
            if (Y == -60.0) {
                EXPECT_NEAR(t(5, 1, 1), T + shift + Y * B / 2 - B + B * 35 * (1 - 1 / (2 - Y)), 0.02);
            }
            if (Y == 0.05) {
                EXPECT_NEAR(t(10, 2, 1) - T - shift, B * (110 - 1), 0.01);
            }
        }
    Constants no{};
    no[1] = 1.7;
    no[6] = 1.5 * 1.7;
    EXPECT_NEAR(Terms(no, 1, 0, LevelLabelling::caseA)(1, 1, 1), 2 * 1.7 - 1.5 * 1.7 / 2, 1e-4)
        << "case (a) labels at A/B = 1.5: J = 1/2 in F1";
}

TEST(Terms, PiJHalfSplittingIsPPlusTwoQInEveryConvention) {
    for (int convention : {0, 1, 2, 3}) {
        Constants c{};
        c[1] = 18.5;
        c[6] = -139.0;
        c[12] = 0.2354;
        c[15] = -0.0387;
        const TermTable t = Terms(c, 1, convention);
        EXPECT_NEAR(t(1, 2, 2) - t(1, 2, 1), 0.2354 + 2 * -0.0387, 1e-5) << "f above e by (p + 2q)(J + 1/2)";
    }
}

// Convention 1 in powers of R² = N² − 1 is an exact rewriting of convention 0 (which subtracts
// its L column): B R² − D R⁴ + H R⁶ + L R⁸ = T' + B' N² − D' N⁴ + H' N⁶ − L' N⁸ with
// T' = −B − D − H + L, B' = B + 2D + 3H − 4L, D' = D + 3H − 6L, H' = H − 4L, L' = −L; and its
// γ (N·S − LzSz) is γ N·S with A' = A − γ.
TEST(Terms, PiConvention1PowersOfRSquaredAreConvention0) {
    const double T = 500, B = 18.5, D = 1.9e-3, H = 1.4e-7, L = -1.4e-11, A = -139.0, g = -0.12;
    Constants c1{}, c0{};
    c1[0] = T, c1[1] = B, c1[2] = D, c1[3] = H, c1[4] = L, c1[6] = A, c1[9] = g;
    c0[0] = T - B - D - H + L, c0[1] = B + 2 * D + 3 * H - 4 * L, c0[2] = D + 3 * H - 6 * L, c0[3] = H - 4 * L;
    c0[4] = -L, c0[6] = A - g, c0[9] = g;
    const TermTable t0 = Terms(c0, 1, 0);
    for (int convention : {1, 3}) {
        const TermTable t1 = Terms(c1, 1, convention);
        for (int N = 0; N <= kRows + 3; ++N)
            for (int F = 1; F <= 2; ++F) EXPECT_NEAR(t1(N, F, 1), t0(N, F, 1), 2e-3 + 2e-7 * std::fabs(t0(N, F, 1)));
    }
}

TEST(Terms, SigmaConvention0SortsTheTwoLevelsOfEachJ) {
    for (double g : {0.2, -5.0}) {  // γ < 0 puts F2 below F1: the labels follow the energies
        Constants c{};
        c[0] = 100, c[1] = 2.0, c[2] = 6e-6, c[9] = g;
        const TermTable t0 = Terms(c, 0, 0), t1 = Terms(c, 0, 1);
        for (int N = 0; N <= kRows; ++N) {
            EXPECT_NEAR(t0(N, 1, 1), std::min(t1(N, 1, 1), t1(N + 1, 2, 1)), 1e-3);
            EXPECT_NEAR(t0(N + 1, 2, 2), std::max(t1(N, 1, 1), t1(N + 1, 2, 1)), 1e-3);
        }
    }
}

TEST(Terms, DeltaIsHillVanVleckWithTheJThreeHalvesLevelInItsSlot) {
    for (double Y : {-3.0, 1.0, 3.0, 19.0}) {
        const double B = 14.6;
        Constants c{};
        c[1] = B, c[6] = Y * B;
        const TermTable t = Terms(c, 2, 0);
        for (int N = 2; N <= kRows; ++N) {
            // E± = B (x² − Λ² ± sqrt(Λ² Y (Y − 4) + 4 x²) / 2), x = J + 1/2, in the N² form 4B
            // above the Λ = 2 case (a) matrix.
            const double x = N + 1.0, root = std::sqrt(4 * Y * (Y - 4) + 4 * x * x) / 2;
            EXPECT_NEAR(t(N, 1, 1), B * (x * x - 4 - root) + 4 * B, 2e-3) << "Y=" << Y << " N=" << N;
            EXPECT_NEAR(t(N + 1, 2, 2), B * (x * x - 4 + root) + 4 * B, 2e-3) << "Y=" << Y << " N=" << N;
        }
        EXPECT_NEAR(t(2, 2, 1), -Y * B + 6 * B, 1e-3) << "J = 3/2: the Ω = 3/2 row, −A + B (w + 2), w = 4";
        EXPECT_EQ(t(0, 1, 1), 0.0f) << "nothing at N = 0";
    }
}

}  // namespace
}  // namespace velmora::database
