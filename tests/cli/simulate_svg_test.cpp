// velmora-cli simulate --svg: the plot of the simulation, with an experimental spectrum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <sstream>

#include "cli/cli_fixture.h"
#include "common/number_format.h"

namespace velmora::cli {
namespace {

/// y pixels of the <line> elements of one colour.
std::vector<double> LineYs(const std::string& svg, const std::string& colour) {
    std::vector<double> ys;
    static const std::regex line(
        R"re(<line x1="[-0-9.]+" y1="([-0-9.]+)" x2="[-0-9.]+" y2="([-0-9.]+)" stroke="(#[0-9a-f]{6})"/>)re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), line); it != std::sregex_iterator(); ++it)
        if ((*it)[3] == colour) {
            ys.push_back(std::stod((*it)[1]));
            ys.push_back(std::stod((*it)[2]));
        }
    return ys;
}

TEST(CliSimulateSvg, PlotOfTheSimulationWithAnExperimentalSpectrum) {
    CliDatabase db;
    // An experimental spectrum over the range: one broad feature.
    std::ostringstream spectrum;
    for (int i = 0; i <= 400; ++i) {
        const double x = 3300.0 + 0.2 * i;
        spectrum << x << "  " << 50.0 * std::exp(-std::pow((x - 3335.0) / 5.0, 2)) << "\r\n";
    }
    const auto exp = db.data.Write("spectrum.dat", spectrum.str());
    const auto svgPath = db.data.Dir() / "plot.svg";
    const Result r = RunCli({"simulate", "--entry", "1", "--data", db.data.Folder(), "--start", "3300", "--end", "3380",
                             "--resolution", "0.5", "--temperature", "1000", "--svg", svgPath.string(), "--spectrum",
                             exp.string(), "--residuals"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string svg = testing::ReadFile(svgPath);
    EXPECT_NE(svg.find("<title>Simulation   AB (A-X)  Emission</title>"), std::string::npos);
    EXPECT_NE(svg.find(">Wavelength (\xC3\x85) (Vacuum)</text>"), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#c8c8c8\""), std::string::npos);  // residual strip
    EXPECT_NE(svg.find(">Exp.</text>"), std::string::npos);      // legend

    // Plot area 1000 x 640 window: 600 px high for y from 125 (top, residual strip) to -5.
    const auto sim = LineYs(svg, "#800080"), expTrace = LineYs(svg, "#008080");
    ASSERT_FALSE(sim.empty());
    ASSERT_FALSE(expTrace.empty());
    const auto yPixel = [](double y) { return (125.0 - y) / 130.0 * 600.0; };
    EXPECT_NEAR(*std::min_element(sim.begin(), sim.end()), yPixel(100.0), 0.02);
    // The reader scales the spectrum to a maximum of 100.
    EXPECT_NEAR(*std::min_element(expTrace.begin(), expTrace.end()), yPixel(100.0), 0.1);
    EXPECT_NEAR(*std::max_element(sim.begin(), sim.end()), yPixel(0.0), 0.02);
}

TEST(CliSimulateSvg, CorrectionsAndTheComparisonAsCompareGivesThem) {
    CliDatabase db;
    std::ostringstream spectrum;
    for (int i = 0; i <= 400; ++i) {
        const double x = 3300.0 + 0.2 * i;
        spectrum << x << "  " << 5.0 + 50.0 * std::exp(-std::pow((x - 3335.0) / 5.0, 2)) << "\r\n";
    }
    const auto exp = db.data.Write("spectrum.dat", spectrum.str());
    const std::vector<std::string> common = {"--entry",      "1",          "--data",        db.data.Folder(),
                                             "--start",      "3300",       "--end",         "3380",
                                             "--resolution", "0.5",        "--temperature", "1000",
                                             "--spectrum",   exp.string(), "--baseline",    "9",
                                             "--wavelength", "0.4",        "--smooth",      "2"};
    std::vector<std::string> simulate = {"simulate", "--svg", (db.data.Dir() / "c.svg").string()};
    simulate.insert(simulate.end(), common.begin(), common.end());
    std::vector<std::string> compare = {"compare"};
    compare.insert(compare.end(), common.begin(), common.end());
    const Result plotted = RunCli(simulate), compared = RunCli(compare);
    ASSERT_EQ(plotted.code, 0) << plotted.err;
    ASSERT_EQ(compared.code, 0) << compared.err;
    ASSERT_EQ(plotted.lines.size(), 4u);  // the summary, then the comparison
    EXPECT_EQ(plotted.lines[1].rfind("Peak correlation: ", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(plotted.lines.begin() + 1, plotted.lines.end()), compared.lines);

    // Corrections without a spectrum are refused.
    const Result r = RunCli({"simulate", "--entry", "1", "--data", db.data.Folder(), "--svg",
                             (db.data.Dir() / "d.svg").string(), "--baseline", "3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--baseline goes with --spectrum"), std::string::npos) << r.err;
}

TEST(CliSimulateSvg, PlotOptionsNeedTheSvgFileAndAnUnreadableSpectrumFails) {
    CliDatabase db;
    Result r = RunCli({"simulate", "--entry", "1", "--data", db.data.Folder(), "--out",
                       (db.data.Dir() / "a.mod").string(), "--spectrum", "x.dat"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--svg"), std::string::npos) << r.err;
    const auto svgPath = db.data.Dir() / "b.svg";
    r = RunCli({"simulate", "--entry", "1", "--data", db.data.Folder(), "--start", "3300", "--end", "3380", "--svg",
                svgPath.string(), "--spectrum", (db.data.Dir() / "missing.dat").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(std::filesystem::exists(svgPath));
    r = RunCli({"simulate", "--entry", "1", "--data", db.data.Folder(), "--svg", svgPath.string(), "--view", "bars"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--view"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmora::cli
