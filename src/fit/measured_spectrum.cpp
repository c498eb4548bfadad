#include "fit/measured_spectrum.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "common/number_format.h"
#include "common/numerics.h"
#include "fit/fit_errors.h"

namespace velmora::fit {

MeasuredSpectrum ReadMeasuredSpectrum(const std::string& path, const experiment::SpectrumReading& how) {
    experiment::SpectrumRead read = experiment::ReadSpectrumPoints(path, how);
    MeasuredSpectrum s;
    s.source = path;
    s.notice = std::move(read.notice);
    s.x = std::move(read.points.x);
    s.y = std::move(read.points.y);
    s.sigma = std::move(read.points.sigma);
    if (read.unit != how.axisUnits)
        for (double& x : s.x) x = ConvertAxisValue(x, read.unit, how.axisUnits);
    CheckMeasuredSpectrum(s);
    return s;
}

void CheckMeasuredSpectrum(MeasuredSpectrum& s) {
    const std::size_t n = s.x.size();
    if (s.y.size() != n || (!s.sigma.empty() && s.sigma.size() != n))
        throw FitInputError(s.source + ": " + std::to_string(n) + " x values, " + std::to_string(s.y.size()) +
                            " y values" +
                            (s.sigma.empty() ? "" : " and " + std::to_string(s.sigma.size()) + " uncertainties"));
    if (n == 0) throw FitInputError(s.source + ": no point");
    for (std::size_t i = 0; i < n; ++i) {
        auto bad = [&](const std::string& what) {
            return FitInputError(s.source + ": point " + std::to_string(i + 1) + " (x = " + Trim(Str(s.x[i])) +
                                 "): " + what);
        };
        if (!std::isfinite(s.x[i]))
            throw FitInputError(s.source + ": point " + std::to_string(i + 1) + ": x is not a finite number");
        if (!std::isfinite(s.y[i])) throw bad("y is not a finite number");
        if (!s.sigma.empty() && !(s.sigma[i] > 0.0 && std::isfinite(s.sigma[i])))
            throw bad("the uncertainty must be a finite number above 0");
    }
    if (!std::is_sorted(s.x.begin(), s.x.end())) {
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return s.x[a] < s.x[b]; });
        auto permute = [&](std::vector<double>& v) {
            if (v.empty()) return;
            std::vector<double> w(n);
            for (std::size_t i = 0; i < n; ++i) w[i] = v[order[i]];
            v.swap(w);
        };
        permute(s.x);
        permute(s.y);
        permute(s.sigma);
    }
    const auto [lo, hi] = std::minmax_element(s.y.begin(), s.y.end());
    if (*lo == *hi)
        throw FitInputError(s.source + ": the spectrum is flat (every y is " + Trim(Str(*lo)) + "): nothing to fit");
}

double EstimateNoise(const std::vector<double>& y) {
    if (y.size() < 5) return 0.0;
    std::vector<double> d;
    d.reserve(y.size() - 4);
    for (std::size_t i = 2; i + 2 < y.size(); ++i) d.push_back(std::fabs(2.0 * y[i] - y[i - 2] - y[i + 2]));
    // The lower quartile of |d|: for Gaussian noise d has σ√6 and its lower quartile lies at
    // σ√6 Φ⁻¹(5/8) = σ√6 × 0.318639. Lines raise |d| where they stand, so the quartile holds
    // while up to three quarters of the points lie on lines (the median of DER_SNR only while half).
    const auto quartile = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 4);
    std::nth_element(d.begin(), quartile, d.end());
    return *quartile / (std::sqrt(6.0) * 0.318639);
}

}  // namespace velmora::fit
