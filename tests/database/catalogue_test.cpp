// The catalogue reader: entries, clipping to the header maxima, derived values, bad files.
#include "database/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/errors.h"
#include "database/open_sample.h"
#include "support/file_error.h"
#include "support/sample_database.h"

namespace velmora::database {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::SampleDatabase;
using testing::SampleEntry;
using velmora::testing::FileErrorMessage;

/// Three entries: OH A-X (Σ-Π), N2+ B-X (Σ-Σ) with a row count above MaxN, and a Π-Π entry
/// whose upper vibrational range exceeds MaxVUpper.
std::vector<SampleEntry> ThreeEntries() {
    SampleEntry oh;
    oh.code = "OH", oh.lambdaUp = 0, oh.lambdaLow = 1, oh.nmaxVibUp = 1, oh.nmaxVibLow = 2;
    oh.referenceLifetime = 688.0, oh.mass = 17.00274f, oh.rotRows = {30, 25};
    SampleEntry n2p;
    n2p.code = "N2P", n2p.upper = "B", n2p.lambdaUp = 0, n2p.lambdaLow = 0, n2p.nmaxVibUp = 2, n2p.nmaxVibLow = 4;
    n2p.mass = 28.0055994f;      // 14N2 less one electron
    n2p.rotRows = {80, 20, 10};  // 80 is above MaxN = 50; v'' up to 4 is above MaxVLower = 3
    SampleEntry pipi;
    pipi.code = "CD", pipi.upper = "B", pipi.lower = "A", pipi.lambdaUp = 1, pipi.lambdaLow = 1;
    pipi.nmaxVibUp = 5, pipi.nmaxVibLow = 1, pipi.rotRows = {40, 40, 40, 40, 40, 40};  // v' 5 > MaxVUpper = 4
    return {oh, n2p, pipi};
}

TEST(Catalogue, ReadsEntriesAndDerivesTheirValues) {
    SampleDatabase data;
    data.Catalogue(ThreeEntries(), 4, 3, 50);
    const DatabaseState db = OpenSample(data);
    const Catalogue& cat = db.cat;

    EXPECT_EQ(cat.CatalogueCount, 3);
    EXPECT_EQ(cat.MaxN, 50);
    EXPECT_EQ(cat.MoleculeCode(1), "OH");
    EXPECT_EQ(cat.SystemLabel(1), " (A-X)");
    EXPECT_DOUBLE_EQ(cat.ReferenceLifetime(1), 688.0);
    EXPECT_FLOAT_EQ(cat.MolecularMass(1), 17.00274f);
    EXPECT_EQ(cat.NMaxRot(1, 0), 30);
    EXPECT_EQ(cat.NMaxRot(1, 1), 25);
    EXPECT_EQ(cat.NMaxRotAll(1), 30);

    // Without descriptions (STATES.SYS) a molecule is shown by the code of its files, a cation's
    // code ending in P (plus) by its charge when the mass is the cation's.
    EXPECT_EQ(cat.MoleculeName(1), "OH");
    EXPECT_EQ(cat.MoleculeName(2), "N2+");
    EXPECT_EQ(cat.MoleculeName(3), "CD");
    EXPECT_EQ(cat.MoleculeCode(2), "N2P");
    // A row count above MaxN is stored as MaxN; NMaxVib is clipped to the header maxima.
    EXPECT_EQ(cat.NMaxRot(2, 0), 50);
    EXPECT_EQ(cat.NMaxRotAll(2), 50);
    EXPECT_EQ(cat.NMaxVib(2, 2), 3);

    // An entry whose upper range exceeds MaxVUpper stores no row counts.
    EXPECT_EQ(cat.NMaxVib(3, 1), 4);
    EXPECT_EQ(cat.NMaxRot(3, 0), 0);
    EXPECT_EQ(cat.NMaxRotAll(3), 0);

    // Two branch sets only when both states have Λ >= 1.
    EXPECT_EQ(cat.LambdaFactor(1), 1.0f);
    EXPECT_EQ(cat.LambdaFactor(2), 1.0f);
    EXPECT_EQ(cat.LambdaFactor(3), 2.0f);

    EXPECT_EQ(cat.BranchName(0, 7), "O12");
    EXPECT_EQ(cat.BranchName(1, 12), "SR21");
    EXPECT_EQ(cat.TableLabel(1, 12), "T12");
    EXPECT_EQ(cat.QuantityFormat(6, 0), "##0.000");
    EXPECT_EQ(cat.KindName(3), "LIF excitation");
    EXPECT_EQ(cat.IntensityUnitName(1), "Relative units");  // the first quantity's unit
    EXPECT_EQ(cat.UnitName(1), "\xC3\x85 (Vacuum)");        // Å in UTF-8
    EXPECT_EQ(cat.UnitName(3), "cm-1");
}

TEST(Catalogue, PressureFactorsConvertToTorr) {
    Catalogue cat;
    FillFixedTables(cat);
    // One standard atmosphere in each unit of the list (the bar is taken as the atmosphere).
    const double atmosphere[] = {760.0, 1.0, 1013.25, 1.0, 101325.0, 101.325};
    for (int u = 0; u <= 5; ++u) EXPECT_NEAR(atmosphere[u] * cat.PressureToTorr(u), 760.0, 0.02) << u;
    EXPECT_EQ(cat.QuenchingUnitFactor(0), 1.0);
}

/// Every way a catalogue can be bad: the message names the file and says what is wrong.
TEST(Catalogue, BadFilesAreReportedAndLeaveTheCatalogueInUse) {
    SampleDatabase good;
    good.Catalogue(ThreeEntries(), 4, 3, 50);
    DatabaseState db = OpenSample(good);
    const std::string text = testing::ReadFile(good.Dir() / "VELMORA.SYS");

    struct Case {
        std::string name, content, message;
    };
    std::string garbled = text;
    garbled.replace(garbled.find("688"), 3, "6x8");
    // The same file once more through a CR-LF conversion: CR CR LF line ends.
    std::string crcrlf;
    for (char ch : garbled) crcrlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    auto with = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        return t.replace(t.find(from), from.size(), to);
    };
    const std::size_t mass = text.find("17.0027");
    const std::string massText = text.substr(mass, text.find(',', mass) - mass);
    const std::vector<Case> cases = {
        {"empty", "", "is empty"},
        {"title only", "Catalogue\r\n", "too few values"},
        {"truncated in the entries", text.substr(0, text.size() / 3), "too few values"},
        {"truncated in the label tables", text.substr(0, text.size() - 20), "too few values"},
        {"a field that is not a number", garbled, "line 5: the field \"6x8\" is not a number"},
        {"CR CR LF line ends", crcrlf, "line 5: the field \"6x8\" is not a number"},
        {"a decimal comma", with("688,", "688,5,"), "line 5: the number \"688,5\" is written with a decimal comma"},
        {"no lifetime", with("688,", "-688,"),
         "line 5: entry 1: the reference lifetime -688 ns lies outside 0.001..1000000000000 ns"},
        {"a lifetime beyond single precision", with("688,", "1e300,"), "entry 1: the reference lifetime 1E+300 ns"},
        {"no mass", with(massText, "0"), "line 6: entry 1: the molecular mass 0 u lies outside 1..500 u"},
        {"a header out of range", "T\r\n1, 4, 3, 999999\r\nh\r\n", "MaxN = 999999"},
        {"a negative entry count", "T\r\n-2, 4, 3, 50\r\nh\r\n", "CatalogueCount"},
        {"binary garbage", std::string("\x01\x02\xff\xfe,,\x7f\r\n\x00\x00", 12), "not a number"},
    };
    for (const auto& c : cases) {
        SampleDatabase bad;
        bad.Write("VELMORA.SYS", c.content);
        DatabaseState target = db;
        SetAppPath(target, bad.Folder());
        EXPECT_THAT(FileErrorMessage([&] { LoadCatalogue(target); }),
                    AllOf(HasSubstr("VELMORA.SYS"), HasSubstr(c.message)))
            << c.name;
        // The catalogue loaded before is untouched.
        EXPECT_EQ(target.cat.CatalogueCount, 3) << c.name;
        EXPECT_EQ(target.cat.MoleculeName(2), "N2+") << c.name;
        EXPECT_EQ(target.LineData.Hi(2), db.LineData.Hi(2)) << c.name;
    }

    DatabaseState missing;
    SetAppPath(missing, (good.Dir() / "nowhere").string());
    EXPECT_THROW(LoadCatalogue(missing), FileError);
}

TEST(Catalogue, RejectsEntriesTheProgramCannotHold) {
    SampleEntry quartet;
    quartet.lambdaUp = 3;  // Φ: no term formulas
    SampleDatabase data;
    data.Catalogue({quartet}, 2, 2, 20);
    DatabaseState db;
    SetAppPath(db, data.Folder());
    EXPECT_THAT(FileErrorMessage([&] { LoadCatalogue(db); }), HasSubstr("entry 1: Lambda of state 1 is 3"));
}

}  // namespace
}  // namespace velmora::database
