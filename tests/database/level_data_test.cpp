// Upper-level files: effective lifetimes with predissociation and fluorescence quantum yields
// (Stern-Volmer quenching), checked against hand computations.
#include "database/level_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "database/catalogue.h"
#include "support/file_error.h"
#include "support/sample_database.h"

namespace velmora::database {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::SampleDatabase;
using testing::SampleEntry;
using velmora::testing::FileErrorMessage;

/// A database with a Σ upper state (entry 1, two components) and a Π upper state (entry 2,
/// four components), both with level files, and one entry without them (entry 3).
struct LevelFixture {
    SampleDatabase data;
    DatabaseState db;

    LevelFixture() {
        SampleEntry sigma;
        sigma.code = "OH", sigma.levelFiles = 1, sigma.nmaxVibUp = 1, sigma.rotRows = {8, 8};
        SampleEntry pi = sigma;
        pi.code = "CO", pi.lambdaUp = 1;
        SampleEntry none = sigma;
        none.code = "CF", none.levelFiles = 0;
        data.Catalogue({sigma, pi, none}, 1, 1, 8);
        SetAppPath(db, data.Folder());
        LoadCatalogue(db);
    }

    /// Prepares upper level v of an entry as the pre-computation does before the file step,
    /// with a computed radiative lifetime of `tau` ns for every component and row.
    void Prepare(int entry, int v, float tau) {
        db.systemEntry = entry;
        InitialiseLevelData(db, v);
        for (int k = 1; k <= 4; ++k)
            for (int N = 0; N <= db.cat.MaxN + 2; ++N) db.UpperLevelData(v, k, N) = tau;
    }
    /// Level-file records of rows from..to with every value 0 (computed lifetimes, nothing else).
    static std::string ZeroRows(int from, int to, int components) {
        std::string text;
        for (int N = from; N <= to; ++N) {
            text += std::to_string(N);
            for (int k = 0; k < components; ++k) text += ", 0, 0, 0";
            text += "\r\n";
        }
        return text;
    }
    float EffLifetime(int v, int k, int N) const { return db.UpperLevelData(v, db.UpperComponents + k, N); }
    float Yield(int v, int k, int N) const { return db.UpperLevelData(v, 2 * db.UpperComponents + k, N); }
};

TEST(LevelData, AFileLifetimeAnchorsTheRadiativeScaleAndPredissociationOnlyShortensIt) {
    LevelFixture f;
    // N, then (lifetime ns, predissociation s-1, quenching us-1 Torr-1) for F1 and F2.
    f.data.LevelFile(1, 0,
                     "N  tau1 kp1 kq1  tau2 kp2 kq2\r\n"
                     "0, 600, 0, 0,  700, 0, 0\r\n"     // measured lowest level; F2 N = 0 does not exist
                     "1, 0, 1e9, 0,  700, 2000, 0\r\n"  // 1 ns-1 predissociation; 2000 s-1 counts as none
                     "2, 0, 1e7, 0,  0, 0, 0\r\n" +
                         LevelFixture::ZeroRows(3, 8, 2));
    f.Prepare(1, 0, 0.0f);
    auto computed = [](int N) { return 650.0 - 2.0 * N; };  // from the band sums, N-dependent
    for (int k = 1; k <= 2; ++k)
        for (int N = k - 1; N <= f.db.cat.MaxN + 2; ++N) f.db.UpperLevelData(0, k, N) = float(computed(N));
    ReadLevelData(f.db, 0, 0.0f);
    EXPECT_EQ(f.db.UpperComponents, 2);

    // The measured 600 ns of N = 0 scales every computed lifetime of v' = 0 by 600 / 650.
    const double scale = 600.0 / 650.0;
    auto radiative = [&](int k, int N) { return double(f.db.UpperLevelData(0, k, N)); };
    EXPECT_FLOAT_EQ(radiative(1, 0), 600.0f);
    EXPECT_FLOAT_EQ(f.Yield(0, 1, 0), 1.0f);
    for (int N : {1, 2, 5}) EXPECT_NEAR(radiative(1, N), computed(N) * scale, 1e-3) << N;
    // F2 N = 0 has no level: its row stays empty whatever the file says.
    EXPECT_EQ(radiative(2, 0), 0.0);
    EXPECT_EQ(f.EffLifetime(0, 2, 0), 0.0f);
    EXPECT_EQ(f.Yield(0, 2, 0), 0.0f);
    // F2 N = 1: the file's own radiative lifetime.
    EXPECT_FLOAT_EQ(radiative(2, 1), 700.0f);
    EXPECT_FLOAT_EQ(f.EffLifetime(0, 2, 1), 700.0f);
    // F1 N = 1: 1/τ_eff = 1/τ_rad + 1 ns-1, yield τ_eff / τ_rad; F1 N = 2: 0.01 ns-1.
    const double tau1 = computed(1) * scale, tau2 = computed(2) * scale;
    EXPECT_NEAR(f.EffLifetime(0, 1, 1), tau1 / (1 + tau1), 1e-6);
    EXPECT_NEAR(f.Yield(0, 1, 1), 1 / (1 + tau1), 1e-8);
    EXPECT_NEAR(f.EffLifetime(0, 1, 2), tau2 / (1 + 0.01 * tau2), 1e-3);
    EXPECT_NEAR(f.Yield(0, 1, 2), 1 / (1 + 0.01 * tau2), 1e-7);
    for (int k = 1; k <= 2; ++k)
        for (int N = 0; N <= 2; ++N) EXPECT_LE(f.EffLifetime(0, k, N), radiative(k, N)) << k << " " << N;
    // A record of zeros: the computed lifetime, no predissociation.
    EXPECT_NEAR(radiative(1, 3), computed(3) * scale, 1e-3);
    EXPECT_FLOAT_EQ(f.Yield(0, 1, 3), 1.0f);
}

TEST(LevelData, QuenchingFollowsSternVolmer) {
    LevelFixture f;
    f.data.LevelFile(1, 0, "heading\r\n0, 100, 0, 20,  100, 1e8, 5\r\n" + LevelFixture::ZeroRows(1, 8, 2));
    f.db.quenching.rate = 10.0;  // us-1 Torr-1

    // Source 1, one rate constant for all levels: Y = 1 / (1 + kq P tau) = 1 / (1 + 0.01 x 2 x 100).
    f.db.quenching.source = 1;
    f.Prepare(1, 0, 100.0f);
    ReadLevelData(f.db, 0, 2.0f);
    EXPECT_NEAR(f.Yield(0, 1, 0), 1.0 / 3.0, 1e-7);
    // F2 is also predissociated (0.1 ns-1): Y = 1 / (1 + (kp + kq P) tau) = 1 / (1 + 0.12 x 100).
    EXPECT_NEAR(f.Yield(0, 2, 0), 1.0 / 13.0, 1e-7);

    // The same source at zero pressure gives the yields without collisions.
    f.Prepare(1, 0, 100.0f);
    ReadLevelData(f.db, 0, 0.0f);
    EXPECT_FLOAT_EQ(f.Yield(0, 1, 0), 1.0f);
    EXPECT_NEAR(f.Yield(0, 2, 0), 1.0 / 11.0, 1e-7);

    // Source 2: each level's own rate constant (20 and 5 us-1 Torr-1) at 2 Torr.
    f.db.quenching.source = 2;
    f.Prepare(1, 0, 100.0f);
    ReadLevelData(f.db, 0, 2.0f);
    EXPECT_NEAR(f.Yield(0, 1, 0), 1.0 / (1.0 + 0.04 * 100.0), 1e-7);
    EXPECT_NEAR(f.Yield(0, 2, 0), 1.0 / (1.0 + 0.11 * 100.0), 1e-7);

    // Source 0 ignores both.
    f.db.quenching.source = 0;
    f.Prepare(1, 0, 100.0f);
    ReadLevelData(f.db, 0, 2.0f);
    EXPECT_FLOAT_EQ(f.Yield(0, 1, 0), 1.0f);
}

TEST(LevelData, PiUpperStatesHaveFourComponentsAndReadingStopsAtMaxN) {
    LevelFixture f;
    std::string text = "h\r\n" + LevelFixture::ZeroRows(0, 0, 4);
    for (int N = 1; N <= 8; ++N) {
        text += std::to_string(N);
        for (int k = 1; k <= 4; ++k) text += ", " + std::to_string(100 * k) + ", 0, 0";
        text += "\r\n";
    }
    text += "this line lies beyond row MaxN and is never read\r\n";
    f.data.LevelFile(2, 1, text);
    f.Prepare(2, 1, 50.0f);
    ReadLevelData(f.db, 1, 0.0f);
    EXPECT_EQ(f.db.UpperComponents, 4);
    for (int k = 1; k <= 4; ++k) EXPECT_FLOAT_EQ(f.EffLifetime(1, k, 8), 100.0f * k) << k;
}

TEST(LevelData, EntriesWithoutLevelFilesDecayRadiativelyWithYieldOne) {
    LevelFixture f;
    f.Prepare(3, 0, 80.0f);
    f.db.UpperLevelData(0, 2, 0) = 0.0f;  // no such level
    ReadLevelData(f.db, 0, 5.0f);         // reads nothing
    EXPECT_FLOAT_EQ(f.db.LevelYield(0, 2, 4), 1.0f);
    EXPECT_FLOAT_EQ(f.EffLifetime(0, 2, 4), 80.0f);
    EXPECT_FLOAT_EQ(f.Yield(0, 2, 4), 1.0f);
    EXPECT_FLOAT_EQ(f.Yield(0, 2, 0), 0.0f);
}

TEST(LevelData, BadFilesAreReported) {
    struct Case {
        std::string name, content, message;
    };
    const std::vector<Case> cases = {
        {"empty", "", "holds no level records"},
        {"heading only", "N tau kp kq\r\n", "holds no level records"},
        {"truncated record", "h\r\n0, 100, 0, 0, 100\r\n", "line 2: the first record holds 5 of its 7 values"},
        {"not a number", "h\r\n0, 100, fast, 0, 100, 0, 0\r\n", "\"fast\" is not a number"},
        {"row out of range", "h\r\n-1, 100, 0, 0, 100, 0, 0\r\n", "line 2: row N = -1 where N = 0 is expected"},
        {"row far above MaxN", "h\r\n4000, 100, 0, 0, 100, 0, 0\r\n", "row N = 4000"},
        {"negative lifetime", "h\r\n0, 100, 0, 0, 100, 0, 0\r\n1, 100, 0, 0, -100, 0, 0\r\n",
         "line 3: the radiative lifetime of component 2 at N = 1 -100 ns lies outside 0.001..1000000000000 ns"},
        {"negative rate", "h\r\n0, 100, -2e5, 0, 100, 0, 0\r\n",
         "line 2: the predissociation rate of component 1 at N = 0 -200000 s-1 lies outside"},
        {"negative quenching", "h\r\n0, 100, 0, 0, 100, 0, -1\r\n",
         "the quenching rate constant of component 2 at N = 0 -1 us-1 Torr-1 lies outside 0..1000"},
    };
    for (const auto& c : cases) {
        LevelFixture f;
        f.data.LevelFile(1, 0, c.content);
        f.Prepare(1, 0, 100.0f);
        EXPECT_THAT(FileErrorMessage([&] { ReadLevelData(f.db, 0, 0.0f); }),
                    AllOf(HasSubstr("OHAV0.DAT"), HasSubstr(c.message)))
            << c.name;
    }
    LevelFixture f;
    f.Prepare(1, 1, 100.0f);
    EXPECT_THAT(FileErrorMessage([&] { ReadLevelData(f.db, 1, 0.0f); }), HasSubstr("OHAV1.DAT: file not found"));
}

}  // namespace
}  // namespace velmora::database
