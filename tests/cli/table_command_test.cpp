// velmora-cli table on a small hand-made database: entry 1 is a Σ-Σ system "AB" with origin
// 30000 cm-1, B' = 1.8 and B'' = 2.0 cm-1, no spin splitting, rows 0..6 of v' = 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "common/number_format.h"

namespace velmora::cli {
namespace {

/// Runs a command line; returns the exit code and keeps the error text.
int ExitCode(const std::vector<std::string>& args, std::string* err = nullptr) {
    const Result r = RunCli(args);
    if (err) *err = r.err;
    return r.code;
}

TEST(CliTable, RotationalLinePositionsOfASigmaSigmaBand) {
    CliDatabase db;
    const std::string file = (db.data.Dir() / "positions.csv").string();
    const std::vector<std::string> args = {
        "table",  "--data", db.data.Folder(), "--entry", "1",       "--kind", "rotational", "--quantity", "4",
        "--band", "0,0",    "--nomenclature", "b",       "--units", "3",      "--out",      file};
    ASSERT_EQ(ExitCode(args), 0);
    auto lines = velmora::testing::CrLfLines(testing::ReadFile(file));
    // Header lines, the column names, then N = 0..8: the P and O lines of N' = 6 end on N'' = 7, 8.
    ASSERT_EQ(lines.size(), 5u + 9u);
    EXPECT_EQ(lines[0], "RADICAL: AB");
    EXPECT_EQ(lines[1], "QUANTITY:Line positions");
    EXPECT_EQ(lines[2], "UNITS   :cm-1");
    EXPECT_EQ(lines[3], "BAND  (A-X)0 - 0 ");
    const auto names = velmora::testing::CommaFields(lines[4]);
    ASSERT_EQ(names.size(), 13u);
    EXPECT_EQ(Trim(names[0]), "N''");
    EXPECT_EQ(Trim(names[1]), "P1");
    EXPECT_EQ(Trim(names[5]), "R1");
    // Row N = 3: R1 = 30000 + 1.8 (N+1)(N+2) - 2.0 N(N+1) = 30012.0 cm-1 and
    // P1 = 30000 + 1.8 (N-1)N - 2.0 N(N+1) = 29986.8 cm-1 (hand computation from the constants).
    EXPECT_EQ(std::count(lines[8].begin(), lines[8].end(), ','), 12);  // the last cell may be empty
    auto f = velmora::testing::CommaFields(lines[8]);
    ASSERT_GE(f.size(), 6u);
    EXPECT_EQ(Trim(f[0]), "3");
    EXPECT_NEAR(Val(f[5]), 30012.0, 0.005);  // single precision near 30000
    EXPECT_NEAR(Val(f[1]), 29986.8, 0.005);
    EXPECT_EQ(f[3], "");  // no Q branch in a Σ-Σ band: an empty cell

    // The earlier layout, for scripts that read it: no column names, zeros for missing lines.
    std::vector<std::string> classic = args;
    classic.push_back("--classic");
    ASSERT_EQ(ExitCode(classic), 0);
    lines = velmora::testing::CrLfLines(testing::ReadFile(file));
    ASSERT_EQ(lines.size(), 4u + 9u);
    f = velmora::testing::CommaFields(lines[7]);
    EXPECT_EQ(Trim(f[0]), "3");
    EXPECT_EQ(Trim(f[3]), "0.000");
}

TEST(CliTable, UpperLevelColumnsCarryTheirUnits) {
    CliDatabase db;
    const std::string file = (db.data.Dir() / "levels.csv").string();
    ASSERT_EQ(ExitCode({"table", "--data", db.data.Folder(), "--entry", "1", "--kind", "rotational", "--quantity", "6",
                        "--band", "0,0", "--out", file}),
              0);
    const auto lines = velmora::testing::CrLfLines(testing::ReadFile(file));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[2], "UNITS   :lifetimes in ns, yields as fractions");
    const auto names = velmora::testing::CommaFields(lines[4]);
    ASSERT_EQ(names.size(), 7u);  // Σ upper state: F1 and F2 of three quantities
    for (int c = 1; c <= 6; ++c) {
        const std::string unit = c <= 4 ? " (ns)" : " (fraction)";
        EXPECT_EQ(Trim(names[c]).substr(Trim(names[c]).size() - unit.size()), unit) << names[c];
    }
}

TEST(CliTable, VibrationalBandPositionsInAngstrom) {
    CliDatabase db;
    const std::string file = (db.data.Dir() / "bands.csv").string();
    ASSERT_EQ(ExitCode({"table", "--data", db.data.Folder(), "--entry", "1", "--kind", "vibrational", "--quantity", "4",
                        "--units", "1", "--out", file}),
              0);
    const auto lines = velmora::testing::CrLfLines(testing::ReadFile(file));
    ASSERT_EQ(lines.size(), 5u + 2u);
    EXPECT_EQ(lines[2], "UNITS   :Angstrom (Vacuum)");
    EXPECT_EQ(lines[4], "X v''  ,A v'= 0  ,A v'= 1 ");
    EXPECT_EQ(velmora::testing::CommaFields(lines[5]).size(), 3u);
    EXPECT_GT(Val(velmora::testing::CommaFields(lines[5])[1]), 3300.0);  // (0,0) near 30000 cm-1 = 3333 Å
    EXPECT_LT(Val(velmora::testing::CommaFields(lines[5])[1]), 3340.0);
}

TEST(CliTable, BadOptionsAreNamed) {
    CliDatabase db;
    const std::string file = (db.data.Dir() / "x.csv").string();
    std::string err;
    EXPECT_EQ(ExitCode({"table", "--data", db.data.Folder(), "--entry", "1", "--quantity", "7", "--out", file}, &err),
              1);
    EXPECT_NE(err.find("--quantity"), std::string::npos);
    EXPECT_EQ(ExitCode({"table", "--data", db.data.Folder(), "--entry", "1", "--quantity", "1", "--units", "2", "--out",
                        file},
                       &err),
              1);
    EXPECT_NE(err.find("--units"), std::string::npos);
    EXPECT_EQ(ExitCode({"table", "--data", db.data.Folder(), "--entry", "1", "--kind", "rotational", "--band", "5,0",
                        "--out", file},
                       &err),
              1);
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(ExitCode({"table", "--data", db.data.Folder(), "--entry", "1"}, &err), 1);
    EXPECT_NE(err.find("--out"), std::string::npos);
}

}  // namespace
}  // namespace velmora::cli
