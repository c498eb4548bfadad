#include "fit/profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fit/fit_errors.h"
#include "fit/parallel.h"
#include "fit/robust_fit.h"

namespace velmora::fit {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

/// One end of an interval.
struct End {
    double value = kNaN;
    bool atBound = false;
};

/// Follows the profile of parameter k of the result to one side (direction ±1).
End FollowProfile(const FitRequest& request, const FitResult& result, std::size_t k, int direction, double threshold) {
    const Parameter& p = result.parameters[k];
    const ParameterUncertainty& u = result.uncertaintyDetail[k];
    const double step = std::isfinite(u.correlated) && u.correlated > 0.0 ? u.correlated : u.covariance;
    if (!(step > 0.0) || !std::isfinite(step)) return {};
    const double bound = direction > 0 ? p.upper : p.lower;
    const FitResult* warm = &result;
    FitResult last;
    double previous = p.value, previousRise = 0.0;
    // Steps in units of the uncertainty, finer where the interval's end is expected.
    for (double m : {1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0, 12.0, 16.0, 24.0, 32.0}) {
        if (request.options.cancel && request.options.cancel->load()) throw FitCancelled();
        double value = p.value + direction * m * step;
        const bool atBound = std::isfinite(bound) && (direction > 0 ? value >= bound : value <= bound);
        if (atBound) value = bound;
        if (value == previous) return {value, true};
        FitRequest q = RefitRequest(request, *warm);
        q.settings.free.erase(std::remove(q.settings.free.begin(), q.settings.free.end(), p.name),
                              q.settings.free.end());
        q.settings.bounds.erase(p.name);
        q.settings.start[p.name] = value;
        FitResult fit;
        try {
            fit = FitFromStart(q);
        } catch (const FitConvergenceError&) {
            return {};
        }
        const double rise = std::max(fit.chiSquare - result.chiSquare, 0.0);
        if (rise >= threshold) {
            // √(χ² − χ²_min) is linear in the parameter where the model is linear in it.
            const double s0 = std::sqrt(previousRise), s1 = std::sqrt(rise), target = std::sqrt(threshold);
            return {previous + (value - previous) * (target - s0) / std::max(s1 - s0, 1e-300), false};
        }
        if (atBound) return {value, true};
        previous = value, previousRise = rise;
        last = std::move(fit);
        warm = &last;
    }
    return {previous, false};
}

}  // namespace

double ProfileThreshold(const FitResult& r) {
    return r.reducedChiSquare * std::max(r.diagnostics.correlationLength, 1.0);
}

void ProfileIntervals(const FitRequest& request, FitResult& result) {
    std::vector<std::size_t> chosen;
    for (const std::string& name : request.options.profile) {
        const ParameterPattern pattern = ParseParameterName(name, result.lifExcitation);
        bool any = false;
        for (int k : result.freeParameters)
            if (pattern.Matches(result.parameters[static_cast<std::size_t>(k)].id)) {
                any = true;
                if (std::find(chosen.begin(), chosen.end(), static_cast<std::size_t>(k)) == chosen.end())
                    chosen.push_back(static_cast<std::size_t>(k));
            }
        if (!any) throw FitInputError("profile " + name + ": it is not a free parameter of this fit");
    }
    const double threshold = ProfileThreshold(result);
    std::vector<End> ends(2 * chosen.size());
    ParallelFor(ends.size(), request.options.threads, [&](std::size_t j) {
        ends[j] = FollowProfile(request, result, chosen[j / 2], j % 2 == 0 ? -1 : 1, threshold);
    });
    for (std::size_t c = 0; c < chosen.size(); ++c) {
        ParameterUncertainty& u = result.uncertaintyDetail[chosen[c]];
        u.profileLow = ends[2 * c].value;
        u.profileHigh = ends[2 * c + 1].value;
        u.profileAtBound = ends[2 * c].atBound || ends[2 * c + 1].atBound;
    }
}

}  // namespace velmora::fit
