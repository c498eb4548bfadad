// The system pre-computation: radiative lifetimes from the Hönl-London sum rule and the ν³
// law, the absolute-unit factors, and the quenching inputs that recompute the yields.
#include "database/system_precompute.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "common/errors.h"
#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/quenching.h"
#include "support/file_error.h"
#include "support/sample_database.h"
#include "support/scripted_dialogs.h"

namespace velmora::database {
namespace {

using ::testing::AllOf;
using testing::FileErrorMessage;
using ::testing::HasSubstr;
using testing::Level;
using testing::SampleDatabase;
using testing::SampleEntry;

constexpr double kReference = 100.0;  // ns
constexpr double kOrigin = 30000.0;   // cm-1
const double kUpperT[3] = {0.0, 2000.0, 3900.0};
const double kLowerT[2] = {0.0, 2500.0};
/// Transition probabilities of the bands (v', v''): v' = 2 radiates a thousand times less.
const double kProbability[3][2] = {{0.8, 0.2}, {0.3, 0.7}, {0.0008, 0.0002}};

/// A 2Σ - 2Σ system with nearly no rotational structure (B = 0.001 cm-1), so that all lines of
/// a band lie at its origin and the lifetimes follow from the Hönl-London sum rule and ν³.
struct FlatSystem {
    SampleDatabase data;
    DatabaseState db;
    testing::CountingShell shell;

    explicit FlatSystem(int levelFiles = 0) {
        SampleEntry e;
        e.code = "FL", e.nmaxVibUp = 2, e.nmaxVibLow = 1, e.rotRows = {12, 12, 12}, e.origin = kOrigin;
        e.referenceLifetime = kReference, e.levelFiles = levelFiles;
        data.Catalogue({e}, 2, 1, 14);
        std::vector<testing::LevelConstants> up, low;
        for (double T : kUpperT) up.push_back(Level(T, 0.001));
        for (double T : kLowerT) low.push_back(Level(T, 0.001));
        data.System(1, up, low, [](int vUp, int vLow) { return kProbability[vUp][vLow]; });
        SetAppPath(db, data.Folder());
        LoadCatalogue(db);
        db.systemEntry = 1;
    }
    /// Band origin (v', v'') in cm-1.
    static double Nu(int vUp, int vLow) { return kOrigin + kUpperT[vUp] - kLowerT[vLow]; }
    /// Σ over v'' of probability × ν³ for upper level v'.
    static double Sum(int vUp) {
        return kProbability[vUp][0] * std::pow(Nu(vUp, 0), 3) + kProbability[vUp][1] * std::pow(Nu(vUp, 1), 3);
    }
};

TEST(SystemPrecompute, LifetimesFollowTheSumRuleAndTheCubeOfTheWavenumber) {
    FlatSystem f;
    SystemPrecompute(f.db, 0.0f, f.shell);
    const auto& L = f.db.UpperLevelData;

    // Within a vibrational level every rotational level decays at the same rate: the
    // Hönl-London factors from one upper level add up to 2J' + 1. (The top row lacks the P
    // lines to lower rows the files do not reach.)
    for (int N = 0; N < 12; ++N) {
        EXPECT_NEAR(L(0, 1, N), kReference, 1e-3 * kReference) << "F1, N' = " << N;
        if (N >= 1) {
            EXPECT_NEAR(L(0, 2, N), kReference, 1e-3 * kReference) << "F2, N' = " << N;
        }
        EXPECT_NEAR(L(1, 1, N), kReference * FlatSystem::Sum(0) / FlatSystem::Sum(1), 1e-3 * kReference) << N;
    }
    EXPECT_FLOAT_EQ(L(0, 1, 0), static_cast<float>(kReference));  // the reference level exactly
    EXPECT_EQ(L(0, 2, 0), 0.0f);                                  // F2 has no N' = 0 level: no emission, lifetime 0
    // v' = 2 would live a thousand times longer than the reference: reported as 0.
    EXPECT_EQ(L(2, 1, 5), 0.0f);
    // No level files: the levels decay radiatively, yield 1.
    EXPECT_EQ(f.db.LevelYield(1, 1, 3), 1.0f);
    EXPECT_EQ(L(0, 3, 3), L(0, 1, 3));
    EXPECT_EQ(L(0, 5, 3), 1.0f);

    EXPECT_NEAR(f.db.BandData(4, 1, 1), FlatSystem::Nu(1, 1), 0.05);
    EXPECT_FLOAT_EQ(f.db.BandData(3, 1, 0), 0.3f);
    EXPECT_TRUE(f.db.SystemLoaded);
    EXPECT_EQ(f.shell.progress.size(), 6u);  // once per band
    EXPECT_DOUBLE_EQ(f.shell.progress.back(), 100.0);
}

TEST(SystemPrecompute, UnitFactorsGiveTheReferenceLifetimeBackForTheLowestLevel) {
    FlatSystem f;
    SystemPrecompute(f.db, 0.0f, f.shell);
    const double lineFactor = f.db.LineUnitFactor[0];
    const double bandFactor = f.db.BandUnitFactor[0];

    // Sum the emission coefficients of every line that leaves v' = 0, N' = 0, F1: P1(1) and
    // PQ12(1) of each band (v' = 0, v''); in s-1 they add up to 1 / τ.
    double rate = 0.0, bandRate = 0.0;
    for (int vLow = 0; vLow <= 1; ++vLow) {
        LoadBand(f.db, 0, vLow, 1);
        rate += (f.db.LineData(1, 1, 1) + f.db.LineData(1, 9, 1)) * lineFactor;
        bandRate += f.db.BandData(1, 0, vLow) * bandFactor;
    }
    EXPECT_NEAR(1e9 / rate, kReference, 1e-6 * kReference);
    EXPECT_NEAR(1e9 / bandRate, kReference, 1e-6 * kReference);
    // Absorption coefficients B / c = A / (8π h c ν̃³) in m2 J-1 s-1 (ν̃ in m-1, CODATA h and c):
    // 1e-4 / (8π h c) for A in s-1, ν̃ in cm-1 and c in cm s-1.
    const double h = 6.62607015e-34, c = 2.99792458e10, pi = std::acos(-1.0);
    const double absorption = 1e-4 / (8 * pi * h * c);
    EXPECT_NEAR(f.db.LineUnitFactor[1] / lineFactor, absorption, 1e-12 * absorption);
    EXPECT_NEAR(f.db.BandUnitFactor[1] / bandFactor, absorption, 1e-12 * absorption);
    EXPECT_DOUBLE_EQ(f.db.LineUnitFactor[2], 1.0);
    // The line and the band view of the same absorption: the lines from one lower level (P1, R1
    // and RQ21 from F1 N'' = 3) absorb like the band they belong to.
    LoadBand(f.db, 0, 0, 1);
    const double lines =
        (f.db.LineData(2, 1, 3) + f.db.LineData(2, 5, 3) + f.db.LineData(2, 10, 3)) * f.db.LineUnitFactor[1];
    EXPECT_NEAR(lines, f.db.BandData(2, 0, 0) * f.db.BandUnitFactor[1], 1e-5 * lines);
}

TEST(SystemPrecompute, AFailureLeavesTheSystemInUse) {
    FlatSystem f;
    SystemPrecompute(f.db, 0.0f, f.shell);
    LoadBand(f.db, 1, 1, 1);
    const auto lifetimes = f.db.UpperLevelData;
    std::filesystem::remove(f.data.Dir() / "FL/AX/FLAX21.INT");
    EXPECT_THROW(SystemPrecompute(f.db, 0.0f, f.shell), FileError);
    EXPECT_TRUE(std::equal(lifetimes.begin(), lifetimes.end(), f.db.UpperLevelData.begin()));
    EXPECT_TRUE(IsBandLoaded(f.db, 1, 1, 1));

    // Constants that are finite but absurd (B = 1e30, T = 1e38) give no NaN or infinite
    // lifetimes: the system is refused, naming the files to check.
    for (const auto& lowest : {Level(0, 1e30), Level(1e38, 0.001)}) {
        f.data.Constants(1, 1, testing::SpcFormat1(1, {lowest, Level(2000, 0.001), Level(3900, 0.001)}));
        const std::string message = FileErrorMessage([&] { SystemPrecompute(f.db, 0.0f, f.shell); });
        EXPECT_THAT(message, AllOf(HasSubstr(lowest[0] > 0 ? "is not above that of v = 0" : "beyond single precision"),
                                   HasSubstr("FLA.SPC")))
            << lowest[0];
        EXPECT_TRUE(std::equal(lifetimes.begin(), lifetimes.end(), f.db.UpperLevelData.begin()));
    }
}

/// The flat system with level files that add nothing but a quenching rate constant of
/// 20 us-1 Torr-1 to every level.
struct QuenchedSystem : FlatSystem {
    QuenchedSystem() : FlatSystem(1) {
        for (int v = 0; v <= 2; ++v) {
            std::string text = "N  tau kp kq  tau kp kq\r\n";
            for (int N = 0; N <= 12; ++N) text += std::to_string(N) + ", 0, 0, 20,  0, 0, 20\r\n";
            data.LevelFile(1, v, text);
        }
    }
    float Yield(int v, int k, int N) const { return db.UpperLevelData(v, 2 * db.UpperComponents + k, N); }
};

TEST(Quenching, ANewQuenchingRecomputesTheYields) {
    QuenchedSystem f;
    const float torr = 0.5f;
    // Before a system is loaded the quenching is only stored.
    Requench(f.db, {1, 10.0}, torr, f.shell);
    EXPECT_EQ(f.db.quenching.rate, 10.0);
    EXPECT_TRUE(f.shell.progress.empty());

    f.db.quenching = {};
    SystemPrecompute(f.db, torr, f.shell);
    EXPECT_FLOAT_EQ(f.Yield(0, 1, 3), 1.0f);  // source 0: no quenching

    // One value for all levels: Y = 1 / (1 + kq P τ) = 1 / (1 + 0.010 x 0.5 x 100).
    Requench(f.db, {1, 10.0}, torr, f.shell);
    EXPECT_NEAR(f.Yield(0, 1, 3), 1.0 / 1.5, 1e-4);
    EXPECT_TRUE(IsBandLoaded(f.db, 0, 0, 1));
    Requench(f.db, {1, 30.0}, torr, f.shell);
    EXPECT_NEAR(f.Yield(0, 2, 7), 1.0 / 2.5, 1e-4);

    // The files' own constants (20): Y = 1 / (1 + 0.020 x 0.5 x 100).
    Requench(f.db, {2, 30.0}, torr, f.shell);
    EXPECT_NEAR(f.Yield(0, 1, 2), 1.0 / 2.0, 1e-4);
    EXPECT_THROW(Requench(f.db, {4, 30.0}, torr, f.shell), std::invalid_argument);
    EXPECT_EQ(f.db.quenching.source, 2);
}

TEST(Quenching, AFailedRecomputationChangesNothing) {
    QuenchedSystem f;
    f.db.quenching.source = 1;
    SystemPrecompute(f.db, 1.0f, f.shell);
    const float before = f.Yield(0, 1, 3);
    std::filesystem::remove(f.data.Dir() / "FL/FLAV1.DAT");
    EXPECT_THROW(Requench(f.db, {1, 50.0}, 1.0f, f.shell), FileError);
    EXPECT_EQ(f.db.quenching.rate, 0.0);
    EXPECT_THROW(Requench(f.db, {2, 0.0}, 1.0f, f.shell), FileError);
    EXPECT_EQ(f.db.quenching.source, 1);
    EXPECT_EQ(f.Yield(0, 1, 3), before);
}

}  // namespace
}  // namespace velmora::database
