#include "display/xy_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "display/svg_canvas.h"

namespace velmora::display {

std::string TickLabel(double v, double step) {
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v) < 1e-12 * step ? 0.0 : v);
    return buf;
}

namespace {

/// Data limits of every series (with error bars), widened by 4 % on each side.
void Limits(const Chart& c, double& x0, double& x1, double& y0, double& y1) {
    x0 = y0 = HUGE_VAL, x1 = y1 = -HUGE_VAL;
    for (const ChartSeries& s : c.series)
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            const double e = s.error.empty() || !std::isfinite(s.error[i]) ? 0.0 : s.error[i];
            if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
            x0 = std::min(x0, s.x[i]), x1 = std::max(x1, s.x[i]);
            y0 = std::min(y0, s.y[i] - e), y1 = std::max(y1, s.y[i] + e);
        }
    if (!(x0 <= x1)) x0 = 0, x1 = 1;
    if (!(y0 <= y1)) y0 = 0, y1 = 1;
    if (x1 == x0) x0 -= 0.5, x1 += 0.5;
    if (y1 == y0) y0 -= 0.5, y1 += 0.5;
    const double dx = 0.04 * (x1 - x0), dy = 0.04 * (y1 - y0);
    x0 -= dx, x1 += dx, y0 -= dy, y1 += dy;
    if (c.xMin < c.xMax) x0 = c.xMin, x1 = c.xMax;
    if (c.yMin < c.yMax) y0 = c.yMin, y1 = c.yMax;
}

/// Clips the segment (x0, y0)-(x1, y1) to the rectangle xa..xb, ya..yb (Liang & Barsky 1984);
/// false when nothing of it lies inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xa, double xb, double ya, double yb) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy}, q[4] = {x0 - xa, xb - x0, y0 - ya, yb - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    x1 = x0 + t1 * dx, y1 = y0 + t1 * dy;
    x0 = x0 + t0 * dx, y0 = y0 + t0 * dy;
    return true;
}

}  // namespace

std::vector<double> NiceTicks(double lo, double hi, int count) {
    std::vector<double> ticks;
    if (!(hi > lo) || count < 1) return ticks;
    const double raw = (hi - lo) / count, power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10.0 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    for (double t = std::ceil(lo / step - 1e-9) * step; t <= hi + 1e-9 * step; t += step) ticks.push_back(t);
    return ticks;
}

void DrawTicks(Canvas& canvas, double pl, double pb, double x0, double x1, double y0, double y1,
               const std::function<double(double)>& X, const std::function<double(double)>& Y) {
    const Rgb black{0, 0, 0};
    const double textH = canvas.TextHeight("0");
    const std::vector<double> xt = NiceTicks(x0, x1, 6), yt = NiceTicks(y0, y1, 5);
    for (double t : xt) {
        canvas.Line(X(t), pb, X(t), pb + 4.0, black);
        const std::string label = TickLabel(t, xt.size() > 1 ? xt[1] - xt[0] : 1.0);
        canvas.Text(X(t) - 0.5 * canvas.TextWidth(label), pb + 5.0, label, black);
    }
    for (double t : yt) {
        canvas.Line(pl - 4.0, Y(t), pl, Y(t), black);
        const std::string label = TickLabel(t, yt.size() > 1 ? yt[1] - yt[0] : 1.0);
        canvas.Text(pl - 6.0 - canvas.TextWidth(label), Y(t) - 0.5 * textH, label, black);
    }
}

void DrawChart(Canvas& canvas, const Chart& c) {
    double x0, x1, y0, y1;
    Limits(c, x0, x1, y0, y1);
    const Rgb black{0, 0, 0}, grey{160, 160, 160};
    canvas.SetFontSize(8.0);
    const double textH = canvas.TextHeight("0");
    // Plot area: room for the y labels on the left, the x labels and the axis title below.
    const double pl = c.left + 8.0 * canvas.TextWidth("0") + textH, pr = c.left + c.width - 10.0;
    const double notesHeight = 1.25 * textH * static_cast<double>(c.notes.size());
    const double pt = c.top + (c.caption.empty() ? 8.0 : 1.6 * textH),
                 pb = c.top + c.height - 2.6 * textH - notesHeight;
    auto X = [&](double x) { return pl + (x - x0) / (x1 - x0) * (pr - pl); };
    auto Y = [&](double y) { return pb - (y - y0) / (y1 - y0) * (pb - pt); };
    if (!c.caption.empty()) canvas.Text(pl, c.top + 0.2 * textH, c.caption, black);
    DrawTicks(canvas, pl, pb, x0, x1, y0, y1, X, Y);
    if (y0 < 0.0 && y1 > 0.0) canvas.Line(pl, Y(0.0), pr, Y(0.0), grey);
    if (!c.xLabel.empty())
        canvas.Text(0.5 * (pl + pr) - 0.5 * canvas.TextWidth(c.xLabel), pb + 1.3 * textH, c.xLabel, black);
    if (!c.yLabel.empty()) canvas.Text(c.left + 2.0, pt, c.yLabel, black);
    for (std::size_t k = 0; k < c.notes.size(); ++k)
        canvas.Text(c.left + 2.0, pb + 2.6 * textH + 1.25 * textH * static_cast<double>(k), c.notes[k], black);
    auto inside = [&](double x, double y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
    for (const ChartSeries& s : c.series) {
        for (std::size_t i = 0; i < s.x.size(); ++i) {
            if (s.markers) {
                if (!inside(s.x[i], s.y[i])) continue;
                const double px = X(s.x[i]), py = Y(s.y[i]);
                canvas.Box(px - 2.0, py - 2.0, px + 2.0, py + 2.0, s.color, true);
                if (!s.error.empty() && std::isfinite(s.error[i]) && s.error[i] > 0.0) {
                    const double a = Y(std::min(y1, s.y[i] + s.error[i])), b = Y(std::max(y0, s.y[i] - s.error[i]));
                    canvas.Line(px, a, px, b, s.color);
                }
            } else if (i > 0 && std::isfinite(s.x[i - 1] + s.y[i - 1] + s.x[i] + s.y[i])) {
                // The part of the segment inside the frame: a line whose ends lie outside it is
                // still drawn where it crosses.
                double ax = s.x[i - 1], ay = s.y[i - 1], bx = s.x[i], by = s.y[i];
                if (ClipSegment(ax, ay, bx, by, x0, x1, y0, y1)) canvas.Line(X(ax), Y(ay), X(bx), Y(by), s.color);
            }
        }
    }
    // The legend of the named series, in the upper right corner.
    double ly = pt + 0.4 * textH;
    for (const ChartSeries& s : c.series) {
        if (s.label.empty()) continue;
        const double lx = pr - 6.0 - canvas.TextWidth(s.label);
        canvas.Line(lx - 22.0, ly + 0.5 * textH, lx - 4.0, ly + 0.5 * textH, s.color);
        canvas.Text(lx, ly, s.label, s.color);
        ly += 1.2 * textH;
    }
    canvas.Box(pl, pt, pr, pb, black, false);
}

void WriteChartsSvg(const std::string& path, const std::vector<Chart>& charts, double width, const std::string& title) {
    double height = 0.0;
    for (const Chart& c : charts) height = std::max(height, c.top + c.height);
    SvgDocument doc(width, height);
    doc.SetTitle(title);
    SvgCanvas& canvas = doc.AddRegion(0, 0, width, height);
    canvas.SetScale(0, 0, width, height);
    for (const Chart& c : charts) DrawChart(canvas, c);
    doc.Save(path);
}

}  // namespace velmora::display
