// The typed simulation on systems of the shipped database: binned and convolved profiles against
// the line-by-line evaluation, the screen driver against Simulate, the axis units, and two
// threads on one model.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <stdexcept>
#include <thread>

#include "shipped_system.h"
#include "simulation/condition_view.h"
#include "simulation/line_memo.h"

namespace velmora::simulation {
namespace {

using testing::ShippedSystem;

/// Largest difference of two spectra on one grid, in the units of their unscaled totals.
double LargestDifference(const Spectrum& a, const Spectrum& b) {
    double d = 0.0;
    for (int i = 0; i <= a.grid.last; ++i)
        d = std::max(
            d, std::fabs(a.total(i) * static_cast<double>(a.peak) - b.total(i) * static_cast<double>(b.peak)) / 100.0);
    return d;
}

/// Index of the largest point of a spectrum's total.
int PeakIndex(const Spectrum& s) {
    return static_cast<int>(std::max_element(s.total.begin(), s.total.end()) - s.total.begin());
}

TEST(ProfileKernel, TaylorTermsDrawAnOffsetLineWithinTheirRemainderBound) {
    struct Case {
        Lineshape kind;
        double eta, stepPerWidth;
    };
    for (const Case& k : {Case{Lineshape::Gaussian, 0.0, 1.0 / 7}, Case{Lineshape::Gaussian, 0.0, 1.0 / 5},
                          Case{Lineshape::Lorentzian, 1.0, 1.0 / 5}, Case{Lineshape::Voigt, 0.6, 1.0 / 7},
                          Case{Lineshape::Voigt, 0.2, 1.0 / 21}}) {
        LineShape s;
        s.f = 0.8;
        s.eta = k.eta;
        s.kind = k.kind;
        s.gN = 0.93944 / s.f;
        s.lN = 0.63662 / s.f;
        const double step = k.stepPerWidth * s.f;
        const auto kernel = ProfileKernel::Sample(s, step, 60, 1e-4);
        ASSERT_TRUE(kernel.has_value());
        const double bound = ProfileKernel::RemainderBound(s, step, kernel->Terms());
        EXPECT_LE(bound, 1e-4);
        // Against the closed-form profile at the true distance of every point.
        const double peak = ProfileValue(s, 0.0);
        for (double t : {-0.5, -0.23, 0.0, 0.37, 0.5})
            for (int m = -60; m <= 60; ++m)
                EXPECT_NEAR(kernel->At(m, t), ProfileValue(s, (m - t) * step), bound * peak + 1e-6 * peak)
                    << "kind " << StoredValue(k.kind) << " t " << t << " m " << m;
    }
    // A step as wide as the line is beyond any expansion: such lines are drawn one by one.
    LineShape wide;
    wide.kind = Lineshape::Lorentzian;
    wide.eta = 1.0, wide.lN = 0.63662;
    EXPECT_FALSE(ProfileKernel::Sample(wide, 1.0, 5, 1e-4).has_value());
}

TEST(LineDrawer, BinnedLinesMatchLineByLineDrawingDirectlyAndByFft) {
    // Lines spread over a grid of 2000 steps and 5 steps beyond both ends, summed directly and by
    // FFT: either way every point within 1E-3 of the peak. The cost model sums few lines
    // directly and, with the long windows of a Lorentzian share, ten a point by FFT.
    for (Lineshape lineshape : {Lineshape::Gaussian, Lineshape::Lorentzian, Lineshape::Voigt}) {
        for (int count : {30, 20000}) {
            SimulationConditions c;
            c.lineshape = lineshape, c.lorentzPercent = 50, c.resolution = 0.5;
            const Broadening widths = ComputeBroadening(c, 17.0);
            SpectralGrid grid;
            grid.start = 3000.0, grid.gridWidth = widths.totalWidth, grid.pointsPerWidth = 7, grid.last = 2000;
            const ProfileGrid profile = MakeProfileGrid(grid, widths, false, AxisUnit::AngstromVacuum);
            std::mt19937 random(7);
            std::uniform_real_distribution<double> where(grid.X(-5), grid.X(grid.last + 5)), strength(0.1, 1.0);
            std::vector<DrawnLine> lines(static_cast<std::size_t>(count));
            for (DrawnLine& line : lines) line.x = where(random), line.weight = strength(random);

            std::vector<float> exact(static_cast<std::size_t>(grid.last) + 1);
            DrawStats exactStats, chosen;
            LineDrawer(profile, false, ProfileMethod::PerLine).Draw(lines, exact.data(), exactStats);
            std::vector<float> unused = exact;
            LineDrawer(profile, false, ProfileMethod::Convolved).Draw(lines, unused.data(), chosen);
            EXPECT_EQ(chosen.fftLevels, count > 1000 && lineshape != Lineshape::Gaussian ? 1 : 0);
            const float peak = *std::max_element(exact.begin(), exact.end());
            std::vector<float> direct;
            for (ProfileMethod method : {ProfileMethod::ConvolvedDirectly, ProfileMethod::ConvolvedByFft}) {
                std::vector<float> binned(exact.size());
                DrawStats binnedStats;
                LineDrawer(profile, false, method).Draw(lines, binned.data(), binnedStats);
                EXPECT_EQ(binnedStats.fftLevels, method == ProfileMethod::ConvolvedByFft ? 1 : 0);
                EXPECT_EQ(binnedStats.profilePoints, exactStats.profilePoints);
                for (std::size_t i = 0; i < exact.size(); ++i)
                    ASSERT_NEAR(binned[i], exact[i], 1e-3 * peak)
                        << "lineshape " << StoredValue(lineshape) << " point " << i;
                // The direct sums leave out the terms an offset's ring does not need, the FFT keeps
                // every term over the common core: the choice between them moves a point by those
                // terms (about 1E-5 of the peak here) and rounding, far less than the remainder.
                if (direct.empty()) direct = binned;
                for (std::size_t i = 0; i < exact.size(); ++i)
                    ASSERT_NEAR(binned[i], direct[i], 2e-5 * peak)
                        << "lineshape " << StoredValue(lineshape) << " point " << i;
            }
        }
    }
}

TEST(LineDrawer, WholeVectorSumsGiveTheRingsBitsAndTheExactVoigtFromGaussianToLorentzian) {
    // Voigt instruments of Gaussian to Lorentzian width ratios 0.01..100, lines spread over 1500
    // steps and 30 beyond both ends (their windows clipped by the grid), summed directly: over
    // whole vectors the same bits as ring by ring, and every point within the expansion's
    // remainder of the lines' exact profiles summed one by one.
    for (const double ratio : {0.01, 0.1, 0.5, 1.0, 2.0, 10.0, 100.0}) {
        SCOPED_TRACE(::testing::Message() << "fG / fL " << ratio);
        const double fG = 0.3 * ratio / (1.0 + ratio), fL = 0.3 / (1.0 + ratio);
        ProfileGrid g;
        g.totalWidth = VoigtWidth(fL, fG * fG);
        g.lorentzWidth = fL, g.gaussWidthSq = fG * fG, g.lorentzFraction = fL / g.totalWidth;
        g.profileKind = Lineshape::Voigt;
        g.Xini = 3000.0, g.gridWidth = g.totalWidth, g.pointsPerWidth = 7, g.step = g.gridWidth / 7, g.nPoints = 1500;
        std::mt19937 random(11);
        std::uniform_real_distribution<double> where(g.Xini - 30 * g.step, g.Xini + (g.nPoints + 30) * g.step);
        std::uniform_real_distribution<double> strength(0.1, 1.0);
        std::vector<DrawnLine> lines(400);
        for (DrawnLine& line : lines) line.x = where(random), line.weight = strength(random);
        // Some lines on and half a step from grid points, where t is 0 or ±1/2.
        for (int k = 0; k < 6; ++k) lines[static_cast<std::size_t>(k)].x = g.Xini + (100 + 0.5 * k) * g.step;

        std::vector<float> runs(static_cast<std::size_t>(g.nPoints) + 1), rings(runs);
        DrawStats stats;
        LineDrawer direct(g, false, ProfileMethod::ConvolvedDirectly);
        ASSERT_TRUE(direct.Convolves());
        direct.Draw(lines, runs.data(), stats);
        LineDrawer(g, false, ProfileMethod::ConvolvedByRings).Draw(lines, rings.data(), stats);
        EXPECT_EQ(runs, rings);

        // Each line errs by at most the remainder bound of its own peak: summed over the lines
        // whose windows cover a point, evaluated here with the exact Voigt.
        const double peak = VoigtProfile(0.0, fG, fL);
        std::vector<double> sum(runs.size(), 0.0), bound(runs.size(), 0.0);
        for (const DrawnLine& line : lines) {
            const LineShape s = MakeLineShape(g, line.x, 0.0);
            for (int i = s.first; i <= s.last; ++i) {
                sum[static_cast<std::size_t>(i)] += line.weight * VoigtProfile(g.Xini + i * g.step - line.x, fG, fL);
                bound[static_cast<std::size_t>(i)] += line.weight * peak;
            }
        }
        const double tolerance = kBinnedLineTolerance + 1e-6, largest = *std::max_element(sum.begin(), sum.end());
        ASSERT_GT(largest, 0.0);
        for (std::size_t i = 1; i + 1 < runs.size(); ++i)
            ASSERT_NEAR(runs[i], sum[i], tolerance * bound[i] + 1e-6 * largest) << "point " << i;
        EXPECT_EQ(runs.front(), 0.0f);
        EXPECT_EQ(runs.back(), 0.0f);
    }
}

TEST(LineDrawer, SumsKeptFromEarlierDrawersAreThoseOfTheirOwnProfile) {
    // Profiles that differ in one thing at a time (the Lorentzian share at one total width, by
    // little or enough to change the window's cut-off, the kind, the step), more of them than a thread keeps, drawn
    // twice over on this thread: every drawing gives the bits of the same profile drawn on a fresh thread.
    std::vector<ProfileGrid> grids;
    for (int n = 0; n < 80; ++n) {
        ProfileGrid g;
        const double f = 0.3 * (1.0 + 0.01 * (n / 8));
        const double share = std::array{0.0, 0.3, 0.301, 0.6}[n % 4];  // Lorentzian share fL / f
        const double fL = share * f, fG = std::sqrt(std::max(f * (f - fL), 0.0));
        g.totalWidth = f, g.lorentzWidth = fL, g.gaussWidthSq = fG * fG, g.lorentzFraction = share;
        g.profileKind = share == 0.0 ? Lineshape::Gaussian : Lineshape::Voigt;
        g.Xini = 3000.0, g.gridWidth = f, g.pointsPerWidth = n % 8 < 4 ? 7 : 14, g.step = f / g.pointsPerWidth;
        g.nPoints = 600;
        grids.push_back(g);
    }
    std::mt19937 random(5);
    std::uniform_real_distribution<double> where(3000.0, 3000.0 + 600 * 0.3 / 14);
    std::vector<DrawnLine> lines(50);
    for (DrawnLine& line : lines) line.x = where(random), line.weight = 1.0;
    auto draw = [&](const ProfileGrid& g) {
        std::vector<float> out(static_cast<std::size_t>(g.nPoints) + 1);
        DrawStats stats;
        LineDrawer(g, false, ProfileMethod::ConvolvedDirectly).Draw(lines, out.data(), stats);
        return out;
    };
    std::vector<std::vector<float>> alone;
    for (const ProfileGrid& g : grids) std::thread([&] { alone.push_back(draw(g)); }).join();
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t n = 0; n < grids.size(); ++n) ASSERT_EQ(draw(grids[n]), alone[n]) << "profile " << n;
    // Close Lorentzian shares give different bits (the test sees a wrong profile).
    EXPECT_NE(alone[1], alone[2]);
}

TEST(Simulate, ConvolvedProfilesAgreeWithLineByLineEvaluationToOnePerMilleOfThePeak) {
    struct Case {
        const char* molecule;
        const char* system;
        SpectrumKind kind;
        AxisUnit unit;
        double start, end;
        Lineshape lineshape;
        double lorentzPercent, resolution;
        PointDensity density;
        float temperature;
        bool binned = true;  ///< some lines are binned (not all drawn one by one)
    };
    const Case cases[] = {
        {"OH", "(A-X)", SpectrumKind::Emission, AxisUnit::AngstromVacuum, 2800, 3400, Lineshape::Gaussian, 0, 1.0,
         PointDensity::Standard, 3000},
        {"OH", "(A-X)", SpectrumKind::Emission, AxisUnit::AngstromVacuum, 2800, 3400, Lineshape::Voigt, 50, 1.0,
         PointDensity::Standard, 3000},
        // A range in cm-1, and one that cuts through a dense band (lines at both edges).
        {"OH", "(A-X)", SpectrumKind::Emission, AxisUnit::Wavenumber, 31500, 33000, Lineshape::Lorentzian, 0, 2.0,
         PointDensity::Low, 2000},
        {"OH", "(A-X)", SpectrumKind::Absorption, AxisUnit::AngstromAir, 3085, 3095, Lineshape::Voigt, 30, 0.05,
         PointDensity::High, 1500},
        {"NO", "(A-X)", SpectrumKind::LifExcitation, AxisUnit::Wavenumber, 44000, 45000, Lineshape::Voigt, 70, 0.5,
         PointDensity::Standard, 300},
        // Many lines per level under a long profile: convolved by FFT.
        {"NO", "(A-X)", SpectrumKind::Emission, AxisUnit::NanometreVacuum, 220, 280, Lineshape::Voigt, 50, 0.05,
         PointDensity::Low, 2000},
        {"N2+", "(B-X)", SpectrumKind::Emission, AxisUnit::AngstromVacuum, 3800, 3920, Lineshape::Lorentzian, 0, 0.2,
         PointDensity::VeryHigh, 5000},
        // Strongly predissociated upper levels, every one: lines of their own width, all drawn one
        // by one.
        {"SH", "(A-X)", SpectrumKind::Absorption, AxisUnit::AngstromVacuum, 3200, 3300, Lineshape::Gaussian, 0, 0.1,
         PointDensity::Standard, 1000, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.molecule) + " " + std::to_string(k.start) + ".." + std::to_string(k.end));
        ShippedSystem sys(k.molecule, k.system);
        const populations::Populations pop = sys.Thermal(k.kind, k.temperature);
        SimulationConditions c;
        c.kind = k.kind, c.unit = k.unit, c.start = k.start, c.end = k.end, c.temperature = k.temperature;
        c.lineshape = k.lineshape, c.lorentzPercent = k.lorentzPercent, c.resolution = k.resolution;
        c.density = k.density;
        SimulationOptions perLine;
        perLine.profiles = ProfileMethod::PerLine;
        const Spectrum exact = Simulate(*sys.model, c, pop, perLine);
        const Spectrum binned = Simulate(*sys.model, c, pop);
        ASSERT_GT(exact.linesDrawn, 50);
        EXPECT_EQ(binned.linesDrawn, exact.linesDrawn);
        EXPECT_EQ(binned.profilePoints, exact.profilePoints);  // every line keeps its cut-off window
        const double d = LargestDifference(binned, exact);
        EXPECT_LE(d, 1e-3 * exact.peak);
        if (k.binned) {
            EXPECT_GT(d, 0.0);  // the lines were binned, not drawn one by one
        }
    }
}

TEST(Simulate, SaturatedLinesDrawnFastMatchTheirEvaluationLineByLine) {
    // NO A-X LIF excitation by rate equations, from far below saturation (the linear regime) to
    // far above it (power-broadened wings reaching far beyond the lines' windows), in Å and in
    // cm-1 with lines up to the range edges.
    ShippedSystem no("NO", "(A-X)");
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    SimulationConditions c;
    c.kind = SpectrumKind::LifExcitation, c.lifRegime = LifRegime::RateEquations, c.temperature = 300;
    c.dopplerBroadening = true;
    c.laserGaussWidth = 0.02, c.laserLorentzWidth = 0.01;
    SimulationOptions perLine;
    perLine.profiles = ProfileMethod::PerLine;
    struct Range {
        AxisUnit unit;
        double start, end, laserGauss, laserLorentz;
    };
    for (const Range r : {Range{AxisUnit::AngstromVacuum, 2240, 2270, 0.02, 0.01},
                          Range{AxisUnit::Wavenumber, 44250, 44450, 0.4, 0.3}}) {
        c.unit = r.unit, c.start = r.start, c.end = r.end;
        c.laserGaussWidth = r.laserGauss, c.laserLorentzWidth = r.laserLorentz;
        for (double energy = 1e-6; energy <= 1e3; energy *= 100.0) {  // mJ; 1 mJ saturates strongly
            SCOPED_TRACE(std::to_string(r.start) + " " + std::to_string(energy) + " mJ");
            c.pulseEnergy = energy;
            const Spectrum exact = Simulate(*no.model, c, pop, perLine);
            const Spectrum fast = Simulate(*no.model, c, pop);
            ASSERT_GT(exact.linesDrawn, 50);
            EXPECT_EQ(fast.linesDrawn, exact.linesDrawn);
            EXPECT_LE(LargestDifference(fast, exact), 2e-6 * exact.peak);  // single-precision rounding
        }
    }
}

TEST(Simulate, GivesTheSpectrumOfTheScreenDriverForEveryKindUnitAndLineshape) {
    struct Case {
        SpectrumKind kind;
        AxisUnit unit;
        const char* start;
        const char* end;
        Lineshape lineshape;
        const char* resolution;
    };
    const Case cases[] = {
        {SpectrumKind::Emission, AxisUnit::AngstromVacuum, " 3060", " 3120", Lineshape::Gaussian, "0.5"},
        {SpectrumKind::Absorption, AxisUnit::AngstromAir, " 3060", " 3120", Lineshape::Lorentzian, "0.3"},
        {SpectrumKind::LifExcitation, AxisUnit::Wavenumber, " 32000", " 32600", Lineshape::Voigt, "2"},
        {SpectrumKind::FourWaveMixing, AxisUnit::NanometreVacuum, " 306", " 312", Lineshape::Voigt, "0.05"},
        {SpectrumKind::Emission, AxisUnit::NanometreAir, " 306", " 312", Lineshape::Lorentzian, "0.02"},
    };
    ShippedSystem sys("OH", "(A-X)");
    AppState& app = sys.app;
    for (const Case& k : cases) {
        SCOPED_TRACE(StoredValue(k.kind) * 10 + StoredValue(k.unit));
        // The screen: the conditions through the control events, then "Calculate simulation".
        testing::Choose(app, "kind", StoredValue(k.kind));
        testing::Choose(app, "units", StoredValue(k.unit));
        testing::Type(app, "start", k.start), testing::Type(app, "end", k.end);
        testing::Choose(app, "lineshape", StoredValue(k.lineshape));
        testing::Type(app, "lorentzian", "40");
        testing::Type(app, "resolution", k.resolution);
        testing::Type(app, "temperature", "2500");
        testing::Type(app, "pressure", "300");
        testing::Choose(app, "doppler", 1);
        testing::Choose(app, "collisional", 1);
        testing::Type(app, "coll-b1", "0.1");
        testing::Choose(app, "collisional-shift", 1);
        testing::Type(app, "shift-a", "0.05");
        testing::Choose(app, "gate", 1);
        testing::Type(app, "delay", "5");
        testing::Choose(app, "window", 1);
        testing::Type(app, "window-start", "3000");
        testing::Type(app, "window-end", "3200");
        program::CalculateSimulation(app);
        ASSERT_TRUE(HasSimulation(app.sim));

        // The same conditions typed directly.
        SimulationConditions c;
        c.kind = k.kind, c.unit = k.unit, c.start = Val(k.start), c.end = Val(k.end);
        c.lineshape = k.lineshape, c.lorentzPercent = 40, c.resolution = Val(k.resolution);
        c.temperature = 2500, c.pressure = 300;
        c.dopplerBroadening = c.collisionalBroadening = c.collisionalShift = true;
        c.collisionalBroad1 = 0.1, c.collisionalShiftA = 0.05;
        c.gate = GateMode::TimeResolved, c.gateDelay = 5;
        c.window = WindowMode::Window, c.windowStart = 3000, c.windowEnd = 3200;
        const Spectrum s = Simulate(*sys.model, c, populations::SelectedPopulations(app.pop));
        // The spectrum on the screen is the typed one, and carries the conditions it was simulated under.
        EXPECT_TRUE(app.sim.result.conditions == s.conditions);
        ASSERT_EQ(s.grid.last, app.sim.result.grid.last);
        EXPECT_EQ(s.peak, app.sim.result.peak);
        EXPECT_EQ(s.linesDrawn, app.sim.result.linesDrawn);
        for (int i = 0; i <= s.grid.last; ++i) ASSERT_EQ(s.total(i), app.sim.result.total(i)) << i;
    }
}

TEST(Simulate, EveryAxisUnitPlacesTheLinesAtTheirWavelengthOrWavenumber) {
    ShippedSystem sys("OH", "(A-X)");
    const populations::Populations pop = sys.Thermal(SpectrumKind::Emission, 2000);
    auto run = [&](AxisUnit unit, double start, double end, double resolution) {
        SimulationConditions c;
        c.unit = unit, c.start = start, c.end = end, c.resolution = resolution;
        return Simulate(*sys.model, c, pop);
    };
    const Spectrum angstrom = run(AxisUnit::AngstromVacuum, 3060, 3120, 0.2);
    const Spectrum nanometre = run(AxisUnit::NanometreVacuum, 306, 312, 0.02);
    ASSERT_EQ(nanometre.grid.last, angstrom.grid.last);
    for (int i = 0; i <= angstrom.grid.last; ++i) ASSERT_NEAR(nanometre.total(i), angstrom.total(i), 0.02) << i;

    // The strongest line in air lies lambda (n - 1) below its vacuum wavelength: n - 1 = 2.92E-4
    // for standard air near 309 nm (Edlén 1966).
    const double vacuumPeak = angstrom.grid.X(PeakIndex(angstrom));
    const Spectrum air = run(AxisUnit::AngstromAir, 3060, 3120, 0.2);
    EXPECT_NEAR(vacuumPeak - air.grid.X(PeakIndex(air)), vacuumPeak * 2.92e-4, air.grid.Step());
    const Spectrum airNm = run(AxisUnit::NanometreAir, 306, 312, 0.02);
    EXPECT_NEAR(airNm.grid.X(PeakIndex(airNm)) * 10.0, air.grid.X(PeakIndex(air)), air.grid.Step());

    // In cm-1 the same line lies at 1E8 / lambda(vacuum); the width 0.2 Å is 0.2 / lambda^2 cm-1.
    const double nu = 1e8 / vacuumPeak;
    const Spectrum wavenumber = run(AxisUnit::Wavenumber, nu - 300, nu + 300, 0.2e8 / (vacuumPeak * vacuumPeak));
    EXPECT_NEAR(wavenumber.grid.X(PeakIndex(wavenumber)), nu, 2.0 * wavenumber.grid.Step());
}

TEST(Simulate, TwoThreadsOnOneModelGiveWhatOneThreadGives) {
    ShippedSystem sys("OH", "(A-X)");
    const populations::Populations hot = sys.Thermal(SpectrumKind::Emission, 3000);
    const populations::Populations cold = sys.Thermal(SpectrumKind::Emission, 500);
    SimulationConditions gauss, voigt;
    gauss.start = voigt.start = 2800;
    gauss.end = voigt.end = 3400;
    voigt.lineshape = Lineshape::Voigt;
    voigt.lorentzPercent = 50;
    voigt.temperature = 500;
    voigt.dopplerBroadening = true;
    const Spectrum a = Simulate(*sys.model, gauss, hot);
    const Spectrum b = Simulate(*sys.model, voigt, cold);

    auto repeat = [&](const SimulationConditions& c, const populations::Populations& pop, const Spectrum& expected,
                      bool& same) {
        for (int run = 0; run < 10; ++run) {
            const Spectrum s = Simulate(*sys.model, c, pop);
            same = same && std::equal(s.total.begin(), s.total.end(), expected.total.begin(), expected.total.end()) &&
                   std::equal(s.bands.begin(), s.bands.end(), expected.bands.begin(), expected.bands.end());
        }
    };
    bool sameA = true, sameB = true;
    std::thread first(repeat, std::cref(gauss), std::cref(hot), std::cref(a), std::ref(sameA));
    std::thread second(repeat, std::cref(voigt), std::cref(cold), std::cref(b), std::ref(sameB));
    first.join();
    second.join();
    EXPECT_TRUE(sameA);
    EXPECT_TRUE(sameB);
}

// A thread keeps the line list and drawing space of one simulation for the next: nothing of a
// larger simulation before it, or of the simulation it runs within (here from the progress
// report), may reach a spectrum.
TEST(Simulate, ASimulationAfterALargerOneOrWithinAnotherGivesWhatItGivesOnAFreshThread) {
    ShippedSystem sys("OH", "(A-X)");
    const populations::Populations hot = sys.Thermal(SpectrumKind::Emission, 3000);
    const populations::Populations cold = sys.Thermal(SpectrumKind::Emission, 300);
    SimulationConditions small, large;
    small.start = 3080, small.end = 3100, small.temperature = 300;
    large.start = 2800, large.end = 3400;
    auto same = [](const Spectrum& s, const Spectrum& t) {
        return s.linesDrawn == t.linesDrawn &&
               std::equal(s.total.begin(), s.total.end(), t.total.begin(), t.total.end()) &&
               std::equal(s.bands.begin(), s.bands.end(), t.bands.begin(), t.bands.end());
    };
    Spectrum alone, largeAlone;
    std::thread([&] { alone = Simulate(*sys.model, small, cold); }).join();
    std::thread([&] { largeAlone = Simulate(*sys.model, large, hot); }).join();

    const Spectrum before = Simulate(*sys.model, large, hot);
    EXPECT_TRUE(same(Simulate(*sys.model, small, cold), alone));
    Spectrum inner;
    SimulationOptions options;
    options.progress = [&](double) {
        if (inner.linesDrawn == 0) inner = Simulate(*sys.model, small, cold);
    };
    EXPECT_TRUE(same(Simulate(*sys.model, large, hot, options), largeAlone));
    EXPECT_TRUE(same(inner, alone));
    EXPECT_TRUE(same(before, largeAlone));
}

// A memo of two line sets: the least recently used one makes room, and a set is found only
// under its key with every input the same.
TEST(LineMemo, FindsASetOnlyUnderItsKeyWithItsInputsAndDropsTheLeastRecentlyUsed) {
    LineMemo<int, std::uint32_t, double, 2> memo;
    const std::vector<std::uint32_t> a = {1, 2, 3}, b = {4, 5}, c = {6, 7, 8, 9};
    auto of = [](const std::vector<std::uint32_t>& in) { return [&in](std::size_t i) { return in[i]; }; };
    auto values = [](const std::vector<std::uint32_t>& in) {
        std::vector<double> v;
        for (std::uint32_t x : in) v.push_back(10.0 * x);
        return v;
    };
    auto found = [&](int key, const std::vector<std::uint32_t>& in) {
        std::vector<double> got(in.size());
        const bool hit = memo.Find(key, in.size(), of(in), [&](std::size_t i, double v) { got[i] = v; });
        return hit && got == values(in);
    };
    memo.Keep(1, a.size(), of(a), values(a).data());
    memo.Keep(2, b.size(), of(b), values(b).data());
    EXPECT_TRUE(found(1, a));  // a is now the more recently used
    EXPECT_FALSE(found(2, a));
    std::vector<std::uint32_t> changed = a;
    changed[2] = 33;
    EXPECT_FALSE(found(1, changed));
    memo.Keep(3, c.size(), of(c), values(c).data());  // b makes room
    EXPECT_TRUE(found(1, a));
    EXPECT_TRUE(found(3, c));
    EXPECT_FALSE(found(2, b));
    EXPECT_EQ(memo.KeptLines(), a.size() + c.size());
}

// A thread keeps the axis positions of the bands' lines and the half windows of the lines drawn:
// a simulation that follows others on another axis, with a shift, or on a model whose positions
// or lifetimes were changed in place gives what it gives on a fresh thread.
TEST(Simulate, PositionsAndWindowsKeptFromEarlierSimulationsFollowTheAxisShiftAndModel) {
    ShippedSystem sys("OH", "(A-X)");
    BandSystemModel model = *sys.model;
    const populations::Populations pop = sys.Thermal(SpectrumKind::Emission, 3000);
    SimulationConditions air, nm, shifted, wavenumber;
    air.start = 3060, air.end = 3140;
    nm = air, nm.unit = AxisUnit::NanometreVacuum, nm.start = 306.0, nm.end = 314.0;
    shifted = air, shifted.dopplerShift = true, shifted.dopplerVelocity = 30.0;
    wavenumber = air, wavenumber.unit = AxisUnit::Wavenumber, wavenumber.start = 31800, wavenumber.end = 32700;
    auto fresh = [&](const SimulationConditions& c) {
        Spectrum s;
        std::thread([&] { s = Simulate(model, c, pop); }).join();
        return s;
    };
    auto same = [](const Spectrum& s, const Spectrum& t) {
        return s.linesDrawn == t.linesDrawn && s.linesDrawn > 0 &&
               std::equal(s.total.begin(), s.total.end(), t.total.begin(), t.total.end()) &&
               std::equal(s.bands.begin(), s.bands.end(), t.bands.begin(), t.bands.end());
    };
    for (const SimulationConditions* c : {&air, &nm, &shifted, &wavenumber, &air, &shifted})
        EXPECT_TRUE(same(Simulate(model, *c, pop), fresh(*c)));

    // The strongest line of band (0,0) moved by 2 cm-1 and its upper level made short-lived, in
    // place: the same band, the same line list storage.
    const Spectrum before = Simulate(model, air, pop);
    ModelBand& band = model.bands(0, 0);
    ModelLine& line = *std::max_element(band.lines.begin(), band.lines.end(),
                                        [](const ModelLine& a, const ModelLine& b) { return a.emission < b.emission; });
    line.nu += 2.0f;
    const Spectrum moved = Simulate(model, air, pop);
    EXPECT_FALSE(same(moved, before));
    EXPECT_TRUE(same(moved, fresh(air)));
    for (float& tau : model.effectiveLifetime) tau *= 1e-5f;
    EXPECT_TRUE(same(Simulate(model, air, pop), fresh(air)));
}

TEST(Simulate, ModelIsKeptUntilAnotherSystemIsSelectedAndConditionsAreChecked) {
    ShippedSystem sys("OH", "(A-X)");
    EXPECT_EQ(program::CurrentModel(sys.app.sim, sys.app.db), sys.model);
    EXPECT_GT(sys.model->LineCount(), 1000u);
    // Weights of 1E300 take the total of the (0,0) band beyond single precision: refused, not
    // drawn as infinity.
    populations::Populations huge = sys.Thermal(SpectrumKind::Emission, 1000);
    for (double& w : huge.weights) w *= 1e300;
    EXPECT_THROW(Simulate(*sys.model, SimulationConditions{}, huge), std::range_error);
    // A peak near the smallest float scales by more than single precision holds: the level
    // traces still come to a peak of 100.
    Spectrum tiny;
    tiny.grid.last = 2;
    tiny.levels = {0}, tiny.weights = {0.5};
    tiny.bands.Resize(1, 1, 0, 2);
    for (int i = 0; i <= 2; ++i) tiny.bands(1, i) = 4e-38f * static_cast<float>(i);
    BuildTotal(tiny);
    EXPECT_FLOAT_EQ(tiny.total(2), 100.0f);
    EXPECT_FLOAT_EQ(tiny.bands(1, 2), 200.0f);
    program::SelectBandSystem(sys.app, sys.model->entry + 1);
    const auto other = program::CurrentModel(sys.app.sim, sys.app.db);
    EXPECT_NE(other, sys.model);
    EXPECT_EQ(other->entry, sys.model->entry + 1);

    const populations::Populations upper = sys.Thermal(SpectrumKind::Emission, 1000);
    SimulationConditions c;
    c.kind = SpectrumKind::Absorption;  // reads the lower state
    EXPECT_THROW(Simulate(*other, c, upper), ConditionError);
    c.kind = StoredMode<SpectrumKind>(7);
    EXPECT_THROW(Simulate(*other, c, upper), ConditionError);
    c.kind = SpectrumKind::Emission;
    c.resolution = 0.0;
    EXPECT_THROW(Simulate(*other, c, upper), ConditionError);
    // The rate equations saturate line by line, so they cannot run through a convolved instrument
    // function; a laser of its own line shape takes that function's place.
    c.resolution = 1.0;
    c.kind = SpectrumKind::LifExcitation;
    c.lifRegime = LifRegime::RateEquations;
    c.lineshape = Lineshape::Triangle;
    const populations::Populations lower = sys.Thermal(SpectrumKind::LifExcitation, 1000);
    EXPECT_THROW(Simulate(*other, c, lower), ConditionError);
    c.laserGaussWidth = 0.5;
    EXPECT_GT(Simulate(*other, c, lower).linesDrawn, 0);
}

}  // namespace
}  // namespace velmora::simulation
