#include "fit/robust_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <optional>

#include "common/number_format.h"
#include "fit/bootstrap.h"
#include "fit/fit_errors.h"
#include "fit/parallel.h"
#include "fit/profile.h"

namespace velmora::fit {

namespace {

bool IsTemperature(ParameterKind k) {
    return k == ParameterKind::RotationalTemperature || k == ParameterKind::VibrationalTemperature;
}

/// A local fit that may not converge: its result, or the error it ended with.
struct Attempt {
    std::optional<FitResult> result;
    std::exception_ptr error;
};

Attempt TryFit(const FitRequest& r) {
    try {
        return {FitFromStart(r), nullptr};
    } catch (const FitConvergenceError&) {
        return {std::nullopt, std::current_exception()};
    }
}

/// "t = 2000 K, tvib = 5000 K" of the free temperatures of a result at the values v.
std::string Temperatures(const FitResult& r, const std::vector<double>& v) {
    std::string s;
    for (int k : FreeTemperatures(r))
        s += (s.empty() ? "" : ", ") + r.parameters[static_cast<std::size_t>(k)].name + " = " +
             Significant(v[static_cast<std::size_t>(k)], 5) + " K";
    return s;
}

std::vector<double> Values(const FitResult& r) {
    std::vector<double> v;
    for (const Parameter& q : r.parameters) v.push_back(q.value);
    return v;
}

/// True when a request sets any temperature free (so that the pre-scan moves it).
bool FreesTemperature(const FitRequest& r) {
    const bool lif = r.conditions.kind == simulation::SpectrumKind::LifExcitation;
    for (const std::string& name : r.settings.free)
        if (IsTemperature(ParseParameterName(name, lif).kind)) return true;
    return false;
}

/// Whether two results lie in the same minimum: every free temperature within twice its
/// covariance uncertainty or 0.2 % of each other.
bool SameMinimum(const FitResult& a, const FitResult& b) {
    for (int k : FreeTemperatures(a)) {
        const std::size_t i = static_cast<std::size_t>(k);
        const double sigma = std::isfinite(a.uncertainties[i]) ? a.uncertainties[i] : 0.0;
        const double ta = a.parameters[i].value, tb = b.parameters[i].value;
        if (std::fabs(ta - tb) > std::max(2.0 * sigma, 2e-3 * std::fabs(ta))) return false;
    }
    return true;
}

/// The pre-scanned start and the user's start: both fitted, the lower chi-square kept and the
/// choice said when they reached different minima.
FitResult FitBothStarts(const FitRequest& request) {
    FitRequest user = request;
    user.options.scanPoints = 0;
    user.options.progress = {};
    const bool scans = request.options.scanPoints > 0 && FreesTemperature(request);
    Attempt scanned, own;
    if (scans && ThreadCount(request.options.threads) > 1) {
        ParallelFor(2, 2, [&](std::size_t i) { (i == 0 ? scanned : own) = TryFit(i == 0 ? request : user); });
        if (scanned.result && !scanned.result->scanMovedStart) own = {};
    } else {
        scanned = TryFit(request);
        if (scans && (!scanned.result || scanned.result->scanMovedStart)) own = TryFit(user);
    }
    if (!scanned.result && !own.result) std::rethrow_exception(scanned.error);
    if (!own.result) return std::move(*scanned.result);
    if (!scanned.result) {
        FitResult r = std::move(*own.result);
        r.notices.push_back("the fit from the temperature pre-scan's start did not converge; the fit from your start " +
                            Temperatures(r, r.startValues) + " did and is kept");
        return r;
    }
    FitResult& a = *scanned.result;
    FitResult& b = *own.result;
    const bool userBetter = b.chiSquare < a.chiSquare;
    const std::string note = "the temperature pre-scan started the fit at " + Temperatures(a, a.startValues) +
                             " and reached chi-square " + Significant(a.chiSquare, 5) + "; the fit from your start " +
                             Temperatures(b, b.startValues) + " reached " + Significant(b.chiSquare, 5) +
                             ": the better, from " + (userBetter ? "your start" : "the pre-scan") + ", is kept";
    const bool same = SameMinimum(a, b);
    FitResult kept = std::move(userBetter ? b : a);
    if (!same) kept.notices.push_back(note);
    return kept;
}

/// The k-th of n points in [0, 1) of dimension d: evenly spaced in the first dimension, the
/// radical inverse of k + 1 in the d-th prime in the others (a Halton set), so that several
/// temperatures are spread over their bounds together.
double SpreadPoint(int k, int n, int d) {
    if (d == 0) return (k + 0.5) / n;
    constexpr int primes[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29};
    const int base = primes[(d - 1) % 10];
    double f = 1.0, value = 0.0;
    for (int i = k + 1; i > 0; i /= base) {
        f /= base;
        value += f * (i % base);
    }
    return value;
}

/// Local fits from `options.starts` starts spread (logarithmically) over the bounds of the free
/// temperatures, the other values at the result's; the lowest chi-square of all is kept, and
/// the distinct minima reached are reported.
void MultiStart(const FitRequest& request, FitResult& result) {
    const int n = request.options.starts;
    const std::vector<int> temperatures = FreeTemperatures(result);
    if (temperatures.empty()) {
        result.notices.push_back("starts: no temperature is free, so every start is the same");
        return;
    }
    std::vector<FitRequest> requests;
    std::vector<StartOutcome> outcomes(static_cast<std::size_t>(n) + 1);
    for (int k = 0; k < n; ++k) {
        FitRequest q = RefitRequest(request, result);
        for (std::size_t d = 0; d < temperatures.size(); ++d) {
            const Parameter& p = result.parameters[static_cast<std::size_t>(temperatures[d])];
            const double lo = std::max(p.lower, 1.0), hi = std::isfinite(p.upper) ? p.upper : 10.0 * lo;
            const double T = lo * std::pow(hi / lo, SpreadPoint(k, n, static_cast<int>(d)));
            q.settings.start[p.name] = T;
            outcomes[static_cast<std::size_t>(k)].start.push_back(T);
        }
        requests.push_back(std::move(q));
    }
    std::vector<std::optional<FitResult>> fits(static_cast<std::size_t>(n));
    ParallelFor(static_cast<std::size_t>(n), request.options.threads, [&](std::size_t k) {
        Attempt a = TryFit(requests[k]);
        if (a.result) fits[k] = std::move(a.result);
    });
    // The result so far is one more start: the last outcome.
    StartOutcome& own = outcomes.back();
    for (int t : temperatures) own.start.push_back(result.startValues[static_cast<std::size_t>(t)]);
    std::vector<const FitResult*> reached(outcomes.size(), nullptr);
    for (std::size_t k = 0; k < fits.size(); ++k)
        if (fits[k]) reached[k] = &*fits[k];
    reached.back() = &result;
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        if (!reached[k]) continue;
        outcomes[k].converged = true;
        outcomes[k].chiSquare = reached[k]->chiSquare;
        for (int t : temperatures) outcomes[k].end.push_back(reached[k]->parameters[static_cast<std::size_t>(t)].value);
    }
    // Distinct minima, lowest chi-square first.
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < outcomes.size(); ++k)
        if (reached[k]) order.push_back(k);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return outcomes[a].chiSquare < outcomes[b].chiSquare; });
    std::vector<std::size_t> minima;  // the outcome that represents each minimum
    for (std::size_t k : order) {
        std::size_t m = 0;
        while (m < minima.size() && !SameMinimum(*reached[minima[m]], *reached[k])) ++m;
        if (m == minima.size()) minima.push_back(k);
        outcomes[k].minimum = static_cast<int>(m);
    }
    std::string list;
    constexpr std::size_t kListed = 5;  // minima named; the rest counted
    for (std::size_t m = 0; m < std::min(minima.size(), kListed); ++m) {
        const int count = static_cast<int>(std::count_if(
            outcomes.begin(), outcomes.end(), [&](const StartOutcome& o) { return o.minimum == static_cast<int>(m); }));
        const FitResult& r = *reached[minima[m]];
        list += (list.empty() ? "" : "; ") + std::string("chi-square ") + Significant(r.chiSquare, 5) + " at " +
                Temperatures(r, Values(r)) + " (" + std::to_string(count) + " start" + (count > 1 ? "s" : "") + ")";
    }
    if (minima.size() > kListed) list += "; and " + std::to_string(minima.size() - kListed) + " more";
    const int failed = static_cast<int>(std::count_if(reached.begin(), reached.end(), [](auto* r) { return !r; }));
    const std::string starts = std::to_string(n + 1) + " starts";
    const std::string unconverged = failed > 0 ? " (" + std::to_string(failed) + " did not converge)" : "";
    const std::size_t best = minima.front();
    if (best + 1 != outcomes.size()) {
        FitResult kept = std::move(*fits[best]);
        // The refit weighed the points by the σ of the result's noise estimate.
        kept.weighting = result.weighting, kept.noiseSigma = result.noiseSigma;
        kept.notices.insert(kept.notices.begin(), result.notices.begin(), result.notices.end());
        result = std::move(kept);
    }
    if (minima.size() > 1)
        result.warnings.push_back(starts + " reached " + std::to_string(minima.size()) + " different minima: " + list +
                                  unconverged + "; the lowest is kept, a single fit may stop in any of them");
    else
        result.notices.push_back(starts + " reached the same minimum: " + list + unconverged);
    std::stable_sort(outcomes.begin(), outcomes.end(), [](const StartOutcome& a, const StartOutcome& b) {
        return a.converged != b.converged ? a.converged : a.chiSquare < b.chiSquare;
    });
    result.starts = std::move(outcomes);
}

/// Notices of start values given to parameters that are not free: they hold them.
void NoteHeldValues(const FitRequest& request, FitResult& result) {
    for (const auto& [name, value] : request.settings.start) {
        const ParameterPattern pattern = ParseParameterName(name, result.lifExcitation);
        std::string held;
        for (std::size_t k = 0; k < result.parameters.size(); ++k) {
            const Parameter& q = result.parameters[k];
            const bool reference = q.id.kind == ParameterKind::Population && q.value == 1.0;
            if (pattern.Matches(q.id) && !q.free && !reference) held += (held.empty() ? "" : ", ") + q.name;
        }
        if (!held.empty())
            result.notices.push_back(held + " held at " + Significant(value, 5) + ": " + name +
                                     " has a start value but is not free (free it to fit it)");
    }
}

/// The diagnostics of the fitted points and the uncertainties that follow from them.
void Diagnose(const FitRequest& request, FitResult& result) {
    const std::vector<double> sigma = PointSigmas(request, result);
    std::vector<double> x, y, model, weight;
    for (std::size_t i = 0; i < result.x.size(); ++i)
        if (result.fitted[i]) {
            x.push_back(result.x[i]), y.push_back(result.y[i]), model.push_back(result.model[i]);
            weight.push_back(1.0 / sigma[i]);
        }
    result.diagnostics = DiagnoseResiduals(x, y, model, weight, static_cast<int>(result.freeParameters.size()),
                                           result.weighting != Weighting::Uniform);
    result.warnings.insert(result.warnings.end(), result.diagnostics.warnings.begin(),
                           result.diagnostics.warnings.end());
    const double widen = std::sqrt(result.diagnostics.correlationLength);
    result.uncertaintyDetail.assign(result.parameters.size(), ParameterUncertainty());
    for (std::size_t k = 0; k < result.parameters.size(); ++k) {
        ParameterUncertainty& u = result.uncertaintyDetail[k];
        u.covariance = result.uncertainties[k];
        u.correlated = u.covariance * widen;
    }
}

}  // namespace

std::vector<int> FreeTemperatures(const FitResult& r) {
    std::vector<int> t;
    for (int k : r.freeParameters)
        if (IsTemperature(r.parameters[static_cast<std::size_t>(k)].id.kind)) t.push_back(k);
    return t;
}

std::vector<double> PointSigmas(const FitRequest& request, const FitResult& r) {
    switch (r.weighting) {
        case Weighting::FileColumn: {
            MeasuredSpectrum all = request.spectrum;
            CheckMeasuredSpectrum(all);
            if (all.sigma.size() == r.x.size()) return all.sigma;
            break;
        }
        case Weighting::NoiseEstimate:
            return std::vector<double>(r.x.size(), r.noiseSigma);
        default:
            break;
    }
    return std::vector<double>(r.x.size(), 1.0);
}

FitRequest RefitRequest(const FitRequest& request, const FitResult& at) {
    FitRequest q = request;
    q.settings = FitSettings();
    q.settings.free.clear();
    for (const Parameter& p : at.parameters) {
        q.settings.start[p.name] = p.value;
        if (!p.free) continue;
        q.settings.free.push_back(p.name);
        q.settings.bounds[p.name] = {p.lower, p.upper};
    }
    if (at.weighting == Weighting::NoiseEstimate) {
        q.weighting = Weighting::FileColumn;
        q.spectrum.sigma.assign(q.spectrum.x.size(), at.noiseSigma);
    }
    q.options.scanPoints = 0;
    q.options.starts = 0;
    q.options.bootstrap = 0;
    q.options.profile.clear();
    q.options.components = ComponentDetail::Systems;
    q.options.progress = {};
    return q;
}

FitResult FitSpectrum(const FitRequest& request) {
    const FitOptions& o = request.options;
    const bool more = o.starts > 0 || o.bootstrap > 0 || !o.profile.empty();
    FitRequest first = request;
    // With more to do after it, the first fit's progress fills the first half.
    if (more && o.progress) first.options.progress = [&o](double percent) { o.progress(0.5 * percent); };
    FitResult result = FitBothStarts(first);
    if (o.starts > 0) MultiStart(request, result);
    NoteHeldValues(request, result);
    Diagnose(request, result);
    if (request.options.bootstrap > 0) BootstrapUncertainties(request, result);
    if (!request.options.profile.empty()) ProfileIntervals(request, result);
    for (std::size_t k = 0; k < result.parameters.size(); ++k) {
        if (!result.parameters[k].free) continue;
        ParameterUncertainty& u = result.uncertaintyDetail[k];
        ChooseHeadline(u);
        result.uncertainties[k] = u.headline == UncertaintyMethod::Bootstrap             ? u.bootstrap
                                  : u.headline == UncertaintyMethod::CorrelatedResiduals ? u.correlated
                                                                                         : u.covariance;
    }
    return result;
}

}  // namespace velmora::fit
