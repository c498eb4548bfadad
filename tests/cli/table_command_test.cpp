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

/// The catalogue entry of a shipped band system ("N2", "(C-B)").
std::string Shipped(const std::string& molecule, const std::string& system) {
    for (const std::string& row : RunCli({"systems", "--data", VELMORA_DATA_DIR}).lines)
        if (row.find("," + molecule + "," + system + ",") != std::string::npos) return row.substr(0, row.find(','));
    ADD_FAILURE() << molecule << " " << system << " is not shipped";
    return "0";
}

/// A saved table: its column names (after the row label) and its rows as label -> cell texts.
struct SavedTable {
    std::vector<std::string> lines, names;
    std::vector<std::pair<double, std::vector<std::string>>> rows;
    explicit SavedTable(const std::string& file) : lines(velmora::testing::CrLfLines(testing::ReadFile(file))) {
        if (lines.size() < 5) return;
        for (const std::string& n : velmora::testing::CommaFields(lines[4])) names.push_back(Trim(n));
        for (std::size_t i = 5; i < lines.size(); ++i) {
            auto f = velmora::testing::CommaFields(lines[i]);
            for (std::string& cell : f) cell = Trim(cell);
            f.resize(names.size());
            const double label = Val(f[0]);
            rows.emplace_back(label, std::vector<std::string>(f.begin() + 1, f.end()));
        }
    }
    std::size_t Column(const std::string& name) const {
        const auto it = std::find(names.begin(), names.end(), name);
        EXPECT_NE(it, names.end()) << name;
        return static_cast<std::size_t>(it - names.begin()) - 1;
    }
};

// The triplet systems: sub-band heads and band origins of the N2 C-B folder README (the heads at
// the largest air wavelength of each P branch, J'' >= 2), level lifetimes equal to the folder's
// derived 1 / sum A(v', v''), and the A 3Σu+ term values of a state without spin splitting in
// closed form, T + B N(N + 1) - D [N(N + 1)]^2 for each of F1, F2, F3.
TEST(CliTable, TripletTablesAgainstTheFolderValues) {
    const std::string cb = Shipped("N2", "(C-B)"), ba = Shipped("N2", "(B-A)");
    testing::TempDir dir;
    const std::string file = (dir / "t.csv").string();
    auto table = [&](const std::string& entry, std::vector<std::string> extra) {
        std::vector<std::string> args = {"table", "--data", VELMORA_DATA_DIR, "--entry", entry, "--out", file};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string err;
        EXPECT_EQ(ExitCode(args, &err), 0) << err;
        return SavedTable(file);
    };

    const struct {
        const char* band;
        double p3, p2, p1, origin;  // nm (air), cm-1
    } heads[] = {{"0,0", 337.144, 337.116, 337.092, 29670.94},
                 {"0,1", 357.698, 357.664, 357.637, 27965.64},
                 {"1,0", 315.917, 315.891, 315.866, 31665.39}};
    const SavedTable origins = table(cb, {"--kind", "vibrational", "--quantity", "4", "--units", "3"});
    EXPECT_EQ(origins.lines[4].substr(0, 17), "B v''  ,C v'= 0  ");
    for (const auto& h : heads) {
        SCOPED_TRACE(h.band);
        const SavedTable t = table(cb, {"--kind", "rotational", "--quantity", "4", "--units", "2", "--band", h.band});
        const SavedTable hl = table(cb, {"--kind", "rotational", "--quantity", "5", "--band", h.band});
        EXPECT_EQ(t.lines[2], "UNITS   :Angstrom (Air)");
        EXPECT_EQ(t.names[0], "J''");
        ASSERT_EQ(t.names, hl.names);
        ASSERT_EQ(t.rows.size(), hl.rows.size());
        // As the README takes the heads: lines with S/(2J' + 1) >= 0.05, J' = J'' - 1.
        for (const auto& [branch, head] : {std::pair{"P3", h.p3}, std::pair{"P2", h.p2}, std::pair{"P1", h.p1}}) {
            double longest = 0;
            for (const char* parity : {" e", " f"}) {
                const std::size_t c = t.Column(branch + std::string(parity));
                for (std::size_t r = 0; r < t.rows.size(); ++r) {
                    const double J = t.rows[r].first;
                    const std::string& cell = t.rows[r].second[c];
                    if (J >= 2 && !cell.empty() && Val(hl.rows[r].second[c]) >= 0.05 * (2 * J - 1))
                        longest = std::max(longest, Val(cell) / 10.0);
                }
            }
            EXPECT_NEAR(longest, head, 0.005) << branch;
        }
        const int vUp = h.band[0] - '0', vLow = h.band[2] - '0';
        EXPECT_NEAR(Val(origins.rows.at(static_cast<std::size_t>(vLow)).second.at(static_cast<std::size_t>(vUp))),
                    h.origin, 0.01);
    }

    // Every level of C v' = 0 decays in 36.68 ns (transitions.csv, derived); six components.
    const SavedTable life = table(cb, {"--kind", "rotational", "--quantity", "6", "--band", "0,0"});
    ASSERT_EQ(life.names.size(), 7u);
    EXPECT_EQ(life.names[1], "F1 e (ns)");
    EXPECT_EQ(life.names[6], "F3 f (ns)");
    int cells = 0;
    for (const auto& [J, row] : life.rows)
        for (const std::string& cell : row) {
            if (cell.empty()) continue;
            EXPECT_NEAR(Val(cell), 36.68, 0.01) << "J' " << J;
            ++cells;
        }
    EXPECT_GT(cells, 300);

    // A 3Σu+ v = 0 (T 49754.8, B 1.4458, D 5.78e-6 cm-1, λ = γ = 0): rows by N; F2 (J = N) is the
    // e level of a Σ+ state, F1 and F3 the f levels.
    const SavedTable terms = table(ba, {"--kind", "terms", "--state", "lower", "--band", "0,0", "--nomenclature", "b"});
    EXPECT_EQ(terms.lines[1], "QUANTITY:Energy terms");
    EXPECT_EQ(terms.names, (std::vector<std::string>{"N", "F1 f", "F2 e", "F3 f"}));
    cells = 0;
    for (const auto& [N, row] : terms.rows) {
        const double x = N * (N + 1);
        for (const std::string& cell : row) {
            if (cell.empty()) continue;  // F2 and F3 at N = 0, the last J of each ladder
            EXPECT_NEAR(Val(cell), 49754.8 + 1.4458 * x - 5.78e-6 * x * x, 1e-3) << "N " << N;
            ++cells;
        }
    }
    EXPECT_GT(cells, 150);

    // Quantities without a triplet table name the reason; the doublet entries have no term table.
    std::string err;
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--entry", cb, "--kind", "rotational", "--quantity", "1", "--band", "0,0"}, "--quantity"},
        {{"--entry", cb, "--kind", "vibrational", "--quantity", "6"}, "--quantity"},
        {{"--entry", cb, "--kind", "rotational", "--quantity", "4", "--band", "0,30"}, "--band"},
        {{"--entry", cb, "--kind", "rotational", "--quantity", "4", "--classic"}, "--classic"},
        {{"--entry", "1", "--kind", "terms"}, "--kind"}};
    for (const auto& [extra, option] : refused) {
        std::vector<std::string> args = {"table", "--data", VELMORA_DATA_DIR, "--out", file};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(ExitCode(args, &err), 1) << option;
        EXPECT_NE(err.find("option " + option), std::string::npos) << err;
    }
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
