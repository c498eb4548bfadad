// Fits of synthetic spectra made by the program's simulation with known parameters and Gaussian
// noise of fixed seeds: recovery within 2σ, robust starts, the coverage of the 1σ intervals, two
// band systems in one fit, and the warnings of undetermined parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "database/line_rows.h"
#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

using testing::FitFixture;
using testing::Truth;

FitFixture& OH() { return testing::OHFixture(); }

/// The OH A-X window of 3000 points between 3060 and 3200 Å.
constexpr double kX0 = 3060.0, kStep = 140.0 / 2999.0;
constexpr int kPoints = 3000;

/// The noiseless OH signal at 2000 K over the window (made once).
const std::vector<double>& OHSignal() {
    static const std::vector<double> s = Signal(OH(), Truth{}, kX0, kStep, kPoints);
    return s;
}

TEST(FitSpectrum, RecoversTemperatureAxisScaleBaselineAndWidthWithin2SigmaFromNearAndFarStarts) {
    Truth t;
    t.baseline = 3.0, t.shift = 0.031, t.noise = 1.0;
    const std::vector<double> signal = Signal(OH(), t, kX0, kStep, kPoints);
    const double truth[] = {2000.0, testing::Area(signal, kStep), 3.0, 0.031, 5 * kStep};
    const char* names[] = {"t", "scale", "baseline", "shift", "gauss"};
    // Starts at half the truth and 3x above it, with a Gaussian width 1.5x off.
    for (double start : {1000.0, 6000.0}) {
        GaussianDeviate noise(11);
        FitRequest r = testing::Request({OH().system}, Measure({signal}, t, kX0, kStep, noise), 0.15, start);
        r.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
        const FitResult fit = FitSpectrum(r);
        for (int k = 0; k < 5; ++k) {
            EXPECT_NEAR(fit.Value(names[k]), truth[k], 2.0 * fit.Uncertainty(names[k]))
                << names[k] << " from " << start;
            EXPECT_GT(fit.Uncertainty(names[k]), 0.0) << names[k];
        }
        EXPECT_NEAR(fit.reducedChiSquare, 1.0, 0.1);
        EXPECT_EQ(fit.degreesOfFreedom, kPoints - 5);
        EXPECT_GT(fit.evaluations, 0);
        EXPECT_NE(fit.stopReason.find("converged"), std::string::npos);
        EXPECT_TRUE(fit.warnings.empty()) << fit.warnings.front();
        // The residual of every point is y − model.
        EXPECT_NEAR(fit.residual[100], fit.y[100] - fit.model[100], 1e-12);
    }
}

TEST(FitSpectrum, SlopeAndLorentzWidthOfAVoigtInstrumentAreRecovered) {
    Truth t;
    t.slope = 0.02, t.noise = 0.5;
    GaussianDeviate noise(5);
    // The signal is Gaussian: the fitted Lorentzian width must come out consistent with 0.
    FitRequest r = testing::Request({OH().system}, Measure({OHSignal()}, t, kX0, kStep, noise), 5 * kStep, 2000.0);
    r.conditions.lineshape = simulation::Lineshape::Voigt;
    r.conditions.lorentzPercent = 20.0;
    r.settings.free = {"t", "scale", "baseline", "slope", "gauss", "lorentz"};
    r.settings.bounds["lorentz"] = {0.0, 0.5};
    const FitResult fit = FitSpectrum(r);
    EXPECT_NEAR(fit.Value("slope"), 0.02, 2.0 * fit.Uncertainty("slope"));
    EXPECT_LT(fit.Value("lorentz"), 2.0 * fit.Uncertainty("lorentz") + 1e-3);
    EXPECT_NEAR(fit.Value("t"), 2000.0, 2.0 * fit.Uncertainty("t"));
}

TEST(FitSpectrum, TwoSystemsRecoverBothTemperaturesAndTheirRatio) {
    static FitFixture cn("CN", "(B-X)"), n2("N2+", "(B-X)");
    constexpr double x0 = 3840.0, step = 0.03;
    constexpr int n = 3000;
    Truth a, b;
    a.temperature = 5000.0f, a.amplitude = 80.0;
    b.temperature = 3000.0f, b.amplitude = 50.0;
    const std::vector<double> sa = Signal(cn, a, x0, step, n), sb = Signal(n2, b, x0, step, n);
    Truth m;
    m.baseline = 2.0, m.noise = 1.0;
    GaussianDeviate noise(7);
    FitRequest r = testing::Request({cn.system, n2.system}, Measure({sa, sb}, m, x0, step, noise), 5 * step, 2000.0);
    r.conditions.start = x0, r.conditions.end = x0 + n * step;
    r.settings.free = {"t", "scale", "baseline"};
    const FitResult fit = FitSpectrum(r);
    EXPECT_EQ(fit.systems.size(), 2u);
    EXPECT_NEAR(fit.Value("t:1"), 5000.0, 2.0 * fit.Uncertainty("t:1"));
    EXPECT_NEAR(fit.Value("t:2"), 3000.0, 2.0 * fit.Uncertainty("t:2"));
    const double ratio = fit.Value("scale:1") / fit.Value("scale:2");
    const double ratioSigma = ratio * std::hypot(fit.Uncertainty("scale:1") / fit.Value("scale:1"),
                                                 fit.Uncertainty("scale:2") / fit.Value("scale:2"));
    EXPECT_NEAR(ratio, testing::Area(sa, step) / testing::Area(sb, step), 2.0 * ratioSigma);
}

/// OH A constants of v' = 0 and 1 (data-src/OH_AX/levels_A.csv): T_v, B, D, H in cm-1, and the
/// last rotational row of each (the catalogue's predissociation limit).
struct OHALevel {
    double T, B, D, H;
    int lastN;
};
constexpr OHALevel kOHA[] = {{32420.9144, 16.96513487, 0.002064145814, 1.268532805e-07, 32},
                             {35409.513002, 16.12952075, 0.002047544371, 1.123928551e-07, 29}};
constexpr double kC2 = 1.438776877;  // second radiation constant, cm K

double RotationalTerm(const OHALevel& v, int N) {
    const double x = N * (N + 1.0);
    return v.B * x - v.D * x * x + v.H * x * x * x;
}

/// Rotational partition function of a ²Σ level: 2(2N + 1) states per N (J = N ± 1/2).
double RotationalPartition(const OHALevel& v, double T) {
    double q = 0.0;
    for (int N = 0; N <= v.lastN; ++N) q += 2.0 * (2 * N + 1) * std::exp(-kC2 * RotationalTerm(v, N) / T);
    return q;
}

/// The photon-weighted mean wavenumber of the lines of v' within lo..hi Å (vacuum) at T: each
/// line weighed by its upper level's Boltzmann population (2J' + 1) exp(−c2 F'/T) times its
/// emission coefficient (∝ A).
double MeanWavenumber(DatabaseState& db, int vUp, double T, double lo, double hi) {
    auto step = [](char letter) {
        return letter == 'O' ? -2 : letter == 'P' ? -1 : letter == 'R' ? 1 : letter == 'S' ? 2 : 0;
    };
    double sum = 0.0, weighted = 0.0;
    for (int vLow = 0; vLow <= 3; ++vLow)
        for (const database::LineRow& line : database::BandLineRows(db, vUp, vLow)) {
            const double x = 1e8 / line.position;
            if (x < lo || x > hi) continue;
            const int N = line.NLow + step(line.nameB.front());
            const double J = line.JLow + step(line.nameA.front());
            const double w = (2.0 * J + 1.0) * std::exp(-kC2 * RotationalTerm(kOHA[vUp], N) / T) * line.emission;
            sum += w, weighted += w * line.position;
        }
    return weighted / sum;
}

TEST(FitSpectrum, FreeVibrationalPopulationsFollowTheBoltzmannRatioAndTheEnergyConventionWeighsByWavenumber) {
    // OH A-X (0,0) near 3090 Å and (1,1) near 3140 Å at 2000 K.
    Truth t;
    t.noise = 0.5;
    GaussianDeviate noise(3);
    FitRequest r = testing::Request({OH().system}, Measure({OHSignal()}, t, kX0, kStep, noise), 5 * kStep, 2000.0);
    r.settings.free = {"t", "scale", "baseline", "pop(v=1)"};
    const FitResult photons = FitSpectrum(r);
    ASSERT_NE(photons.Find("pop(v=1)"), nullptr);
    EXPECT_EQ(photons.convention, IntensityConvention::PhotonCounts);
    // The population of v' = 1 relative to v' = 0: the vibrational Boltzmann factor times the
    // ratio of the rotational partition functions (B falls with v, so q(1) > q(0)).
    const double T = 2000.0;
    const double expected = std::exp(-kC2 * (kOHA[1].T - kOHA[0].T) / T) * RotationalPartition(kOHA[1], T) /
                            RotationalPartition(kOHA[0], T);
    EXPECT_NEAR(photons.Value("pop(v=1)"), expected, 3.0 * photons.Uncertainty("pop(v=1)"));

    // Read as energy, every line is weighed by its wavenumber relative to the range centre's: the
    // area of each level's spectrum grows by the photon-weighted mean wavenumber of its lines
    // over the centre's, so v' = 1, whose lines lie to the red, needs more population by the
    // ratio of the mean wavenumbers.
    const double lo = kX0, hi = kX0 + kStep * (kPoints - 1);
    simulation::SimulationConditions c = r.conditions;
    SystemValues values;
    values.rotationalT = T;
    values.gauss = 5 * kStep;
    std::vector<double> areas[2];
    for (IntensityConvention convention : {IntensityConvention::PhotonCounts, IntensityConvention::Energy}) {
        SystemTracer tracer(OH().system, c, lo, hi, lo, hi, convention, true, 5);
        values.populations.assign(tracer.Levels().size(), 1.0);
        areas[convention == IntensityConvention::Energy] = tracer.Trace(values).levelAreas;
    }
    DatabaseState& db = OH().shipped.app.db;
    const double centre = 1e8 / (0.5 * (lo + hi));
    for (int v : {0, 1}) EXPECT_NEAR(areas[1][v] / areas[0][v], MeanWavenumber(db, v, T, lo, hi) / centre, 2e-4) << v;
    r.convention = IntensityConvention::Energy;
    const FitResult energy = FitSpectrum(r);
    EXPECT_EQ(energy.convention, IntensityConvention::Energy);
    EXPECT_NEAR(energy.Value("pop(v=1)") / photons.Value("pop(v=1)"),
                MeanWavenumber(db, 0, T, lo, hi) / MeanWavenumber(db, 1, T, lo, hi), 0.01);
}

TEST(FitSpectrum, UndeterminedAndCorrelatedParametersAndBoundsAreWarnedAbout) {
    Truth t;
    t.noise = 1.0;
    GaussianDeviate noise(9);
    const MeasuredSpectrum m = Measure({OHSignal()}, t, kX0, kStep, noise);
    // A temperature bounded below the truth ends on its bound.
    FitRequest r = testing::Request({OH().system}, m, 5 * kStep, 1000.0);
    r.settings.bounds["t"] = {300.0, 1500.0};
    FitResult fit = FitSpectrum(r);
    bool bound = false;
    for (const std::string& w : fit.warnings)
        bound = bound || w.find("t ended at its upper bound 1500") != std::string::npos;
    EXPECT_TRUE(bound);
    EXPECT_TRUE(fit.atBound[static_cast<std::size_t>(fit.Find("t") - fit.parameters.data())]);

    // Two systems of one spectrum (the same one under another name; the same system twice is
    // refused): only the sum of the two scales is determined.
    FitSystem copy = OH().system;
    copy.label += " (copy)";
    FitRequest twice = testing::Request({OH().system, copy}, m, 5 * kStep, 2000.0);
    twice.settings.free = {"scale", "baseline"};
    fit = FitSpectrum(twice);
    EXPECT_TRUE(fit.undetermined);
    bool singular = false, correlated = false;
    for (const std::string& w : fit.warnings) {
        singular = singular || (w.find("singular") != std::string::npos && w.find("scale:") != std::string::npos);
        correlated = correlated || w.find("correlate") != std::string::npos;
    }
    EXPECT_TRUE(singular);
    EXPECT_TRUE(std::isnan(fit.Uncertainty("scale:2")) || std::isnan(fit.Uncertainty("scale:1")) || correlated);
}

TEST(FitSpectrum, BadInputAndNonConvergenceFailLoudlyWithTheirOwnErrors) {
    Truth t;
    t.noise = 1.0;
    GaussianDeviate noise(1);
    const MeasuredSpectrum good = Measure({OHSignal()}, t, kX0, kStep, noise);
    struct Case {
        const char* what;
        void (*change)(FitRequest&);
        const char* message;
    };
    const Case inputs[] = {
        {"NaN point", [](FitRequest& r) { r.spectrum.y[10] = std::numeric_limits<double>::quiet_NaN(); },
         "not a finite number"},
        {"infinite x", [](FitRequest& r) { r.spectrum.x[5] = std::numeric_limits<double>::infinity(); },
         "not a finite number"},
        {"flat", [](FitRequest& r) { std::fill(r.spectrum.y.begin(), r.spectrum.y.end(), 0.0); }, "flat"},
        {"no overlap",
         [](FitRequest& r) {
             for (double& x : r.spectrum.x) x += 30000.0;
         },
         "does not reach the spectrum"},
        {"all excluded",
         [](FitRequest& r) {
             r.excluded = {{3000.0, 3300.0}};
         },
         "no point is left"},
        {"too few points",
         [](FitRequest& r) {
             r.spectrum.x.resize(3);
             r.spectrum.y.resize(3);
         },
         "more points than free parameters"},
        {"unknown parameter", [](FitRequest& r) { r.settings.free.push_back("colour"); }, "colour"},
        {"start outside bounds",
         [](FitRequest& r) {
             r.settings.start["t"] = 50.0;
             r.settings.bounds["t"] = {300.0, 5000.0};
         },
         "outside its bounds"},
        {"empty bounds",
         [](FitRequest& r) {
             r.settings.bounds["t"] = {3000.0, 300.0};
         },
         "hold no range"},
        {"laser outside LIF", [](FitRequest& r) { r.settings.free.push_back("laser"); }, "laser"},
        {"no uncertainties", [](FitRequest& r) { r.weighting = Weighting::FileColumn; }, "column of uncertainties"},
        // Ceres aborts the process on an empty parameter block: refused before.
        {"nothing free", [](FitRequest& r) { r.settings.free.clear(); }, "no parameter is free"},
        {"a system twice", [](FitRequest& r) { r.systems.push_back(r.systems.front()); }, "is given twice"},
        {"endless scan", [](FitRequest& r) { r.options.scanPoints = 1'000'000'000; }, "outside 0..1000"},
        {"negative scan", [](FitRequest& r) { r.options.scanPoints = -1; }, "outside 0..1000"},
        {"endless iterations", [](FitRequest& r) { r.options.maxIterations = 1'000'000; }, "outside 1..10000"},
        {"too many points",
         [](FitRequest& r) {
             const std::size_t n = kMaxFitPoints + 1;
             r.spectrum.x.resize(n), r.spectrum.y.resize(n);
             for (std::size_t i = 0; i < n; ++i)
                 r.spectrum.x[i] = kX0 + 100.0 * static_cast<double>(i) / n, r.spectrum.y[i] = i % 7;
         },
         "a fit takes at most 2000000"},
    };
    for (const Case& c : inputs) {
        FitRequest r = testing::Request({OH().system}, good, 5 * kStep, 1500.0);
        c.change(r);
        try {
            FitSpectrum(r);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const FitInputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
        }
    }

    FitRequest r = testing::Request({OH().system}, good, 5 * kStep, 1500.0);
    r.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
    r.options.maxIterations = 1;
    r.options.scanPoints = 0;
    EXPECT_THROW(FitSpectrum(r), FitConvergenceError);

    std::atomic<bool> cancel{true};
    r.options.cancel = &cancel;
    EXPECT_THROW(FitSpectrum(r), FitCancelled);
}

TEST(FitSpectrum, TheResultDoesNotDependOnTheUnitOfTheIntensityOver24OrdersOfMagnitude) {
    // A start far from the truth and no scan: the solver's own path must not depend on the unit
    // of y (calibrated spectra come in W m-2 sr-1 nm-1, counts in 1e5). With sigma weights both
    // y and σ scale.
    Truth t;
    t.noise = 1.0, t.baseline = 2.0;
    GaussianDeviate noise(7);
    const MeasuredSpectrum measured = Measure({OHSignal()}, t, kX0, kStep, noise);
    for (const Weighting weighting : {Weighting::Uniform, Weighting::FileColumn, Weighting::NoiseEstimate}) {
        std::vector<FitResult> fits;
        for (const double factor : {1e-12, 3e-7, 1.0, 1e12}) {
            MeasuredSpectrum m = measured;
            for (double& y : m.y) y *= factor;
            m.sigma.assign(m.y.size(), factor * t.noise);
            FitRequest r = testing::Request({OH().system}, m, 5 * kStep, 1500.0);
            r.settings.free = {"t", "scale", "baseline", "gauss"};
            r.weighting = weighting;
            r.options.scanPoints = 0;
            fits.push_back(FitSpectrum(r));
        }
        const FitResult& unit = fits[2];
        EXPECT_NEAR(unit.Value("t"), 2000.0, 2.0 * unit.Uncertainty("t"));
        const double factors[] = {1e-12, 3e-7, 1.0, 1e12};
        for (std::size_t k = 0; k < fits.size(); ++k) {
            const FitResult& f = fits[k];
            const std::string at = "factor " + std::to_string(factors[k]);
            EXPECT_EQ(f.iterations, unit.iterations) << at;
            EXPECT_NEAR(f.Value("t"), unit.Value("t"), 1e-6 * unit.Value("t")) << at;
            EXPECT_NEAR(f.Uncertainty("t"), unit.Uncertainty("t"), 1e-6 * unit.Uncertainty("t")) << at;
            EXPECT_NEAR(f.Value("gauss"), unit.Value("gauss"), 1e-6 * unit.Value("gauss")) << at;
            for (const char* linear : {"scale", "baseline"}) {
                EXPECT_NEAR(f.Value(linear) / factors[k], unit.Value(linear), 1e-6 * std::fabs(unit.Value(linear)))
                    << linear << ", " << at;
                EXPECT_NEAR(f.Uncertainty(linear) / f.Value(linear), unit.Uncertainty(linear) / unit.Value(linear),
                            1e-6 * std::fabs(unit.Uncertainty(linear) / unit.Value(linear)))
                    << linear << ", " << at;
            }
            EXPECT_NEAR(f.reducedChiSquare / (weighting == Weighting::Uniform ? factors[k] * factors[k] : 1.0),
                        unit.reducedChiSquare, 1e-6 * unit.reducedChiSquare)
                << at;
        }
    }
}

TEST(FitSpectrum, ABoundFarFromTheValueIsNotReportedAsReached) {
    Truth t;
    t.noise = 1.0;
    GaussianDeviate noise(3);
    FitRequest r = testing::Request({OH().system}, Measure({OHSignal()}, t, kX0, kStep, noise), 5 * kStep, 1500.0);
    r.settings.bounds["t"] = {1.0, 1e30};
    const FitResult fit = FitSpectrum(r);
    EXPECT_NEAR(fit.Value("t"), 2000.0, 3.0 * fit.Uncertainty("t"));
    for (const std::string& w : fit.warnings) EXPECT_EQ(w.find("bound"), std::string::npos) << w;
    EXPECT_FALSE(fit.atBound[0]);
}

TEST(FitSpectrum, WeightsFromAThirdColumnAndFromTheNoiseEstimateGiveAReducedChiSquareNearOne) {
    Truth t;
    t.noise = 2.0;
    GaussianDeviate noise(17);
    MeasuredSpectrum m = Measure({OHSignal()}, t, kX0, kStep, noise);
    // On pure noise the estimate is unbiased; on the spectrum its lines raise it, which the fit
    // mends by estimating again from its residuals at the start.
    Truth quiet;
    quiet.noise = 2.0;
    GaussianDeviate more(18);
    EXPECT_NEAR(EstimateNoise(Measure({std::vector<double>(kPoints, 0.0)}, quiet, kX0, kStep, more).y), 2.0, 0.1);
    m.sigma.assign(m.x.size(), 2.0);
    FitRequest r = testing::Request({OH().system}, m, 5 * kStep, 2000.0);
    for (Weighting w : {Weighting::FileColumn, Weighting::NoiseEstimate}) {
        r.weighting = w;
        const FitResult fit = FitSpectrum(r);
        EXPECT_NEAR(fit.chiSquare / fit.degreesOfFreedom, 1.0, 0.1);
        EXPECT_EQ(fit.weighting, w);
    }
}

}  // namespace
}  // namespace velmora::fit
