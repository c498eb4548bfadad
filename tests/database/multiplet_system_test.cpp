// Whole triplet systems from the engine: the radiative lifetimes of every upper level against
// the lifetimes the N2 folders derive from their band coefficients (3Π–3Π and 3Π–3Σ), the
// partition function of a 3Π state against the classical symmetric-top value, and the thermal
// populations of the six spin and parity components (12C2: the antisymmetric levels empty).
#include "database/multiplet_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "common/physical_constants.h"
#include "curated_tables.h"

namespace velmora::database {
namespace {

TEST(MultipletSystem, EveryUpperLevelHasTheLifetimeOfItsBandCoefficients) {
    // The lines of each upper level give it 1 / Σ_v'' A(v', v''), at every J, F and parity: the
    // lifetimes the N2 C–B (3Π–3Π) and B–A (3Π–3Σ⁺) folders list (4 digits).
    struct Case {
        const char *folder, *upper, *lower;
        SystemDescription description;
    };
    const Case cases[] = {
        {"N2_CB", "levels_C.csv", "levels_B.csv", testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3)},
        {"N2_BA", "levels_B.csv", "levels_A.csv", testing::TripletSystem(1, 0, Inversion::Gerade, 6, 3)},
    };
    for (const Case& c : cases) {
        std::map<int, double> listed;
        for (const auto& row : testing::CsvRows(c.folder, "transitions.csv"))
            if (row.at("kind") == "lifetime") listed[std::stoi(row.at("v_up"))] = std::stod(row.at("value"));
        const MultipletSystem system =
            BuildMultipletSystem(testing::CuratedSystem(c.description, c.folder, c.upper, c.lower, 2 * 25));
        std::map<int, int> levels;
        for (const LevelLifetime& l : RadiativeLifetimes(system)) {
            ASSERT_TRUE(listed.count(l.v)) << c.folder << " v' " << l.v;
            EXPECT_NEAR(l.lifetimeNs / listed.at(l.v), 1.0, 5e-4)
                << c.folder << " v' " << l.v << " J' " << l.level.twoJ / 2 << " F" << l.level.F;
            ++levels[l.v];
        }
        // Every level of J 0..25 of a 3Π state: 2 + 4 + 6 × 24.
        EXPECT_EQ(levels.size(), listed.size()) << c.folder;
        for (const auto& [v, n] : levels) EXPECT_EQ(n, 150) << c.folder << " v' " << v;
    }
}

TEST(MultipletSystem, PartitionFunctionAndComponentSharesOfA3PiState) {
    // N2 C 3Πu v = 0 at 3000 K (kT ≫ A, B): Q over the levels from the spin-free origin T is the
    // classical ḡ (2S + 1) 2 [kT/B (1 + 2 D kT/B²) + 1/3] with ḡ = (6 + 3)/2. Near case (b) the
    // levels of N carry 2J + 1 = 2N + 3 (F1), 2N + 1 (F2), 2N − 1 (F3), so the six components
    // (F1..F3, e and f) hold (1 ± sqrt(π B/kT))/6 and 1/6 of the population.
    const SystemDescription n2 = testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3);
    const StateConstants c = testing::CuratedLevel("N2_CB", "levels_C.csv", 0);
    const StateLevels levels(EngineStateOf(n2.upper), c, 2 * 130);
    const double T = 3000.0, kT = T / kSecondRadiationConstant;
    const double classical = 4.5 * 3 * 2 * (kT / c.B * (1 + 2 * c.D * kT / (c.B * c.B)) + 1.0 / 3);
    EXPECT_NEAR(RotationalPartitionFunction(n2, n2.upper, levels, c.T, T) / classical, 1.0, 0.01);

    std::map<std::pair<int, Parity>, double> share;
    double total = 0;
    for (const LevelPopulation& p : ThermalPopulations(n2, n2.upper, levels, T)) {
        share[{p.level.F, p.level.parity}] += p.population;
        total += p.population;
    }
    EXPECT_NEAR(total, 1.0, 1e-12);
    ASSERT_EQ(share.size(), 6u);
    const double spread = std::sqrt(M_PI * c.B / kT);
    for (const auto& [component, s] : share)
        EXPECT_NEAR(s * 6, 1.0 + (2 - component.first) * spread, 0.005)
            << "F" << component.first << (component.second == Parity::e ? "e" : "f");

    // 12C2 d 3Πg: the antisymmetric levels (weight 0) hold nothing, the others everything.
    const SystemDescription c2 = testing::TripletSystem(1, 1, Inversion::Gerade, 1, 0);
    const StateLevels d(EngineStateOf(c2.upper), testing::CuratedLevel("C2_DA", "levels_d.csv", 0), 2 * 60);
    double symmetric = 0;
    int empty = 0;
    for (const LevelPopulation& p : ThermalPopulations(c2, c2.upper, d, T)) {
        const bool isSymmetric = TotalParity(p.level.twoJ, p.level.parity) == 1;  // g state
        EXPECT_EQ(p.nuclearWeight, isSymmetric ? 1.0 : 0.0);
        if (isSymmetric)
            symmetric += p.population;
        else
            empty += p.population == 0.0;
    }
    EXPECT_NEAR(symmetric, 1.0, 1e-12);
    EXPECT_EQ(empty, static_cast<int>(d.Levels().size()) / 2);
}

TEST(MultipletSystem, TheWeakLineCutOffLeavesOutAtMostItsShareOfEveryLevel) {
    // The lines out of every upper level sum to 2J' + 1 in each band (to J' = 39, whose lower
    // levels all exist); with the cut-off, what a level keeps in a band sums to at least
    // (1 − share)(2J' + 1), and every line kept is one of the full set, in the same order.
    struct Case {
        const char *folder, *upper, *lower;
        SystemDescription description;
        double share;
    };
    const Case cases[] = {
        {"N2_CB", "levels_C.csv", "levels_B.csv", testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), 1e-3},
        {"N2_CB", "levels_C.csv", "levels_B.csv", testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), 1e-2},
        {"C2_DA", "levels_d.csv", "levels_a.csv", testing::TripletSystem(1, 1, Inversion::Gerade, 1, 0), 1e-3},
        {"N2_BA", "levels_B.csv", "levels_A.csv", testing::TripletSystem(1, 0, Inversion::Gerade, 6, 3), 1e-3},
    };
    for (const Case& c : cases) {
        MultipletSystemData data = testing::CuratedSystem(c.description, c.folder, c.upper, c.lower, 2 * 40);
        data.droppedShare = 0;
        const MultipletSystem full = BuildMultipletSystem(data, 0.0);
        data.droppedShare = c.share;
        const MultipletSystem reduced = BuildMultipletSystem(data, 0.0);
        std::size_t all = 0, kept = 0;
        for (const auto& [key, band] : full.bands) {
            const std::vector<MultipletLine>& cut = reduced.bands.at(key).lines;
            std::map<std::tuple<int, int, int>, std::pair<double, double>> sums;  // full, kept
            std::size_t next = 0;
            for (const MultipletLine& line : band.lines) {
                auto& sum = sums[{line.upper.twoJ, line.upper.F, static_cast<int>(line.upper.parity)}];
                sum.first += line.honlLondon;
                if (next < cut.size() && cut[next].upper.twoJ == line.upper.twoJ && cut[next].upper.F == line.upper.F &&
                    cut[next].upper.parity == line.upper.parity && cut[next].lower.twoJ == line.lower.twoJ &&
                    cut[next].lower.F == line.lower.F && cut[next].lower.parity == line.lower.parity) {
                    EXPECT_EQ(cut[next].einsteinA, line.einsteinA);
                    sum.second += cut[next++].honlLondon;
                }
            }
            EXPECT_EQ(next, cut.size()) << c.folder << " a kept line is not in the full set";
            for (const auto& [level, sum] : sums) {
                const double g = std::get<0>(level) + 1.0;
                if (std::get<0>(level) < 2 * 39) {
                    EXPECT_NEAR(sum.first, g, 1e-9 * g) << c.folder;
                }
                EXPECT_GE(sum.second, (1 - c.share) * sum.first - 1e-12) << c.folder << " J' " << std::get<0>(level);
            }
            all += band.lines.size(), kept += cut.size();
        }
        EXPECT_LT(kept, all) << c.folder << " the cut-off leaves nothing out";
    }
}

}  // namespace
}  // namespace velmora::database
