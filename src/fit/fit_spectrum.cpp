#include "fit/fit_spectrum.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/errors.h"
#include "common/number_format.h"
#include "fit/fit_errors.h"
#include "fit/least_squares.h"
#include "fit/spectrum_model.h"
#include "fit/uncertainties.h"

namespace velmora::fit {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kHottest = 50000.0;  ///< default upper bound of the temperatures, K
using simulation::SpectrumKind;

/// A number as results write it.
std::string Number(double v) { return Trim(Str(v)); }

/// The user's names, parsed once, general names before specific ones so that "t:2=800" wins
/// over "t=1500" for the second system.
struct NamedSetting {
    std::string name;
    ParameterPattern pattern;
    bool used = false;
};

std::vector<NamedSetting> ParseNames(const std::vector<std::string>& names, bool lif, int systems) {
    std::vector<NamedSetting> out;
    for (const std::string& n : names) {
        NamedSetting s{n, ParseParameterName(n, lif)};
        if (s.pattern.system && *s.pattern.system >= systems)
            throw FitInputError(Excerpt(n) + ": the fit has " + std::to_string(systems) + " band system" +
                                (systems > 1 ? "s" : ""));
        out.push_back(std::move(s));
    }
    std::stable_sort(out.begin(), out.end(), [](const NamedSetting& a, const NamedSetting& b) {
        return (a.pattern.system ? 1 : 0) + (a.pattern.level ? 1 : 0) <
               (b.pattern.system ? 1 : 0) + (b.pattern.level ? 1 : 0);
    });
    return out;
}

template <typename Map>
std::vector<std::string> Keys(const Map& m) {
    std::vector<std::string> k;
    for (const auto& kv : m) k.push_back(kv.first);
    return k;
}

/// The settings of a request as parsed patterns with their values.
struct Settings {
    std::vector<NamedSetting> free, start, bounds;
    const FitSettings& given;

    Settings(const FitSettings& s, bool lif, int systems)
        : free(ParseNames(s.free, lif, systems)),
          start(ParseNames(Keys(s.start), lif, systems)),
          bounds(ParseNames(Keys(s.bounds), lif, systems)),
          given(s) {}

    /// True when any setting names the kind for system s.
    bool Names(ParameterKind kind, int s) const {
        for (const auto* list : {&free, &start, &bounds})
            for (const NamedSetting& n : *list)
                if (n.pattern.kind == kind && (!n.pattern.system || *n.pattern.system == s)) return true;
        return false;
    }

    /// A parameter with its defaults, then the user's start, bounds and freedom.
    Parameter Make(const ParameterId& id, const std::string& name, double value, double lower, double upper) {
        Parameter q{id, name, value, lower, upper, false};
        bool userStart = false, userBounds = false;
        for (NamedSetting& b : bounds)
            if (b.pattern.Matches(id)) {
                std::tie(q.lower, q.upper) = given.bounds.at(b.name);
                userBounds = b.used = true;
            }
        for (NamedSetting& s : start)
            if (s.pattern.Matches(id)) {
                q.value = given.start.at(s.name);
                userStart = s.used = true;
            }
        for (NamedSetting& f : free)
            if (f.pattern.Matches(id)) q.free = f.used = true;
        if (!std::isfinite(q.value)) throw FitInputError(name + ": the start value must be a finite number");
        if (std::isnan(q.lower) || std::isnan(q.upper) || !(q.lower <= q.upper) || (q.free && q.lower == q.upper))
            throw FitInputError(name + ": the bounds " + Number(q.lower) + ".." + Number(q.upper) + " hold no range");
        if (!userBounds) {
            q.lower = std::min(q.lower, q.value);
            q.upper = std::max(q.upper, q.value);
        } else if (q.value < q.lower || q.value > q.upper) {
            if (userStart)
                throw FitInputError(name + ": the start value " + Number(q.value) + " lies outside its bounds " +
                                    Number(q.lower) + ".." + Number(q.upper));
            q.value = std::clamp(q.value, q.lower, q.upper);
        }
        return q;
    }

    /// True when a free name selects this very level ("pop(v=0)"), not all levels ("pop").
    bool FreesLevel(const ParameterId& id) const {
        for (const NamedSetting& f : free)
            if (f.pattern.level && f.pattern.Matches(id)) return true;
        return false;
    }

    /// Throws for a name that selected no parameter of the fit.
    void CheckUsed(const std::vector<Parameter>& table) const {
        for (const auto* list : {&free, &start, &bounds})
            for (const NamedSetting& n : *list)
                if (!n.used) {
                    std::string names;
                    for (const Parameter& q : table) names += (names.empty() ? "" : ", ") + q.name;
                    throw FitInputError(Excerpt(n.name) + " is not a parameter of this fit (its parameters: " + names +
                                        ")");
                }
    }
};

/// The Gaussian and Lorentzian parts of the instrument function of the conditions.
std::pair<double, double> InstrumentWidths(const simulation::SimulationConditions& c) {
    switch (c.lineshape) {
        case simulation::Lineshape::Lorentzian:
            return {0.0, c.resolution};
        case simulation::Lineshape::Voigt:
            return {(100.0 - c.lorentzPercent) / 100.0 * c.resolution, c.lorentzPercent / 100.0 * c.resolution};
        default:
            return {c.resolution, 0.0};
    }
}

/// The largest magnitude a parameter may take in the fit (its value when fixed; `fallback` for
/// an unbounded free one).
double Reach(const Parameter& q, double fallback) {
    if (!q.free) return std::fabs(q.value);
    const double r = std::max(std::fabs(q.lower), std::fabs(q.upper));
    return std::isfinite(r) ? r : fallback;
}

/// Everything prepared for the solver.
struct Setup {
    std::vector<Parameter> table;
    std::vector<double> values;
    std::vector<int> free;
    std::vector<double> typical;  ///< per free parameter: the magnitude of a meaningful change
    std::unique_ptr<SpectrumModel> model;
    std::vector<std::string> labels;  ///< the band systems
    double noiseSigma = 0.0;
    /// The span of the weighted y (a power of 2, so that dividing by it is exact): the solver
    /// sees the residuals in this unit, so that its tolerances do not depend on the unit of y.
    double residualUnit = 1.0;
};

/// The power of 2 at or below the span of the weighted measured values: the residuals divided by
/// it are of order 1 for a model that misses the whole spectrum, whatever the unit of y.
double ResidualUnit(const FitPoints& points) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (std::size_t i = 0; i < points.y.size(); ++i) {
        const double wy = points.weight[i] * points.y[i];
        lo = std::min(lo, wy), hi = std::max(hi, wy);
    }
    const double span = hi - lo;
    if (!(span > 0.0) || !std::isfinite(span)) return 1.0;
    return std::ldexp(1.0, std::clamp(std::ilogb(span), -1000, 1000));
}

/// Refuses options that would make a fit run without end.
void CheckOptions(const FitOptions& o) {
    if (o.maxIterations < 1 || o.maxIterations > kMaxIterations)
        throw FitInputError("the iteration limit " + std::to_string(o.maxIterations) + " is outside 1.." +
                            std::to_string(kMaxIterations));
    if (o.scanPoints < 0 || o.scanPoints > kMaxScanPoints)
        throw FitInputError("the temperature scan of " + std::to_string(o.scanPoints) + " points is outside 0.." +
                            std::to_string(kMaxScanPoints));
}

Setup Prepare(const FitRequest& r) {
    const simulation::SimulationConditions& c = r.conditions;
    const bool lif = c.kind == SpectrumKind::LifExcitation;
    const int systems = static_cast<int>(r.systems.size());
    if (systems == 0) throw FitInputError("no band system to fit");
    for (const FitSystem& s : r.systems)
        if (!s.lineList && (!s.model || !s.populations)) throw FitInputError("a band system of the fit is not loaded");
    for (std::size_t a = 0; a < r.systems.size(); ++a)
        for (std::size_t b = a + 1; b < r.systems.size(); ++b)
            if (r.systems[a].label == r.systems[b].label)
                throw FitInputError(r.systems[a].label +
                                    " is given twice: two copies of one band system have the same spectrum and "
                                    "cannot be told apart (give each system once)");
    CheckOptions(r.options);
    simulation::CheckConditions(c);
    if (r.convention == IntensityConvention::Energy && c.kind != SpectrumKind::Emission)
        throw FitInputError(
            "the energy convention (each line times its photon energy) applies to emission spectra only");
    MeasuredSpectrum spectrum = r.spectrum;
    if (spectrum.source.empty()) spectrum.source = "the spectrum";
    CheckMeasuredSpectrum(spectrum);

    // The fitted points.
    const double lo = std::min(c.start, c.end), hi = std::max(c.start, c.end);
    FitPoints points;
    std::vector<double> sigma;
    for (std::size_t i = 0; i < spectrum.x.size(); ++i) {
        const double x = spectrum.x[i];
        if (r.limitToRange && (x < lo || x > hi)) continue;
        if (std::any_of(r.excluded.begin(), r.excluded.end(), [x](const auto& e) {
                return x >= std::min(e.first, e.second) && x <= std::max(e.first, e.second);
            }))
            continue;
        points.x.push_back(x);
        points.y.push_back(spectrum.y[i]);
        if (!spectrum.sigma.empty()) sigma.push_back(spectrum.sigma[i]);
    }
    const std::string range = Number(spectrum.x.front()) + ".." + Number(spectrum.x.back());
    if (points.x.size() > static_cast<std::size_t>(kMaxFitPoints))
        throw FitInputError(spectrum.source + ": " + std::to_string(points.x.size()) +
                            " points to fit; a fit takes at most " + std::to_string(kMaxFitPoints) +
                            " (fit a part of the range, or average neighbouring points)");
    if (points.x.empty())
        throw FitInputError(spectrum.source + ": no point is left to fit (the spectrum covers " + range +
                            (r.limitToRange ? ", the range is " + Number(lo) + ".." + Number(hi) : std::string()) +
                            (r.excluded.empty() ? "" : ", less the excluded ranges") + ")");
    const auto [ylo, yhi] = std::minmax_element(points.y.begin(), points.y.end());
    if (*ylo == *yhi)
        throw FitInputError(spectrum.source + ": the fitted points are flat (every y is " + Number(*ylo) +
                            "): nothing to fit");
    const double yspan = *yhi - *ylo;
    const double xlo = points.x.front(), xhi = points.x.back();
    if (xlo == xhi)
        throw FitInputError(spectrum.source + ": every fitted point lies at x = " + Number(xlo) +
                            ": nothing to fit (a spectrum needs points over a range of x)");
    points.centre = 0.5 * (xlo + xhi);
    const double half = std::max(0.5 * (xhi - xlo), 1e-12);

    Setup setup;
    switch (r.weighting) {
        case Weighting::Uniform:
            points.weight.assign(points.x.size(), 1.0);
            break;
        case Weighting::FileColumn:
            if (sigma.empty())
                throw FitInputError(spectrum.source +
                                    ": weights from the file need a column of uncertainties, and none was read");
            for (double s : sigma) points.weight.push_back(1.0 / s);
            break;
        case Weighting::NoiseEstimate:
            // A first estimate from the points themselves; FitSpectrum refines it from the
            // residuals at the start values.
            setup.noiseSigma = EstimateNoise(points.y);
            if (!(setup.noiseSigma > 0.0))
                throw FitInputError(spectrum.source +
                                    ": the noise cannot be estimated (the points are smooth to the last "
                                    "digit or too few): use uniform weights or a column of uncertainties");
            points.weight.assign(points.x.size(), 1.0 / setup.noiseSigma);
            break;
    }

    // The shared parameters first: their reach fixes the simulated range.
    Settings settings(r.settings, lif, systems);
    const bool several = systems > 1;
    auto id = [](ParameterKind k, int s = 0, int level = -1) { return ParameterId{k, s, level}; };
    auto name = [&](const ParameterId& i) { return ParameterName(i, lif, several); };
    const auto [gauss0, lorentz0] = InstrumentWidths(c);
    const double width0 = gauss0 + lorentz0;
    std::vector<Parameter> shared;
    auto addShared = [&](ParameterKind k, double value, double lower, double upper) {
        shared.push_back(settings.Make(id(k), name(id(k)), value, lower, upper));
        return static_cast<int>(shared.size()) - 1;
    };
    const int baseline = addShared(ParameterKind::BaselineOffset, 0.0, -kInfinity, kInfinity);
    const int slope = addShared(ParameterKind::BaselineSlope, 0.0, -kInfinity, kInfinity);
    const int shift = addShared(ParameterKind::Shift, 0.0, -5.0 * width0, 5.0 * width0);
    const int stretch = addShared(ParameterKind::Stretch, 0.0, -0.01, 0.01);
    const int quadratic = addShared(ParameterKind::Quadratic, 0.0, -0.01 / half, 0.01 / half);
    const int gauss = addShared(ParameterKind::GaussWidth, gauss0, gauss0 > 0.0 ? gauss0 / 10.0 : 0.0,
                                gauss0 > 0.0 ? 10.0 * gauss0 : 10.0 * width0);
    const int lorentz = addShared(ParameterKind::LorentzWidth, lorentz0, 0.0, 10.0 * width0);
    if (!(shared[static_cast<std::size_t>(gauss)].value + shared[static_cast<std::size_t>(lorentz)].value > 0.0))
        throw FitInputError("the instrument function needs a width above 0 (gauss or lorentz)");

    // Simulated range: the fitted points, plus how far the axis calibration may move them and how
    // far the lines' wings reach.
    const Parameter& g = shared[static_cast<std::size_t>(gauss)];
    const Parameter& l = shared[static_cast<std::size_t>(lorentz)];
    const double widest = Reach(g, 10.0 * g.value) + Reach(l, 10.0 * l.value);
    const double axisReach = Reach(shared[static_cast<std::size_t>(shift)], 10.0 * widest) +
                             Reach(shared[static_cast<std::size_t>(stretch)], 0.01) * half +
                             Reach(shared[static_cast<std::size_t>(quadratic)], 0.01 / half) * half * half;
    const double wings = 3.0 * Reach(g, 10.0 * g.value) + 20.0 * (l.free ? std::max(l.value, 0.5 * g.value) : l.value);
    const double margin = std::clamp(axisReach + wings, 3.0 * widest, 2.0 * half);
    const double start = xlo - margin, end = xhi + margin;
    simulation::SimulationConditions sc = c;
    sc.start = start, sc.end = end;
    const int ppw = std::max(r.options.pointsPerWidth, simulation::PointsPerWidth(c.density));

    // The systems: their tracers, then their parameters.
    const double T0 = c.temperature > 0.0 ? c.temperature : 1000.0;
    std::vector<SystemTracer> tracers;
    ParameterLayout layout;
    std::vector<Parameter> table;
    for (int s = 0; s < systems; ++s) {
        const bool pops = settings.Names(ParameterKind::Population, s);
        const bool tvib = settings.Names(ParameterKind::VibrationalTemperature, s);
        const std::string label = r.systems[static_cast<std::size_t>(s)].label;
        if ((pops || tvib) && r.systems[static_cast<std::size_t>(s)].lineList)
            throw FitInputError(label +
                                ": a line list has one temperature for every level (p = g exp(-c2 E/T)/Q(T)); "
                                "tvib and pop apply to catalogue systems only");
        if (pops && tvib)
            throw FitInputError(
                label + ": tvib and pop exclude each other (free populations replace the vibrational temperature)");
        tracers.emplace_back(r.systems[static_cast<std::size_t>(s)], sc, start, end, xlo, xhi, r.convention, pops, ppw);
        SystemTracer& tracer = tracers.back();
        if (tracer.Levels().empty())
            throw FitInputError(label + ": no line lies within " + Number(start) + ".." + Number(end) +
                                " (the spectrum covers " + range + "): the band system does not reach the spectrum");
        ParameterLayout::System L;
        auto add = [&](const ParameterId& i, double value, double lower, double upper) {
            table.push_back(settings.Make(i, name(i), value, lower, upper));
            return static_cast<int>(table.size()) - 1;
        };
        // Bounds that cover flames and plasmas alike.
        L.t = add(id(ParameterKind::RotationalTemperature, s), T0, 100.0, kHottest);
        const double tStart = table.back().value;
        if (tvib) L.tvib = add(id(ParameterKind::VibrationalTemperature, s), tStart, 100.0, kHottest);
        if (pops) {
            const std::vector<double> w = tracer.BoltzmannPopulations(tStart, tStart);
            for (std::size_t k = 0; k < w.size(); ++k) {
                const int v = tracer.Levels()[k];
                L.pops.push_back(
                    add(id(ParameterKind::Population, s, v), w[0] > 0.0 ? w[k] / w[0] : 1.0, 0.0, kInfinity));
                if (k == 0) {
                    // "pop" frees every level but the reference, which stays at 1.
                    Parameter& ref = table.back();
                    if (ref.free && settings.FreesLevel(ref.id))
                        throw FitInputError(
                            ref.name + " is the reference level (fixed): the other populations are relative to it");
                    ref.free = false;
                }
            }
        }
        L.scale = add(id(ParameterKind::Scale, s), 1.0, 0.0, kInfinity);
        layout.systems.push_back(std::move(L));
    }
    const int offset = static_cast<int>(table.size());
    table.insert(table.end(), shared.begin(), shared.end());
    layout.baseline = offset + baseline, layout.slope = offset + slope, layout.shift = offset + shift;
    layout.stretch = offset + stretch, layout.quadratic = offset + quadratic;
    layout.gauss = offset + gauss, layout.lorentz = offset + lorentz;
    settings.CheckUsed(table);

    for (std::size_t k = 0; k < table.size(); ++k) {
        setup.values.push_back(table[k].value);
        if (table[k].free) setup.free.push_back(static_cast<int>(k));
    }
    if (setup.free.empty())
        throw FitInputError("no parameter is free: name at least one to fit (t, scale, baseline ...)");
    if (points.x.size() <= setup.free.size())
        throw FitInputError(spectrum.source + ": " + std::to_string(points.x.size()) + " points for " +
                            std::to_string(setup.free.size()) +
                            " free parameters (a fit needs more points than free parameters)");
    for (int k : setup.free) {
        const Parameter& q = table[static_cast<std::size_t>(k)];
        double t = 1.0;
        switch (q.id.kind) {
            case ParameterKind::RotationalTemperature:
            case ParameterKind::VibrationalTemperature:
                t = std::max(q.value, 10.0);
                break;
            case ParameterKind::Population:
                t = 1.0;
                break;
            case ParameterKind::Scale:
                t = yspan * (xhi - xlo) / systems;
                break;
            case ParameterKind::BaselineOffset:
                t = yspan;
                break;
            case ParameterKind::BaselineSlope:
                t = yspan / half;
                break;
            case ParameterKind::Shift:
            case ParameterKind::GaussWidth:
            case ParameterKind::LorentzWidth:
                t = width0;
                break;
            case ParameterKind::Stretch:
                t = width0 / half;
                break;
            case ParameterKind::Quadratic:
                t = width0 / (half * half);
                break;
        }
        setup.typical.push_back(t > 0.0 && std::isfinite(t) ? t : 1.0);
    }
    setup.table = table;
    setup.residualUnit = ResidualUnit(points);
    for (const FitSystem& s : r.systems) setup.labels.push_back(s.label);
    setup.model = std::make_unique<SpectrumModel>(std::move(tracers), std::move(layout), table, std::move(points));
    return setup;
}

/// Throws FitCancelled when the caller asked to stop.
void CheckCancel(const FitOptions& o) {
    if (o.cancel && o.cancel->load()) throw FitCancelled();
}

/// Start values: the linear parameters solved, then each free temperature scanned over its
/// bounds (logarithmically spaced) with the linear parameters solved at every step.
void FindStart(Setup& setup, const FitOptions& options) {
    SpectrumModel& model = *setup.model;
    std::vector<double>& p = setup.values;
    double best = model.SolveLinear(p);
    // A system whose lines miss every fitted point cannot be fitted.
    for (std::size_t s = 0; s < model.Layout().systems.size(); ++s) {
        const SystemTrace& t = model.TraceOf(static_cast<int>(s), p);
        bool seen = false;
        for (double x : model.Points().x) seen = seen || Interpolate(t.grid, t.total, x).value != 0.0;
        if (!seen) throw FitInputError(setup.labels[s] + ": its simulated lines miss every fitted point");
    }
    std::vector<int> temperatures;
    for (int k : setup.free) {
        const ParameterKind kind = setup.table[static_cast<std::size_t>(k)].id.kind;
        if (kind == ParameterKind::RotationalTemperature || kind == ParameterKind::VibrationalTemperature)
            temperatures.push_back(k);
    }
    const int n = std::max(options.scanPoints, 0);
    int done = 0;
    for (int k : temperatures) {
        const Parameter& q = setup.table[static_cast<std::size_t>(k)];
        const double lo = std::max(q.lower, 1.0), hi = std::isfinite(q.upper) ? q.upper : std::max(10.0 * lo, 10000.0);
        std::vector<double> candidate = p;
        for (int i = 0; i < n; ++i) {
            CheckCancel(options);
            candidate[static_cast<std::size_t>(k)] =
                n > 1 ? lo * std::pow(hi / lo, static_cast<double>(i) / (n - 1)) : lo;
            const double chi2 = model.SolveLinear(candidate);
            if (chi2 < best) {
                best = chi2;
                p = candidate;
            }
            candidate = p;
            if (options.progress) options.progress(30.0 * ++done / (n * static_cast<double>(temperatures.size())));
        }
    }
    model.SolveLinear(p);
}

/// The residuals (model − y)/σ of the fit and their Jacobian, in scaled parameters z = p / typical.
/// Keeps the last Jacobian: the solver asks again at the same point.
class FitCost {
public:
    explicit FitCost(Setup& setup) : setup_(setup) {}

    bool Evaluate(double const* const* z, double* residuals, double** jacobians) const {
        const std::size_t nf = setup_.free.size(), n = setup_.model->Points().x.size();
        const bool withJacobian = jacobians && jacobians[0];
        if (withJacobian && !jacobian_.empty() && std::equal(z[0], z[0] + nf, z_.begin())) {
            std::copy(residuals_.begin(), residuals_.end(), residuals);
            std::copy(jacobian_.begin(), jacobian_.end(), jacobians[0]);
            return true;
        }
        std::vector<double>& p = p_;
        p = setup_.values;
        for (std::size_t j = 0; j < nf; ++j) p[static_cast<std::size_t>(setup_.free[j])] = z[0][j] * setup_.typical[j];
        const FitPoints& pts = setup_.model->Points();
        try {
            setup_.model->Evaluate(p, setup_.free, m_, withJacobian ? &J_ : nullptr);
        } catch (const std::exception& e) {
            error_ = e.what();
            return false;
        }
        const double unit = setup_.residualUnit;
        for (std::size_t i = 0; i < n; ++i) {
            residuals[i] = pts.weight[i] * (m_[i] - pts.y[i]) / unit;
            if (!std::isfinite(residuals[i])) return false;
        }
        if (withJacobian) {
            for (std::size_t i = 0; i < n; ++i)
                for (std::size_t j = 0; j < nf; ++j)
                    jacobians[0][i * nf + j] = pts.weight[i] * J_[i * nf + j] * setup_.typical[j] / unit;
            z_.assign(z[0], z[0] + nf);
            residuals_.assign(residuals, residuals + n);
            jacobian_.assign(jacobians[0], jacobians[0] + n * nf);
        }
        return true;
    }

    const std::string& Error() const { return error_; }
    /// The weighted Jacobian (points × free, row-major) of the last evaluation that made one,
    /// in the parameters' own units.
    std::vector<double> Jacobian() const {
        std::vector<double> J = jacobian_;
        const std::size_t nf = setup_.free.size();
        for (std::size_t k = 0; k < J.size(); ++k) J[k] *= setup_.residualUnit / setup_.typical[k % nf];
        return J;
    }

private:
    Setup& setup_;
    mutable std::string error_;
    mutable std::vector<double> p_, m_, J_;
    mutable std::vector<double> z_, residuals_, jacobian_;  ///< the last point with a Jacobian
};

}  // namespace

const Parameter* FitResult::Find(const std::string& name) const {
    for (const Parameter& q : parameters)
        if (q.name == name) return &q;
    return nullptr;
}

double FitResult::Value(const std::string& name) const {
    const Parameter* q = Find(name);
    return q ? q->value : std::numeric_limits<double>::quiet_NaN();
}

double FitResult::Uncertainty(const std::string& name) const {
    const Parameter* q = Find(name);
    return q ? uncertainties[static_cast<std::size_t>(q - parameters.data())]
             : std::numeric_limits<double>::quiet_NaN();
}

FitResult FitFromStart(const FitRequest& request) {
    const FitOptions& options = request.options;
    Setup setup = Prepare(request);
    const std::vector<double> userStart = setup.values;
    FindStart(setup, options);
    const std::vector<double> startValues = setup.values;
    if (request.weighting == Weighting::NoiseEstimate) {
        // Lines a few points wide curve the spectrum as much as its noise does; the residuals at
        // the start values have lost most of that curvature, so their scatter is the better
        // estimate of the noise.
        std::vector<double> m;
        setup.model->Evaluate(setup.values, {}, m, nullptr);
        const FitPoints& pts = setup.model->Points();
        for (std::size_t i = 0; i < m.size(); ++i) m[i] = pts.y[i] - m[i];
        const double sigma = EstimateNoise(m);
        if (sigma > 0.0) {
            setup.noiseSigma = sigma;
            setup.model->SetUniformSigma(sigma);
        }
    }

    // The local fit in scaled parameters, within the bounds.
    const std::size_t nf = setup.free.size();
    std::vector<double> z(nf);
    for (std::size_t j = 0; j < nf; ++j)
        z[j] = setup.values[static_cast<std::size_t>(setup.free[j])] / setup.typical[j];
    FitCost cost(setup);
    BoundedProblem problem;
    problem.residuals = static_cast<int>(setup.model->Points().x.size());
    problem.parameters = static_cast<int>(nf);
    for (std::size_t j = 0; j < nf; ++j) {
        const Parameter& q = setup.table[static_cast<std::size_t>(setup.free[j])];
        problem.lower.push_back(std::isfinite(q.lower) ? q.lower / setup.typical[j] : -kInfinity);
        problem.upper.push_back(std::isfinite(q.upper) ? q.upper / setup.typical[j] : kInfinity);
    }
    problem.evaluate = [&cost](const double* zz, double* residuals, double* jacobian) {
        return cost.Evaluate(&zz, residuals, jacobian ? &jacobian : nullptr);
    };
    // Progress and cancellation between iterations.
    problem.proceed = [&options](int iteration) {
        if (options.cancel && options.cancel->load()) return false;
        if (options.progress) options.progress(30.0 + 70.0 * iteration / (iteration + 8.0));
        return true;
    };
    problem.maxIterations = options.maxIterations;
    const SolveSummary summary = SolveBounded(problem, z.data());
    switch (summary.end) {
        case SolveEnd::Converged:
            break;
        case SolveEnd::NoConvergence:
            throw FitConvergenceError("no convergence within " + std::to_string(options.maxIterations) +
                                      " iterations (" + summary.message + ")");
        case SolveEnd::Stopped:
            if (options.cancel && options.cancel->load()) throw FitCancelled();
            [[fallthrough]];
        case SolveEnd::Failed:
            throw FitConvergenceError("the solver failed: " + summary.message +
                                      (cost.Error().empty() ? std::string() : " (" + cost.Error() + ")"));
    }
    for (std::size_t j = 0; j < nf; ++j)
        setup.values[static_cast<std::size_t>(setup.free[j])] = z[j] * setup.typical[j];

    // Chi-square at the minimum.
    SpectrumModel& model = *setup.model;
    const FitPoints& pts = model.Points();
    const int n = static_cast<int>(pts.x.size());
    FitResult result;
    result.points = n;
    result.degreesOfFreedom = n - static_cast<int>(nf);
    result.chiSquare = model.ChiSquare(setup.values);
    result.reducedChiSquare = result.chiSquare / result.degreesOfFreedom;

    // Covariance from the Jacobian at the minimum: (JᵀWJ)⁻¹ times the reduced chi-square where
    // the Jacobian has full rank; the SVD names the parameters the data leave undetermined and
    // gives the covariance of the others.
    std::vector<std::string> names;
    for (int k : setup.free) names.push_back(setup.table[static_cast<std::size_t>(k)].name);
    Covariance cov;
    if (nf > 0) {
        std::vector<double> r(static_cast<std::size_t>(n)), Jz(static_cast<std::size_t>(n) * nf);
        const double* zp = z.data();
        double* jp = Jz.data();
        if (!cost.Evaluate(&zp, r.data(), &jp))
            throw FitConvergenceError("the model cannot be evaluated at the minimum" +
                                      (cost.Error().empty() ? std::string() : " (" + cost.Error() + ")"));
        cov = CovarianceFromJacobian(cost.Jacobian(), n, static_cast<int>(nf), result.reducedChiSquare, names);
    }
    result.freeParameters = setup.free;
    result.correlation = Correlation(cov.matrix, static_cast<int>(nf));
    result.evaluations = model.Evaluations();
    result.iterations = summary.iterations;
    result.stopReason = "converged: " + summary.message;

    // Parameters, uncertainties and warnings.
    result.parameters = setup.table;
    result.uncertainties.assign(setup.table.size(), 0.0);
    result.atBound.assign(setup.table.size(), false);
    for (std::size_t k = 0; k < setup.table.size(); ++k) result.parameters[k].value = setup.values[k];
    for (std::size_t j = 0; j < nf; ++j) {
        const std::size_t k = static_cast<std::size_t>(setup.free[j]);
        Parameter& q = result.parameters[k];
        result.uncertainties[k] = std::sqrt(cov.matrix[j * nf + j]);
        // On a bound: within a millionth of the parameter's typical change (or of the span of
        // narrow bounds), so that a far bound (t = 1..1e30) does not claim a value far from it.
        const double span = std::isfinite(q.upper - q.lower) ? q.upper - q.lower : setup.typical[j];
        const double tol = 1e-6 * std::max(std::min(span, setup.typical[j]), 1e-300);
        const bool low = q.value <= q.lower + tol, high = q.value >= q.upper - tol;
        if (low || high) {
            result.atBound[k] = true;
            result.warnings.push_back(q.name + " ended at its " + (low ? "lower" : "upper") + " bound " +
                                      Number(low ? q.lower : q.upper) + ": the bound, not the data, decides its value");
        }
    }
    for (std::size_t u = 0; u < cov.undetermined.size(); ++u) {
        result.undetermined = true;
        const std::size_t j = static_cast<std::size_t>(cov.undetermined[u]);
        result.warnings.push_back("the covariance is singular: the data do not determine " + names[j] +
                                  (cov.reasons[u].empty() ? std::string(" (the spectrum does not depend on it)")
                                                          : " (it trades off against " + cov.reasons[u] + ")") +
                                  "; fix it or give it bounds");
    }
    for (std::size_t a = 0; a < nf; ++a)
        for (std::size_t b = a + 1; b < nf; ++b) {
            const double rho = result.correlation[a * nf + b];
            if (std::fabs(rho) > 0.95)
                result.warnings.push_back(names[a] + " and " + names[b] + " correlate at " + Format(rho, "0.000") +
                                          ": the data hardly tell them apart");
        }

    result.convention = request.convention;
    result.weighting = request.weighting;
    result.noiseSigma = setup.noiseSigma;
    result.lifExcitation = request.conditions.kind == SpectrumKind::LifExcitation;
    result.conditions = request.conditions;
    for (const FitSystem& s : request.systems) result.systems.push_back(s.label);

    // The curves over every measured point.
    MeasuredSpectrum all = request.spectrum;
    CheckMeasuredSpectrum(all);
    result.x = all.x;
    result.y = all.y;
    model.Curves(setup.values, result.x, result.model, result.parts);
    if (options.components != ComponentDetail::Systems)
        result.components =
            model.Components(setup.values, result.x, options.components == ComponentDetail::Branches, setup.labels);
    result.startValues = startValues;
    for (std::size_t k = 0; k < userStart.size(); ++k) {
        const ParameterKind kind = setup.table[k].id.kind;
        if (kind == ParameterKind::RotationalTemperature || kind == ParameterKind::VibrationalTemperature)
            result.scanMovedStart = result.scanMovedStart || startValues[k] != userStart[k];
    }
    result.residual.resize(result.x.size());
    result.fitted.assign(result.x.size(), 0);
    for (std::size_t i = 0, k = 0; i < result.x.size(); ++i) {
        result.residual[i] = result.y[i] - result.model[i];
        if (k < pts.x.size() && pts.x[k] == result.x[i]) result.fitted[i] = 1, ++k;
    }
    if (options.progress) options.progress(100.0);
    return result;
}

}  // namespace velmora::fit
