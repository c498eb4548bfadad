// Maps and profiles of frames: the colour ramp, the image placed with y rising upwards, the
// axes and colour bar in their units, masked pixels, the PNG decoded back, and the profiles'
// points with error bars.
#include "display/map_plot.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>

#include "common/png_image.h"
#include "display/frame_plots.h"
#include "support/recording_canvas.h"
#include "support/temp_dir.h"

namespace velmora::display {
namespace {

/// Relative luminance (Rec. 709) of a colour, 0..1.
double Luminance(Rgb c) { return (0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b) / 255.0; }

/// A 2 × 3 map: rows at y = 0 and 1 mm, columns at x = 10, 20, 30 mm; one masked pixel.
MapImage Small() {
    MapImage m;
    m.rows = 2, m.columns = 3;
    m.values = {1000, 1500, 2000, 1200, std::nanf(""), 2200};
    m.x = {10, 20, 30}, m.y = {0, 1};
    m.xLabel = "x (mm)", m.yLabel = "y (mm)", m.valueLabel = "T (K)", m.caption = "OH LIF";
    m.low = 1000, m.high = 2200;
    return m;
}

}  // namespace

TEST(MapPlot, ColourRampRisesInLightnessAndMaskedPixelsAreGrey) {
    double last = -1.0;
    for (int k = 0; k <= 32; ++k) {
        const double l = Luminance(MapColour(k / 32.0));
        EXPECT_GT(l, last) << k;
        last = l;
    }
    EXPECT_EQ(MapColour(-1.0), MapColour(0.0));
    EXPECT_EQ(MapColour(std::nan("")), kMaskedColour);
    const std::vector<Rgb> p = MapPixels(Small());
    EXPECT_EQ(p[0], MapColour(0.0));
    EXPECT_EQ(p[5], MapColour(1.0));
    EXPECT_EQ(p[4], kMaskedColour);
    MapImage free = Small();
    free.low = free.high = 0;  // the 1st..99th percentile of the five values
    EXPECT_EQ(MapRange(free), (std::pair<double, double>{1000.0, 2000.0}));
}

TEST(MapPlot, ImageAxesAndColourBarInTheirUnits) {
    testing::RecordingCanvas canvas(600, 400);
    canvas.SetScale(0, 0, 600, 400);
    DrawMap(canvas, Small(), 0, 0, 600, 400);
    // Without pictures of its own the canvas gets one filled box per pixel: 6 of the map, 256 of the bar.
    const std::vector<testing::Primitive> boxes = canvas.Of(testing::Primitive::FilledBox);
    ASSERT_EQ(boxes.size(), 6u + 256u);
    // y rises upwards: the first row (y = 0) lies below the second.
    EXPECT_GT(boxes[0].y1, boxes[3].y1);
    EXPECT_LT(boxes[0].x1, boxes[1].x1);
    EXPECT_EQ(boxes[4].color, kMaskedColour);
    const std::vector<std::string> texts = canvas.Texts();
    for (const char* label : {"OH LIF", "x (mm)", "10", "30", "1000", "2000", "1.0"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
    int up = 0;
    for (const auto& t : canvas.Of(testing::Primitive::TextUp)) up += t.text == "y (mm)" || t.text == "T (K)";
    EXPECT_EQ(up, 2);
}

TEST(MapPlot, PngAndSvgFiles) {
    const testing::TempDir dir;
    const std::string png = (dir / "map.png").string(), svg = (dir / "map.svg").string();
    WriteMapPng(png, Small());
    WriteMapSvg(svg, Small());
    const std::string bytes = testing::ReadFile(png);
    ASSERT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    // IHDR: 3 × 2 pixels; IDAT: the rows, the top row the largest y.
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(static_cast<unsigned char>(bytes[19]), 3u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[23]), 2u);
    const std::size_t idat = bytes.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const std::uint32_t length = (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[idat - 4])) << 24) |
                                 (static_cast<unsigned char>(bytes[idat - 3]) << 16) |
                                 (static_cast<unsigned char>(bytes[idat - 2]) << 8) |
                                 static_cast<unsigned char>(bytes[idat - 1]);
    std::string raw(2 * (1 + 9), '\0');
    uLongf size = raw.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                         reinterpret_cast<const Bytef*>(bytes.data() + idat + 4), length),
              Z_OK);
    ASSERT_EQ(size, 20u);
    const Rgb top{static_cast<std::uint8_t>(raw[1]), static_cast<std::uint8_t>(raw[2]),
                  static_cast<std::uint8_t>(raw[3])};
    EXPECT_EQ(top, MapColour((1200.0 - 1000.0) / 1200.0));  // row y = 1 mm, x = 10 mm
    const std::string text = testing::ReadFile(svg);
    EXPECT_NE(text.find("<image "), std::string::npos);
    EXPECT_NE(text.find("data:image/png;base64,iVBORw0KGgo"), std::string::npos);
    EXPECT_EQ(Base64("Man"), "TWFu");
    EXPECT_EQ(Base64("Ma"), "TWE=");
}

TEST(FramePlots, ProfilesWithErrorBarsAndTheHalvesApart) {
    fit::FrameSpectra frame;
    frame.source = "flame.fits", frame.positionName = "radius", frame.positionUnit = "mm";
    std::vector<fit::FrameRow> rows;
    for (int k = 0; k < 6; ++k) {
        fit::FrameRow row;
        row.index = k, row.position = 0.1 * (k % 3), row.half = k < 3 ? -1 : 1;
        if (k == 4) {
            row.fit.outcome = fit::BatchOutcome::NotConverged;
        } else {
            fit::Parameter t{
                {fit::ParameterKind::RotationalTemperature, 0, -1}, "t", 2000.0 - 100.0 * k, 100, 1e4, true};
            fit::Parameter b{{fit::ParameterKind::BaselineOffset, 0, -1}, "baseline", 1.0, -1e9, 1e9, true};
            row.fit.result.parameters = {t, b};
            row.fit.result.uncertainties = {20.0, 0.1};
        }
        rows.push_back(row);
    }
    const std::vector<Chart> charts = FrameProfileCharts(frame, rows, simulation::AxisUnit::AngstromVacuum, 800, 300);
    ASSERT_EQ(charts.size(), 1u);  // the temperature; the baseline is not profiled
    EXPECT_EQ(charts[0].yLabel, "t (K)");
    EXPECT_EQ(charts[0].xLabel, "radius (mm)");
    ASSERT_EQ(charts[0].series.size(), 2u);
    EXPECT_EQ(charts[0].series[0].x.size(), 3u);
    EXPECT_EQ(charts[0].series[1].x.size(), 2u);  // one upper row did not converge
    EXPECT_EQ(charts[0].series[1].error, (std::vector<double>{20.0, 20.0}));
    EXPECT_EQ(charts[0].series[1].y, (std::vector<double>{1700.0, 1500.0}));
}

}  // namespace velmora::display
