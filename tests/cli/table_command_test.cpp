// velmora-cli table on a small hand-made database.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/number_format.h"
#include "support/sample_database.h"

namespace velmora::cli {
namespace {

using testing::Level;
using testing::SampleDatabase;
using testing::SampleEntry;

/// A Σ-Σ system "AB": origin 30000 cm-1, B' = 1.8 and B'' = 2.0 cm-1, no spin splitting,
/// v' = 0..1 and v'' = 0..1, rows 0..6 of v' = 0.
struct TableDatabase {
    SampleDatabase data;
    TableDatabase() {
        SampleEntry a;
        a.code = "AB", a.nmaxVibUp = 1, a.nmaxVibLow = 1, a.rotRows = {6, 5}, a.mass = 13.5;
        a.origin = 30000.0, a.referenceLifetime = 250.0;
        data.Catalogue({a}, 3, 2, 20);
        data.System(1, {Level(0, 1.8), Level(2000, 1.75)}, {Level(0, 2.0), Level(2200, 1.95)},
                    [](int vUp, int vLow) { return vUp == vLow ? 0.8 : 0.2; });
    }
};

std::vector<std::string> CsvLines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        out.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    std::istringstream in(line);
    for (std::string x; std::getline(in, x, ',');) f.push_back(x);
    return f;
}

int RunCli(const std::vector<std::string>& args, std::string* err = nullptr) {
    std::ostringstream out, e;
    const int code = Run(args, out, e);
    if (err) *err = e.str();
    return code;
}

TEST(CliTable, RotationalLinePositionsOfASigmaSigmaBand) {
    TableDatabase db;
    const std::string file = (db.data.Dir() / "positions.csv").string();
    ASSERT_EQ(RunCli({"table", "--data", db.data.Folder(), "--entry", "1", "--kind", "rotational", "--quantity", "4",
                      "--band", "0,0", "--nomenclature", "b", "--units", "3", "--out", file}),
              0);
    const auto lines = CsvLines(testing::ReadFile(file));
    ASSERT_EQ(lines.size(), 4u + 7u);  // header lines, then N = 0..6
    EXPECT_EQ(lines[0], "RADICAL: AB");
    EXPECT_EQ(lines[1], "QUANTITY:Line positions");
    EXPECT_EQ(lines[2], "UNITS   :cm-1");
    EXPECT_EQ(lines[3], "BAND  (A-X)0 - 0 ");
    // Row N = 3: R1 = 30000 + 1.8 (N+1)(N+2) - 2.0 N(N+1) = 30012.0 cm-1 and
    // P1 = 30000 + 1.8 (N-1)N - 2.0 N(N+1) = 29986.8 cm-1 (hand computation from the constants).
    const auto f = Fields(lines[7]);
    ASSERT_EQ(f.size(), 13u);
    EXPECT_EQ(Trim(f[0]), "3");
    EXPECT_NEAR(Val(f[5]), 30012.0, 0.005);  // single precision near 30000
    EXPECT_NEAR(Val(f[1]), 29986.8, 0.005);
    EXPECT_NEAR(Val(f[3]), 0.0, 1e-9);  // no Q branch in a Σ-Σ band
}

TEST(CliTable, VibrationalBandPositionsInAngstrom) {
    TableDatabase db;
    const std::string file = (db.data.Dir() / "bands.csv").string();
    ASSERT_EQ(RunCli({"table", "--data", db.data.Folder(), "--entry", "1", "--kind", "vibrational", "--quantity", "4",
                      "--units", "1", "--out", file}),
              0);
    const auto lines = CsvLines(testing::ReadFile(file));
    ASSERT_EQ(lines.size(), 5u + 2u);
    EXPECT_EQ(lines[2], "UNITS   :Angstrom (Vacuum)");
    EXPECT_EQ(lines[4], "X v''  ,A v'= 0  ,A v'= 1 ");
    EXPECT_EQ(Fields(lines[5]).size(), 3u);
    EXPECT_GT(Val(Fields(lines[5])[1]), 3300.0);  // (0,0) near 30000 cm-1 = 3333 Å
    EXPECT_LT(Val(Fields(lines[5])[1]), 3340.0);
}

TEST(CliTable, BadOptionsAreNamed) {
    TableDatabase db;
    const std::string file = (db.data.Dir() / "x.csv").string();
    std::string err;
    EXPECT_EQ(RunCli({"table", "--data", db.data.Folder(), "--entry", "1", "--quantity", "7", "--out", file}, &err), 1);
    EXPECT_NE(err.find("--quantity"), std::string::npos);
    EXPECT_EQ(RunCli({"table", "--data", db.data.Folder(), "--entry", "1", "--quantity", "1", "--units", "2",
                      "--out", file},
                     &err),
              1);
    EXPECT_NE(err.find("--units"), std::string::npos);
    EXPECT_EQ(RunCli({"table", "--data", db.data.Folder(), "--entry", "1", "--kind", "rotational", "--band", "5,0",
                      "--out", file},
                     &err),
              1);
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(RunCli({"table", "--data", db.data.Folder(), "--entry", "1"}, &err), 1);
    EXPECT_NE(err.find("--out"), std::string::npos);
}

}  // namespace
}  // namespace velmora::cli
