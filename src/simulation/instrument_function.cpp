#include "simulation/instrument_function.h"

#include <algorithm>
#include <cmath>

namespace velmora::simulation {

InstrumentFunction::InstrumentFunction(std::vector<double> x, std::vector<double> y)
    : x_(std::move(x)), y_(std::move(y)) {
    if (x_.size() != y_.size() || x_.size() < 2)
        throw ConditionError("an instrument function needs at least two points");
    // Area and first moment of each linear segment: (b - a)(ya + yb)/2 and
    // (b - a)(ya (2a + b) + yb (a + 2b))/6.
    double area = 0.0, moment = 0.0;
    for (std::size_t k = 0; k + 1 < x_.size(); ++k) {
        const double a = x_[k], b = x_[k + 1], ya = y_[k], yb = y_[k + 1];
        if (!(b >= a)) throw ConditionError("the offsets of an instrument function must not decrease");
        area += (b - a) * (ya + yb) / 2.0;
        moment += (b - a) * (ya * (2.0 * a + b) + yb * (a + 2.0 * b)) / 6.0;
    }
    if (!(x_.back() > x_.front()) || !(area > 0.0) || !std::isfinite(area))
        throw ConditionError("the instrument function encloses no area");
    const double centroid = moment / area;
    for (double& v : x_) v -= centroid;
    for (double& v : y_) v /= area;
    area_.assign(x_.size(), 0.0);
    for (std::size_t k = 1; k < x_.size(); ++k)
        area_[k] = area_[k - 1] + (x_[k] - x_[k - 1]) * (y_[k - 1] + y_[k]) / 2.0;
}

InstrumentFunction InstrumentFunction::Trapezoid(double fwhm, double top) {
    top = std::clamp(top, 0.0, fwhm);
    const double base = 2.0 * fwhm - top;
    if (top <= 0.0) return InstrumentFunction({-base / 2.0, 0.0, base / 2.0}, {0.0, 1.0, 0.0});
    return InstrumentFunction({-base / 2.0, -top / 2.0, top / 2.0, base / 2.0}, {0.0, 1.0, 1.0, 0.0});
}

double InstrumentFunction::Fwhm() const {
    const double half = *std::max_element(y_.begin(), y_.end()) / 2.0;
    // First upward and last downward crossing of half the peak, linearly interpolated.
    auto crossing = [&](std::size_t k) {
        const double dy = y_[k + 1] - y_[k];
        return dy == 0.0 ? x_[k] : x_[k] + (half - y_[k]) * (x_[k + 1] - x_[k]) / dy;
    };
    double left = x_.front(), right = x_.back();
    for (std::size_t k = 0; k + 1 < x_.size(); ++k)
        if (y_[k + 1] >= half) {
            left = y_[k] >= half ? x_[k] : crossing(k);
            break;
        }
    for (std::size_t k = x_.size() - 1; k > 0; --k)
        if (y_[k - 1] >= half) {
            right = y_[k] >= half ? x_[k] : crossing(k - 1);
            break;
        }
    return right - left;
}

double InstrumentFunction::Extent() const { return std::max(std::fabs(x_.front()), std::fabs(x_.back())); }

double InstrumentFunction::Cumulative(double x) const {
    if (x <= x_.front()) return 0.0;
    if (x >= x_.back()) return area_.back();
    const std::size_t k = static_cast<std::size_t>(std::upper_bound(x_.begin(), x_.end(), x) - x_.begin()) - 1;
    const double u = x - x_[k];
    const double yx = y_[k] + (y_[k + 1] - y_[k]) * u / (x_[k + 1] - x_[k]);
    return area_[k] + u * (y_[k] + yx) / 2.0;
}

std::vector<double> InstrumentFunction::CellAverages(double step, double scale, int reach) const {
    std::vector<double> cells(2 * static_cast<std::size_t>(reach) + 1);
    double below = Cumulative((-reach - 0.5) * step / scale);
    for (int m = -reach; m <= reach; ++m) {
        const double above = Cumulative((m + 0.5) * step / scale);
        cells[static_cast<std::size_t>(m + reach)] = above - below;
        below = above;
    }
    return cells;
}

namespace {

/// The measured function's offsets in axis units at the range centre.
InstrumentFunction MeasuredInAxisUnits(const MeasuredSlit& slit, AxisUnit unit, double nuC) {
    std::vector<double> x = slit.offset, y = slit.response;
    if (slit.unit == SlitOffsetUnit::Nanometre) {
        if (!IsWavelength(unit)) {
            // A longer wavelength is a smaller wavenumber: the function is mirrored.
            for (double& v : x) v *= -nuC * nuC / 1E7;
            std::reverse(x.begin(), x.end());
            std::reverse(y.begin(), y.end());
        } else {
            const double perNm = 10.0 * UnitsPerAngstrom(unit);
            for (double& v : x) v *= perNm;
        }
    }
    return InstrumentFunction(std::move(x), std::move(y));
}

}  // namespace

double InstrumentWidth(const SimulationConditions& c, double nuC) {
    if (c.lineshape != Lineshape::Measured || !c.slit || (!IsWavelength(c.unit) && nuC == 0.0)) return c.resolution;
    return MeasuredInAxisUnits(*c.slit, c.unit, nuC).Fwhm() * c.slitScale;
}

InstrumentFunction InstrumentFor(const SimulationConditions& c, double nuC) {
    if (c.lineshape != Lineshape::Measured)
        return InstrumentFunction::Trapezoid(c.resolution, c.lineshape == Lineshape::Trapezoid ? c.trapezoidTop : 0.0);
    if (!c.slit) throw ConditionError("no measured instrument function has been read: choose its file");
    return MeasuredInAxisUnits(*c.slit, c.unit, nuC);
}

}  // namespace velmora::simulation
