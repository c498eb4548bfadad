// The Abel inversion against analytic pairs of emissivity and projection computed here, the
// coverage of the uncertainty it reports, the centre and the halves.
#include "experiment/abel_inversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace velmora::experiment {

namespace {

/// A side-on frame of one column: rows at y = y0 + j Δ, the projection P(y − centre).
SpectrumFrame SideOn(int rows, double y0, double step, const std::function<double(double)>& projection, double centre) {
    SpectrumFrame f = BlankFrame(rows, 1);
    f.source = "side-on";
    for (int j = 0; j < rows; ++j) {
        f.positions[static_cast<std::size_t>(j)] = y0 + j * step;
        f.At(j, 0) = static_cast<float>(projection(y0 + j * step - centre));
    }
    return f;
}

}  // namespace

TEST(AbelInversion, AnalyticPairsAreRecoveredInTheInterior) {
    // A Gaussian emissivity exp(−r²/2s²) projects to √(2π) s exp(−y²/2s²); a uniform disc of
    // radius R to 2√(R² − y²). Rows every 0.1 mm, the axis between two rows.
    const double s = 2.0, R = 4.0;
    struct Case {
        const char* name;
        std::function<double(double)> emissivity, projection;
        double interior;  ///< radii checked
        double regularisation;
    } cases[] = {
        {"Gaussian", [&](double r) { return std::exp(-r * r / (2 * s * s)); },
         [&](double y) { return std::sqrt(2 * M_PI) * s * std::exp(-y * y / (2 * s * s)); }, 2.0 * s, 0.0},
        {"Gaussian, regularised", [&](double r) { return std::exp(-r * r / (2 * s * s)); },
         [&](double y) { return std::sqrt(2 * M_PI) * s * std::exp(-y * y / (2 * s * s)); }, 2.0 * s, 0.5},
        {"disc", [&](double r) { return r < R ? 1.0 : 0.0; },
         [&](double y) { return std::fabs(y) < R ? 2.0 * std::sqrt(R * R - y * y) : 0.0; }, 0.8 * R, 0.0},
    };
    for (const Case& c : cases) {
        AbelOptions o;
        o.findCentre = false;
        o.centre = 0.037;
        o.regularisation = c.regularisation;
        const AbelFrame a = AbelInvert(SideOn(161, -8.0, 0.1, c.projection, o.centre), {}, o);
        int checked = 0;
        for (int k = 0; k < a.emissivity.rows; ++k) {
            const double r = a.emissivity.positions[static_cast<std::size_t>(k)];
            if (r > c.interior) continue;
            EXPECT_NEAR(a.emissivity.At(k, 0), c.emissivity(r), 0.01 * c.emissivity(r)) << c.name << ", r = " << r;
            ++checked;
        }
        EXPECT_GT(checked, 30) << c.name;
        EXPECT_NEAR(a.emissivity.positions[1], 0.1, 1e-12);
    }
}

TEST(AbelInversion, ReportedUncertaintyCoversTheNoise) {
    // 300 noisy copies of one projection: the deviation of each inverted ring from the inversion
    // of the noiseless projection lies within its reported σ 68 % of the time, within 2σ 95 %.
    const double s = 1.5, sigma = 0.02;
    auto projection = [&](double y) { return std::sqrt(2 * M_PI) * s * std::exp(-y * y / (2 * s * s)); };
    for (double lambda : {0.0, 2.0}) {
        AbelOptions o;
        o.findCentre = false;
        o.regularisation = lambda;
        const SpectrumFrame clean = SideOn(81, -4.0, 0.1, projection, 0.0);
        const std::vector<double> rowSigma(81, sigma);
        const AbelFrame truth = AbelInvert(clean, rowSigma, o);
        std::mt19937 engine(11);
        std::normal_distribution<double> noise(0.0, sigma);
        int inside1 = 0, inside2 = 0, n = 0;
        for (int rep = 0; rep < 300; ++rep) {
            SpectrumFrame noisy = clean;
            for (float& p : noisy.pixels) p = static_cast<float>(p + noise(engine));
            const AbelFrame a = AbelInvert(noisy, rowSigma, o);
            for (int k = 0; k < a.emissivity.rows; ++k) {
                const double z =
                    (a.emissivity.At(k, 0) - truth.emissivity.At(k, 0)) / a.sigma[static_cast<std::size_t>(k)];
                inside1 += std::fabs(z) < 1.0, inside2 += std::fabs(z) < 2.0, ++n;
            }
        }
        EXPECT_NEAR(static_cast<double>(inside1) / n, 0.683, 0.02) << "λ = " << lambda;
        EXPECT_NEAR(static_cast<double>(inside2) / n, 0.954, 0.01) << "λ = " << lambda;
        // Regularisation trades noise for bias: the centre's σ falls.
        if (lambda > 0.0) {
            EXPECT_LT(truth.sigma[0], 0.5 * AbelInvert(clean, rowSigma, AbelOptions{false}).sigma[0]);
        }
    }
}

TEST(AbelInversion, CentreFoundAndHalvesAveragedOrKeptApart) {
    // The lower half of the source a Gaussian of width 1, the upper one of width 1.5: each half
    // inverts to its own profile, and their average is the mean of the two (the inversion is linear).
    // The axis itself, where the halves meet with a step, is left out: only ring 0 depends on it.
    const double c = 0.262;
    auto gauss = [](double s) {
        return [s](double y) { return std::sqrt(2 * M_PI) * s * std::exp(-y * y / (2 * s * s)); };
    };
    SpectrumFrame f = SideOn(
        121, -6.0, 0.1, [&](double y) { return y < 0 ? gauss(1.0)(y) : gauss(1.5)(y); }, c);
    AbelOptions o;
    o.findCentre = false;
    o.centre = c;
    o.halves = AbelHalves::Both;
    const AbelFrame both = AbelInvert(f, {}, o);
    o.halves = AbelHalves::Average;
    const AbelFrame average = AbelInvert(f, {}, o);
    int lower = 0;
    for (int k = 0; k < both.emissivity.rows; ++k) {
        const double r = both.emissivity.positions[static_cast<std::size_t>(k)];
        if (r > 2.0 || r == 0.0) continue;
        const double s = both.half[static_cast<std::size_t>(k)] < 0 ? 1.0 : 1.5;
        EXPECT_NEAR(both.emissivity.At(k, 0), std::exp(-r * r / (2 * s * s)), 0.01) << "r = " << r;
        lower += both.half[static_cast<std::size_t>(k)] < 0;
    }
    EXPECT_EQ(lower, 20);
    for (int k = 1; k < average.emissivity.rows && average.emissivity.positions[static_cast<std::size_t>(k)] < 2.0;
         ++k) {
        const double r = average.emissivity.positions[static_cast<std::size_t>(k)];
        EXPECT_NEAR(average.emissivity.At(k, 0), 0.5 * (std::exp(-r * r / 2) + std::exp(-r * r / 4.5)), 0.01);
    }

    // A symmetric source: its axis is found to a few hundredths of the row spacing.
    EXPECT_NEAR(FindAbelCentre(SideOn(121, -6.0, 0.1, gauss(1.2), c)), c, 0.003);
    o.findCentre = true;
    EXPECT_NEAR(AbelInvert(SideOn(121, -6.0, 0.1, gauss(1.2), c), {}, o).centre, c, 0.003);

    // What an inversion cannot take.
    SpectrumFrame uneven = f;
    uneven.positions[5] += 0.03;
    o.findCentre = false;
    o.centre = 9.0;
    const std::pair<SpectrumFrame, std::string> refused[] = {{uneven, "must be equally spaced (row 6"},
                                                             {f, "the centre 9 lies outside"},
                                                             {BlankFrame(2, 1), "3 or more rows"}};
    for (const auto& [frame, problem] : refused) {
        try {
            AbelInvert(frame, {}, o);
            ADD_FAILURE() << problem;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
        }
    }
}

}  // namespace velmora::experiment
