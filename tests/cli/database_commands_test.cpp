// velmora-cli systems, lines and lifetimes on a small hand-made database.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "cli/commands.h"
#include "common/number_format.h"
#include "database/line_positions.h"

namespace velmora::cli {
namespace {

TEST(CliSystems, ListsEveryEntry) {
    CliDatabase db;
    const Result r = RunCli({"systems", "--data", db.data.Folder()});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0], "entry,molecule,system,lambda_up,lambda_low,nmaxvib_up,nmaxvib_low,mass");
    EXPECT_EQ(r.lines[1], "1,AB,(A-X),0,0,1,1,13.5");
    EXPECT_EQ(r.lines[2], "2,N2+,(B-X),0,1,3,2,28.0134");
}

TEST(CliLines, ListsEveryLineOfTheBand) {
    CliDatabase db;
    const Result r = RunCli({"lines", "--entry", "1", "--band", "0,0", "--data", db.data.Folder()});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_GT(r.lines.size(), 1u);
    EXPECT_EQ(r.lines[0],
              "v_up,v_low,branch,name_b,name_a,N_low,J_low,position_cm-1,hl_factor,transition_probability,"
              "emission_coefficient,absorption_coefficient,parity_up,parity_low");
    bool sawR1 = false, sawP1 = false;
    for (std::size_t i = 1; i < r.lines.size(); ++i) {
        const auto f = testing::CommaFields(r.lines[i]);
        ASSERT_EQ(f.size(), 14u) << r.lines[i];
        EXPECT_EQ(f[0] + "," + f[1], "0,0");
        const int b = std::stoi(f[2]), N = std::stoi(f[5]);
        ASSERT_TRUE(b >= 1 && b <= 12) << r.lines[i];  // a Σ-Σ system has one branch set
        EXPECT_EQ(f[3], testing::kSampleBranchNamesN[static_cast<std::size_t>(b - 1)]);
        EXPECT_EQ(f[4], testing::kSampleBranchNamesJ[static_cast<std::size_t>(b - 1)]);
        // The lower level is F1 (J = N + 1/2) for P1, Q1, R1, R21, Q21, S21, else F2.
        const bool f1 = b == 1 || b == 3 || b == 5 || b == 10 || b == 11 || b == 12;
        EXPECT_DOUBLE_EQ(Val(f[6]), f1 ? N + 0.5 : N - 0.5) << r.lines[i];
        // Both states are 2Σ+: F1 levels are e, F2 levels f (upper F1 for P1, R1, P12; b 1, 5, 9).
        const bool upperF1 = b == 1 || b == 3 || b == 5 || b == 7 || b == 8 || b == 9;
        EXPECT_EQ(f[12], upperF1 ? "e" : "f") << r.lines[i];
        EXPECT_EQ(f[13], f1 ? "e" : "f") << r.lines[i];
        EXPECT_NE(Val(f[7]), 0.0);
        // Probabilities of rows 0..6 from the file; row 7 (reached by the P lines of the top
        // upper level) repeats row 6.
        EXPECT_FLOAT_EQ(static_cast<float>(Val(f[9])), 0.8f) << r.lines[i];
        // Origin 30000 cm-1, B' = 1.8, B'' = 2.0 cm-1: R1(0) = 30000 + 2 B', P1(1) = 30000 - 2 B''.
        if (b == 5 && N == 0) {
            sawR1 = true;
            EXPECT_NEAR(Val(f[7]), 30003.6, 1e-3);
        }
        if (b == 1 && N == 1) {
            sawP1 = true;
            EXPECT_NEAR(Val(f[7]), 29996.0, 1e-3);
        }
    }
    EXPECT_TRUE(sawR1 && sawP1);
}

TEST(CliLines, AbsoluteEinsteinAAndOscillatorStrengths) {
    CliDatabase db;
    // The lowest upper level (v' = 0, N' = 0, F1) lives the catalogue's 250 ns: its lines, P1 and
    // P12 from N'' = 1 in the bands (0,0) and (0,1), sum to A = 1 / 250 ns = 4e6 s-1.
    double sum = 0.0;
    for (const char* band : {"0,0", "0,1"}) {
        const Result r = RunCli({"lines", "--entry", "1", "--band", band, "--absolute", "--data", db.data.Folder()});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.lines[0].substr(r.lines[0].size() - 34), "einstein_A_s-1,oscillator_strength");
        for (std::size_t i = 1; i < r.lines.size(); ++i) {
            const auto f = testing::CommaFields(r.lines[i]);
            ASSERT_EQ(f.size(), 16u) << r.lines[i];
            const int b = std::stoi(f[2]), N = std::stoi(f[5]);
            const double A = Val(f[14]), osc = Val(f[15]), nu = Val(f[7]), Jlow = Val(f[6]);
            if ((b == 1 || b == 9) && N == 1) sum += A;
            // f = 1.4992 (2J' + 1) / (2J'' + 1) A / nu^2 (nu in cm-1), to the half percent the
            // rounded constants of the unit conversion allow.
            const database::BranchShape shape = database::BranchShapeOf(b);
            const double Jup = database::TwiceJ(N + shape.deltaN, shape.upperF) / 2.0;
            EXPECT_NEAR(osc, 1.4992 * (2 * Jup + 1) / (2 * Jlow + 1) * A / (nu * nu), 0.006 * osc) << r.lines[i];
        }
    }
    EXPECT_NEAR(sum, 4.0e6, 4.0e6 * 1e-5);
}

TEST(CliLines, ParitiesOfOHAXFollowTheUpperSigmaPlusState) {
    // OH A2Σ+: every F1 level is e and every F2 level f, whichever X2Π level a branch starts from;
    // P and R lines join levels of equal label, Q lines opposite ones.
    const Result r = RunCli({"lines", "--entry", "1", "--band", "0,0", "--data", VELMORA_DATA_DIR});
    ASSERT_EQ(r.code, 0) << r.err;
    for (std::size_t i = 1; i < r.lines.size(); ++i) {
        const auto f = testing::CommaFields(r.lines[i]);
        const int b = std::stoi(f[2]);
        const database::BranchShape shape = database::BranchShapeOf(b);
        EXPECT_EQ(f[12], shape.upperF == 1 ? "e" : "f") << r.lines[i];
        const bool q = database::TwiceJ(shape.deltaN, shape.upperF) == database::TwiceJ(0, shape.lowerF);
        EXPECT_EQ(f[12] == f[13], !q) << r.lines[i];
    }
}

TEST(CliLifetimes, ListsTheUpperLevels) {
    CliDatabase db;
    const Result r = RunCli({"lifetimes", "--entry", "1", "--data", db.data.Folder()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.lines[0], "v_up,component,N_up,radiative_ns,effective_ns,yield");
    // v' 0..1, components F1 and F2, rows 0..6 and 0..5.
    EXPECT_EQ(r.lines.size(), 1u + 2 * 7 + 2 * 6);
    // The lowest level has the catalogue's reference lifetime; without level data it decays
    // radiatively with yield 1. F2 has no N = 0 level: an empty row.
    EXPECT_EQ(r.lines[1], "0,1,0,250,250,1");
    EXPECT_EQ(r.lines[8], "0,2,0,,,");
}

TEST(CliLifLines, SignalsOfTheLinesThenTheBestPairsWithoutLinesFarWeakerThanTheStrongest) {
    std::vector<std::string> args = {"lif-lines",
                                     "--data",
                                     VELMORA_DATA_DIR,
                                     "--entry",
                                     "3",
                                     "--range",
                                     "2259:2263",
                                     "--temperatures",
                                     "300:2000",
                                     "--steps",
                                     "3",
                                     "--pairs",
                                     "2",
                                     "--composition",
                                     "N2=0.71,H2O=0.19,CO2=0.095,O2=0.005",
                                     "--pressure",
                                     "760"};
    const Result r = RunCli(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.lines[0], "position,line,S_300K,S_1150K,S_2000K");
    const auto blank = std::find(r.lines.begin(), r.lines.end(), "");
    ASSERT_NE(blank, r.lines.end());
    EXPECT_EQ(*(blank + 1), "pair,line_a,position_a,line_b,position_b,T,ratio,sensitivity");
    EXPECT_EQ(r.lines.end() - blank, 2 + 2 * 3);  // two pairs at three temperatures
    // Every line listed reaches a thousandth of the strongest line's signal at some temperature.
    std::vector<double> largest;
    for (auto line = r.lines.begin() + 1; line != blank; ++line) {
        const std::vector<std::string> f = testing::CommaFields(*line);
        largest.push_back(std::max({Val(f[2]), Val(f[3]), Val(f[4])}));
    }
    const double strongest = *std::max_element(largest.begin(), largest.end());
    for (double s : largest) EXPECT_GE(s, 1e-3 * strongest);
    // Without the threshold the weak lines come back, and the leaving out is said.
    args.insert(args.end(), {"--min-signal", "0"});
    const Result all = RunCli(args);
    ASSERT_EQ(all.code, 0) << all.err;
    EXPECT_GT(std::find(all.lines.begin(), all.lines.end(), "") - all.lines.begin(), blank - r.lines.begin());
    EXPECT_NE(r.err.find("lines below 0.001 of the strongest line's signal left out (--min-signal)"), std::string::npos)
        << r.err;
}

TEST(CliLifetimes, AGasQuenchesEveryLevel) {
    const Result r = RunCli({"lifetimes", "--data", VELMORA_DATA_DIR, "--entry", "3", "--composition",
                             "N2=0.79,O2=0.21", "--temperature", "300", "--pressure", "760"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Quenching rate 8.267E+08 s-1"), std::string::npos) << r.err;  // air, 1 atm, 300 K
    // NO A v' = 0, N' = 0 (τ_R ≈ 200 ns): yield 1 / (1 + Q τ) ≈ 0.006.
    const std::vector<std::string> f = [&] {
        std::vector<std::string> fields;
        std::stringstream in(r.lines[1]);
        for (std::string s; std::getline(in, s, ',');) fields.push_back(s);
        return fields;
    }();
    ASSERT_EQ(f.size(), 6u);
    const double tauR = Val(f[3]) * 1e-9;
    EXPECT_NEAR(Val(f[5]), 1.0 / (1.0 + 8.2668e8 * tauR), 2e-3 / (1.0 + 8.2668e8 * tauR));
}

TEST(CliDatabaseCommands, BadRequestsAreExplained) {
    CliDatabase db;
    const std::string folder = db.data.Folder();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    std::vector<Case> cases = {
        {{"lines", "--band", "0,0", "--data", folder}, "option --entry N is required"},
        {{"lines", "--entry", "1", "--data", folder}, "option --band VUP,VLOW is required"},
        {{"lines", "--entry", "1", "--band", "0", "--data", folder}, "\"0\" is not two whole numbers"},
        {{"lines", "--entry", "1", "--band", "0,5", "--data", folder}, "band (0, 5) is outside entry 1"},
        {{"lines", "--entry", "3", "--band", "0,0", "--data", folder}, "entry 3 is not in the catalogue (1..2)"},
        {{"lifetimes", "--entry", "2", "--data", folder}, "N2PB.SPC: file not found"},
        {{"systems", "--data", folder + "/none"}, "none/VELMORA.SYS: file not found"},
        {{"systems", "--dta", folder}, "unknown option --dta"},
        {{"lifetimes", "--entry", "1", "--composition", "N2=0.5", "--data", folder}, "option --composition:"},
        {{"lif-lines", "--entry", "1", "--temperatures", "300:2000", "--data", folder},
         "option --range A:B is required"},
        {{"lif-lines", "--entry", "1", "--range", "1:2", "--temperatures", "300-2000", "--data", folder},
         "\"300-2000\" is not A:B"},
    };
    cases.push_back({{}, "usage: velmora-cli <command>"});  // no command: bad input, as an unknown one
    cases.push_back({{"simulat", "--entry", "1"}, "unknown command \"simulat\""});
    for (const auto& c : cases) {
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.code, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
}

TEST(CliDatabaseCommands, ASystemWithoutAbsoluteScaleRefusesEveryAbsoluteRequestNamingTheLifetime) {
    // CF A-X (a doublet entry) and NH A-X (a triplet entry): the same refusals, the same words.
    const std::string data = VELMORA_DATA_DIR;
    const Result systems = RunCli({"systems", "--data", data});
    ASSERT_EQ(systems.code, 0) << systems.err;
    struct System {
        std::string name, range, lifRange, rotational;  // ranges in Å and cm-1, a rotational quantity
    };
    for (const System& s : {System{"CF", "2300:2350", "2320:2330", "4"}, System{"NH", "3350:3370", "3355:3365", "4"}}) {
        std::string entry;
        for (const std::string& line : systems.lines)
            if (line.find("," + s.name + ",(A-X),") != std::string::npos) entry = line.substr(0, line.find(','));
        ASSERT_FALSE(entry.empty()) << s.name;
        EXPECT_NE(systems.err.find("entry " + entry + ": " + s.name + " (A-X) has no absolute scale"),
                  std::string::npos)
            << systems.err;
        const std::string missing = "the radiative lifetime of A v' = 0 is not known";
        const std::string out = ::testing::TempDir() + "no_scale_refused";
        const std::string start = s.range.substr(0, 4), end = s.range.substr(5);
        const std::vector<std::vector<std::string>> refused = {
            {"lifetimes", "--entry", entry},
            {"lifetimes", "--entry", entry, "--composition", "N2=1", "--pressure", "760"},
            {"lines", "--entry", entry, "--band", "0,0", "--absolute"},
            {"export", "--entry", entry, "--format", "exomol", "--out", out},
            {"export", "--entry", entry, "--format", "hitran", "--out", out},
            {"table", "--entry", entry, "--kind", "vibrational", "--quantity", s.name == "CF" ? "1" : "3", "--out",
             out + ".csv"},
            {"table", "--entry", entry, "--kind", "rotational", "--quantity", "6", "--out", out + ".csv"},
            {"lif-lines", "--entry", entry, "--range", s.lifRange, "--temperatures", "300:2000", "--composition",
             "N2=1", "--pressure", "760"},
            {"simulate", "--entry", entry, "--kind", "absorption", "--absorption-units", "cross-section", "--start",
             start, "--end", end, "--out", out + ".mod"},
            {"simulate", "--entry", entry, "--kind", "lif", "--gate", "resolved", "--start", start, "--end", end,
             "--out", out + ".mod"},
        };
        for (std::vector<std::string> args : refused) {
            args.insert(args.end(), {"--data", data});
            const Result r = RunCli(args);
            EXPECT_EQ(r.code, 1) << s.name << " " << args[0] << " " << r.err;
            EXPECT_NE(r.err.find(missing), std::string::npos) << s.name << " " << args[0] << ": " << r.err;
            EXPECT_EQ(r.out, "") << s.name << " " << args[0];
        }
        // The relative quantities: lines, positions and Honl-London factors, relative spectra,
        // LIF excitation lines.
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"lines", "--entry", entry, "--band", "0,0", "--data", data},
                 {"table", "--entry", entry, "--kind", "rotational", "--quantity", s.rotational, "--band", "0,1",
                  "--out", out + ".csv", "--data", data},
                 {"simulate", "--entry", entry, "--start", start, "--end", end, "--out", out + ".mod", "--data", data},
                 {"simulate", "--entry", entry, "--kind", "cubic", "--start", start, "--end", end, "--out",
                  out + ".mod", "--data", data},
                 {"lif-lines", "--entry", entry, "--range", s.lifRange, "--temperatures", "300:2000", "--data",
                  data}}) {
            const Result r = RunCli(args);
            EXPECT_EQ(r.code, 0) << s.name << " " << args[0] << " " << r.err;
        }
    }
}

TEST(CliLines, NHBandsSitAtTheOriginsAndQBranchEdgesOfTheFolderReadme) {
    // Without fine structure every Q line of N'' = 1 lies at ν0 + 2(B' - B'') - 4(D' - D''): the
    // README's Q-branch edges (cm-1, to their last digit), and the lines carry no Einstein A (relative only).
    const Result systems = RunCli({"systems", "--data", VELMORA_DATA_DIR});
    std::string entry;
    for (const std::string& line : systems.lines)
        if (line.find(",NH,(A-X),") != std::string::npos) entry = line.substr(0, line.find(','));
    ASSERT_FALSE(entry.empty());
    const std::pair<std::string, double> edges[] = {
        {"0,0", 29776.66}, {"1,1", 29684.89}, {"2,2", 29552.63}, {"1,0", 32809.17}, {"2,1", 32520.20}};
    for (const auto& [band, edge] : edges) {
        const Result r = RunCli({"lines", "--data", VELMORA_DATA_DIR, "--entry", entry, "--band", band});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("the Einstein A column is empty"), std::string::npos) << r.err;
        int found = 0;
        for (std::size_t i = 1; i < r.lines.size(); ++i) {
            const auto f = testing::CommaFields(r.lines[i]);
            ASSERT_EQ(f.size(), 15u) << r.lines[i];
            EXPECT_EQ(f[13], "") << r.lines[i];
            if (f[2].front() != 'Q' || f[7] != "1") continue;
            EXPECT_NEAR(Val(f[11]), edge, 0.01) << band << " " << r.lines[i];
            ++found;
        }
        EXPECT_GT(found, 0) << band;
    }
}

}  // namespace
}  // namespace velmora::cli
