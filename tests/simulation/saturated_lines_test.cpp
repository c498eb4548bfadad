#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation/saturated_lines.h"

namespace velmora::simulation {
namespace {

TEST(CoarseWings, CarryAPowerBroadenedWingWithinTheCubicBoundAndNothingBeyondTheirSpans) {
    // A wing A / (B + b m²) of FWHM 200 grid steps, on the coarse mesh from 336 to 720 steps out
    // on the left, on the fine mesh from 160 to 320 steps out and again on the right. Between
    // nodes H apart the interpolating cubic errs by at most (5/384) H⁴ max|S⁗|, with
    // |S⁗| <= 120 A / (b d⁶) at d steps from the centre; a straight line between the nodes would
    // err by about H² |S''| / 8, far more (1 % on the coarse mesh).
    const int nPoints = 4000;
    const double A = 1.0, B = 1.0, b = 1e-4, centre = 2000.4;
    const CoarseWings::Wing wing{A, B, b, centre};
    std::vector<float> out(nPoints + 1, 0.0f);
    CoarseWings wings(nPoints);
    constexpr int H = CoarseWings::kStep, HC = CoarseWings::kStep * CoarseWings::kCoarse;
    wings.AddCoarseSpan(1280 / HC, 1664 / HC, wing, out.data());
    wings.AddSpan(1680 / H, 1840 / H, wing, out.data());
    wings.AddSpan(2160 / H, 2400 / H, wing, out.data());
    wings.AddTo(out.data());

    struct Span {
        int first, last, step;
    };
    const Span spans[] = {{1280, 1664, HC}, {1680, 1840, H}, {2160, 2400, H}};
    for (int i = 1; i < nPoints; ++i) {
        const double m = i - centre, exact = A / (B + b * m * m);
        double allowed = 1e-6;  // single-precision rounding of what is added and taken away
        bool inside = false;
        for (const Span& s : spans) {
            if (i < s.first || i > s.last) continue;
            inside = true;
            const double near = std::fabs(m) - s.step, H4 = std::pow(s.step, 4.0);
            allowed += 5.0 / 384.0 * H4 * 120.0 * A / (b * std::pow(near, 6.0));
        }
        SCOPED_TRACE(i);
        EXPECT_NEAR(out[i], inside ? exact : 0.0, allowed);
    }
}

}  // namespace
}  // namespace velmora::simulation
