// Laser-induced fluorescence as experimenters model it, on NO A-X of the shipped database and on
// synthetic lines: the saturated two-level limit, the rate equations, the overlap of the laser
// with each absorption line and the detection filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "database/gas_composition.h"
#include "program/main_window.h"
#include "shipped_system.h"
#include "simulation/detection_filter.h"
#include "simulation/rate_equations.h"
#include "simulation/thermometry.h"
#include "support/temp_dir.h"

namespace velmora::simulation {
namespace {

using testing::ShippedSystem;

/// The model line of band (0, 0) in branch b at lower row N.
const ModelLine& LineOf(const BandSystemModel& m, int b, int N) {
    for (const ModelLine& line : m.Band(0, 0).lines)
        if (line.b == b && line.N == N) return line;
    throw std::runtime_error("no line in branch " + std::to_string(b) + " at row " + std::to_string(N));
}

/// The weight BuildLineList gives a line, found in a window of 0.002 cm-1 around it.
double WeightOf(const BandSystemModel& m, const SimulationConditions& c, const populations::Populations& pop,
                const ModelLine& line) {
    const LineList list = BuildLineList(m, c, pop, 0.0, line.nu - 0.001, line.nu + 0.001);
    double w = 0.0;
    for (const DrawnLine& d : list.levels[0]) w += d.weight;
    return w;
}

TEST(SaturatedLif, UpperLevelHoldsItsDegeneracyShareOfTheLowerPopulation) {
    // NO A-X R2(1.5) and O12(1.5) start from lower levels F2, J'' = 1.5 (row 2, the two Λ-doublet
    // components) and reach J' = 2.5 and 0.5: two-level saturation leaves 6/(6 + 4) = 0.60 and
    // 2/(2 + 4) = 0.33 of the lower population in the upper level.
    ShippedSystem no("NO", "(A-X)");
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    SimulationConditions c;
    c.kind = SpectrumKind::LifExcitation;
    c.unit = AxisUnit::Wavenumber;
    c.lifRegime = LifRegime::Saturated;
    const ModelLine& r2 = LineOf(*no.model, 6, 2);
    const ModelLine& o12 = LineOf(*no.model, 7, 2);
    const BranchTable& t = no.model->Branches(ElectronicState::Lower);
    const double lowerR2 = pop.rotational(0, t.lower[6], 2), lowerO12 = pop.rotational(0, t.lower[7], 2);
    ASSERT_GT(lowerR2 * lowerO12, 0.0);
    EXPECT_NEAR(WeightOf(*no.model, c, pop, r2) / lowerR2, 0.6, 1e-6);
    EXPECT_NEAR(WeightOf(*no.model, c, pop, o12) / lowerO12, 1.0 / 3.0, 1e-6);
}

TEST(GasCompositionQuenching, YieldsAndTheLifetimeTableFollowTheGas) {
    // NO A in air at 1 atm: Q = 8.2668e8 s-1 at 300 K and 3.6034e8 s-1 at 2000 K (the worked
    // mixture values of the quenching data), so a level of radiative lifetime τ_R and lifetime
    // τ_eff without collisions keeps the yield 1 / ((Q + 1/τ_eff) τ_R).
    ShippedSystem no("NO", "(A-X)");
    AppState& app = no.app;
    testing::Type(app, "pressure", "760");
    app.sim.conditions.composition = database::ParseComposition("N2=0.79,O2=0.21");
    for (const auto& [T, Q] : {std::pair{300.0, 8.2668e8}, std::pair{2000.0, 3.6034e8}}) {
        testing::Type(app, "temperature", Str(static_cast<float>(T)));
        testing::Choose(app, "quenching-source", StoredValue(QuenchingSource::GasComposition));
        const DatabaseState& db = app.db;
        const int C = db.UpperComponents;
        const double tauR = db.LevelLifetime(0, 1, 5), tauEff = db.LevelEffLifetime(0, 1, 5);
        const double expected = 1.0 / ((Q * 1e-9 + 1.0 / (tauEff > 0.0 ? tauEff : tauR)) * tauR);
        EXPECT_NEAR(db.LevelYield(0, 1, 5), expected, 2e-4 * expected) << T;
        EXPECT_NEAR(db.UpperLevelData(0, 2 * C + 1, 5), expected, 2e-4 * expected) << T;
        // The typed simulation reads the same yield from the conditions.
        const Array3<float> yields = LevelYields(*program::CurrentModel(app.sim, app.db), app.sim.conditions);
        EXPECT_NEAR(yields(0, 1, 5), expected, 2e-4 * expected) << T;
        EXPECT_NE(app.sim.captions.LblQuenching.find("Q = "), std::string::npos);
    }
    // A partner without a model is named in the caption.
    program::GrdComposition_Change(app, 1, 0, "C8H18");
    EXPECT_NE(app.sim.captions.LblQuenching.find("C8H18"), std::string::npos) << app.sim.captions.LblQuenching;
}

/// The line drawn for a model line (in a window of 0.002 cm-1 around it).
DrawnLine DrawnOf(const BandSystemModel& m, const SimulationConditions& c, const populations::Populations& pop,
                  const ModelLine& line) {
    const LineList list = BuildLineList(m, c, pop, 0.0, line.nu - 0.001, line.nu + 0.001);
    if (list.levels[0].size() != 1) throw std::runtime_error("not one line in the window");
    return list.levels[0][0];
}

/// LIF excitation of NO A-X (0,0) on a cm-1 axis: Doppler broadening, a Voigt laser.
SimulationConditions LaserScan(double start, double end) {
    SimulationConditions c;
    c.kind = SpectrumKind::LifExcitation;
    c.unit = AxisUnit::Wavenumber;
    c.start = start;
    c.end = end;
    c.dopplerBroadening = true;
    c.predissociationBroadening = false;
    c.laserGaussWidth = 0.05;
    c.laserLorentzWidth = 0.02;
    return c;
}

TEST(RateEquations, LinearAtLowIrradianceAndTheDegeneracyShareAtHigh) {
    ShippedSystem no("NO", "(A-X)");
    const BandSystemModel& m = *no.model;
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    // R2(1.5): J'' = 1.5 -> J' = 2.5; Q1(8.5) at row 8: J'' = J' = 8.5. Different lower levels.
    const ModelLine& r2 = LineOf(m, 6, 2);
    const ModelLine& q1 = LineOf(m, 3, 8);
    const BranchTable& t = m.Branches(ElectronicState::Lower);
    SimulationConditions c = LaserScan(r2.nu - 1.0, r2.nu + 1.0);
    const double p0 = LaserPeak(c);  // any common profile peak (axis units^-1)

    c.lifRegime = LifRegime::Linear;
    const double linear = DrawnOf(m, c, pop, r2).weight / DrawnOf(m, c, pop, q1).weight;
    c.lifRegime = LifRegime::RateEquations;
    auto peak = [&](const ModelLine& line, double energy) {
        c.pulseEnergy = energy;
        const DrawnLine d = DrawnOf(m, c, pop, line);
        const double sp = d.saturation * p0;
        return d.weight * sp / (1.0 + sp);
    };
    // W << Γ: the ratio of the linear regime.
    EXPECT_NEAR(peak(r2, 1e-9) / peak(q1, 1e-9) / linear, 1.0, 1e-5);
    // W >> Γ: N_u = g_u / (g_u + g_l) N_l, detected as N_u A with A = 1 / τ_R.
    auto saturated = [&](const ModelLine& line, int nUp, double gUp, double gLow) {
        const int cu = t.upper[static_cast<std::size_t>(line.b)], cl = t.lower[static_cast<std::size_t>(line.b)];
        return pop.rotational(0, cl, line.N) * gUp / (gUp + gLow) / m.lifetime(0, cu, nUp);
    };
    const double limit = saturated(r2, 3, 6, 4) / saturated(q1, 8, 18, 18);
    EXPECT_NEAR(peak(r2, 1e9) / peak(q1, 1e9) / limit, 1.0, 1e-4);
    EXPECT_NEAR(peak(r2, 1e9) / saturated(r2, 3, 6, 4), 1.0, 1e-4);
    // In between the ratio moves monotonically from one limit to the other.
    double previous = linear;
    const double direction = limit > linear ? 1.0 : -1.0;
    for (double energy = 1e-6; energy <= 1e6; energy *= 10.0) {
        const double ratio = peak(r2, energy) / peak(q1, energy);
        EXPECT_GE(direction * (ratio - previous), -1e-9 * linear) << energy;
        previous = ratio;
    }
}

TEST(RateEquations, SpectraOfWeakLaserMatchTheLinearRegimeAndSaturationBroadensLines) {
    ShippedSystem no("NO", "(A-X)");
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    const ModelLine& r2 = LineOf(*no.model, 6, 2);
    SimulationConditions c = LaserScan(r2.nu - 3.0, r2.nu + 3.0);
    const Spectrum linear = Simulate(*no.model, c, pop);
    c.lifRegime = LifRegime::RateEquations;
    c.pulseEnergy = 1e-9;
    const Spectrum weak = Simulate(*no.model, c, pop);
    ASSERT_EQ(weak.grid.last, linear.grid.last);
    // Equal to 1e-3 of the peak: the linear windows cut the wings where they reach about that.
    for (int i = 0; i <= linear.grid.last; ++i) EXPECT_NEAR(weak.total(i), linear.total(i), 0.1) << i;
    // Strongly saturated: the points above half the peak grow in number (power broadening).
    c.pulseEnergy = 100.0;
    const Spectrum strong = Simulate(*no.model, c, pop);
    auto aboveHalf = [](const Spectrum& s) {
        int n = 0;
        for (int i = 0; i <= s.grid.last; ++i) n += s.total(i) > 50.0f;
        return n;
    };
    EXPECT_GT(aboveHalf(strong), 2 * aboveHalf(linear));
}

TEST(LaserOverlap, NarrowLaserGivesTheLineWideLaserTheLaserAndAreasMultiply) {
    SimulationConditions c = LaserScan(44000.0, 44010.0);
    c.dopplerBroadening = true;
    c.temperature = 300.0;
    const double mass = 29.998;  // NO, u
    // Doppler FWHM = ν sqrt(8 k T ln 2 / (m c²)) at the range centre.
    const double nu = 44005.0, k = 1.380649e-23, u = 1.66053907e-27, cLight = 2.99792458e8;
    const double doppler = nu * std::sqrt(8.0 * k * 300.0 * std::log(2.0) / (mass * u * cLight * cLight));
    c.laserGaussWidth = 1e-6;
    c.laserLorentzWidth = 0.0;
    EXPECT_NEAR(ComputeBroadening(c, mass).totalWidth, doppler, 2e-3 * doppler);
    c.laserGaussWidth = 1000.0 * doppler;
    EXPECT_NEAR(ComputeBroadening(c, mass).totalWidth, c.laserGaussWidth, 1e-5 * c.laserGaussWidth);
    // A Lorentzian laser of the Doppler width: the Voigt FWHM of the two.
    c.laserGaussWidth = 0.0;
    c.laserLorentzWidth = doppler;
    const double voigt = 0.5346 * doppler + std::sqrt(0.2166 * doppler * doppler + doppler * doppler);
    EXPECT_NEAR(ComputeBroadening(c, mass).totalWidth, voigt, 0.02 * voigt);

    // Area of a drawn line = its area (line strength × populations) × the laser's area (1).
    ShippedSystem no("NO", "(A-X)");
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    const ModelLine& r2 = LineOf(*no.model, 6, 2);
    c = LaserScan(r2.nu - 20.0, r2.nu + 20.0);
    c.laserGaussWidth = 0.08;
    c.laserLorentzWidth = 0.0;  // a Gaussian profile: its 3-FWHM cut-off keeps all but 1e-7 of the area
    const Spectrum s = Simulate(*no.model, c, pop);
    const LineList lines = BuildLineList(*no.model, c, pop, 0.0, c.start, c.end);
    double area = 0.0, weights = 0.0;
    for (int i = 0; i <= s.grid.last; ++i) area += s.total(i) * s.peak / 100.0 * s.grid.Step();
    for (const DrawnLine& d : lines.levels[0]) weights += d.weight * pop.weights[0];
    EXPECT_NEAR(area / weights, 1.0, 0.003);
}

TEST(DetectionFilter, FullTransmissionIsTheFullWindowNoneGivesNothing) {
    ShippedSystem no("NO", "(A-X)");
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    SimulationConditions c;
    c.kind = SpectrumKind::LifExcitation;
    c.start = 2255.0;
    c.end = 2265.0;
    c.resolution = 0.02;
    const Spectrum full = Simulate(*no.model, c, pop);
    c.detectionFilter = {{1000.0, 1.0}, {9000.0, 1.0}};
    const Spectrum clear = Simulate(*no.model, c, pop);
    EXPECT_FLOAT_EQ(clear.peak, full.peak);
    c.detectionFilter = {{1000.0, 0.5}, {9000.0, 0.5}};
    EXPECT_NEAR(Simulate(*no.model, c, pop).peak, 0.5 * full.peak, 1e-6 * full.peak);
    c.detectionFilter = {{1000.0, 0.0}, {9000.0, 0.0}};
    EXPECT_EQ(Simulate(*no.model, c, pop).peak, 0.0f);
    // A long-pass edge at 2400 Å passes the v'' >= 2 bands of v' = 0 (γ(0,2) lies at 2470 Å)
    // and stops (0,0) and (0,1): the detected fraction of a level is Σ A T / Σ A.
    c.detectionFilter = {{2399.0, 0.0}, {2401.0, 1.0}};
    const Array3<float> f = FilterFactors(*no.model, c);
    double passed = 0.0, all = 0.0;
    for (int vLow = 0; vLow <= no.model->vLowMax; ++vLow) {
        const ModelBand& band = no.model->Band(0, vLow);
        all += band.emission;
        if (band.origin > 0.0 && 1e8 / band.origin > 2400.0) passed += band.emission;
    }
    EXPECT_NEAR(f(0, 1, 5), passed / all, 0.01);
}

TEST(DetectionFilter, FileInNanometresAndItsFaults) {
    velmora::testing::TempDir dir;
    const auto good = dir.Write("filter.csv", "Wavelength (nm), T\n# measured\n310, 0.2\n300;0.5\n320\t0.1\n");
    const TransmissionCurve curve = ReadDetectionFilter(good.string());
    ASSERT_EQ(curve.size(), 3u);
    EXPECT_DOUBLE_EQ(curve.front().first, 3000.0);
    EXPECT_DOUBLE_EQ(Transmission(curve, 3050.0), 0.35);
    EXPECT_DOUBLE_EQ(Transmission(curve, 2000.0), 0.5);
    for (const auto& [text, message] :
         {std::pair{"300, 1.5\n310, 1\n", "line 1: the transmission must lie within 0..1"},
          std::pair{"300, 1\n", "at least two points"},
          std::pair{"300, 1\n310\n", "line 2: a wavelength without transmission"}}) {
        const auto bad = dir.Write("bad.txt", text);
        try {
            ReadDetectionFilter(bad.string());
            ADD_FAILURE() << text;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("bad.txt"), std::string::npos);
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

TEST(Thermometry, PairSensitivityMatchesFiniteDifferencesOfTheSignals) {
    ShippedSystem no("NO", "(A-X)");
    SimulationConditions c;
    c.kind = SpectrumKind::LifExcitation;
    c.start = 2259.0;
    c.end = 2263.0;
    c.pressure = 760.0;
    c.quenching = QuenchingSource::GasComposition;  // yields that change with T as well
    no.app.pop.ThermalFlag = 1;
    const PopulationsAt at = [&no](double T) { return no.Thermal(SpectrumKind::LifExcitation, static_cast<float>(T)); };
    const ThermometryScan scan = ScanThermometry(*no.model, c, at, 300.0, 2000.0, 3, 6, 3);
    ASSERT_EQ(scan.pairs.size(), 3u);
    EXPECT_GE(scan.pairs[0].score, scan.pairs[2].score);
    for (const ThermometryPair& pair : scan.pairs)
        for (std::size_t k = 0; k < scan.temperatures.size(); ++k) {
            // (ΔR/R)/(ΔT/T) from the signals at T ± 2 K, read by position.
            const double T = scan.temperatures[k], dT = 2.0;
            auto ratioAt = [&](double t) {
                double a = 0.0, b = 0.0;
                for (const ThermometryLine& line : LineSignalsAt(*no.model, c, at, t)) {
                    if (line.x == scan.lines[pair.a].x) a = line.signal[0];
                    if (line.x == scan.lines[pair.b].x) b = line.signal[0];
                }
                return a / b;
            };
            const double R = ratioAt(T), finite = (ratioAt(T + dT) - ratioAt(T - dT)) / R / (2.0 * dT / T);
            EXPECT_NEAR(pair.ratio[k], R, 1e-9 * R);
            EXPECT_NEAR(pair.sensitivity[k], finite, 2e-3 * std::fabs(finite) + 1e-6) << T;
        }
}

}  // namespace
}  // namespace velmora::simulation
