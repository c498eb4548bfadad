#include "fit/cubic_interpolation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace velmora::fit {
namespace {

simulation::SpectralGrid GridOf(double start, float width, int points) {
    simulation::SpectralGrid g;
    g.start = start, g.gridWidth = width, g.pointsPerWidth = 4, g.last = points - 1;
    return g;
}

TEST(CubicInterpolation, ACubicIsReproducedWithItsSlope) {
    // p(x) = 2 - x + 0.5 x^2 - 0.03 x^3, exact in single precision at the nodes x = 0.5 k.
    auto p = [](double x) { return 2.0 - x + 0.5 * x * x - 0.03 * x * x * x; };
    auto dp = [](double x) { return -1.0 + x - 0.09 * x * x; };
    const simulation::SpectralGrid g = GridOf(10.0, 2.0f, 12);  // step 0.5
    std::vector<float> y;
    for (int k = 0; k < 12; ++k) y.push_back(static_cast<float>(p(0.5 * k)));
    for (double x : {0.6, 1.37, 2.5, 4.01}) {  // nodes j-1..j+2 inside the array
        const Sample s = Interpolate(g, y, 10.0 + x);
        EXPECT_NEAR(s.value, p(x), 2e-6) << x;
        EXPECT_NEAR(s.slope, dp(x), 2e-5) << x;
    }
}

TEST(CubicInterpolation, KeptWeightsGiveInterpolateBitForBitAndFollowTheGridAndPositions) {
    // Positions without NaN, which never equals itself, so that the weights are kept.
    std::vector<double> u = {-0.25, 0.0, 0.1, 0.37, 0.5, 1.0, 2.2, 3.1, 3.5, 3.75, 7.0, 1e300};
    CubicWeights kept;
    auto same = [&](const simulation::SpectralGrid& g, const std::vector<float>& y) {
        std::vector<double> value(u.size()), slope(u.size()), plain(u.size());
        kept.At(g, y, u, value.data(), slope.data());
        kept.At(g, y, u, plain.data());
        for (std::size_t i = 0; i < u.size(); ++i) {
            const Sample s = Interpolate(g, y, u[i]);
            // Bit for bit: the values and their signs of zero.
            EXPECT_EQ(std::signbit(value[i]), std::signbit(s.value)) << u[i];
            EXPECT_EQ(value[i], s.value) << u[i] << " of " << y.size() << " points from " << g.start;
            EXPECT_EQ(slope[i], s.slope) << u[i];
            EXPECT_EQ(plain[i], s.value) << u[i];
        }
    };
    std::vector<float> y;
    for (int k = 0; k < 15; ++k) y.push_back(static_cast<float>(std::sin(0.7 * k) + 1.5));
    same(GridOf(0.0, 1.0f, 15), y);
    same(GridOf(0.3, 1.0f, 15), y);                                            // the grid moved
    same(GridOf(0.3, 0.8f, 15), y);                                            // another step
    same(GridOf(0.3, 0.8f, 3), std::vector<float>(y.begin(), y.begin() + 3));  // a shorter spectrum
    same(GridOf(0.3, 0.8f, 2), std::vector<float>(y.begin(), y.begin() + 2));
    same(GridOf(0.3, 0.8f, 1), std::vector<float>(y.begin(), y.begin() + 1));  // no cubic: zeros
    for (double& x : u) x += 0.05;                                             // the positions moved
    same(GridOf(0.3, 0.8f, 15), y);
    for (float& v : y) v *= -2.0f;  // another spectrum on the same grid and positions
    same(GridOf(0.3, 0.8f, 15), y);
    u.push_back(std::numeric_limits<double>::quiet_NaN());
    same(GridOf(0.3, 0.8f, 15), y);
}

}  // namespace
}  // namespace velmora::fit
