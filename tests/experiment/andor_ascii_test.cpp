#include "experiment/andor_ascii.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "experiment/spectrum_files.h"
#include "experiment/spectrum_formats.h"
#include "read_error_check.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::experiment {

// Three pixels, x in nm, two frames; the settings block that newer exports append.
constexpr std::string_view kTwoFrames =
    "380.0\t10\t1\r\n380.5\t20\t2\r\n381.0\t30\t3\r\n\r\nDate and Time: Mon Dec 7\r\nExposure Time (secs): 0.1\r\n";

TEST(AndorAscii, FrameChosenOrSummed) {
    struct Case {
        std::string_view text;
        int column;
        std::vector<double> y;
        int count, chosen;
    } cases[] = {
        {kTwoFrames, 0, {11, 22, 33}, 2, 0},
        {kTwoFrames, 2, {10, 20, 30}, 2, 1},
        {kTwoFrames, 3, {1, 2, 3}, 2, 2},
        {"380,5\n381,6\n", 0, {5, 6}, 1, 0},  // comma-separated, one frame
    };
    for (const Case& c : cases) {
        AndorFrames frames;
        const SpectrumPoints p = ReadAndorAscii(c.text, c.column, frames);
        EXPECT_EQ(p.y, c.y) << c.text;
        EXPECT_EQ(p.x.front(), 380.0);
        EXPECT_EQ(frames.count, c.count);
        EXPECT_EQ(frames.chosen, c.chosen);
    }
}

TEST(AndorAscii, BadFilesNameTheLine) {
    struct Case {
        std::string_view text;
        int column;
        long long line;
        std::string_view problem;
    } cases[] = {
        {kTwoFrames, 4, 1, "column 4 chosen, the frames are in columns 2..3"},
        {kTwoFrames, 1, 1, "column 1 chosen"},
        {"380 1 2\n381 1\n", 0, 2, "2 columns where line 1 has 3"},
        {"380 1\n381 inf\n", 0, 2, "column 2: \"inf\" is not a finite number"},
        {"Pixel x\n380 1\n", 0, 1, "does not start with a number"},
        {"380\n", 0, 1, "one column only"},
        {"\n\n", 0, 0, "no line of numbers"},
    };
    for (const Case& c : cases) {
        AndorFrames frames;
        testing::ExpectReadError([&] { ReadAndorAscii(c.text, c.column, frames); }, c.line, c.problem, c.text);
    }
}

TEST(AndorAscii, RecognisedByExtensionAndContent) {
    EXPECT_EQ(DetectSpectrumFormat(kTwoFrames, ".asc"), SpectrumFormat::AndorAscii);
    EXPECT_EQ(DetectSpectrumFormat(kTwoFrames, ".txt"), SpectrumFormat::TwoColumn);
    EXPECT_EQ(DetectSpectrumFormat("Title: x\n380 1\n", ".asc"), SpectrumFormat::HeaderText);
    const testing::TempDir dir;
    ExperimentState exp;
    testing::ScriptedDialogs dialogs;
    EXPECT_TRUE(ReadSpectrumFile(exp, dir.Write("cam.asc", kTwoFrames).string(), dialogs));
    EXPECT_NE(exp.ReadNotice.find("cam.asc: read as Andor ASCII, sum of 2 frame(s)"), std::string::npos)
        << exp.ReadNotice;
    EXPECT_FLOAT_EQ(exp.ExpX(2), 3810.0f);
    EXPECT_FLOAT_EQ(exp.ExpY(2), 100.0f);
}

}  // namespace velmora::experiment
