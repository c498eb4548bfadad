#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/number_format.h"
#include "experiment/spectrum_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::experiment {

namespace {

/// Reads text through the line rules without the final scaling: (x, y) of the points kept.
std::vector<std::pair<float, float>> RawPoints(std::string_view text, std::size_t chunk = 0) {
    ExperimentState exp;
    InitExperimentArrays(exp);
    TwoColumnReader r(exp);
    if (chunk == 0) {
        r.Feed(text);
    } else {
        for (std::size_t i = 0; i < text.size(); i += chunk) r.Feed(text.substr(i, chunk));
    }
    r.Finish();
    std::vector<std::pair<float, float>> out;
    for (int i = 0; i < r.Count(); ++i) out.emplace_back(exp.ExpXRaw(i), exp.ExpYRaw(i));
    return out;
}

using Points = std::vector<std::pair<float, float>>;

struct Loaded {
    bool ok = false;
    ExperimentState exp;
    testing::ScriptedDialogs dialogs;
};

void Load(Loaded& l, const std::filesystem::path& p) {
    if (l.exp.ExpXRaw.Empty()) InitExperimentArrays(l.exp);
    l.ok = ReadTwoColumn(l.exp, p.string(), l.dialogs);
}

}  // namespace

TEST(TwoColumnLine, SeparatorsQuotesAndNanometres) {
    // 306.50 nm is 3065 Å whichever separator stands between the columns.
    const Points expected{{3065.0f, 12.5f}};
    EXPECT_EQ(RawPoints("306.50 12.5\n"), expected);
    EXPECT_EQ(RawPoints("306.50,12.5\n"), expected);
    EXPECT_EQ(RawPoints("306.50\t12.5\n"), expected);
    EXPECT_EQ(RawPoints("\"306.50 12.5\"\n"), expected);
    // Blanks around a comma: the comma is the separator.
    EXPECT_EQ(RawPoints("  306.50 ,  12.5  \n"), expected);
    // A tab wins over a comma in the same line; a third column is ignored.
    EXPECT_EQ(RawPoints("306.5\t12.5\t99,7\n"), expected);
    EXPECT_EQ(RawPoints("3065 12.5 77 88\n"), expected);
    // Spreadsheets quote each field.
    EXPECT_EQ(RawPoints("\"306.5\",\"12.5\"\n"), expected);
    // Fortran exponents and explicit signs.
    EXPECT_EQ(RawPoints("+3.065D3, 1.25E+1\n"), expected);
}

TEST(TwoColumnLine, PointsAtOrBelow1000AngstromAreOverwritten) {
    // x = 100 becomes 1000 (not above 1000), x = 50 becomes 500, negative x stays negative;
    // a single field, a header and blank lines give no point either.
    const Points got =
        RawPoints("Wavelength (nm), Intensity\n100 5\n\n   \n50,7\n-3100 4\n3100\n3100.5 8\n1000.01 9\n");
    EXPECT_EQ(got, (Points{{3100.5f, 8.0f}, {1000.01f, 9.0f}}));
}

TEST(TwoColumnLine, LineEndsAndChunkBoundariesDoNotMatter) {
    const std::string text =
        "\xEF\xBB\xBF"
        "3000 1\r\n3001 2\r3002 3\n\r\n3003 4";
    const Points expected{{3000, 1}, {3001, 2}, {3002, 3}, {3003, 4}};
    for (std::size_t chunk : {0u, 1u, 2u, 3u, 7u}) EXPECT_EQ(RawPoints(text, chunk), expected) << chunk;
}

TEST(TwoColumnLine, LeadingNumberReadsAsValDoes) {
    for (const char* t : {"", " 12.5abc", "1E3", "x", "-.5", "+7", "1e", "1e+", "3.D2", "  \t-0012.50e-1,", ".", "-",
                          "1.2.3", "9e999", "1e-999", "123456789012345678901234567890"}) {
        const double a = LeadingNumber(t), b = Val(t);
        if (std::isinf(b))
            EXPECT_TRUE(std::isinf(a)) << t;
        else
            EXPECT_EQ(a, b) << t;
    }
    EXPECT_EQ(LeadingNumber("\" 3065\""), 3065.0);
}

TEST(TwoColumnLine, BadDataStopsTheReadWithTheLine) {
    ExperimentState exp;
    InitExperimentArrays(exp);
    {
        TwoColumnReader r(exp);
        try {
            r.Feed("3000 1\n3001 2\n3002 1e39\n");
            FAIL() << "no error";
        } catch (const SpectrumReadError& e) {
            EXPECT_EQ(e.line, 3);
            EXPECT_EQ(r.Count(), 2);
        }
    }
    {
        TwoColumnReader r(exp);
        EXPECT_THROW(r.Feed(std::string("3000 1\n30\0 1\n", 12)), SpectrumReadError);
    }
    {
        TwoColumnReader r(exp);
        const std::string longLine(kMaxSpectrumLine + 10, '7');
        EXPECT_THROW(
            {
                for (std::size_t i = 0; i < longLine.size(); i += 4096)
                    r.Feed(std::string_view(longLine).substr(i, 4096));
            },
            SpectrumReadError);
    }
}

TEST(ReadTwoColumn, ScalesToHundredAndCopiesToCorrected) {
    testing::TempDir dir;
    Loaded l;
    Load(l, dir.Write("s.dat", "3000 10\n3001 40\n3002 20\n3003 -4\n"));
    EXPECT_TRUE(l.ok);
    EXPECT_TRUE(l.dialogs.messages.empty());
    EXPECT_EQ(l.exp.ExpPoints, 3);
    EXPECT_FLOAT_EQ(l.exp.ExpYRaw(0), 25.0f);
    EXPECT_FLOAT_EQ(l.exp.ExpYRaw(1), 100.0f);
    EXPECT_FLOAT_EQ(l.exp.ExpYRaw(3), -10.0f);
    EXPECT_FLOAT_EQ(l.exp.ExpY(2), 50.0f);
    EXPECT_FLOAT_EQ(l.exp.ExpX(3), 3003.0f);
}

TEST(ReadTwoColumn, SmallFilesAndZeroIntensity) {
    testing::TempDir dir;
    {
        Loaded l;  // two points: read, but not enough for a spectrum
        Load(l, dir.Write("two.dat", "3000 1\n3001 2\n"));
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.exp.ExpPoints, 1);
        EXPECT_TRUE(l.dialogs.messages.empty());
    }
    {
        Loaded l;  // y all 0 stays 0 (no division by the maximum)
        Load(l, dir.Write("zero.dat", "3000 0\n3001 0\n3002 0\n3003 0\n"));
        EXPECT_TRUE(l.ok);
        for (int i = 0; i <= 3; ++i) EXPECT_EQ(l.exp.ExpYRaw(i), 0.0f);
    }
    {
        Loaded l;  // all x at or below 100 (nm): no point at all, said so
        Load(l, dir.Write("low.dat", "10 1\n20 2\n100 3\n"));
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.exp.ExpPoints, -1);
        ASSERT_EQ(l.dialogs.messages.size(), 1u);
        EXPECT_EQ(l.dialogs.messages[0], std::string(kReadFailureMessage) + "\r\n\r\n" + l.exp.ReadProblem);
        EXPECT_NE(l.exp.ReadProblem.find("low.dat"), std::string::npos);
    }
}

TEST(ReadTwoColumn, RealWorldShapes) {
    testing::TempDir dir;
    {
        Loaded l;  // spreadsheet CSV: byte-order mark, quoted header, quoted fields, CR-LF
        Load(l, dir.Write("sheet.csv",
                          "\xEF\xBB\xBF\"Wavelength (nm)\",\"Intensity (a.u.)\"\r\n\"306.40\",\"120\"\r\n"
                          "\"306.45\",\"480\"\r\n\"306.50\",\"240\"\r\n"));
        EXPECT_TRUE(l.ok);
        EXPECT_EQ(l.exp.ExpPoints, 2);
        EXPECT_FLOAT_EQ(l.exp.ExpXRaw(0), 3064.0f);
        EXPECT_FLOAT_EQ(l.exp.ExpYRaw(1), 100.0f);
        EXPECT_FLOAT_EQ(l.exp.ExpYRaw(2), 50.0f);
    }
    {
        Loaded l;  // tab-separated with CR-LF, in Å, three columns (x, y, error)
        Load(l, dir.Write("tabs.txt", "3064.0\t120\t3\r\n3064.5\t480\t5\r\n3065.0\t240\t4\r\n3065.5\t0\t1\r\n"));
        EXPECT_TRUE(l.ok);
        EXPECT_EQ(l.exp.ExpPoints, 3);
        EXPECT_FLOAT_EQ(l.exp.ExpXRaw(3), 3065.5f);
        EXPECT_FLOAT_EQ(l.exp.ExpYRaw(0), 25.0f);
    }
    {
        Loaded l;  // empty file
        Load(l, dir.Write("empty.dat", ""));
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.exp.ExpPoints, -1);
        EXPECT_EQ(l.dialogs.messages.size(), 1u);
    }
    {
        Loaded l;  // binary data after two good lines: stop, keep what was read, unscaled
        std::string bin = "3000 10\n3001 20\n";
        for (int i = 0; i < 300; ++i) bin += static_cast<char>((i * 37) % 256);
        Load(l, dir.Write("picture.dat", bin));
        EXPECT_FALSE(l.ok);
        ASSERT_EQ(l.dialogs.messages.size(), 1u);
        EXPECT_EQ(l.dialogs.messages[0].rfind(kReadFailureMessage, 0), 0u);
        EXPECT_NE(l.exp.ReadProblem.find("binary"), std::string::npos);
    }
    {
        Loaded l;  // Notepad's "Unicode": UTF-16 with its byte-order mark
        std::string utf16 = "\xFF\xFE";
        for (char c : std::string("3064.0 120\r\n3064.5 480\r\n")) utf16 += c, utf16 += '\0';
        Load(l, dir.Write("unicode.txt", utf16));
        EXPECT_FALSE(l.ok);
        EXPECT_NE(l.exp.ReadProblem.find("unicode.txt, line 1: text in UTF-16"), std::string::npos);
    }
    {
        Loaded l;  // missing file and a folder
        Load(l, dir / "nothing.dat");
        EXPECT_FALSE(l.ok);
        EXPECT_NE(l.exp.ReadProblem.find("nothing.dat: file not found"), std::string::npos);
        Load(l, dir.path());
        EXPECT_FALSE(l.ok);
        EXPECT_EQ(l.dialogs.messages.size(), 2u);
    }
}

TEST(TwoColumnLine, DecimalCommasAreRecognisedAndMixedMarksRefused) {
    // Comma decimals with tab, semicolon or blank separators (quoted by a spreadsheet, too).
    const Points expected{{3060.5f, 1.5f}, {3061.0f, 2.25f}};
    for (const char* text :
         {"3060,5\t1,5\n3061\t2,25\n", "3060,5;1,5\r\n3061,0;2,25\r\n", "3060,5 1,5\n3061 2,25\n",
          "\"3060,5\";\"1,5\"\n\"3061\";\"2,25\"\n", "Wavelength;Intensity\n306,05;1,5\n306,1;2,25\n"})
        EXPECT_EQ(RawPoints(text, 5), expected) << text;
    // Decimal points with semicolons; a comma alone still separates the columns.
    EXPECT_EQ(RawPoints("3060.5;1.5\n3061,2.25\n"), (Points{{3060.5f, 1.5f}, {3061.0f, 2.25f}}));

    struct Case {
        const char* text;
        long long line;
        const char* problem;
    };
    for (const Case& c : std::vector<Case>{
             {"3060.5 1.5\n3061,5 1,5\n", 2, "a decimal comma, but line 1 has decimal points"},
             {"3060,5;1,5\n3061.5;1.5\n", 2, "a decimal point, but line 1 has decimal commas"},
             {"3060.5 1,5\n", 1, "the numbers \"3060.5\" and \"1,5\" mix a decimal point and a decimal comma"},
             {"3060 1\n3061 nan\n", 2, "the intensity \"nan\" is not a finite number"},
             {"3060 1\n-INF 2\n", 2, "the wavelength \"-INF\" is not a finite number"},
             {"3060 1.#QNAN\n", 1, "the intensity \"1.#QNAN\" is not a finite number"},
             {"3060 1\n3061 counts\n", 2, "the intensity \"counts\" is not a number"},
             {"3060 1\r\r\n3061 2\r\r\n3062,,\r\r\n", 3, "no intensity after the wavelength"},
         }) {
        ExperimentState exp;
        InitExperimentArrays(exp);
        TwoColumnReader r(exp);
        try {
            r.Feed(c.text);
            r.Finish();
            ADD_FAILURE() << "no error: " << c.text;
        } catch (const SpectrumReadError& e) {
            EXPECT_EQ(e.line, c.line) << c.text;
            EXPECT_EQ(e.problem, c.problem) << c.text;
        }
    }
}

TEST(ReadTwoColumn, APipeIsRefused) {
    testing::TempDir dir;
    const auto fifo = dir / "pipe.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    Loaded l;
    Load(l, fifo);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.exp.ReadProblem, fifo.string() + ": is not a regular file (a named pipe)");
}

TEST(ReadTwoColumn, FailureKeepsThePointsReadUnscaled) {
    testing::TempDir dir;
    Loaded l;
    Load(l, dir.Write("bad.dat", "3000 10\n3001 20\n3002 30\n3003 4e40\n3004 50\n"));
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.exp.ExpPoints, 2);  // the last point actually read
    EXPECT_FLOAT_EQ(l.exp.ExpYRaw(2), 30.0f);
    EXPECT_NE(l.exp.ReadProblem.find("bad.dat, line 4"), std::string::npos);
}

TEST(ReadTwoColumn, ArraysGrowBy500AndAMillionPointsLoad) {
    testing::TempDir dir;
    std::string text;
    text.reserve(20'000'000);
    const int n = 1'000'000;
    char buf[64];
    for (int i = 0; i < n; ++i) {
        const int len = std::snprintf(buf, sizeof buf, "%.4f %d\r\n", 2000.0 + i * 0.001, i % 1000);
        text.append(buf, static_cast<std::size_t>(len));
    }
    Loaded l;
    Load(l, dir.Write("million.dat", text));
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.exp.ExpPoints, n - 1);
    // 3000, then +500 each time the count reaches the bound: the first bound above n.
    EXPECT_EQ(l.exp.ExpXRaw.Hi(), 3000 + 500 * ((n - 3000) / 500 + 1));
    EXPECT_EQ(l.exp.Residual.Hi(), l.exp.ExpXRaw.Hi());
    EXPECT_EQ(l.exp.ExpY.Hi(), l.exp.ExpXRaw.Hi());
    EXPECT_NEAR(l.exp.ExpXRaw(n - 1), 2000.0 + (n - 1) * 0.001, 1e-3);
    EXPECT_FLOAT_EQ(l.exp.ExpYRaw(999), 100.0f);

    // A smaller file afterwards keeps the larger arrays.
    Load(l, dir.Write("small.dat", "3000 1\n3001 2\n3002 3\n"));
    EXPECT_EQ(l.exp.ExpPoints, 2);
    EXPECT_EQ(l.exp.ExpXRaw.Hi(), 3000 + 500 * ((n - 3000) / 500 + 1));
}

TEST(ModifiedSpectrum, WrittenWithCrLfAndReadBackUnchanged) {
    testing::TempDir dir;
    ExperimentState exp;
    InitExperimentArrays(exp);
    exp.ExpPoints = 2;
    const float xs[] = {3064.25f, 3065.0f, 3100.125f};
    const float ys[] = {12.5f, -3.25f, 100.0f};
    for (int i = 0; i < 3; ++i) exp.ExpX(i) = xs[i], exp.ExpY(i) = ys[i];
    const auto path = dir / "out.dat";
    WriteModifiedSpectrum(exp, path.string());
    const std::string text = testing::ReadFile(path);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "3064.25   ,  12.5000");
    EXPECT_EQ(text.find(",  -3.2500\r\n") != std::string::npos, true);

    Loaded l;
    Load(l, path);
    EXPECT_TRUE(l.ok);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(l.exp.ExpXRaw(i), xs[i]);
        EXPECT_NEAR(l.exp.ExpYRaw(i), ys[i], 1e-4);  // the largest y was already 100
    }

    // A target in a missing folder: an error naming it, nothing left behind.
    EXPECT_THROW(WriteModifiedSpectrum(exp, (dir / "no" / "x.dat").string()), FileError);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

}  // namespace velmora::experiment
