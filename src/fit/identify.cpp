#include "fit/identify.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "common/number_format.h"
#include "fit/fit_errors.h"
#include "fit/parallel.h"
#include "fit/robust_fit.h"
#include "fit/spectrum_model.h"
#include "simulation/spectral_grid.h"

namespace velmora::fit {

namespace {

constexpr double kColdest = 300.0, kHottest = 50000.0;  ///< K, the temperatures tried
constexpr int kScan = 10;                               ///< temperatures scanned, then refined
constexpr int kRefinements = 8;                         ///< golden-section steps in ln T

/// The residual of a fit as a candidate sees it: weighted residuals e = r/σ at the fitted
/// points, their weights and their positions on the true axis.
struct Residual {
    std::vector<double> x, u, e, w;
    double gauss = 0.0, lorentz = 0.0;
};

Residual ResidualOf(const FitRequest& request, const FitResult& fit) {
    Residual r;
    const std::vector<double> sigma = PointSigmas(request, fit);
    for (std::size_t i = 0; i < fit.x.size(); ++i)
        if (fit.fitted[i]) {
            r.x.push_back(fit.x[i]);
            r.e.push_back(fit.residual[i] / sigma[i]);
            r.w.push_back(1.0 / sigma[i]);
        }
    const double centre = 0.5 * (r.x.front() + r.x.back());
    const double shift = fit.Value("shift"), stretch = fit.Value("stretch"), quadratic = fit.Value("quadratic");
    for (double x : r.x) {
        const double d = x - centre;
        r.u.push_back(x - shift - stretch * d - quadratic * d * d);
    }
    r.gauss = fit.Value(fit.lifExcitation ? "laser" : "gauss");
    r.lorentz = fit.Value("lorentz");
    return r;
}

/// The best scale α ≥ 0 and constant β of a candidate's spectrum s at the points for the
/// residual, and the chi-square left.
struct Match {
    double alpha = 0.0, beta = 0.0, chiSquare = 0.0;
};

Match MatchResidual(const Residual& r, const std::vector<double>& s) {
    double aa = 0, ac = 0, cc = 0, ae = 0, ce = 0, ee = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double a = r.w[i] * s[i], c = r.w[i];
        aa += a * a, ac += a * c, cc += c * c, ae += a * r.e[i], ce += c * r.e[i], ee += r.e[i] * r.e[i];
    }
    Match m;
    const double det = aa * cc - ac * ac;
    if (det > 0.0) {
        m.alpha = (ae * cc - ac * ce) / det;
        m.beta = (aa * ce - ac * ae) / det;
    }
    if (!(m.alpha > 0.0)) m.alpha = 0.0, m.beta = cc > 0.0 ? ce / cc : 0.0;
    // χ² = |e − α a − β c|² expanded in the sums.
    m.chiSquare = ee + m.alpha * m.alpha * aa + m.beta * m.beta * cc - 2.0 * m.alpha * ae - 2.0 * m.beta * ce +
                  2.0 * m.alpha * m.beta * ac;
    m.chiSquare = std::max(m.chiSquare, 0.0);
    return m;
}

/// The x ranges where a matched spectrum removes the most residual: runs of points where it
/// exceeds 5 % of its peak (joined over gaps of two instrument widths), the runs that remove at
/// least a tenth of what the candidate removes, at most three, the most first.
std::vector<std::pair<double, double>> Evidence(const Residual& r, const std::vector<double>& s, double alpha,
                                                double width) {
    const double peak = alpha * *std::max_element(s.begin(), s.end());
    struct Run {
        double from, to, gain;
    };
    std::vector<Run> runs;
    double total = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!(alpha * s[i] > 0.05 * peak)) continue;
        const double part = r.w[i] * alpha * s[i];
        const double gain = r.e[i] * r.e[i] - (r.e[i] - part) * (r.e[i] - part);
        if (runs.empty() || r.x[i] - runs.back().to > 2.0 * width) runs.push_back({r.x[i], r.x[i], 0.0});
        runs.back().to = r.x[i];
        runs.back().gain += gain;
        total += gain;
    }
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.gain > b.gain; });
    std::vector<std::pair<double, double>> out;
    for (const Run& run : runs)
        if (run.gain > 0.1 * total && out.size() < 3) out.emplace_back(run.from, run.to);
    return out;
}

/// A candidate tried on the residual; nullopt when it has no line in the range.
std::optional<SpeciesCandidate> TryCandidate(const FitRequest& request, const Residual& r, const FitSystem& system,
                                             int entry) {
    const double width = r.gauss + r.lorentz;
    const double half = 0.5 * (r.x.back() - r.x.front());
    double reach = 0.0;
    for (std::size_t i = 0; i < r.x.size(); ++i) reach = std::max(reach, std::fabs(r.u[i] - r.x[i]));
    const double margin = std::max(3.0 * width + 20.0 * r.lorentz + reach, 1e-6 * half);
    simulation::SimulationConditions c = request.conditions;
    const int ppw = std::max(request.options.pointsPerWidth, simulation::PointsPerWidth(c.density));
    SystemTracer tracer(system, c, r.x.front() - margin, r.x.back() + margin, r.x.front(), r.x.back(),
                        request.convention, false, ppw);
    if (tracer.Levels().empty()) return std::nullopt;
    auto at = [&](double T, std::vector<double>& s) {
        if (request.options.cancel && request.options.cancel->load()) throw FitCancelled();
        SystemValues v;
        v.rotationalT = v.vibrationalT = T;
        v.gauss = r.gauss, v.lorentz = r.lorentz;
        const SystemTrace t = tracer.Trace(v);
        s.resize(r.u.size());
        for (std::size_t i = 0; i < r.u.size(); ++i) s[i] = Interpolate(t.grid, t.total, r.u[i]).value;
        return MatchResidual(r, s);
    };
    // Scan ln T, then golden-section steps between the neighbours of the best.
    const double l0 = std::log(kColdest), l1 = std::log(kHottest), step = (l1 - l0) / (kScan - 1);
    std::vector<double> s;
    int best = 0;
    double bestChi = HUGE_VAL;
    for (int k = 0; k < kScan; ++k) {
        const double chi = at(std::exp(l0 + k * step), s).chiSquare;
        if (chi < bestChi) bestChi = chi, best = k;
    }
    double a = l0 + std::max(best - 1, 0) * step, b = l0 + std::min(best + 1, kScan - 1) * step;
    const double g = 0.5 * (std::sqrt(5.0) - 1.0);
    double p = b - g * (b - a), q = a + g * (b - a);
    double fp = at(std::exp(p), s).chiSquare, fq = at(std::exp(q), s).chiSquare;
    for (int k = 0; k < kRefinements; ++k) {
        if (fp < fq)
            b = q, q = p, fq = fp, p = b - g * (b - a), fp = at(std::exp(p), s).chiSquare;
        else
            a = p, p = q, fp = fq, q = a + g * (b - a), fq = at(std::exp(q), s).chiSquare;
    }
    double lnT = fp < fq ? p : q;
    if (bestChi < std::min(fp, fq)) lnT = l0 + best * step;
    const Match m = at(std::exp(lnT), s);

    // The chi-square of the residual about its best constant alone.
    double ee = 0.0, ce = 0.0, cc = 0.0;
    for (std::size_t i = 0; i < r.e.size(); ++i) ee += r.e[i] * r.e[i], ce += r.w[i] * r.e[i], cc += r.w[i] * r.w[i];
    const double base = ee - (cc > 0.0 ? ce * ce / cc : 0.0);
    SpeciesCandidate candidate;
    candidate.entry = entry;
    candidate.system = system.label;
    candidate.share = base > 0.0 ? std::clamp(1.0 - m.chiSquare / base, 0.0, 1.0) : 0.0;
    candidate.temperature = std::exp(lnT);
    candidate.scale = m.alpha;
    if (m.alpha > 0.0) candidate.ranges = Evidence(r, s, m.alpha, width);
    return candidate;
}

}  // namespace

SpeciesSearch IdentifySpecies(const FitRequest& request, const FitResult& fit, const DatabaseState& catalogue,
                              const SystemLoader& load) {
    const Residual residual = ResidualOf(request, fit);
    std::vector<int> entries;
    for (int e = 1; e <= catalogue.cat.CatalogueCount; ++e) {
        const bool fitted = std::any_of(request.systems.begin(), request.systems.end(),
                                        [e](const FitSystem& s) { return s.model && s.model->entry == e; });
        if (!fitted) entries.push_back(e);
    }
    std::vector<std::optional<SpeciesCandidate>> tried(entries.size());
    std::vector<std::string> labels(entries.size());
    ParallelFor(entries.size(), request.options.threads, [&](std::size_t k) {
        const FitSystem system = load ? load(entries[k]) : LoadFitSystem(catalogue, entries[k], request.conditions);
        labels[k] = system.label;
        tried[k] = TryCandidate(request, residual, system, entries[k]);
    });
    SpeciesSearch search;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (tried[k])
            search.candidates.push_back(std::move(*tried[k]));
        else
            search.outside.push_back(labels[k]);
    }
    std::stable_sort(search.candidates.begin(), search.candidates.end(),
                     [](const SpeciesCandidate& a, const SpeciesCandidate& b) { return a.share > b.share; });
    return search;
}

std::vector<std::string> CandidateLines(const SpeciesSearch& search, const std::string& axisUnit) {
    std::size_t width = 0;
    for (const SpeciesCandidate& c : search.candidates) width = std::max(width, c.system.size());
    std::vector<std::string> lines;
    for (const SpeciesCandidate& c : search.candidates) {
        std::string line = c.system + std::string(width + 2 - c.system.size(), ' ') + "entry " +
                           std::to_string(c.entry) + ": explains " + Significant(100.0 * c.share, 3) +
                           " % of the residual";
        if (c.scale > 0.0) {
            line +=
                " at T = " + Significant(c.temperature, 4) + " K, scale " + Significant(c.scale, 4) + " y·" + axisUnit;
            std::string ranges;
            for (const auto& [from, to] : c.ranges)
                ranges += (ranges.empty() ? "" : ", ") + Significant(from, 7) + "-" + Significant(to, 7);
            if (!ranges.empty()) line += "; at " + ranges + " " + axisUnit;
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace velmora::fit
