// Naming the species a fit left out: a CN B-X spectrum with a CH B-X shoulder, fitted with CN
// alone, has CH (B-X) first among the catalogue's band systems tried on the residual, at the
// x range of its lines.
#include "fit/identify.h"

#include <gtest/gtest.h>

#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

TEST(IdentifySpecies, TheBandSystemLeftOutOfTheFitExplainsMostOfTheResidualWhereItsLinesAre) {
    static testing::FitFixture cn("CN", "(B-X)"), ch("CH", "(B-X)");
    constexpr double x0 = 3875.0, step = 0.1;
    constexpr int n = 250;
    testing::Truth a, b, m;
    a.temperature = 5000.0f, a.amplitude = 80.0;
    b.temperature = 3000.0f, b.amplitude = 8.0;
    m.noise = 0.3, m.baseline = 1.0;
    GaussianDeviate noise(12);
    FitRequest r = testing::Request(
        {cn.system}, Measure({Signal(cn, a, x0, step, n), Signal(ch, b, x0, step, n)}, m, x0, step, noise), 5 * step,
        5000.0);
    r.options.components = ComponentDetail::Systems;
    const FitResult fit = FitSpectrum(r);
    const SpeciesSearch search = IdentifySpecies(r, fit, cn.shipped.app.db);
    ASSERT_FALSE(search.candidates.empty());
    const SpeciesCandidate& best = search.candidates.front();
    EXPECT_EQ(best.system, "CH (B-X)");
    EXPECT_GT(best.share, 0.5);
    EXPECT_GT(best.share, 2.0 * search.candidates[1].share);
    EXPECT_NEAR(best.temperature, 3000.0, 1500.0);
    ASSERT_FALSE(best.ranges.empty());
    // CH B-X (0,0) lies at 3885-3900 Å.
    EXPECT_GT(best.ranges.front().second, 3885.0);
    EXPECT_LT(best.ranges.front().first, 3900.0);
    // Every other system of the catalogue was tried: with lines here, or named as without.
    EXPECT_EQ(search.candidates.size() + search.outside.size(),
              static_cast<std::size_t>(cn.shipped.app.db.cat.CatalogueCount - 1));
    const std::vector<std::string> lines = CandidateLines(search, "Å");
    EXPECT_EQ(lines.front().rfind("CH (B-X)", 0), 0u);
    EXPECT_NE(lines.front().find("% of the residual at T = "), std::string::npos) << lines.front();
}

}  // namespace
}  // namespace velmora::fit
