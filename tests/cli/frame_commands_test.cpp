// velmora-cli fit-frame and lif-image on the shipped database: frames written as matrix CSV from
// simulated spectra, the rows printed and written, a bad row on its own, threads that change
// nothing, the Abel halves, the options refused; a LIF pair of two temperature regions.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "cli_fixture.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "experiment/spectrum_frame.h"
#include "fit/fit_system.h"
#include "fit/lif_image.h"
#include "program/startup.h"
#include "support/temp_dir.h"

namespace velmora::cli {
namespace {

/// OH A-X emission over 3080-3100 Å (0.2 Å instrument) at T, as velmora-cli simulate writes it.
std::vector<std::pair<double, double>> Simulated(const testing::TempDir& dir, double T) {
    const std::string mod = (dir / "oh.mod").string();
    const Result r = RunCli({"simulate", "--data", VELMORA_DATA_DIR, "--entry", "1", "--start", "3080", "--end", "3100",
                             "--temperature", Str(T), "--resolution", "0.2", "--out", mod});
    if (r.code != 0) throw std::runtime_error(r.err);
    std::vector<std::pair<double, double>> points;
    std::ifstream in(mod);
    for (std::string line; std::getline(in, line);) {
        const auto comma = line.find(',');
        points.emplace_back(Val(line.substr(0, comma)), Val(line.substr(comma + 1)));
    }
    return points;
}

/// A frame of rows at 1400, 1800, 2200 and 2600 K, 0.5 mm apart, noise σ = 1 on a peak of 100;
/// row 3 with a NaN.
std::string SlitFrame(const testing::TempDir& dir) {
    experiment::SpectrumFrame f;
    GaussianDeviate noise(9);
    for (int r = 0; r < 4; ++r) {
        const auto s = Simulated(dir, 1400.0 + 400.0 * r);
        if (r == 0) {
            f = experiment::BlankFrame(4, static_cast<int>(s.size()));
            for (const auto& p : s) f.axis.push_back(p.first);
        }
        for (std::size_t i = 0; i < s.size(); ++i)
            f.At(r, static_cast<int>(i)) = static_cast<float>(s[i].second + 3.0 + noise.Next());
        f.positions[static_cast<std::size_t>(r)] = 0.5 * r;
    }
    f.At(2, 100) = std::nanf("");
    const std::string path = (dir / "slit.csv").string();
    experiment::WriteMatrixCsv(path, f);
    return path;
}

std::vector<std::string> FrameArgs(const std::string& frame, std::vector<std::string> more) {
    std::vector<std::string> a = {"fit-frame", "--data", VELMORA_DATA_DIR,   "--entry", "1",      "--resolution",
                                  "0.2",       "--free", "t,scale,baseline", "--set",   "t=1500", "--frame",
                                  frame};
    a.insert(a.end(), more.begin(), more.end());
    return a;
}

}  // namespace

TEST(CliFitFrame, EveryRowPrintedAndWrittenABadRowAloneAndThreadsChangeNothing) {
    const testing::TempDir dir;
    const std::string frame = SlitFrame(dir);
    const std::string one = (dir / "one.csv").string(), two = (dir / "two.csv").string(),
                      svg = (dir / "p.svg").string();
    const Result r = RunCli(
        FrameArgs(frame, {"--positions", "0:0.5:mm", "--jobs", "1", "--block", "2", "--out", one, "--svg", svg}));
    EXPECT_EQ(r.code, 1) << r.err;  // row 3 cannot be fitted
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    EXPECT_EQ(r.lines[0].rfind("row 1 (position 0 mm): t = 14", 0), 0u) << r.lines[0];
    EXPECT_EQ(r.lines[2].rfind("row 3 (position 1 mm): bad input: " + frame + ", row 3", 0), 0u) << r.lines[2];
    const std::string last = r.lines[3].substr(r.lines[3].find("t = ") + 4);
    EXPECT_NEAR(Val(last), 2600.0, 3.0 * Val(last.substr(last.find("± ") + 3))) << r.lines[3];
    EXPECT_NE(r.err.find("3 of 4 rows fitted"), std::string::npos) << r.err;
    EXPECT_EQ(RunCli(FrameArgs(frame, {"--positions", "0:0.5:mm", "--jobs", "2", "--block", "2", "--out", two})).code,
              1);
    EXPECT_EQ(testing::ReadFile(one), testing::ReadFile(two));
    const std::vector<std::string> lines = testing::CrLfLines(testing::ReadFile(one));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("row,position_mm,start,status,", 0), 0u) << lines[0];
    EXPECT_NE(testing::ReadFile(svg).find("position (mm)"), std::string::npos);

    // Rows 1..2 (the file's positions 0 and 0.5) binned into one row at their mean position.
    const Result binned = RunCli(FrameArgs(frame, {"--rows", "1:2", "--bin", "2"}));
    ASSERT_EQ(binned.code, 0) << binned.err;
    ASSERT_EQ(binned.lines.size(), 1u);
    EXPECT_EQ(binned.lines[0].rfind("row 1 (position 0.25): t = 15", 0), 0u) << binned.out;
}

TEST(CliFitFrame, AbelHalvesAndOptionsRefused) {
    // A uniform disc of radius 1 mm at 2000 K: each lateral row is the spectrum times the chord.
    const testing::TempDir dir;
    const auto s = Simulated(dir, 2000.0);
    experiment::SpectrumFrame f = experiment::BlankFrame(25, static_cast<int>(s.size()));
    for (const auto& p : s) f.axis.push_back(p.first);
    GaussianDeviate noise(4);
    for (int j = 0; j < 25; ++j) {
        const double y = -1.2 + 0.1 * j, chord = std::fabs(y) < 1.0 ? 2.0 * std::sqrt(1.0 - y * y) : 0.0;
        f.positions[static_cast<std::size_t>(j)] = y;
        for (std::size_t i = 0; i < s.size(); ++i)
            f.At(j, static_cast<int>(i)) = static_cast<float>(chord * s[i].second + 0.5 * noise.Next());
    }
    const std::string frame = (dir / "disc.csv").string(), csv = (dir / "rings.csv").string();
    experiment::WriteMatrixCsv(frame, f);
    const Result r =
        RunCli(FrameArgs(frame, {"--abel", "--centre", "0", "--halves", "both", "--weights", "file", "--out", csv}));
    ASSERT_GE(r.lines.size(), 20u) << r.err;
    EXPECT_NE(r.err.find("Abel-inverted about 0 (given)"), std::string::npos) << r.err;
    EXPECT_EQ(r.lines[1].rfind("row 2 (radius 0.1, lower half): t = ", 0), 0u) << r.lines[1];
    const std::vector<std::string> rows = testing::CrLfLines(testing::ReadFile(csv));
    EXPECT_EQ(rows[0].rfind("row,radius,half,start,", 0), 0u) << rows[0];
    for (std::size_t k = 1; k < rows.size(); ++k) {
        const std::vector<std::string> fields = testing::CommaFields(rows[k]);
        if (Val(fields[1]) > 0.85 || fields[4] != "fitted") continue;
        EXPECT_NEAR(Val(fields[10]), 2000.0, 3.0 * Val(fields[11]) + 1.0) << rows[k];
    }

    struct Case {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--centre", "0"}, "option --centre goes with --abel"},
        {{"--spectrum", "x.txt"}, "option --spectrum is one of fit's"},
        {{"--sigma-column", "3"}, "option --sigma-column is one of fit's"},
        {{"--weights", "file"}, "the rows of a frame carry uncertainties only after --abel"},
        {{"--rows", "3:40"}, "rows 3..40: " + frame + " has rows 1..25"},
        {{"--halves", "left", "--abel"}, "option --halves: \"left\" is not one of average, lower, upper, both"},
        {{"--abel", "--centre", "5"}, "the centre 5 lies outside"},
        {{"--axis", (dir / "none.txt").string()}, "none.txt: file not found"},
    };
    for (const Case& c : cases) {
        const Result bad = RunCli(FrameArgs(frame, c.args));
        EXPECT_EQ(bad.code, 1) << c.message;
        EXPECT_NE(bad.err.find(c.message), std::string::npos) << bad.err;
    }
    const Result missing = RunCli({"fit-frame", "--data", VELMORA_DATA_DIR, "--entry", "1"});
    EXPECT_NE(missing.err.find("option --frame FILE is required"), std::string::npos) << missing.err;
}

TEST(CliLifImage, TwoRegionsOfKnownTemperatureAndTheirFiles) {
    // Images 12 × 16 of two OH A-X (1,0) lines: the left half at 1200 K, the right at 1800 K.
    AppState app;
    program::MemoryStore firstRun;
    program::StartUp(app, firstRun, VELMORA_DATA_DIR);
    simulation::SimulationConditions c;
    c.kind = simulation::SpectrumKind::LifExcitation;
    c.resolution = 0.02;
    const fit::FitSystem oh = fit::LoadFitSystem(app.db, 1, c);
    const std::vector<double> lines = {2822.532, 2856.282};  // (1-0) P1(1) and a line from N'' = 12
    const std::vector<fit::LifImageLine> cold = fit::LifLineSignals(oh, c, lines, {}, {1200.0}),
                                         hot = fit::LifLineSignals(oh, c, lines, {}, {1800.0});
    const testing::TempDir dir;
    std::vector<std::string> files;
    GaussianDeviate noise(2);
    for (int k = 0; k < 2; ++k) {
        experiment::SpectrumFrame f = experiment::BlankFrame(12, 16);
        for (int r = 0; r < 12; ++r)
            for (int col = 0; col < 16; ++col) {
                const double signal =
                    (col < 8 ? cold : hot)[static_cast<std::size_t>(k)].signal[0] / cold[0].signal[0] * 3000.0;
                f.At(r, col) = static_cast<float>(r < 2 ? noise.Next() : signal + 2.0 * noise.Next());
            }
        files.push_back((dir / ("line" + std::to_string(k + 1) + ".csv")).string());
        experiment::WriteMatrixCsv(files.back(), f);
    }
    const std::string T = (dir / "T.csv").string(), mask = (dir / "mask.csv").string(), svg = (dir / "T.svg").string(),
                      png = (dir / "T.png").string();
    const Result r = RunCli({"lif-image",
                             "--data",
                             VELMORA_DATA_DIR,
                             "--entry",
                             "1",
                             "--resolution",
                             "0.02",
                             "--images",
                             files[0] + "," + files[1],
                             "--lines",
                             "2822.532,2856.282",
                             "--temperatures",
                             "600:2600",
                             "--pixel-size",
                             "0.1:mm",
                             "--out",
                             T,
                             "--mask",
                             mask,
                             "--svg",
                             svg,
                             "--png",
                             png});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("160 of 192 pixels with a temperature; 32 below the threshold"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("line 1: laser at 2822.532"), std::string::npos) << r.out;
    const experiment::SpectrumFrame image = experiment::ReadFrameFile(T);
    EXPECT_NEAR(image.At(6, 3), 1200.0, 30.0);
    EXPECT_NEAR(image.At(6, 12), 1800.0, 45.0);
    EXPECT_TRUE(std::isnan(image.At(0, 0)));
    EXPECT_NEAR(image.axis[10], 1.0, 1e-9);
    EXPECT_EQ(experiment::ReadFrameFile(mask).At(1, 5), 1.0f);
    EXPECT_NE(testing::ReadFile(svg).find("x (mm)"), std::string::npos);
    EXPECT_EQ(testing::ReadFile(png).substr(1, 3), "PNG");

    const Result bad = RunCli({"lif-image", "--data", VELMORA_DATA_DIR, "--entry", "1", "--images", files[0]});
    EXPECT_NE(bad.err.find("option --lines is required"), std::string::npos) << bad.err;
}

}  // namespace velmora::cli
