// Band systems of any multiplicity in a fit: synthetic N2 C-B spectra (the second positive
// system, a triplet, with noise, instrument and axis shift) fitted back to the temperature they
// were drawn at, alone and under a CN B-X spectrum, and by the Boltzmann plot of their levels.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "database/catalogue.h"
#include "database/multiplet_catalogue.h"
#include "fit/boltzmann_plot.h"
#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

using testing::Truth;

/// The shipped N2 C-B entry as a fit loads it.
const FitSystem& N2CB() {
    static const FitSystem system = [] {
        DatabaseState db;
        database::SetAppPath(db, VELMORA_DATA_DIR);
        database::LoadCatalogue(db);
        const auto entries = database::MultipletEntriesOf(db.AppPath);
        for (std::size_t k = 0; k < entries.size(); ++k)
            if (entries[k].name == "N2" && entries[k].SystemLabel() == "(C-B)")
                return LoadFitSystem(db, db.cat.CatalogueCount + 1 + static_cast<int>(k), {});
        throw std::runtime_error("N2 C-B is not in the shipped catalogue");
    }();
    return system;
}

/// The noiseless N2 C-B signal at the truth's temperature, drawn by the simulation itself.
std::vector<double> N2Signal(const Truth& t, double x0, double step, int n) {
    simulation::SimulationConditions c;
    c.kind = t.kind;
    c.temperature = t.temperature;
    return testing::Signal(*N2CB().model, simulation::MultipletPopulations(*N2CB().multiplet, c), t, x0, step, n);
}

TEST(MultipletFit, N2SecondPositiveSpectraGiveBackTheirTemperatureWithin2Sigma) {
    // (0,0) band at 337 nm, 2000 points of 0.02 Å; alone with an axis shift, and the (0,2) band
    // at 380 nm under the CN B-X (0,0) band at 388 nm, each at its own temperature.
    constexpr double x0 = 3335.0, step = 0.02;
    constexpr int n = 2000;
    Truth alone;
    alone.temperature = 1800.0f, alone.noise = 1.0, alone.shift = 0.03, alone.baseline = 3.0;
    GaussianDeviate noise(11);
    FitRequest r =
        testing::Request({N2CB()}, Measure({N2Signal(alone, x0, step, n)}, alone, x0, step, noise), 5 * step, 1200.0);
    r.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
    FitResult fit = FitSpectrum(r);
    EXPECT_EQ(fit.systems, std::vector<std::string>{"N2 (C-B)"});
    EXPECT_NEAR(fit.Value("t"), 1800.0, 2.0 * fit.Uncertainty("t"));
    EXPECT_LT(fit.Uncertainty("t"), 100.0);
    EXPECT_NEAR(fit.Value("shift"), 0.03, 2.0 * fit.Uncertainty("shift"));
    EXPECT_NEAR(fit.Value("gauss"), 5 * step, 2.0 * fit.Uncertainty("gauss"));

    static testing::FitFixture cn("CN", "(B-X)");
    constexpr double y0 = 3790.0, ystep = 0.05;
    Truth a, b;
    a.temperature = 4000.0f, a.amplitude = 80.0;
    b.temperature = 2500.0f, b.amplitude = 50.0;
    const std::vector<double> sa = Signal(cn, a, y0, ystep, n), sb = N2Signal(b, y0, ystep, n);
    Truth m;
    m.baseline = 2.0, m.noise = 1.0;
    GaussianDeviate noise2(2);
    r = testing::Request({cn.system, N2CB()}, Measure({sa, sb}, m, y0, ystep, noise2), 5 * ystep, 3000.0);
    r.settings.free = {"t", "scale", "baseline"};
    fit = FitSpectrum(r);
    EXPECT_NEAR(fit.Value("t:1"), 4000.0, 2.0 * fit.Uncertainty("t:1"));
    EXPECT_NEAR(fit.Value("t:2"), 2500.0, 2.0 * fit.Uncertainty("t:2"));
    const double ratio = fit.Value("scale:1") / fit.Value("scale:2");
    const double ratioSigma = ratio * std::hypot(fit.Uncertainty("scale:1") / fit.Value("scale:1"),
                                                 fit.Uncertainty("scale:2") / fit.Value("scale:2"));
    EXPECT_NEAR(ratio, testing::Area(sa, ystep) / testing::Area(sb, ystep), 2.0 * ratioSigma);
}

TEST(MultipletFit, TheBoltzmannPlotOfN2SecondPositiveLevelsGivesBackTheirTemperature) {
    // The (0,0) band and its (1,1) neighbour, 337 nm, at 0.05 A resolution: the triplet
    // components of v' = 0 fitted level by level, v' = 1 free in amplitude.
    constexpr double x0 = 3335.0, step = 0.01;
    constexpr int n = 4000;
    Truth t;
    t.temperature = 1500.0f, t.noise = 1.0, t.baseline = 2.0;
    GaussianDeviate noise(29);
    const FitRequest r =
        testing::Request({N2CB()}, Measure({N2Signal(t, x0, step, n)}, t, x0, step, noise), 5 * step, 1000.0);
    const BoltzmannPlot plot = FitBoltzmannPlot(r, 0);
    EXPECT_NEAR(plot.temperature, 1500.0, 2.0 * plot.temperatureSigma);
    EXPECT_LT(plot.temperatureSigma, 150.0);
    EXPECT_LT(plot.reducedChiSquare, 2.0);
    // The levels of the three components in both parities, each with g = g_ns (2J + 1): the
    // 14N2 weights 6 and 3 (data/N2_CB README), both present among the levels used.
    std::set<int> components, weights;
    for (const BoltzmannLevel& l : plot.levels) {
        const double gns = l.degeneracy / (2.0 * l.J + 1.0);
        EXPECT_TRUE(gns == 6.0 || gns == 3.0) << l.component << " " << l.row << ": " << gns;
        components.insert(l.component);
        if (l.used) weights.insert(static_cast<int>(gns));
    }
    EXPECT_EQ(components, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(weights, (std::set<int>{3, 6}));
}

}  // namespace
}  // namespace velmora::fit
