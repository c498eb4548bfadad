// Convolved instrument functions: the triangle, trapezoid and measured shapes themselves, their
// file, and lines simulated through them against closed forms and numerical convolutions.
#include "simulation/instrument_function.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>

#include "program/simulation_run.h"
#include "simulation/condition_view.h"
#include "simulation/slit_file.h"
#include "support/condition_controls.h"
#include "support/file_error.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "synthetic_system.h"

namespace velmora::simulation {
namespace {

using testing::SyntheticSystem;

/// Integral of x^p times the function, by its cell averages on a fine grid.
double Moment(const InstrumentFunction& f, int p) {
    const double h = 1e-3;
    const int reach = static_cast<int>(f.Extent() / h) + 2;
    const std::vector<double> cells = f.CellAverages(h, 1.0, reach);
    double sum = 0.0;
    for (int m = -reach; m <= reach; ++m) sum += std::pow(m * h, p) * cells[static_cast<std::size_t>(m + reach)];
    return sum;
}

TEST(InstrumentFunction, UnitAreaCentroidAtZeroAndTheWidthAsked) {
    struct Case {
        InstrumentFunction f;
        double fwhm, variance;
    };
    // Triangle of FWHM w: base 2w, variance w^2/6. Box of width w: w^2/12. A trapezoid of top t
    // and base b: (b^2 + t^2)/24. The asymmetric triangle on 0, 1, 3 (peak at 1): half maximum at
    // 0.5 and 2, variance (a^2 + b^2 + c^2 - ab - ac - bc)/18 of its corners.
    const Case cases[] = {
        {InstrumentFunction::Trapezoid(1.0, 0.0), 1.0, 1.0 / 6.0},
        {InstrumentFunction::Trapezoid(2.0, 2.0), 2.0, 4.0 / 12.0},
        {InstrumentFunction::Trapezoid(1.0, 0.5), 1.0, (1.5 * 1.5 + 0.25) / 24.0},
        {InstrumentFunction({0.0, 1.0, 3.0}, {0.0, 5.0, 0.0}), 1.5, (0 + 1 + 9 - 0 - 0 - 3) / 18.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(Moment(c.f, 0), 1.0, 1e-12);
        EXPECT_NEAR(Moment(c.f, 1), 0.0, 1e-9);
        EXPECT_NEAR(Moment(c.f, 2), c.variance, 1e-6);
        EXPECT_NEAR(c.f.Fwhm(), c.fwhm, 1e-12);
    }
    EXPECT_THROW(InstrumentFunction({0.0, 1.0}, {0.0, 0.0}), ConditionError);
}

TEST(SlitFile, ReadsHeaderedColumnsAndNamesTheLineOfAFault) {
    testing::TempDir dir;
    const std::string good = (dir.path() / "slit.txt").string();
    std::ofstream(good) << "Slit function, offset (nm); response\r\n# measured with a HeNe line\r\n"
                           "0.2;0\r\n0.1;1\r\n0;2\r\n-0.1;1\r\n-0.2;-0.01\r\n";
    const MeasuredSlit slit = ReadSlitFile(good, SlitOffsetUnit::Nanometre);
    EXPECT_EQ(slit.offset, (std::vector<double>{-0.2, -0.1, 0.0, 0.1, 0.2}));
    EXPECT_EQ(slit.response, (std::vector<double>{0.0, 1.0, 2.0, 1.0, 0.0}));  // noise below 0 counts as 0

    struct Bad {
        const char* text;
        const char* message;
    };
    for (const Bad& b : {Bad{"0 1\n1 2\nabc\n", "slit.dat, line 3: expected two numbers"},
                         Bad{"0 1\n1 2\n1 3\n", "slit.dat, line 3: the offset repeats the one before"},
                         Bad{"0 1\n2 2\n1 3\n", "slit.dat, line 3: the offsets do not run in one direction"},
                         Bad{"0 1\n1 nan\n2 0\n", "slit.dat, line 2: the value is not a finite number"},
                         Bad{"0 1\n1 2\n", "slit.dat: an instrument function needs at least three points"},
                         Bad{"0 0\n1 0\n2 0\n", "slit.dat: the response is zero everywhere"}}) {
        const std::string path = (dir.path() / "slit.dat").string();
        std::ofstream(path) << b.text;
        const std::string message = testing::FileErrorMessage([&] { ReadSlitFile(path, SlitOffsetUnit::Axis); });
        EXPECT_NE(message.find(b.message), std::string::npos) << message;
    }

    // In nm on a cm-1 axis: d(nu) = -d(lambda) nu^2 / 1E7, the function mirrored.
    SimulationConditions c;
    c.lineshape = Lineshape::Measured;
    c.unit = AxisUnit::Wavenumber;
    c.slit = std::make_shared<const MeasuredSlit>(
        MeasuredSlit{"", SlitOffsetUnit::Nanometre, {0.0, 0.1, 0.3}, {0.0, 1.0, 0.0}});
    const double nu = 32000.0;
    const InstrumentFunction f = InstrumentFor(c, nu);
    const double perNm = nu * nu / 1E7;
    EXPECT_NEAR(f.Fwhm(), 0.15 * perNm, 1e-9);
    EXPECT_NEAR(f.X()[1] - f.X()[0], 0.2 * perNm, 1e-9);  // the long side first once mirrored
    c.slitScale = 2.0;
    EXPECT_NEAR(InstrumentWidth(c, nu), 0.3 * perNm, 1e-9);
}

/// A state in cm-1 over 32000..32400 with one emission line and no broadening of its own.
struct Bench {
    AppState app;
    SyntheticSystem sys{app};
    Bench() {
        testing::Choose(app, "kind", 1);
        app.sim.conditions.unit = AxisUnit::Wavenumber;
        app.sim.conditions.start = 32000;
        app.sim.conditions.end = 32400;
        app.sim.conditions.resolution = 1.0f;
        app.sim.conditions.predissociationBroadening = false;
        sys.SetPopulations({1.0f}, 0.01f);
    }
    void Run() { program::CalculateSimulation(app, sys.Loader()); }
    double X(int i) const {
        return app.sim.result.grid.start +
               static_cast<double>(app.sim.result.grid.gridWidth) * i / app.sim.result.grid.pointsPerWidth;
    }
    /// The total in the units of the line strengths: area W = population x strength per line.
    double Unscaled(int i) const { return app.sim.result.total(i) * static_cast<double>(app.sim.result.peak) / 100.0; }
    /// Area, centre and variance of the total between two positions.
    std::array<double, 3> Moments(double a, double b) const {
        double s0 = 0, s1 = 0, s2 = 0;
        const double h = app.sim.result.grid.gridWidth / app.sim.result.grid.pointsPerWidth;
        for (int i = 0; i <= app.sim.result.grid.last; ++i)
            if (X(i) >= a && X(i) <= b)
                s0 += Unscaled(i) * h, s1 += X(i) * Unscaled(i) * h, s2 += X(i) * X(i) * Unscaled(i) * h;
        return {s0, s1 / s0, s2 / s0 - (s1 / s0) * (s1 / s0)};
    }
};

TEST(InstrumentConvolution, ALineWithoutWidthOfItsOwnTakesTheTriangle) {
    Bench t;
    const double x0 = static_cast<float>(32200.3);  // positions are held in single precision
    t.sys.AddLine({0, 0, 1, 3, x0, 2.0f, 1.0f});
    testing::Choose(t.app, "lineshape", StoredValue(Lineshape::Triangle));
    t.Run();
    ASSERT_TRUE(t.app.plot.PlotReady);
    // Each point holds the triangle W (1 - |x - x0| / w) / w averaged over its grid cell
    // (integrated here by the midpoint rule).
    const double W = 0.01 * 2.0, w = 1.0, h = 1.0 / 7.0;
    double worst = 0.0;
    for (int i = 0; i <= t.app.sim.result.grid.last; ++i) {
        double average = 0.0;
        for (int k = 0; k < 400; ++k) {
            const double x = t.X(i) - h / 2 + h * (k + 0.5) / 400;
            average += W * std::max(0.0, 1.0 - std::fabs(x - x0) / w) / w / 400;
        }
        worst = std::max(worst, std::fabs(t.Unscaled(i) - average));
    }
    EXPECT_LT(worst, 1e-4 * W / w);
    const auto m = t.Moments(32190, 32210);
    EXPECT_NEAR(m[0], W, 1e-6 * W);  // the convolution keeps the area
    EXPECT_NEAR(m[1], x0, 1e-4);
}

TEST(InstrumentConvolution, TrapezoidFoldedWithACollisionalLorentzian) {
    Bench t;
    t.sys.AddLine({0, 0, 1, 3, 32200.0, 2.0f, 1.0f});
    // Collisional FWHM = B1 (P/760) (300/T)^B2 = 0.8 cm-1 at 760 Torr and 300 K.
    t.app.sim.conditions.collisionalBroadening = true;
    t.app.sim.conditions.collisionalBroad1 = 0.8f;
    t.app.sim.conditions.pressure = 760.0f;
    testing::Choose(t.app, "lineshape", StoredValue(Lineshape::Trapezoid));
    testing::Type(t.app, "top", "0.4");
    t.Run();
    ASSERT_TRUE(t.app.plot.PlotReady) << t.app.sim.result.system;
    // The convolution at x, integrated numerically in the test: the trapezoid of FWHM 1 and top
    // 0.4 (base 1.6, height 1) against the Lorentzian of HWHM 0.4.
    const double W = 0.02, g = 0.4;
    auto expected = [&](double x) {
        const int n = 4000;
        double sum = 0.0;
        for (int k = 0; k <= n; ++k) {
            const double y = -0.8 + 1.6 * k / n;
            const double trap = std::clamp((0.8 - std::fabs(y)) / 0.6, 0.0, 1.0);
            const double lor = g / M_PI / ((x - y) * (x - y) + g * g);
            sum += (k == 0 || k == n ? 0.5 : 1.0) * trap * lor;
        }
        return W * sum * 1.6 / n;
    };
    for (int i = 0; i <= t.app.sim.result.grid.last; ++i)
        if (std::fabs(t.X(i) - 32200.0) < 3.0) {
            EXPECT_NEAR(t.Unscaled(i), expected(t.X(i) - 32200.0), 0.01 * expected(0.0)) << t.X(i);
        }
}

TEST(InstrumentConvolution, DirectVaryingAndFftConvolutionsAgree) {
    // A collisional profile wide enough to be sampled, folded with a measured triangle: directly,
    // through the path of a changing width (a change too small to matter), and by FFT (the same
    // triangle with zero response out to +-20 cm-1, a kernel far longer than a direct sum takes).
    testing::TempDir dir;
    auto run = [&](const char* slit, const char* slope) {
        Bench t;
        t.sys.AddLine({0, 0, 1, 3, 32200.0, 2.0f, 1.0f});
        t.sys.AddLine({0, 0, 3, 3, 32203.1, 1.0f, 1.0f});
        t.app.sim.conditions.collisionalBroadening = true;
        t.app.sim.conditions.collisionalBroad1 = 0.8f;
        t.app.sim.conditions.pressure = 760.0f;
        const std::string path = (dir.path() / "slit.txt").string();
        std::ofstream(path) << slit;
        EXPECT_EQ(program::SetSlitFile(t.app, path), "");
        testing::Choose(t.app, "lineshape", StoredValue(Lineshape::Measured));
        testing::Type(t.app, "resolution-slope", slope);
        t.Run();
        std::vector<double> y;
        for (int i = 0; i <= t.app.sim.result.grid.last; ++i) y.push_back(t.Unscaled(i));
        return y;
    };
    const std::vector<double> direct = run("-1 0\n0 1\n1 0\n", "0");
    const std::vector<double> varying = run("-1 0\n0 1\n1 0\n", "1e-12");
    const std::vector<double> fft = run("-20 0\n-1 0\n0 1\n1 0\n20 0\n", "0");
    ASSERT_EQ(direct.size(), fft.size());
    const double peak = *std::max_element(direct.begin(), direct.end());
    for (std::size_t i = 0; i < direct.size(); ++i) {
        EXPECT_NEAR(varying[i], direct[i], 1e-6 * peak);
        EXPECT_NEAR(fft[i], direct[i], 1e-6 * peak);
    }
}

TEST(InstrumentConvolution, WidthFollowsTheDispersionAndTheMeasuredScale) {
    // Lines on grid points (step 1/7 cm-1); the variance of a triangle of FWHM w is w^2/6, plus
    // h^2/12 from averaging over a grid cell.
    Bench t;
    t.sys.AddLine({0, 0, 1, 3, 32050.0, 2.0f, 1.0f});
    t.sys.AddLine({0, 0, 3, 3, 32350.0, 2.0f, 1.0f});
    testing::Choose(t.app, "lineshape", StoredValue(Lineshape::Triangle));
    testing::Type(t.app, "resolution-slope", "0.002");  // FWHM 1 - 0.3 at 32050 and 1 + 0.3 at 32350
    t.Run();
    const double h2 = 1.0 / 49.0 / 12.0;
    EXPECT_NEAR(t.Moments(32045, 32055)[2], 0.7 * 0.7 / 6.0 + h2, 2e-3 * 0.7 * 0.7 / 6.0);
    EXPECT_NEAR(t.Moments(32343, 32357)[2], 1.3 * 1.3 / 6.0 + h2, 2e-3 * 1.3 * 1.3 / 6.0);

    // A width falling to 0 inside the range is refused with a message.
    testing::ScriptedDialogs dialogs;
    t.app.dialogs = &dialogs;
    testing::Type(t.app, "resolution-slope", "0.006");
    t.Run();
    EXPECT_FALSE(t.app.plot.PlotReady);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_NE(dialogs.messages.back().find("instrumental width would fall to 0"), std::string::npos);

    // A measured triangle of FWHM 0.5 cm-1 read from its file, widened 1.5 times.
    testing::TempDir dir;
    const std::string path = (dir.path() / "slit.txt").string();
    std::ofstream(path) << "-0.5 0\n0 1\n0.5 0\n";
    testing::Type(t.app, "resolution-slope", "0");
    ASSERT_EQ(program::SetSlitFile(t.app, path), "");
    testing::Choose(t.app, "lineshape", StoredValue(Lineshape::Measured));
    testing::Type(t.app, "slit-scale", "1.5");
    t.Run();
    ASSERT_TRUE(t.app.plot.PlotReady);
    EXPECT_NEAR(t.app.sim.widths.totalWidth, 0.75f, 1e-6);
    const double step2 = std::pow(0.75 / 7.0, 2) / 12.0;
    EXPECT_NEAR(t.Moments(32045, 32055)[2], 0.75 * 0.75 / 6.0 + step2, 2e-3 * 0.75 * 0.75 / 6.0);
}

}  // namespace
}  // namespace velmora::simulation
