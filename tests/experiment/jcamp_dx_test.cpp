#include "experiment/jcamp_dx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
           "##NPOINTS=" +
           std::string(npoints) + "\r\n##XYDATA=" + std::string(xydata) + "\r\n" + std::string(table) + "##END=\r\n";
}

/// The labels and table of Jdx without its ##TITLE and ##END lines: ten lines, the table from
/// the eleventh.
std::string JdxBody(std::string_view table) {
    const std::string all = Jdx(table);
    return all.substr(14, all.size() - 14 - 8);
}

/// A labelled block of a linked file: ##TITLE= to ##END=.
std::string Block(std::string_view title, std::string_view body) {
    return "##TITLE=" + std::string(title) + "\r\n" + std::string(body) + "##END=\r\n";
}

/// A linked file of the given blocks: the four lines of the link block, then the blocks.
std::string Linked(const std::vector<std::string>& blocks) {
    std::string text =
        "##TITLE=link\r\n##JCAMP-DX=5.01\r\n##DATA TYPE=LINK\r\n##BLOCKS=" + std::to_string(blocks.size()) + "\r\n";
    for (const std::string& b : blocks) text += b;
    return text + "##END=\r\n";
}

const std::string kNotes = Block("notes", "##JCAMP-DX=5.01\r\n##$COMMENT=no spectrum here\r\n");

}  // namespace

TEST(JcampDx, PairTablesAndTheFirstBlockWithDataAreRead) {
    struct Case {
        std::string text;
        std::vector<double> x, y;
        DeclaredXUnit unit;
        std::string_view table;
        int block, blocks;
    } cases[] = {
        // Pairs separated by commas, semicolons and blanks, several on a line; x times XFACTOR.
        {"##TITLE=p\r\n##XUNITS=1/CM\r\n##XFACTOR=2\r\n##YFACTOR=0.5\r\n##NPOINTS=3\r\n"
         "##XYPOINTS=(XY..XY)\r\n16000,10; 16001,20 16002 ,30\r\n##END=\r\n",
         {32000, 32002, 32004},
         {5, 10, 15},
         DeclaredXUnit::Wavenumber,
         "XYPOINTS",
         0,
         0},
        {"##TITLE=p\n##XUNITS=NANOMETERS\n##PEAK TABLE=(XY..XY)\n306.5,1;307.5,2\n308.5, 4 $$ strongest\n##END=\n",
         {306.5, 307.5, 308.5},
         {1, 2, 4},
         DeclaredXUnit::Nanometre,
         "PEAK TABLE",
         0,
         0},
        // The x at a line start agrees to its rounding: 0.7 and 0.67 stand for 2/3, written with
        // one and two decimals.
        {"##TITLE=r\n##FIRSTX=0\n##LASTX=1\n##NPOINTS=4\n##XYDATA=(X++(Y..Y))\n0 1 2\n0.7 3\n1 4\n##END=\n",
         {0, 1.0 / 3, 2.0 / 3, 1},
         {1, 2, 3, 4},
         DeclaredXUnit::None,
         "XYDATA",
         0,
         0},
        {"##TITLE=r\n##FIRSTX=0\n##DELTAX=0.5\n##NPOINTS=3\n##XYDATA=(X++(Y..Y))\n0 1 2\n1 3\n##END=\n",
         {0, 0.5, 1},
         {1, 2, 3},
         DeclaredXUnit::None,
         "XYDATA",
         0,
         0},
        // Linked blocks: the first block with a table is read, the later one is not.
        {Linked({kNotes, Block("spectrum", JdxBody("3800 10 20\r\n3802 30 40\r\n")),
                 Block("other", "##XUNITS=1/CM\r\n##XYPOINTS=(XY..XY)\r\n1,1 2,2\r\n")}),
         {380.0, 380.1, 380.2, 380.3},
         {5, 10, 15, 20},
         DeclaredXUnit::Nanometre,
         "XYDATA",
         2,
         3},
    };
    for (const Case& c : cases) {
        JcampInfo info;
        const SpectrumPoints p = ReadJcampDx(c.text, info);
        ASSERT_EQ(p.x.size(), c.x.size()) << c.text;
        for (std::size_t i = 0; i < p.x.size(); ++i) EXPECT_NEAR(p.x[i], c.x[i], 1e-9) << c.text;
        EXPECT_EQ(p.y, c.y) << c.text;
        EXPECT_EQ(p.unit, c.unit) << c.text;
        EXPECT_EQ(info.table, c.table);
        EXPECT_EQ(info.block, c.block);
        EXPECT_EQ(info.blocks, c.blocks);
    }
}

TEST(JcampDx, PlainAndCompressedTablesGiveTheSamePoints) {
    struct Case {
        std::string_view table;
        std::vector<double> y;
        bool compressed;
    } cases[] = {
        {"3800 10 20\r\n3802 30,40\r\n", {5, 10, 15, 20}, false},
        {"3800 10-20+30-40 $$ signs separate\r\n", {5, -10, 15, -20}, false},
        {"3800 A0B0\r\n3802 C0D0\r\n", {5, 10, 15, 20}, true},    // SQZ
        {"3800 A0J0J0\r\n3802 C0J0\r\n", {5, 10, 15, 20}, true},  // DIF, check value C0
        {"3800A0J0U\r\n", {5, 10, 15, 20}, true},                 // DIF and DUP
        {"3800 a0%T@\r\n", {-5, -5, -5, 0}, true},                // negative SQZ, zero DIF
    };
    for (const Case& c : cases) {
        JcampInfo info;
        const SpectrumPoints p = ReadJcampDx(Jdx(c.table), info);
        EXPECT_EQ(p.y, c.y) << c.table;
        ASSERT_EQ(p.x.size(), 4u);
        EXPECT_DOUBLE_EQ(p.x.front(), 380.0);  // in the nm the file declares
        EXPECT_NEAR(p.x.back(), 380.3, 1e-9);
        EXPECT_EQ(p.unit, DeclaredXUnit::Nanometre);
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
        {Jdx("3800 A0S000000000000000000000\r\n"), 12, "repeat count of 1000000000000000000000 that exceeds"},
        {Jdx("3800 10 20 30\r\n"), 11, "##NPOINTS=4 but the table holds 3 values"},
        {Jdx("3800 10 20 30 40 50\r\n"), 12, "more values than ##NPOINTS=4"},
        {Jdx("3800 10 # 30\r\n"), 12, "\"#\" at column 9 is no JCAMP-DX number"},
        {Jdx("3800 J0 20\r\n"), 12, "a difference with no value before it"},
        {Jdx("3800 10\r\n", "1e12"), 10, "##NPOINTS=1e12 is not a count"},
        {Jdx("3800 10\r\n", "4", "(XY..XY)"), 11, "only the (X++(Y..Y)) table is read"},
        {"##TITLE=x\r\n##END=\r\n", 0, "no ##XYDATA=(X++(Y..Y)) table"},
        // The x that starts a line is not the abscissa of its first value (380.2 at point 3; after
        // a DIF line, point 3 is the check value).
        {Jdx("3800 10 20\r\n3803 30 40\r\n"), 13,
         "starts at x = 380.3 (3803 x XFACTOR 0.1) but its first value is point 3, at x = 380.2"},
        {Jdx("3800 A0J0J0\r\n3803 C0J0\r\n"), 13, "but its first value is point 3, at x = 380.2"},
        {"##TITLE=r\n##FIRSTX=0\n##LASTX=1\n##NPOINTS=4\n##XYDATA=(X++(Y..Y))\n0 1 2\n0.6 3\n0.99 4\n", 7,
         "point 3, at x = 0.6666666667"},
        {"##TITLE=p\n##XYPOINTS=(XY..XY)\n1,2 3\n", 3, "an x value without its y on the same line"},
        {"##TITLE=p\n##XYPOINTS=(XY..XY)\n1,A0\n", 3, "a compressed value in an (XY..XY) table"},
        {"##TITLE=p\n##NPOINTS=3\n##PEAK TABLE=(XY..XY)\n1,2 3,4\n", 3, "##NPOINTS=3 but the table holds 2 points"},
        {"##TITLE=p\n##PEAK TABLE=(XYW..XYW)\n1,2,3\n", 2, "##PEAK TABLE=(XYW..XYW) (only the (XY..XY) table is read)"},
        {Linked({kNotes, kNotes}), 0, "none of the 2 blocks holds a spectrum"},
        // In a linked file the lines are counted from the start of the file.
        {Linked({kNotes, Block("spectrum", JdxBody("3800 A0s9\r\n"))}), 20, "repeat count of 99"},
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
    // The caption names the table and the block read.
    const std::string linked =
        Linked({kNotes, Block("peaks", "##XUNITS=1/CM\r\n##PEAK TABLE=(XY..XY)\r\n30000,1 30010,2 30020,4\r\n")});
    EXPECT_TRUE(ReadSpectrumFile(exp, dir.Write("l.jdx", linked).string(), dialogs));
    EXPECT_NE(exp.ReadNotice.find("l.jdx: read as JCAMP-DX, x, y pairs of ##PEAK TABLE, block 2 of 2, x in 1/CM"),
              std::string::npos)
        << exp.ReadNotice;
}

}  // namespace velmora::experiment
