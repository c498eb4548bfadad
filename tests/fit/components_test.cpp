// The components of a fitted model: the bands of each band system add up to its part of the
// model, the branches of a band to the band, under the labels the reports write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

/// The largest difference between a sum of components and a reference curve, relative to the
/// reference's peak.
double Mismatch(const std::vector<const FitComponent*>& parts, const std::vector<double>& whole) {
    const double peak = *std::max_element(whole.begin(), whole.end());
    double worst = 0.0;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        double sum = 0.0;
        for (const FitComponent* c : parts) sum += c->values[i];
        worst = std::max(worst, std::fabs(sum - whole[i]) / peak);
    }
    return worst;
}

TEST(FitComponents, BandsAddUpToEachSystemsPartAndBranchesToTheirBand) {
    static testing::FitFixture cn("CN", "(B-X)"), n2("N2+", "(B-X)");
    constexpr double x0 = 3840.0, step = 0.03;
    constexpr int n = 2000;
    testing::Truth a, b, m;
    a.temperature = 5000.0f, a.amplitude = 80.0;
    b.temperature = 3000.0f, b.amplitude = 50.0;
    m.noise = 1.0;
    GaussianDeviate noise(7);
    FitRequest r = testing::Request(
        {cn.system, n2.system}, Measure({Signal(cn, a, x0, step, n), Signal(n2, b, x0, step, n)}, m, x0, step, noise),
        5 * step, 4000.0);
    r.options.scanPoints = 0;
    r.options.components = ComponentDetail::Branches;
    const FitResult fit = FitSpectrum(r);
    std::map<int, std::vector<const FitComponent*>> bands;
    std::map<std::pair<int, int>, std::vector<const FitComponent*>> branches;
    std::map<std::pair<int, int>, const FitComponent*> band;
    for (const FitComponent& c : fit.components) {
        ASSERT_EQ(c.values.size(), fit.x.size());
        if (c.branch == 0) {
            bands[c.system].push_back(&c);
            band[{c.system, c.vUp * 100 + c.vLow}] = &c;
        } else {
            branches[{c.system, c.vUp * 100 + c.vLow}].push_back(&c);
        }
    }
    ASSERT_EQ(bands.size(), 2u);
    for (const auto& [system, list] : bands)
        EXPECT_LT(Mismatch(list, fit.parts[static_cast<std::size_t>(system)]), 1e-5);
    for (const auto& [key, list] : branches) EXPECT_LT(Mismatch(list, band.at(key)->values), 1e-5);
    // The strongest band of CN B-X here is (0-0), labelled as the systems list names the system.
    const auto strongest = *std::max_element(bands[0].begin(), bands[0].end(), [](auto* p, auto* q) {
        return *std::max_element(p->values.begin(), p->values.end()) <
               *std::max_element(q->values.begin(), q->values.end());
    });
    EXPECT_EQ(strongest->label, "CN (B-X) (0-0)");
    const bool named = std::any_of(fit.components.begin(), fit.components.end(),
                                   [](const FitComponent& c) { return c.label == "CN (B-X) (0-0) R1"; });
    EXPECT_TRUE(named);
}

}  // namespace
}  // namespace velmora::fit
