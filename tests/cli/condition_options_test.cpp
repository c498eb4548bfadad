// The command line and the window agree: the options read straight into typed conditions give
// exactly the conditions the same settings made in the window's controls give, for every field
// of the condition table; the settings keep every stored field; and the options are refused as
// the boxes refuse them.
#include "cli/condition_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "cli/database_options.h"
#include "cli/fit_options.h"
#include "cli/simulate_options.h"
#include "cli_fixture.h"
#include "database/gas_composition.h"
#include "program/condition_events.h"
#include "program/settings.h"
#include "program/startup.h"
#include "simulation/condition_fields.h"
#include "simulation/instrument_function.h"
#include "support/condition_controls.h"
#include "support/temp_dir.h"

namespace velmora::cli {
namespace {

using namespace simulation;

/// Field by field, with a measured instrument function read twice (the same function, two
/// objects) compared by its points.
void ExpectSame(SimulationConditions direct, SimulationConditions screen, const std::string& what) {
    ASSERT_EQ(direct.slit == nullptr, screen.slit == nullptr) << what;
    if (direct.slit) {
        EXPECT_EQ(direct.slit->offset, screen.slit->offset) << what;
        EXPECT_EQ(direct.slit->response, screen.slit->response) << what;
        EXPECT_EQ(direct.slit->file, screen.slit->file) << what;
        direct.slit = screen.slit = nullptr;
    }
    for (const ConditionField& f : ConditionFields()) {
        if (f.IsNumeric()) {
            EXPECT_EQ(f.get(direct), f.get(screen)) << what << ": " << f.name;
        }
    }
    EXPECT_TRUE(direct == screen) << what;
}

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
        {{"--units", "cm-1"}, [](AppState& a) { testing::Choose(a, "units", 3); }},
        {{"--units", "air", "--end", "3200"},
         [](AppState& a) {
             testing::Choose(a, "units", 2);
             a.sim.conditions.end = 3200;
         }},
        {{"--units", "nm-vacuum", "--start", "300", "--resolution", "0.05"},
         [](AppState& a) {
             testing::Choose(a, "units", 4);
             a.sim.conditions.start = 300;
             testing::Type(a, "resolution", "0.05");
         }},
        {{"--units", "nm-air"}, [](AppState& a) { testing::Choose(a, "units", 5); }},
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
             testing::Choose(a, "kind", 3);
             testing::Type(a, "temperature", "1800.5");
             testing::Choose(a, "pressure-units", 1);
             testing::Type(a, "pressure", "1");
             testing::Choose(a, "lineshape", 3);
             testing::Type(a, "lorentzian", "30");
             testing::Choose(a, "density", 2);
             testing::Choose(a, "doppler", 1), testing::Choose(a, "collisional", 1),
                 testing::Choose(a, "predissociation", 0);
             testing::Type(a, "coll-b1", "0.1"), testing::Type(a, "coll-b2", "0.7");
             testing::Choose(a, "collisional-shift", 1);
             testing::Type(a, "shift-a", "0.05"), testing::Type(a, "shift-b", "0.8");
             testing::Choose(a, "doppler-shift", 1);
             testing::Type(a, "doppler-velocity", "-299000");
             testing::Choose(a, "lif-regime", 3);
             testing::Type(a, "laser-gauss", "0.05"), testing::Type(a, "laser-lorentz", "0.02");
             testing::Type(a, "pulse-energy", "2"), testing::Type(a, "pulse-duration", "8"),
                 testing::Type(a, "beam-area", "0.2");
             testing::Type(a, "spectral-irradiance", "1e6");
             testing::Choose(a, "gate", 1), testing::Type(a, "delay", "5"), testing::Type(a, "gate-width", "20");
             testing::Choose(a, "window", 1), testing::Type(a, "window-start", "3000"),
                 testing::Type(a, "window-end", "20000");
             testing::Choose(a, "yield", 3);
         }},
        {{"--lineshape", "trapezoid", "--resolution", "1.2", "--top", "0.3", "--resolution-slope", "-0.001"},
         [](AppState& a) {
             testing::Choose(a, "lineshape", 5);
             testing::Type(a, "resolution", "1.2");
             testing::Type(a, "top", "0.3");
             testing::Type(a, "resolution-slope", "-0.001");
         }},
        {{"--lineshape", "file", "--slit", slit, "--slit-units", "nm", "--slit-scale", "1.5"},
         [&slit](AppState& a) {
             testing::Choose(a, "lineshape", 6);
             testing::Type(a, "slit-scale", "1.5");
             testing::Choose(a, "slit-units", 1);
             program::SetSlitFile(a, slit);
         }},
        {{"--kind", "absorption", "--absorption-units", "transmittance", "--number-density", "1e12", "--path-length",
          "10", "--pressure", "100", "--pressure-units", "kpa"},
         [](AppState& a) {
             testing::Choose(a, "kind", 2);
             testing::Choose(a, "pressure-units", 5), testing::Type(a, "pressure", "100");
             testing::Choose(a, "absorption-units", 3);
             testing::Type(a, "number-density", "1e12"), testing::Type(a, "path-length", "10");
         }},
        {{"--absorbance", "--column-density", "1e15", "--lineshape", "triangle"},
         [](AppState& a) {
             testing::Choose(a, "kind", 2);
             testing::Choose(a, "lineshape", 4);
             testing::Choose(a, "absorption-units", 2), testing::Type(a, "column-density", "1e15");
         }},
        {{"--composition", "N2=0.71,H2O=0.29", "--quenching", "2.5", "--kind", "lif"},
         [](AppState& a) {
             testing::Choose(a, "kind", 3);
             program::GrdComposition_Change(a, 0, 1, "0.71"), program::GrdComposition_Change(a, 1, 0, "H2O");
             program::GrdComposition_Change(a, 1, 1, "0.29");
             testing::Choose(a, "quenching-source", 3);
             testing::Type(a, "quenching", "2.5");
         }},
        {{"--quenching-source", "files", "--filter", filter},
         [&filter](AppState& a) {
             testing::Choose(a, "quenching-source", 2);
             program::SetDetectionFilter(a, filter);
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
        SimulationConditions screen = window.sim.conditions;
        SimulationConditions direct = ConditionsFromOptions(Args(words, kSimulationFlags));
        AppState options;
        StartUp(options, db.data.Folder());
        program::SetConditions(options, direct);
        EXPECT_EQ(options.pop.PopState, window.pop.PopState) << what;
        ExpectSame(direct, screen, what);
    }
}

TEST(ConditionOptions, EveryFieldOfTheTableGivesTheSameConditionAsItsControl) {
    // For every field: a value other than its default as an option and through the field's
    // control on the window (a box typed, a list or check box chosen, a file read).
    CliDatabase db;
    testing::TempDir dir;
    const std::string slit = dir.Write("slit.txt", "-0.1 0\n0 1\n0.05 0.5\n0.1 0\n").string();
    const std::string filter = dir.Write("filter.txt", "300 0.2\n310 0.9\n320 0.4\n").string();
    for (const ConditionField& f : ConditionFields()) {
        const SimulationConditions first;
        std::string text;
        switch (f.type) {
            case FieldType::Number: {
                // A number inside the limits, in double precision unlike a single-precision box.
                const Limits l = FieldLimits(f, first);
                for (const double v : {0.35, 2.75, 3100.125, -0.25})
                    if (l.Contains(v * FieldScale(f, first)) && v * FieldScale(f, first) != f.get(first)) {
                        text = Trim(Str(v));
                        break;
                    }
                break;
            }
            case FieldType::Switch:
            case FieldType::Choice:  // the choice after the default
                text = f.choices[(static_cast<std::size_t>(f.get(first) - f.first) + 1) % f.choices.size()];
                break;
            case FieldType::Text:
                text = "N2=0.5,H2O=0.5";
                break;
            case FieldType::File:
                text = std::string(f.name) == "slit" ? slit : filter;
                break;
        }
        ASSERT_FALSE(text.empty()) << f.name;
        SCOPED_TRACE(std::string(f.name) + " " + text);
        // Fields whose rules need another one: a window that ends above its start, absolute
        // absorption of an absorption spectrum, a resolution that changes across the range of a
        // convolved instrument function.
        const std::string name = f.name;
        std::vector<std::string> words = {"--" + name, text};
        if (name == "window" || name == "window-start") words.insert(words.end(), {"--window-end", "20000"});
        if (name == "absorption-units") words.insert(words.end(), {"--kind", "absorption"});
        if (name == "resolution-slope") words.insert(words.end(), {"--lineshape", "triangle"});
        const SimulationConditions direct = ConditionsFromOptions(Args(words, {}));
        EXPECT_NE(FieldText(f, direct), FieldText(f, first));

        AppState window;
        StartUp(window, db.data.Folder());
        if (words.size() > 2 && words[2] == "--window-end") testing::Type(window, "window-end", "20000");
        if (words.size() > 2 && words[2] == "--kind") testing::Choose(window, "kind", 2);
        if (words.size() > 2 && words[2] == "--lineshape")
            testing::Choose(window, "lineshape", ParseChoice(Field("lineshape"), "triangle"));
        if (f.type == FieldType::Number) {
            EXPECT_EQ(testing::Type(window, f.name, text), text);
        } else if (f.type == FieldType::Switch || f.type == FieldType::Choice) {
            testing::Choose(window, f.name, ParseChoice(f, text));
        } else if (std::string(f.name) == "slit") {
            EXPECT_EQ(program::SetSlitFile(window, text), "");
        } else if (std::string(f.name) == "filter") {
            program::SetDetectionFilter(window, text);
        } else {
            program::GrdComposition_Change(window, 0, 1, "0.5"), program::GrdComposition_Change(window, 1, 0, "H2O");
            program::GrdComposition_Change(window, 1, 1, "0.5");
        }
        SimulationConditions screen = window.sim.conditions;
        // A composition given alone is the quenching source; in the window the source is its own list.
        if (f.type == FieldType::Text) screen.quenching = QuenchingSource::GasComposition;
        // A new axis unit converts the range on the window; on the command line the default range.
        if (std::string(f.name) == "units") screen.end = direct.end;
        ExpectSame(direct, screen, f.name);
    }
}

TEST(ConditionOptions, TheSettingsKeepEveryStoredFieldAsGiven) {
    // Conditions -> settings -> conditions, for every field with a settings key.
    SimulationConditions c;
    for (const ConditionField& f : ConditionFields()) {
        if (f.setting.Empty() || !f.IsNumeric() || f.limitsFor) continue;
        const Limits l = FieldLimits(f, c);
        const double v = f.type == FieldType::Number ? std::clamp(0.35, l.lo, l.hi)
                                                     : f.first + static_cast<int>(f.choices.size()) - 1;
        f.set(c, v);
    }
    c.start = 3061.25, c.end = 3149.5;
    c.composition = database::ParseComposition("N2=0.7,CO2=0.3");
    AppState app;
    app.sim.conditions = c;
    program::MemoryStore store;
    program::SaveSettings(app, store);
    AppState back;
    program::LoadSettings(back, store);
    EXPECT_TRUE(back.sim.conditions == c);
    for (const ConditionField& f : ConditionFields()) {
        if (!f.setting.Empty() && f.IsNumeric()) {
            EXPECT_EQ(f.get(back.sim.conditions), f.get(c)) << f.name;
        }
    }
}

TEST(ConditionOptions, RefusedOptionsNameTheOptionAndWhatItAccepts) {
    CliDatabase db;
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
