#include "display/plot_content.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "common/number_format.h"
#include "common/numerics.h"
#include "database/band_loader.h"
#include "database/state_descriptions.h"
#include "display/axis_scale.h"
#include "display/decimate.h"
#include "display/plot_draw.h"
#include "experiment/comparison.h"
#include "simulation/condition_view.h"
#include "table/table_model.h"

namespace velmora::display {

namespace {

/// x of simulation grid point i.
inline double GridX(const simulation::Spectrum& sim, int i) { return sim.grid.X(i); }

/// The residual strip is drawn: an experimental spectrum is loaded and residuals are shown.
bool ResidualsShown(PlotView s) { return s.exp.ExpCount > 0 && s.plot.HideResiduals == 0; }

/// Last experimental point index usable with every array involved (-1: no point).
int LastExpIndex(const ExperimentState& e, bool withResidual) {
    if (!HasExperimentalPoints(e)) return -1;
    int n = std::min({e.ExpPoints, e.ExpX.Hi(), e.ExpY.Hi()});
    if (withResidual) n = std::min(n, e.Residual.Hi());
    return n;
}

/// Statistics of the comparison with the experimental spectrum (fills Residual).
void CompareStatistics(PlotView s) {
    if (s.exp.ExpCount > 0) experiment::CompareWithSimulation(s.exp, s.sim.result, s.plot.ZoomY);
}

}  // namespace

void ApplyColorScheme(PlotState& p) {
    p.BackColorIndex = p.intColor == 1 ? 0 : 15;
    p.ForeColorIndex = p.intColor == 1 ? 15 : 0;
}

Rgb SchemeColor(const PlotState& p, int index) {
    const Rgb c = PaletteColor(index);
    return p.intColor == 1 ? ReadableOn(c, PaletteColor(p.BackColorIndex), kPlotContrast) : c;
}

int LevelColor(const PlotState& p, int k) {
    if (k < 0 || k >= 15) return 14;
    return p.BandColor[static_cast<std::size_t>(k)][p.intColor == 1 ? 1 : 0];
}

ShownRange RangeShown(PlotView s) {
    const simulation::SimulationConditions& c = simulation::ShownConditions(s.sim);
    return {static_cast<float>(c.start), static_cast<float>(c.end), simulation::StoredValue(c.unit)};
}

bool ExperimentShown(PlotView s) { return s.exp.ExpCount > 0 && s.exp.ShowSpectra == 1; }

double ResidualHeadroom(PlotView s) { return ResidualsShown(s) ? 20.0 : 0.0; }

std::string AxisCaption(int units) {
    if (units == 3) return "Wavenumber (cm-1)";
    return std::string(units >= 4 ? "Wavelength (nm)" : "Wavelength (\xC3\x85)") +
           (IsAirUnit(units) ? " (Air)" : " (Vacuum)");
}

// ---- Ticks ----------------------------------------------------------------------------------

namespace {

/// Most labels on the wavelength axis and on each intensity scale.
constexpr int kMaxXLabels = 12, kMaxYLabels = 6;

/// Major and minor steps of the wavelength axis for the view, from the width of its labels.
AxisScale XAxisScale(PlotView s, const PlotContext& ctx) {
    const double L = s.plot.ViewLeft, R = s.plot.ViewRight;
    const double widest = std::max(std::fabs(L), std::fabs(R));
    return ChooseAxisScale(
        L, R, [&](double step) { return ctx.labels.TextWidth(XTickLabel(widest, step)); }, kMaxXLabels);
}

void AxisTicks(PlotView s, PlotContext& ctx, double bottom, double top, bool ticks, bool labels) {
    const PlotState& p = s.plot;
    const double zy = p.ZoomY, ymax = p.YMax;
    bottom /= zy;
    top /= zy;
    const double minor = 0.015 * ymax / zy, major = 0.025 * ymax / zy;
    const double L = p.ViewLeft, R = p.ViewRight;
    // A window narrower than single precision resolves gets no ticks.
    if (!(std::fabs(R - L) >= 1e-4) || !std::isfinite(R - L)) return;
    const AxisScale scale = XAxisScale(s, ctx);

    const Rgb fore = Palette(p.ForeColorIndex);
    if (ticks) {
        for (const double x : TicksBetween(L, R, scale.minor)) {
            ctx.plot.Line(x, bottom, x, bottom + minor, fore);
            ctx.plot.Line(x, top, x, top - minor, fore);
        }
    }
    double limit = ctx.labelLimitStart;
    for (const double x : TicksBetween(L, R, scale.major)) {
        if (ticks) {
            ctx.plot.Line(x, bottom, x, bottom + major, fore);
            ctx.plot.Line(x, top, x, top - major, fore);
        }
        if (!labels) continue;
        const std::string label = XTickLabel(x, scale.major);
        const double w = ctx.labels.TextWidth(label);
        const double left = x - w / 2.0;
        if (left > limit && left + w <= ctx.labelLimitEnd) {
            ctx.labels.Text(left, ctx.labelTop, label, fore);
            limit = left + 1.5 * w;
        }
    }
}

/// A label of the intensity axis, right-aligned against ctx.yLabelRight with its top at `top`.
void YLabel(PlotContext& ctx, double top, const std::string& text, Rgb color) {
    ctx.yLabels->Text(ctx.yLabelRight - ctx.yLabels->TextWidth(text), top, text, color);
}

/// One intensity scale: value v drawn at height base + factor * v, shown between heights low and
/// high. Returns the width of its widest label on ctx.yLabels (0 without labels).
double YScale(PlotView s, PlotContext& ctx, double base, double factor, double low, double high) {
    const PlotState& p = s.plot;
    const double zy = p.ZoomY;
    const double vLow = (low - base) / factor, vHigh = (high - base) / factor;
    const double labelHeight = ctx.yLabels ? ctx.yLabels->TextHeight("0") / factor : 0.0;
    const AxisScale scale = ChooseAxisScale(
        vLow, vHigh, [&](double) { return labelHeight; }, kMaxYLabels);
    if (scale.major == 0.0) return 0.0;
    const Rgb fore = Palette(p.ForeColorIndex);
    // Tick lengths as long on the page as those of the wavelength axis.
    const double aspect = ctx.rowHeight > 0.0 ? ctx.columnWidth / ctx.rowHeight : 0.0;
    const double minor = 0.015 * p.YMax / zy * aspect, major = 0.025 * p.YMax / zy * aspect;
    const double L = p.ViewLeft, R = p.ViewRight;
    if (aspect > 0.0) {
        for (const double v : TicksBetween(vLow, vHigh, scale.minor)) {
            const double y = base + factor * v;
            ctx.plot.Line(L, y, L + minor, y, fore);
            ctx.plot.Line(R, y, R - minor, y, fore);
        }
    }
    double widest = 0.0;
    for (const double v : TicksBetween(vLow, vHigh, scale.major)) {
        const double y = base + factor * v;
        if (aspect > 0.0) {
            ctx.plot.Line(L, y, L + major, y, fore);
            ctx.plot.Line(R, y, R - major, y, fore);
        }
        if (!ctx.yLabels) continue;
        const std::string label = YTickLabel(v, scale.major);
        YLabel(ctx, y + ctx.yLabels->TextHeight(label) / 2.0, label, fore);
        widest = std::max(widest, ctx.yLabels->TextWidth(label));
    }
    return widest;
}

}  // namespace

void DrawXAxisTicks(PlotView s, PlotContext& ctx, double bottom, double top, bool withLabels) {
    AxisTicks(s, ctx, bottom, top, true, withLabels);
}

void DrawXAxisLabels(PlotView s, PlotContext& ctx) {
    AxisTicks(s, ctx, -0.05 * s.plot.YMax, 1.05 * s.plot.YMax, false, true);
}

void DrawYAxis(PlotView s, PlotContext& ctx) {
    const PlotState& p = s.plot;
    const double zy = p.ZoomY, ymax = p.YMax;
    const double bottom = -0.05 * ymax / zy, top = 1.05 * ymax / zy;
    double widest = 0.0;
    if (p.ComparisonMode == 1) {
        // Both halves carry their traces at 0.48 of the scale; the simulation sits on 0.54.
        const double middle = 0.5 * ymax / zy;
        widest = YScale(s, ctx, 0.0, 0.48, bottom, middle);
        widest = std::max(widest, YScale(s, ctx, 0.54 * ymax / zy, 0.48, middle, top));
    } else {
        widest = YScale(s, ctx, 0.0, 1.0, bottom, top);
    }
    if (!ctx.yLabels || !(ctx.yLabelsAspect > 0.0)) return;
    // The caption reads upwards, left of the labels, centred on the intensity range; a plot too
    // low for it gets the short form.
    Canvas& c = *ctx.yLabels;
    const double gap = 0.5 * c.TextWidth("0");
    for (const char* caption : {kIntensityCaption, "Intensity"}) {
        const double thickness = c.TextHeight(caption) * ctx.yLabelsAspect;
        const double length = c.TextWidth(caption) / ctx.yLabelsAspect;
        if (length > top - bottom) continue;
        c.TextUp(ctx.yLabelRight - widest - gap - thickness, (bottom + top) / 2.0 - length / 2.0, caption,
                 Palette(p.ForeColorIndex));
        return;
    }
}

// ---- Traces ---------------------------------------------------------------------------------

void DrawSimulation(PlotView s, PlotContext& ctx, int color, bool separated) {
    PlotState& p = s.plot;
    const simulation::Spectrum& sim = s.sim.result;
    // On screen the trace follows the scheme; a printed page keeps black on white.
    if (!ctx.printing) ApplyColorScheme(p);
    const double zy = p.ZoomY, ymax = p.YMax;
    const double L = p.ViewLeft, R = p.ViewRight;
    double o = 0.0;
    if (separated) {
        o = 0.54 * ymax / zy;
        ctx.plot.Box(L, 0.5 * ymax / zy, R, 1.05 * ymax / zy, Palette(p.BackColorIndex), true);
        ctx.plot.Line(L, 0.5 * ymax / zy, R, 0.5 * ymax / zy, Palette(p.ForeColorIndex));
        p.TraceScale = 0.48f;
    } else {
        p.TraceScale = 1.0f;
    }
    const int n = sim.grid.last;
    const int nsel = static_cast<int>(sim.levels.size());
    if (n < 1 || sim.grid.pointsPerWidth <= 0 || !(sim.grid.gridWidth > 0.0f) || sim.total.Empty() ||
        sim.total.Hi() < n)
        return;
    const double ts = p.TraceScale;
    const double dx = sim.grid.Step();

    // Only intervals near the view can touch it.
    const double a = std::floor((L - sim.grid.start) / dx) - 1.0, b = std::ceil((R - sim.grid.start) / dx) + 1.0;
    const int iFirst = static_cast<int>(std::clamp(a, 0.0, static_cast<double>(n - 1)));
    const int iLast = static_cast<int>(std::clamp(b, 0.0, static_cast<double>(n - 1)));

    const int mode = p.DisplayMode;
    const double threshold = 0.002 / zy;
    const bool bandsOk = nsel >= 1 && !sim.bands.Empty() && sim.bands.Hi(0) >= nsel && sim.bands.Hi(1) >= n;

    if (mode == 0) {
        if (nsel < 1) return;
        PolylineDecimator trace(ctx.plot, SchemeColor(p, color), L, ctx.columnWidth);
        const bool noisy = s.sim.NoiseLevel >= 0.00001f;
        bool first = true;
        double prevY = 0.0;
        for (int i = iFirst; i <= iLast; ++i) {
            const double x0 = GridX(sim, i), x1 = GridX(sim, i + 1);
            if (!((L < x0 && x0 < R) || (L < x1 && x1 < R))) continue;
            const double y0 = ts * sim.total(i) + o, y1 = ts * sim.total(i + 1) + o;
            if (!noisy) {
                trace.Segment(x0, y0, x1, y1);
                continue;
            }
            if (first) prevY = y0;
            first = false;
            p.NoiseSample = static_cast<float>(s.sim.Noise.Next());
            const double yn = 0.5 * s.sim.NoiseLevel * p.NoiseSample + y1;
            trace.Segment(x0, prevY, x1, yn);
            prevY = yn;
        }
        return;
    }
    if (!bandsOk) return;

    std::vector<double> weight(static_cast<std::size_t>(nsel) + 1, 0.0);
    std::deque<PolylineDecimator> contours;
    std::deque<VerticalStrokeMerger> areas;
    for (int k = 1; k <= nsel; ++k) {
        weight[static_cast<std::size_t>(k)] = sim.weights[static_cast<std::size_t>(k - 1)];
        const Rgb c = SchemeColor(p, LevelColor(p, k));
        if (mode == 1)
            contours.emplace_back(ctx.plot, c, L, ctx.columnWidth);
        else
            areas.emplace_back(ctx.plot, c, L, ctx.columnWidth, ctx.rowHeight);
    }
    const double upp = p.UnitsPerPixel;
    const double lastColumn = upp > 0 ? std::ceil((R - L) / upp) + 1.0 : 0.0;
    for (int i = iFirst; i <= iLast; ++i) {
        const double x0 = GridX(sim, i), x1 = GridX(sim, i + 1);
        if (!((L < x0 && x0 < R) || (L < x1 && x1 < R))) continue;
        double s0 = 0.0, s1 = 0.0;  // stack bottoms at x0 and x1
        for (int k = 1; k <= nsel; ++k) {
            const double w = weight[static_cast<std::size_t>(k)];
            const double va = w * sim.bands(k, i), vb = w * sim.bands(k, i + 1);
            if (va > threshold || vb > threshold) {
                if (mode == 1) {
                    contours[static_cast<std::size_t>(k - 1)].Segment(x0, ts * va + o, x1, ts * vb + o);
                } else {
                    VerticalStrokeMerger& fill = areas[static_cast<std::size_t>(k - 1)];
                    // A stroke at x whose stack bottom and height are interpolated in the interval.
                    auto strokeAt = [&](double x) {
                        const double t = (x - x0) / (x1 - x0);
                        const double bottom = s0 + (s1 - s0) * t;
                        const double top = bottom + va + (vb - va) * t;
                        fill.Stroke(x, ts * bottom + o, ts * top + o);
                    };
                    fill.Stroke(x0, ts * s0 + o, ts * (s0 + va) + o);
                    if (ctx.printing) {
                        strokeAt(x0 + (x1 - x0) / 3.0);
                        strokeAt(x0 + 2.0 * (x1 - x0) / 3.0);
                    } else if (upp > 0) {
                        double p0 = std::nearbyint((x0 - L) / upp), p1 = std::nearbyint((x1 - L) / upp);
                        if (p0 > p1) std::swap(p0, p1);
                        if (p1 - p0 >= 2) {
                            // Columns outside the view are invisible: fill only those inside.
                            const long long c0 = static_cast<long long>(std::max(p0, -1.0));
                            const long long c1 = static_cast<long long>(std::min(p1, lastColumn));
                            for (long long col = c0; col <= c1; ++col) strokeAt(L + static_cast<double>(col) * upp);
                        }
                    }
                    fill.Stroke(x1, ts * s1 + o, ts * (s1 + vb) + o);
                }
            }
            s0 += va;
            s1 += vb;
        }
    }
}

void DrawExperimental(PlotView s, PlotContext& ctx, double factor, int color) {
    if (!ExperimentShown(s)) return;
    const ExperimentState& e = s.exp;
    const double L = s.plot.ViewLeft, R = s.plot.ViewRight;
    PolylineDecimator trace(ctx.plot, SchemeColor(s.plot, color), L, ctx.columnWidth);
    const int last = LastExpIndex(e, false);
    for (int i = 0; i < last; ++i) {
        const double x0 = e.ExpX(i), x1 = e.ExpX(i + 1);
        if ((x0 < L && x1 < L) || (x0 > R && x1 > R)) continue;  // wholly outside the view
        trace.Segment(x0, factor * e.ExpY(i), x1, factor * e.ExpY(i + 1));
    }
}

void DrawResidualStrip(PlotView s, PlotContext& ctx) {
    if (!ResidualsShown(s)) return;
    ExperimentState& e = s.exp;
    const PlotState& p = s.plot;
    const double zy = p.ZoomY, base = 1.05 * p.YMax;
    const double L = p.ViewLeft, R = p.ViewRight;
    const int last = LastExpIndex(e, true);

    double lo = 0.0, hi = 0.0;
    if (e.ResidualScale > 0.0001) {
        hi = e.ResidualScale / zy;
        lo = -hi;
    } else {
        // "Auto": from the residuals, always containing zero.
        for (int i = 0; i < last; ++i) {
            lo = std::min(lo, static_cast<double>(e.Residual(i)));
            hi = std::max(hi, static_cast<double>(e.Residual(i)));
        }
    }
    if (!(hi - lo > 0.0)) {
        // All residuals zero: a symmetric strip with the zero line in its middle.
        hi = 1.0 / zy;
        lo = -hi;
    }
    ctx.plot.Box(L, base / zy, R, (base + 20.0) / zy, Rgb{200, 200, 200}, true);
    const double y0 = ((-lo / (hi - lo)) * 20.0 + base) / zy;
    const Rgb black = Palette(0);
    ctx.plot.Line(L, y0, R, y0, black);
    for (int i = 0; i <= last; ++i)
        e.Residual(i) = static_cast<float>(std::clamp(static_cast<double>(e.Residual(i)), lo, hi));
    PolylineDecimator trace(ctx.plot, black, L, ctx.columnWidth);
    const double k = 20.0 / (hi - lo) / zy;
    for (int i = 0; i < last; ++i) {
        const double x0 = e.ExpX(i), x1 = e.ExpX(i + 1);
        if ((x0 < L && x1 < L) || (x0 > R && x1 > R)) continue;
        trace.Segment(x0, k * e.Residual(i) + y0, x1, k * e.Residual(i + 1) + y0);
    }
    trace.Flush();
    DrawXAxisTicks(s, ctx, base, base + 20.0, false);
    ctx.plot.Box(L, base / zy, R, (base + 20.0) / zy, Palette(p.ForeColorIndex), false);

    // Its scale in percent of full scale (the residuals are held divided by the zoom): the top
    // label hangs from the strip's top, the bottom one stands on its bottom, zero where it fits.
    if (!ctx.yLabels) return;
    const Rgb fore = Palette(p.ForeColorIndex);
    const double h = ctx.yLabels->TextHeight("0"), step = (hi - lo) * zy / 4.0;
    const double yTop = (base + 20.0) / zy, yBottom = base / zy;
    YLabel(ctx, yTop, YTickLabel(hi * zy, step), fore);
    YLabel(ctx, yBottom + h, YTickLabel(lo * zy, step), fore);
    if (y0 - h / 2.0 > yBottom + h && y0 + h / 2.0 < yTop - h) YLabel(ctx, y0 + h / 2.0, "0", fore);
}

void DrawLegend(PlotView s, PlotContext& ctx, int simColor, int expColor) {
    const PlotState& p = s.plot;
    Canvas& c = ctx.plot;
    const double zy = p.ZoomY;
    const double h = std::fabs(c.TextHeight("1")), cw = c.TextWidth("A");
    const double top = 100.0 / zy - 0.2 * h;
    const double x0 = p.ViewLeft + (p.ViewRight - p.ViewLeft) * (0.89 - 0.44 * p.LegendPosition);
    const double x1 = x0 + (ctx.printing ? 6.5 : 6.7) * cw;
    const double tx = x0 + 1.5 * cw;
    const bool exp = ExperimentShown(s);
    // The total trace needs a legend only beside an experimental one.
    if (p.DisplayMode == 0 && !exp) return;
    const simulation::Spectrum& sim = s.sim.result;
    const int nsel = static_cast<int>(sim.levels.size());
    const int rows = p.DisplayMode == 0 ? 2 : nsel + (exp ? 1 : 0);
    const double bottom = 100.0 / zy - (rows + 1.9) * h;
    c.Box(x0, top, x1, bottom, Palette(p.BackColorIndex), true);
    c.Box(x0, top, x1, bottom, Palette(p.ForeColorIndex), false);
    if (p.DisplayMode == 0) {
        c.Text(tx, top - h, "Exp.", SchemeColor(p, expColor));
        c.Text(tx, top - 2.0 * h, "Sim.", SchemeColor(p, simColor));
        return;
    }
    const bool upper = simulation::PopulatedState(sim.conditions.kind) == ElectronicState::Upper;
    for (int k = 1; k <= nsel; ++k)
        c.Text(tx, top - k * h, Format(sim.levels[static_cast<std::size_t>(k - 1)], upper ? "v' = #0" : "v'' = #0"),
               SchemeColor(p, LevelColor(p, k)));
    if (exp) c.Text(tx, top - (nsel + 1) * h, "Exp.", SchemeColor(p, expColor));
}

// ---- Assignment combs -----------------------------------------------------------------------

namespace {

/// The back of an assignment comb at height y: joins consecutive positions, clamped into the view,
/// wherever a position or its predecessor lies inside the view.
class CombBack {
public:
    CombBack(Canvas& canvas, double left, double right, double y, Rgb color)
        : canvas_(canvas), left_(left), right_(right), y_(y), color_(color) {}

    /// Takes the next position; true when it lies inside the view, where its tooth goes.
    bool Next(double x) {
        const bool inside = Inside(x);
        if (havePrev_ && (inside || Inside(prev_)))
            canvas_.Line(std::clamp(prev_, left_, right_), y_, std::clamp(x, left_, right_), y_, color_);
        prev_ = x;
        havePrev_ = true;
        return inside;
    }
    bool HasPrevious() const { return havePrev_; }
    double Previous() const { return prev_; }

private:
    bool Inside(double x) const { return x >= left_ && x <= right_; }
    Canvas& canvas_;
    double left_, right_, y_;
    Rgb color_;
    bool havePrev_ = false;
    double prev_ = 0.0;
};

/// Rectangle of a printed assignment label.
struct LabelBox {
    double left, right, bottom, top;
    bool Overlaps(const LabelBox& o) const {
        return left < o.right && o.left < right && bottom < o.top && o.bottom < top;
    }
};

void DrawVibrationalCombs(PlotView s, PlotContext& ctx) {
    const DatabaseState& db = s.db;
    const Catalogue& cat = db.cat;
    const PlotState& p = s.plot;
    const int systemEntry = db.systemEntry;
    if (db.BandData.Empty() || !cat.NMaxVib.Contains(systemEntry, 2)) return;
    const double zy = p.ZoomY, L = p.ViewLeft, R = p.ViewRight;
    const Rgb fore = Palette(p.ForeColorIndex);
    const bool upperFixed = simulation::PopulatedState(s.sim.result.conditions.kind) == ElectronicState::Upper;
    const int jMax = cat.NMaxVib(systemEntry, upperFixed ? 2 : 1);
    const std::vector<int>& levels = s.sim.result.levels;
    // One comb per level, 6 % of full scale apart, or further on a low plot, so that a comb's
    // labels never reach the comb below. A label that would cover one already printed (bands
    // closer than their labels are wide) is left out; its tooth stays.
    const double textHeight = std::fabs(ctx.plot.TextHeight("(0,0)"));
    const double row = std::max(6.0 / zy, 1.25 * textHeight), tooth = 3.0 / zy;
    std::vector<LabelBox> printed;
    for (int k = 1; k <= static_cast<int>(levels.size()); ++k) {
        const double y = 105.0 / zy - row * k;
        const int fixed = levels[static_cast<std::size_t>(k - 1)];
        const Rgb labelColor = p.DisplayMode == 2 ? fore : SchemeColor(p, LevelColor(p, k));
        CombBack back(ctx.plot, L, R, y, fore);
        for (int j = 0; j <= jMax; ++j) {
            const int vu = upperFixed ? fixed : j, vl = upperFixed ? j : fixed;
            const double origin = db.BandData.Contains(4, vu, vl) ? db.BandData(4, vu, vl) : 0.0;
            // A band without origin does not exist: no tooth, the comb runs on.
            if (!(origin > 0.0)) continue;
            const double x = WavenumberToAxis(origin, RangeShown(s).units);
            if (!back.Next(x)) continue;
            ctx.plot.Line(x, y - tooth, x, y, fore);
            const std::string label = "(" + Format(vu, "0") + "," + Format(vl, "0") + ")";
            const double left = x + ctx.columnWidth;
            const LabelBox box{left, left + ctx.plot.TextWidth(label), y - textHeight, y};
            if (std::any_of(printed.begin(), printed.end(), [&](const LabelBox& o) { return box.Overlaps(o); }))
                continue;
            ctx.plot.Text(left, y, label, labelColor);
            printed.push_back(box);
        }
    }
}

void DrawRotationalCombs(PlotView s, PlotContext& ctx) {
    // A band that cannot be loaded has no marks; the redraw goes on without them.
    try {
        if (!LoadAssignmentBand(s)) return;
    } catch (const std::exception&) {
        return;
    }
    const DatabaseState& db = s.db;
    const Catalogue& cat = db.cat;
    const PlotState& p = s.plot;
    const int systemEntry = db.systemEntry;
    const int lamU = cat.StateLambda(1, systemEntry), lamL = cat.StateLambda(2, systemEntry);
    const int branches = lamU != 0 && lamL != 0 ? 24 : 12;
    const int vl = p.AssignVLower;

    // Rows start at the lower state's Λ, one lower for a lower state in case (a) labels.
    if (!db.MolConst.Contains(2, vl, 6) || db.LineData.Empty()) return;
    const double B = db.MolConst(2, vl, 1), A = db.MolConst(2, vl, 6);
    const bool caseA =
        B != 0.0 && database::CaseALabels(database::StateOf(cat, 2, systemEntry), static_cast<float>(A / B));
    const int nFirst = std::max(0, lamL - (caseA ? 1 : 0));
    const int nLast = database::LastLineRow(db);

    const double zy = p.ZoomY, L = p.ViewLeft, R = p.ViewRight;
    const Rgb fore = Palette(p.ForeColorIndex), nameColor = SchemeColor(p, 9);
    const int hund = s.table.nomenclature != 0 ? 1 : 0;
    const int units = RangeShown(s).units;
    const double lineShift = s.sim.widths.lineShift;
    const double textHeight = ctx.plot.TextHeight("1");
    // Labels of every branch printed so far: a label that would overlap one is left out (the
    // branch sets 1..12 and 13..24 share their rows, and neighbouring rows come close).
    std::vector<LabelBox> printed;
    for (int b = 1; b <= branches; ++b) {
        if (p.BranchSelection != 0 && p.BranchSelection != b) continue;
        const int r = b > 12 ? b - 12 : b;
        const double Y = 6.0 * (17 - r);
        CombBack back(ctx.plot, L, R, Y / zy, fore);
        bool named = false;
        int firstSign = 0, dir = 1;
        for (int N = nFirst; N <= nLast; ++N) {
            const double nu = db.LineData(4, b, N);
            if (!(nu > 0.0)) continue;  // no line
            const double x = WavenumberToAxis(nu, units) + lineShift;
            if (back.HasPrevious()) {
                // The comb turns back at a band head: later teeth point the other way.
                const int sign = x > back.Previous() ? 1 : (x < back.Previous() ? -1 : 0);
                if (sign != 0) {
                    if (firstSign == 0) firstSign = sign;
                    dir = sign == firstSign ? 1 : -1;
                }
            }
            if (!back.Next(x)) continue;
            ctx.plot.Line(x, Y / zy, x, (Y - 3.0 * dir) / zy, fore);
            const bool withName = !named && b <= 12;
            std::string text;
            if (hund == 0) {
                text = Format(N, "0");
            } else {
                const double J = table::BranchHasJAboveN(b) ? N + 0.5 : N - 0.5;
                text = Format(J, "0.0");
            }
            if (withName) text = cat.BranchName(hund, r) + "(" + text + ")";
            // Below the back for teeth pointing down, above it for teeth pointing up.
            const double top = (dir == 1 ? Y : Y + 3.0) / zy;
            const double left = x + ctx.columnWidth;
            const LabelBox box{left, left + ctx.plot.TextWidth(text), top - textHeight, top};
            const bool free =
                std::none_of(printed.begin(), printed.end(), [&](const LabelBox& o) { return box.Overlaps(o); });
            if (free) {
                ctx.plot.Text(left, top, text, withName ? nameColor : fore);
                printed.push_back(box);
                named = true;
            }
        }
    }
}

}  // namespace

void DrawAssignments(PlotView s, PlotContext& ctx) {
    // The combs name the bands and lines of the loaded doublet system, not those of a system of
    // any multiplicity simulated in its place.
    if (s.sim.Multiplet) return;
    if (s.plot.AssignmentMode == 1)
        DrawRotationalCombs(s, ctx);
    else
        DrawVibrationalCombs(s, ctx);
}

void DrawPlotContent(PlotView s, PlotContext& ctx) {
    const PlotState& p = s.plot;
    const double ymax = p.YMax;
    if (p.ComparisonMode == 0) {
        DrawSimulation(s, ctx, 5, false);
        DrawExperimental(s, ctx, 1.0, 3);
        if (p.ShowAssignment != 0) DrawAssignments(s, ctx);
        CompareStatistics(s);
        DrawResidualStrip(s, ctx);
        DrawLegend(s, ctx, 5, 3);
        DrawYAxis(s, ctx);
        return;
    }
    DrawExperimental(s, ctx, 0.48, 3);
    DrawSimulation(s, ctx, 2, true);
    if (p.ShowAssignment != 0) DrawAssignments(s, ctx);
    CompareStatistics(s);
    DrawResidualStrip(s, ctx);
    DrawLegend(s, ctx, 2, 3);
    DrawXAxisTicks(s, ctx, -0.05 * ymax, 0.5 * ymax, false);
    DrawXAxisTicks(s, ctx, 0.5 * ymax, 1.05 * ymax, false);
    DrawYAxis(s, ctx);
}

// ---- Control events -------------------------------------------------------------------------

void ChkShowAssignment_Click(PlotView s, int value) {
    s.plot.ShowAssignment = value != 0 ? 1 : 0;
    s.RequestRedraw();
}

void CmbAssignment_Click(PlotView s, int index) {
    s.plot.AssignmentMode = index == 1 ? 1 : 0;
    s.plot.AssignBandControlsEnabled = s.plot.AssignmentMode == 1;
    if (s.plot.ShowAssignment == 1) {
        s.RequestRedraw();
        if (s.plot.AssignmentMode == 1) {
            try {
                LoadAssignmentBand(s);
            } catch (const std::exception& e) {
                s.dialogs->ShowMessage(e.what());
            }
        }
    }
}

void CmbRotationalBranches_Click(PlotView s, int index) {
    s.plot.BranchSelection = std::clamp(index, 0, 24);
    s.RequestRedraw();
}

void CmbUpperBand_Change(PlotView s, std::string_view text) {
    s.plot.AssignVUpper = static_cast<int>(Val(text));
    s.RequestRedraw();
}

void CmbLowerBand_Change(PlotView s, std::string_view text) {
    s.plot.AssignVLower = static_cast<int>(Val(text));
    s.RequestRedraw();
}

void CmbLegend_Click(PlotView s, int index) {
    s.plot.LegendPosition = std::clamp(index, 0, 2);
    s.RequestRedraw();
}

void ChkShowSpectra_Click(PlotView s, int value) {
    s.exp.ShowSpectra = value != 0 ? 1 : 0;
    if (s.exp.ExpCount > 0) s.RequestRedraw();
}

bool LoadAssignmentBand(PlotView s) {
    DatabaseState& db = s.db;
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry, vu = s.plot.AssignVUpper, vl = s.plot.AssignVLower;
    if (!cat.NMaxVib.Contains(systemEntry, 2) || vu < 0 || vl < 0 || vu > cat.NMaxVib(systemEntry, 1) ||
        vl > cat.NMaxVib(systemEntry, 2))
        return false;
    if (!database::IsBandLoaded(db, vu, vl, systemEntry)) database::LoadBand(db, vu, vl, systemEntry);
    return true;
}

}  // namespace velmora::display
