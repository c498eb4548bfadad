#include "populations/population_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "database/band_loader.h"
#include "database/catalogue.h"

namespace velmora::populations {
namespace {

constexpr double kB = 0.6950348;  // cm-1/K

/// One catalogue entry with an upper 2Σ state and a lower 2Π state; constants by hand.
DatabaseState MakeSystem(float lowerA, float lowerB, int maxN = 40) {
    DatabaseState db;
    Catalogue& cat = db.cat;
    cat.CatalogueCount = 1;
    cat.MaxVUpper = 3;
    cat.MaxVLower = 3;
    cat.MaxN = maxN;
    cat.StateLambda.Resize(1, 2, 0, 1);
    cat.StateLambda(1, 1) = 0;
    cat.StateLambda(2, 1) = 1;
    cat.NMaxVib.Resize(1, 1, 0, 2);
    cat.NMaxVib(1, 1) = 3;
    cat.NMaxVib(1, 2) = 3;
    cat.NMaxRot.Resize(1, 1, 0, 13);
    for (int v = 0; v <= 13; ++v) cat.NMaxRot(1, v) = maxN - 2 * v;
    cat.NMaxRotAll.Resize(1, 1);
    cat.NMaxRotAll(1) = maxN;
    cat.NuclearSpinFlag.Resize(1, 1);
    db.systemEntry = 1;
    db.MolConst.Resize(1, 2, 0, 3, 0, 20);
    // Upper 2Σ+ (OH A-like): G(v), B, D.
    const float gUp[] = {0.0f, 3178.9f, 6198.0f, 9060.0f};
    for (int v = 0; v <= 3; ++v) {
        db.MolConst(1, v, 0) = gUp[v];
        db.MolConst(1, v, 1) = 16.961f - 0.8f * v;
        db.MolConst(1, v, 2) = 0.00204f;
        db.MolConst(2, v, 0) = 3500.0f * v;
        db.MolConst(2, v, 1) = lowerB - 0.7f * v;
        db.MolConst(2, v, 2) = 0.0019f;
        db.MolConst(2, v, 6) = lowerA;
    }
    return db;
}

double LevelSum(const PopulationState& pop, int v) {
    double sum = 0;
    for (int c = 1; c <= 4; ++c)
        for (int N = pop.PopRot.Lo(2); N <= pop.PopRot.Hi(2); ++N) sum += pop.PopRot(v, c, N);
    return sum;
}

/// Standard Hill-Van Vleck 2Π term (without centrifugal terms) for F1 (sign -1) or F2 (+1).
double HillVanVleck(double B, double Y, double J, int sign) {
    const double x = J + 0.5;
    return B * (x * x - 1.0 + sign * 0.5 * std::sqrt(4.0 * x * x + Y * (Y - 4.0)));
}

TEST(VibThermal, HotOHFollowsTheBoltzmannDistributionOfItsTermValues) {
    // The shipped OH A state: the fraction of molecules in v' is exp(−T_v/kT_vib) times the
    // rotational sum Σ (2J + 1) exp(−E_rot/kT_rot) over every level the database holds, with
    // E = T_v + E_rot the N² Hamiltonian (T + B x − D x² + H x³ + L x⁴ + M x⁵ + γ(x) N·S,
    // x = N(N + 1)). The model's rotational energies keep B and D only, which moves the top levels
    // by a few 10 cm-1: below 0.1 % of a fraction (exp(−G_v/kT) alone puts v' = 3, 4 14 % low).
    DatabaseState db;
    database::SetAppPath(db, std::string(VELMORA_DATA_DIR) + "/");
    database::LoadCatalogue(db);
    database::ReadStateConstants(db, 1);
    PopulationState pop;
    SetPopulatedState(pop, db, 1);
    for (auto [Tvib, Trot] : {std::pair{3000.0, 3000.0}, {5000.0, 1200.0}}) {
        VibThermal(pop, db, float(Tvib), float(Trot));
        std::vector<double> fraction;
        double total = 0;
        for (int v = 0; v <= db.cat.NMaxVib(1, 1); ++v) {
            const auto c = [&](int k) { return double(db.MolConst(1, v, k)); };
            double sum = 0;
            for (int N = 0; N <= db.cat.NMaxRot(1, v); ++N)
                for (int F = 1; F <= 2; ++F) {
                    const double x = N * (N + 1.0), NS = F == 1 ? N / 2.0 : -(N + 1) / 2.0;
                    const double rotation = c(1) * x - c(2) * x * x + c(3) * x * x * x + c(4) * x * x * x * x +
                                            c(5) * std::pow(x, 5) + NS * (c(9) + c(10) * x + c(11) * x * x);
                    sum += (F == 1 ? 2 * N + 2 : 2 * N) * std::exp(-rotation / (kB * Trot));  // F2 N = 0: none
                }
            fraction.push_back(sum * std::exp(-(c(0) - db.MolConst(1, 0, 0)) / (kB * Tvib)));
            total += fraction.back();
        }
        for (std::size_t v = 0; v < fraction.size(); ++v)
            EXPECT_NEAR(pop.PopVib(int(v)) / (fraction[v] / total), 1.0, 1e-3) << Tvib << " K, v' = " << v;
    }
    // At 3 K everything is in v = 0; at 3.01 K the v = 1 factor (about 1e-660) ends the series.
    for (float T : {3.0f, 3.01f}) {
        VibThermal(pop, db, T);
        EXPECT_FLOAT_EQ(pop.PopVib(0), 1.0f);
        EXPECT_EQ(pop.PopVib(2), 0.0f);
    }
}

TEST(RotThermal, SigmaStateBoltzmannRatioAndSpinComponents) {
    DatabaseState db = MakeSystem(-139.05f, 18.535f);
    PopulationState pop;
    SetPopulatedState(pop, db, 1);  // emission: the upper 2Σ state is populated
    ASSERT_EQ(pop.PopLambda, 0);
    RebuildLevelThermal(pop, db, 0, 300.0f);

    const double B = 16.961, D = 0.00204, kT = kB * 300.0;
    auto E = [&](double N) { return B * N * (N + 1) - D * N * N * (N + 1) * (N + 1); };
    // F1 of N = 3 (J = 3.5) against F1 of N = 1 (J = 1.5): (2J+1) exp(-E/kT).
    const double expected = (8.0 / 4.0) * std::exp(-(E(3) - E(1)) / kT);
    EXPECT_NEAR(pop.PopRot(0, 1, 3) / pop.PopRot(0, 1, 1), expected, 1e-5);
    // F2 of N = 3 has J = 2.5.
    EXPECT_NEAR(pop.PopRot(0, 2, 3) / pop.PopRot(0, 1, 3), 6.0 / 8.0, 1e-6);
    // N = 0: F1 has weight 2 (J = 1/2), F2 does not exist (J = -1/2).
    EXPECT_NEAR(pop.PopRot(0, 1, 0) / pop.PopRot(0, 1, 1), 2.0 / (4.0 * std::exp(-E(1) / kT)), 1e-5);
    EXPECT_EQ(pop.PopRot(0, 2, 0), 0.0f);
    // Only components 1 and 2 exist for Λ = 0.
    for (int N = 0; N <= 40; ++N) {
        EXPECT_EQ(pop.PopRot(0, 3, N), 0.0f);
        EXPECT_EQ(pop.PopRot(0, 4, N), 0.0f);
    }
    EXPECT_NEAR(LevelSum(pop, 0), 1.0, 1e-5);
}

/// Ratio of the F1 populations of rows 3 and 4 with and without nuclear-spin weights, for a
/// homonuclear Σ–Σ system (N2+ B–X like) with the given state populated.
std::pair<double, double> NuclearSpinFactors(int popState) {
    DatabaseState db = MakeSystem(0.0f, 1.92f);
    db.cat.StateLambda(2, 1) = 0;
    PopulationState plain, weighted;
    for (PopulationState* p : {&plain, &weighted}) {
        SetPopulatedState(*p, db, popState);
        DimensionPopulationArrays(*p, db.cat);
        p->TRot(0) = 300.0f;
    }
    RotThermal(plain, db, 0, 1, 0);
    db.cat.NuclearSpinFlag(1) = 1;
    RotThermal(weighted, db, 0, 1, 0);
    return {weighted.PopRot(0, 1, 3) / plain.PopRot(0, 1, 3), weighted.PopRot(0, 1, 4) / plain.PopRot(0, 1, 4)};
}

TEST(RotThermal, NuclearSpinWeightsAlternateAndFavourTheOtherParityInTheLowerState) {
    // Odd N carry twice the weight of even N in the upper state (N2+ B 2Σu+), even N in the
    // lower state (X 2Σg+): a dipole transition changes N by one and keeps the spin symmetry.
    const auto [upperOdd, upperEven] = NuclearSpinFactors(1);
    EXPECT_NEAR(upperOdd, 1.5, 1e-6);
    EXPECT_NEAR(upperEven, 0.75, 1e-6);
    const auto [lowerOdd, lowerEven] = NuclearSpinFactors(2);
    EXPECT_NEAR(lowerOdd, 0.75, 1e-6);
    EXPECT_NEAR(lowerEven, 1.5, 1e-6);
}

TEST(RotThermal, PiStateFollowsHillVanVleckTermsInBothCouplingCases) {
    // OH X (A/B = -7.5, inverted, rows = N) and NO X-like (A/B = 72.6, rows shifted by one).
    for (const float A : {-139.05f, 123.14f}) {
        DatabaseState db = MakeSystem(A, A > 0 ? 1.696f : 18.535f);
        db.MolConst(2, 0, 2) = 0.0f;  // no centrifugal distortion: pure Hill-Van Vleck terms
        PopulationState pop;
        SetPopulatedState(pop, db, 2);  // absorption: the lower 2Π state is populated
        ASSERT_EQ(pop.PopLambda, 1);
        pop.MinimumPopulation = 0.0f;
        RebuildLevelThermal(pop, db, 0, 500.0f);
        const double B = A > 0 ? 1.696 : 18.535, Y = A / B, kT = kB * 500.0;
        // F1 at J sits in row J - 1/2, F2 at J in row J + 1/2; populations (2J+1) exp(-E/kT)
        auto pop1 = [&](double J) { return pop.PopRot(0, 1, static_cast<int>(J - 0.5)); };
        auto pop2 = [&](double J) { return pop.PopRot(0, 2, static_cast<int>(J + 0.5)); };
        const double J1 = 1.5, J2 = 4.5;
        const double f1 =
            (2 * J2 + 1) / (2 * J1 + 1) * std::exp(-(HillVanVleck(B, Y, J2, -1) - HillVanVleck(B, Y, J1, -1)) / kT);
        EXPECT_NEAR(pop1(J2) / pop1(J1), f1, 1e-5 * f1) << "A = " << A;
        const double f2 = std::exp(-(HillVanVleck(B, Y, J1, +1) - HillVanVleck(B, Y, J1, -1)) / kT);
        EXPECT_NEAR(pop2(J1) / pop1(J1), f2, 1e-5 * f2) << "A = " << A;
        // Both Λ-doublet components are equally populated.
        EXPECT_EQ(pop.PopRot(0, 3, 2), pop.PopRot(0, 1, 2));
        // The whole level, including the shifted rows, sums to 1.
        EXPECT_NEAR(LevelSum(pop, 0), 1.0, 1e-5) << "A = " << A;
    }
}

TEST(RotNormalize, EmptyLevelFallsBackToOneLevel) {
    DatabaseState db = MakeSystem(-139.05f, 18.535f);
    PopulationState pop;
    SetPopulatedState(pop, db, 1);
    DimensionPopulationArrays(pop, db.cat);
    RotNormalize(pop, db, 2);
    EXPECT_EQ(pop.PopRot(2, 1, 1), 1.0f);
    EXPECT_NEAR(LevelSum(pop, 2), 1.0, 1e-9);
}

TEST(PreparePopulations, SelectsLevelsStrictlyAboveTheMinimumAndRenormalises) {
    DatabaseState db = MakeSystem(-139.05f, 18.535f);
    PopulationState pop;
    SetPopulatedState(pop, db, 1);
    DimensionPopulationArrays(pop, db.cat);
    pop.ThermalFlag = 0;
    pop.PopVib(0) = 0.6f;
    pop.PopVib(1) = 0.3f;
    pop.PopVib(2) = 0.1f;
    pop.PopVib(3) = 0.00001f;  // equal to the minimum: not simulated
    pop.MinimumPopulation = 0.00001f;
    PreparePopulations(pop, db);
    ASSERT_EQ(pop.NVibSel, 3);
    EXPECT_EQ(pop.VibList(1), 0.0f);
    EXPECT_EQ(pop.VibList(3), 2.0f);
    EXPECT_NEAR(pop.PopVibSel(0) + pop.PopVibSel(1) + pop.PopVibSel(2), 1.0, 1e-6);

    pop.PopVib(0) = 0.5f;
    pop.PopVib(1) = 0.5f;
    pop.PopVib(2) = 0.0f;
    PreparePopulations(pop, db);
    ASSERT_EQ(pop.NVibSel, 2);
    EXPECT_FLOAT_EQ(pop.PopVibSel(1), 0.5f);

    // Thermalised at 3000 K: every selected level is rebuilt and normalised.
    pop.ThermalFlag = 1;
    pop.Temperature = 3000.0f;
    PreparePopulations(pop, db);
    EXPECT_GE(pop.NVibSel, 3);
    for (int i = 1; i <= pop.NVibSel; ++i) EXPECT_NEAR(LevelSum(pop, static_cast<int>(pop.VibList(i))), 1.0, 1e-5);
}

TEST(EditTable, SpinFactorRescalesF1AndF2WithoutChangingTheirShapes) {
    DatabaseState db = MakeSystem(-139.05f, 18.535f);
    PopulationState pop;
    ResetPopulatedState(pop, db, 2);
    const float f1Share = pop.Ratio;
    EXPECT_GT(f1Share, 0.5f);  // F1 (X 2Π3/2) is the lower component of OH X
    EXPECT_NEAR(pop.Total, 1.0f, 1e-5f);
    EXPECT_EQ(pop.TxtSpinCombination.size(), 6u);
    const float before = pop.PopRot(0, 1, 3) / pop.PopRot(0, 1, 5);

    // Combined view: the user's factor puts 30 % of the level in F1.
    pop.StructMode = StructureMode::AllOfN;
    pop.SpinFactor = 0.3f;
    EditToPop(pop, db, 0);
    double f1 = 0, all = 0;
    for (int N = 0; N <= 41; ++N) {
        f1 += pop.PopRot(0, 1, N) + pop.PopRot(0, 3, N);
        all += pop.PopRot(0, 1, N) + pop.PopRot(0, 2, N) + pop.PopRot(0, 3, N) + pop.PopRot(0, 4, N);
    }
    EXPECT_NEAR(f1 / all, 0.3, 1e-5);
    EXPECT_NEAR(all, 1.0, 1e-5);
    EXPECT_NEAR(pop.PopRot(0, 1, 3) / pop.PopRot(0, 1, 5), before, 1e-5);

    // Single-component view: the factor follows the table.
    pop.StructMode = StructureMode::SpinComponent;
    pop.SpinFactor = 0.9f;
    EditToPop(pop, db, 0);
    EXPECT_NEAR(pop.SpinFactor, 0.3f, 1e-5f);
    EXPECT_EQ(pop.TxtSpinCombination, "0.3000");
}

TEST(ParityTables, LabelsOfTheFourComponents) {
    EXPECT_STREQ(ParityEF(1, 0), "e");
    EXPECT_STREQ(ParityEF(1, 2), "f");
    EXPECT_STREQ(ParityEF(2, 0), "f");
    EXPECT_STREQ(ParityEF(2, 2), "e");
    EXPECT_STREQ(ParitySign(2, 0), "+");
    EXPECT_STREQ(ParitySign(1, 2), "-");
}

}  // namespace
}  // namespace velmora::populations
