#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/list_reader.h"
#include "support/temp_dir.h"

namespace velmora {

TEST(ListReader, SeparatorsQuotesAndLineSkips) {
    ListReader r("Title line, ignored\r\n 3, 5  7\t9\r\nheadings\n\"OH\",\"A, B\" X 1.5E2 2.5D-1\n", "t");
    r.SkipLine();
    EXPECT_EQ(r.ReadInt(), 3);
    EXPECT_EQ(r.ReadInt(), 5);
    EXPECT_EQ(r.ReadInt(), 7);
    EXPECT_EQ(r.ReadInt(), 9);
    r.SkipLine();  // the whole headings line
    EXPECT_EQ(r.ReadString(), "OH");
    EXPECT_EQ(r.ReadString(), "A, B");
    EXPECT_EQ(r.ReadString(), "X");
    EXPECT_DOUBLE_EQ(r.ReadDouble(), 150.0);
    EXPECT_FLOAT_EQ(r.ReadFloat(), 0.25f);
    EXPECT_TRUE(r.AtEnd());
}

TEST(ListReader, EmptyFieldIsZeroAndIntegersRoundHalfToEven) {
    ListReader r("1,,2.5,3.5, 2.4\n", "t");
    EXPECT_EQ(r.ReadInt(), 1);
    EXPECT_EQ(r.ReadInt(), 0);
    EXPECT_EQ(r.ReadInt(), 2);
    EXPECT_EQ(r.ReadInt(), 4);
    EXPECT_EQ(r.ReadInt(), 2);
}

TEST(ListReader, ErrorsNameTheSourceLineAndProblem) {
    ListReader r("1 2\n3 abc\n", "OH/OHX.SPC");
    r.ReadInt();
    r.ReadInt();
    r.ReadInt();
    try {
        r.ReadFloat();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "OH/OHX.SPC, line 2: the field \"abc\" is not a number");
    }
    ListReader shortFile("1\n", "short.INT");
    shortFile.ReadInt();
    EXPECT_THROW(shortFile.ReadInt(), FileError);
    ListReader huge("1e300 99999999999\n", "big");
    EXPECT_THROW(huge.ReadFloat(), FileError);
    EXPECT_THROW(huge.ReadInt(), FileError);
}

TEST(ListReader, MissingFileIsReportedByName) {
    testing::TempDir dir;
    try {
        ListReader::FromFile(dir / "nothing.SPC");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("nothing.SPC: file not found"), std::string::npos);
    }
    EXPECT_THROW(ListReader::FromFile(dir.path()), FileError);
}

TEST(ListReader, GarbageNeverReadsPastTheEnd) {
    const std::string garbage("\"unterminated\n\x01\x02,,,\r\r\n\"", 20);
    ListReader r(garbage, "garbage");
    int fields = 0;
    try {
        for (;;) {
            r.ReadString();
            ++fields;
        }
    } catch (const FileError&) {
    }
    EXPECT_GT(fields, 0);
    EXPECT_LT(fields, 10);
}

}  // namespace velmora
