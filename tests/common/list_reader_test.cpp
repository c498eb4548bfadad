#include "common/list_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/errors.h"
#include "support/file_error.h"
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

TEST(ListReader, MessagesNameTheRealLineAndProblem) {
    // A CR-LF file converted once more (CR CR LF) has one line per CR CR LF; lone CRs are lines.
    for (const char* text : {"1 2\r\r\n3 4\r\r\n5 x\r\r\n", "1 2\r3 4\r5 x\r", "1 2\n3 4\r\n5 x\n"}) {
        ListReader r(text, "cat.sys");
        for (int k = 0; k < 5; ++k) r.ReadInt();
        EXPECT_THAT(testing::FileErrorMessage([&] { r.ReadInt(); }), ::testing::HasSubstr("cat.sys, line 3:")) << text;
    }
    // A decimal comma among blank-separated values is named as such, on its line; commas that
    // separate values stay separators.
    ListReader comma("\"OH\", 1\r\n674,566, 4, 13\r\n", "VELMORA.SYS");
    comma.ReadString();
    comma.ReadInt();
    EXPECT_EQ(
        testing::FileErrorMessage([&] { comma.ReadDouble(); }),
        "VELMORA.SYS, line 2: the number \"674,566\" is written with a decimal comma (a decimal point is expected)");
    ListReader spc("1 1\n32420,91439 16,96\n", "OHA.SPC");
    spc.ReadInt();
    spc.ReadInt();
    EXPECT_THAT(testing::FileErrorMessage([&] { spc.ReadFloat(); }),
                ::testing::HasSubstr("line 2: the number \"32420,91439\""));
    ListReader list("  1,2,3\n", "list");
    EXPECT_EQ(list.ReadInt() + list.ReadInt() + list.ReadInt(), 6);
}

TEST(ListReader, MissingFolderOrPipeIsReportedByName) {
    testing::TempDir dir;
    EXPECT_THAT(testing::FileErrorMessage([&] { ListReader::FromFile(dir / "nothing.SPC"); }),
                ::testing::HasSubstr("nothing.SPC: file not found"));
    EXPECT_THAT(testing::FileErrorMessage([&] { ListReader::FromFile(dir.path()); }),
                ::testing::HasSubstr("is a folder"));
    // Reading a named pipe would wait for a writer forever.
    const auto fifo = dir / "VELMORA.SYS";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THAT(testing::FileErrorMessage([&] { ListReader::FromFile(fifo); }),
                ::testing::HasSubstr("VELMORA.SYS: is not a regular file (a named pipe)"));
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
