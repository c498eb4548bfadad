// LIF temperature images: images made here from the line signals that velmora-cli lif-lines
// gives (LineSignalsAt) at known temperatures, with a background, unequal sheet energies and
// pixel noise, turned back into temperatures within their stated uncertainty; a region below the
// threshold stays masked.
#include "fit/lif_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "common/numerics.h"
#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"
#include "populations/selected_populations.h"
#include "simulation/thermometry.h"

namespace velmora::fit {
namespace {

struct LifCase {
    testing::FitFixture oh{"OH", "(A-X)"};
    simulation::SimulationConditions c;
    LifCase() {
        c.kind = simulation::SpectrumKind::LifExcitation;
        c.resolution = 0.02;               // the laser, Å
        c.start = 2810.0, c.end = 2860.0;  // the (1,0) band
    }

    simulation::PopulationsAt Populations() const {
        return [this](double T) { return populations::ThermalPopulations(*oh.system.database, 3, T, 1e-5f); };
    }

    /// Strong lines with no other line within 0.07 Å (3.5 laser widths), by position, at 1500 K.
    std::vector<simulation::ThermometryLine> IsolatedLines() const {
        const std::vector<simulation::ThermometryLine> all =
            simulation::LineSignalsAt(*oh.system.model, c, Populations(), 1500.0);
        double strongest = 0.0;
        for (const auto& l : all) strongest = std::max(strongest, l.signal[0]);
        std::vector<simulation::ThermometryLine> out;
        for (std::size_t k = 0; k < all.size(); ++k) {
            const bool alone =
                (k == 0 || all[k].x - all[k - 1].x > 0.07) && (k + 1 == all.size() || all[k + 1].x - all[k].x > 0.07);
            if (alone && all[k].signal[0] > 0.2 * strongest) out.push_back(all[k]);
        }
        return out;
    }

    /// The signal of a line per molecule at T (its area, as lif-lines gives it).
    double Signal(double x, double T) const {
        for (const auto& l : simulation::LineSignalsAt(*oh.system.model, c, Populations(), T))
            if (l.x == x) return l.signal[0];
        return 0.0;
    }
};

LifCase& Lif() {
    static LifCase lif;
    return lif;
}

/// Images of 30 × 40 pixels: T rising from 900 K to 2100 K along the columns, the scale 1 but
/// 0.01 in the corner rows 0..7 × columns 0..9; counts scaled so that the first line peaks near
/// 2000; background 100 ± 3 counts, pixel noise 3 counts; image k taken at sheet energy energies[k].
struct Images {
    std::vector<experiment::SpectrumFrame> signal, background;
    std::vector<float> T;
};

Images Make(const std::vector<double>& lines, const std::vector<double>& energies, std::uint32_t seed) {
    const int rows = 30, columns = 40;
    Images m;
    GaussianDeviate noise(seed);
    const double norm = 2000.0 / Lif().Signal(lines[0], 1500.0);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        experiment::SpectrumFrame s = experiment::BlankFrame(rows, columns), b = s;
        s.source = "line" + std::to_string(k + 1) + ".tif", b.source = "background.tif";
        std::vector<double> f;
        for (int col = 0; col < columns; ++col)
            f.push_back(Lif().Signal(lines[k], 900.0 + 1200.0 * col / (columns - 1)));
        for (int r = 0; r < rows; ++r)
            for (int col = 0; col < columns; ++col) {
                const double A = r < 8 && col < 10 ? 0.01 : 1.0;
                s.At(r, col) = static_cast<float>(energies[k] * A * norm * f[static_cast<std::size_t>(col)] + 100.0 +
                                                  3.0 * noise.Next());
                b.At(r, col) = static_cast<float>(100.0 + 3.0 * noise.Next());
                if (k == 0) m.T.push_back(static_cast<float>(900.0 + 1200.0 * col / (columns - 1)));
            }
        m.signal.push_back(s), m.background.push_back(b);
    }
    return m;
}

}  // namespace

TEST(LifImage, PairAndThreeLinesGiveTheTemperaturesWithinTheirUncertainty) {
    const std::vector<simulation::ThermometryLine> lines = Lif().IsolatedLines();
    ASSERT_GE(lines.size(), 3u);
    // The pair of lines whose lower levels lie farthest apart (the most sensitive ratio), and a third line.
    std::size_t a = 0, b = 1;
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (std::size_t j = i + 1; j < lines.size(); ++j)
            if (std::abs(lines[i].N - lines[j].N) > std::abs(lines[a].N - lines[b].N)) a = i, b = j;
    std::size_t third = 0;
    while (third == a || third == b) ++third;
    for (const std::vector<double>& chosen :
         {std::vector<double>{lines[a].x, lines[b].x}, std::vector<double>{lines[a].x, lines[b].x, lines[third].x}}) {
        std::vector<double> energies(chosen.size(), 1.0);
        energies[1] = 2.5;
        const Images m = Make(chosen, energies, 3);
        LifImageRequest q;
        q.system = Lif().oh.system;
        q.conditions = Lif().c;
        q.lines = chosen;
        q.images = m.signal;
        q.backgrounds = m.background;
        q.energies = energies;
        q.t1 = 600.0, q.t2 = 2600.0;
        q.jobs = 2;
        const LifImageResult r = LifTemperatureImage(q);
        ASSERT_EQ(r.rows, 30);
        int within1 = 0, within2 = 0, valid = 0;
        for (int row = 0; row < r.rows; ++row)
            for (int col = 0; col < r.columns; ++col) {
                const std::size_t i = static_cast<std::size_t>(row) * r.columns + col;
                if (row < 8 && col < 10) {
                    EXPECT_EQ(r.mask[i], LifPixel::BelowThreshold) << row << ", " << col;
                    EXPECT_TRUE(std::isnan(r.temperature[i]));
                    continue;
                }
                ASSERT_EQ(r.mask[i], LifPixel::Valid) << row << ", " << col;
                const double z = (r.temperature[i] - m.T[i]) / r.sigma[i];
                within1 += std::fabs(z) < 1.0, within2 += std::fabs(z) < 2.0, ++valid;
                EXPECT_NEAR(r.scale[i] / r.scale[static_cast<std::size_t>(r.columns) * 20 + 20], 1.0,
                            5.0 * r.scaleSigma[i] / r.scale[i] + 0.05);
            }
        EXPECT_EQ(r.valid, valid);
        EXPECT_NEAR(static_cast<double>(within1) / valid, 0.683, 0.05) << chosen.size() << " lines";
        EXPECT_GT(static_cast<double>(within2) / valid, 0.93) << chosen.size() << " lines";
        // The noise estimated from the corrected images: the pixel's 3 counts and the background's.
        EXPECT_NEAR(r.noise[0], 3.0 * std::sqrt(2.0), 0.5);
        EXPECT_EQ(r.lines.size(), chosen.size());
        EXPECT_NEAR(r.lines[0].position, chosen[0], 1e-6);
    }
}

TEST(LifImage, InputsThatCannotMakeAnImage) {
    const Images m = Make({2822.532, 2826.630}, {1.0, 1.0}, 4);
    LifImageRequest q;
    q.system = Lif().oh.system;
    q.conditions = Lif().c;
    q.images = m.signal;
    const std::vector<double> offLine = {Lif().IsolatedLines()[0].x, 1800.0};  // no OH line near 180 nm
    struct Case {
        std::function<void(LifImageRequest&)> change;
        std::string problem;
    } cases[] = {
        {[](LifImageRequest& r) { r.lines = {3080.0}; }, "needs 2..16 excitation lines"},
        {[](LifImageRequest& r) {
             r.lines = {3080.0, 3081.0, 3082.0};
         },
         "2 images for 3 excitation lines"},
        {[&](LifImageRequest& r) { r.lines = offLine, r.energies = {1.0}; }, "1 sheet energies for 2 images"},
        {[&](LifImageRequest& r) {
             r.lines = offLine, r.images[1] = experiment::BlankFrame(3, 3), r.images[1].source = "small.tif";
         },
         "small.tif: 3 x 3 pixels, line1.tif has 30 x 40"},
        {[&](LifImageRequest& r) { r.lines = offLine; }, "excites no line"},
    };
    for (const Case& c : cases) {
        LifImageRequest r = q;
        c.change(r);
        try {
            LifTemperatureImage(r);
            ADD_FAILURE() << c.problem;
        } catch (const FitInputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.problem), std::string::npos) << e.what();
        }
    }
}

}  // namespace velmora::fit
