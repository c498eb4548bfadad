#include "simulation/lineshapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/number_format.h"
#include "simulation/condition_view.h"
#include "support/condition_controls.h"

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

/// One line of strength `strength` at x0 drawn with the widths of the conditions.
Drawn DrawOneLine(const SimulationConditions& c, double x0, double strength, Broadening& widths, double tauNs = 0.0) {
    widths = ComputeBroadening(c, 0.0);
    Drawn d;
    SpectralGrid grid;
    grid.start = d.xini;
    grid.pointsPerWidth = 7;
    grid.gridWidth = static_cast<float>(d.step * 7);
    grid.last = 4000;
    const ProfileGrid profile = MakeProfileGrid(grid, widths, c.predissociationBroadening, c.unit);
    d.step = profile.step;
    d.y.assign(4001, 0.0f);
    const LineShape shape = MakeLineShape(profile, x0, tauNs);
    AccumulateProfile(profile, shape, x0, strength, d.y.data());
    return d;
}

/// Conditions with an instrument function and no Doppler or predissociation broadening.
SimulationConditions Instrumental(Lineshape lineshape, double resolution, double lorentzPercent = 0) {
    SimulationConditions c;
    c.lineshape = lineshape;
    c.resolution = resolution;
    c.lorentzPercent = lorentzPercent;
    c.dopplerBroadening = false;
    c.predissociationBroadening = false;
    return c;
}

TEST(LineProfile, GaussianLineIntegratesToItsStrengthWithTheStatedWidth) {
    Broadening b;
    const Drawn d = DrawOneLine(Instrumental(Lineshape::Gaussian, 0.25), 3020.003, 7.0, b);
    EXPECT_EQ(b.profile, Lineshape::Gaussian);
    // Cut at 3 FWHM the Gaussian keeps erf(6 sqrt(ln 2)) = 1 - 1e-11 of its area.
    EXPECT_NEAR(d.Area(), 7.0, 7.0 * 1e-5);
    EXPECT_NEAR(d.Fwhm(), 0.25, 0.25 * 2e-3);
}

TEST(LineProfile, LorentzianLineIntegratesToItsStrengthWithinItsCutOff) {
    Broadening b;
    const Drawn d = DrawOneLine(Instrumental(Lineshape::Lorentzian, 0.2), 3020.0, 3.0, b);
    EXPECT_EQ(b.profile, Lineshape::Lorentzian);
    // Cut at 20 FWHM on each side: area (2/pi) atan(2 x 20) of the strength.
    EXPECT_NEAR(d.Area(), 3.0 * 2.0 / kPi * std::atan(40.0), 3.0 * 1e-4);
    EXPECT_NEAR(d.Fwhm(), 0.2, 0.2 * 2e-3);
}

TEST(LineProfile, VoigtIsDrawnWithItsExactWidth) {
    // Half the instrumental width Lorentzian: fL = 0.2, fG = 0.2.
    SimulationConditions c = Instrumental(Lineshape::Voigt, 0.4, 50.0);
    const double fL = 0.2, fG = 0.2;
    const double fV = fL / 2 + std::sqrt(fL * fL / 4 + fG * fG);  // 0.32361
    Broadening b;
    const Drawn d = DrawOneLine(c, 3020.0, 1.0, b);
    EXPECT_EQ(b.profile, Lineshape::Voigt);
    EXPECT_NEAR(b.totalWidth, fV, 1e-6);
    EXPECT_NEAR(b.lorentzFraction, fL / fV, 1e-6);
    // The drawn line has the exact Voigt FWHM (Olivero and Longbothum 1977, 0.02 %), which the
    // width of the grid and cut-off approximates within 1.3 %.
    const double exact = 0.5346 * fL + std::sqrt(0.2166 * fL * fL + fG * fG);
    EXPECT_NEAR(d.Fwhm(), exact, exact * 2e-3);
    EXPECT_NEAR(b.totalWidth, exact, 0.013 * exact);

    // All-Lorentzian and all-Gaussian instrument functions.
    c.lorentzPercent = 100;
    b = ComputeBroadening(c, 0.0);
    EXPECT_FLOAT_EQ(b.lorentzWidth, 0.4f);
    EXPECT_EQ(b.gaussWidthSq, 0.0f);
    c.lorentzPercent = 0;
    b = ComputeBroadening(c, 0.0);
    EXPECT_EQ(b.lorentzWidth, 0.0f);
    EXPECT_FLOAT_EQ(b.totalWidth, 0.4f);
}

TEST(LineProfile, ProfileKindComparesTheSquaredGaussianWithTheLorentzianWidth) {
    SimulationState sim;
    SimulationConditions& c = sim.conditions;
    c = Instrumental(Lineshape::Gaussian, 0.1);
    c.collisionalBroadening = true;
    c.temperature = 300;
    c.unit = AxisUnit::Wavenumber;
    c.start = 32000;
    c.end = 33000;
    // Collisional FWHM 0.5 cm-1: 760 Torr x 0.5 cm-1/atm at 300 K.
    c.pressure = 760;
    c.collisionalBroad1 = 0.5;
    UpdateConditionView(sim, 0.0);
    EXPECT_FLOAT_EQ(sim.widths.collisionalWidth, 0.5f);
    EXPECT_EQ(sim.widths.profile, Lineshape::Voigt);  // 99 x 0.01 > 0.5 and 99 x 0.5 > 0.01
    EXPECT_EQ(sim.captions.LblCollision, " = 0.5");
}

TEST(Widths, DopplerWidthOfOHAt300KNear3100Angstrom) {
    AppState app;
    app.sim.conditions = Instrumental(Lineshape::Gaussian, 0.001);
    app.db.cat.MolecularMass.Resize(1, 1);
    app.db.cat.MolecularMass(1) = 17.007f;
    app.db.systemEntry = 1;
    app.sim.conditions.temperature = 300;
    app.sim.conditions.start = 3050;
    app.sim.conditions.end = 3150;
    UpdateConditionView(app.sim, 17.007f);
    // FWHM = lambda sqrt(8 kT ln 2 / (m c^2)) in SI units.
    const double k = 1.380649e-23, amu = 1.66053907e-27, c = 2.99792458e8;
    const double expected = 3100.0 * std::sqrt(8.0 * k * 300.0 * std::log(2.0) / (17.007 * amu * c * c));
    EXPECT_NEAR(app.sim.widths.dopplerWidth, expected, expected * 1e-3);  // 0.00932 Å
    EXPECT_EQ(app.sim.captions.ChkDoppler.rfind("Doppler broadening = 0.0093", 0), 0u);
    // Only with the box ticked does it enter the profile.
    EXPECT_FLOAT_EQ(app.sim.widths.totalWidth, 0.001f);
    testing::Choose(app, "doppler", 1);
    EXPECT_NEAR(app.sim.widths.totalWidth, std::hypot(0.001, expected), 1e-5);
    EXPECT_EQ(app.sim.captions.FrmBroadening, "Total resolution (instrumental + broadening) = 0.0094 Å (Vacuum)");
}

TEST(Widths, PredissociationWidensOnlyShortLivedLevels) {
    SimulationConditions c = Instrumental(Lineshape::Gaussian, 0.2);
    c.predissociationBroadening = true;
    c.unit = AxisUnit::Wavenumber;
    c.start = 32000;
    c.end = 33000;
    const Broadening b = ComputeBroadening(c, 0.0);
    SpectralGrid points;
    points.start = 32000;
    points.gridWidth = b.totalWidth;
    points.last = 100000;
    const ProfileGrid grid = MakeProfileGrid(points, b, true, c.unit);

    // 700 ns: lifetime width 7.6E-6 cm-1, nothing changes.
    const LineShape longLived = MakeLineShape(grid, 32500, 700);
    EXPECT_NEAR(longLived.f, 0.2, 0.2 * 0.02);
    EXPECT_EQ(longLived.kind, Lineshape::Gaussian);
    EXPECT_NEAR(longLived.halfWindow, 3.0, 1e-3);

    // 1 ps: Gamma = 1 / (2 pi c tau) = 5.31 cm-1, far wider than the instrument.
    const LineShape predissociated = MakeLineShape(grid, 32500, 0.001);
    const double gamma = 1.0 / (2 * kPi * 2.99792458e10 * 1e-12);
    EXPECT_NEAR(predissociated.f, gamma / 2 + std::sqrt(gamma * gamma / 4 + 0.04), 1e-3);
    EXPECT_EQ(predissociated.kind, Lineshape::Voigt);
    EXPECT_GT(predissociated.halfWindow, 20.0 * 5.0 / 0.2);
    EXPECT_GT(predissociated.last - predissociated.first, longLived.last - longLived.first);
}

TEST(Shifts, DopplerAndCollisionalShiftDirections) {
    AppState app;
    app.sim.conditions = Instrumental(Lineshape::Gaussian, 0.1);
    app.sim.conditions.unit = AxisUnit::Wavenumber;
    app.sim.conditions.start = 31500;
    app.sim.conditions.end = 32500;
    app.sim.conditions.dopplerShift = true;
    EXPECT_EQ(testing::Type(app, "doppler-velocity", "10"), "10");
    EXPECT_NEAR(app.sim.widths.lineShift, 10.0 / 299800.0 * 32000.0, 1e-5);  // +1.0674 cm-1
    EXPECT_EQ(app.sim.captions.FrameShift, "Wavelength/Frequency shift = 1.0674 cm-1");

    // The same velocity in vacuum Å moves lines to the blue: dlambda / lambda = -v / c at the centre.
    testing::Choose(app, "units", 1);
    const double centre = (app.sim.conditions.start + app.sim.conditions.end) / 2.0;
    EXPECT_NEAR(app.sim.widths.lineShift, -10.0 / 299800.0 * centre, 1e-5);

    // Collisional shift of A = 0.1 cm-1/atm at 1 atm: to the red in both units.
    app.sim.conditions.dopplerShift = false;
    app.sim.conditions.collisionalShift = true;
    app.sim.conditions.pressure = 760;
    EXPECT_EQ(testing::Type(app, "shift-a", "0.1"), "0.1");
    EXPECT_GT(app.sim.widths.lineShift, 0.0f);
    testing::Choose(app, "units", 3);
    EXPECT_NEAR(app.sim.widths.lineShift, -0.1, 1e-6);
    // A temperature of 0 leaves the collisional shift at 0.
    app.sim.conditions.temperature = 0;
    EXPECT_EQ(ComputeBroadening(app.sim.conditions, 0.0).lineShift, 0.0f);
}

}  // namespace
}  // namespace velmora::simulation
