// A fitted system whose populations come from a source other than the catalogue's work state:
// a source built on the public thermal populations (selected, renormalised, per level) draws the
// catalogue source's spectrum and a fit with it recovers the temperature of a synthetic spectrum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "fit/synthetic_spectra.h"
#include "populations/selected_populations.h"

namespace velmora::fit {
namespace {

/// Populations from ThermalPopulations and LevelPopulations (no shared work state).
class PublicThermal final : public PopulationSource {
public:
    explicit PublicThermal(const DatabaseState& db) : db_(db) {}
    std::unique_ptr<PopulationWork> Start(simulation::SpectrumKind kind) const override {
        return std::make_unique<Levels>(db_, simulation::StoredValue(kind));
    }

private:
    struct Levels final : PopulationWork {
        Levels(const DatabaseState& db, int kind) : db(db), kind(kind) {}
        populations::Populations AllLevels() override {
            populations::Populations all = populations::ThermalPopulations(db, kind, 1000.0f, 0.0f);
            all.weights.assign(all.levels.size(), 1.0);
            all.rotational.Fill(1.0f);
            return all;
        }
        std::vector<double> Vibrational(const std::vector<int>& levels, double vibrationalT, double) override {
            const populations::Populations p =
                populations::ThermalPopulations(db, kind, static_cast<float>(vibrationalT), 0.0f);
            std::vector<double> w;
            for (int v : levels) {
                const auto at = std::find(p.levels.begin(), p.levels.end(), v);
                w.push_back(at == p.levels.end() ? 0.0 : p.weights[static_cast<std::size_t>(at - p.levels.begin())]);
            }
            return w;
        }
        populations::Populations Rotational(const std::vector<int>& levels, double rotationalT) override {
            std::map<int, double> one;
            for (int v : levels) one[v] = 1.0;
            populations::Populations p = populations::LevelPopulations(db, kind, one, static_cast<float>(rotationalT));
            p.weights.assign(levels.size(), 1.0);
            return p;
        }
        std::vector<populations::RotationalTerm> RotationalTerms(int) override { return {}; }
        const DatabaseState& db;
        int kind;
    };
    const DatabaseState& db_;
};

TEST(PopulationSource, AnOutsideSourceDrawsTheCatalogueSpectrumAndItsFitRecoversTheTemperature) {
    testing::FitFixture& oh = testing::OHFixture();
    const FitSystem outside =
        MakeFitSystem(oh.shipped.model, std::make_shared<PublicThermal>(*oh.system.database), "OH outside");
    EXPECT_EQ(outside.database, nullptr);
    simulation::SimulationConditions c;
    c.unit = simulation::AxisUnit::AngstromVacuum;
    for (double T : {800.0, 2500.0}) {
        SystemValues v;
        v.rotationalT = v.vibrationalT = T;
        v.gauss = 0.3;
        SystemTracer a(oh.system, c, 3050.0, 3210.0, 3060.0, 3200.0, IntensityConvention::PhotonCounts, false, 7);
        SystemTracer b(outside, c, 3050.0, 3210.0, 3060.0, 3200.0, IntensityConvention::PhotonCounts, false, 7);
        EXPECT_EQ(a.Levels(), b.Levels());
        const SystemTrace ta = a.Trace(v), tb = b.Trace(v);
        ASSERT_EQ(ta.total.size(), tb.total.size());
        const float peak = *std::max_element(ta.total.begin(), ta.total.end());
        for (std::size_t i = 0; i < ta.total.size(); ++i) ASSERT_NEAR(ta.total[i], tb.total[i], 1e-5 * peak) << T;
    }
    // A fit through the outside source: the synthetic spectrum's 2000 K within 2 sigma.
    constexpr double x0 = 3060.0, step = 140.0 / 2999.0;
    testing::Truth t;
    t.noise = 1.0;
    GaussianDeviate noise(5);
    const std::vector<double> signal = testing::Signal(oh, t, x0, step, 3000);
    FitRequest r = testing::Request({outside}, testing::Measure({signal}, t, x0, step, noise), 5 * step, 1200.0);
    r.settings.free = {"t", "scale", "baseline"};
    const FitResult fit = FitSpectrum(r);
    EXPECT_NEAR(fit.Value("t"), 2000.0, 2.0 * fit.Uncertainty("t"));
    EXPECT_LT(fit.Uncertainty("t"), 20.0);
    EXPECT_EQ(fit.systems.front(), "OH outside");
}

}  // namespace
}  // namespace velmora::fit
