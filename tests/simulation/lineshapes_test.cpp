#include "simulation/lineshapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/number_format.h"
#include "simulation/condition_inputs.h"
#include "simulation/units.h"

namespace velmora::simulation {
namespace {

constexpr double kPi = 3.14159265358979;

/// A grid of 4001 points over 3000..3040 (step 0.01) and a state whose widths follow `setup`.
struct Drawn {
    std::vector<float> y;
    double step = 0.01, xini = 3000.0;
    double Area() const {
        double a = 0;
        for (float v : y) a += v;
        return a * step;
    }
    /// Full width at half maximum, from the half-maximum crossings interpolated linearly.
    double Fwhm() const {
        std::size_t peak = 0;
        for (std::size_t i = 0; i < y.size(); ++i)
            if (y[i] > y[peak]) peak = i;
        const double half = y[peak] / 2.0;
        std::size_t l = peak, r = peak;
        while (l > 0 && y[l] > half) --l;
        while (r + 1 < y.size() && y[r] > half) ++r;
        const double xl = l + (half - y[l]) / (y[l + 1] - y[l]);
        const double xr = r - 1 + (y[r - 1] - half) / (y[r - 1] - y[r]);
        return (xr - xl) * step;
    }
};

Drawn DrawOneLine(AppState& app, double x0, double strength, double tauNs = 0.0) {
    SimulationState& sim = app.sim;
    ComputeWidths(app);
    Drawn d;
    sim.Xini = static_cast<float>(d.xini);
    sim.PointsPerWidth = 7;
    sim.GridWidth = static_cast<float>(d.step * 7);
    sim.NPoints = 4000;
    const ProfileGrid grid = MakeProfileGrid(sim, app.db.cat);
    d.step = grid.step;
    d.y.assign(4001, 0.0f);
    const LineShape shape = MakeLineShape(grid, x0, tauNs);
    AccumulateProfile(grid, shape, x0, strength, d.y.data());
    return d;
}

AppState Instrumental(int lineshape, float resolution, float lorentzPercent = 0) {
    AppState app;
    app.sim.Lineshape = lineshape;
    app.sim.InstrumentalResolution = resolution;
    app.sim.LorentzPercent = lorentzPercent;
    app.sim.DopplerBroadening = 0;
    app.sim.PredissociationBroadening = 0;
    return app;
}

TEST(LineProfile, GaussianLineIntegratesToItsStrengthWithTheStatedWidth) {
    AppState app = Instrumental(1, 0.25f);
    const Drawn d = DrawOneLine(app, 3020.003, 7.0);
    EXPECT_EQ(app.sim.ProfileKind, 1);
    // Cut at 3 FWHM the Gaussian keeps erf(6 sqrt(ln 2)) = 1 - 1e-11 of its area.
    EXPECT_NEAR(d.Area(), 7.0, 7.0 * 1e-5);
    EXPECT_NEAR(d.Fwhm(), 0.25, 0.25 * 2e-3);
}

TEST(LineProfile, LorentzianLineIntegratesToItsStrengthWithinItsCutOff) {
    AppState app = Instrumental(2, 0.2f);
    const Drawn d = DrawOneLine(app, 3020.0, 3.0);
    EXPECT_EQ(app.sim.ProfileKind, 2);
    // Cut at 20 FWHM on each side: area (2/pi) atan(2 x 20) of the strength.
    EXPECT_NEAR(d.Area(), 3.0 * 2.0 / kPi * std::atan(40.0), 3.0 * 1e-4);
    EXPECT_NEAR(d.Fwhm(), 0.2, 0.2 * 2e-3);
}

TEST(LineProfile, VoigtIsDrawnWithItsExactWidth) {
    // Half the instrumental width Lorentzian: fL = 0.2, fG = 0.2.
    AppState app = Instrumental(3, 0.4f, 50.0f);
    const double fL = 0.2, fG = 0.2;
    const double fV = fL / 2 + std::sqrt(fL * fL / 4 + fG * fG);  // 0.32361
    const Drawn d = DrawOneLine(app, 3020.0, 1.0);
    EXPECT_EQ(app.sim.ProfileKind, 3);
    EXPECT_NEAR(app.sim.TotalWidth, fV, 1e-6);
    EXPECT_NEAR(app.sim.LorentzFraction, fL / fV, 1e-6);
    // The drawn line has the exact Voigt FWHM (Olivero and Longbothum 1977, 0.02 %), which the
    // width of the grid and cut-off approximates within 1.3 %.
    const double exact = 0.5346 * fL + std::sqrt(0.2166 * fL * fL + fG * fG);
    EXPECT_NEAR(d.Fwhm(), exact, exact * 2e-3);
    EXPECT_NEAR(app.sim.TotalWidth, exact, 0.013 * exact);

    // All-Lorentzian and all-Gaussian instrument functions.
    app.sim.LorentzPercent = 100;
    ComputeWidths(app);
    EXPECT_FLOAT_EQ(app.sim.LorentzWidth, 0.4f);
    EXPECT_EQ(app.sim.GaussWidthSq, 0.0f);
    app.sim.LorentzPercent = 0;
    ComputeWidths(app);
    EXPECT_EQ(app.sim.LorentzWidth, 0.0f);
    EXPECT_FLOAT_EQ(app.sim.TotalWidth, 0.4f);
}

TEST(LineProfile, ProfileKindComparesTheSquaredGaussianWithTheLorentzianWidth) {
    AppState app = Instrumental(1, 0.1f);
    app.sim.CollisionalBroadening = 1;
    app.pop.Temperature = 300;
    app.sim.Units = 3;
    app.sim.TxtStart = " 32000";
    app.sim.TxtEnd = " 33000";
    // Collisional FWHM 0.5 cm-1: 760 Torr x 0.5 cm-1/atm at 300 K.
    app.sim.Pressure = 760;
    app.sim.CollisionalBroad1 = 0.5f;
    ComputeWidths(app);
    EXPECT_FLOAT_EQ(app.sim.CollWidth, 0.5f);
    EXPECT_EQ(app.sim.ProfileKind, 3);  // 99 x 0.01 > 0.5 and 99 x 0.5 > 0.01
    EXPECT_EQ(app.sim.LblCollisionCaption, " = 0.5");
}

TEST(Widths, DopplerWidthOfOHAt300KNear3100Angstrom) {
    AppState app = Instrumental(1, 0.001f);
    app.db.cat.MolecularMass.Resize(1, 1);
    app.db.cat.MolecularMass(1) = 17.007f;
    app.db.irad = 1;
    app.pop.Temperature = 300;
    app.sim.TxtStart = " 3050";
    app.sim.TxtEnd = " 3150";
    ComputeWidths(app);
    // FWHM = lambda sqrt(8 kT ln 2 / (m c^2)) in SI units.
    const double k = 1.380649e-23, amu = 1.66053907e-27, c = 2.99792458e8;
    const double expected = 3100.0 * std::sqrt(8.0 * k * 300.0 * std::log(2.0) / (17.007 * amu * c * c));
    EXPECT_NEAR(app.sim.DopplerWidth, expected, expected * 1e-3);  // 0.00932 Å
    EXPECT_EQ(app.sim.ChkDopplerCaption.rfind("Doppler broadening = 0.0093", 0), 0u);
    // Only with the box ticked does it enter the profile.
    EXPECT_FLOAT_EQ(app.sim.TotalWidth, 0.001f);
    ChkDoppler_Click(app, 1);
    EXPECT_NEAR(app.sim.TotalWidth, std::hypot(0.001, expected), 1e-5);
    EXPECT_EQ(app.sim.FrmBroadeningCaption, "Total resolution (instrumental + broadening) = 0.0094 Å (Vacuum)");
}

TEST(Widths, PredissociationWidensOnlyShortLivedLevels) {
    AppState app = Instrumental(1, 0.2f);
    app.sim.PredissociationBroadening = 1;
    app.sim.Units = 3;
    app.sim.TxtStart = " 32000";
    app.sim.TxtEnd = " 33000";
    ComputeWidths(app);
    app.sim.Xini = 32000;
    app.sim.GridWidth = app.sim.TotalWidth;
    app.sim.NPoints = 100000;
    const ProfileGrid grid = MakeProfileGrid(app.sim, app.db.cat);

    // 700 ns: lifetime width 7.6E-6 cm-1, nothing changes.
    const LineShape longLived = MakeLineShape(grid, 32500, 700);
    EXPECT_NEAR(longLived.f, 0.2, 0.2 * 0.02);
    EXPECT_EQ(longLived.kind, Lineshape::Gaussian);
    EXPECT_NEAR(longLived.halfWindow, 3.0, 1e-3);

    // 1 ps: Gamma = 1 / (2 pi c tau) = 5.31 cm-1, far wider than the instrument.
    const LineShape predissociated = MakeLineShape(grid, 32500, 0.001);
    const double gamma = 1.0 / (2 * kPi * 2.9979e10 * 1e-12);
    EXPECT_NEAR(predissociated.f, gamma / 2 + std::sqrt(gamma * gamma / 4 + 0.04), 1e-3);
    EXPECT_EQ(predissociated.kind, Lineshape::Voigt);
    EXPECT_GT(predissociated.halfWindow, 20.0 * 5.0 / 0.2);
    EXPECT_GT(predissociated.last - predissociated.first, longLived.last - longLived.first);
}

TEST(Shifts, DopplerAndCollisionalShiftDirections) {
    AppState app = Instrumental(1, 0.1f);
    app.pop.Temperature = 300;
    app.sim.Units = 3;
    app.sim.TxtStart = " 31500";
    app.sim.TxtEnd = " 32500";
    app.sim.DopShiftOn = 1;
    EXPECT_EQ(TxtDopplerShift_Change(app, "10"), "10");
    EXPECT_NEAR(app.sim.LineShift, 10.0 / 299800.0 * 32000.0, 1e-5);  // +1.0674 cm-1
    EXPECT_EQ(app.sim.FrameShiftCaption, "Wavelength/Frequency shift = 1.0674 cm-1");

    // The same velocity in vacuum Å moves lines to the blue: dlambda / lambda = -v / c at the centre.
    CmbUnits_Click(app, 1);
    const double centre = (Val(app.sim.TxtStart) + Val(app.sim.TxtEnd)) / 2.0;
    EXPECT_NEAR(app.sim.LineShift, -10.0 / 299800.0 * centre, 1e-5);

    // Collisional shift of A = 0.1 cm-1/atm at 1 atm: to the red in both units.
    app.sim.DopShiftOn = 0;
    app.sim.CollShiftOn = 1;
    app.sim.Pressure = 760;
    EXPECT_EQ(TxTShiftA_Change(app, "0.1"), "0.1");
    EXPECT_GT(app.sim.LineShift, 0.0f);
    CmbUnits_Click(app, 3);
    EXPECT_NEAR(app.sim.LineShift, -0.1, 1e-6);
    // A temperature of 0 leaves the collisional shift at 0.
    app.pop.Temperature = 0;
    ComputeShifts(app);
    EXPECT_EQ(app.sim.LineShift, 0.0f);
}

}  // namespace
}  // namespace velmora::simulation
