// Batches of spectrum files: a bad file fails on its own row, and the results depend neither on
// the number of threads nor on the spectra the fits before them drew.
#include "fit/batch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iomanip>

#include "fit/synthetic_spectra.h"
#include "support/temp_dir.h"

namespace velmora::fit {
namespace {

TEST(FitBatch, ABadFileFailsOnItsRowAndTwoJobsOrFreshFitsGiveExactlyTheResultsOfOne) {
    static testing::FitFixture oh("OH", "(A-X)");
    constexpr double x0 = 3080.0, step = 0.05;
    testing::Truth t;
    t.noise = 1.0;
    const std::vector<double> signal = Signal(oh, t, x0, step, 400);
    testing::TempDir dir;
    std::vector<std::string> files;
    GaussianDeviate noise(77);
    for (int k = 0; k < 5; ++k) {
        const MeasuredSpectrum m = Measure({signal}, t, x0, step, noise);
        const std::string path = (dir / ("s" + std::to_string(k) + ".txt")).string();
        std::ofstream out(path);
        out << std::setprecision(10) << "wavelength intensity\n";
        for (std::size_t i = 0; i < m.x.size(); ++i) out << m.x[i] << ' ' << m.y[i] << '\n';
        files.push_back(path);
    }
    files.insert(files.begin() + 2, dir.Write("bad.txt", "3080 1\n3081 nan\n3082 2\n").string());
    files.push_back((dir / "missing.txt").string());

    FitRequest r = testing::Request({oh.system}, MeasuredSpectrum(), 5 * step, 1500.0);
    const std::vector<BatchRow> one = FitBatch(r, files, 1), two = FitBatch(r, files, 2);
    // The second batch found the spectra the first drew (the start values and the temperature
    // scan are alike for every file); a fit that draws every spectrum anew gives the same.
    FitRequest fresh = r;
    fresh.systems[0].traces = std::make_shared<TraceCache>();
    const BatchRow alone = FitFile(fresh, files[4]);
    ASSERT_EQ(alone.outcome, BatchOutcome::Fitted);
    EXPECT_EQ(alone.result.chiSquare, two[4].result.chiSquare);
    EXPECT_EQ(alone.result.evaluations, two[4].result.evaluations);
    ASSERT_EQ(one.size(), files.size());
    for (std::size_t k = 0; k < files.size(); ++k) {
        EXPECT_EQ(one[k].file, files[k]);
        const bool bad = k == 2 || k + 1 == files.size();
        EXPECT_EQ(one[k].outcome, bad ? BatchOutcome::BadInput : BatchOutcome::Fitted)
            << files[k] << ": " << one[k].message;
        EXPECT_EQ(two[k].outcome, one[k].outcome);
        EXPECT_EQ(two[k].message, one[k].message);
        if (bad) continue;
        EXPECT_NEAR(one[k].result.Value("t"), 2000.0, 3.0 * one[k].result.Uncertainty("t"));
        for (std::size_t p = 0; p < one[k].result.parameters.size(); ++p) {
            EXPECT_EQ(two[k].result.parameters[p].value, one[k].result.parameters[p].value);
            EXPECT_EQ(two[k].result.uncertainties[p], one[k].result.uncertainties[p]);
        }
        EXPECT_EQ(two[k].result.chiSquare, one[k].result.chiSquare);
    }
    EXPECT_NE(one[2].message.find("bad.txt"), std::string::npos);
    EXPECT_NE(one[2].message.find("line 2"), std::string::npos) << one[2].message;
}

}  // namespace
}  // namespace velmora::fit
