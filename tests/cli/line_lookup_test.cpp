// The lines under a click on the plot, checked against the line list of `velmora-cli lines`.
#include "program/line_lookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "cli_fixture.h"
#include "common/number_format.h"
#include "program/main_window.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/condition_view.h"
#include "support/condition_controls.h"
#include "support/scripted_dialogs.h"

namespace velmora::program {
namespace {

/// One row of `velmora-cli lines`: branch, lower row, position (cm-1), emission coefficient.
struct CliLine {
    int branch = 0, N = 0;
    double nu = 0.0, emission = 0.0;
    char parityLow = 'e';
};

std::vector<CliLine> CliLines(const std::string& band) {
    const cli::Result r =
        cli::RunCli({"lines", "--entry", "1", "--band", band, "--data", std::string(VELMORA_DATA_DIR) + "/"});
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<CliLine> lines;
    for (std::size_t i = 1; i < r.lines.size(); ++i) {
        std::vector<std::string> f;
        std::stringstream row(r.lines[i]);
        for (std::string cell; std::getline(row, cell, ',');) f.push_back(cell);
        if (f.size() < 14) continue;
        lines.push_back({std::stoi(f[2]), std::stoi(f[5]), std::stod(f[7]), std::stod(f[10]), f[13][0]});
    }
    return lines;
}

TEST(LineLookup, AClickListsTheLinesWithinTheWidthAsTheLineListHasThem) {
    AppState app;
    testing::ScriptedDialogs dialogs;
    testing::CountingShell shell;
    MemoryStore store;
    app.dialogs = &dialogs;
    app.ui = &shell;
    StartUp(app, store, std::string(VELMORA_DATA_DIR) + "/");
    ASSERT_TRUE(MDIVelmora_Load(app, "1.0.0"));
    ASSERT_TRUE(CmbTransition_Click(app, 1));  // OH A-X
    testing::Type(app, "start", "3060");
    testing::Type(app, "end", "3100");
    testing::Type(app, "temperature", "2000");
    CalculateSimulation(app);
    ASSERT_TRUE(simulation::HasSimulation(app.sim));
    const SimulatedLines lines(app);
    ASSERT_FALSE(lines.Empty());
    const double width = std::max(app.sim.result.widths.totalWidth, app.sim.result.grid.gridWidth);

    // The band (0,0) as the command line lists it, at vacuum wavelengths (Å).
    const std::vector<CliLine> cli = CliLines("0,0");
    ASSERT_GT(cli.size(), 50u);
    // Click at lines of the R, Q and P branches and between lines.
    for (const double x : {3064.0, 3078.5, 3081.2, 3090.9, 3095.3}) {
        const std::vector<LookedUpLine> found = lines.UnderClick(x);
        std::map<std::pair<int, int>, const CliLine*> expected;
        for (const CliLine& c : cli) {
            const double lambda = 1e8 / c.nu;
            // Levels up to N'' = 25 hold a population at 2000 K (E'' = B N(N+1) below 12000
            // cm-1); beyond, the lines may carry none and are not drawn.
            if (c.emission > 0.0 && c.N <= 25 && std::fabs(lambda - x) <= width) expected[{c.branch, c.N}] = &c;
        }
        std::size_t ofBand = 0;
        std::vector<std::pair<int, int>> seen;
        for (std::size_t i = 0; i < found.size(); ++i) {
            const LookedUpLine& l = found[i];
            EXPECT_LE(std::fabs(l.position - x), width);
            if (i > 0) {
                EXPECT_LE(l.contribution, found[i - 1].contribution);
            }
            if (l.vUp != 0 || l.vLow != 0 || l.NLow > 25) continue;
            ++ofBand;
            const auto e = expected.find({l.branch, l.NLow});
            ASSERT_NE(e, expected.end()) << lines.Text(l) << " at " << x;
            seen.push_back(e->first);
            EXPECT_NEAR(l.position, 1e8 / e->second->nu, 2e-3) << lines.Text(l);
            EXPECT_EQ(l.parityLow, e->second->parityLow) << lines.Text(l);
        }
        std::string missing;
        for (const auto& [key, line] : expected)
            if (std::find(seen.begin(), seen.end(), key) == seen.end())
                missing += " b" + std::to_string(key.first) + " N" + std::to_string(key.second) + " " +
                           std::to_string(1e8 / line->nu);
        EXPECT_EQ(ofBand, expected.size()) << "at " << x << ":" << missing;
        if (!found.empty()) {
            EXPECT_DOUBLE_EQ(found.front().relative, 100.0);
        }
    }

    // Hovering: the nearest line of the list, the one at its own position.
    for (const CliLine& c : cli) {
        const double lambda = 1e8 / c.nu;
        if (c.emission <= 0.0 || lambda < 3070.0 || lambda > 3090.0) continue;
        const auto nearest = lines.Nearest(lambda + 1e-4);
        ASSERT_TRUE(nearest);
        EXPECT_NEAR(nearest->position, lambda, 2e-3);
    }
    EXPECT_NE(lines.Text(*lines.Nearest(3080.0)).find("\xC3\x85"), std::string::npos);

    // Peak labels: the strongest lines of a view, largest area first; no line a click lists in the
    // view is stronger than the last one labelled. At 2000 K they are lines of the (0,0) band.
    const std::vector<LookedUpLine> strongest = lines.Strongest(3100.0, 3070.0, 8);
    ASSERT_EQ(strongest.size(), 8u);
    for (std::size_t i = 0; i < strongest.size(); ++i) {
        EXPECT_GE(strongest[i].position, 3070.0);
        EXPECT_LE(strongest[i].position, 3100.0);
        EXPECT_EQ(strongest[i].vUp, 0);
        if (i > 0) {
            EXPECT_LE(strongest[i].area, strongest[i - 1].area);
        }
    }
    for (const double x : {3078.5, 3081.2, 3090.9})
        for (const LookedUpLine& l : lines.UnderClick(x))
            if (std::none_of(strongest.begin(), strongest.end(),
                             [&](const LookedUpLine& s) { return s.position == l.position; })) {
                EXPECT_LE(l.area, strongest.back().area) << lines.Text(l);
            }
    EXPECT_EQ(SimulatedLines::Label(strongest.front()).rfind("(0,0) ", 0), 0u);
    EXPECT_TRUE(lines.Strongest(3000.0, 3010.0, 8).empty());
}

}  // namespace
}  // namespace velmora::program
