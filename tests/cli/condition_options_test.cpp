// The command line and the window agree: the options read straight into typed conditions give
// exactly what ConditionsFromScreen gives after the same settings are made in the window's
// controls, the controls set from those conditions give them back, and the options are refused
// as the boxes refuse them.
#include "cli/condition_options.h"

#include <gtest/gtest.h>

#include <functional>

#include "cli/database_options.h"
#include "cli/fit_options.h"
#include "cli/simulate_options.h"
#include "cli_fixture.h"
#include "database/gas_composition.h"
#include "program/startup.h"
#include "simulation/absorption_inputs.h"
#include "simulation/condition_inputs.h"
#include "simulation/instrument_function.h"
#include "simulation/instrument_inputs.h"
#include "simulation/screen_conditions.h"
#include "simulation/units.h"
#include "support/temp_dir.h"

namespace velmora::cli {
namespace {

using namespace simulation;

/// One option list and the same settings made through the window's controls.
struct Agreement {
    std::vector<std::string> words;
    std::function<void(AppState&)> controls;
};

void StartUp(AppState& app, const std::string& folder) {
    program::MemoryStore firstRun;
    program::StartUp(app, firstRun, folder);
}

TEST(ConditionOptions, AgreeWithTheWindowsControlsAndComeBackFromThem) {
    CliDatabase db;
    testing::TempDir dir;
    const std::string slit = dir.Write("slit.txt", "-0.1 0\n0 1\n0.05 0.5\n0.1 0\n").string();
    const std::string filter = dir.Write("filter.txt", "300 0.2\n310 0.9\n320 0.4\n").string();
    const std::vector<Agreement> cases = {
        {{}, [](AppState&) {}},
        {{"--units", "cm-1"}, [](AppState& a) { CmbUnits_Click(a, 3); }},
        {{"--units", "air", "--end", "3200"},
         [](AppState& a) {
             CmbUnits_Click(a, 2);
             a.sim.TxtEnd = " 3200";
         }},
        {{"--units", "nm-vacuum", "--start", "300", "--resolution", "0.05"},
         [](AppState& a) {
             CmbUnits_Click(a, 4);
             a.sim.TxtStart = " 300";
             TxtResolution_Change(a, "0.05");
         }},
        {{"--units", "nm-air"}, [](AppState& a) { CmbUnits_Click(a, 5); }},
        {{"--kind",
          "lif",
          "--temperature",
          "1800.5",
          "--pressure",
          "1",
          "--pressure-units",
          "atm",
          "--lineshape",
          "voigt",
          "--lorentzian",
          "30",
          "--density",
          "high",
          "--doppler",
          "on",
          "--collisional",
          "on",
          "--predissociation",
          "off",
          "--coll-b1",
          "0.1",
          "--coll-b2",
          "0.7",
          "--collisional-shift",
          "on",
          "--shift-a",
          "0.05",
          "--shift-b",
          "0.8",
          "--doppler-shift",
          "on",
          "--doppler-velocity",
          "-299000",
          "--lif-regime",
          "rate-equations",
          "--laser-gauss",
          "0.05",
          "--laser-lorentz",
          "0.02",
          "--pulse-energy",
          "2",
          "--pulse-duration",
          "8",
          "--beam-area",
          "0.2",
          "--spectral-irradiance",
          "1e6",
          "--gate",
          "resolved",
          "--delay",
          "5",
          "--gate-width",
          "20",
          "--window",
          "window",
          "--window-start",
          "3000",
          "--window-end",
          "20000",
          "--yield",
          "no-quenching"},
         [](AppState& a) {
             CmbKind_Click(a, 3);
             TxtTemperature_Change(a, "1800.5");
             CmbPressure_Click(a, 1);
             TxtPressure_Change(a, "1");
             CmbLineshape_Click(a, 3);
             TxtLorentzian_Change(a, "30");
             CmbPointDensity_Click(a, 2);
             ChkDoppler_Click(a, 1), ChkCollisional_Click(a, 1), ChkPredissociation_Click(a, 0);
             TxtCollB1_Change(a, "0.1"), TxtCollB2_Change(a, "0.7");
             ChkCollisionalShift_Click(a, 1);
             TxTShiftA_Change(a, "0.05"), TxtShiftB_Change(a, "0.8");
             ChkDopplerShift_Click(a, 1);
             TxtDopplerShift_Change(a, "-299000");
             CmbLIFregime_Click(a, 3);
             TxtLaserGauss_Change(a, "0.05"), TxtLaserLorentz_Change(a, "0.02");
             TxtPulseEnergy_Change(a, "2"), TxtPulseDuration_Change(a, "8"), TxtBeamArea_Change(a, "0.2");
             TxtSpectralIrradiance_Change(a, "1e6");
             CmbGate_Click(a, 1), TxtDelay_Change(a, "5"), TxtGate_Change(a, "20");
             CmbSpectralWindow_Click(a, 1), TxtStartWindow_Change(a, "3000"), TxtEndWindow_Change(a, "20000");
             CmbFluorescenceYield_Click(a, 3);
         }},
        {{"--lineshape", "trapezoid", "--resolution", "1.2", "--top", "0.3", "--resolution-slope", "-0.001"},
         [](AppState& a) {
             CmbLineshape_Click(a, 5);
             TxtResolution_Change(a, "1.2");
             TxtTrapezoidTop_Change(a, "0.3");
             TxtResolutionSlope_Change(a, "-0.001");
         }},
        {{"--lineshape", "file", "--slit", slit, "--slit-units", "nm", "--slit-scale", "1.5"},
         [&slit](AppState& a) {
             CmbLineshape_Click(a, 6);
             TxtSlitScale_Change(a, "1.5");
             CmbSlitUnits_Click(a, 1);
             LoadSlitFile(a, slit);
         }},
        {{"--kind", "absorption", "--absorption-units", "transmittance", "--number-density", "1e12", "--path-length",
          "10", "--pressure", "100", "--pressure-units", "kpa"},
         [](AppState& a) {
             CmbKind_Click(a, 2);
             CmbPressure_Click(a, 5), TxtPressure_Change(a, "100");
             CmbAbsorptionUnits_Click(a, 3);
             TxtNumberDensity_Change(a, "1e12"), TxtPathLength_Change(a, "10");
         }},
        {{"--absorbance", "--column-density", "1e15", "--lineshape", "triangle"},
         [](AppState& a) {
             CmbKind_Click(a, 2);
             CmbLineshape_Click(a, 4);
             CmbAbsorptionUnits_Click(a, 2), TxtColumnDensity_Change(a, "1e15");
         }},
        {{"--composition", "N2=0.71,H2O=0.29", "--quenching", "2.5", "--kind", "lif"},
         [](AppState& a) {
             CmbKind_Click(a, 3);
             a.db.QuenchingComposition = database::ParseComposition("N2=0.71,H2O=0.29");
             CmbQuenching_Click(a, 3);
             TxtQuenching_Change(a, "2.5");
         }},
        {{"--quenching-source", "files", "--filter", filter},
         [&filter](AppState& a) {
             CmbQuenching_Click(a, 2);
             SetDetectionFilter(a, filter);
         }},
    };
    for (const Agreement& c : cases) {
        std::vector<std::string> words = c.words;
        words.insert(words.end(), {"--entry", "1"});
        const std::string what =
            c.words.empty() ? "defaults" : c.words[0] + " " + (c.words.size() > 1 ? c.words[1] : "");
        AppState window;
        StartUp(window, db.data.Folder());
        c.controls(window);
        SimulationConditions screen = ConditionsFromScreen(window);
        SimulationConditions direct = ConditionsFromOptions(Args(words, kSimulationFlags));

        // And back: the controls set from the typed conditions hold them.
        AppState shown;
        StartUp(shown, db.data.Folder());
        ShowConditions(shown, direct);
        EXPECT_TRUE(ConditionsFromScreen(shown) == direct) << what;
        EXPECT_EQ(shown.pop.PopState, window.pop.PopState) << what;

        // A measured instrument function read twice: the same function, two objects.
        ASSERT_EQ(direct.slit == nullptr, screen.slit == nullptr) << what;
        if (direct.slit) {
            EXPECT_EQ(direct.slit->offset, screen.slit->offset);
            EXPECT_EQ(direct.slit->response, screen.slit->response);
            EXPECT_EQ(shown.sim.SlitFile, slit);
            direct.slit = screen.slit = nullptr;
        }
        EXPECT_TRUE(direct == screen) << what;
        EXPECT_EQ(direct.start, screen.start) << what;
        EXPECT_EQ(direct.resolution, screen.resolution) << what;
        EXPECT_EQ(direct.pressure, screen.pressure) << what;
        EXPECT_EQ(direct.quenchingRate, screen.quenchingRate) << what;
    }

    AppState app;
    StartUp(app, db.data.Folder());
    for (const auto& bad : std::vector<std::vector<std::string>>{{"--temperature", "-1"},
                                                                 {"--resolution", "0"},
                                                                 {"--lorentzian", "101"},
                                                                 {"--doppler-velocity", "350000"},
                                                                 {"--window-end", "20001"},
                                                                 {"--kind", "raman"},
                                                                 {"--pressure", "x"},
                                                                 {"--pressure", "2e4", "--pressure-units", "atm"},
                                                                 {"--top", "-1"},
                                                                 {"--lineshape", "file"},
                                                                 {"--slit", "missing.txt"},
                                                                 {"--lif-regime", "4"},
                                                                 {"--quenching", "2000"},
                                                                 {"--composition", "XX=1"},
                                                                 {"--pulse-duration", "0"},
                                                                 {"--thermal", "maybe"},
                                                                 {"--noise", "100"}}) {
        try {
            ConditionsFromOptions(Args(bad, {}));
            ADD_FAILURE() << bad[0] << " " << bad[1] << " was accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("option " + bad[0]), std::string::npos) << e.what();
        }
    }
}

TEST(ConditionOptions, FitTakesEverySimulationOption) {
    const std::vector<std::string> words = {
        "--data",       VELMORA_DATA_DIR, "--entry",       "1",    "--kind",        "lif",
        "--lineshape",  "trapezoid",      "--top",         "0.05", "--resolution",  "0.2",
        "--lif-regime", "rate-equations", "--laser-gauss", "0.1",  "--composition", "N2=1"};
    const Args args(words, kSimulationFlags);
    const fit::FitRequest r = FitRequestFromOptions(args);
    DatabaseState db;
    OpenDatabase(args, db);
    EXPECT_TRUE(r.conditions == ConditionsFromOptions(args));
    EXPECT_EQ(r.conditions.lineshape, Lineshape::Trapezoid);
    EXPECT_EQ(r.conditions.quenching, QuenchingSource::GasComposition);

    // --absorbance is a flag for fit as for simulate: the file is the next problem.
    const Result flag = RunCli({"fit", "--data", VELMORA_DATA_DIR, "--entry", "1", "--kind", "absorption",
                                "--absorbance", "--spectrum", "missing.txt"});
    EXPECT_EQ(flag.code, 1);
    EXPECT_NE(flag.err.find("missing.txt"), std::string::npos) << flag.err;
}

}  // namespace
}  // namespace velmora::cli
