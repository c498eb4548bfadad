#include "display/fit_plot.h"

#include <limits>

namespace velmora::display {

std::vector<Chart> FitCharts(const fit::FitResult& r, const std::string& axisLabel, double width, double height) {
    Chart spectrum;
    spectrum.width = width, spectrum.height = 0.72 * height;
    spectrum.yLabel = "intensity";
    std::string caption;
    for (const std::string& s : r.systems) caption += (caption.empty() ? "" : " + ") + s;
    spectrum.caption = caption + ": measured (black), fit (red), reduced chi-square " + std::to_string(r.reducedChiSquare).substr(0, 6);
    spectrum.series.push_back({r.x, r.y, {}, {0, 0, 0}, false});
    spectrum.series.push_back({r.x, r.model, {}, {200, 0, 0}, false});
    if (r.parts.size() > 1) {
        const Rgb colours[] = {{0, 0, 200}, {0, 140, 0}, {160, 0, 160}, {0, 140, 140}};
        for (std::size_t s = 0; s < r.parts.size(); ++s) spectrum.series.push_back({r.x, r.parts[s], {}, colours[s % 4], false});
    }
    Chart strip;
    strip.top = spectrum.height, strip.width = width, strip.height = height - spectrum.height;
    strip.xLabel = axisLabel, strip.yLabel = "residual";
    std::vector<double> residual = r.residual;
    for (std::size_t i = 0; i < residual.size(); ++i)
        if (!r.fitted[i]) residual[i] = std::numeric_limits<double>::quiet_NaN();
    strip.series.push_back({r.x, residual, {}, {0, 0, 0}, false});
    // The strip shares the x limits of the spectrum.
    if (!r.x.empty()) {
        const double margin = 0.04 * (r.x.back() - r.x.front());
        spectrum.xMin = strip.xMin = r.x.front() - margin;
        spectrum.xMax = strip.xMax = r.x.back() + margin;
    }
    return {spectrum, strip};
}

void WriteFitSvg(const std::string& path, const fit::FitResult& r, const std::string& axisLabel) {
    WriteChartsSvg(path, FitCharts(r, axisLabel, 1000.0, 640.0), 1000.0, "Fit");
}

}  // namespace velmora::display
