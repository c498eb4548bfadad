#include "simulation/simulation_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/number_format.h"
#include "experiment/spectrum_files.h"
#include "program/simulation_run.h"
#include "support/condition_controls.h"
#include "support/temp_dir.h"
#include "synthetic_system.h"

namespace velmora::simulation {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) break;
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

/// The numbers of one written line (blanks and commas separate them).
std::vector<double> Numbers(const std::string& line) {
    std::string s = line;
    for (char& c : s)
        if (c == ',') c = ' ';
    std::istringstream in(s);
    std::vector<double> out;
    double v;
    while (in >> v) out.push_back(v);
    return out;
}

struct Simulated {
    AppState app;
    testing::SyntheticSystem sys{app};
    Simulated() {
        app.sim.conditions.unit = AxisUnit::AngstromVacuum;
        app.sim.conditions.start = 3090;
        app.sim.conditions.end = 3110;
        app.sim.conditions.resolution = 1.0f;
        sys.SetPopulations({0.75f, 0.25f}, 0.01f);
        sys.AddLine({0, 0, 1, 3, 1e8 / 3098.0});
        sys.AddLine({1, 0, 1, 3, 1e8 / 3103.0});
        program::CalculateSimulation(app, sys.Loader());
    }
};

TEST(SimulationFiles, TotalIsTwoColumnsOnTheGridWithCrLf) {
    Simulated s;
    testing::TempDir dir;
    WriteSimulationTotal(s.app.sim, dir / "total.mod");
    const std::string text = testing::ReadFile(dir / "total.mod");
    const auto lines = Lines(text);
    ASSERT_EQ(static_cast<int>(lines.size()), s.app.sim.result.grid.last + 1);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(lines[0], "3090.0    ,  0.0000");
    for (int i : {0, 35, 70, 140}) {
        const auto v = Numbers(lines[static_cast<std::size_t>(i)]);
        ASSERT_EQ(v.size(), 2u);
        EXPECT_NEAR(v[0], 3090.0 + i / 7.0, 1e-3);
        EXPECT_NEAR(v[1], s.app.sim.result.total(i), 1e-4);
    }
}

TEST(SimulationFiles, IndependentLevelsAddUpToTheTotal) {
    Simulated s;
    ASSERT_EQ(s.app.pop.NVibSel, 2);
    testing::TempDir dir;
    WriteSimulationIndependent(s.app.sim, dir / "levels.mod");
    const auto lines = Lines(testing::ReadFile(dir / "levels.mod"));
    ASSERT_EQ(static_cast<int>(lines.size()), s.app.sim.result.grid.last + 1);
    double maxTotal = 0;
    for (const std::string& line : lines) {
        const auto v = Numbers(line);
        ASSERT_EQ(v.size(), 4u) << line;
        EXPECT_NEAR(v[1] + v[2], v[3], 2e-4);
        maxTotal = std::max(maxTotal, v[3]);
    }
    EXPECT_NEAR(maxTotal, 100.0, 1e-4);
}

TEST(SimulationFiles, NoiseIsAddedOnlyFromItsThreshold) {
    Simulated s;
    testing::TempDir dir;
    s.app.sim.NoiseLevel = 0.000009f;
    WriteSimulationTotal(s.app.sim, dir / "quiet.mod");
    const auto quiet = Lines(testing::ReadFile(dir / "quiet.mod"));
    EXPECT_EQ(quiet[0], "3090.0    ,  0.0000");
    EXPECT_FALSE(s.app.sim.Noise.HasSpare());  // no deviate was drawn

    s.app.sim.NoiseLevel = 10.0f;
    WriteSimulationTotal(s.app.sim, dir / "noisy.mod");
    const auto noisy = Lines(testing::ReadFile(dir / "noisy.mod"));
    double sum = 0, sum2 = 0;
    for (std::size_t i = 0; i < noisy.size(); ++i) {
        const double d = Numbers(noisy[i])[1] - s.app.sim.result.total(static_cast<int>(i));
        sum += d;
        sum2 += d * d;
    }
    const double n = static_cast<double>(noisy.size());
    EXPECT_NEAR(sum / n, 0.0, 0.6);              // mean 0
    EXPECT_NEAR(std::sqrt(sum2 / n), 5.0, 0.6);  // 0.5 x NoiseLevel x unit deviate
}

TEST(SimulationFiles, XRebuildsTheGridEndsNearestTheRangeEndAndIsReadBackAtFineAndCoarseSteps) {
    // A LIF excitation scan at 0.003 Å (116,667 points over 50 Å) and a 1 Å survey.
    for (const char* resolution : {"0.003", "1"}) {
        AppState app;
        testing::SyntheticSystem sys(app);
        app.sim.conditions.unit = AxisUnit::AngstromVacuum;
        app.sim.conditions.start = 3090;
        app.sim.conditions.end = Val(resolution[0] == '0' ? " 3140" : " 3110");
        testing::Type(app, "resolution", resolution);
        sys.SetPopulations({1.0f}, 0.01f);
        sys.AddLine({0, 0, 1, 3, 1e8 / 3100.0});
        program::CalculateSimulation(app, sys.Loader());
        const SimulationState& sim = app.sim;
        const double step = static_cast<double>(sim.result.grid.gridWidth) / sim.result.grid.pointsPerWidth;

        testing::TempDir dir;
        WriteSimulationTotal(app.sim, dir / "scan.mod");
        const std::string text = testing::ReadFile(dir / "scan.mod");
        const auto lines = Lines(text);
        ASSERT_EQ(static_cast<int>(lines.size()), sim.result.grid.last + 1);
        // Every x is the grid's, and the axis rebuilt from the first two written points keeps
        // within a thousandth of a step of the grid over the whole file.
        const double x0 = Numbers(lines[0])[0], x1 = Numbers(lines[1])[0];
        for (int i = 0; i <= sim.result.grid.last; ++i) {
            const double x = Numbers(lines[static_cast<std::size_t>(i)])[0], grid = 3090.0 + step * i;
            ASSERT_NEAR(x, grid, step / 2000) << "point " << i;
            ASSERT_NEAR(x0 + i * (x1 - x0), grid, step / 1000) << "point " << i;
        }
        // The last point is the grid point nearest the range end.
        const double end = sim.conditions.end, last = Numbers(lines.back())[0];
        EXPECT_LE(std::fabs(last - end), step / 2);
        EXPECT_EQ(sim.result.grid.last, std::lround((end - 3090.0) / step));

        // The program reads the file back as a spectrum, every point distinct.
        ExperimentState exp;
        experiment::InitExperimentArrays(exp);
        experiment::TwoColumnReader reader(exp);
        reader.Feed(text);
        reader.Finish();
        ASSERT_EQ(reader.Count(), sim.result.grid.last + 1);
        for (int i = 1; i <= sim.result.grid.last; ++i) ASSERT_GT(exp.ExpXRaw(i), exp.ExpXRaw(i - 1)) << "point " << i;
    }
}

TEST(SimulationFiles, RowsOfTodayAndOfEarlierFilesReadAlike) {
    // Earlier files wrote "3090.    ,  .0000" (no digit after the point of a whole x, none
    // before the point of an intensity below 1); the rows written now carry both digits. The
    // program's reader and a plain number parser take either form to the same values.
    Simulated s;
    testing::TempDir dir;
    WriteSimulationIndependent(s.app.sim, dir / "levels.mod");
    const auto written = Lines(testing::ReadFile(dir / "levels.mod"));
    const std::string now = written[0] + "\r\n" + written[70] + "\r\n";
    const std::string before = "3090.    , .0000 , .0000 ,  .0000\r\n3100.   , 75.0000 , .2500 ,  75.2500\r\n";
    EXPECT_EQ(written[0].find(" ."), std::string::npos) << written[0];
    EXPECT_EQ(written[0].find(". "), std::string::npos) << written[0];
    for (const std::string& text : {now, before}) {
        ExperimentState exp;
        experiment::InitExperimentArrays(exp);
        experiment::TwoColumnReader reader(exp);
        reader.Feed(text);
        reader.Finish();
        ASSERT_EQ(reader.Count(), 2) << text;
        const auto rows = Lines(text);
        for (int i = 0; i < 2; ++i) {
            const auto v = Numbers(rows[static_cast<std::size_t>(i)]);
            EXPECT_DOUBLE_EQ(exp.ExpXRaw(i), v.front()) << text;
            EXPECT_FLOAT_EQ(static_cast<float>(exp.ExpYRaw(i)), static_cast<float>(v[1])) << text;
        }
    }
}

TEST(SimulationFiles, NothingToSaveBeforeASimulation) {
    AppState app;
    testing::TempDir dir;
    EXPECT_THROW(WriteSimulationTotal(app.sim, dir / "none.mod"), FileError);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.mod"));
}

}  // namespace
}  // namespace velmora::simulation
