// Term values and labels of the effective Hamiltonian against independent values: the check
// values of the curated triplet folders, Schlapp's closed forms of 3Σ levels, the exact energies
// of pure Hund's case (b) states of every spin, and the 3Π and 3Σ matrices as the folder READMEs
// write them out, built and diagonalised here.
#include "database/effective_hamiltonian.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "curated_tables.h"

namespace velmora::database {
namespace {

constexpr Parity e = Parity::e, f = Parity::f;

ElectronicState State(int lambda, int twoS, bool sigmaMinus = false) {
    ElectronicState st;
    st.lambda = lambda, st.twoS = twoS, st.sigmaMinus = sigmaMinus;
    return st;
}

// The energies of one (J, parity) block, lowest first.
std::vector<double> BlockEnergies(const ElectronicState& st, const StateConstants& c, int twoJ, Parity p) {
    std::vector<double> out;
    const JLevels j = LevelsOfJ(st, c, twoJ);
    for (int i = 0; i < j.count; ++i)
        if (j.level[i].parity == p) out.push_back(j.level[i].energy);
    return out;
}

TEST(EffectiveHamiltonian, ReproducesTheCheckValuesOfTheTripletFolders) {
    // The tables "Implementation check values" of the folder READMEs: each listed level's energy
    // (to 1e-4 cm-1, as the folders ask) and N, and its dominant case (a) function ("Ω=1 (0.97)",
    // "Σ=±1 (0.67)": 2Ω, which is 2Σ for a Σ state) with its weight where given.
    struct Source {
        const char* folder;
        std::string state;
        int lambda;
        bool minus;
    };
    int checked = 0;
    for (const Source& s :
         {Source{"N2_CB", "C", 1, false}, Source{"N2_CB", "B", 1, false}, Source{"N2_BA", "A", 0, false},
          Source{"N2_BA", "B", 1, false}, Source{"C2_DA", "d", 1, false}, Source{"C2_DA", "a", 1, false},
          Source{"NH_AX", "A", 1, false}, Source{"NH_AX", "X", 0, true}})
        for (const auto& row : testing::CheckValueRows(s.folder)) {
            if (row[0] != s.state) continue;
            const int v = std::stoi(row[1]), twoJ = 2 * std::stoi(row[2]), F = std::stoi(row[4].substr(1));
            const StateLevels levels(State(s.lambda, 2, s.minus),
                                     testing::CuratedLevel(s.folder, "levels_" + s.state + ".csv", v), twoJ);
            const RotationalLevel* level = levels.Find(twoJ, F, row[3] == "e" ? e : f);
            const std::string where =
                std::string(s.folder) + " " + s.state + " v " + row[1] + " J " + row[2] + " " + row[4];
            ASSERT_NE(level, nullptr) << where;
            EXPECT_NEAR(level->energy, std::stod(row.back()), 1e-4) << where;
            EXPECT_EQ(level->N, std::stoi(row[5])) << where;
            ++checked;
            if (row.size() < 8) continue;
            const std::string& dominant = row[6];
            const int d = DominantComponent(*level);
            EXPECT_EQ(level->basis[d].twoOmega, 2 * (dominant[dominant.find_first_of("0123456789")] - '0')) << where;
            EXPECT_NEAR(level->vector[d] * level->vector[d], std::stod(dominant.substr(dominant.find('(') + 1)), 0.0051)
                << where;
        }
    EXPECT_EQ(checked, 65);
}

TEST(EffectiveHamiltonian, Triplet3SigmaLevelsFollowSchlappsFormulas) {
    // H = B N² + λ (2/3)(3Sz² − S²): Schlapp's F1, F2, F3 (his zero lies 2λ/3 below the trace-free
    // spin–spin term's); for a large negative λ the F1 levels lie above F2. At N = 1 of F3 (J = 0,
    // the Σ = 0 function alone) the root is B − λ itself, not its modulus. Σ⁺ and Σ⁻ alike.
    for (const auto& [B, lambda] : {std::pair{1.43768, 1.98475}, std::pair{0.5, -3.0}})
        for (const bool minus : {false, true}) {
            StateConstants c;
            c.B = B, c.spinSpin = lambda;
            const StateLevels levels(State(0, 2, minus), c, 60);
            for (const RotationalLevel& l : levels.Levels()) {
                const double n = l.N, rot = B * n * (n + 1), shift = 2 * lambda / 3;
                auto root = [&](double k) { return std::sqrt(k * k * B * B + lambda * lambda - 2 * lambda * B); };
                const double expected =
                    l.F == 2   ? rot + shift
                    : l.F == 1 ? rot + (2 * n + 3) * B - lambda - root(2 * n + 3) + shift
                               : rot - (2 * n - 1) * B - lambda + (n == 1 ? B - lambda : root(2 * n - 1)) + shift;
                EXPECT_NEAR(l.energy, expected, 1e-9) << "J " << l.twoJ / 2 << " F" << l.F;
                // Σ⁺: F2 is e, F1 and F3 f; the reverse in Σ⁻.
                EXPECT_EQ(l.parity == Parity::e, (l.F == 2) != minus);
            }
        }
}

TEST(EffectiveHamiltonian, PureCaseBStatesOfEverySpinHaveTheirClosedForms) {
    // Without spin–orbit, spin–spin and Λ-doubling, N is a good quantum number and
    // E = B x − D x² + H x³ + (γ + γ_D x) N·S, x = N(N + 1), N·S = [J(J + 1) − x − S(S + 1)]/2; every
    // allowed (N, J, e/f) appears once: N ≥ Λ, |J − S| ≤ N ≤ J + S, a Σ level of parity (−1)^(N + s).
    StateConstants c;
    c.T = 1000, c.B = 1.7, c.D = 6e-6, c.H = 3e-11, c.gamma = 0.03, c.gamma_D = -2e-5;
    for (int lambda = 0; lambda <= 2; ++lambda)
        for (int twoS = 0; twoS <= 3; ++twoS) {
            const ElectronicState st = State(lambda, twoS, lambda == 0 && twoS == 2);
            const int twoJMax = 41 - twoS % 2 + 1;
            const StateLevels levels(st, c, twoJMax);
            int count = 0;
            for (const RotationalLevel& l : levels.Levels()) {
                const double J = l.twoJ / 2.0, S = twoS / 2.0, x = double(l.N) * (l.N + 1);
                const double ns = (J * (J + 1) - x - S * (S + 1)) / 2;
                const double expected = c.T + c.B * x - c.D * x * x + c.H * x * x * x + (c.gamma + c.gamma_D * x) * ns;
                EXPECT_NEAR(l.energy, expected, 1e-8) << lambda << " " << twoS << " J " << J << " F" << l.F;
                EXPECT_EQ(l.F, l.N - (l.twoJ - twoS) / 2 + 1);
                if (lambda == 0) {
                    EXPECT_EQ(TotalParity(l.twoJ, l.parity), (l.N + (st.sigmaMinus ? 1 : 0)) % 2 ? -1 : 1);
                }
                ++count;
            }
            // Levels counted over J: per (N, J) one level of a Σ state, two (e, f) otherwise.
            int expected = 0;
            for (int twoJ = twoS % 2; twoJ <= twoJMax; twoJ += 2)
                for (int twoN = std::abs(twoJ - twoS); twoN <= twoJ + twoS; twoN += 2)
                    if (twoN / 2 >= lambda) expected += lambda == 0 ? 1 : 2;
            EXPECT_EQ(count, expected) << lambda << " " << twoS;
        }
}

// The 3Π and 3Σ matrices of the triplet READMEs at J in the basis (Ω = 2, 1, 0) of a Π state
// (ε = +1 e, −1 f; rows Ω > J dropped) or (Σ = ±1, Σ = 0) of the block with the Σ = 0 function.
Eigen::MatrixXd ReadmeMatrix(const StateConstants& c, bool pi, int J, double eps) {
    using M = Eigen::MatrixXd;
    const double x = J * (J + 1.0);
    M N2, LS, SS, O, P, Q;
    if (pi) {
        const double a = std::sqrt(std::max(2 * (x - 2), 0.0)), b = std::sqrt(2 * x),
                     r = std::sqrt(std::max(x * (x - 2), 0.0));
        N2 = M{{x - 2, -a, 0}, {-a, x + 2, -b}, {0, -b, x + 2}};
        LS = M{{1, 0, 0}, {0, 0, 0}, {0, 0, -1}};
        SS = M{{2.0 / 3, 0, 0}, {0, -4.0 / 3, 0}, {0, 0, 2.0 / 3}};
        O = eps * M{{0, 0, 0}, {0, 0, 0}, {0, 0, -1}};
        P = eps * M{{0, 0, 0}, {0, 0, std::sqrt(x / 2)}, {0, std::sqrt(x / 2), -1}};
        Q = eps * M{{0, 0, -r / 2}, {0, -x / 2, b}, {-r / 2, b, -1}};
    } else {
        N2 = M{{x, -2 * std::sqrt(x)}, {-2 * std::sqrt(x), x + 2}};
        LS = M::Zero(2, 2), O = P = Q = LS;
        SS = M{{2.0 / 3, 0}, {0, -4.0 / 3}};
    }
    const int first = pi ? std::max(0, 2 - J) : (J == 0 ? 1 : 0);
    const int n = static_cast<int>(N2.rows()) - first;
    auto cut = [&](const M& m) -> M { return m.block(first, first, n, n); };
    N2 = cut(N2), LS = cut(LS), SS = cut(SS), O = cut(O), P = cut(P), Q = cut(Q);
    const M I = M::Identity(n, n), NS = ((x - 2) * I - N2) / 2, N4 = N2 * N2;
    auto anti = [](const M& u, const M& v) -> M { return u * v + v * u; };
    return c.T * I + c.B * N2 - c.D * N4 + c.H * N4 * N2 + c.L * N4 * N4 + c.A * LS + c.A_D / 2 * anti(N2, LS) +
           c.A_H / 2 * anti(N4, LS) + c.spinSpin * SS + c.spinSpin_D / 2 * anti(N2, SS) + c.gamma * NS +
           c.gamma_D / 2 * anti(N2, NS) + c.gamma_H / 2 * anti(N4, NS) + c.o * O + c.o_D / 2 * anti(N2, O) + c.p * P +
           c.p_D / 2 * anti(N2, P) + c.p_H / 2 * anti(N4, P) + c.q * Q + c.q_D / 2 * anti(N2, Q) +
           c.q_H / 2 * anti(N4, Q);
}

TEST(EffectiveHamiltonian, TripletBlocksAreTheMatricesTheFoldersWriteOut) {
    // Every constant of the folders' Hamiltonian at once, for a regular and an inverted 3Π and
    // for 3Σ⁺ and 3Σ⁻ (whose 1×1 block is T + Bx − Dx² + Hx³ + (2/3)(λ + λ_D x) − (γ + γ_D x + γ_H x²)).
    StateConstants c;
    c.T = 20000, c.B = 1.7, c.D = 6.5e-6, c.H = 2e-11, c.L = -3e-16, c.A_D = 3e-4, c.A_H = -2e-8;
    c.spinSpin = 0.23, c.spinSpin_D = 1e-5, c.gamma = -0.02, c.gamma_D = 3e-6, c.gamma_H = -1e-10;
    c.o = 0.6, c.o_D = 2e-5, c.p = 0.005, c.p_D = -1e-6, c.p_H = 1e-11, c.q = -1.5e-4, c.q_D = 2e-8, c.q_H = -1e-13;
    for (const double A : {39.1, -14.0})
        for (int J = 0; J <= 40; ++J)
            for (const Parity p : {e, f}) {
                c.A = A;
                const Eigen::VectorXd expected =
                    ReadmeMatrix(c, true, J, p == e ? 1 : -1).selfadjointView<Eigen::Lower>().eigenvalues();
                const std::vector<double> got = BlockEnergies(State(1, 2), c, 2 * J, p);
                ASSERT_EQ(got.size(), static_cast<std::size_t>(expected.size())) << J;
                for (std::size_t i = 0; i < got.size(); ++i)
                    EXPECT_NEAR(got[i], expected(i), 1e-7) << "A " << A << " J " << J;
            }
    c.A = 0;
    for (const bool minus : {false, true})
        for (int J = 0; J <= 40; ++J) {
            const Parity twoByTwo = minus ? e : f;
            const Eigen::VectorXd expected = ReadmeMatrix(c, false, J, 0).selfadjointView<Eigen::Lower>().eigenvalues();
            const std::vector<double> got = BlockEnergies(State(0, 2, minus), c, 2 * J, twoByTwo);
            ASSERT_EQ(got.size(), static_cast<std::size_t>(expected.size())) << J;
            for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected(i), 1e-7) << J;
            const double x = J * (J + 1.0);
            const std::vector<double> single = BlockEnergies(State(0, 2, minus), c, 2 * J, twoByTwo == e ? f : e);
            if (J == 0) {
                EXPECT_TRUE(single.empty());
                continue;
            }
            ASSERT_EQ(single.size(), 1u);
            EXPECT_NEAR(single[0],
                        c.T + c.B * x - c.D * x * x + c.H * x * x * x + c.L * std::pow(x, 4) +
                            2.0 / 3 * (c.spinSpin + c.spinSpin_D * x) - (c.gamma + c.gamma_D * x + c.gamma_H * x * x),
                        1e-7);
        }
}

}  // namespace
}  // namespace velmora::database
