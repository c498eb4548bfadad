// Reading the constants (.SPC) and transition-probability (.INT) files of a band system:
// both formats, both layouts, the 2Π conversion, file names and bad files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "common/errors.h"
#include "database/band_loader.h"
#include "database/catalogue.h"
#include "database/open_sample.h"
#include "support/file_error.h"
#include "support/sample_database.h"

namespace velmora::database {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::Level;
using testing::LevelConstants;
using testing::RecordsText;
using testing::SampleDatabase;
using testing::SampleEntry;
using testing::SpcFormat1;
using velmora::testing::FileErrorMessage;

/// A Σ-Σ system "XY" A-X with v' = 0..1, v'' = 0..1, per-band files of five-value records.
SampleEntry SigmaSigma() {
    SampleEntry e;
    e.nmaxVibUp = 1, e.nmaxVibLow = 1, e.rotRows = {6, 5};
    return e;
}

/// Five-value records (a, b, c, d, e) = 10 N + (1..5) for rows N = first.. first + count - 1.
std::string NumberedRecords(int first, int count, int values = 5) {
    std::vector<std::vector<double>> records;
    for (int N = first; N < first + count; ++N) {
        std::vector<double> r;
        for (int k = 1; k <= values; ++k) r.push_back(10.0 * N + k);
        records.push_back(r);
    }
    return RecordsText(records);
}

void WriteSigmaConstants(SampleDatabase& data, int entry = 1) {
    data.Constants(entry, 1, SpcFormat1(1, {Level(0, 1.7), Level(2000, 1.68)}));
    data.Constants(entry, 2, SpcFormat1(1, {Level(0, 1.9), Level(2100, 1.88)}));
}

// --- constants files ---------------------------------------------------------------------

TEST(ConstantsFiles, Format1StoresOneRecordPerLevel) {
    SampleDatabase data;
    data.Catalogue({SigmaSigma()}, 1, 1, 10);
    LevelConstants full{};
    for (int k = 0; k < 18; ++k) full[static_cast<std::size_t>(k)] = 0.5 + k;
    // Three records: the third exceeds the arrays (v up to 1) and is ignored.
    data.Constants(1, 1, SpcFormat1(3, {full, Level(2000, 1.68), Level(4000, 1.6)}));
    data.Constants(1, 2, SpcFormat1(0, {Level(0, 1.9), Level(2100, 1.88)}));
    DatabaseState db = OpenSample(data);
    ReadStateConstants(db, 1);

    for (int k = 0; k < 18; ++k) EXPECT_FLOAT_EQ(db.MolConst(1, 0, k), 0.5f + k) << k;
    EXPECT_FLOAT_EQ(db.MolConst(1, 0, 18), 0.0f);
    EXPECT_FLOAT_EQ(db.MolConst(1, 1, 0), 2000.0f);
    EXPECT_FLOAT_EQ(db.MolConst(2, 1, 1), 1.88f);
    EXPECT_EQ(db.SpcConvention(1, 1), 3);
    EXPECT_EQ(db.SpcConvention(2, 1), 0);

    SelectLevel(db, 2, 1);
    EXPECT_FLOAT_EQ(db.LevelConst[0], 2100.0f);
    EXPECT_FLOAT_EQ(db.LevelConst[1], 1.88f);
}

TEST(ConstantsFiles, Format2EvaluatesPolynomialsInVPlusOneHalf) {
    SampleEntry e = SigmaSigma();
    e.nmaxVibUp = 2, e.nmaxVibLow = 2, e.rotRows = {5, 5, 5};
    SampleDatabase data;
    data.Catalogue({e}, 2, 2, 10);
    std::array<std::array<double, 10>, 18> c{};
    c[0] = {1000.0, 2000.0, -10.0};            // G(v) = 1000 + 2000 (v + 1/2) - 10 (v + 1/2)^2
    c[1] = {10.0, -0.5};                       // B(v) = 10 - 0.5 (v + 1/2)
    c[2] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1e-6};  // the tenth coefficient counts too
    data.Constants(1, 1, testing::SpcFormat2(1, 32000.0, c));
    data.Constants(1, 2, testing::SpcFormat2(1, 555.0, c));
    DatabaseState db = OpenSample(data);
    ReadStateConstants(db, 1);

    // Lower state: the polynomials as they stand (the origin is not used).
    EXPECT_FLOAT_EQ(db.MolConst(2, 0, 0), 1000.0f + 1000.0f - 2.5f);
    EXPECT_FLOAT_EQ(db.MolConst(2, 2, 0), 1000.0f + 5000.0f - 62.5f);
    EXPECT_FLOAT_EQ(db.MolConst(2, 1, 1), 10.0f - 0.75f);
    EXPECT_FLOAT_EQ(db.MolConst(2, 2, 2), static_cast<float>(1e-6 * std::pow(2.5, 9)));
    // Upper state: the same vibrational spacings on the given v = 0 term value.
    EXPECT_FLOAT_EQ(db.MolConst(1, 0, 0), 32000.0f);
    EXPECT_FLOAT_EQ(db.MolConst(1, 1, 0), 32000.0f + 1980.0f);
    EXPECT_FLOAT_EQ(db.MolConst(1, 2, 0), 32000.0f + 3940.0f);
    EXPECT_FLOAT_EQ(db.MolConst(1, 2, 1), 10.0f - 1.25f);
}

TEST(ConstantsFiles, PiConstantsOfTheSecondConventionAreConverted) {
    SampleEntry e = SigmaSigma();
    e.lambdaLow = 1;
    SampleDatabase data;
    data.Catalogue({e}, 1, 1, 10);
    LevelConstants v0{}, v1{};
    // T, B, D, L, A, A_D, γ, γ_D, pΛ, qΛ of two levels.
    v0[0] = 100, v0[1] = 10, v0[2] = 0.001, v0[4] = 1e-9, v0[6] = -140, v0[7] = 0.01;
    v0[9] = 0.1, v0[10] = 0.002, v0[12] = 0.2, v0[15] = -0.03;
    v1[0] = 3000, v1[1] = 9.5, v1[2] = 0.0011, v1[6] = -139, v1[7] = -0.01;
    v1[9] = 0.09, v1[12] = 0.18, v1[15] = -0.028;
    data.Constants(1, 1, SpcFormat1(2, {Level(0, 1.7), Level(2000, 1.68)}));  // Σ: not converted
    data.Constants(1, 2, SpcFormat1(2, {v0, v1}));
    DatabaseState db = OpenSample(data);
    ReadStateConstants(db, 1);

    // By hand: h = A0 pΛ0 / (8 B0) = -140 x 0.2 / 80 = -0.35 for both levels.
    // v = 0: d = (A - h) - 2B - qΛ = -139.65 - 20 + 0.03 = -159.62
    //   T = h/2 + (T - B) + (A - h) pΛ / (4d) = -0.175 + 90 + 27.93 / 638.48 = 89.868745
    //   A_D (positive) = A_D + (qΛ/2 + B) pΛ / d = 0.01 - 1.997 / 159.62 = -0.00251096
    //   A = (A - h)(1 - pΛ / (2d)) = -139.65 x (1 + 0.2 / 319.24) = -139.737489
    //   γ = γ - pΛ/2 = 0; B = B + 2D + qΛ/2 = 9.987; L and γ_D change sign.
    EXPECT_NEAR(db.MolConst(2, 0, 0), 89.868745, 2e-5);
    EXPECT_NEAR(db.MolConst(2, 0, 7), -0.00251096, 1e-8);
    EXPECT_NEAR(db.MolConst(2, 0, 6), -139.737489, 2e-5);
    EXPECT_NEAR(db.MolConst(2, 0, 9), 0.0, 1e-8);
    EXPECT_NEAR(db.MolConst(2, 0, 1), 9.987, 1e-6);
    EXPECT_FLOAT_EQ(db.MolConst(2, 0, 4), -1e-9f);
    EXPECT_FLOAT_EQ(db.MolConst(2, 0, 10), -0.002f);
    // v = 1: d = -138.65 - 19 + 0.028 = -157.622; T = -0.175 + 2990.5 + 24.957 / 630.488;
    // A = -138.65 (1 + 0.18 / 315.244); B = 9.5 + 0.0022 - 0.014; A_D (negative) unchanged.
    EXPECT_NEAR(db.MolConst(2, 1, 0), 2990.364584, 3e-4);
    EXPECT_NEAR(db.MolConst(2, 1, 6), -138.729167, 2e-5);
    EXPECT_NEAR(db.MolConst(2, 1, 1), 9.4882, 1e-6);
    EXPECT_NEAR(db.MolConst(2, 1, 9), 0.0, 1e-8);
    EXPECT_FLOAT_EQ(db.MolConst(2, 1, 7), -0.01f);
    // The Σ upper state keeps its constants.
    EXPECT_FLOAT_EQ(db.MolConst(1, 0, 1), 1.7f);
}

TEST(ConstantsFiles, BadFilesAreReportedAndLeaveTheConstantsInUse) {
    SampleDatabase data;
    data.Catalogue({SigmaSigma()}, 1, 1, 10);
    WriteSigmaConstants(data);
    DatabaseState db = OpenSample(data);
    ReadStateConstants(db, 1);
    const auto before = db.MolConst;
    const std::string good = SpcFormat1(1, {Level(0, 1.9), Level(2100, 1.88)});

    struct Case {
        std::string name, content, message;
    };
    LevelConstants zeroB = Level(2100, 0.0);
    // T(v) = 3e38 + 3e38 (v + 1/2): beyond single precision from v = 0.
    std::string hugePolynomial = "2, 1\r\n100\r\n3e38 3e38 0 0 0 0 0 0 0 0\r\n";
    for (int k = 1; k < 18; ++k) hugePolynomial += "0 0 0 0 0 0 0 0 0 0\r\n";
    const std::vector<Case> cases = {
        {"empty", "", "is empty"},
        {"header only", "1, 1\r\n", "holds constants for 0 vibrational levels"},
        {"one level of two", SpcFormat1(1, {Level(0, 1.9)}), "the catalogue needs v = 0..1"},
        {"truncated record", good.substr(0, good.size() - 12), "line 3: the record of v = 1 holds 14 of its 18 values"},
        {"not a number", "1, 1\r\n0, 1.9, abc\r\n", "\"abc\" is not a number"},
        {"unknown format", "7, 1\r\n", "format code 7"},
        {"polynomials cut short", "2, 1\r\n100\r\n1 2 3\r\n", "line 3: the polynomial of constant 0 holds 3 of its 10"},
        {"a level without B", SpcFormat1(1, {Level(0, 1.9), zeroB}),
         "rotational constant B of v = 1 is 0 (it must be above 0)"},
        {"a negative B", SpcFormat1(1, {Level(0, -1.9), Level(2100, 1.88)}), "B of v = 0 is -1.9"},
        {"beyond single precision", "1, 1\r\n0 1e39 0\r\n", "line 2: value out of range for a single-precision number"},
        {"a polynomial beyond single precision", hugePolynomial,
         "the polynomial of constant 0 gives a value beyond single precision at v = 0"},
        {"a decimal comma", "1 1\r\n0 1,9 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\r\n", "line 2: the number \"1,9\""},
    };
    for (const auto& c : cases) {
        SampleDatabase bad;
        bad.Catalogue({SigmaSigma()}, 1, 1, 10);
        WriteSigmaConstants(bad);
        const auto path = bad.Write("XY/XYX.SPC", c.content);
        DatabaseState target = db;
        SetAppPath(target, bad.Folder());
        EXPECT_THAT(FileErrorMessage([&] { ReadStateConstants(target, 1); }),
                    AllOf(HasSubstr(path.string()), HasSubstr(c.message)))
            << c.name;
        EXPECT_EQ(target.MolConst.Size(), before.Size());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), target.MolConst.begin())) << c.name;
    }

    std::filesystem::remove(data.Dir() / "XY/XYA.SPC");
    EXPECT_THAT(FileErrorMessage([&] { ReadStateConstants(db, 1); }), HasSubstr("XYA.SPC: file not found"));
}

// --- transition probabilities ------------------------------------------------------------

/// LineData(3, b, N) for the groups G7, G1, G3, G5, G12 given.
void ExpectGroups(const DatabaseState& db, int N, float g7, float g1, float g3, float g5, float g12) {
    const float want[13] = {0, g1, g1, g3, g3, g5, g5, g7, g3, g1, g5, g3, g12};
    for (int b = 1; b <= 12; ++b) EXPECT_FLOAT_EQ(db.LineData(3, b, N), want[b]) << "branch " << b << ", row " << N;
}

TEST(ProbabilityFiles, PerBandFilesOfFiveAndThreeValuesFillTheBranchGroups) {
    SampleEntry three = SigmaSigma();
    three.code = "XZ", three.recordKind = 2;
    SampleDatabase data;
    data.Catalogue({SigmaSigma(), three}, 1, 1, 10);
    WriteSigmaConstants(data, 1);
    WriteSigmaConstants(data, 2);
    // v' = 0 has rows up to 6.
    data.BandProbabilities(1, 0, 0, NumberedRecords(0, 7));
    data.BandProbabilities(1, 1, 0, NumberedRecords(0, 6));
    data.BandProbabilities(2, 0, 0, NumberedRecords(0, 7, 3));
    DatabaseState db = OpenSample(data);

    LoadBand(db, 0, 0, 1);
    EXPECT_EQ(db.RotRows, 6);
    ExpectGroups(db, 0, 1, 2, 3, 4, 5);
    ExpectGroups(db, 6, 61, 62, 63, 64, 65);
    EXPECT_TRUE(IsBandLoaded(db, 0, 0, 1));

    // The P and O lines of the top upper level end one and two rows further: those rows repeat
    // the last record for those branches alone (G1 holds the P lines, G7 the O lines).
    ExpectGroups(db, 7, 61, 62, 0, 0, 0);
    ExpectGroups(db, 8, 61, 0, 0, 0, 0);

    LoadBand(db, 1, 0, 1);
    EXPECT_EQ(db.RotRows, 5);
    ExpectGroups(db, 5, 51, 52, 53, 54, 55);
    ExpectGroups(db, 6, 51, 52, 0, 0, 0);
    ExpectGroups(db, 7, 51, 0, 0, 0, 0);
    ExpectGroups(db, 8, 0, 0, 0, 0, 0);  // nothing of the band before survives

    // Three values (b, c, d): branch 7 takes b, branch 12 takes d.
    LoadBand(db, 0, 0, 2);
    EXPECT_EQ(db.RotRows, 6);
    ExpectGroups(db, 2, 21, 21, 22, 23, 23);
}

TEST(ProbabilityFiles, PerBandFilesOfAPiLowerStateStartAtRowOne) {
    SampleEntry e = SigmaSigma();
    e.lambdaLow = 1;
    SampleDatabase data;
    data.Catalogue({e}, 1, 1, 10);
    data.Constants(1, 1, SpcFormat1(1, {Level(32000, 17.0), Level(35000, 16.5)}));
    data.Constants(1, 2, SpcFormat1(1, {Level(0, 18.5, -139.0), Level(3570, 17.8, -139.0)}));  // A/B < 0
    data.BandProbabilities(1, 0, 0, NumberedRecords(1, 6));
    DatabaseState db = OpenSample(data);
    LoadBand(db, 0, 0, 1);
    EXPECT_EQ(db.RotRows, 6);
    ExpectGroups(db, 1, 11, 12, 13, 14, 15);
    ExpectGroups(db, 6, 61, 62, 63, 64, 65);
}

TEST(ProbabilityFiles, PerSystemFileGivesOneValueToEachBandAndNeedsEveryBandOnce) {
    SampleEntry e = SigmaSigma();
    e.layout = 2;
    SampleDatabase data;
    data.Catalogue({e}, 1, 1, 10);
    WriteSigmaConstants(data);
    data.SystemProbabilities(1, "0, 0, 0.75\r\n0, 1, 0.25\r\n1, 1, 0.125\r\n1, 0, 0.5\r\n");
    DatabaseState db = OpenSample(data);

    LoadBand(db, 0, 1, 1);
    EXPECT_EQ(db.RotRows, 6);
    for (int N = 0; N <= 6; ++N) ExpectGroups(db, N, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f);
    LoadBand(db, 1, 1, 1);
    EXPECT_EQ(db.RotRows, 5);
    for (int N = 0; N <= 5; ++N) ExpectGroups(db, N, 0.125f, 0.125f, 0.125f, 0.125f, 0.125f);

    // A missing, repeated or impossible band is refused; the band loaded before stays.
    struct Case {
        std::string content, message;
    };
    for (const Case& c : std::vector<Case>{
             {"0 0 0.75\n0 1 0.25\n1 1 0.5\n", "XYAX.INT: holds no record for the band (1, 0)"},
             {"0 0 0.75\n1 0 0.1\n0 1 0.25\n1 0 0.2\n",
              "XYAX.INT, line 4: a second record for the band (1, 0) (the first is on line 2)"},
             {"0 0 0.75\n99999 0 0.1\n",
              "XYAX.INT, line 2: the band (99999, 0) is outside the catalogue's v' 0..1, v'' 0..1"},
             {"0 0 0.75\n1 0 -0.1\n", "XYAX.INT, line 2: the transition probability -0.1 is negative"},
         }) {
        data.SystemProbabilities(1, c.content);
        EXPECT_THAT(FileErrorMessage([&] { LoadBand(db, 1, 0, 1); }), HasSubstr(c.message)) << c.content;
        EXPECT_TRUE(IsBandLoaded(db, 1, 1, 1));
    }
}

TEST(ProbabilityFiles, VibrationalNumbersAreJoinedInFileNames) {
    SampleEntry e = SigmaSigma();
    e.nmaxVibUp = 12, e.nmaxVibLow = 3, e.rotRows.assign(13, 4);
    SampleDatabase data;
    data.Catalogue({e}, 12, 3, 10);
    std::vector<LevelConstants> up, low;
    for (int v = 0; v <= 12; ++v) up.push_back(Level(1000.0 * v, 1.7));
    for (int v = 0; v <= 3; ++v) low.push_back(Level(1000.0 * v, 1.9));
    data.Constants(1, 1, SpcFormat1(1, up));
    data.Constants(1, 2, SpcFormat1(1, low));
    data.Write("XY/AX/XYAX123.INT", NumberedRecords(0, 5));
    DatabaseState db = OpenSample(data);

    EXPECT_EQ(ProbabilityFileName(db, 1, 12, 3), data.Folder() + "/XY/AX/XYAX123.INT");
    LoadBand(db, 12, 3, 1);
    ExpectGroups(db, 4, 41, 42, 43, 44, 45);
}

TEST(ProbabilityFiles, BadFilesAreReportedAndLeaveTheBandLoaded) {
    SampleDatabase data;
    data.Catalogue({SigmaSigma()}, 1, 1, 10);
    WriteSigmaConstants(data);
    data.BandProbabilities(1, 0, 0, NumberedRecords(0, 7));
    DatabaseState db = OpenSample(data);
    LoadBand(db, 0, 0, 1);
    const auto lines = db.LineData;
    const auto upper = db.UpperTerm;

    struct Case {
        std::string name, content, message;
    };
    const std::vector<Case> cases = {
        {"empty", "", "holds no transition probabilities"},
        {"blank lines only", "\r\n  \r\n", "holds no transition probabilities"},
        {"truncated record", "1, 2, 3, 4, 5\r\n1, 2\r\n", "line 2: the record of row N = 1 holds 2 of its 5 values"},
        {"not a number", "1, 2, 3, 4, 5\r\n1, 2, x3, 4, 5\r\n", "\"x3\" is not a number"},
        // v' = 1 needs rows 0..5: a file cut at a record boundary is refused, not shortened.
        {"cut at a record", NumberedRecords(0, 4),
         "line 4: the file ends after 4 records; the catalogue needs rows 0..5 (6 records)"},
        {"negative", NumberedRecords(0, 2) + "1, 2, -3e-5, 4, 5\r\n" + NumberedRecords(3, 3),
         "line 3: the transition probability -3E-05 is negative"},
        {"decimal comma", "1 2 3 4 0,5\r\n", "line 1: the number \"0,5\" is written with a decimal comma"},
        // Finite but absurd: the emission coefficients leave single precision.
        {"huge", "1e38 1e38 1e38 1e38 1e38\r\n" + NumberedRecords(1, 5),
         "line 1: the transition probability 1E+38 debye^2 lies outside 0..100 debye^2"},
    };
    for (const auto& c : cases) {
        const auto path = data.Write("XY/AX/XYAX10.INT", c.content);
        EXPECT_THAT(FileErrorMessage([&] { LoadBand(db, 1, 0, 1); }),
                    AllOf(HasSubstr(path.string()), HasSubstr(c.message)))
            << c.name;
        EXPECT_TRUE(IsBandLoaded(db, 0, 0, 1)) << c.name;
        EXPECT_TRUE(std::equal(lines.begin(), lines.end(), db.LineData.begin())) << c.name;
        EXPECT_TRUE(std::equal(upper.begin(), upper.end(), db.UpperTerm.begin())) << c.name;
    }
    std::filesystem::remove(data.Dir() / "XY/AX/XYAX10.INT");
    EXPECT_THROW(LoadBand(db, 1, 0, 1), FileError);
    EXPECT_TRUE(IsBandLoaded(db, 0, 0, 1));

    // A band or entry outside the catalogue is refused before anything is read.
    EXPECT_THROW(LoadBand(db, 2, 0, 1), std::invalid_argument);
    EXPECT_THROW(LoadBand(db, 0, -1, 1), std::invalid_argument);
    EXPECT_THROW(LoadBand(db, 0, 0, 2), std::invalid_argument);
    EXPECT_TRUE(IsBandLoaded(db, 0, 0, 1));
}

}  // namespace
}  // namespace velmora::database
