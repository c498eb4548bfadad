#include "display/map_plot.h"

#include <algorithm>
#include <cmath>

#include "common/png_image.h"
#include "display/svg_canvas.h"
#include "display/xy_chart.h"

namespace velmora::display {

namespace {

/// The edges of the cells of positions p (half a step beyond the first and the last).
std::pair<double, double> Edges(const std::vector<double>& p) {
    if (p.empty()) return {0.0, 1.0};
    if (p.size() == 1) return {p[0] - 0.5, p[0] + 0.5};
    const double half = 0.5 * (p.back() - p.front()) / static_cast<double>(p.size() - 1);
    return {p.front() - half, p.back() + half};
}

}  // namespace

Rgb MapColour(double t) {
    // Nine stops of a perceptually even ramp (dark purple to pale yellow), linear between them.
    static const Rgb kStops[] = {{0, 0, 4},     {31, 12, 72},   {85, 15, 109},  {136, 34, 106}, {186, 54, 85},
                                 {227, 89, 51}, {249, 140, 10}, {249, 201, 50}, {252, 255, 164}};
    if (!std::isfinite(t)) return kMaskedColour;
    const double s = std::clamp(t, 0.0, 1.0) * 8.0;
    const int k = std::min(static_cast<int>(s), 7);
    const double f = s - k;
    auto mix = [f](std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(std::lround(a + f * (b - a))); };
    return {mix(kStops[k].r, kStops[k + 1].r), mix(kStops[k].g, kStops[k + 1].g), mix(kStops[k].b, kStops[k + 1].b)};
}

std::pair<double, double> MapRange(const MapImage& m) {
    if (m.low < m.high) return {m.low, m.high};
    std::vector<float> v;
    for (float x : m.values)
        if (std::isfinite(x)) v.push_back(x);
    if (v.empty()) return {0.0, 1.0};
    std::sort(v.begin(), v.end());
    const double lo = v[static_cast<std::size_t>(0.01 * (v.size() - 1))],
                 hi = v[static_cast<std::size_t>(0.99 * (v.size() - 1))];
    return hi > lo ? std::pair{lo, hi} : std::pair{lo - 0.5, lo + 0.5};
}

std::vector<Rgb> MapPixels(const MapImage& m) {
    const auto [lo, hi] = MapRange(m);
    std::vector<Rgb> pixels(m.values.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::isfinite(m.values[i]) ? MapColour((m.values[i] - lo) / (hi - lo)) : kMaskedColour;
    return pixels;
}

void DrawMap(Canvas& canvas, const MapImage& m, double left, double top, double width, double height) {
    const Rgb black{0, 0, 0};
    canvas.SetFontSize(8.0);
    const double textH = canvas.TextHeight("0"), charW = canvas.TextWidth("0");
    const double bar = 16.0;
    const double pl = left + 8.0 * charW + 1.5 * textH, pr = left + width - bar - 10.0 * charW - 1.5 * textH;
    const double pt = top + (m.caption.empty() ? 8.0 : 1.8 * textH), pb = top + height - 2.8 * textH;
    if (!m.caption.empty()) canvas.Text(pl, top + 0.2 * textH, m.caption, black);
    if (m.rows < 1 || m.columns < 1 || pr <= pl || pb <= pt) return;

    // The image over the cells' edges, y rising upwards.
    const auto [x0, x1] = Edges(m.x);
    const auto [y0, y1] = Edges(m.y);
    const double xmin = std::min(x0, x1), xmax = std::max(x0, x1), ymin = std::min(y0, y1), ymax = std::max(y0, y1);
    auto X = [&](double x) { return pl + (x - xmin) / (xmax - xmin) * (pr - pl); };
    auto Y = [&](double y) { return pb - (y - ymin) / (ymax - ymin) * (pb - pt); };
    canvas.Image(X(x0), Y(y0), X(x1), Y(y1), m.columns, m.rows, MapPixels(m));
    canvas.Box(pl, pt, pr, pb, black, false);
    DrawTicks(canvas, pl, pb, xmin, xmax, ymin, ymax, X, Y);
    if (!m.xLabel.empty())
        canvas.Text(0.5 * (pl + pr) - 0.5 * canvas.TextWidth(m.xLabel), pb + 1.4 * textH, m.xLabel, black);
    if (!m.yLabel.empty()) canvas.TextUp(left, 0.5 * (pt + pb) + 0.5 * canvas.TextWidth(m.yLabel), m.yLabel, black);

    // The colour bar: the highest value at the top.
    const auto [lo, hi] = MapRange(m);
    const double bl = pr + 2.0 * charW, br = bl + bar;
    std::vector<Rgb> ramp;
    for (int k = 255; k >= 0; --k) ramp.push_back(MapColour(k / 255.0));
    canvas.Image(bl, pt, br, pb, 1, 256, ramp);
    canvas.Box(bl, pt, br, pb, black, false);
    const std::vector<double> vt = NiceTicks(lo, hi, 5);
    for (double t : vt) {
        const double y = pb - (t - lo) / (hi - lo) * (pb - pt);
        canvas.Line(br, y, br + 4.0, y, black);
        canvas.Text(br + 6.0, y - 0.5 * textH, TickLabel(t, vt.size() > 1 ? vt[1] - vt[0] : 1.0), black);
    }
    if (!m.valueLabel.empty())
        canvas.TextUp(left + width - 1.2 * textH, 0.5 * (pt + pb) + 0.5 * canvas.TextWidth(m.valueLabel), m.valueLabel,
                      black);
}

void WriteMapSvg(const std::string& path, const MapImage& m) {
    // The image area about as wide as the map is, by its positions, up to twice as wide as high.
    const auto [x0, x1] = Edges(m.x);
    const auto [y0, y1] = Edges(m.y);
    const double aspect = std::clamp(std::fabs(x1 - x0) / std::max(std::fabs(y1 - y0), 1e-300), 0.5, 2.0);
    const double width = 900.0, height = std::clamp(640.0 / aspect, 360.0, 900.0);
    SvgDocument doc(width, height);
    doc.SetTitle(m.caption);
    SvgCanvas& canvas = doc.AddRegion(0, 0, width, height);
    canvas.SetScale(0, 0, width, height);
    DrawMap(canvas, m, 0, 0, width, height);
    doc.Save(path);
}

void WriteMapPng(const std::string& path, const MapImage& m) {
    // As the map shows it: the smallest x at the left, the largest y at the top.
    const std::vector<Rgb> pixels = MapPixels(m);
    const bool flipRows = m.y.size() > 1 && m.y.back() > m.y.front();
    const bool flipColumns = m.x.size() > 1 && m.x.back() < m.x.front();
    std::vector<Rgb> out(pixels.size());
    for (int r = 0; r < m.rows; ++r)
        for (int c = 0; c < m.columns; ++c)
            out[static_cast<std::size_t>(r) * m.columns + c] =
                pixels[static_cast<std::size_t>(flipRows ? m.rows - 1 - r : r) * m.columns +
                       (flipColumns ? m.columns - 1 - c : c)];
    WritePng(path, m.columns, m.rows, out);
}

}  // namespace velmora::display
