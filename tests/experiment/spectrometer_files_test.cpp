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

// A spectrometer text export: key: value header, a "Begin Spectral Data" line, three columns
// (pixel, wavelength in nm, counts).
constexpr std::string_view kMarkedExport =
    "Data from scan.txt Node\r\nDate: Mon Dec 07 2026\r\nIntegration Time (sec): 1,000E-1\r\n"
    ">>>>>Begin Spectral Data<<<<<\r\n0\t380.0\t10\r\n1\t380.5\t40\r\n2\t381.0\t20\r\n";
// Key: value lines and then the numbers, x first, two intensity columns.
constexpr std::string_view kKeyValueExport =
    "Instrument: grating 1200/mm\nUnits: nm\n\n3880.0 1 5\n3881.0 2 10\n3882.0 3 4\n";
// A spreadsheet CSV: header row, semicolons, decimal commas, x falling.
constexpr std::string_view kSemicolonCsv = "Wavelength;Dark;Signal\n388,2;1,5;2,0\n388,1;1,5;8,0\n388,0;1,5;4,0\n";

TEST(SpectrumFormat, RecognisedFromTheContent) {
    struct Case {
        std::string_view head, ext;
        SpectrumFormat format;
    } cases[] = {
        {kMarkedExport, ".txt", SpectrumFormat::HeaderText},
        {kKeyValueExport, ".txt", SpectrumFormat::HeaderText},
        {kSemicolonCsv, ".csv", SpectrumFormat::Csv},
        {"\xEF\xBB\xBFx,a,b\n1,2,3\n", "", SpectrumFormat::Csv},
        {"3880 1\n3881 2\n", ".txt", SpectrumFormat::TwoColumn},
        {"Wavelength;Intensity\n388,0;1\n", ".csv", SpectrumFormat::TwoColumn},  // two columns: the old rules
        {"1,2,3\n4,5,6\n", ".csv", SpectrumFormat::TwoColumn},
        {"Time: 12:00\n3880 1\n", ".csv", SpectrumFormat::TwoColumn},
        {"", "", SpectrumFormat::TwoColumn},
    };
    for (const Case& c : cases) EXPECT_EQ(DetectSpectrumFormat(c.head, c.ext), c.format) << c.head;
}

TEST(ColumnTable, XColumnFoundIntensityChosen) {
    struct Case {
        std::string_view text;
        int column;
        TableColumns used;
        std::vector<double> x, y;
    } cases[] = {
        {kMarkedExport, 0, {2, 3, 3}, {380.0, 380.5, 381.0}, {10, 40, 20}},
        {kKeyValueExport, 0, {1, 3, 3}, {3880, 3881, 3882}, {5, 10, 4}},
        {kKeyValueExport, 2, {1, 2, 3}, {3880, 3881, 3882}, {1, 2, 3}},
        {kSemicolonCsv, 0, {1, 3, 3}, {388.2, 388.1, 388.0}, {2, 8, 4}},
        {"a,b,c\r1,2,3\r2,2,4\r", 0, {1, 3, 3}, {1, 2}, {3, 4}},  // CR line ends
    };
    for (const Case& c : cases) {
        TableColumns used;
        const SpectrumPoints p = ReadColumnTable(c.text, c.column, used);
        EXPECT_EQ(used.x, c.used.x) << c.text;
        EXPECT_EQ(used.intensity, c.used.intensity) << c.text;
        EXPECT_EQ(used.count, c.used.count) << c.text;
        EXPECT_EQ(p.x, c.x) << c.text;
        EXPECT_EQ(p.y, c.y) << c.text;
    }
}

TEST(ColumnTable, BadTablesNameTheLine) {
    struct Case {
        std::string_view text;
        int column;
        long long line;
        std::string_view problem;
    } cases[] = {
        {"K: v\n1 2 3\n2 5\n", 0, 3, "2 columns where the first line of numbers has 3"},
        {"K: v\n1 2 3\n2 x 4\n", 0, 3, "column 2: \"x\" is not a number"},
        {"K: v\n1 2 3\n2 nan 4\n", 0, 3, "column 2: \"nan\" is not a finite number"},
        {"K: v\n1 2 3\n2 3 4\n", 4, 2, "intensity column 4 chosen, the file has 3 columns"},
        {"K: v\n1 2 3\n2 3 4\n", 1, 2, "column 1 holds the x values"},
        {"K: v\n1 2 3\n1 2 3\n", 0, 2, "no column of x values that rise or fall steadily"},
        {"K: v\n1\n", 0, 2, "one column only"},
        {"K: v\n1;2,5;3\n2;3.5;4\n", 0, 3, "decimal"},
        {"K: v\nonly words\n", 0, 0, "no line of numbers after the header"},
    };
    for (const Case& c : cases) {
        TableColumns used;
        testing::ExpectReadError([&] { ReadColumnTable(c.text, c.column, used); }, c.line, c.problem, c.text);
    }
}

TEST(ReadSpectrumFile, TellsTheFormatAndFallsBackToTwoColumns) {
    const testing::TempDir dir;
    struct Case {
        std::string_view name, text;
        int column;
        bool ok;
        std::string_view message;  // in ReadNotice, or in the failure message
        float firstX;
    } cases[] = {
        {"scan.txt", kMarkedExport, 0, true,
         "read as text with a header block, x from column 2, intensity from column 3 of 3", 3800.0f},
        {"table.csv", kSemicolonCsv, 2, true, "read as spreadsheet CSV, x from column 1, intensity from column 2",
         3882.0f},
        {"plain.dat", "3880 1\n3881 2\n3882 3\n", 0, true, "", 3880.0f},
        {"short.txt", "Units: nm\n380 1 2\n381 1\n", 0, false,
         "short.txt (read as text with a header block), line 3: 2 columns where", 0.0f},
    };
    for (const Case& c : cases) {
        ExperimentState exp;
        testing::ScriptedDialogs dialogs;
        const bool ok =
            ReadSpectrumFile(exp, dir.Write(c.name, c.text).string(), dialogs, SpectrumReading{0, 1, c.column});
        EXPECT_EQ(ok, c.ok) << c.name;
        const std::string said = c.ok ? exp.ReadNotice : (dialogs.messages.empty() ? "" : dialogs.messages.back());
        if (c.message.empty()) {
            EXPECT_TRUE(said.empty()) << said;
        }
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        if (c.ok) {
            EXPECT_FLOAT_EQ(exp.ExpX(0), c.firstX) << c.name;
            float top = 0.0f;
            for (int i = 0; i <= exp.ExpPoints; ++i) top = std::max(top, exp.ExpY(i));
            EXPECT_FLOAT_EQ(top, 100.0f) << c.name;
        } else {
            EXPECT_EQ(exp.ExpPoints, -1);
            EXPECT_NE(dialogs.messages.back().find(kReadFailureMessage), std::string::npos);
        }
    }
}

}  // namespace

}  // namespace velmora::experiment
