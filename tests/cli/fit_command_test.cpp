// velmora-cli fit on the shipped database, against OH A-X spectra written by the simulator with
// Gaussian noise of fixed seeds: the printed result, the files written, every exit code, and
// batches (a bad file on its own row; 2 jobs write exactly what 1 job writes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "cli_fixture.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "support/temp_dir.h"

namespace velmora::cli {
namespace {

/// OH A-X emission at 2000 K over 3080-3100 Å with a 0.2 Å Gaussian instrument, as written by
/// velmora-cli simulate, plus noise of σ = 1 (peak 100).
struct OHSpectra {
    testing::TempDir dir;
    std::vector<std::string> clean;  ///< "x y" lines of the noiseless simulation

    OHSpectra() {
        const std::string mod = (dir / "oh.mod").string();
        const Result r = RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", "1", "--start", "3080", "--end",
                                 "3100", "--temperature", "2000", "--resolution", "0.2", "--out", mod});
        if (r.code != 0) throw std::runtime_error(r.err);
        std::ifstream in(mod);
        for (std::string line; std::getline(in, line);) clean.push_back(line);
    }

    /// A noisy copy written as name; the seed makes each file different.
    std::string Noisy(const std::string& name, std::uint32_t seed) const {
        GaussianDeviate noise(seed);
        std::string text;
        for (const std::string& line : clean) {
            const auto comma = line.find(',');
            text += Trim(line.substr(0, comma)) + " " + Str(Val(line.substr(comma + 1)) + noise.Next()) + "\n";
        }
        return dir.Write(name, text).string();
    }
};

std::vector<std::string> FitArgs(std::vector<std::string> more) {
    std::vector<std::string> a = {"fit",     "--data", VELMORA_DATA_DIR,
                                  "--entry", "1",      "--resolution",
                                  "0.15",    "--free", "t,scale,baseline,shift,gauss",
                                  "--set",   "t=1000"};
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

TEST(CliFit, PrintsTheParametersWithUncertaintiesAndWritesResultResidualsAndPicture) {
    OHSpectra s;
    const std::string file = s.Noisy("oh1.txt", 1);
    const std::string csv = (s.dir / "r.csv").string(), res = (s.dir / "res.csv").string(),
                      svg = (s.dir / "f.svg").string();
    const Result r = RunCli(FitArgs({"--spectrum", file, "--out", csv, "--residuals", res, "--svg", svg}));
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_GE(r.lines.size(), 12u);
    EXPECT_EQ(r.lines[0], file + ": OH (A-X)");
    EXPECT_EQ(r.lines[1].rfind("t ", 0), 0u);
    // "t          1996.3 ± 4.1 K": the truth within 2σ.
    const double t = Val(r.lines[1].substr(2)), sigma = Val(r.lines[1].substr(r.lines[1].find("±") + 2));
    EXPECT_NEAR(t, 2000.0, 2.0 * sigma);
    EXPECT_NE(r.out.find("reduced chi-square"), std::string::npos);
    EXPECT_NE(r.out.find("intensity: photon counts"), std::string::npos);

    const std::vector<std::string> rows = testing::CrLfLines(testing::ReadFile(csv));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].rfind("file,status,message,reduced_chi_square,points,evaluations,convention,t,t_sigma,", 0), 0u);
    EXPECT_EQ(rows[1].rfind(file + ",fitted,,", 0), 0u);
    EXPECT_EQ(testing::CrLfLines(testing::ReadFile(res)).size(), s.clean.size() + 1);
    EXPECT_NE(testing::ReadFile(svg).find("<svg"), std::string::npos);
}

TEST(CliFit, EveryFailureHasItsMessageAndExitCode) {
    OHSpectra s;
    const std::string good = s.Noisy("good.txt", 2);
    const std::string nan = s.dir.Write("nan.txt", "3080 1\n3081 nan\n3082 2\n").string();
    const std::string flat = s.dir.Write("flat.txt", "3080 0\n3081 0\n3082 0\n3083 0\n").string();
    const std::string oneX = s.dir.Write("onex.txt", "3080 1\n3080 3\n3080 2\n3080 5\n3080 4\n").string();
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{"--spectrum", (s.dir / "none.txt").string()}, 1, "none.txt"},
        {{"--spectrum", nan}, 1, "line 2"},
        {{"--spectrum", flat}, 1, "flat"},
        {{"--spectrum", oneX}, 1, "every fitted point lies at x = 3080: nothing to fit"},
        {{"--spectrum", good, "--free", "t,colour"}, 1, "\"colour\" is not a fit parameter"},
        {{"--spectrum", good, "--start", "4000", "--end", "4100"}, 1, "no point is left"},
        {{"--spectrum", good, "--bounds", "t=300"}, 1, "LO:HI"},
        {{"--spectrum", good, "--iterations", "1", "--scan", "0"}, 2, "not converged"},
        {{"--spectrum", good, "--entry", "1,1", "--free", "scale,baseline"}, 1, "OH (A-X) is given twice"},
        // An empty list would reach the solver with no parameter (and abort it).
        {{"--spectrum", good, "--free", ""}, 1, "option --free: no parameter named"},
        {{"--spectrum", good, "--free", ","}, 1, "option --free: no parameter named"},
        {{"--spectrum", good, "--scan", "1001"}, 1, "option --scan takes 0..1000"},
        {{"--spectrum", good, "--iterations", "20000"}, 1, "option --iterations takes 1..10000"},
        {{"--spectrum", s.dir.path().string() + "/*.nothing"}, 1, "no file matches"},
    };
    for (const Case& c : cases) {
        const Result r = RunCli(FitArgs(c.args));
        EXPECT_EQ(r.code, c.code) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

// The catalogue of multiplet systems is read only for its own entries: when it is damaged, fits
// of the ordinary entries go on, and a fit of a multiplet entry names the file and line.
TEST(CliFit, ADamagedMultipletCatalogueStopsOnlyTheFitsOfItsOwnEntries) {
    OHSpectra s;
    const std::string good = s.Noisy("good.txt", 3);
    testing::TempDir copy;
    testing::CopyDatabase(VELMORA_DATA_DIR, copy.path());
    copy.Write("MULTIPLET.SYS", "VELmora band systems of any multiplicity\n7\n");
    std::vector<std::string> args = FitArgs({"--spectrum", good});
    args[2] = copy.path().string();
    const Result ordinary = RunCli(args);
    EXPECT_EQ(ordinary.code, 0) << ordinary.err;
    args[4] = "16";
    const Result multiplet = RunCli(args);
    EXPECT_EQ(multiplet.code, 1);
    EXPECT_NE(multiplet.err.find("MULTIPLET.SYS, line 2"), std::string::npos) << multiplet.err;
}

TEST(CliFit, ABatchFitsEveryGoodFileAndTwoJobsWriteExactlyWhatOneJobWrites) {
    OHSpectra s;
    for (int k = 0; k < 4; ++k) s.Noisy("b" + std::to_string(k) + ".txt", 10 + static_cast<std::uint32_t>(k));
    s.dir.Write("b2bad.txt", "3080 1\n3081 x\n");
    const std::string one = (s.dir / "one.csv").string(), two = (s.dir / "two.csv").string();
    const Result r1 = RunCli(FitArgs({"--spectrum", s.dir.path().string() + "/b*.txt", "--out", one}));
    const Result r2 = RunCli(FitArgs({"--spectrum", s.dir.path().string() + "/b*.txt", "--out", two, "--jobs", "2"}));
    EXPECT_EQ(r1.code, 1);
    EXPECT_EQ(r2.code, 1);
    const std::vector<std::string> rows = testing::CrLfLines(testing::ReadFile(one));
    ASSERT_EQ(rows.size(), 6u);
    int fitted = 0;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const std::vector<std::string> f = testing::CommaFields(rows[k]);
        fitted += f[1] == "fitted";
        if (f[0].find("b2bad") != std::string::npos) {
            EXPECT_EQ(f[1], "bad input");
        }
    }
    EXPECT_EQ(fitted, 4);
    EXPECT_EQ(testing::ReadFile(two), testing::ReadFile(one));
    // Each file from the request: the first file's row as before, the others from more spectra
    // than when started from the file before them.
    const std::string cold = (s.dir / "cold.csv").string();
    EXPECT_EQ(RunCli(FitArgs({"--spectrum", s.dir.path().string() + "/b*.txt", "--out", cold, "--no-warm-start"})).code,
              1);
    const std::vector<std::string> coldRows = testing::CrLfLines(testing::ReadFile(cold));
    ASSERT_EQ(coldRows.size(), rows.size());
    EXPECT_EQ(coldRows[1], rows[1]);
    const std::vector<std::string> header = testing::CommaFields(rows[0]);
    const std::size_t evaluations = std::find(header.begin(), header.end(), "evaluations") - header.begin();
    ASSERT_LT(evaluations, header.size());
    EXPECT_GT(std::stoi(testing::CommaFields(coldRows[2])[evaluations]),
              std::stoi(testing::CommaFields(rows[2])[evaluations]));
    // Files given one by one (as a shell expands a glob) are the same batch.
    std::vector<std::string> listed = {"--spectrum"};
    for (int k = 0; k < 4; ++k) listed.push_back((s.dir / ("b" + std::to_string(k) + ".txt")).string());
    EXPECT_EQ(RunCli(FitArgs(listed)).code, 0);
}

/// The goodness of fit of a report: its reduced chi-square, or with uniform weights the square of
/// the σ of the residuals (which is what the reduced chi-square of unit weights is).
double Goodness(const std::string& out) {
    const std::size_t sigma = out.find("uniform weights, σ = ");
    if (sigma != std::string::npos)
        return std::pow(Val(out.substr(sigma + std::string("uniform weights, σ = ").size())), 2);
    return Val(out.substr(out.find("reduced chi-square ") + 19));
}

/// The fitted temperature and its uncertainty of a "t   2000.5 ± 2.5 K" line.
std::pair<double, double> Temperature(const Result& r) {
    for (const std::string& line : r.lines)
        if (line.rfind("t ", 0) == 0) return {Val(line.substr(2)), Val(line.substr(line.find("±") + 2))};
    return {0.0, 0.0};
}

TEST(CliFit, ReadsSpectraAsCompareDoesAndUncertaintiesOnlyFromTheColumnNamed) {
    OHSpectra s;
    // The noisy spectrum (σ = 1) with decimal commas, and with a third column of σ.
    std::string comma, sigma;
    std::istringstream noisy(testing::ReadFile(s.Noisy("noisy.txt", 4)));
    for (std::string line; std::getline(noisy, line);) {
        sigma += line + " 1\n";
        for (char& ch : line) ch = ch == '.' ? ',' : ch == ' ' ? '\t' : ch;
        comma += line + "\n";
    }
    const std::string commaFile = s.dir.Write("comma.txt", comma).string(),
                      sigmaFile = s.dir.Write("sigma.txt", sigma).string();
    // The program's own .mod file on an nm axis, fitted back on that axis.
    const std::string mod = (s.dir / "oh-nm.mod").string();
    std::vector<std::string> nm = {"--data",  VELMORA_DATA_DIR, "--entry", "1",   "--resolution", "0.02",
                                   "--units", "nm-vacuum",      "--start", "308", "--end",        "310"},
                             simulate = {"simulate", "--temperature", "2000", "--out", mod};
    simulate.insert(simulate.end(), nm.begin(), nm.end());
    ASSERT_EQ(RunCli(simulate).code, 0);
    nm.insert(nm.begin(), {"fit", "--spectrum", mod});
    struct Case {
        std::vector<std::string> args;
        std::string said;  // on stdout (the weights) or stderr (what the reader noticed, a refusal)
        double reducedChiSquare;
    } fitted[] = {
        {FitArgs({"--spectrum", commaFile}), "decimal commas", 1.0},
        {FitArgs({"--spectrum", sigmaFile}), "weights: uniform", 1.0},
        {FitArgs({"--spectrum", sigmaFile, "--sigma-column", "3"}), "weights: 1/σ² from a column of uncertainties",
         1.0},
        {nm, "weights: uniform", 0.0},
    };
    for (const Case& c : fitted) {
        const Result r = RunCli(c.args);
        SCOPED_TRACE(c.said);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
        const auto [t, dt] = Temperature(r);
        EXPECT_NEAR(t, 2000.0, std::max(3.0 * dt, 2.0));
        EXPECT_NEAR(Goodness(r.out), c.reducedChiSquare, 0.2);
    }

    // Refusals; --column and --spectrum-units say what compare says.
    const Case refused[] = {
        {FitArgs({"--spectrum", sigmaFile, "--weights", "file"}), "name it with --sigma-column N", 0},
        {FitArgs({"--spectrum", sigmaFile, "--sigma-column", "3", "--weights", "noise"}), "goes with --weights file",
         0},
        {FitArgs({"--spectrum", sigmaFile, "--sigma-column", "0"}), "option --sigma-column takes 1..1000", 0},
        {FitArgs({"--spectrum", sigmaFile, "--column", "0"}), "", 0},
        {FitArgs({"--spectrum", sigmaFile, "--spectrum-units", "furlong"}), "", 0},
    };
    for (const Case& c : refused) {
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (!c.said.empty()) continue;
        std::vector<std::string> compare = {"compare", "--data", VELMORA_DATA_DIR, "--entry", "1"};
        compare.insert(compare.end(), c.args.end() - 4, c.args.end());
        const Result same = RunCli(compare);
        EXPECT_EQ(same.code, 1);
        EXPECT_EQ(r.err.substr(r.err.find(':')), same.err.substr(same.err.find(':')));
    }
    const Result b = RunCli({"boltzmann", "--data", VELMORA_DATA_DIR, "--entry", "1", "--spectrum", commaFile,
                             "--resolution", "0.2", "--v", "0"});
    EXPECT_EQ(b.code, 0) << b.err;
    EXPECT_NE(b.err.find("decimal commas"), std::string::npos);
}

TEST(CliFit, ReportsDiagnosticsUncertaintyMethodsComponentsAndHeldValuesTheSameOnAnyNumberOfThreads) {
    OHSpectra s;
    const std::string file = s.Noisy("oh.txt", 6);
    const std::string res = (s.dir / "res.csv").string(), csv = (s.dir / "r.csv").string(),
                      svg = (s.dir / "f.svg").string();
    const std::vector<std::string> more = {"--spectrum", file,        "--bootstrap", "20",    "--seed",
                                           "4",          "--profile", "t",           "--set", "t=1000,tvib=5000"};
    std::vector<std::string> one = FitArgs(more), two = FitArgs(more);
    one.insert(one.end(), {"--jobs", "1", "--residuals", res, "--out", csv, "--svg", svg});
    two.insert(two.end(), {"--jobs", "2"});
    const Result r = RunCli(one);
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* said :
         {"misfit: r = 0.99", "Durbin–Watson", "uncertainties: covariance scaled by the residuals' σ",
          "block bootstrap: 20 of 20 resamples in blocks of", "profile χ²", "note: tvib held at 5000",
          "reduced chi-square not measured: uniform weights, σ = "})
        EXPECT_NE(r.out.find(said), std::string::npos) << said << "\n" << r.out;
    EXPECT_EQ(r.out.find("0.0000 ("), std::string::npos);
    EXPECT_EQ(RunCli(two).out, r.out);
    const std::vector<std::string> header = testing::CommaFields(testing::CrLfLines(testing::ReadFile(res)).front());
    EXPECT_EQ(header[5], "OH (A-X)");
    EXPECT_EQ(header[6], "OH (A-X) (0-0)");
    const std::string batch = testing::CrLfLines(testing::ReadFile(csv)).front();
    for (const char* column : {",at_bound,warnings,residual_sigma,pearson_r,",
                               ",t_sigma_covariance,t_sigma_correlated,"
                               "t_sigma_bootstrap,t_profile_low,t_profile_high,t_sigma_method,",
                               ",notices"})
        EXPECT_NE(batch.find(column), std::string::npos) << column;
    const std::string picture = testing::ReadFile(svg);
    for (const char* said : {"OH (A-X) (0-0)", "Durbin", "block bootstrap"})
        EXPECT_NE(picture.find(said), std::string::npos) << said;
}

TEST(CliIdentify, NamesTheBandSystemTheFitLeftOutFirst) {
    testing::TempDir dir;
    // CN B-X at 5000 K with a tenth as much CH B-X at 3000 K, 0.4 Å instrument, noise 0.3.
    std::vector<std::vector<std::string>> spectra;
    for (const char* entry : {"9", "7"}) {
        const std::string mod = (dir / (std::string(entry) + ".mod")).string();
        const Result r =
            RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", entry, "--start", "3875", "--end", "3900",
                    "--temperature", entry[0] == '9' ? "5000" : "3000", "--resolution", "0.4", "--out", mod});
        ASSERT_EQ(r.code, 0) << r.err;
        spectra.push_back(testing::CrLfLines(testing::ReadFile(mod)));
    }
    GaussianDeviate noise(3);
    std::string text;
    for (std::size_t i = 0; i < spectra[0].size() && i < spectra[1].size(); ++i) {
        const std::vector<std::string> a = testing::CommaFields(spectra[0][i]), b = testing::CommaFields(spectra[1][i]);
        text += a[0] + " " + Str(0.8 * Val(a[1]) + 0.08 * Val(b[1]) + 0.3 * noise.Next()) + "\n";
    }
    const std::string file = dir.Write("cn.txt", text).string();
    const Result r = RunCli({"identify", "--data", VELMORA_DATA_DIR, "--entry", "9", "--spectrum", file, "--resolution",
                             "0.4", "--set", "t=5000"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::size_t list = r.out.find("best first:\n");
    ASSERT_NE(list, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(list + 12, 8), "CH (B-X)") << r.out;
    EXPECT_NE(r.out.find("add it as --entry 9,7"), std::string::npos) << r.out;
}

TEST(CliBoltzmann, WritesTheLevelsAndThePlotAndPrintsTheTemperatureOfTheLine) {
    OHSpectra s;
    const std::string file = s.Noisy("oh.txt", 5);
    const std::string csv = (s.dir / "b.csv").string(), svg = (s.dir / "b.svg").string();
    const Result r = RunCli({"boltzmann", "--data", VELMORA_DATA_DIR, "--entry", "1", "--spectrum", file,
                             "--resolution", "0.2", "--v", "0", "--out", csv, "--svg", svg});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_GE(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[1].rfind("T = ", 0), 0u);
    const double t = Val(r.lines[1].substr(4)), sigma = Val(r.lines[1].substr(r.lines[1].find("±") + 2));
    EXPECT_NEAR(t, 2000.0, 3.0 * sigma);
    EXPECT_EQ(testing::CrLfLines(testing::ReadFile(csv)).front().rfind("component,N,J,energy_cm-1,g,", 0), 0u);
    EXPECT_NE(testing::ReadFile(svg).find("ln(N/g)"), std::string::npos);
    EXPECT_EQ(
        RunCli({"boltzmann", "--data", VELMORA_DATA_DIR, "--entry", "1", "--spectrum", file, "--kind", "absorption"})
            .code,
        1);
    const Result empty =
        RunCli({"boltzmann", "--data", VELMORA_DATA_DIR, "--entry", "1", "--spectrum", file, "--free", ""});
    EXPECT_EQ(empty.code, 1);
    EXPECT_NE(empty.err.find("option --free: no parameter named"), std::string::npos) << empty.err;

    // Lines 3.7 Å wide (0.37 nm) do not separate the levels: refused, with the resolution needed.
    const std::string mod = (s.dir / "wide.mod").string();
    ASSERT_EQ(RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", "1", "--start", "3060", "--end", "3200",
                      "--temperature", "2000", "--resolution", "3.7", "--out", mod})
                  .code,
              0);
    const Result wide = RunCli({"boltzmann", "--data", VELMORA_DATA_DIR, "--entry", "1", "--spectrum", mod,
                                "--resolution", "3.7", "--v", "0"});
    EXPECT_EQ(wide.code, 1);
    EXPECT_NE(wide.err.find("the rotational levels of v' = 0 are not resolved"), std::string::npos) << wide.err;
    EXPECT_NE(wide.err.find("that takes a resolution of"), std::string::npos) << wide.err;

    // A triplet system, N2 C-B (entry 16): its levels give back the simulation's temperature.
    const std::string n2 = (s.dir / "n2.mod").string();
    ASSERT_EQ(RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", "16", "--start", "3335", "--end", "3375",
                      "--temperature", "1500", "--resolution", "0.05", "--out", n2})
                  .code,
              0);
    const Result triplet =
        RunCli({"boltzmann", "--data", VELMORA_DATA_DIR, "--entry", "16", "--spectrum", n2, "--resolution", "0.05"});
    ASSERT_EQ(triplet.code, 0) << triplet.err;
    EXPECT_EQ(triplet.lines[0], n2 + ": N2 (C-B) v' = 0");
    EXPECT_NEAR(Val(triplet.lines[1].substr(4)), 1500.0, 5.0);
}

}  // namespace
}  // namespace velmora::cli
