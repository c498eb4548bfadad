#include "populations/population_files.h"

#include <gtest/gtest.h>

#include <string>

#include "common/list_reader.h"
#include "one_entry_catalogue.h"
#include "populations/population_model.h"
#include "state/app_state.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::populations {

namespace {

/// A one-entry catalogue whose populated (upper) state has Λ = lambda, levels 0..2 and rows
/// 0..3 per level (MaxN 6), with empty populations.
struct Fixture {
    AppState app;
    testing::ScriptedDialogs dialogs;
    testing::CountingShell shell;
    testing::TempDir dir;

    explicit Fixture(int lambda) {
        app.dialogs = &dialogs;
        app.ui = &shell;
        testing::PrepareOneEntry(app.db, app.pop, lambda, 2, 3, 6);
        for (int v = 0; v <= 2; ++v) app.pop.TRot(v) = 300.0f;
    }
    PopulationState& pop() { return app.pop; }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t a = 0;
    for (std::size_t b; (b = text.find("\r\n", a)) != std::string::npos; a = b + 2)
        out.push_back(text.substr(a, b - a));
    return out;
}

}  // namespace

TEST(RotationalFile, SigmaLevelIsWrittenAsJ_F1_F2AfterNormalisation) {
    Fixture f(0);
    // Level 1: F1 e at N = 0, 1 and F2 f at N = 1, twice the size they will have after
    // normalisation (all components of the level sum to 2 here).
    f.pop().PopRot(1, 1, 0) = 0.5f;
    f.pop().PopRot(1, 1, 1) = 0.5f;
    f.pop().PopRot(1, 2, 1) = 1.0f;
    f.dialogs.inputs = {std::string("1")};
    const auto path = f.dir / "level1.rot";
    ASSERT_TRUE(SaveRotationalDistribution(f.app, path.string()));
    EXPECT_EQ(f.dialogs.prompts[0], "VIBRATIONAL LEVEL TO SAVE: ");
    EXPECT_EQ(f.dialogs.titles[0], " Input on vibrational populations");
    const auto lines = Lines(testing::ReadFile(path));
    ASSERT_EQ(lines.size(), 4u);  // rows 0..NMaxRot
    EXPECT_EQ(lines[0], "0.5  , 0.250000  , 0.500000   ");
    EXPECT_EQ(lines[1], "1.5  , 0.250000  , 0.000000   ");
    EXPECT_EQ(lines[3], "3.5  , 0.000000  , 0.000000   ");
}

TEST(RotationalFile, PiLevelHasFiveColumnsAndDeltaStartsAtRowOne) {
    Fixture f(1);
    f.pop().PopRot(0, 1, 0) = 0.1f;
    f.pop().PopRot(0, 2, 1) = 0.2f;
    f.pop().PopRot(0, 3, 0) = 0.3f;
    f.pop().PopRot(0, 4, 1) = 0.4f;
    f.dialogs.inputs = {std::string("0")};
    const auto path = f.dir / "pi.rot";
    ASSERT_TRUE(SaveRotationalDistribution(f.app, path.string()));
    EXPECT_EQ(Lines(testing::ReadFile(path))[0], "0.5  , 0.100000  , 0.200000   , 0.300000 ,  0.400000");

    Fixture d(2);  // Λ = 2: rows start at Λ − 1 = 1 (J = 1.5)
    d.pop().PopRot(0, 1, 2) = 1.0f;
    d.dialogs.inputs = {std::string("0")};
    ASSERT_TRUE(SaveRotationalDistribution(d.app, (d.dir / "delta.rot").string()));
    const auto lines = Lines(testing::ReadFile(d.dir / "delta.rot"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 5), "1.5  ");
}

TEST(RotationalFile, SaveLevelQuestion) {
    Fixture f(0);
    f.pop().SelV = 2;
    f.pop().PopRot(2, 1, 3) = 4.0f;
    f.pop().PopRot(0, 1, 0) = 4.0f;
    // A level above the highest one saves the level shown; so does a non-number.
    for (const char* answer : {"9", "-1", "abc", ""}) {
        f.dialogs.inputs = {std::string(answer)};
        ASSERT_TRUE(SaveRotationalDistribution(f.app, (f.dir / "sel.rot").string()));
        EXPECT_EQ(Lines(testing::ReadFile(f.dir / "sel.rot"))[3], "3.5  , 1.000000  , 0.000000   ") << answer;
    }
    f.dialogs.inputs = {std::string("0.4")};  // rounded to 0
    ASSERT_TRUE(SaveRotationalDistribution(f.app, (f.dir / "zero.rot").string()));
    EXPECT_EQ(Lines(testing::ReadFile(f.dir / "zero.rot"))[0], "0.5  , 1.000000  , 0.000000   ");
    // Cancel writes nothing, so an existing file stays.
    f.dialogs.inputs.clear();
    EXPECT_FALSE(SaveRotationalDistribution(f.app, (f.dir / "zero.rot").string()));
    EXPECT_EQ(Lines(testing::ReadFile(f.dir / "zero.rot"))[0], "0.5  , 1.000000  , 0.000000   ");
}

TEST(RotationalFile, LoadBackIntoAnotherLevelMarksItNonThermal) {
    Fixture f(1);
    f.pop().PopRot(0, 1, 0) = 0.1f;
    f.pop().PopRot(0, 2, 1) = 0.2f;
    f.pop().PopRot(0, 3, 2) = 0.3f;
    f.pop().PopRot(0, 4, 3) = 0.4f;
    f.dialogs.inputs = {std::string("0")};
    const auto path = (f.dir / "pi.rot").string();
    ASSERT_TRUE(SaveRotationalDistribution(f.app, path));

    f.pop().SelV = 0;
    PopToEdit(f.pop(), f.app.db, 0);
    const float shownBefore = f.pop().EditTable(1, 0);
    f.dialogs.inputs = {std::string("2")};
    ASSERT_TRUE(LoadRotationalDistribution(f.app, path));
    EXPECT_EQ(f.dialogs.prompts.back(), "LOAD ROTATIONAL POPULATION IN VIBRATIONAL LEVEL:  ");
    EXPECT_EQ(f.dialogs.titles.back(), " Populations dialog");
    EXPECT_FLOAT_EQ(f.pop().PopRot(2, 1, 0), 0.1f);
    EXPECT_FLOAT_EQ(f.pop().PopRot(2, 2, 1), 0.2f);
    EXPECT_FLOAT_EQ(f.pop().PopRot(2, 3, 2), 0.3f);
    EXPECT_FLOAT_EQ(f.pop().PopRot(2, 4, 3), 0.4f);
    EXPECT_EQ(f.pop().TRot(2), -1.0f);
    EXPECT_EQ(f.pop().ThermalFlag, 0);
    // Not the level shown: the edit table and the histogram stay.
    EXPECT_EQ(f.pop().EditTable(1, 0), shownBefore);
    EXPECT_EQ(f.shell.histogramRedraws, 0);

    f.pop().SelV = 1;
    f.dialogs.inputs = {std::string("1")};
    ASSERT_TRUE(LoadRotationalDistribution(f.app, path));
    EXPECT_FLOAT_EQ(f.pop().EditTable(3, 2), 0.3f);
    EXPECT_EQ(f.shell.histogramRedraws, 1);
}

TEST(RotationalFile, WrongExtensionAndCancelReadNothing) {
    Fixture f(0);
    const std::string path = f.dir.Write("dist.vib", "0.5 1 0\n").string();
    EXPECT_FALSE(LoadRotationalDistribution(f.app, path));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0],
              "File " + path + " is not a valid rotational distribution.\r\n\r       Operation cancelled");
    EXPECT_TRUE(f.dialogs.prompts.empty());

    const std::string upper = f.dir.Write("DIST.ROT", "0.5 1 0\n").string();
    f.dialogs.inputs = {std::string("")};  // an empty answer ends the command
    EXPECT_FALSE(LoadRotationalDistribution(f.app, upper));
    EXPECT_EQ(f.dialogs.prompts.size(), 1u);
    EXPECT_EQ(f.pop().PopRot(0, 1, 0), 0.0f);
    EXPECT_EQ(f.pop().ThermalFlag, 1);
}

TEST(RotationalFile, BadFieldStopsWithTheMessageKeepingRowsRead) {
    Fixture f(0);
    f.pop().PopRot(0, 1, 3) = 7.0f;
    const std::string path = f.dir.Write("bad.rot", "0.5, 2, 4\r\n1.5, 6, 8\r\n2.5, x, 1\r\n").string();
    f.dialogs.inputs = {std::string("0")};
    EXPECT_FALSE(LoadRotationalDistribution(f.app, path));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0],
              "                 Problems reading file " + path +
                  "\r\n\rThe distribution might have a wrong format or belong to a different state ");
    // Rows read stay, not normalised; the level is not marked non-thermal.
    EXPECT_EQ(f.pop().PopRot(0, 1, 1), 6.0f);
    EXPECT_EQ(f.pop().PopRot(0, 2, 2), 8.0f);
    EXPECT_EQ(f.pop().PopRot(0, 1, 3), 7.0f);
    EXPECT_EQ(f.pop().TRot(0), 300.0f);
    EXPECT_EQ(f.pop().ThermalFlag, 1);

    // A Σ file (three numbers a row) read into a Π state ends in the middle of a row.
    Fixture pi(1);
    const std::string sigma = pi.dir.Write("sigma.rot", "0.5, 1, 2\r\n1.5, 3, 4\r\n").string();
    pi.dialogs.inputs = {std::string("0")};
    EXPECT_FALSE(LoadRotationalDistribution(pi.app, sigma));
    EXPECT_EQ(pi.dialogs.messages.size(), 1u);
    EXPECT_EQ(pi.pop().PopRot(0, 3, 0), 1.5f);  // the lines mix: row 0 took J of line 2
}

TEST(RotationalFile, ShortFileKeepsTheOtherRowsAndRenormalises) {
    Fixture f(0);
    f.pop().PopRot(0, 1, 3) = 3.0f;  // row 3 is not in the file
    const std::string path = f.dir.Write("short.rot", "0.5 1 0\n").string();
    f.dialogs.inputs = {std::string("0")};
    ASSERT_TRUE(LoadRotationalDistribution(f.app, path));
    EXPECT_FLOAT_EQ(f.pop().PopRot(0, 1, 0), 0.25f);
    EXPECT_FLOAT_EQ(f.pop().PopRot(0, 1, 3), 0.75f);
}

TEST(RotationalFile, ReadingStopsAtTheLastCatalogueRow) {
    Fixture f(0);  // MaxN 6: rows 0..5 are read, the rest of a long file is ignored
    std::string text;
    for (int r = 0; r < 40; ++r) text += std::to_string(r) + ".5 1 1\n";
    ListReader in(text, "long.rot");
    ReadRotationalDistribution(f.pop(), f.app.db, 0, in);
    EXPECT_EQ(f.pop().PopRot(0, 1, 5), 1.0f);
    EXPECT_EQ(f.pop().PopRot(0, 1, 6), 0.0f);
    EXPECT_EQ(f.pop().PopRot(0, 2, 6), 1.0f);
    EXPECT_EQ(f.pop().PopRot(0, 2, 7), 0.0f);
}

TEST(VibrationalFile, WrittenAndReadAsTheyStand) {
    Fixture f(0);
    f.pop().PopVib(0) = 0.912345f;
    f.pop().PopVib(1) = 0.08f;
    f.pop().PopVib(2) = 0.007655f;
    const auto path = (f.dir / "pop.vib").string();
    ASSERT_TRUE(SaveVibrationalDistribution(f.app, path));
    const auto lines = Lines(testing::ReadFile(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "0,  0.912345");
    EXPECT_EQ(lines[1], "1,  0.08");
    EXPECT_EQ(lines[2], "2,  0.007655");

    f.pop().PopVib.Fill(0.0f);
    ASSERT_TRUE(LoadVibrationalDistribution(f.app, path));
    EXPECT_FLOAT_EQ(f.pop().PopVib(1), 0.08f);
    EXPECT_EQ(f.pop().ThermalFlag, 0);
    EXPECT_EQ(f.shell.histogramRedraws, 1);

    // A shorter file leaves the missing levels at 0; values are not normalised.
    const std::string shortFile = f.dir.Write("short.VIB", "0, 3\r\n").string();
    ASSERT_TRUE(LoadVibrationalDistribution(f.app, shortFile));
    EXPECT_EQ(f.pop().PopVib(0), 3.0f);
    EXPECT_EQ(f.pop().PopVib(1), 0.0f);
    EXPECT_EQ(f.pop().PopVib(2), 0.0f);
}

TEST(VibrationalFile, NonNumbersStopOrderlyAndCancelChangesNothing) {
    Fixture f(0);
    f.pop().PopVib(2) = 0.5f;
    const std::string path = f.dir.Write("text.vib", "0, 0.7\n1, many\n2, 0.1\n").string();
    EXPECT_FALSE(LoadVibrationalDistribution(f.app, path));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_NE(f.dialogs.messages[0].find("Problems reading file " + path), std::string::npos);
    EXPECT_FLOAT_EQ(f.pop().PopVib(0), 0.7f);  // read before the bad field
    EXPECT_FLOAT_EQ(f.pop().PopVib(2), 0.5f);  // not reached
    EXPECT_EQ(f.pop().ThermalFlag, 1);

    const std::string rot = f.dir.Write("a.rot", "0 1\n").string();
    EXPECT_FALSE(LoadVibrationalDistribution(f.app, rot));
    EXPECT_EQ(f.dialogs.messages.back(),
              "File " + rot + " is not a vibrational distribution.\r\n\r       Operation cancelled");

    const int redraws = f.shell.histogramRedraws;
    EXPECT_FALSE(LoadVibrationalDistribution(f.app, ""));  // cancelled dialog
    EXPECT_EQ(f.pop().ThermalFlag, 1);
    EXPECT_EQ(f.shell.histogramRedraws, redraws);
}

TEST(PopulationFiles, UnreadableAndUnwritableFilesAreReported) {
    Fixture f(0);
    f.dialogs.inputs = {std::string("0")};
    const std::string missing = (f.dir / "none.rot").string();
    EXPECT_FALSE(LoadRotationalDistribution(f.app, missing));
    EXPECT_NE(f.dialogs.messages.back().find(missing), std::string::npos);

    std::string binary(200, '\0');
    binary[0] = '\x89';
    EXPECT_FALSE(LoadVibrationalDistribution(f.app, f.dir.Write("picture.vib", binary).string()));

    // Writing into a missing folder: a message naming the file, nothing created.
    EXPECT_FALSE(SaveVibrationalDistribution(f.app, (f.dir / "no" / "x.vib").string()));
    EXPECT_NE(f.dialogs.messages.back().find("x.vib"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(f.dir / "no"));
}

}  // namespace velmora::populations
