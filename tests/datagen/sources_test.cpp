// Malformed or incomplete sources stop the builder with the file, line and field; a failed build
// leaves the previous database untouched; regeneration reproduces the committed files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "common/errors.h"
#include "csv_table.h"
#include "datagen_support.h"
#include "generate.h"
#include "quenching.h"
#include "support/temp_dir.h"

namespace velmora::datagen {
namespace {

namespace fs = std::filesystem;
using velmora::testing::ReadFile;
using velmora::testing::TempDir;

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(CsvTable, NamesFileLineAndFieldOfABadNumber) {
    const auto t = CsvTable::Parse("v,T_v,B\n0,0,1.5\n1,2000,1.4x\n", "X/levels_X.csv");
    const auto& row = t.Rows()[1];
    EXPECT_EQ(MessageOf([&] { t.Number(row, t.Column("B")); }),
              "X/levels_X.csv, line 3: field \"B\": \"1.4x\" is not a number");
    EXPECT_EQ(t.NumberOr(t.Rows()[0], t.Column("T_v"), 7.0), 0.0);
}

TEST(CsvTable, QuotedFieldsKeepTheirCommasAndCountedFieldsMustMatchTheHeader) {
    const auto t = CsvTable::Parse("a,b,source\r\n1,2,\"x, y \"\"z\"\"\"\r\n", "t.csv");
    EXPECT_EQ(t.Text(t.Rows()[0], 2), "x, y \"z\"");
    EXPECT_EQ(MessageOf([] { CsvTable::Parse("a,b\n1,2,3\n", "t.csv"); }),
              "t.csv, line 2: has 3 fields, the header has 2");
    EXPECT_EQ(MessageOf([] { CsvTable::Parse("a,b\n1,\"2\n", "t.csv"); }),
              "t.csv, line 2: a quoted field is not closed");
    EXPECT_EQ(MessageOf([] { CsvTable::Parse("a,b\n1,2\n", "t.csv").Column("c"); }),
              "t.csv, line 1: the header has no column \"c\"");
}

TEST(BuildConfig, UnknownOrMissingSettingsAreReportedWithTheirLine) {
    const std::string head = "[entry]\nfolder = OH_AX\ncode = OH\n";
    EXPECT_EQ(MessageOf([&] { ParseBuildConfig(head + "colour = red\n", "catalogue.cfg"); }),
              "catalogue.cfg, line 4: \"colour\": unknown setting");
    EXPECT_EQ(
        MessageOf([&] { ParseBuildConfig(head + "upper = A Sigma+ levels levels_A.csv 0-x\n", "catalogue.cfg"); }),
        "catalogue.cfg, line 4: \"upper\": \"x\" is not a number");
    EXPECT_EQ(MessageOf([&] {
                  ParseBuildConfig(
                      head + "upper = A Sigma+ levels levels_A.csv 0-4\nlower = X Pi levels levels_X.csv 0-13\n",
                      "catalogue.cfg");
              }),
              "catalogue.cfg, line 1: the entry has no \"mass\" setting");
    const std::string entry = head +
                              "upper = A 2Sigma+ levels levels_A.csv 0-4\nlower = X 2Pi levels levels_X.csv 0-13\n"
                              "lower_labels = case_b\nmass = 17\nreduced_mass = 0.9\nnmaxrot = 20\n";
    EXPECT_EQ(MessageOf([&] { ParseBuildConfig(entry + "absolute_scale = none\n", "catalogue.cfg"); }),
              "catalogue.cfg, line 1: an entry without an absolute scale takes relative band strengths only (bands "
              "= FCF or none with its own unit moment, no measured lifetimes)");
    EXPECT_FALSE(ParseBuildConfig(entry + "bands = FCF\nabsolute_scale = none\n", "catalogue.cfg")[0].absoluteScale);
    EXPECT_EQ(MessageOf([&] { ParseBuildConfig(entry + "absolute_scale = maybe\n", "catalogue.cfg"); }),
              "catalogue.cfg, line 10: \"absolute_scale\": expected one of lifetime, none, found \"maybe\"");
}

TEST(BuildConfig, TermSymbolsLabelsAndMoleculeKeysDescribeTheStates) {
    const std::string head =
        "[entry]\nfolder = N2_CB\ncode = N2\nmass = 28\nreduced_mass = 7\nnmaxrot = 10\ntdm = own\n";
    const auto entry = [&](const std::string& keys) { return ParseBuildConfig(head + keys, "catalogue.cfg").at(0); };
    const EntryDefinition e = entry(
        "upper = C 3Pi_u levels levels_C.csv 0-4\nupper_labels = case_b\nlower = B 3Pi_g levels levels_B.csv 0-7\n"
        "lower_labels = case_a\nnuclear_spin = 2 1\nname = N2\nhitran = 22 1\nenergy_zero = absolute\n");
    EXPECT_EQ(e.upper.twoS, 2);
    EXPECT_EQ(e.upper.lambda, 1);
    EXPECT_EQ(e.upper.inversion, 'u');
    EXPECT_EQ(e.upper.labels, 'b');
    EXPECT_EQ(e.lower.inversion, 'g');
    EXPECT_EQ(e.lower.labels, 'a');
    EXPECT_EQ(e.nuclearSpin, 1);
    EXPECT_EQ(e.antisymmetricWeight, 1.0);
    EXPECT_EQ(e.hitranMolecule, 22);
    EXPECT_TRUE(e.absoluteEnergies);
    const EntryDefinition doublet = entry("upper = A Sigma- levels a.csv 0\nlower = X 1Sigma+ levels x.csv 0\n");
    EXPECT_EQ(doublet.upper.twoS, 1) << "no multiplicity: a doublet";
    EXPECT_EQ(doublet.upper.sigmaSign, -1);
    EXPECT_EQ(doublet.lower.twoS, 0);
    EXPECT_EQ(doublet.name, "N2") << "the code";
    struct Case {
        const char* keys;
        const char* message;
    };
    const Case faults[] = {
        {"upper = A 2Sigma levels a.csv 0\n", "line 8: \"upper\": \"2Sigma\" is not a term symbol"},
        {"upper = A 4Pi levels a.csv 0\n", "\"4Pi\" is not a term symbol"},
        {"upper = A 2Pi levels a.csv 0\nlower = X 2Sigma+ levels x.csv 0\n",
         "line 8: a Pi state needs \"upper_labels\" (case_a or case_b"},
        {"upper = A 2Sigma+ levels a.csv 0\nupper_labels = case_a\n", "a Sigma state has no labels to choose"},
        {"upper = A 2Delta levels a.csv 0\nupper_labels = case_a\n",
         "the levels of a Delta state take case (b) labels"},
        {"upper = A 2Sigma_u+ levels a.csv 0\nlower = X 2Sigma_g+ levels x.csv 0\n",
         "a g/u symmetry needs \"nuclear_spin\" weights"},
        {"upper = A 2Sigma+ levels a.csv 0\nlower = X 2Sigma+ levels x.csv 0\nnuclear_spin = 1 0\n",
         "the states of a homonuclear molecule (\"nuclear_spin\") need their g/u symmetry"},
        {"nuclear_spin = yes\n", "expected: <weight of symmetric levels> <weight of antisymmetric levels>"},
        {"nuclear_spin = 0 0\n", "the weights must be 0 or more, and not both 0"},
        {"energy_zero = top\n", "expected one of lowest, absolute"},
    };
    for (const Case& c : faults)
        EXPECT_THAT(MessageOf([&] { ParseBuildConfig(head + c.keys, "catalogue.cfg"); }),
                    ::testing::HasSubstr(c.message))
            << c.keys;
}

/// A private copy of data-src that a test may damage.
struct SourceCopy {
    TempDir dir;
    fs::path src = dir / "data-src";
    SourceCopy() { fs::copy(testing::SourceDir(), src, fs::copy_options::recursive); }
    void Replace(const std::string& file, const std::string& from, const std::string& to) const {
        std::string text = ReadFile(src / file);
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        std::ofstream(src / file, std::ios::binary) << text;
    }
};

TEST(GenerateDatabase, AMalformedTableStopsTheBuildAndKeepsTheOldDatabase) {
    SourceCopy copy;
    copy.Replace("OH_AX/levels_A.csv", "16.12952075", "16.1295x");
    const fs::path out = copy.dir / "data";
    fs::create_directories(out);
    std::ofstream(out / "OLD") << "previous database";
    const std::string msg = MessageOf([&] { GenerateDatabase(copy.src, out); });
    EXPECT_EQ(msg, "data-src/OH_AX/levels_A.csv, line 3: field \"B\": \"16.1295x\" is not a number");
    EXPECT_EQ(ReadFile(out / "OLD"), "previous database");
    for (const auto& e : fs::directory_iterator(copy.dir.path()))
        EXPECT_EQ(e.path().string().find(".new"), std::string::npos);
}

TEST(GenerateDatabase, AnEmptyRequiredConstantIsReportedWithItsField) {
    SourceCopy copy;
    copy.Replace("NO_AX/levels_A.csv", "2,48792.0167,1.94847898", "2,48792.0167,");
    EXPECT_EQ(MessageOf([&] { BuildCatalogue(copy.src, "data-src"); }),
              "data-src/NO_AX/levels_A.csv, line 4: field \"B\": a value is required here but the field is empty");
}

TEST(GenerateDatabase, MissingLevelsAndUnknownTransitionKindsAreReported) {
    SourceCopy copy;
    // CN B v = 10 has no term value in the folder: asking for v = 0-10 stops there; only an empty
    // cell may be interpolated.
    copy.Replace("catalogue.cfg", "upper = B 2Sigma+ levels levels_B.csv 0-9",
                 "upper = B 2Sigma+ levels levels_B.csv 0-10");
    EXPECT_EQ(MessageOf([&] { BuildCatalogue(copy.src, "data-src"); }),
              "data-src/CN_BX/levels_B.csv, line 12: field \"T_v\": a value is required here but the field is empty");
    SourceCopy filled;
    filled.Replace("catalogue.cfg", "upper_interpolate = D 5", "upper_interpolate = D 4");
    EXPECT_EQ(MessageOf([&] { BuildCatalogue(filled.src, "data-src"); }),
              "data-src/CN_BX/levels_B.csv, line 6: field \"D\": holds a value; the catalogue interpolates only an "
              "empty cell");
    SourceCopy longer;
    longer.Replace("catalogue.cfg", "lower = X 2Sigma+ levels levels_X.csv 0-10",
                   "lower = X 2Sigma+ levels levels_X.csv 0-12");
    EXPECT_EQ(MessageOf([&] { BuildCatalogue(longer.src, "data-src"); }),
              "data-src/CN_BX/levels_X.csv: has no row for v = 11 (the catalogue uses v = 0-12)");
    SourceCopy other;
    other.Replace("SH_AX/transitions.csv", "predissociation,0,", "predisociation,0,");
    EXPECT_EQ(MessageOf([&] { BuildCatalogue(other.src, "data-src"); }),
              "data-src/SH_AX/transitions.csv, line 18: field \"kind\": unknown kind \"predisociation\"");
}

TEST(GenerateDatabase, AStateOfSeveralEntriesMustBeDescribedAlikeByEach) {
    // CH X is the lower state of CH A-X, B-X and C-X.
    SourceCopy copy;
    copy.Replace("catalogue.cfg", "lower = X 2Pi levels CH_AX/levels_X.csv 0-4\nlower_labels = case_b",
                 "lower = X 2Pi levels CH_AX/levels_X.csv 0-4\nlower_labels = case_a");
    EXPECT_EQ(MessageOf([&] { DatabaseFiles(BuildCatalogue(copy.src, "data-src"), kReadmeMarker); }),
              "the state CH X is described differently by CH_AX and by CH_BX");
}

TEST(GenerateDatabase, ASharedStateMustComeFromTheSameConstants) {
    // NO A-X and NO B-X both write NO/NOX.SPC.
    SourceCopy copy;
    copy.Replace("NO_BX/levels_X.csv", "1.696111075", "1.696111076");
    EXPECT_EQ(MessageOf([&] { DatabaseFiles(BuildCatalogue(copy.src, "data-src"), kReadmeMarker); }),
              "NO/NOX.SPC would be written by NO_AX and by NO_BX with different contents (a shared state must use "
              "the same constants)");
}

TEST(QuenchingFile, OneRecordPerModelAndTheFaultsOfItsRowsNamed) {
    const CsvTable validity =
        CsvTable::Parse("model,T_min_K,T_max_K,basis\nconstant,,,x\nffcm1_arrhenius,290,,y\n", "v.csv");
    const std::string head = "molecule,state,v,partner,model,param,value,unit,source\n";
    const std::string file = QuenchingFile(CsvTable::Parse(head + "OH,A2Sigma+,,N2,ffcm1_arrhenius,A,1.08E+11,,s\n"
                                                                  "OH,A2Sigma+,,N2,ffcm1_arrhenius,n,0.5,,s\n"
                                                                  "OH,A2Sigma+,0,N2,measured,sigma_T294K,4.3,,s\n"
                                                                  "OH,A2Sigma+,,N2,ffcm1_arrhenius,Ea,-1238,,s\n",
                                                           "q.csv"),
                                           validity);
    EXPECT_NE(file.find("\"OH\", \"A\", \"N2\", \"arrhenius\", 290, 0, 1.08e+11, 0.5, -1238\r\n"), std::string::npos)
        << file;
    auto fault = [&](const std::string& rows) {
        return MessageOf([&] { QuenchingFile(CsvTable::Parse(head + rows, "q.csv"), validity); });
    };
    EXPECT_EQ(fault("NO,A2Sigma+,,O2,constant,sigma,25.1,,s\nNO,A2Sigma+,,O2,constant,sigma,25.2,,s\n"),
              "q.csv, line 3: field \"param\": \"sigma\" is given twice for NO + O2");
    EXPECT_EQ(fault("NO,A2Sigma+,,O2,cubic,sigma,25.1,,s\n"),
              "q.csv, line 2: field \"model\": \"cubic\" is not a known quenching model");
    EXPECT_EQ(fault("OH,A2Sigma+,,N2,ffcm1_arrhenius,A,1.08E+11,,s\n"),
              "q.csv, line 2: field \"param\": OH + N2: parameter \"n\" is missing");
}

TEST(GenerateDatabase, RegeneratingFromTheSourcesGivesTheCommittedFiles) {
    TempDir dir;
    GenerateDatabase(testing::SourceDir(), dir / "data");
    std::vector<std::string> generated, committed;
    for (const auto& e : fs::recursive_directory_iterator(dir / "data"))
        if (e.is_regular_file()) generated.push_back(fs::relative(e.path(), dir / "data").generic_string());
    // The model cache a program run on the folder may have left there is not part of the database.
    for (const auto& e : fs::recursive_directory_iterator(testing::CommittedData()))
        if (const std::string name = fs::relative(e.path(), testing::CommittedData()).generic_string();
            e.is_regular_file() && name.rfind("cache/", 0) != 0)
            committed.push_back(name);
    std::sort(generated.begin(), generated.end());
    std::sort(committed.begin(), committed.end());
    ASSERT_EQ(generated, committed);
    for (const auto& f : generated)
        EXPECT_TRUE(ReadFile(dir / "data" / f) == ReadFile(testing::CommittedData() / f))
            << f << " differs: run datagen";
}

}  // namespace
}  // namespace velmora::datagen
