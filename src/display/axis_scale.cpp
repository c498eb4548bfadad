#include "display/axis_scale.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"

namespace velmora::display {

namespace {

/// Most ticks one call produces; finer steps are a sign of a degenerate view.
constexpr long long kMaxTicks = 100000;

}  // namespace

std::vector<double> TicksBetween(double low, double high, double step) {
    std::vector<double> out;
    if (!(step > 0.0) || !std::isfinite(low) || !std::isfinite(high) || !(high > low)) return out;
    if ((high - low) / step > static_cast<double>(kMaxTicks)) return out;
    // Indices rather than repeated additions: no rounding drift, exact multiples of the step.
    const long long first = static_cast<long long>(std::floor(low / step));
    const long long last = static_cast<long long>(std::ceil(high / step));
    for (long long k = first; k <= last; ++k) {
        const double x = static_cast<double>(k) * step;
        if (x > low && x < high) out.push_back(x);
    }
    return out;
}

AxisScale ChooseAxisScale(double low, double high, const std::function<double(double)>& labelSize, int maxLabels,
                          double spacing) {
    const double span = high - low;
    if (!(span > 0.0) || !std::isfinite(span)) return {};
    // Candidates from a hundredth of the span's power of ten up to the span itself.
    const double decade = std::pow(10.0, std::floor(std::log10(span)) - 2.0);
    static constexpr double kMantissa[] = {1.0, 2.0, 5.0};
    // Failing every test (a view narrower than a label), the coarsest step that still labels.
    AxisScale fallback;
    for (int e = 0; e <= 3; ++e) {
        for (const double m : kMantissa) {
            const double step = m * decade * std::pow(10.0, e);
            const AxisScale scale{step, step / (m == 2.0 ? 4.0 : 5.0)};
            const auto labels = static_cast<int>(TicksBetween(low, high, step).size());
            if (labels >= 1 && labels <= maxLabels && step >= spacing * labelSize(step)) return scale;
            if (labels >= 1 || fallback.major == 0.0) fallback = scale;
        }
    }
    return fallback;
}

int StepDecimals(double step) {
    if (!(step > 0.0) || step >= 1.0) return 0;
    // 0.5 and 0.2 need one decimal, 0.05 two; a little slack absorbs binary rounding of the step.
    return std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

namespace {

std::string WithDecimals(double value, int decimals, int leastDecimals) {
    const int d = std::max(decimals, leastDecimals);
    // Rounding first: -0.0 and 2.9999999 come out as 0 and 3.
    const double scale = std::pow(10.0, d);
    double rounded = std::nearbyint(value * scale) / scale;
    if (rounded == 0.0) rounded = 0.0;
    return Format(rounded, d == 0 ? std::string("0") : "0." + std::string(static_cast<std::size_t>(d), '0'));
}

}  // namespace

std::string XTickLabel(double value, double step) { return WithDecimals(value, StepDecimals(step), 1); }

std::string YTickLabel(double value, double step) { return WithDecimals(value, StepDecimals(step), 0); }

}  // namespace velmora::display
