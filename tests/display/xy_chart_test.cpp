// The plain x-y chart: round-number ticks and the primitives a chart draws.
#include "display/xy_chart.h"

#include <gtest/gtest.h>

#include "support/recording_canvas.h"

namespace velmora::display {
namespace {

TEST(XyChart, TicksAreRoundNumbersInsideTheRangeAndSeriesAreDrawnAsLinesOrMarkers) {
    struct Case {
        double lo, hi;
        int count;
        std::vector<double> ticks;
    };
    for (const Case& c : std::vector<Case>{{0.0, 1.0, 5, {0.0, 0.2, 0.4, 0.6, 0.8, 1.0}},
                                           {3057.1, 3203.0, 6, {3100, 3150, 3200}},
                                           {-34.08, -27.12, 5, {-34, -32, -30, -28}},
                                           {1.0, 1.0, 5, {}}}) {
        const std::vector<double> t = NiceTicks(c.lo, c.hi, c.count);
        ASSERT_EQ(t.size(), c.ticks.size()) << c.lo;
        for (std::size_t k = 0; k < t.size(); ++k) EXPECT_NEAR(t[k], c.ticks[k], 1e-9);
    }
    testing::RecordingCanvas canvas;
    canvas.SetScale(0, 0, 600, 400);
    Chart chart;
    chart.series.push_back({{0, 1, 2}, {0, 1, 0}, {}, {200, 0, 0}, false, ""});
    chart.series.push_back({{0.5, 1.5}, {0.5, 0.5}, {0.1, 0.1}, {0, 0, 200}, true, ""});
    DrawChart(canvas, chart);
    int red = 0;
    for (const testing::Primitive& p : canvas.Of(testing::Primitive::Line)) red += p.color == Rgb{200, 0, 0};
    const std::size_t markers = canvas.Of(testing::Primitive::FilledBox).size();
    EXPECT_EQ(red, 2);       // the curve's two segments
    EXPECT_EQ(markers, 2u);  // one filled box per marker
}

}  // namespace
}  // namespace velmora::display
