#include <gtest/gtest.h>

#include <cmath>

// The control events of the conditions: unit and pressure conversions, the box rules of every
// field of the condition table, the controls offered and the groups each event names.
#include <gtest/gtest.h>

#include <cmath>

#include "common/number_format.h"
#include "experiment/experiment_fixtures.h"
#include "program/condition_events.h"
#include "program/main_window.h"
#include "simulation/condition_view.h"
#include "support/condition_controls.h"

namespace velmora::program {
namespace {

using namespace simulation;

double Shown(const AppState& app, const char* field) { return Val(FieldText(Field(field), app.sim.conditions)); }

TEST(Units, VacuumRangeToWavenumberAndBack) {
    AppState app;
    app.sim.conditions.start = 3050;
    app.sim.conditions.end = 3150;
    app.sim.conditions.resolution = 1.0f;
    testing::Choose(app, "units", 3);
    // Start and end exchange places: 1E8/3150 and 1E8/3050.
    EXPECT_NEAR(app.sim.conditions.start, 31746.03, 0.01);
    EXPECT_NEAR(app.sim.conditions.end, 32786.89, 0.01);
    // dnu = dlambda x nu / lambda at the centre: about 1E8 / 3100^2 = 10.4 cm-1 per Å.
    EXPECT_NEAR(app.sim.conditions.resolution, 32266.46 / 3100.0, 1e-3);
    EXPECT_EQ(app.sim.captions.FrmRange, "Range in cm-1");
    EXPECT_EQ(app.sim.captions.FrameInstrumental, "Instrumental  cm-1");
    EXPECT_EQ(app.sim.captions.FrmBroadening.substr(app.sim.captions.FrmBroadening.size() - 4), "cm-1");

    testing::Choose(app, "units", 1);
    EXPECT_NEAR(app.sim.conditions.start, 3050.0, 1e-3);
    EXPECT_NEAR(app.sim.conditions.end, 3150.0, 1e-3);
    EXPECT_NEAR(app.sim.conditions.resolution, 1.0, 1e-5);
}

TEST(Units, AirWavelengthsFollowTheRefractiveIndex) {
    AppState app;
    app.sim.conditions.start = 3000;
    app.sim.conditions.end = 6000;
    testing::Choose(app, "units", 2);
    // Edlén: n(3000 Å) - 1 = 1E-8 (8342.13 + 2406030 / (130 - 11.111) + 15997 / (38.9 - 11.111))
    // = 2.9155E-4, so the air wavelength is 0.875 Å shorter; n(6000 Å) - 1 = 2.7697E-4.
    EXPECT_NEAR(app.sim.conditions.start, 3000.0 / 1.00029155, 2e-3);
    EXPECT_NEAR(app.sim.conditions.end, 6000.0 / 1.00027697, 2e-3);
    EXPECT_FLOAT_EQ(app.sim.conditions.resolution, 1.0f);  // Å stays Å

    // Air to cm-1 goes through the vacuum wavelength, and back.
    testing::Choose(app, "units", 3);
    EXPECT_NEAR(app.sim.conditions.start, 1e8 / 6000.0, 0.01);
    EXPECT_NEAR(app.sim.conditions.end, 1e8 / 3000.0, 0.01);
    testing::Choose(app, "units", 2);
    EXPECT_NEAR(app.sim.conditions.start, 3000.0 / 1.00029155, 3e-3);
    testing::Choose(app, "units", 1);
    // Back in vacuum within single-precision rounding (n is taken at slightly different wavelengths).
    EXPECT_NEAR(app.sim.conditions.start, 3000.0, 3e-3);
    EXPECT_NEAR(app.sim.conditions.end, 6000.0, 3e-3);
}

TEST(Units, NanometresInVacuumAndAir) {
    AppState app;
    app.sim.conditions.start = 3050;
    app.sim.conditions.end = 3150;
    app.sim.conditions.resolution = 1.0f;
    testing::Choose(app, "units", 4);  // a tenth of the Å values, the resolution with them
    EXPECT_NEAR(app.sim.conditions.start, 305.0, 1e-4);
    EXPECT_NEAR(app.sim.conditions.end, 315.0, 1e-4);
    EXPECT_NEAR(app.sim.conditions.resolution, 0.1, 1e-6);
    EXPECT_EQ(app.sim.captions.FrmRange, "Range in nm (Vacuum)");
    // n(3050 Å) - 1 = 2.9087E-4 (Edlén, as above): the air wavelength is 0.0887 nm shorter.
    testing::Choose(app, "units", 5);
    EXPECT_NEAR(app.sim.conditions.start, 305.0 / 1.00029087, 1e-4);
    EXPECT_NEAR(app.sim.conditions.resolution, 0.1, 1e-6);
    testing::Choose(app, "units", 3);  // 1E8 / 3150 Å and 1E8 / 3050 Å
    EXPECT_NEAR(app.sim.conditions.start, 31746.03, 0.02);
    EXPECT_NEAR(app.sim.conditions.end, 32786.89, 0.02);
    // In proportion to the centres: 0.1 nm x 32266.46 cm-1 / 309.910 nm (the air centre).
    EXPECT_NEAR(app.sim.conditions.resolution, 0.1 * 32266.46 / 309.910, 1e-3);
    testing::Choose(app, "units", 2);
    testing::Choose(app, "units", 1);
    EXPECT_NEAR(app.sim.conditions.start, 3050.0, 3e-3);
    EXPECT_NEAR(app.sim.conditions.resolution, 1.0, 1e-4);
}

TEST(Units, AZeroLimitIsLeftUnconverted) {
    AppState app;
    app.sim.conditions.start = 0;
    app.sim.conditions.end = 3150;
    testing::Choose(app, "units", 3);
    EXPECT_NEAR(app.sim.conditions.start, 31746.03, 0.01);
    EXPECT_EQ(app.sim.conditions.end, 3150.0);  // 1E8 / 0 is not written
}

TEST(Pressure, UnitsConvertTheShownValueNotTheStoredTorr) {
    AppState app;
    testing::Choose(app, "pressure-units", 1);  // atm
    EXPECT_EQ(testing::Type(app, "pressure", "1"), "1");
    EXPECT_FLOAT_EQ(app.sim.conditions.pressure, 760.0f);
    testing::Choose(app, "pressure-units", 2);  // mbar
    EXPECT_NEAR(Shown(app, "pressure"), 1013.25, 1e-3);
    EXPECT_NEAR(app.sim.conditions.pressure, 760.0f, 1e-3f);
    EXPECT_EQ(app.sim.captions.LblPressureTerm, "*(P/1013.25)*(300/T)^");
    // A negative pressure is refused and the previous value shown again.
    EXPECT_NEAR(Val(testing::Type(app, "pressure", "-5")), 1013.25, 1e-3);
    EXPECT_NEAR(app.sim.conditions.pressure, 760.0f, 1e-3f);
    EXPECT_EQ(testing::Type(app, "pressure", ""), " 1013.25");  // a box left empty shows the value in force
    testing::Choose(app, "pressure-units", 4);                  // Pa
    EXPECT_NEAR(Shown(app, "pressure"), 760.0 * 133.32, 1.0);
}

TEST(ConditionInputs, NumericBoxesRefuseValuesOutsideTheirRange) {
    AppState app;
    EXPECT_EQ(testing::Type(app, "temperature", "-1"), " 300");
    EXPECT_FLOAT_EQ(app.pop.Temperature, 300.0f);
    EXPECT_EQ(testing::Type(app, "temperature", "abc"), " 300");
    EXPECT_EQ(testing::Type(app, "temperature", ""), " 300");
    EXPECT_EQ(testing::Type(app, "temperature", "1500.25"), "1500.25");
    EXPECT_EQ(app.sim.conditions.temperature, 1500.25);  // in double precision
    EXPECT_FLOAT_EQ(app.pop.Temperature, 1500.25f);      // the populations follow

    EXPECT_EQ(testing::Type(app, "doppler-velocity", "350000"), " 0");
    EXPECT_EQ(testing::Type(app, "doppler-velocity", "-299000"), "-299000");
    EXPECT_FLOAT_EQ(app.sim.conditions.dopplerVelocity, -299000.0f);

    EXPECT_EQ(testing::Type(app, "window-end", "20000"), "20000");
    EXPECT_EQ(testing::Type(app, "window-end", "20000.01"), " 20000");
    EXPECT_FLOAT_EQ(app.sim.conditions.windowEnd, 20000.0f);
    EXPECT_EQ(testing::Type(app, "window-start", "-1"), " 0");

    EXPECT_EQ(testing::Type(app, "lorentzian", "101"), " 0");
}

/// What a box ends with after `text` is typed key by key, as the window passes the keys (a
/// number still being typed is not judged), and the box is left.
struct Typed {
    BoxEdit last;       ///< the answer to the last key judged
    std::string shown;  ///< the box's text once left
};

Typed TypeKeys(AppState& app, const char* field, std::string_view text) {
    const ConditionField& f = Field(field);
    const SimulationConditions before = app.sim.conditions;
    Typed t;
    for (std::size_t n = 1; n <= text.size(); ++n)
        if (!IsIncompleteNumber(text.substr(0, n))) t.last = ConditionBox_Change(app, f, text.substr(0, n), before);
    t.shown = ConditionBox_Finish(app, f, t.last.text);
    return t;
}

TEST(ConditionInputs, BoxesRefuseWhatTheCommandLineRefusesAndKeepTheValueInForce) {
    struct Case {
        const char* field;
        const char* typed;
        double held;          ///< the value in force afterwards
        const char* refusal;  ///< the refusal of the last key, "" when the text is in force
        const char* shown;    ///< the box once left; nullptr: the value in force as boxes show it
    };
    const Case cases[] = {
        // "1" of "1e9" was in force for a key: the refusal takes the temperature back to 300 K.
        {"temperature", "1e9", 300.0, "temperature: 1e9 is not accepted (0..1000000 K)", nullptr},
        {"temperature", "2200", 2200.0, "", "2200"},
        {"temperature", "25x", 25.0, "", nullptr},  // letters: the value in force answers at once
        {"temperature", "", 300.0, "", nullptr},
        // No clamps: neither a negative resolution nor 0 stands for another.
        {"resolution", "-0.5", 1.0, "resolution: -0.5 is outside 1E-05..10000 in the axis unit", nullptr},
        {"resolution", "0", 1.0, "resolution: 0 is outside 1E-05..10000 in the axis unit", nullptr},
        {"resolution", "0.05", 0.05, "", "0.05"},
        {"start", "500", 3050.0, "start: 500 is outside 1000..1000000 \xC3\x85 (Vacuum)", nullptr},
        {"end", "3400", 3400.0, "", "3400"},
        {"lorentzian", "101", 0.0, "lorentzian: 101 is not accepted (0..100 %)", nullptr},
    };
    for (const Case& k : cases) {
        AppState app;
        const ConditionField& f = Field(k.field);
        const Typed t = TypeKeys(app, k.field, k.typed);
        EXPECT_DOUBLE_EQ(HeldValue(f, app.sim.conditions), k.held) << k.field << " " << k.typed;
        EXPECT_EQ(t.last.refusal, k.refusal) << k.field << " " << k.typed;
        // A refused number stays in the box to be corrected until the box is left.
        if (*k.refusal) {
            EXPECT_EQ(t.last.text, k.typed);
        }
        EXPECT_EQ(t.shown, k.shown ? std::string(k.shown) : FieldText(f, app.sim.conditions))
            << k.field << " " << k.typed;
        // The command line refuses the same numbers with the same words.
        if (*k.refusal) {
            EXPECT_NE(CheckNumber(f, SimulationConditions{}, Val(k.typed)), "");
            EXPECT_NE(std::string(k.refusal).find(CheckNumber(f, SimulationConditions{}, Val(k.typed))),
                      std::string::npos);
        }
    }
    // The widths follow the value back: the total width is the resolution in force again.
    AppState app;
    app.sim.conditions.dopplerBroadening = false;
    TypeKeys(app, "resolution", "0.5");
    EXPECT_FLOAT_EQ(app.sim.widths.totalWidth, 0.5f);
    TypeKeys(app, "resolution", "0");
    EXPECT_FLOAT_EQ(app.sim.widths.totalWidth, 0.5f);
}

TEST(ConditionInputs, EnterIsSwallowedAndControlsAreOfferedByChoice) {
    EXPECT_EQ(NumericBox_KeyPress(13), 0);
    EXPECT_EQ(NumericBox_KeyPress('5'), '5');

    AppState app;
    app.sim.conditions.lorentzPercent = 40;
    testing::Choose(app, "lineshape", 3);
    EXPECT_TRUE(Offered(app.sim.conditions).lorentzian);
    testing::Choose(app, "lineshape", 1);
    EXPECT_FALSE(Offered(app.sim.conditions).lorentzian);
    EXPECT_FLOAT_EQ(app.sim.conditions.lorentzPercent, 40.0f);

    testing::Choose(app, "kind", 3);
    EXPECT_TRUE(Offered(app.sim.conditions).lif);
    EXPECT_TRUE(Offered(app.sim.conditions).yields);
    EXPECT_EQ(app.pop.PopState, ElectronicState::Lower);
    testing::Choose(app, "kind", 2);
    EXPECT_FALSE(Offered(app.sim.conditions).lif);
    EXPECT_FALSE(Offered(app.sim.conditions).yields);
    testing::Choose(app, "kind", 1);
    EXPECT_EQ(app.pop.PopState, ElectronicState::Upper);
    EXPECT_TRUE(Offered(app.sim.conditions).yields);
}

TEST(ConditionInputs, EveryNumberBoxTakesItsLimitsAndRefusesWhatLiesBeyond) {
    // One rule for every number field of the table: its limits, in the unit the box shows.
    for (const ConditionField& f : ConditionFields()) {
        if (f.type != FieldType::Number || f.limitsFor || std::string(f.name) == "resolution") continue;
        const Limits l = f.limits;
        for (const double v : {l.lo, l.hi}) {
            AppState app;
            if (!(std::fabs(v) < 1e30)) continue;  // a limit no box is typed to
            const std::string text = Trim(Str(v));
            EXPECT_EQ(testing::Type(app, f.name, text), text) << f.name;
            EXPECT_EQ(HeldValue(f, app.sim.conditions), Val(text)) << f.name;
            EXPECT_TRUE(CheckNumber(f, app.sim.conditions, v).empty()) << f.name;
        }
        AppState app;
        const double before = HeldValue(f, app.sim.conditions);
        const double beyond = l.hi + std::max(1.0, std::fabs(l.hi) * 1e-3);
        if (std::isfinite(beyond) && beyond < 1e30) {
            EXPECT_EQ(testing::Type(app, f.name, Trim(Str(beyond))), FieldText(f, app.sim.conditions)) << f.name;
            EXPECT_EQ(HeldValue(f, app.sim.conditions), before) << f.name;
        }
        EXPECT_NE(CheckNumber(f, app.sim.conditions, l.lo - std::max(1.0, std::fabs(l.lo))), "") << f.name;
        EXPECT_EQ(testing::Type(app, f.name, "abc"), FieldText(f, app.sim.conditions)) << f.name;
    }
}

TEST(ConditionInputs, EachEventNamesTheGroupsItChanged) {
    AppState app;
    const BoxEdit temperature = ConditionBox_Change(app, Field("temperature"), "2000");
    EXPECT_TRUE(temperature.refresh.Has(ViewGroup::Conditions));
    EXPECT_TRUE(temperature.refresh.Has(ViewGroup::Broadening));  // the Doppler width caption
    EXPECT_FALSE(temperature.refresh.Has(ViewGroup::Experiment));
    EXPECT_TRUE(ConditionBox_Change(app, Field("temperature"), "-3").refresh.Empty());  // refused: nothing changed
    EXPECT_TRUE(testing::Choose(app, "kind", 3).Has(ViewGroup::Lif));
    EXPECT_TRUE(testing::Choose(app, "units", 3).Has(ViewGroup::Experiment));  // the spectra are converted
    const ViewGroups density = testing::Choose(app, "density", 2);
    EXPECT_TRUE(density.Has(ViewGroup::Instrument));
    EXPECT_FALSE(density.Has(ViewGroup::Populations));
    EXPECT_EQ(ChkThermal_Click(app, 0), ViewGroup::Conditions | ViewGroup::Populations);
}

TEST(FileLimits, TakeTheRangeFromTheSpectrumAndLockTheBoxes) {
    testing::AppFixture f;
    f.app.sim.conditions.start = 3050;
    f.app.sim.conditions.end = 3150;
    program::ChkExpLimits_Click(f.app, 1);  // nothing loaded: the range stays
    EXPECT_EQ(f.app.sim.conditions.start, 3050.0);
    EXPECT_FALSE(f.app.exp.RangeBoxesEnabled);
    program::ChkExpLimits_Click(f.app, 0);
    EXPECT_TRUE(f.app.exp.RangeBoxesEnabled);

    testing::SetSpectrum(f.app.exp, {3064.5f, 3070, 3080.25f}, {1, 2, 3});
    f.app.exp.WavelengthCorrection = 1.0f;  // the raw x are taken
    program::ChkExpLimits_Click(f.app, 1);
    EXPECT_EQ(f.app.exp.ExpLimits, 1);
    EXPECT_EQ(f.app.sim.conditions.start, 3064.5);
    EXPECT_EQ(f.app.sim.conditions.end, 3080.25);
}

}  // namespace
}  // namespace velmora::program
