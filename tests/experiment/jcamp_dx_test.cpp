#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "experiment/jcamp_dx.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_formats.h"
#include "read_error_check.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::experiment {

namespace {

/// A JCAMP-DX file of four points 380.0..380.3 nm: ten label lines, the XYDATA label on line
/// 11, the table from line 12.
std::string Jdx(std::string_view table, std::string_view npoints = "4", std::string_view xydata = "(X++(Y..Y))") {
    return "##TITLE=test\r\n##JCAMP-DX=4.24\r\n##DATA TYPE=UV/VIS SPECTRUM\r\n##XUNITS=NANOMETERS\r\n"
           "##YUNITS=COUNTS\r\n##XFACTOR=0.1\r\n##YFACTOR=0.5\r\n##FIRSTX=380\r\n##LASTX=380.3\r\n"
           "##NPOINTS=" + std::string(npoints) + "\r\n##XYDATA=" + std::string(xydata) + "\r\n" +
           std::string(table) + "##END=\r\n";
}

}  // namespace

TEST(JcampDx, PlainAndCompressedTablesGiveTheSamePoints) {
    struct Case {
        std::string_view table;
        std::vector<double> y;
        bool compressed;
    } cases[] = {
        {"3800 10 20\r\n3802 30,40\r\n", {5, 10, 15, 20}, false},
        {"3800 10-20+30-40 $$ signs separate\r\n", {5, -10, 15, -20}, false},
        {"3800 A0B0\r\n3802 C0D0\r\n", {5, 10, 15, 20}, true},                 // SQZ
        {"3800 A0J0J0\r\n3802 C0J0\r\n", {5, 10, 15, 20}, true},               // DIF, check value C0
        {"3800A0J0U\r\n", {5, 10, 15, 20}, true},                              // DIF and DUP
        {"3800 a0%T@\r\n", {-5, -5, -5, 0}, true},                             // negative SQZ, zero DIF
    };
    for (const Case& c : cases) {
        JcampInfo info;
        const SpectrumPoints p = ReadJcampDx(Jdx(c.table), info);
        EXPECT_EQ(p.y, c.y) << c.table;
        ASSERT_EQ(p.x.size(), 4u);
        EXPECT_DOUBLE_EQ(p.x.front(), 3800.0);  // nm to Å
        EXPECT_NEAR(p.x.back(), 3803.0, 1e-9);
        EXPECT_EQ(info.compressed, c.compressed) << c.table;
        EXPECT_EQ(info.xUnits, "NANOMETERS");
    }
}

TEST(JcampDx, BadTablesNameTheLine) {
    struct Case {
        std::string text;
        long long line;
        std::string_view problem;
    } cases[] = {
        {Jdx("3800 A0J0J0\r\n3802 D0J0\r\n"), 13, "check value 40 differs from the last value of the line before, 30"},
        {Jdx("3800 A0s9\r\n"), 12, "repeat count of 99 that exceeds the points declared"},
        {Jdx("3800 10 20 30\r\n"), 11, "##NPOINTS=4 but the table holds 3 values"},
        {Jdx("3800 10 20 30 40 50\r\n"), 12, "more values than ##NPOINTS=4"},
        {Jdx("3800 10 # 30\r\n"), 12, "\"#\" at column 9 is no JCAMP-DX number"},
        {Jdx("3800 J0 20\r\n"), 12, "a difference with no value before it"},
        {Jdx("3800 10\r\n", "1e12"), 10, "##NPOINTS=1e12 is not a count"},
        {Jdx("3800 10\r\n", "4", "(XY..XY)"), 11, "only the (X++(Y..Y)) table is read"},
        {"##TITLE=x\r\n##END=\r\n", 0, "no ##XYDATA=(X++(Y..Y)) table"},
    };
    for (const Case& c : cases) {
        JcampInfo info;
        testing::ExpectReadError([&] { ReadJcampDx(c.text, info); }, c.line, c.problem, c.text);
    }
}

TEST(JcampDx, RecognisedAndLoadedWithItsName) {
    const testing::TempDir dir;
    EXPECT_EQ(DetectSpectrumFormat(Jdx("3800 10 20 30 40\r\n"), ".txt"), SpectrumFormat::JcampDx);
    EXPECT_EQ(DetectSpectrumFormat("##TITLE=x\n", ".dx"), SpectrumFormat::JcampDx);
    EXPECT_EQ(DetectSpectrumFormat("##TITLE=x\n", ".txt"), SpectrumFormat::TwoColumn);
    ExperimentState exp;
    testing::ScriptedDialogs dialogs;
    EXPECT_TRUE(ReadSpectrumFile(exp, dir.Write("s.jdx", Jdx("3800 A0J0U\r\n")).string(), dialogs));
    EXPECT_NE(exp.ReadNotice.find("s.jdx: read as JCAMP-DX, compressed, x in NANOMETERS"), std::string::npos)
        << exp.ReadNotice;
    EXPECT_FLOAT_EQ(exp.ExpY(3), 100.0f);
    EXPECT_FALSE(ReadSpectrumFile(exp, dir.Write("t.jdx", Jdx("3800 A0s9\r\n")).string(), dialogs));
    EXPECT_NE(dialogs.messages.back().find("t.jdx (read as JCAMP-DX), line 12: a repeat count"), std::string::npos)
        << dialogs.messages.back();
}

}  // namespace velmora::experiment
