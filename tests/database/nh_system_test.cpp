// NH A 3Πi – X 3Σ⁻ from the engine with the constants of the NH folder (approximate: no fine
// structure, no band strengths): the X levels against the closed-form case (b) energies with
// spin–spin and spin–rotation terms put in here, the Q-branch edges and origins of the folder's
// band table, the ΔN-letter branch names against ΔJ = ΔN + F'' − F', the sum rules of a 3Π–3Σ⁻
// band with and without fine structure, and no lifetime where the folder gives no band strength.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "curated_tables.h"
#include "database/multiplet_band.h"
#include "database/multiplet_system.h"

namespace velmora::database {
namespace {

// 14N1H: heteronuclear (no alternation), A 3Π and X 3Σ⁻.
SystemDescription NH() {
    SystemDescription s;
    s.upper.lambda = 1, s.lower.lambda = 0;
    s.upper.twoS = s.lower.twoS = 2;
    s.lower.sigmaMinus = true;
    return s;
}

double AirNm(double nu) {  // Ciddor's standard air
    const double s2 = std::pow(nu / 1e4, 2);
    return 1e7 / nu / (1 + 0.05792105 / (238.0185 - s2) + 0.00167917 / (57.362 - s2));
}

TEST(NHSystem, GroundStateLevelsFollowTheCaseBClosedForm) {
    // In the case (b) basis |N S J> of a 3Σ state, N² and N·S are diagonal, and the spin–spin term
    // 2λ(Sz² − 2/3) has <Sz²> = 1 − w0, w0 the Ω = 0 weight of the level: J/(2J + 1) for
    // N = J − 1, (J + 1)/(2J + 1) for N = J + 1, 0 for N = J; it joins N = J ± 1 by
    // 2λ √(J(J + 1))/(2J + 1). F1 (N = J − 1) is the lower root, F3 the upper, F2 = N alone.
    StateConstants c = testing::CuratedLevel("NH_AX", "levels_X.csv", 0);
    c.spinSpin = 0.92, c.gamma = -0.055;  // values of the size NH X has
    const StateLevels levels(EngineStateOf(NH().lower), c, 2 * 30);
    auto diagonal = [&](int J, int N) {
        const double x = N * (N + 1.0), spin = 0.5 * (J * (J + 1.0) - x - 2);
        const double w0 = N == J ? 0.0 : N == J - 1 ? J / (2.0 * J + 1) : (J + 1.0) / (2.0 * J + 1);
        return c.T + c.B * x - c.D * x * x + c.gamma * spin + 2 * c.spinSpin * (1 - w0 - 2.0 / 3);
    };
    int checked = 0;
    for (const RotationalLevel& l : levels.Levels()) {
        const int J = l.twoJ / 2;
        double expected = diagonal(J, J);
        if (l.F != 2) {
            const double a = diagonal(J, J - 1), d = diagonal(J, J + 1);
            const double joint = 2 * c.spinSpin * std::sqrt(J * (J + 1.0)) / (2 * J + 1);
            const double root = std::sqrt(0.25 * (a - d) * (a - d) + joint * joint);
            expected = J == 0 ? d : 0.5 * (a + d) + (l.F == 1 ? -root : root);
        }
        EXPECT_NEAR(l.energy, expected, 1e-8) << "J " << J << " F" << l.F;
        EXPECT_EQ(l.N, J - 2 + l.F) << "J " << J << " F" << l.F;
        // 3Σ⁻: F1 and F3 are e levels, F2 f levels.
        EXPECT_EQ(l.parity, l.F == 2 ? Parity::f : Parity::e) << "J " << J << " F" << l.F;
        ++checked;
    }
    EXPECT_EQ(checked, 1 + 3 * 30);
}

TEST(NHSystem, BandsOfTheFolderTableAndTheirBranchNames) {
    // Without fine structure the three Q branches (ΔN = 0) coincide: the Q1 and Q2 lines of
    // N'' = 1 are the table's Q-branch edge (Q3 starts at N'' = 2), running to the red (B' < B'') in the Δv = 0, +1
    // bands, to the violet in (0,1) and (1,2). The origin is T' − T''. Every line's name is its ΔN letter and F
    // indices, with ΔJ = ΔN + F'' − F'.
    struct Band {
        int vUp, vLow;
        double origin, edge, edgeNm;  // cm-1, cm-1, nm air; edge 0: none
    };
    const Band table[] = {{0, 0, 29776.80, 29776.66, 335.737},
                          {1, 1, 29685.23, 29684.89, 336.775},
                          {2, 2, 29553.16, 29552.63, 338.282},
                          {1, 0, 32810.80, 32809.17, 304.704},
                          {2, 1, 32522.03, 32520.20, 307.412},
                          {0, 1, 26651.23, 0, 0},
                          {1, 2, 26716.36, 0, 0}};
    const SystemDescription nh = NH();
    const char letters[] = "NOPQRST";
    for (const Band& b : table) {
        const StateConstants up = testing::CuratedLevel("NH_AX", "levels_A.csv", b.vUp),
                             low = testing::CuratedLevel("NH_AX", "levels_X.csv", b.vLow);
        const std::string where = "(" + std::to_string(b.vUp) + "," + std::to_string(b.vLow) + ")";
        EXPECT_NEAR(up.T - low.T, b.origin, 0.01) << where;
        const MultipletBand band = BuildMultipletBand(nh, up, low, 1.0, 2 * 26);
        std::map<std::tuple<int, int>, double> q;  // (F, N''): ν of the main Q lines
        for (const MultipletLine& line : band.lines) {
            const std::string name = BranchNameOf(nh, line);
            const int deltaN = line.upper.N - line.lower.N, deltaJ = (line.upper.twoJ - line.lower.twoJ) / 2;
            ASSERT_EQ(name[0], letters[deltaN + 3]) << where << " " << name;
            EXPECT_EQ(name.substr(1), line.upper.F == line.lower.F
                                          ? std::to_string(line.upper.F)
                                          : std::to_string(line.upper.F) + std::to_string(line.lower.F))
                << where;
            EXPECT_EQ(deltaJ, deltaN + line.lower.F - line.upper.F) << where << " " << name;
            if (deltaN == 0 && line.upper.F == line.lower.F) q[{line.upper.F, line.lower.N}] = line.nu;
        }
        for (int F = 1; F <= 3; ++F) {
            const int first = F == 3 ? 2 : 1;  // Q3 of N'' = 1 would be J 0 – 0
            ASSERT_EQ(q.count({F, first}), 1u) << where << " Q" << F;
            if (b.edge > 0 && first == 1) {
                EXPECT_NEAR(q.at({F, 1}), b.edge, 0.05) << where << " Q" << F;
                EXPECT_NEAR(AirNm(q.at({F, 1})), b.edgeNm, 0.02) << where << " Q" << F;
            }
            for (int N = first + 1; q.count({F, N}); ++N)
                EXPECT_EQ(q.at({F, N}) < q.at({F, N - 1}), b.edge > 0) << where << " Q" << F << " N'' " << N;
        }
        for (int F = 1; F <= 3; ++F)
            for (int N = F == 3 ? 2 : 1; N <= 25; ++N)
                EXPECT_EQ(q.count({F, N}), 1u) << where << " Q" << F << " N'' " << N;
    }
}

TEST(NHSystem, SumRulesOfA3PiTo3SigmaMinusBand) {
    // The lines out of every upper level hold 2J' + 1 and those into every lower level
    // 2 (2J'' + 1) (g' = 2 for Π, 1 for Σ): with the folder's constants (pure case (b)) and with
    // fine structure of the size NH has (A 3Πi inverted, X with λ and γ).
    const SystemDescription nh = NH();
    for (const bool fine : {false, true}) {
        StateConstants up = testing::CuratedLevel("NH_AX", "levels_A.csv", 0),
                       low = testing::CuratedLevel("NH_AX", "levels_X.csv", 0);
        if (fine) up.A = -34.6, up.spinSpin = -0.2, up.o = 0.1, up.p = 0.05, low.spinSpin = 0.92, low.gamma = -0.055;
        const int twoJMax = 2 * 20;
        const MultipletBand band = BuildMultipletBand(nh, up, low, 1.0, twoJMax, 0.0);
        std::map<std::tuple<int, int, int>, double> outOf, into;
        for (const MultipletLine& l : band.lines) {
            outOf[{l.upper.twoJ, l.upper.F, int(l.upper.parity)}] += l.honlLondon;
            into[{l.lower.twoJ, l.lower.F, int(l.lower.parity)}] += l.honlLondon;
        }
        for (const auto& [level, s] : outOf)
            EXPECT_NEAR(s, std::get<0>(level) + 1.0, 1e-9 * (std::get<0>(level) + 1))
                << (fine ? "fine " : "") << "J' " << std::get<0>(level) / 2 << " F" << std::get<1>(level);
        int lower = 0;
        for (const auto& [level, s] : into) {
            if (std::get<0>(level) >= twoJMax) continue;  // the upper levels above twoJMax are missing
            EXPECT_NEAR(s, 2 * (std::get<0>(level) + 1.0), 2e-9 * (std::get<0>(level) + 1))
                << (fine ? "fine " : "") << "J'' " << std::get<0>(level) / 2 << " F" << std::get<1>(level);
            ++lower;
        }
        EXPECT_EQ(outOf.size(), 2u + 4 + 6 * 19);  // 3Π, J' 0..20
        EXPECT_EQ(lower, 1 + 3 * 19);              // 3Σ, J'' 0..19
    }

    // The folder gives no band strength: the system has no bands and no lifetime, rather than an
    // invented one.
    const MultipletSystemData data = testing::CuratedSystem(nh, "NH_AX", "levels_A.csv", "levels_X.csv", 2 * 20);
    EXPECT_TRUE(data.bandA.empty());
    const MultipletSystem system = BuildMultipletSystem(data);
    EXPECT_EQ(system.upper.size(), 3u);
    EXPECT_EQ(system.lower.size(), 4u);
    EXPECT_TRUE(system.bands.empty());
    EXPECT_TRUE(RadiativeLifetimes(system).empty());
}

}  // namespace
}  // namespace velmora::database
