// Term values against independent references: the published OH term values, the N² Hamiltonian
// diagonalised numerically, the Hill–Van Vleck closed form, and algebraic identities between the
// constant conventions.
#include <gtest/gtest.h>

#include <cmath>

#include "database/terms.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::DoubletState;
using testing::MakeState;
using testing::PiConstants;
using testing::PiN2Levels;
using testing::PiN2LowestLevel;

constexpr int kRows = 30;

// Column layout of the level constants: T B D H L M A A_D A_H γ γ_D γ_H p p_D p_H q q_D q_H.
using Constants = std::array<double, 18>;

TermTable Terms(const Constants& c, int lambda, int convention, const std::string& molecule = "XY") {
    DatabaseState db = MakeState(lambda, 0, molecule);
    for (int k = 0; k < 18; ++k) db.LevelConst[size_t(k)] = static_cast<float>(c[size_t(k)]);
    TermTable t;
    t.Resize(0, kRows + 4, 1, 2, 1, 2);
    t.Fill(-999.0f);
    ComputeTerms(db, lambda, kRows, t, convention, molecule);
    return t;
}

// Float storage of a term value (and of T in the constants) limits the agreement.
double FloatTolerance(double value, double T) {
    auto ulp = [](double x) {
        const float f = static_cast<float>(std::fabs(x));
        return double(std::nextafter(f, 1e30f) - f);
    };
    return 1.0e-4 + 0.5 * ulp(value) + 0.5 * ulp(T);
}

// The reference takes the constants as the term code sees them (rounded to 32 bits), so that
// only the formulas and the storage of the result differ.
PiConstants FromColumns(const Constants& exact) {
    Constants c;
    for (size_t k = 0; k < c.size(); ++k) c[k] = static_cast<float>(exact[k]);
    PiConstants p;
    p.T = c[0]; p.B = c[1]; p.D = c[2]; p.H = c[3]; p.L = c[4]; p.A = c[6]; p.AD = c[7];
    p.gamma = c[9]; p.gammaD = c[10]; p.gammaH = c[11];
    p.p = c[12]; p.pD = c[13]; p.pH = c[14]; p.q = c[15]; p.qD = c[16]; p.qH = c[17];
    return p;
}

// OH X 2Π_i and A 2Σ+ constants of the N² Hamiltonian (fit to the MoLLIST term values; OH A–X
// data set, levels_X.csv and levels_A.csv), in the published form: +L N⁸, ε = −1 for e.
const Constants kOHX[] = {
    {0.0, 18.53487274, 0.001908918631, 1.424841776e-07, -1.402570425e-11, 0, -139.0508443, 0, 0, -0.1192587978,
     2.364957058e-05, -3.094267326e-09, 0.2353577925, -5.218046899e-05, 5.451752368e-09, -0.03868904947,
     1.469896666e-05, -2.471566953e-09},
    {3570.35247, 17.82391807, 0.001870407309, 1.374211742e-07, -1.46531253e-11, 0, -139.3203207, 0, 0, -0.1137454367,
     2.309718535e-05, -2.21750376e-09, 0.2246751069, -5.21319009e-05, 6.291349358e-09, -0.03693302277,
     1.44027712e-05, -2.343404793e-09},
    {16210.59970, 15.04562729, 0.001766350699, 9.907479345e-08, -1.2306603e-11, 0, -140.2892951, 0, 0,
     -0.09034550835, 2.586288565e-05, -6.324827223e-09, 0.1793770451, -5.708857694e-05, 3.68302087e-09,
     -0.02971873616, 1.387939039e-05, -2.497385268e-09},
    {26202.44528, 12.1453442, 0.00185772495, -1.18814285e-08, -5.516303344e-11, 0, -140.1408706, 0, 0,
     -0.05558233398, 5.318862384e-05, -6.014083506e-08, 0.1169410073, -8.291939973e-05, 0, -0.02118452511,
     1.475853997e-05, -3.312558086e-09},
    {33109.66049, 8.327802112, 0.002790538656, -4.001190025e-07, 0, 0, -133.031818, 0, 0, 0.08677522238,
     9.991746805e-05, 0, -0.05720591915, -0.0002699659199, 0, -0.007238333804, 1.899434882e-05, 0},
};
const int kOHXv[] = {0, 1, 5, 9, 13};
const Constants kOHA[] = {
    {32420.91439, 16.96513549, 0.002064162868, 1.270099119e-07, -2.009039539e-11, 0, 0, 0, 0, 0.2261009997,
     -4.759664173e-05, 4.332351105e-09},
    {35409.51300, 16.12952079, 0.002047544855, 1.123945851e-07, -2.603822422e-11, 0, 0, 0, 0, 0.2169345384,
     -4.46435583e-05, 0},
    {38202.57850, 15.28676445, 0.002055667621, 1.488567522e-07, 0, 0, 0, 0, 0, 0.2129634891, -0.0001794185647, 0},
    {40796.10794, 14.42230377, 0.002064635969, 0, 0, 0, 0, 0, 0, 0.1959552808, 0, 0},
};

// The published constants as the data files hold them for Π convention 0: L enters negated.
Constants PiConvention0(Constants c) {
    c[4] = -c[4];
    return c;
}

const Constants& OHX(int v) {
    for (int i = 0; i < 5; ++i)
        if (kOHXv[i] == v) return kOHX[i];
    return kOHX[0];
}

TEST(PiTerms, OHGroundStateReproducesThePublishedTermValues) {
    // (v, J, parity block (1 = e, 2 = f), F, term value in cm-1). Rows: F1 at N = J − 1/2, F2 at
    // N = J + 1/2 (A/B = −7.5: case (b) labelling).
    struct Check {
        int v;
        double J;
        int p, F;
        double E;
    };
    const Check checks[] = {
        {0, 1.5, 1, 1, -19.66452},    {0, 1.5, 2, 1, -19.60892},      {0, 0.5, 1, 2, 106.62778},
        {0, 0.5, 2, 2, 106.78568},    {0, 1.5, 1, 2, 167.82828},      {0, 10.5, 1, 1, 1995.38378},
        {1, 1.5, 1, 1, 3548.80678},   {5, 7.5, 2, 2, 17311.30128},    {9, 17.5, 1, 2, 30155.90258},
        {13, 11.5, 2, 2, 34364.34146},
    };
    for (const Check& c : checks) {
        const TermTable t = Terms(PiConvention0(OHX(c.v)), 1, 0, "OH");
        const int row = c.F == 1 ? int(c.J - 0.5) : int(c.J + 0.5);
        EXPECT_NEAR(t(row, c.F, c.p), c.E, FloatTolerance(c.E, OHX(c.v)[0])) << "v=" << c.v << " J=" << c.J;
    }
}

TEST(SigmaTerms, OHExcitedStateReproducesThePublishedTermValuesWithConvention1) {
    struct Check {
        int v, N, F;
        double E;
    };
    const Check checks[] = {{0, 0, 1, 32420.91440}, {0, 1, 2, 32454.61041}, {1, 10, 1, 37160.19090},
                            {3, 5, 2, 41226.33102}, {0, 18, 2, 37984.36561}};
    for (const Check& c : checks) {
        const TermTable t = Terms(kOHA[c.v], 0, 1, "OH");
        EXPECT_NEAR(t(c.N, c.F, 1), c.E, FloatTolerance(c.E, kOHA[c.v][0])) << "v=" << c.v << " N=" << c.N;
        EXPECT_EQ(t(c.N, c.F, 2), t(c.N, c.F, 1)) << "both parity blocks carry a Σ level";
    }
}

// Every level of Π convention 0 against the N² Hamiltonian built from operators and diagonalised.
void ExpectMatchesN2Hamiltonian(const Constants& published, int convention) {
    Constants c = PiConvention0(published);
    const TermTable t = Terms(c, 1, convention, "OH");
    const PiConstants ref = FromColumns(published);
    for (int N = 1; N <= kRows + 2; ++N) {
        const double J = N + 0.5;
        for (int p = 1; p <= 2; ++p) {
            const auto levels = PiN2Levels(ref, J, p == 1 ? -1 : 1);
            EXPECT_NEAR(t(N, 1, p), levels[0], FloatTolerance(levels[0], 0)) << "F1 J=" << J << " p=" << p;
            EXPECT_NEAR(t(N + 1, 2, p), levels[1], FloatTolerance(levels[1], 0)) << "F2 J=" << J << " p=" << p;
        }
    }
    for (int p = 1; p <= 2; ++p) {
        const double level = PiN2LowestLevel(ref, p == 1 ? -1 : 1);
        EXPECT_NEAR(t(1, 2, p), level, FloatTolerance(level, 0));
    }
}

TEST(PiTerms, Conventions0And2AreTheN2HamiltonianWithLNegated) {
    for (const Constants& c : kOHX) {
        ExpectMatchesN2Hamiltonian(c, 0);
        ExpectMatchesN2Hamiltonian(c, 2);
    }
    // A spin-orbit centrifugal term, (A_D/2){N², LzSz}.
    Constants c = kOHX[0];
    c[7] = 0.05;
    ExpectMatchesN2Hamiltonian(c, 0);
}

TEST(PiTerms, QDLambdaDoublingTermIsHalfTheAnticommutator) {
    // Only B, A and q_D: the e/f splitting comes from (q_D/2){N², Q} alone. With the whole
    // anticommutator in H22 the OH X splitting at J = 20.5 would be 0.25 cm-1 too large.
    Constants c{};
    c[1] = 18.535;
    c[6] = -139.05;
    c[16] = 1.47e-5;
    const TermTable t = Terms(c, 1, 0);
    PiConstants ref = FromColumns(c);
    for (int N : {1, 5, 20, 30}) {
        const double J = N + 0.5;
        const auto e = PiN2Levels(ref, J, -1), f = PiN2Levels(ref, J, 1);
        EXPECT_NEAR(t(N, 1, 2) - t(N, 1, 1), f[0] - e[0], 2e-3) << "J=" << J;
        EXPECT_NEAR(t(N + 1, 2, 2) - t(N + 1, 2, 1), f[1] - e[1], 2e-3) << "J=" << J;
    }
}

// Hill–Van Vleck closed form of a 2Π state with A and B only:
// F = B [ (J + 1/2)² − 1 ∓ ½ sqrt(4 (J + 1/2)² + Y (Y − 4)) ], Y = A/B, plus T.
double HillVanVleck(double T, double A, double B, double J, int sign) {
    const double x = J + 0.5, Y = A / B;
    return T + B * (x * x - 1 + sign * 0.5 * std::sqrt(4 * x * x + Y * (Y - 4)));
}

TEST(PiTerms, HillVanVleckInCaseAAndCaseBLimitsWithBothLabellings) {
    const double B = 1.7;
    for (double Y : {-60.0, -7.5, -1.0, 0.05, 1.0, 3.0, 3.9, 5.0, 72.0}) {
        for (int convention : {0, 1}) {
            Constants c{};
            c[0] = 1000;
            c[1] = B;
            c[6] = Y * B;
            const TermTable t = Terms(c, 1, convention);
            // The N² form (convention 0) lies B above the R² form of the closed expression.
            const double shift = convention == 0 ? B : 0.0;
            const bool caseA = Y > 4;
            for (int p = 1; p <= 2; ++p) {
                for (int N = 1; N <= kRows; ++N) {
                    const double J = N + 0.5;
                    const double lower = HillVanVleck(1000, Y * B, B, J, -1) + shift;
                    const double upper = HillVanVleck(1000, Y * B, B, J, +1) + shift;
                    // Case (b) labelling: F1 at row J − 1/2, F2 at J + 1/2; case (a): F1 at J + 1/2,
                    // F2 at J − 1/2 (re-indexed later by the band loader).
                    EXPECT_NEAR(t(caseA ? N + 1 : N, 1, p), lower, 1e-3) << "Y=" << Y << " J=" << J;
                    EXPECT_NEAR(t(caseA ? N : N + 1, 2, p), upper, 1e-3) << "Y=" << Y << " J=" << J;
                }
                // J = 1/2 is the Ω = 1/2 level alone: B (J + 1/2)² − A/2 − ... = T + 2B − A/2 in the N²
                // form, T + B − A/2 in the R² form.
                const double half = 1000 + (convention == 0 ? 2 * B : B) - Y * B / 2;
                EXPECT_NEAR(t(caseA ? 1 : 1, caseA ? 1 : 2, p), half, 1e-3) << "Y=" << Y;
            }
            // Limits. Case (a), inverted: F1 is the Ω = 3/2 ladder, T + A/2 − B + B_eff [(J + 1/2)² − 1]
            // with B_eff = B (1 − B/(2B − A)), to third order in B/A. Case (b) (Y → 0): both
            // components follow T + B [N(N + 1) − 1] in the R² form.
            if (Y == -60.0) {
                const double x = 6.0;  // row 5, J = 5.5
                EXPECT_NEAR(t(5, 1, 1), 1000 + shift + Y * B / 2 - B + B * (x * x - 1) * (1 - 1 / (2 - Y)), 0.02);
            }
            if (Y == 0.05) {
                EXPECT_NEAR(t(10, 1, 1) - 1000 - shift + B, B * 10 * 11, 0.01);
                EXPECT_NEAR(t(10, 2, 1) - 1000 - shift + B, B * 10 * 11, 0.01);
            }
        }
    }
}

TEST(PiTerms, LowestLevelIsTheOmegaHalfRowWhateverTheRatio) {
    // 2 < A/B ≤ 4 (CH X v ≥ 1): the larger diagonal element at J = 1/2 is H11, which is no level.
    for (double Y : {-7.5, 1.0, 2.5, 3.5, 4.0, 6.0}) {
        Constants c{};
        c[1] = 14.0;
        c[2] = 1.4e-3;
        c[6] = Y * 14.0;
        c[9] = 0.03;
        c[12] = 0.03;
        c[15] = 0.04;
        const TermTable t = Terms(c, 1, 0);
        const PiConstants ref = FromColumns(c);
        for (int p = 1; p <= 2; ++p) {
            const double level = PiN2LowestLevel(ref, p == 1 ? -1 : 1);
            if (Y <= 4)
                EXPECT_NEAR(t(1, 2, p), level, 1e-4) << "Y=" << Y;
            else
                EXPECT_NEAR(t(1, 1, p), level, 1e-4) << "Y=" << Y;
        }
    }
    // NO and CF take the case (a) labelling at any ratio.
    Constants c{};
    c[1] = 1.7;
    c[6] = 3 * 1.7;
    const TermTable t = Terms(c, 1, 0, "NO");
    EXPECT_NEAR(t(1, 1, 1), 2 * 1.7 - 3 * 1.7 / 2, 1e-4);
    EXPECT_NEAR(t(0, 2, 1), 0.0, 0.0);
}

TEST(PiTerms, JHalfSplittingIsPPlusTwoQInEveryConvention) {
    const double p = 0.2354, q = -0.0387;
    for (int convention : {0, 1, 2, 3}) {
        Constants c{};
        c[1] = 18.5;
        c[6] = -139.0;
        c[12] = p;
        c[15] = q;
        const TermTable t = Terms(c, 1, convention);
        // f (block 2) lies (p + 2q)(J + 1/2) above e (block 1) at J = 1/2.
        EXPECT_NEAR(t(1, 2, 2) - t(1, 2, 1), p + 2 * q, 1e-5) << "convention " << convention;
    }
}

// Convention 1 with R² = N² − 1 is an exact rewriting of convention 0: B R² − D R⁴ + H R⁶ + L R⁸
// equals (N² form, which subtracts L N⁸) T' + B' N² − D' N⁴ + H' N⁶ − L' N⁸ with
//   T' = T − B − D − H + L, B' = B + 2D + 3H − 4L, D' = D + 3H − 6L, H' = H − 4L, L' = −L,
// and γ (R·S form) equals γ N·S with A' = A − γ.
TEST(PiTerms, Convention1PowersOfRSquaredAgreeWithConvention0) {
    const double T = 500, B = 18.5, D = 1.9e-3, H = 1.4e-7, L = -1.4e-11, A = -139.0, g = -0.12;
    Constants c1{};
    c1[0] = T; c1[1] = B; c1[2] = D; c1[3] = H; c1[4] = L; c1[6] = A; c1[9] = g;
    Constants c0{};
    c0[0] = T - B - D - H + L;
    c0[1] = B + 2 * D + 3 * H - 4 * L;
    c0[2] = D + 3 * H - 6 * L;
    c0[3] = H - 4 * L;
    c0[4] = -L;  // +L N⁸, and convention 0 subtracts its column
    c0[6] = A - g;
    c0[9] = g;
    for (int convention : {1, 3}) {
        const TermTable t1 = Terms(c1, 1, convention);
        const TermTable t0 = Terms(c0, 1, 0);
        for (int N = 0; N <= kRows + 3; ++N)
            for (int F = 1; F <= 2; ++F)
                EXPECT_NEAR(t1(N, F, 1), t0(N, F, 1), 2e-3 + 2e-7 * std::fabs(t0(N, F, 1)))
                    << "convention " << convention << " N=" << N << " F=" << F;
    }
}

TEST(PiTerms, Convention1LambdaDoublingMatchesItsOperatorForm) {
    // Convention 1 takes p and q as P(J), Q(J) expansions in J(J + 1) with the operators
    // P(J) (P − N·S/2) + Q(J) (Q + N²/2) in the R² form T + A LzSz + B (N² − 1) + h |Ω = 1/2><Ω = 1/2|,
    // h = pA/(8B). In the N² Hamiltonian that is B' = B + Q/2, γ' = −P/2, A' = A − h, T' = T − B + h/2.
    const double B = 14.46, A = 28.0, p = 0.03, q = 0.039, pD = -1e-5, qD = -1.5e-5;
    Constants c{};
    c[1] = B; c[6] = A; c[12] = p; c[13] = pD; c[15] = q; c[16] = qD;
    const TermTable t = Terms(c, 1, 1);
    const double h = p * A / (8 * B);
    for (int N = 1; N <= kRows; ++N) {
        const double J = N + 0.5, jj = J * (J + 1);
        const double P = p + pD * jj, Q = q + qD * jj;
        PiConstants ref;
        ref.T = -B + h / 2;
        ref.B = B + Q / 2;
        ref.A = A - h;
        ref.gamma = -P / 2;
        ref.p = P;
        ref.q = Q;
        for (int block = 1; block <= 2; ++block) {
            const auto levels = PiN2Levels(ref, J, block == 1 ? -1 : 1);
            EXPECT_NEAR(t(N, 1, block), levels[0], FloatTolerance(levels[0], 0)) << "J=" << J << " block " << block;
            EXPECT_NEAR(t(N + 1, 2, block), levels[1], FloatTolerance(levels[1], 0)) << "J=" << J << " block " << block;
        }
    }
}

TEST(SigmaTerms, Convention0SortsTheLevelsOfEqualJ) {
    // Without γ_D, γ_H and L both conventions describe the same levels; convention 0 stores the
    // lower level of each J as F1 even when γ < 0 puts F2 below F1.
    for (double g : {0.2, -0.2, -5.0}) {
        Constants c{};
        c[0] = 100;
        c[1] = 2.0;
        c[2] = 6e-6;
        c[9] = g;
        const TermTable t0 = Terms(c, 0, 0), t1 = Terms(c, 0, 1);
        for (int N = 0; N <= kRows; ++N) {
            const double f1 = t1(N, 1, 1), f2 = t1(N + 1, 2, 1);  // the two levels of J = N + 1/2
            EXPECT_NEAR(t0(N, 1, 1), std::min(f1, f2), 1e-3);
            EXPECT_NEAR(t0(N + 1, 2, 1), std::max(f1, f2), 1e-3);
            EXPECT_EQ(t0(N, 1, 2), t0(N, 1, 1));
        }
    }
}

TEST(DeltaTerms, HillVanVleckOfA2DeltaState) {
    // 2Δ with A and B only: the Λ = 2 case (a) Hamiltonian diagonalised (R² form) lies 4B below
    // the N² form of the term formula.
    for (double Y : {-3.0, 1.0, 3.0, 19.0}) {
        const double B = 14.6;
        Constants c{};
        c[1] = B;
        c[6] = Y * B;
        const TermTable t = Terms(c, 2, 0);
        const DoubletState delta{2, Y * B, B};
        for (int N = 2; N <= kRows; ++N) {
            const auto levels = testing::LevelsAt(delta, 2 * N + 1);  // J = N + 1/2
            double lo = 1e300, hi = -1e300;
            for (const auto& l : levels) {
                lo = std::min(lo, l.energy);
                hi = std::max(hi, l.energy);
            }
            EXPECT_NEAR(t(N, 1, 1), lo + 4 * B, 2e-3) << "Y=" << Y << " N=" << N;
            EXPECT_NEAR(t(N + 1, 2, 2), hi + 4 * B, 2e-3) << "Y=" << Y << " N=" << N;
        }
        // J = 3/2: only the Ω = 3/2 level, T − A + B (w + 2) with w = 4.
        EXPECT_NEAR(t(2, 2, 1), -Y * B + 6 * B, 1e-3) << "Y=" << Y;
        EXPECT_EQ(t(0, 1, 1), 0.0f) << "nothing is stored for N = 0";
    }
}

TEST(Terms, UnknownLambdaOrConventionLeavesZeros) {
    Constants c{};
    c[0] = 10;
    c[1] = 1;
    for (const TermTable& t : {Terms(c, 3, 0), Terms(c, 0, 2), Terms(c, 1, 4)})
        for (int N = 0; N <= kRows + 3; ++N) EXPECT_EQ(t(N, 1, 1), 0.0f);
}

}  // namespace
}  // namespace velmora::database
