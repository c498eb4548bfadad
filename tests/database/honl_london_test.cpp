// Hönl-London factors of the engine against independent values: the sum rules of every kind of
// band in intermediate coupling, the symmetric-top factors of case (a) bands, the case (b)
// factors (the singlet closed forms recoupled with 6j symbols, for every spin) and the reference
// lines of the C2 Swan bands (positions, branch names, factors, nuclear-spin selection); the
// branch names and the nuclear-spin weights.
#include "database/honl_london.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>

#include "curated_tables.h"
#include "database/band_loader.h"
#include "database/branch_names.h"
#include "database/catalogue.h"
#include "database/line_positions.h"
#include "database/nuclear_spin.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

ElectronicState State(int lambda, int twoS, bool sigmaMinus = false) {
    ElectronicState st;
    st.lambda = lambda, st.twoS = twoS, st.sigmaMinus = sigmaMinus;
    return st;
}

StateConstants Constants(double T, double B, double A = 0, double spinSpin = 0, double gamma = 0, double o = 0,
                         double p = 0, double q = 0) {
    StateConstants c;
    c.T = T, c.B = B, c.D = 6e-6, c.A = A, c.spinSpin = spinSpin, c.gamma = gamma, c.o = o, c.p = p, c.q = q;
    return c;
}

bool ParityAllowed(const RotationalLevel& u, const RotationalLevel& l) {
    return TotalParity(u.twoJ, u.parity) != TotalParity(l.twoJ, l.parity);
}

TEST(HonlLondon, TheLinesOfEveryLevelSumToItsDegeneracy) {
    // Intermediate coupling (spin–orbit, spin–spin, spin–rotation, Λ-doubling, distortion): out of
    // every upper level Σ S = 2J' + 1, into every lower level Σ S = (2J'' + 1) g'/g'', g = 2 − δ(0, Λ).
    // Every line obeys + ↔ −: ΔJ = ±1 joins e–e and f–f, ΔJ = 0 e–f.
    const StateConstants pi3 = Constants(30000, 1.8, 39.1, 0.23, 0.0017, 1.1, 0.005, -1.5e-4);
    const StateConstants pi3i = Constants(20000, 1.75, -14.0, 0.035, 0.0, 0.61, 0.0032);
    const StateConstants sigma3 = Constants(10000, 1.45, 0, 1.5, -0.01);
    const StateConstants pi2 = Constants(0, 18.5, -139.1, 0, -0.119, 0, 0.235, -0.0386);
    const StateConstants sigma2 = Constants(32400, 16.97, 0, 0, 0.226);
    struct Band {
        const char* name;
        ElectronicState up, low;
        StateConstants cu, cl;
    };
    const Band bands[] = {
        {"3Σ+ – 3Σ+", State(0, 2), State(0, 2), sigma3, Constants(0, 1.2, 0, -0.8, 0.02)},
        {"3Σ- – 3Σ-", State(0, 2, true), State(0, 2, true), sigma3, Constants(0, 1.2, 0, -0.8, 0.02)},
        {"3Π – 3Σ+", State(1, 2), State(0, 2), pi3, sigma3},
        {"3Π – 3Σ-", State(1, 2), State(0, 2, true), pi3i, sigma3},
        {"3Σ- – 3Π", State(0, 2, true), State(1, 2), sigma3, pi3i},
        {"3Π – 3Π", State(1, 2), State(1, 2), pi3, Constants(0, 1.6, 42.1, -0.21, 0.0017, 1.15, 0.0044, 8e-5)},
        {"3Π – 3Π inverted", State(1, 2), State(1, 2), pi3i, Constants(0, 1.62, -15.3, -0.156, 0, 0.67, 0.0024)},
        {"3Δ – 3Π", State(2, 2), State(1, 2), Constants(30000, 1.5, -12.0, 0.3, 0.01), pi3i},
        {"1Π – 1Σ+", State(1, 0), State(0, 0), Constants(20000, 1.6, 0, 0, 0, 0, 0, 0.01), Constants(0, 1.9)},
        {"1Σ+ – 1Π", State(0, 0), State(1, 0), Constants(20000, 1.9), Constants(0, 1.6, 0, 0, 0, 0, 0, 0.01)},
        {"2Σ+ – 2Π", State(0, 1), State(1, 1), sigma2, pi2},
        {"2Π – 2Σ+", State(1, 1), State(0, 1), pi2, Constants(-32400, 16.97, 0, 0, 0.226)},
        {"4Π – 4Σ-", State(1, 3), State(0, 3, true), Constants(30000, 1.0, 10.0, 0.5, 0.01, 0.2, 0.01, 0.001),
         Constants(0, 1.1, 0, 0.8, 0.01)},
    };
    for (const Band& band : bands) {
        const int twoJMax = 40 + band.up.twoS % 2;
        const StateLevels up(band.up, band.cu, twoJMax), low(band.low, band.cl, twoJMax + 2);
        std::map<const RotationalLevel*, double> outOf, into;
        for (const BandLine& line : BandLines(up, low)) {
            outOf[line.upper] += line.honlLondon;
            into[line.lower] += line.honlLondon;
            EXPECT_TRUE(ParityAllowed(*line.upper, *line.lower)) << band.name;
            // The band's bilinear form on shared components gives each pair's own factor.
            EXPECT_NEAR(line.honlLondon, HonlLondonFactor(band.up, *line.upper, band.low, *line.lower),
                        1e-12 * (line.upper->twoJ + 1))
                << band.name;
        }
        const double gRatio = (band.up.lambda ? 2.0 : 1.0) / (band.low.lambda ? 2.0 : 1.0);
        for (const RotationalLevel& u : up.Levels())
            EXPECT_NEAR(outOf[&u], u.twoJ + 1.0, 1e-9 * (u.twoJ + 1)) << band.name << " J' " << u.twoJ << "/2 F" << u.F;
        for (const RotationalLevel& l : low.Levels()) {
            if (l.twoJ + 2 > twoJMax) continue;
            EXPECT_NEAR(into[&l], (l.twoJ + 1.0) * gRatio, 1e-9 * (l.twoJ + 1)) << band.name << " J'' " << l.twoJ;
        }
    }
    // Σ⁺ – Σ⁻ and a change of spin are forbidden, whatever the levels.
    EXPECT_EQ(TransitionMomentOf(State(0, 2), State(0, 2, true)), TransitionMoment::forbidden);
    EXPECT_EQ(TransitionMomentOf(State(1, 2), State(1, 0)), TransitionMoment::forbidden);
    EXPECT_EQ(TransitionMomentOf(State(2, 2), State(0, 2)), TransitionMoment::forbidden);
    EXPECT_EQ(TransitionMomentOf(State(1, 2), State(0, 2)), TransitionMoment::perpendicular);
    EXPECT_EQ(TransitionMomentOf(State(1, 1), State(1, 1)), TransitionMoment::parallel);
    // Dipoles formed for fewer J than the upper levels reach are refused, not read past their end.
    const StateLevels up(State(1, 2), pi3, 20), low(State(1, 2), pi3i, 22);
    EXPECT_THROW(
        BandLines(up, LevelProjections(up), low, LevelProjections(low), SlotDipoles(up.State(), low.State(), 10)),
        std::invalid_argument);
}

TEST(HonlLondon, CaseALimitGivesTheSymmetricTopFactorsOfEachSubband) {
    // A/B = 10⁵: every level is one Ω ladder; the lines of a parallel band join equal Ω with
    // P (J''² − Ω²)/J'', Q (2J'' + 1) Ω²/(J''(J'' + 1)), R ((J'' + 1)² − Ω²)/(J'' + 1) (Budó's
    // factors in their case (a) limit), and the lines between different Ω vanish.
    for (const auto& [lambda, twoS] : {std::pair{1, 1}, std::pair{1, 2}, std::pair{2, 2}}) {
        const StateLevels up(State(lambda, twoS), Constants(20000, 1.0, 1e5), 40 + twoS % 2);
        const StateLevels low(State(lambda, twoS), Constants(0, 1.1, 1e5), 42 + twoS % 2);
        for (const BandLine& line : BandLines(up, low)) {
            const RotationalLevel &u = *line.upper, &l = *line.lower;
            const int omegaUp = u.basis[DominantComponent(u)].twoOmega,
                      omegaLow = l.basis[DominantComponent(l)].twoOmega;
            if (omegaUp != omegaLow) {
                EXPECT_LT(line.honlLondon, 1e-6);
                continue;
            }
            const double J = l.twoJ / 2.0, W = omegaLow / 2.0;
            const double expected = u.twoJ < l.twoJ    ? (J * J - W * W) / J
                                    : u.twoJ == l.twoJ ? (2 * J + 1) * W * W / (J * (J + 1))
                                                       : ((J + 1) * (J + 1) - W * W) / (J + 1);
            EXPECT_NEAR(line.honlLondon, expected, 1e-5 * (u.twoJ + 1)) << lambda << " " << twoS << " J'' " << J;
        }
    }
}

// The singlet Hönl-London factor of rotational levels N' ← N'' (Herzberg's closed forms; those of
// ΔΛ = ±1 multiplied by 4/g'' for the normalisation Σ S = 2N' + 1 per upper level).
double SingletFactor(int lamUp, int lamLow, int Nu, int Nl) {
    const double N = Nl, L = lamLow;
    const int dN = Nu - Nl;
    if (Nu < lamUp || Nl < lamLow || std::abs(dN) > 1 || (dN == 0 && Nl == 0)) return 0;
    if (lamUp == lamLow)
        return dN > 0    ? ((N + 1) * (N + 1) - L * L) / (N + 1)
               : dN == 0 ? (2 * N + 1) * L * L / (N * (N + 1))
                         : (N * N - L * L) / N;
    double s = 0;
    if (lamUp == lamLow + 1)
        s = dN > 0    ? (N + 2 + L) * (N + 1 + L) / (4 * (N + 1))
            : dN == 0 ? (N + 1 + L) * (N - L) * (2 * N + 1) / (4 * N * (N + 1))
                      : (N - 1 - L) * (N - L) / (4 * N);
    else
        s = dN > 0    ? (N - L + 1) * (N - L + 2) / (4 * (N + 1))
            : dN == 0 ? (N + L) * (N - L + 1) * (2 * N + 1) / (4 * N * (N + 1))
                      : (N + L) * (N + L - 1) / (4 * N);
    return s * 4 / (lamLow == 0 ? 1 : 2);
}

TEST(HonlLondon, CaseBLimitRecouplesTheSingletFactorsWithTheSpin) {
    // With only B (N a good quantum number) a line of a band of spin S has
    // S = (2J' + 1)(2J'' + 1) {N' J' S; J'' N'' 1}² S(N' ← N''), for every parity-allowed pair of
    // levels; the others have none. Singlets are S = 0 of the same rule.
    struct Pair {
        int lamUp, lamLow, twoS;
        bool minusUp = false, minusLow = false;
    };
    for (const Pair& b : {Pair{0, 0, 0}, Pair{1, 0, 0}, Pair{0, 1, 0}, Pair{1, 1, 0}, Pair{2, 1, 0}, Pair{0, 0, 1},
                          Pair{1, 0, 1}, Pair{0, 1, 1}, Pair{1, 1, 1}, Pair{0, 0, 2}, Pair{0, 0, 2, true, true},
                          Pair{1, 0, 2}, Pair{1, 0, 2, false, true}, Pair{0, 1, 2, true}, Pair{1, 1, 2}, Pair{2, 1, 2},
                          Pair{1, 2, 2}, Pair{0, 0, 3}, Pair{1, 0, 3, false, true}}) {
        const int twoJMax = 30 + b.twoS % 2;
        const StateLevels up(State(b.lamUp, b.twoS, b.minusUp), Constants(20000, 1.3), twoJMax);
        const StateLevels low(State(b.lamLow, b.twoS, b.minusLow), Constants(0, 1.7), twoJMax + 2);
        for (const RotationalLevel& u : up.Levels())
            for (const RotationalLevel& l : low.Levels()) {
                if (std::abs(u.twoJ - l.twoJ) > 2) continue;
                const double s = HonlLondonFactor(up.State(), u, low.State(), l);
                if (!ParityAllowed(u, l)) {
                    EXPECT_EQ(s, 0.0);
                    continue;
                }
                const double sixJ = testing::Wigner6j(2 * u.N, u.twoJ, b.twoS, l.twoJ, 2 * l.N, 2);
                const double expected =
                    (u.twoJ + 1.0) * (l.twoJ + 1.0) * sixJ * sixJ * SingletFactor(b.lamUp, b.lamLow, u.N, l.N);
                EXPECT_NEAR(s, expected, 1e-9 * (u.twoJ + 1))
                    << b.lamUp << b.lamLow << " 2S " << b.twoS << " N' " << u.N << " J' " << u.twoJ << "/2 N'' " << l.N
                    << " J'' " << l.twoJ;
            }
    }
}

TEST(HonlLondon, SwanReferenceLinesHaveTheirPositionsBranchesAndFactors) {
    // C2 d 3Πg – a 3Πu: every line of the folder's table is the difference of two levels that
    // 12C2 has (g_ns = 1 for the symmetric levels, 0 for the others), named as the table names it,
    // at the position the folder computes from its constants (to 5e-4 cm-1: the table rounds B to
    // 1e-5, which moves a J = 4 level by 1e-4), with its factor S/(2J' + 1) (2 decimals) and the
    // dominant Ω of both levels.
    const NuclearSpinWeights c2 = IdenticalNucleiWeights(0);
    const ElectronicState d = State(1, 2), a = State(1, 2);
    int lines = 0;
    for (const auto& row : testing::CsvRows("C2_DA", "lines_reference.csv")) {
        const std::string& branch = row.at("branch");
        const std::string& source = row.at("source");
        const int deltaN = int(std::string("NOPQRST").find(branch[0])) - 3;
        const int Fu = branch[1] - '0', Fl = branch.size() > 2 ? branch[2] - '0' : Fu;
        const int twoJl = 2 * std::stoi(row.at("J_low"));
        const Parity pl = row.at("parity_low") == "e" ? Parity::e : Parity::f;
        const StateLevels up(d, testing::CuratedLevel("C2_DA", "levels_d.csv", std::stoi(row.at("band_v_up"))), 12);
        const StateLevels low(a, testing::CuratedLevel("C2_DA", "levels_a.csv", std::stoi(row.at("band_v_low"))), 12);
        const BranchLabel label = BranchFromDeltaN(deltaN, Fu, Fl);
        const Parity pu = label.deltaJ == 0 ? (pl == Parity::e ? Parity::f : Parity::e) : pl;
        const RotationalLevel* l = low.Find(twoJl, Fl, pl);
        const RotationalLevel* u = up.Find(twoJl + 2 * label.deltaJ, Fu, pu);
        ASSERT_TRUE(u && l) << branch << " J'' " << twoJl / 2;
        EXPECT_EQ(l->N, std::stoi(row.at("N_low")));
        EXPECT_EQ(BranchName(BranchOf(*u, *l)), branch);
        EXPECT_EQ(NuclearSpinWeight(c2, true, u->twoJ, u->parity), 1.0);
        EXPECT_EQ(NuclearSpinWeight(c2, false, l->twoJ, l->parity), 1.0);
        auto after = [&](const std::string& key) { return std::stod(source.substr(source.find(key) + key.size())); };
        EXPECT_NEAR(u->energy - l->energy, after("constants of this folder give "), 5e-4) << branch << " " << twoJl / 2;
        EXPECT_NEAR(HonlLondonFactor(d, *u, a, *l) / (u->twoJ + 1), after("HL/(2J'+1)="), 0.0051) << branch;
        EXPECT_EQ(u->basis[DominantComponent(*u)].twoOmega, 2 * int(after("Omega'=")));
        EXPECT_EQ(l->basis[DominantComponent(*l)].twoOmega, 2 * int(after("Omega''=")));
        ++lines;
    }
    EXPECT_EQ(lines, 175);
}

TEST(BranchNames, FollowTheCaseBRuleOfTheCuratedData) {
    struct Name {
        int deltaN, upperF, lowerF, deltaJ;
        const char *byN, *twoLetters, *byJ;
    };
    for (const Name& n :
         {Name{-1, 1, 1, -1, "P1", "P1", "P1"}, Name{0, 2, 2, 0, "Q2", "Q2", "Q2"}, Name{1, 3, 3, 1, "R3", "R3", "R3"},
          Name{-2, 1, 2, -1, "O12", "OP12", "P12"}, Name{-1, 2, 3, 0, "P23", "PQ23", "Q23"},
          Name{1, 3, 2, 0, "R32", "RQ32", "Q32"}, Name{0, 3, 2, -1, "Q32", "QP32", "P32"},
          Name{0, 1, 2, 1, "Q12", "QR12", "R12"}, Name{2, 2, 1, 1, "S21", "SR21", "R21"},
          Name{-3, 1, 3, -1, "N13", "NP13", "P13"}, Name{3, 3, 1, 1, "T31", "TR31", "R31"}}) {
        const BranchLabel b = BranchFromDeltaN(n.deltaN, n.upperF, n.lowerF);
        EXPECT_EQ(b.deltaJ, n.deltaJ) << n.byN;
        EXPECT_EQ(BranchFromDeltaJ(n.deltaJ, n.upperF, n.lowerF).deltaN, n.deltaN);
        EXPECT_EQ(BranchName(b), n.byN);
        EXPECT_EQ(BranchName(b, BranchNotation::deltaNdeltaJ), n.twoLetters);
        EXPECT_EQ(BranchName(b, BranchNotation::deltaJ), n.byJ);
    }
    EXPECT_EQ(BranchName(BranchFromDeltaN(1, 1, 1), BranchNotation::deltaN, true), "R");
    EXPECT_EQ(BranchName(BranchFromDeltaN(4, 1, 1)), "?");
    // The twelve doublet branches of the shipped catalogue, in both of its nomenclatures.
    DatabaseState db;
    SetAppPath(db, VELMORA_DATA_DIR);
    LoadCatalogue(db);
    for (int b = 1; b <= 12; ++b) {
        const BranchShape s = BranchShapeOf(b);
        const BranchLabel label = BranchFromDeltaN(s.deltaN, s.upperF, s.lowerF);
        EXPECT_EQ(BranchName(label), db.cat.BranchName(0, b));
        EXPECT_EQ(BranchName(label, BranchNotation::deltaJ), db.cat.BranchName(1, b));
    }
}

TEST(NuclearSpin, WeightsFollowTheParityAndTheInversionSymmetry) {
    // The folder tables: 14N2 (I = 1) weights 6 (s) and 3 (a); C 3Πu and B 3Πg by e/f and J; in
    // A 3Σu+ N even has 3, N odd 6; 12C2 (I = 0) has no a levels; H2 (I = 1/2) 1 and 3.
    const NuclearSpinWeights n2 = IdenticalNucleiWeights(2);
    EXPECT_EQ(n2.symmetric, 6.0);
    EXPECT_EQ(n2.antisymmetric, 3.0);
    EXPECT_EQ(IdenticalNucleiWeights(0).antisymmetric, 0.0);
    EXPECT_EQ(IdenticalNucleiWeights(1).symmetric, 1.0);
    EXPECT_EQ(IdenticalNucleiWeights(1).antisymmetric, 3.0);
    for (int J = 0; J <= 6; ++J) {
        const bool even = J % 2 == 0;
        EXPECT_EQ(NuclearSpinWeight(n2, false, 2 * J, Parity::e), even ? 3.0 : 6.0);
        EXPECT_EQ(NuclearSpinWeight(n2, false, 2 * J, Parity::f), even ? 6.0 : 3.0);
        EXPECT_EQ(NuclearSpinWeight(n2, true, 2 * J, Parity::e), even ? 6.0 : 3.0);
        EXPECT_EQ(NuclearSpinWeight(n2, true, 2 * J, Parity::f), even ? 3.0 : 6.0);
    }
    const StateLevels a3Sigma(State(0, 2), testing::CuratedLevel("N2_BA", "levels_A.csv", 0), 20);
    for (const RotationalLevel& l : a3Sigma.Levels())
        EXPECT_EQ(NuclearSpinWeight(n2, false, l.twoJ, l.parity), l.N % 2 == 0 ? 3.0 : 6.0) << l.N;
    // N2+ (2Σ, half-integer J): even N heavier in X 2Σg+, odd N in B 2Σu+.
    const StateLevels n2plus(State(0, 1), Constants(0, 1.9), 21);
    for (const RotationalLevel& l : n2plus.Levels()) {
        EXPECT_EQ(NuclearSpinWeight(n2, true, l.twoJ, l.parity), l.N % 2 == 0 ? 6.0 : 3.0);
        EXPECT_EQ(NuclearSpinWeight(n2, false, l.twoJ, l.parity), l.N % 2 == 1 ? 6.0 : 3.0);
    }
}

}  // namespace
}  // namespace velmora::database
