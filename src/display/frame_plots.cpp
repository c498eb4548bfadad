#include "display/frame_plots.h"

#include <algorithm>

#include "fit/fit_report.h"

namespace velmora::display {

namespace {

bool Profiled(fit::ParameterKind k) {
    return k == fit::ParameterKind::RotationalTemperature || k == fit::ParameterKind::VibrationalTemperature ||
           k == fit::ParameterKind::Scale;
}

}  // namespace

std::vector<Chart> FrameProfileCharts(const fit::FrameSpectra& frame, const std::vector<fit::FrameRow>& rows,
                                      simulation::AxisUnit unit, double width, double height) {
    // The profiled parameters any fitted row has, in the order first met.
    std::vector<const fit::Parameter*> kinds;
    for (const fit::FrameRow& row : rows) {
        if (row.fit.outcome != fit::BatchOutcome::Fitted) continue;
        for (const fit::Parameter& q : row.fit.result.parameters)
            if (q.free && Profiled(q.id.kind) &&
                std::none_of(kinds.begin(), kinds.end(), [&](const fit::Parameter* p) { return p->name == q.name; }))
                kinds.push_back(&q);
    }
    const std::string axis = frame.positionName + (frame.positionUnit.empty() ? "" : " (" + frame.positionUnit + ")");
    std::vector<Chart> charts;
    const double each = kinds.empty() ? height : height / static_cast<double>(kinds.size());
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        Chart c;
        c.top = each * static_cast<double>(k), c.width = width, c.height = each;
        const std::string u = fit::ParameterUnit(kinds[k]->id.kind, unit);
        c.yLabel = kinds[k]->name + (u.empty() ? "" : " (" + u + ")");
        if (k == 0)
            c.caption = frame.source + ": " + kinds[k]->name + (kinds.size() > 1 ? " and more" : "") + " against " +
                        frame.positionName;
        if (k + 1 == kinds.size()) c.xLabel = axis;
        ChartSeries lower{{}, {}, {}, {0, 0, 200}, true, {}}, upper{{}, {}, {}, {200, 0, 0}, true, {}};
        for (const fit::FrameRow& row : rows) {
            if (row.fit.outcome != fit::BatchOutcome::Fitted) continue;
            const fit::FitResult& r = row.fit.result;
            const fit::Parameter* q = r.Find(kinds[k]->name);
            if (!q) continue;
            ChartSeries& s = row.half > 0 ? upper : lower;
            s.x.push_back(row.position), s.y.push_back(q->value), s.error.push_back(r.Uncertainty(q->name));
        }
        c.series.push_back(lower);
        if (!upper.x.empty()) c.series.push_back(upper);
        charts.push_back(c);
    }
    if (charts.empty()) {
        Chart c;
        c.width = width, c.height = height, c.xLabel = axis;
        c.caption = frame.source + ": no row was fitted";
        charts.push_back(c);
    }
    return charts;
}

void WriteFrameProfilesSvg(const std::string& path, const fit::FrameSpectra& frame,
                           const std::vector<fit::FrameRow>& rows, simulation::AxisUnit unit) {
    const std::vector<Chart> charts = FrameProfileCharts(frame, rows, unit, 900.0, 1.0);
    const double height = 300.0 * static_cast<double>(charts.size());
    WriteChartsSvg(path, FrameProfileCharts(frame, rows, unit, 900.0, height), 900.0, "Profiles of " + frame.source);
}

MapImage LifTemperatureMap(const fit::LifImageResult& r, const std::string& system) {
    MapImage m;
    m.rows = r.rows, m.columns = r.columns, m.values = r.temperature, m.x = r.x, m.y = r.y;
    m.xLabel = "x" + (r.xUnit.empty() ? "" : " (" + r.xUnit + ")");
    m.yLabel = "y" + (r.yUnit.empty() ? "" : " (" + r.yUnit + ")");
    m.valueLabel = "T (K)";
    m.caption = system + " LIF temperature from " + std::to_string(r.lines.size()) + " lines";
    return m;
}

}  // namespace velmora::display
