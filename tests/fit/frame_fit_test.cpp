// Frames fitted row by row: a temperature gradient along the slit, a corrupted row that fails
// alone, results independent of the threads and of the share of rows fitted; and an
// axisymmetric source of known radial temperatures, projected here along lines of sight, that
// the Abel inversion and the fits recover.
#include "fit/frame_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "experiment/spectrum_frame.h"
#include "fit/fit_report.h"
#include "fit/synthetic_spectra.h"
#include "support/temp_dir.h"

namespace velmora::fit {
namespace {

constexpr double kX0 = 3080.0, kStep = 0.05;
constexpr int kPoints = 400;

testing::FitFixture& OH() { return testing::OHFixture(); }

/// The OH spectrum of temperature T peaking at `amplitude`, without noise.
std::vector<double> Emission(double T, double amplitude) {
    testing::Truth t;
    t.temperature = static_cast<float>(T);
    t.amplitude = amplitude;
    return Signal(OH(), t, kX0, kStep, kPoints);
}

FitRequest Request() {
    FitRequest r = testing::Request({OH().system}, MeasuredSpectrum(), 5 * kStep, 1500.0);
    r.settings.free = {"t", "scale", "baseline"};
    return r;
}

void ExpectSameRows(const std::vector<FrameRow>& a, const std::vector<FrameRow>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(a[k].index, b[k].index);
        EXPECT_EQ(a[k].fit.outcome, b[k].fit.outcome);
        EXPECT_EQ(a[k].fit.message, b[k].fit.message);
        EXPECT_EQ(a[k].fromNeighbour, b[k].fromNeighbour);
        for (std::size_t p = 0; p < a[k].fit.result.parameters.size(); ++p) {
            EXPECT_EQ(a[k].fit.result.parameters[p].value, b[k].fit.result.parameters[p].value) << k;
            EXPECT_EQ(a[k].fit.result.uncertainties[p], b[k].fit.result.uncertainties[p]) << k;
        }
    }
}

}  // namespace

TEST(FitFrame, TemperatureGradientAlongTheSlitAndACorruptRowThatFailsAlone) {
    // 12 rows from 1500 K to 2600 K, noise 1 % of the peak; row 6 holds a NaN.
    FrameSpectra frame;
    frame.source = "slit.fits";
    frame.positionUnit = "mm";
    GaussianDeviate noise(5);
    for (int i = 0; i < kPoints; ++i) frame.x.push_back(kX0 + i * kStep);
    std::vector<double> truth;
    for (int r = 0; r < 12; ++r) {
        truth.push_back(1500.0 + 100.0 * r);
        std::vector<double> y = Emission(truth.back(), 100.0);
        for (double& v : y) v += 2.0 + noise.Next();
        frame.y.push_back(y);
        frame.positions.push_back(0.5 * r);
    }
    frame.y[5][200] = std::nan("");

    FrameFitOptions o;
    o.block = 4, o.jobs = 1;
    const std::vector<FrameRow> one = FitFrame(Request(), frame, o);
    o.jobs = 2;
    ExpectSameRows(FitFrame(Request(), frame, o), one);
    ASSERT_EQ(one.size(), 12u);
    for (const FrameRow& row : one) {
        if (row.index == 5) {
            EXPECT_EQ(row.fit.outcome, BatchOutcome::BadInput);
            EXPECT_NE(row.fit.message.find("slit.fits, row 6 (position 2.5 mm): point 201"), std::string::npos)
                << row.fit.message;
            continue;
        }
        ASSERT_EQ(row.fit.outcome, BatchOutcome::Fitted) << row.fit.message;
        const FitResult& r = row.fit.result;
        EXPECT_NEAR(r.Value("t"), truth[static_cast<std::size_t>(row.index)], 2.5 * r.Uncertainty("t")) << row.index;
        EXPECT_LT(r.Uncertainty("t"), 40.0);
        // The first row of each block from the request; the others from the row before (row 7
        // from row 5, the last one fitted).
        EXPECT_EQ(row.fromNeighbour, row.index % 4 != 0) << row.index;
        EXPECT_EQ(row.position, 0.5 * row.index);
    }

    // A share of whole blocks fitted elsewhere gives the same rows.
    o.firstRow = 4, o.lastRow = 7;
    const std::vector<FrameRow> share = FitFrame(Request(), frame, o);
    ExpectSameRows(share, std::vector<FrameRow>(one.begin() + 4, one.begin() + 8));

    const testing::TempDir dir;
    const std::string path = (dir / "rows.csv").string();
    WriteFrameCsv(path, frame, one);
    const std::vector<std::string> lines = testing::CrLfLines(testing::ReadFile(path));
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0].rfind(
                  "row,position_mm,start,status,message,reduced_chi_square,points,evaluations,convention,t,t_sigma", 0),
              0u)
        << lines[0];
    EXPECT_EQ(testing::CommaFields(lines[6])[3], "bad input");
    EXPECT_EQ(testing::CommaFields(lines[7]).front(), "7");
    EXPECT_EQ(testing::CommaFields(lines[7])[2], "neighbour");
}

TEST(FitFrame, AxisymmetricSourceRecoveredByInversionAndFits) {
    // A source of radius 1 mm: density 1 inside 0.7 mm falling smoothly to 0 at the edge,
    // T(r) = 2600 K − 1300 K (r/R)². Its emissivity is simulated at 81 radii; each side-on row
    // y integrates it along the line of sight, 2 ∫ ε(√(y² + s²)) ds, with noise of σ = 1 (the
    // projection peaks near 180).
    const double R = 1.0;
    auto T = [&](double r) { return 2600.0 - 1300.0 * (r / R) * (r / R); };
    auto density = [&](double r) {
        if (r >= R) return 0.0;
        if (r <= 0.7 * R) return 1.0;
        const double u = (r - 0.7 * R) / (0.3 * R);
        return 0.5 * (1.0 + std::cos(M_PI * u));
    };
    const int radii = 81;
    std::vector<std::vector<double>> emissivity;
    for (int k = 0; k < radii; ++k) {
        const double r = R * k / (radii - 1);
        emissivity.push_back(Emission(T(r), 100.0 * density(r)));
    }
    auto at = [&](double r, int i) {
        const double u = r / R * (radii - 1);
        if (u >= radii - 1) return 0.0;
        const int k = static_cast<int>(u);
        return (1.0 - (u - k)) * emissivity[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)] +
               (u - k) * emissivity[static_cast<std::size_t>(k) + 1][static_cast<std::size_t>(i)];
    };
    // Lateral rows every 0.05 mm from −1.2 to 1.2 mm, the axis at 0.013 mm.
    const double centre = 0.013, dy = 0.05;
    const int rows = 49;
    experiment::SpectrumFrame side = experiment::BlankFrame(rows, kPoints);
    for (int i = 0; i < kPoints; ++i) side.axis.push_back(kX0 + i * kStep);
    GaussianDeviate noise(21);
    for (int j = 0; j < rows; ++j) {
        const double y = -1.2 + j * dy;
        side.positions[static_cast<std::size_t>(j)] = y;
        const double d = std::fabs(y - centre);
        const double half = d < R ? std::sqrt(R * R - d * d) : 0.0;
        const int n = 400;
        for (int i = 0; i < kPoints; ++i) {
            double sum = 0.0;
            for (int m = 0; m <= n; ++m) {
                const double s = half * m / n;
                sum += (m == 0 || m == n ? 0.5 : 1.0) * at(std::sqrt(d * d + s * s), i);
            }
            side.At(j, i) = static_cast<float>(2.0 * sum * half / n + noise.Next());
        }
    }
    const testing::TempDir dir;
    const std::string path = (dir / "side-on.csv").string();
    experiment::WriteMatrixCsv(path, side);

    FramePreparation how;
    how.frame = path;
    how.abel = true;
    const FrameSpectra frame = PrepareFrame(how, simulation::AxisUnit::AngstromVacuum);
    EXPECT_NEAR(frame.centre, centre, 0.01);
    EXPECT_EQ(frame.positionName, "radius");
    FrameFitOptions o;
    o.block = 8;
    const std::vector<FrameRow> fitted = FitFrame(Request(), frame, o);
    int inside = 0;
    for (const FrameRow& row : fitted) {
        if (row.position >= 0.95 * R) continue;  // no emission to fit beyond the source
        ASSERT_EQ(row.fit.outcome, BatchOutcome::Fitted) << row.position << ": " << row.fit.message;
        const FitResult& r = row.fit.result;
        EXPECT_NEAR(r.Value("t"), T(row.position), 2.0 * r.Uncertainty("t")) << "r = " << row.position;
        ++inside;
    }
    EXPECT_GE(inside, 18);
    // The noise the inversion amplifies is largest on the axis: its temperature is the least certain.
    EXPECT_GT(fitted.front().fit.result.Uncertainty("t"), fitted[10].fit.result.Uncertainty("t"));
}

}  // namespace velmora::fit
