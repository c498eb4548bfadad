// velmora-cli compare on a small hand-made database, against spectra written by the simulator.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli_fixture.h"
#include "common/number_format.h"

namespace velmora::cli {
namespace {

/// The simulation conditions of every comparison: entry 1 of the sample database (a Σ-Σ system
/// near 30000 cm-1, 3333 Å) at 1500 K, 0.5 Å instrumental width.
std::vector<std::string> Simulation(const CliDatabase& db) {
    return {"--entry",      "1",    "--data",        db.data.Folder(),
            "--start",      "3300", "--end",         "3360",
            "--resolution", "0.5",  "--temperature", "1500"};
}

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

/// The number after the colon of a statistics line.
double Number(const std::string& line) { return Val(line.substr(line.find(':') + 1)); }

TEST(CliCompare, ASimulationComparedWithItsOwnFileCorrelatesFully) {
    CliDatabase db;
    const std::string mod = (db.data.Dir() / "sim.mod").string();
    ASSERT_EQ(RunCli(With({"simulate", "--out", mod}, Simulation(db))).code, 0);

    const Result r = RunCli(With({"compare", "--spectrum", mod}, Simulation(db)));
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0].rfind("Peak correlation: ", 0), 0u);
    EXPECT_EQ(r.lines[1].rfind("Chi-square       : ", 0), 0u);
    // The file holds the grid rounded to 0.001 Å and the total to 4 decimals.
    EXPECT_GT(Number(r.lines[0]), 0.9999);
    EXPECT_LT(Number(r.lines[1]), 0.01);

    // Pearson's r does not change under a positive linear map of the experiment; chi-square does:
    // with y' = 2 (y − 10) it is Σ(s − 2s + 20)² / 100 over the compared points.
    const Result scaled =
        RunCli(With({"compare", "--spectrum", mod, "--baseline", "10", "--multiply", "2"}, Simulation(db)));
    ASSERT_EQ(scaled.code, 0) << scaled.err;
    EXPECT_NEAR(Number(scaled.lines[0]), Number(r.lines[0]), 2e-6);
    EXPECT_GT(Number(scaled.lines[1]), 100 * Number(r.lines[1]));
}

TEST(CliCompare, TheXUnitOfTheFileIsConvertedToTheAxis) {
    CliDatabase db;
    // The simulation on its vacuum Å grid, rewritten as a spectrometer would: air nm, and cm-1.
    const std::string mod = (db.data.Dir() / "sim.mod").string();
    ASSERT_EQ(RunCli(With({"simulate", "--out", mod}, Simulation(db))).code, 0);
    std::istringstream in(testing::ReadFile(mod));
    std::string air, wavenumber;
    for (std::string line; std::getline(in, line);) {
        const double x = Val(line), y = Val(line.substr(line.find(',') + 1));
        // Edlén at 3330 Å: n - 1 = 2.8765E-4 (to 3E-7 over 3300..3360 Å).
        air += Format(x / 1.00028765 / 10.0, "0.00000") + "\t" + Format(y, "0.0000") + "\r\n";
        wavenumber += Format(1E8 / x, "0.0000") + " " + Format(y, "0.0000") + "\r\n";
    }
    const std::string airFile = db.data.Write("air_nm.txt", air).string();
    const std::string waveFile = db.data.Write("wavenumber.txt", wavenumber).string();

    // Taken as vacuum, the air file sits 0.96 Å (two resolution widths) too short.
    const Result automatic = RunCli(With({"compare", "--spectrum", airFile}, Simulation(db)));
    const Result converted =
        RunCli(With({"compare", "--spectrum", airFile, "--spectrum-units", "nm-air"}, Simulation(db)));
    ASSERT_EQ(converted.code, 0) << converted.err;
    EXPECT_GT(Number(converted.lines[0]), 0.999);
    EXPECT_LT(Number(automatic.lines[0]), 0.9);

    // Wavenumbers compare once their unit is given (without it, see the test below).
    const Result found = RunCli(With({"compare", "--spectrum", waveFile, "--spectrum-units", "cm-1"}, Simulation(db)));
    EXPECT_GT(Number(found.lines[0]), 0.999);
    EXPECT_EQ(found.lines.size(), 3u);
    EXPECT_EQ(RunCli(With({"compare", "--spectrum", waveFile, "--spectrum-units", "inch"}, Simulation(db))).code, 1);
}

TEST(CliCompare, ResidualsFileAndFileLimits) {
    CliDatabase db;
    // A spectrum over part of the range, across the (0, 0) band: 50 to 54 between 3327 and 3337 Å.
    std::string text;
    for (int i = 0; i <= 100; ++i) text += Format(3327.0 + 0.1 * i, "0.0") + ", " + Format(50 + i % 5, "0") + "\r\n";
    const std::string spectrum = db.data.Write("part.csv", text).string();
    const std::string residuals = (db.data.Dir() / "res.csv").string();

    const Result r =
        RunCli(With({"compare", "--spectrum", spectrum, "--residuals", residuals, "--limits"}, Simulation(db)));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.lines[2], "100 of 101 experimental points compared between 3327 and 3337");
    std::istringstream in(testing::ReadFile(residuals));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "x,experiment,simulation,residual\r");
    int rows = 0;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        double x, e, s, d;
        char c;
        ASSERT_TRUE(f >> x >> c >> e >> c >> s >> c >> d) << line;
        EXPECT_NEAR(e, 100.0 * std::round(e * 54.0 / 100.0) / 54.0, 1e-3);  // scaled to a peak of 100
        EXPECT_NEAR(d, e - s, 2e-4);
        ++rows;
    }
    EXPECT_EQ(rows, 100);
}

TEST(CliCompare, SpectrometerExportWithAChosenColumn) {
    CliDatabase db;
    std::string text = "Spectrometer: test\nIntegration time: 0.1 s\n";
    for (int i = 0; i <= 100; ++i)
        text += Format(3327.0 + 0.1 * i, "0.0") + "\t" + Format(50 + i % 3, "0") + "\t" + Format(i, "0") + "\n";
    const std::string spectrum = db.data.Write("export.txt", text).string();
    for (const auto& [column, code, said] : std::vector<std::tuple<std::string, int, std::string>>{
             {"2", 0, "read as text with a header block, x from column 1, intensity from column 2 of 3"},
             {"4", 1, "export.txt (read as text with a header block), line 3: intensity column 4 chosen"},
             {"0", 1, "option --column takes 1..1000"}}) {
        const Result r =
            RunCli(With({"compare", "--spectrum", spectrum, "--column", column, "--limits"}, Simulation(db)));
        EXPECT_EQ(r.code, code) << r.err;
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    }
}

TEST(CliCompare, BadInputIsRefusedWithAReason) {
    CliDatabase db;
    Result r = RunCli(With({"compare"}, Simulation(db)));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--spectrum FILE is required"), std::string::npos);

    const std::string spectrum = db.data.Write("s.dat", "3300 1\n3310 2\n3320 3\n").string();
    r = RunCli(With({"compare", "--spectrum", spectrum, "--baseline", "150"}, Simulation(db)));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--baseline: 150 is outside -99..99"), std::string::npos);

    const std::string empty = db.data.Write("empty.dat", "").string();
    r = RunCli(With({"compare", "--spectrum", empty}, Simulation(db)));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Problem reading the file."), std::string::npos);
    EXPECT_NE(r.err.find("empty.dat"), std::string::npos);

    r = RunCli(With({"compare", "--spectrum", spectrum, "--multiply", "1e38"}, Simulation(db)));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("option --multiply: 1e38 is outside 0 (excluded)..1000000"), std::string::npos) << r.err;
    r = RunCli(With({"compare", "--spectrum", spectrum, "--multiply", "0"}, Simulation(db)));
    EXPECT_EQ(r.code, 1);
}

TEST(CliCompare, SpectraThatDefineNoCorrelationAreRefused) {
    // Two points always correlate by ±1 and a constant by 0: neither says anything. The last
    // point of a file never enters the statistics.
    CliDatabase db;
    std::string flat, zero, oneX;
    for (int i = 0; i <= 20; ++i) {
        const std::string x = Format(3320.0 + 0.5 * i, "0.0");
        flat += x + " 7\n", zero += x + " 0\n", oneX += "3325.0 " + std::to_string(i % 4) + "\n";
    }
    const struct {
        const char *name, *text, *message;
    } cases[] = {
        {"flat", flat.c_str(), "nothing to compare: the spectrum is flat (every compared intensity is 100)"},
        {"zero", zero.c_str(), "nothing to compare: the spectrum is flat (every compared intensity is 0)"},
        {"one x", oneX.c_str(), "nothing to compare: every compared point lies at x = 3325"},
        {"three points", "3320 1\n3321 5\n3322 2\n", "nothing to compare: only 2 points compared"},
        {"hexadecimal", "3320 1\n3321 0x1f\n3322 2\n3323 4\n", "line 2: the intensity \"0x1f\" is not a number"},
    };
    for (const auto& c : cases) {
        const Result r =
            RunCli(With({"compare", "--spectrum", db.data.Write("c.txt", c.text).string()}, Simulation(db)));
        EXPECT_EQ(r.code, 1) << c.name;
        EXPECT_TRUE(r.out.empty()) << c.name << ": " << r.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
    }
}

TEST(CliCompare, NothingComparedIsAnErrorWithTheProbableUnit) {
    CliDatabase db;
    // The simulation covers 3300..3360 Å; a spectrum written in wavenumbers lies far beyond.
    std::string text;
    for (int i = 0; i <= 20; ++i) text += Format(29800.0 + 10 * i, "0") + "\t" + std::to_string(i % 7) + "\n";
    const Result r =
        RunCli(With({"compare", "--spectrum", db.data.Write("wavenumbers.txt", text).string()}, Simulation(db)));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;  // no chi-square of 0 to read as a perfect fit
    EXPECT_NE(r.err.find("no experimental point lies in the simulation range 3300..3360"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("its x values are probably in cm-1; give the unit of its x column with --spectrum-units"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace velmora::cli
