// The message of an empty simulation on the shipped database: each cause, and the way out it
// names checked by simulating again under it.
#include "program/empty_simulation.h"

#include <gtest/gtest.h>

#include "common/number_format.h"
#include "program/main_window.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/condition_view.h"
#include "support/condition_controls.h"
#include "support/scripted_dialogs.h"

namespace velmora::program {
namespace {

struct Program {
    AppState app;
    testing::ScriptedDialogs dialogs;
    testing::CountingShell shell;
    MemoryStore store;
    explicit Program(int entry) {
        app.dialogs = &dialogs;
        app.ui = &shell;
        StartUp(app, store, std::string(VELMORA_DATA_DIR) + "/");
        EXPECT_TRUE(MDIVelmora_Load(app, "1.0.0"));
        EXPECT_TRUE(CmbTransition_Click(app, entry));
    }
    /// Simulates emission at T over start..end (Å, vacuum) and returns the message.
    std::string Simulate(double start, double end, const std::string& T) {
        testing::Type(app, "start", Str(start));
        testing::Type(app, "end", Str(end));
        testing::Type(app, "temperature", T);
        CalculateSimulation(app);
        return EmptySimulationMessage(app);
    }
};

/// The number after `before` in the message.
double NumberAfter(const std::string& message, const std::string& before) {
    const std::size_t at = message.find(before);
    return at == std::string::npos ? 0.0 : Val(message.substr(at + before.size()));
}

TEST(EmptySimulation, SaysWhyAndWhatWouldShowIt) {
    struct Case {
        int entry;  ///< 1 OH A-X, 6 CH A-X
        double start, end;
        const char* T;
        std::vector<const char*> parts;  ///< in the message; none: the simulation shows lines
    };
    const Case cases[] = {
        // OH A-X (0,0) near 3090 Å: lines.
        {1, 3050, 3150, "300", {}},
        // CH A-X Δv = +1 near 3890 Å: v' = 1 holds about exp(-2733 cm-1 hc/kT) = 2E-6 of the
        // molecules at 300 K (ωe of CH A is about 2930 cm-1), below the 1E-05 cut-off.
        {6,
         3841,
         3941,
         "300",
         {"holds only the bands (1,0), (2,1), (3,2) of CH (A-X)",
          "v' = 1 (the lowest of its levels) has a population of 2.1E-06",
          "not above the minimum population 1.0E-05 at 300 K", "K or more", "in a range over the (0,0) band near 43"}},
        // No band of CH A-X between 2000 and 2100 Å.
        {6, 2000, 2100, "300", {"no line of CH (A-X) lies in the range 2000 to 2100", "(0,0), lies near 431"}},
    };
    for (const Case& c : cases) {
        Program p(c.entry);
        const std::string message = p.Simulate(c.start, c.end, c.T);
        ASSERT_TRUE(simulation::HasSimulation(p.app.sim)) << c.entry;
        EXPECT_EQ(message.empty(), c.parts.empty()) << message;
        EXPECT_EQ(p.app.sim.result.peak > 0.0f, c.parts.empty()) << c.start;
        for (const char* part : c.parts) EXPECT_NE(message.find(part), std::string::npos) << message << "\n" << part;
    }
}

TEST(EmptySimulation, TheWaysItNamesShowTheBand) {
    Program p(6);
    const std::string message = p.Simulate(3841, 3941, "300");
    const double population = NumberAfter(message, "has a population of ");
    const double T = NumberAfter(message, "at a temperature of ");
    // The Boltzmann factor of v' = 1 against v' = 0 with ΔG(1/2) ≈ 2730 cm-1 (c2 = 1.4388 cm K).
    EXPECT_NEAR(std::log(population), -2730.0 * 1.4388 / 300.0, 0.5) << message;
    // The level passes the 1E-05 cut-off where exp(-ΔG c2 / T) ≈ 1E-05: T ≈ 341 K.
    EXPECT_NEAR(T, 2730.0 * 1.4388 / std::log(1e5), 15.0) << message;
    EXPECT_TRUE(p.Simulate(3841, 3941, Trim(Str(T))).empty());
    EXPECT_FALSE(p.Simulate(3841, 3941, Trim(Str(T * 0.9))).empty());

    // A lower cut-off shows it at 300 K.
    p.app.pop.MinimumPopulation = static_cast<float>(population * 0.5);
    EXPECT_TRUE(p.Simulate(3841, 3941, "300").empty());
}

}  // namespace
}  // namespace velmora::program
