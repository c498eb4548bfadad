// velmora-cli simulate on a small hand-made Σ-Σ band system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "cli/condition_options.h"
#include "cli/simulate_options.h"
#include "common/number_format.h"

namespace velmora::cli {
namespace {

using testing::Level;
using testing::SampleDatabase;
using testing::SampleEntry;

std::vector<std::string> FileLines(const std::filesystem::path& p) {
    std::istringstream in(testing::ReadFile(p));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(CliSimulate, WritesTheSpectrumAndOneSummaryLine) {
    SimDatabase db;
    const auto out = db.data.Dir() / "ab.mod";
    const Result r = RunCli(db.Args(
        {"--out", out.string(), "--start", "3300", "--end", "3380", "--resolution", "0.5", "--temperature", "1000"}));
    ASSERT_EQ(r.code, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, std::regex(R"((\d+) points, (\d+) lines drawn, [0-9.]+ ms\n)"))) << r.out;
    EXPECT_EQ(std::stoi(m[1]), 80 * 7 / 0.5 + 1);
    EXPECT_GT(std::stoi(m[2]), 20);
    const auto lines = FileLines(out);
    ASSERT_EQ(lines.size(), 1121u);
    EXPECT_EQ(lines.front().back(), '\r');  // CR-LF line ends
    EXPECT_EQ(Val(lines.front()), 3300.0);
    double peak = 0;
    for (const std::string& line : lines) peak = std::max(peak, Val(line.substr(line.find(',') + 1)));
    EXPECT_NEAR(peak, 100.0, 1e-4);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(CliSimulate, ARangeWithoutALineOfTheSystemIsAnError) {
    SimDatabase db;
    const auto out = db.data.Dir() / "none.mod";
    const Result r = RunCli(db.Args({"--out", out.string(), "--start", "5000", "--end", "5100"}));
    EXPECT_EQ(r.code, 1);
    // The band (0,0) starts at 30000 cm-1: 3333 Å.
    EXPECT_EQ(r.err.rfind("velmora-cli simulate: no line of AB (A-X) in the range 5000 to 5100 \xC3\x85 (Vacuum); "
                          "its strongest band, (0,0), lies near 33",
                          0),
              0u)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliSimulate, AnEmptySpectrumIsWrittenWithAWarningThatSaysWhy) {
    SimDatabase db;
    const auto out = db.data.Dir() / "empty.mod";
    // 3100..3150 Å holds only the (1,0) band (origin 32000 cm-1, 3125 Å); at 100 K v' = 1, 2000
    // cm-1 up, holds exp(-2000 x 1.4388 / 100) = 3E-13 of the molecules.
    const Result r =
        RunCli(db.Args({"--out", out.string(), "--start", "3100", "--end", "3150", "--temperature", "100"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(out));
    EXPECT_EQ(r.err.rfind("warning: Nothing to show: the range 3100 to 3150 \xC3\x85 (Vacuum) holds only the (1,0) "
                          "band of AB (A-X), and v' = 1 has a population of 3.",
                          0),
              0u)
        << r.err;
    EXPECT_NE(r.err.find("E-13"), std::string::npos) << r.err;
}

TEST(CliSimulate, IndependentLevelsAndDriverMessagesOnStandardError) {
    SimDatabase db;
    const auto out = db.data.Dir() / "levels.mod";
    const Result r = RunCli(db.Args({"--out", out.string(), "--independent", "--units", "cm-1", "--start", "1000",
                                     "--end", "31000", "--temperature", "5000", "--resolution", "0.0001"}));
    // Far too many points for two levels: refused as the window refuses them, naming the finest
    // resolution the budget allows (30000 cm-1 × 7 points per width / 500000 points); no file.
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("TOO MANY POINTS TO SIMULATE\nMAXIMUM RESOLUTION  0.42cm-1\n"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    // At that resolution the two levels and the total are written.
    const Result fine = RunCli(db.Args({"--out", out.string(), "--independent", "--units", "cm-1", "--start", "1000",
                                        "--end", "31000", "--temperature", "5000", "--resolution", "0.43"}));
    ASSERT_EQ(fine.code, 0) << fine.err;
    const auto lines = FileLines(out);
    ASSERT_GT(lines.size(), 400000u);
    ASSERT_LE(lines.size(), 500001u);
    std::string last = lines[lines.size() / 2];
    for (char& c : last)
        if (c == ',') c = ' ';
    std::istringstream fields(last);
    int count = 0;
    for (double v; fields >> v;) ++count;
    EXPECT_EQ(count, 4);  // x, level 0, level 1, total
}

TEST(CliSimulate, RefusedValuesNameTheOption) {
    SimDatabase db;
    const auto out = (db.data.Dir() / "x.mod").string();
    Result r = RunCli(db.Args({"--out", out, "--temperature", "-5"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--temperature"), std::string::npos) << r.err;
    r = RunCli(db.Args({"--out", out, "--lineshape", "sinc"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("gaussian, lorentzian, voigt, triangle, trapezoid, file"), std::string::npos) << r.err;
    r = RunCli(db.Args({"--out", out, "--lineshape", "file"}));
    EXPECT_NE(r.err.find("--lineshape file needs the instrument function as --slit FILE"), std::string::npos) << r.err;
    r = RunCli(db.Args({"--out", out, "--lineshape", "file", "--slit", out + ".missing"}));
    EXPECT_NE(r.err.find("x.mod.missing: file not found"), std::string::npos) << r.err;
    r = RunCli(db.Args({"--out", out, "--lineshape", "trapezoid", "--top", "2"}));
    EXPECT_NE(r.err.find("the flat top of the trapezoid must lie within 0..the resolution"), std::string::npos)
        << r.err;
    r = RunCli(db.Args({"--out", out, "--colour", "red"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--colour"), std::string::npos) << r.err;
    r = RunCli({"simulate", "--entry", "1e20", "--out", out, "--data", db.data.Folder()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--entry needs a whole number"), std::string::npos) << r.err;
    r = RunCli({"simulate", "--entry", "1", "--data", db.data.Folder()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--out"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    // Conditions the screen would refuse or correct, and degenerate ones, are errors here.
    struct Case {
        std::vector<std::string> options;
        std::string reason;
    };
    for (const Case& c : std::vector<Case>{
             {{"--start", "-100"}, "option --start: -100 is outside 1000..1000000 \u00C5 (Vacuum)"},
             {{"--units", "nm-air", "--start", "50"}, "option --start: 50 is outside 100..100000 nm (Air)"},
             {{"--start", "1e30", "--end", "2e30"}, "option --start: 1e30 is outside 1000..1000000"},
             {{"--units", "cm-1", "--start", "900", "--end", "31000"}, "option --start: 900 is outside"},
             {{"--start", "3200", "--end", "3100"}, "the range start 3200 is not below its end 3100"},
             {{"--resolution", "1e-30"}, "option --resolution: 1e-30 is outside 1E-05..10000 in the axis unit"},
             {{"--resolution", "0"}, "option --resolution: 0 is outside"},
             {{"--pressure", "1e30"}, "option --pressure: 1e30 is not accepted (0..7600000 Torr)"},
             {{"--pressure-units", "atm", "--pressure", "2e4"}, "option --pressure: 2e4 is not accepted"},
             {{"--window", "window", "--window-start", "3200", "--window-end", "3100"},
              "the detection window start 3200 \u00C5 is not below its end 3100 \u00C5"},
             {{"--start", "3333", "--end", "3333.5", "--resolution", "1000"}, "holds no grid point"},
             {{"--out", ""}, "no file name"},
             // The Gaussian is drawn line by line at one width: a slope of it would be ignored.
             {{"--resolution-slope", "0.01"}, "option --resolution-slope applies to the convolved"},
             // A message quotes a short excerpt of what it refuses, not the whole input.
             {{"--temperature", std::string(100000, '7') + "x"}, "\"" + std::string(60, '7') + "...\" is not a number"},
         }) {
        std::vector<std::string> args = {"--out", out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        r = RunCli(db.Args(args));
        EXPECT_EQ(r.code, 1) << c.reason;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.reason;
    }
}

TEST(CliSimulate, OptionsAreTheConditionsInForce) {
    AppState app;
    const Args args({"--kind", "lif", "--units", "cm-1", "--pressure-units", "atm", "--pressure", "1", "--density",
                     "very-high", "--lif-regime", "saturated", "--quenching-source", "single", "--quenching", "2.5"},
                    {});
    SetSimulationOptions(app, args, ConditionsFromOptions(args));
    const simulation::SimulationConditions& c = app.sim.conditions;
    EXPECT_EQ(app.pop.PopState, ElectronicState::Lower);  // the kind sets the populated state
    EXPECT_NEAR(c.start, 31746.03, 0.01);                 // the default 3050-3150 Å range converted
    EXPECT_EQ(c.pressure, 760.0);                         // 1 atm held in Torr
    EXPECT_EQ(simulation::PointsPerWidth(c.density), 21);
    EXPECT_EQ(c.lifRegime, simulation::LifRegime::Saturated);
    EXPECT_EQ(app.db.quenching.rate, 2.5);  // the quenching of the next pre-computation
}

}  // namespace
}  // namespace velmora::cli

namespace velmora::cli {
namespace {

/// The first catalogue line of `velmora-cli systems` naming a molecule and system.
std::string ShippedEntry(const std::string& molecule, const std::string& system) {
    std::ostringstream out, err;
    if (Run({"systems", "--data", VELMORA_DATA_DIR}, out, err) != 0) return "";
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        if (line.find("," + molecule + "," + system + ",") != std::string::npos) return line.substr(0, line.find(','));
    return "";
}

/// x and y of every point of a written spectrum.
std::pair<std::vector<double>, std::vector<double>> Points(const std::filesystem::path& file) {
    std::vector<double> x, y;
    for (const std::string& line : FileLines(file)) {
        x.push_back(Val(line));
        y.push_back(Val(line.substr(line.find(',') + 1)));
    }
    return {x, y};
}

TEST(CliSimulateShipped, OHAbsorptionLinesSitOnTheReferencePositions) {
    const std::string entry = ShippedEntry("OH", "(A-X)");
    ASSERT_FALSE(entry.empty()) << "OH A-X not in the shipped catalogue";
    testing::TempDir dir;
    const Result r =
        RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", entry, "--out", (dir / "oh.mod").string(), "--kind",
                "absorption", "--units", "cm-1", "--start", "32300", "--end", "32600", "--resolution", "0.02"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto [x, y] = Points(dir / "oh.mod");
    // Lines of the (0,0) band from empirical term values (0.0002 cm-1): P1(1.5), Q1(1.5), Q21(1.5),
    // R1(1.5), Q2(1.5). Each must show as a local maximum of the 0.02 cm-1 spectrum within 0.05 cm-1.
    for (const double nu : {32440.57892, 32474.55833, 32474.21933, 32542.52126, 32354.46392}) {
        bool found = false;
        for (std::size_t i = 1; i + 1 < x.size(); ++i)
            if (std::fabs(x[i] - nu) < 0.05 && y[i] > y[i - 1] && y[i] >= y[i + 1] && y[i] > 1.0) found = true;
        EXPECT_TRUE(found) << "no line at " << nu << " cm-1";
    }
}

TEST(CliSimulateShipped, NanometreAxesGiveTheSpectrumOfTheAngstromAxes) {
    const std::string entry = ShippedEntry("OH", "(A-X)");
    testing::TempDir dir;
    auto run = [&](const std::string& file, std::vector<std::string> range) {
        std::vector<std::string> args = {
            "simulate",      "--data", VELMORA_DATA_DIR, "--entry", entry, "--out", (dir / file).string(),
            "--temperature", "2000",   "--density",      "high"};
        args.insert(args.end(), range.begin(), range.end());
        const Result r = RunCli(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;  // no range warning for 305 nm
        return Points(dir / file);
    };
    for (const auto& [angstrom, nanometre] : {std::pair<std::string, std::string>{"vacuum", "nm-vacuum"},
                                              std::pair<std::string, std::string>{"air", "nm-air"}}) {
        const auto [xa, ya] =
            run("a.mod", {"--units", angstrom, "--start", "3060", "--end", "3120", "--resolution", "0.5"});
        const auto [xn, yn] =
            run("n.mod", {"--units", nanometre, "--start", "306", "--end", "312", "--resolution", "0.05"});
        ASSERT_EQ(xa.size(), xn.size());
        for (std::size_t i = 0; i < xa.size(); i += 7) {
            EXPECT_NEAR(xn[i], xa[i] / 10.0, 2e-4);
            EXPECT_NEAR(yn[i], ya[i], 0.05) << nanometre << " at " << xn[i];
        }
    }
}

/// The derived radiative lifetimes (ns) of the upper levels of a curated folder, by v
/// (transitions.csv rows "lifetime": 1 / the sum of the folder's band A values).
std::map<int, double> FolderLifetimes(const std::string& folder) {
    std::map<int, double> tau;
    for (const std::string& line :
         FileLines(std::string(VELMORA_SOURCE_DIR) + "/data-src/" + folder + "/transitions.csv"))
        if (line.rfind("lifetime,", 0) == 0) {
            const auto f = testing::CommaFields(line);
            tau[std::stoi(f[1])] = Val(f[3]);
        }
    return tau;
}

// The triplet systems of the shipped catalogue (N2 second and first positive, C2 Swan) are
// entries numbered after the doublet ones, and the database commands and simulations take them.
TEST(CliTripletSystems, LinesLifetimesAndSpectraFollowTheFolderData) {
    const std::string n2cb = ShippedEntry("N2", "(C-B)"), n2ba = ShippedEntry("N2", "(B-A)");
    const std::string c2 = ShippedEntry("C2", "(d-a)");
    ASSERT_FALSE(n2cb.empty() || n2ba.empty() || c2.empty()) << "triplet systems missing from the catalogue";
    EXPECT_EQ(std::stoi(n2ba), std::stoi(n2cb) + 1);

    // Radiative lifetimes of every upper level: the folders' derived 1 / sum A(v', v'') (the
    // Hönl-London factors out of a level sum to 2J' + 1 in every band), to 5e-4.
    for (const auto& [entry, folder] : {std::pair{n2cb, "N2_CB"}, std::pair{n2ba, "N2_BA"}}) {
        const std::map<int, double> tau = FolderLifetimes(folder);
        const Result r = RunCli({"lifetimes", "--data", VELMORA_DATA_DIR, "--entry", entry});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.lines.at(0), "v_up,component,N_up,radiative_ns,effective_ns,yield");
        ASSERT_GT(r.lines.size(), 100u);
        for (std::size_t i = 1; i < r.lines.size(); ++i) {
            const auto f = testing::CommaFields(r.lines[i]);
            ASSERT_EQ(f.size(), 6u) << r.lines[i];
            const int component = std::stoi(f[1]);
            EXPECT_TRUE(component >= 1 && component <= 6) << r.lines[i];
            EXPECT_NEAR(Val(f[3]) / tau.at(std::stoi(f[0])), 1.0, 5e-4) << folder << ": " << r.lines[i];
        }
    }

    // The (0,0) band of N2 C-B: the P3 head of the folder README at 29652.36 cm-1 (J'' = 8,
    // e), and the Hönl-London factors out of every upper level sum to 2J' + 1.
    Result r = RunCli({"lines", "--data", VELMORA_DATA_DIR, "--entry", n2cb, "--band", "0,0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.lines.at(0),
              "v_up,v_low,branch,F_up,F_low,N_up,J_up,N_low,J_low,parity_up,parity_low,position_cm-1,"
              "hl_factor,einstein_A_s-1,nuclear_weight");
    double head = 1e9, headJ = 0;
    std::map<std::string, std::pair<double, double>> sums;  // upper level -> (Σ S, 2J' + 1)
    for (std::size_t i = 1; i < r.lines.size(); ++i) {
        const auto f = testing::CommaFields(r.lines[i]);
        ASSERT_EQ(f.size(), 15u) << r.lines[i];
        // The head as the README takes it: lines whose factor S/(2J' + 1) is at least 0.05.
        const bool strong = Val(f[12]) >= 0.05 * (2 * Val(f[6]) + 1);
        if (f[2] == "P3" && f[10] == "e" && strong && Val(f[11]) < head) head = Val(f[11]), headJ = Val(f[8]);
        auto& s = sums[f[5] + " " + f[6] + " " + f[9]];
        s.first += Val(f[12]), s.second = 2 * Val(f[6]) + 1;
        EXPECT_TRUE(Val(f[14]) == 6.0 || Val(f[14]) == 3.0) << r.lines[i];  // 14N2: 6 and 3
    }
    EXPECT_NEAR(head, 29652.36, 0.05);
    EXPECT_EQ(headJ, 8.0);
    for (const auto& [level, s] : sums) {
        if (s.second >= 2 * 58) continue;  // the lower levels end one J above the last upper J
        EXPECT_NEAR(s.first / s.second, 1.0, 2e-3) << "upper level N J parity " << level;
    }

    // Emission at 0.05 nm resolution: the strongest point lies at the (0,0) heads of the folder
    // READMEs (N2 C-B: P1 337.092 to P3 337.144 nm; C2 d-a: P1 516.505 to P3 516.525 nm, air),
    // within the 0.05 nm width; absorption and LIF excitation draw lines too.
    testing::TempDir dir;
    struct Band {
        std::string entry, kind, start, end;
        double lo, hi;
    };
    for (const Band& b :
         {Band{n2cb, "emission", "335", "338", 337.092, 337.144}, Band{c2, "emission", "505", "520", 516.505, 516.525},
          Band{n2cb, "absorption", "335", "338", 0, 0}, Band{n2cb, "lif", "335", "338", 0, 0}}) {
        r = RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", b.entry, "--out", (dir / "s.mod").string(),
                    "--kind", b.kind, "--units", "nm-air", "--start", b.start, "--end", b.end, "--resolution", "0.05",
                    "--temperature", "2000"});
        ASSERT_EQ(r.code, 0) << b.kind << ": " << r.err;
        EXPECT_EQ(r.out.find(" 0 lines drawn"), std::string::npos) << b.kind << ": " << r.out;
        const auto [x, y] = Points(dir / "s.mod");
        ASSERT_FALSE(x.empty());
        if (b.hi == 0) continue;
        const double peak = x[static_cast<std::size_t>(std::max_element(y.begin(), y.end()) - y.begin())];
        EXPECT_GT(peak, b.lo - 0.05) << b.entry;
        EXPECT_LT(peak, b.hi + 0.05) << b.entry;
    }

    // LIF excitation lines of a triplet system, labelled by branch, lower parity and N''; beyond
    // the last entry (NH A-X follows C2 d-a) the catalogue's range covers the triplet systems too.
    r = RunCli({"lif-lines", "--data", VELMORA_DATA_DIR, "--entry", n2cb, "--range", "3365:3372", "--temperatures",
                "300:2000", "--steps", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(",(0-0) R1 e(7),"), std::string::npos) << r.out;
    const std::string last = std::to_string(std::stoi(c2) + 1);
    r = RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", std::to_string(std::stoi(last) + 1), "--out",
                (dir / "x.mod").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is not in the catalogue (1.." + std::to_string(std::stoi(c2) - 3) + ")"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace velmora::cli
