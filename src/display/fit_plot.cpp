#include "display/fit_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/number_format.h"

namespace velmora::display {

namespace {

/// Colours of component traces, distinct from the black data and the red model.
constexpr Rgb kComponentColours[] = {{0, 0, 200},   {0, 140, 0},   {160, 0, 160}, {0, 140, 140},
                                     {200, 120, 0}, {90, 90, 90},  {120, 60, 0},  {0, 90, 200},
                                     {150, 150, 0}, {200, 0, 120}, {60, 160, 90}, {110, 0, 200}};
constexpr std::size_t kMostTraces = 12;  ///< component traces a chart shows, the strongest

/// The components of a detail: bands (branch 0) or branches; the strongest first, at most
/// kMostTraces.
std::vector<const fit::FitComponent*> Shown(const fit::FitResult& r, fit::ComponentDetail detail) {
    std::vector<const fit::FitComponent*> shown;
    for (const fit::FitComponent& c : r.components)
        if ((c.branch == 0) == (detail == fit::ComponentDetail::Bands)) shown.push_back(&c);
    auto peak = [](const fit::FitComponent* c) {
        double p = 0.0;
        for (double v : c->values) p = std::max(p, v);
        return p;
    };
    std::stable_sort(shown.begin(), shown.end(), [&](auto* a, auto* b) { return peak(a) > peak(b); });
    if (shown.size() > kMostTraces) shown.resize(kMostTraces);
    return shown;
}

}  // namespace

std::vector<Chart> FitCharts(const fit::FitResult& r, const std::string& axisLabel, double width, double height,
                             fit::ComponentDetail detail, const std::vector<std::string>& report) {
    Chart spectrum;
    spectrum.width = width, spectrum.height = 0.72 * height;
    spectrum.yLabel = "intensity";
    std::string caption;
    for (const std::string& s : r.systems) caption += (caption.empty() ? "" : " + ") + s;
    spectrum.caption = caption + ": measured (black), fit (red), " + fit::ChiSquareSummary(r.diagnostics) +
                       ", Durbin–Watson " + Format(r.diagnostics.durbinWatson, "0.00");
    spectrum.series.push_back({r.x, r.y, {}, {0, 0, 0}, false, "measured"});
    spectrum.series.push_back({r.x, r.model, {}, {200, 0, 0}, false, "fit"});
    std::size_t colour = 0;
    if (detail == fit::ComponentDetail::Systems || r.components.empty()) {
        if (r.parts.size() > 1)
            for (std::size_t s = 0; s < r.parts.size(); ++s)
                spectrum.series.push_back(
                    {r.x, r.parts[s], {}, kComponentColours[colour++ % kMostTraces], false, r.systems[s]});
    } else {
        for (const fit::FitComponent* c : Shown(r, detail))
            spectrum.series.push_back({r.x, c->values, {}, kComponentColours[colour++ % kMostTraces], false, c->label});
    }
    Chart strip;
    strip.top = spectrum.height, strip.width = width, strip.height = height - spectrum.height;
    strip.xLabel = axisLabel, strip.yLabel = "residual";
    std::vector<double> residual = r.residual;
    for (std::size_t i = 0; i < residual.size(); ++i)
        if (!r.fitted[i]) residual[i] = std::numeric_limits<double>::quiet_NaN();
    strip.series.push_back({r.x, residual, {}, {0, 0, 0}, false, ""});
    // The report below the strip, which grows to hold it.
    strip.notes = report;
    strip.height += FitReportHeight(report);
    // The strip shares the x limits of the spectrum.
    if (!r.x.empty()) {
        const double margin = 0.04 * (r.x.back() - r.x.front());
        spectrum.xMin = strip.xMin = r.x.front() - margin;
        spectrum.xMax = strip.xMax = r.x.back() + margin;
    }
    return {spectrum, strip};
}

double FitReportHeight(const std::vector<std::string>& report) { return 14.0 * static_cast<double>(report.size()); }

void WriteFitSvg(const std::string& path, const fit::FitResult& r, const std::string& axisLabel,
                 fit::ComponentDetail detail, const std::vector<std::string>& report) {
    WriteChartsSvg(path, FitCharts(r, axisLabel, 1000.0, 640.0, detail, report), 1000.0, "Fit");
}

void DrawFitPage(Canvas& page, const fit::FitResult& r, const std::string& axisLabel, fit::ComponentDetail detail,
                 const std::vector<std::string>& report) {
    // An A4 page in portrait, 1000 units wide: the charts above, the report under them.
    constexpr double width = 1000.0, height = 1414.0;
    page.SetScale(0, 0, width, height);
    std::vector<Chart> charts = FitCharts(r, axisLabel, width, 700.0, detail, report);
    for (Chart& c : charts) c.top += 40.0;
    for (const Chart& c : charts) DrawChart(page, c);
}

Chart BoltzmannChart(const fit::BoltzmannPlot& plot, double width, double height) {
    Chart c;
    c.width = width, c.height = height;
    c.xLabel = "energy of the upper level (cm-1)";
    c.yLabel = "ln(N/g)";
    char caption[160];
    std::snprintf(caption, sizeof caption, "%s v' = %d: T = %.0f ± %.0f K (%s)", plot.system.c_str(), plot.v,
                  plot.temperature, plot.temperatureSigma, "straight-line fit of the filled levels");
    c.caption = caption;
    ChartSeries used{{}, {}, {}, {0, 0, 200}, true, ""}, other{{}, {}, {}, {170, 170, 170}, true, ""};
    double e0 = HUGE_VAL, e1 = -HUGE_VAL;
    for (const fit::BoltzmannLevel& l : plot.levels) {
        if (!std::isfinite(l.lnPerG)) continue;
        ChartSeries& s = l.used ? used : other;
        s.x.push_back(l.energy), s.y.push_back(l.lnPerG), s.error.push_back(l.lnSigma);
        if (l.used) e0 = std::min(e0, l.energy), e1 = std::max(e1, l.energy);
    }
    // The y range of the levels used, so that poorly determined levels do not flatten the plot.
    c.series = {used};
    double x0, x1, y0 = HUGE_VAL, y1 = -HUGE_VAL;
    for (std::size_t i = 0; i < used.y.size(); ++i)
        y0 = std::min(y0, used.y[i] - used.error[i]), y1 = std::max(y1, used.y[i] + used.error[i]);
    if (y1 > y0) c.yMin = y0 - 0.1 * (y1 - y0), c.yMax = y1 + 0.1 * (y1 - y0);
    c.series.insert(c.series.begin(), other);
    if (e1 > e0) {
        x0 = e0, x1 = e1;
        c.series.push_back({{x0, x1},
                            {plot.intercept + plot.slope * x0, plot.intercept + plot.slope * x1},
                            {},
                            {200, 0, 0},
                            false,
                            ""});
    }
    return c;
}

void WriteBoltzmannSvg(const std::string& path, const fit::BoltzmannPlot& plot) {
    WriteChartsSvg(path, {BoltzmannChart(plot, 800.0, 560.0)}, 800.0, "Boltzmann plot");
}

}  // namespace velmora::display
