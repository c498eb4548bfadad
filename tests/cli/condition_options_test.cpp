// The options read straight into typed conditions give exactly what the window's control events
// and ConditionsFromScreen give for the same options, and refuse what the boxes refuse.
#include <gtest/gtest.h>

#include "cli/condition_options.h"
#include "cli/simulate_options.h"
#include "cli_fixture.h"
#include "program/startup.h"
#include "simulation/screen_conditions.h"

namespace velmora::cli {
namespace {

TEST(ConditionOptions, GiveTheConditionsOfTheScreenPathAndRefuseWhatItRefuses) {
    CliDatabase db;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--units", "cm-1"},
        {"--units", "air", "--end", "3200"},
        {"--units", "3", "--start", "31000", "--resolution", "2.5"},
        {"--units", "nm-air"},
        {"--units", "nm-vacuum", "--start", "300", "--resolution", "0.05"},
        {"--kind", "lif", "--temperature", "1800.5", "--pressure", "1", "--pressure-units", "atm", "--lineshape",
         "voigt", "--lorentzian", "30", "--density", "high", "--doppler", "on", "--collisional", "on",
         "--predissociation", "off", "--coll-b1", "0.1", "--coll-b2", "0.7", "--collisional-shift", "on", "--shift-a",
         "0.05", "--shift-b", "0.8", "--doppler-shift", "on", "--doppler-velocity", "-299000", "--lif-regime",
         "partial", "--gate", "resolved", "--delay", "5", "--gate-width", "20", "--window", "window",
         "--window-start", "3000", "--window-end", "20000", "--yield", "no-quenching"},
        {"--kind", "absorption", "--pressure", "100", "--pressure-units", "kpa", "--quenching-source", "single",
         "--quenching", "2.5"},
    };
    for (const auto& words : cases) {
        AppState app;
        program::MemoryStore firstRun;
        program::StartUp(app, firstRun, db.data.Folder());
        std::vector<std::string> all = words;
        all.insert(all.end(), {"--entry", "1"});
        const Args args(all, {});
        app.sim.TxtStart = Str(app.sim.Xini), app.sim.TxtEnd = Str(app.sim.Xend);
        app.sim.TxtResolution = Str(app.sim.InstrumentalResolution);
        ApplySimulationOptions(app, args);
        const simulation::SimulationConditions screen = simulation::ConditionsFromScreen(app);
        const simulation::SimulationConditions direct = ConditionsFromOptions(args, app.db.cat);
        const std::string what = words.empty() ? "defaults" : words[1];
        EXPECT_EQ(direct.kind, screen.kind) << what;
        EXPECT_EQ(direct.unit, screen.unit) << what;
        EXPECT_EQ(direct.start, screen.start) << what;
        EXPECT_EQ(direct.end, screen.end) << what;
        EXPECT_EQ(direct.resolution, screen.resolution) << what;
        EXPECT_EQ(direct.temperature, screen.temperature) << what;
        EXPECT_EQ(direct.pressure, screen.pressure) << what;
        EXPECT_EQ(direct.pressureUnit, screen.pressureUnit) << what;
        EXPECT_EQ(direct.lineshape, screen.lineshape) << what;
        EXPECT_EQ(direct.lorentzPercent, screen.lorentzPercent) << what;
        EXPECT_EQ(direct.density, screen.density) << what;
        EXPECT_EQ(direct.dopplerBroadening, screen.dopplerBroadening) << what;
        EXPECT_EQ(direct.collisionalBroadening, screen.collisionalBroadening) << what;
        EXPECT_EQ(direct.predissociationBroadening, screen.predissociationBroadening) << what;
        EXPECT_EQ(direct.collisionalBroad1, screen.collisionalBroad1) << what;
        EXPECT_EQ(direct.collisionalBroad2, screen.collisionalBroad2) << what;
        EXPECT_EQ(direct.collisionalShift, screen.collisionalShift) << what;
        EXPECT_EQ(direct.collisionalShiftA, screen.collisionalShiftA) << what;
        EXPECT_EQ(direct.collisionalShiftB, screen.collisionalShiftB) << what;
        EXPECT_EQ(direct.dopplerShift, screen.dopplerShift) << what;
        EXPECT_EQ(direct.dopplerVelocity, screen.dopplerVelocity) << what;
        EXPECT_EQ(direct.lifRegime, screen.lifRegime) << what;
        EXPECT_EQ(direct.gate, screen.gate) << what;
        EXPECT_EQ(direct.gateDelay, screen.gateDelay) << what;
        EXPECT_EQ(direct.gateWidth, screen.gateWidth) << what;
        EXPECT_EQ(direct.window, screen.window) << what;
        EXPECT_EQ(direct.windowStart, screen.windowStart) << what;
        EXPECT_EQ(direct.windowEnd, screen.windowEnd) << what;
        EXPECT_EQ(direct.yield, screen.yield) << what;
        EXPECT_EQ(direct.quenching, screen.quenching) << what;
        EXPECT_EQ(direct.quenchingRate, screen.quenchingRate) << what;
    }

    AppState app;
    program::MemoryStore firstRun;
    program::StartUp(app, firstRun, db.data.Folder());
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--temperature", "-1"},
                                                                 {"--resolution", "0"},
                                                                 {"--lorentzian", "101"},
                                                                 {"--doppler-velocity", "350000"},
                                                                 {"--window-end", "20001"},
                                                                 {"--kind", "raman"},
                                                                 {"--pressure", "x"},
                                                                 {"--noise", "100"}}) {
        try {
            ConditionsFromOptions(Args(bad, {}), app.db.cat);
            ADD_FAILURE() << bad[0] << " " << bad[1] << " was accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(bad[0]), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace velmora::cli
