// Boltzmann plots of synthetic OH A-X emission: thermal populations give a straight line whose
// slope returns the temperature the spectrum was made at; a spectrum of a million points is
// solved in memory proportional to its points.
#include "fit/boltzmann_plot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>

#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"
#include "support/temp_dir.h"

namespace velmora::fit {
namespace {

TEST(BoltzmannPlot, ThermalLevelsOfVZeroLieOnTheLineOfTheirTemperature) {
    static testing::FitFixture oh("OH", "(A-X)");
    constexpr double x0 = 3060.0, step = 0.04;
    testing::Truth t;
    t.temperature = 2500.0f, t.noise = 0.5, t.baseline = 1.0;
    GaussianDeviate noise(41);
    const MeasuredSpectrum m = Measure({Signal(oh, t, x0, step, 2500)}, t, x0, step, noise);
    FitRequest r = testing::Request({oh.system}, m, 5 * step, 1500.0);
    const BoltzmannPlot plot = FitBoltzmannPlot(r, 0);
    EXPECT_EQ(plot.system, "OH (A-X)");
    EXPECT_NEAR(plot.temperature, 2500.0, 2.0 * plot.temperatureSigma);
    EXPECT_LT(plot.temperatureSigma, 100.0);
    EXPECT_LT(plot.reducedChiSquare, 2.0);
    int used = 0;
    for (const BoltzmannLevel& l : plot.levels) {
        used += l.used;
        // g = 2J + 1 for OH (no nuclear-spin alternation), J = N ± 1/2.
        EXPECT_DOUBLE_EQ(l.degeneracy, 2.0 * l.J + 1.0);
        EXPECT_EQ(std::fabs(l.J - l.row), 0.5);
    }
    EXPECT_GT(used, 20);

    testing::TempDir dir;
    WriteBoltzmannCsv((dir / "b.csv").string(), plot);
    const std::vector<std::string> lines = testing::CrLfLines(testing::ReadFile(dir / "b.csv"));
    EXPECT_EQ(lines.size(), plot.levels.size() + 2);
    EXPECT_EQ(lines.back().rfind("# ln(N/g) = ", 0), 0u);

    EXPECT_THROW(FitBoltzmannPlot(r, 7), FitInputError);
    r.conditions.kind = simulation::SpectrumKind::Absorption;
    EXPECT_THROW(FitBoltzmannPlot(r, 0), FitInputError);
}

#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_SHADOW_MEMORY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VELMORA_SHADOW_MEMORY 1
#endif
#endif

TEST(BoltzmannPlot, AMillionPointsAreSolvedInMemoryProportionalToThePoints) {
#ifdef VELMORA_SHADOW_MEMORY
    GTEST_SKIP() << "the sanitizer's shadow memory hides the program's own";
#endif
    static testing::FitFixture oh("OH", "(A-X)");
    // The spectrum of the test above, sampled 400 times more finely: 10^6 points.
    constexpr double x0 = 3060.0, step = 0.04;
    constexpr int n = 1'000'000;
    testing::Truth t;
    t.temperature = 2500.0f;
    const std::vector<double> coarse = Signal(oh, t, x0, step, 2501);
    MeasuredSpectrum m;
    m.source = "a million points";
    GaussianDeviate noise(5);
    for (int i = 0; i < n; ++i) {
        const double u = 2500.0 * i / n;
        const std::size_t k = static_cast<std::size_t>(u);
        m.x.push_back(x0 + u * step);
        m.y.push_back(coarse[k] + (u - k) * (coarse[k + 1] - coarse[k]) + 0.5 * noise.Next());
    }
    const FitRequest r = testing::Request({oh.system}, m, 5 * step, 2000.0);
    // In a child process, whose peak resident memory the kernel reports (the whole design
    // matrix of the ~60 level populations alone would take 500 MB, its SVD several GB).
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 3;
        try {
            const BoltzmannPlot plot = FitBoltzmannPlot(r, 0);
            code = std::fabs(plot.temperature - 2500.0) < 3.0 * plot.temperatureSigma ? 0 : 4;
        } catch (...) {
        }
        _exit(code);
    }
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: the plot failed, 4: its temperature is off";
    EXPECT_LT(usage.ru_maxrss, 1024L * 1024L) << "kB";  // below 1 GB (3.7 GB before)
}

}  // namespace
}  // namespace velmora::fit
