#include <gtest/gtest.h>

#include <cmath>

#include "common/number_format.h"
#include "simulation/condition_inputs.h"
#include "simulation/lineshapes.h"
#include "simulation/units.h"

namespace velmora::simulation {
namespace {

double Num(const std::string& s) { return Val(s); }

TEST(Units, VacuumRangeToWavenumberAndBack) {
    AppState app;
    app.sim.TxtStart = " 3050";
    app.sim.TxtEnd = " 3150";
    app.sim.InstrumentalResolution = 1.0f;
    CmbUnits_Click(app, 3);
    // Start and end exchange places: 1E8/3150 and 1E8/3050.
    EXPECT_NEAR(Num(app.sim.TxtStart), 31746.03, 0.01);
    EXPECT_NEAR(Num(app.sim.TxtEnd), 32786.89, 0.01);
    // dnu = dlambda x nu / lambda at the centre: about 1E8 / 3100^2 = 10.4 cm-1 per Å.
    EXPECT_NEAR(app.sim.InstrumentalResolution, 32266.46 / 3100.0, 1e-3);
    EXPECT_EQ(app.sim.FrmRangeCaption, "Range in cm-1");
    EXPECT_EQ(app.sim.FrameInstrumentalCaption, "Instrumental  cm-1");
    EXPECT_EQ(app.sim.FrmBroadeningCaption.substr(app.sim.FrmBroadeningCaption.size() - 4), "cm-1");

    CmbUnits_Click(app, 1);
    EXPECT_NEAR(Num(app.sim.TxtStart), 3050.0, 1e-3);
    EXPECT_NEAR(Num(app.sim.TxtEnd), 3150.0, 1e-3);
    EXPECT_NEAR(app.sim.InstrumentalResolution, 1.0, 1e-5);
}

TEST(Units, AirWavelengthsFollowTheRefractiveIndex) {
    AppState app;
    app.sim.TxtStart = " 3000";
    app.sim.TxtEnd = " 6000";
    CmbUnits_Click(app, 2);
    // Edlén: n(3000 Å) - 1 = 1E-8 (8342.13 + 2406030 / (130 - 11.111) + 15997 / (38.9 - 11.111))
    // = 2.9155E-4, so the air wavelength is 0.875 Å shorter; n(6000 Å) - 1 = 2.7697E-4.
    EXPECT_NEAR(Num(app.sim.TxtStart), 3000.0 / 1.00029155, 2e-3);
    EXPECT_NEAR(Num(app.sim.TxtEnd), 6000.0 / 1.00027697, 2e-3);
    EXPECT_FLOAT_EQ(app.sim.InstrumentalResolution, 1.0f);  // Å stays Å

    // Air to cm-1 goes through the vacuum wavelength, and back.
    CmbUnits_Click(app, 3);
    EXPECT_NEAR(Num(app.sim.TxtStart), 1e8 / 6000.0, 0.01);
    EXPECT_NEAR(Num(app.sim.TxtEnd), 1e8 / 3000.0, 0.01);
    CmbUnits_Click(app, 2);
    EXPECT_NEAR(Num(app.sim.TxtStart), 3000.0 / 1.00029155, 3e-3);
    CmbUnits_Click(app, 1);
    // Back in vacuum within single-precision rounding (n is taken at slightly different wavelengths).
    EXPECT_NEAR(Num(app.sim.TxtStart), 3000.0, 3e-3);
    EXPECT_NEAR(Num(app.sim.TxtEnd), 6000.0, 3e-3);
}

TEST(Units, AZeroLimitIsLeftUnconverted) {
    AppState app;
    app.sim.TxtStart = " 0";
    app.sim.TxtEnd = " 3150";
    CmbUnits_Click(app, 3);
    EXPECT_NEAR(Num(app.sim.TxtStart), 31746.03, 0.01);
    EXPECT_EQ(app.sim.TxtEnd, " 3150");  // 1E8 / 0 is not written
}

TEST(Pressure, UnitsConvertTheShownValueNotTheStoredTorr) {
    AppState app;
    CmbPressure_Click(app, 1);  // atm
    EXPECT_EQ(TxtPressure_Change(app, "1"), "1");
    EXPECT_FLOAT_EQ(app.sim.Pressure, 760.0f);
    CmbPressure_Click(app, 2);  // mbar
    EXPECT_NEAR(Num(app.sim.TxtPressure), 1013.25, 1e-3);
    EXPECT_NEAR(app.sim.Pressure, 760.0f, 1e-3f);
    EXPECT_EQ(app.sim.LblBroadening, "*(P/1013.25)*(300/T)^");
    // A negative pressure is refused and the previous value shown again.
    EXPECT_NEAR(Num(TxtPressure_Change(app, "-5")), 1013.25, 1e-3);
    EXPECT_NEAR(app.sim.Pressure, 760.0f, 1e-3f);
    EXPECT_EQ(TxtPressure_Change(app, ""), "");
    CmbPressure_Click(app, 4);  // Pa
    EXPECT_NEAR(Num(app.sim.TxtPressure), 760.0 * 133.32, 1.0);
}

TEST(ConditionInputs, NumericBoxesRefuseValuesOutsideTheirRange) {
    AppState app;
    app.pop.Temperature = 300;
    EXPECT_EQ(TxtTemperature_Change(app, "-1"), " 300");
    EXPECT_FLOAT_EQ(app.pop.Temperature, 300.0f);
    EXPECT_EQ(TxtTemperature_Change(app, "abc"), " 300");
    EXPECT_EQ(TxtTemperature_Change(app, ""), "");
    EXPECT_EQ(TxtTemperature_Change(app, "1500"), "1500");
    EXPECT_FLOAT_EQ(app.pop.Temperature, 1500.0f);

    EXPECT_EQ(TxtDopplerShift_Change(app, "350000"), " 0");
    EXPECT_EQ(TxtDopplerShift_Change(app, "-299000"), "-299000");
    EXPECT_FLOAT_EQ(app.sim.DopplerShift, -299000.0f);

    EXPECT_EQ(TxtEndWindow_Change(app, "20000"), "20000");
    EXPECT_EQ(TxtEndWindow_Change(app, "20000.01"), " 20000");
    EXPECT_FLOAT_EQ(app.sim.WindowEnd, 20000.0f);
    EXPECT_EQ(TxtStartWindow_Change(app, "-1"), " 0");

    EXPECT_EQ(TxtLorentzian_Change(app, "101"), " 0");
}

TEST(ConditionInputs, ResolutionOfZeroStaysOnScreenButUsesOne) {
    AppState app;
    app.sim.DopplerBroadening = 0;
    EXPECT_EQ(TxtResolution_Change(app, "0.5"), "0.5");
    EXPECT_FLOAT_EQ(app.sim.TotalWidth, 0.5f);
    EXPECT_EQ(TxtResolution_Change(app, "0"), "0");
    EXPECT_FLOAT_EQ(app.sim.InstrumentalResolution, 1.0f);
    EXPECT_FLOAT_EQ(app.sim.TotalWidth, 1.0f);
    EXPECT_EQ(TxtResolution_Change(app, "-2"), " 1");
    EXPECT_FLOAT_EQ(app.sim.InstrumentalResolution, 1.0f);
}

TEST(ConditionInputs, EnterIsSwallowedAndControlsAreOfferedByChoice) {
    EXPECT_EQ(NumericBox_KeyPress(13), 0);
    EXPECT_EQ(NumericBox_KeyPress('5'), '5');

    AppState app;
    app.sim.LorentzPercent = 40;
    CmbLineshape_Click(app, 3);
    EXPECT_TRUE(app.sim.TxtLorentzianEnabled);
    CmbLineshape_Click(app, 1);
    EXPECT_FALSE(app.sim.TxtLorentzianEnabled);
    EXPECT_FLOAT_EQ(app.sim.LorentzPercent, 40.0f);

    CmbKind_Click(app, 3);
    EXPECT_TRUE(app.sim.LIFControlsEnabled);
    EXPECT_TRUE(app.sim.YieldControlsEnabled);
    EXPECT_EQ(app.pop.PopState, ElectronicState::Lower);
    CmbKind_Click(app, 2);
    EXPECT_FALSE(app.sim.LIFControlsEnabled);
    EXPECT_FALSE(app.sim.YieldControlsEnabled);
    CmbKind_Click(app, 1);
    EXPECT_EQ(app.pop.PopState, ElectronicState::Upper);
    EXPECT_TRUE(app.sim.YieldControlsEnabled);
}

}  // namespace
}  // namespace velmora::simulation
