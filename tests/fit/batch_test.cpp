// Batches of spectrum files: a bad file fails on its own row, and the results depend neither on
// the number of threads nor on the spectra the fits before them drew; a series fitted from each
// file's neighbour needs fewer spectra and gives the temperatures of fits from the request.
#include "fit/batch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iomanip>

#include "fit/fit_report.h"
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
    const std::vector<BatchRow> one = FitBatch(r, files, {1, false}), two = FitBatch(r, files, {2, false});
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

/// A series of spectra whose temperature drifts by 40 K from file to file, written to dir.
std::vector<std::string> DriftingSeries(testing::FitFixture& oh, testing::TempDir& dir, int files) {
    constexpr double x0 = 3080.0, step = 0.05;
    GaussianDeviate noise(31);
    std::vector<std::string> paths;
    for (int k = 0; k < files; ++k) {
        testing::Truth t;
        t.noise = 1.0;
        t.temperature = 1800.0f + 40.0f * static_cast<float>(k);
        const MeasuredSpectrum m = Measure({Signal(oh, t, x0, step, 400)}, t, x0, step, noise);
        const std::string path = (dir / ("t" + std::to_string(k) + ".txt")).string();
        std::ofstream out(path);
        out << std::setprecision(10);
        for (std::size_t i = 0; i < m.x.size(); ++i) out << m.x[i] << ' ' << m.y[i] << '\n';
        paths.push_back(path);
    }
    return paths;
}

TEST(FitBatch, AWarmStartedSeriesNeedsFewerSpectraAndPrintsTheTemperaturesOfColdFits) {
    testing::FitFixture& oh = testing::OHFixture();
    testing::TempDir dir;
    const std::vector<std::string> files = DriftingSeries(oh, dir, 7);
    const FitRequest r = testing::Request({oh.system}, MeasuredSpectrum(), 0.25, 1000.0);
    const std::vector<BatchRow> cold = FitBatch(r, files, {1, false});
    // Blocks of 4: files 0 and 4 start from the request, the others from their neighbour.
    const std::vector<BatchRow> warm = FitBatch(r, files, {1, true, 4}), warm2 = FitBatch(r, files, {2, true, 4});
    int coldEvaluations = 0, warmEvaluations = 0, straddled = 0;
    for (std::size_t k = 0; k < files.size(); ++k) {
        ASSERT_EQ(cold[k].outcome, BatchOutcome::Fitted) << cold[k].message;
        ASSERT_EQ(warm[k].outcome, BatchOutcome::Fitted) << warm[k].message;
        EXPECT_EQ(warm[k].warmStarted, k % 4 != 0) << k;
        EXPECT_FALSE(cold[k].warmStarted);
        coldEvaluations += cold[k].result.evaluations;
        warmEvaluations += warm[k].result.evaluations;
        // A fit stops when chi-square changes by less than 1E-6 of itself: the parameters then lie
        // within a few hundredths of their uncertainty of the minimum, from either start.
        for (std::size_t p = 0; p < cold[k].result.parameters.size(); ++p) {
            const double a = warm[k].result.parameters[p].value, b = cold[k].result.parameters[p].value;
            const double sigma = cold[k].result.uncertainties[p];
            EXPECT_NEAR(a, b, 0.05 * sigma + 1e-12) << k << " " << cold[k].result.parameters[p].name;
            EXPECT_EQ(warm2[k].result.parameters[p].value, a);
            if (cold[k].result.parameters[p].name != "t") continue;
            // The printed temperatures agree unless the two straddle a rounding boundary.
            const std::string printed = ValueWithUncertainty(a, warm[k].result.uncertainties[p], true);
            if (printed != ValueWithUncertainty(b, sigma, true)) {
                ++straddled;
                EXPECT_TRUE(printed == ValueWithUncertainty(b - 0.05 * sigma, sigma, true) ||
                            printed == ValueWithUncertainty(b + 0.05 * sigma, sigma, true))
                    << k << ": " << a << " against " << b;
            }
        }
        EXPECT_NEAR(cold[k].result.Value("t"), 1800.0 + 40.0 * static_cast<double>(k),
                    3.0 * cold[k].result.Uncertainty("t"));
    }
    EXPECT_LT(warmEvaluations, coldEvaluations * 2 / 3) << warmEvaluations << " against " << coldEvaluations;
    EXPECT_LE(straddled, 1);
}

TEST(FitBatch, AWarmStartIsKeptOnlyWhenItFitsAsWellAsItsNeighbourOnNoNewBound) {
    FitResult neighbour;
    neighbour.reducedChiSquare = 1.0;
    neighbour.atBound = {false, true};
    struct Case {
        double reducedChiSquare;
        std::vector<bool> atBound;
        bool undetermined, kept;
    };
    for (const Case& c : {Case{1.9, {false, true}, false, true}, Case{2.1, {false, false}, false, false},
                          Case{1.0, {true, false}, false, false}, Case{1.0, {false, false}, true, false}}) {
        FitResult warm;
        warm.reducedChiSquare = c.reducedChiSquare, warm.atBound = c.atBound, warm.undetermined = c.undetermined;
        EXPECT_EQ(SoundWarmStart(warm, neighbour), c.kept) << c.reducedChiSquare;
    }
}

}  // namespace
}  // namespace velmora::fit
