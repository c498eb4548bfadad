#include "fit/spectrum_model.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>

namespace velmora::fit {

namespace {

bool SameValues(const SystemValues& a, const SystemValues& b) {
    return a.rotationalT == b.rotationalT && a.vibrationalT == b.vibrationalT && a.populations == b.populations &&
           a.gauss == b.gauss && a.lorentz == b.lorentz;
}

}  // namespace

SpectrumModel::SpectrumModel(std::vector<SystemTracer> tracers, ParameterLayout layout,
                             const std::vector<Parameter>& table, FitPoints points)
    : tracers_(std::move(tracers)),
      layout_(std::move(layout)),
      table_(table),
      points_(std::move(points)),
      traceValues_(tracers_.size()),
      traces_(tracers_.size()),
      traceValid_(tracers_.size(), false),
      cubic_(tracers_.size()) {}

SystemValues SpectrumModel::ValuesOf(int s, const std::vector<double>& p) const {
    const ParameterLayout::System& L = layout_.systems[static_cast<std::size_t>(s)];
    SystemValues v;
    v.rotationalT = p[static_cast<std::size_t>(L.t)];
    v.vibrationalT = L.tvib >= 0 ? p[static_cast<std::size_t>(L.tvib)] : v.rotationalT;
    for (int k : L.pops) v.populations.push_back(p[static_cast<std::size_t>(k)]);
    v.gauss = p[static_cast<std::size_t>(layout_.gauss)];
    v.lorentz = p[static_cast<std::size_t>(layout_.lorentz)];
    return v;
}

const SystemTrace& SpectrumModel::TraceOf(int s, const std::vector<double>& p) {
    const std::size_t k = static_cast<std::size_t>(s);
    const SystemValues v = ValuesOf(s, p);
    if (!traceValid_[k] || !SameValues(v, traceValues_[k])) {
        traceValid_[k] = false;
        interpolatedValid_.assign(tracers_.size(), false);
        tracers_[k].Trace(v, traces_[k]);
        traceValues_[k] = v;
        traceValid_[k] = true;
    }
    return traces_[k];
}

const std::vector<double>& SpectrumModel::InterpolatedAt(int s, const std::vector<double>& p,
                                                         const std::vector<double>& u) {
    const std::size_t k = static_cast<std::size_t>(s), n = u.size();
    const SystemTrace& t = TraceOf(s, p);
    if (interpolatedU_ != u) {
        interpolatedU_ = u;
        interpolatedValid_.assign(tracers_.size(), false);
    }
    interpolatedValid_.resize(tracers_.size(), false);
    S_.resize(tracers_.size());
    slopes_.resize(tracers_.size());
    if (!interpolatedValid_[k]) {
        S_[k].resize(n);
        slopes_[k].resize(n);
        cubic_[k].At(t.grid, t.total, u, S_[k].data(), slopes_[k].data());
        interpolatedValid_[k] = true;
    }
    return S_[k];
}

void SpectrumModel::AxisPositions(const std::vector<double>& p, const std::vector<double>& x,
                                  std::vector<double>& u) const {
    // The measured axis less the shift, stretch and quadratic term about the points' centre.
    const double shift = p[static_cast<std::size_t>(layout_.shift)],
                 stretch = p[static_cast<std::size_t>(layout_.stretch)],
                 quadratic = p[static_cast<std::size_t>(layout_.quadratic)], centre = points_.centre;
    u.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double d = x[i] - centre;
        u[i] = x[i] - shift - stretch * d - quadratic * d * d;
    }
}

double SpectrumModel::Step(int k, double value, double typical) const {
    const double h = 1e-3 * typical;
    return value + h > table_[static_cast<std::size_t>(k)].upper ? -h : h;
}

int SpectrumModel::Evaluations() const {
    int n = 0;
    for (const SystemTracer& t : tracers_) n += t.Evaluations();
    return n;
}

void SpectrumModel::Evaluate(const std::vector<double>& p, const std::vector<int>& free, std::vector<double>& model,
                             std::vector<double>* jacobian) {
    const std::size_t n = points_.x.size(), nf = free.size(), systems = tracers_.size();
    const std::vector<double>& x = points_.x;
    std::vector<double>& u = u_;
    std::vector<double>& d = d_;
    u.resize(n), d.resize(n);
    const double b0 = p[static_cast<std::size_t>(layout_.baseline)], b1 = p[static_cast<std::size_t>(layout_.slope)];
    model.assign(n, 0.0);
    AxisPositions(p, x, u);
    for (std::size_t i = 0; i < n; ++i) {
        d[i] = x[i] - points_.centre;
        model[i] = b0 + b1 * d[i];
    }
    // Each system's unit-area spectrum at the points (kept for the derivatives) and the sum of
    // scale × slope, the derivative of the model along the true axis.
    std::vector<std::vector<double>>& S = S_;
    std::vector<double>& axisSlope = axisSlope_;
    axisSlope.assign(n, 0.0);
    for (std::size_t s = 0; s < systems; ++s) {
        InterpolatedAt(static_cast<int>(s), p, u);
        const double scale = p[static_cast<std::size_t>(layout_.systems[s].scale)];
        for (std::size_t i = 0; i < n; ++i) {
            model[i] += scale * S[s][i];
            axisSlope[i] += scale * slopes_[s][i];
        }
    }
    if (!jacobian) return;
    std::vector<double>& J = *jacobian;
    J.assign(n * nf, 0.0);
    auto column = [&](std::size_t j, auto&& f) {
        for (std::size_t i = 0; i < n; ++i) J[i * nf + j] = f(i);
    };
    // Forward difference of the model over system s after a change of its values, drawn on the
    // grid of the values themselves: grids planned anew for the changed widths would move every
    // node and add their interpolation error, divided by the step, to the derivative.
    auto difference = [&](std::size_t j, int s, const SystemValues& changed, double h) {
        SystemTrace& t = changed_;
        tracers_[static_cast<std::size_t>(s)].Trace(changed, t, &traces_[static_cast<std::size_t>(s)].grid);
        const double scale = p[static_cast<std::size_t>(layout_.systems[static_cast<std::size_t>(s)].scale)];
        values_.resize(n);
        cubic_[static_cast<std::size_t>(s)].At(t.grid, t.total, u, values_.data());
        for (std::size_t i = 0; i < n; ++i)
            J[i * nf + j] += scale * (values_[i] - S[static_cast<std::size_t>(s)][i]) / h;
    };
    // The widths first: they redraw the lines of the current temperatures, which the line lists
    // still hold; the temperatures after them build new line lists.
    std::vector<std::size_t> temperatures;
    for (std::size_t j = 0; j < nf; ++j) {
        const int k = free[j];
        const ParameterId& id = table_[static_cast<std::size_t>(k)].id;
        switch (id.kind) {
            case ParameterKind::Scale:
                column(j, [&](std::size_t i) { return S[static_cast<std::size_t>(id.system)][i]; });
                break;
            case ParameterKind::BaselineOffset:
                column(j, [](std::size_t) { return 1.0; });
                break;
            case ParameterKind::BaselineSlope:
                column(j, [&](std::size_t i) { return d[i]; });
                break;
            case ParameterKind::Shift:
                column(j, [&](std::size_t i) { return -axisSlope[i]; });
                break;
            case ParameterKind::Stretch:
                column(j, [&](std::size_t i) { return -d[i] * axisSlope[i]; });
                break;
            case ParameterKind::Quadratic:
                column(j, [&](std::size_t i) { return -d[i] * d[i] * axisSlope[i]; });
                break;
            case ParameterKind::Population: {
                // S = Σ p_v B_v / A with A = Σ p_v a_v: dS/dp_v = (B_v − S a_v) / A.
                const std::size_t s = static_cast<std::size_t>(id.system);
                const auto& pops = layout_.systems[s].pops;
                const std::size_t level =
                    static_cast<std::size_t>(std::find(pops.begin(), pops.end(), k) - pops.begin());
                const SystemTrace& t = TraceOf(id.system, p);
                const double scale = p[static_cast<std::size_t>(layout_.systems[s].scale)];
                if (t.area > 0.0) {
                    values_.resize(n);
                    cubic_[s].At(t.grid, t.levels[level], u, values_.data());
                    column(j, [&](std::size_t i) {
                        return scale * (values_[i] - S[s][i] * t.levelAreas[level]) / t.area;
                    });
                }
                break;
            }
            case ParameterKind::GaussWidth:
            case ParameterKind::LorentzWidth: {
                const double typical =
                    p[static_cast<std::size_t>(layout_.gauss)] + p[static_cast<std::size_t>(layout_.lorentz)];
                // Central differences of a step of 3 % of the width (of a tenth of the total for
                // a small one): a much smaller step resolves the single-precision rounding of the
                // drawn profiles rather than their slope, and a forward step this large would
                // leave an error of its own order.
                const double value = p[static_cast<std::size_t>(k)], h = 3e-2 * std::max(value, 0.1 * typical);
                const bool central = value - h >= table_[static_cast<std::size_t>(k)].lower;
                for (std::size_t s = 0; s < systems; ++s) {
                    SystemValues up = ValuesOf(static_cast<int>(s), p), down = up;
                    double& w = id.kind == ParameterKind::GaussWidth ? up.gauss : up.lorentz;
                    w += h;
                    if (!central) {
                        difference(j, static_cast<int>(s), up, h);
                        continue;
                    }
                    (id.kind == ParameterKind::GaussWidth ? down.gauss : down.lorentz) -= h;
                    difference(j, static_cast<int>(s), up, 2.0 * h);
                    std::vector<double> plus(n);
                    for (std::size_t i = 0; i < n; ++i) plus[i] = J[i * nf + j];
                    difference(j, static_cast<int>(s), down, 2.0 * h);
                    // The column now holds (S+ − S) / 2h, then (S− − S) / 2h added to it; the
                    // central quotient (S+ − S−) / 2h is twice the first less the sum.
                    for (std::size_t i = 0; i < n; ++i) J[i * nf + j] = 2.0 * plus[i] - J[i * nf + j];
                }
                break;
            }
            case ParameterKind::RotationalTemperature:
            case ParameterKind::VibrationalTemperature:
                temperatures.push_back(j);
                break;
        }
    }
    for (std::size_t j : temperatures) {
        const int k = free[j];
        const ParameterId& id = table_[static_cast<std::size_t>(k)].id;
        const double T = p[static_cast<std::size_t>(k)];
        const double step = Step(k, T, std::max(T, 10.0));
        // The populations are built from single-precision temperatures, so the model moves by the
        // step between the two rounded temperatures (near 2000 K up to 6e-5 off the step asked
        // for): the difference quotient divides by that step.
        const double rounded = static_cast<double>(static_cast<float>(T + step)) - static_cast<float>(T);
        const double h = rounded != 0.0 ? rounded : step;
        SystemValues v = ValuesOf(id.system, p);
        if (id.kind == ParameterKind::RotationalTemperature) {
            // With one common temperature the vibrational one follows.
            if (layout_.systems[static_cast<std::size_t>(id.system)].tvib < 0) v.vibrationalT += step;
            v.rotationalT += step;
        } else {
            v.vibrationalT += step;
        }
        difference(j, id.system, v, h);
    }
}

void SpectrumModel::Curves(const std::vector<double>& p, const std::vector<double>& x, std::vector<double>& model,
                           std::vector<std::vector<double>>& parts) {
    const std::size_t n = x.size();
    model.assign(n, 0.0);
    parts.assign(tracers_.size(), std::vector<double>(n, 0.0));
    for (std::size_t i = 0; i < n; ++i)
        model[i] = p[static_cast<std::size_t>(layout_.baseline)] +
                   p[static_cast<std::size_t>(layout_.slope)] * (x[i] - points_.centre);
    std::vector<double> u(n), values(n);
    AxisPositions(p, x, u);
    for (std::size_t s = 0; s < tracers_.size(); ++s) {
        const SystemTrace& t = TraceOf(static_cast<int>(s), p);
        const double scale = p[static_cast<std::size_t>(layout_.systems[s].scale)];
        cubic_[s].At(t.grid, t.total, u, values.data());
        for (std::size_t i = 0; i < n; ++i) {
            parts[s][i] = scale * values[i];
            model[i] += parts[s][i];
        }
    }
}

double SpectrumModel::ChiSquare(const std::vector<double>& p) {
    std::vector<double> m;
    Evaluate(p, {}, m, nullptr);
    double chi2 = 0.0;
    for (std::size_t i = 0; i < m.size(); ++i) {
        const double r = points_.weight[i] * (m[i] - points_.y[i]);
        chi2 += r * r;
    }
    return chi2;
}

double SpectrumModel::SolveLinear(std::vector<double>& p) {
    const std::size_t n = points_.x.size();
    auto isFree = [&](int k) { return k >= 0 && table_[static_cast<std::size_t>(k)].free; };
    std::vector<double> fixedPart(n, 0.0), u(n);
    AxisPositions(p, points_.x, u);

    // The columns of the free linear parameters; what is fixed moves to the measured side.
    struct Column {
        std::vector<double> values;
        int system = -1;     ///< the scale of this system, or
        int level = -1;      ///< the amplitude (integrated intensity) of this level of the system
        int parameter = -1;  ///< baseline or slope
    };
    std::vector<Column> columns;
    for (std::size_t s = 0; s < tracers_.size(); ++s) {
        const ParameterLayout::System& L = layout_.systems[s];
        const SystemTrace& t = TraceOf(static_cast<int>(s), p);
        const bool amplitudes = isFree(L.scale) && std::any_of(L.pops.begin(), L.pops.end(), isFree) && t.area > 0.0;
        if (amplitudes) {
            // scale × Σ p_v B_v / A = Σ c_v B_v / a_v: one amplitude c_v per level.
            for (std::size_t k = 0; k < L.pops.size(); ++k) {
                if (t.levelAreas[k] <= 0.0) continue;
                Column c;
                c.system = static_cast<int>(s), c.level = static_cast<int>(k);
                c.values.resize(n);
                cubic_[s].At(t.grid, t.levels[k], u, c.values.data());
                for (double& v : c.values) v /= t.levelAreas[k];
                columns.push_back(std::move(c));
            }
            continue;
        }
        std::vector<double> S = InterpolatedAt(static_cast<int>(s), p, u);
        if (isFree(L.scale)) {
            Column c;
            c.system = static_cast<int>(s), c.values = std::move(S);
            columns.push_back(std::move(c));
        } else {
            for (std::size_t i = 0; i < n; ++i) fixedPart[i] += p[static_cast<std::size_t>(L.scale)] * S[i];
        }
    }
    for (int k : {layout_.baseline, layout_.slope}) {
        std::vector<double> values(n);
        for (std::size_t i = 0; i < n; ++i) values[i] = k == layout_.baseline ? 1.0 : points_.x[i] - points_.centre;
        if (isFree(k)) {
            Column c;
            c.parameter = k, c.values = std::move(values);
            columns.push_back(std::move(c));
        } else {
            for (std::size_t i = 0; i < n; ++i) fixedPart[i] += p[static_cast<std::size_t>(k)] * values[i];
        }
    }
    if (!columns.empty()) {
        Eigen::MatrixXd A(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(columns.size()));
        Eigen::VectorXd b(static_cast<Eigen::Index>(n));
        for (std::size_t i = 0; i < n; ++i) {
            const double w = points_.weight[i];
            b(static_cast<Eigen::Index>(i)) = w * (points_.y[i] - fixedPart[i]);
            for (std::size_t j = 0; j < columns.size(); ++j)
                A(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)) = w * columns[j].values[i];
        }
        const Eigen::VectorXd c = A.colPivHouseholderQr().solve(b);
        auto clamp = [&](int k, double v) {
            const Parameter& q = table_[static_cast<std::size_t>(k)];
            p[static_cast<std::size_t>(k)] = std::clamp(std::isfinite(v) ? v : q.value, q.lower, q.upper);
        };
        // Amplitudes of the levels: scale = Σ c_v, p_v ∝ c_v / a_v relative to the reference level.
        std::vector<std::vector<double>> amplitude(tracers_.size());
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const Column& col = columns[j];
            const double value = c(static_cast<Eigen::Index>(j));
            if (col.parameter >= 0)
                clamp(col.parameter, value);
            else if (col.level < 0)
                clamp(layout_.systems[static_cast<std::size_t>(col.system)].scale, value);
            else {
                auto& a = amplitude[static_cast<std::size_t>(col.system)];
                a.resize(layout_.systems[static_cast<std::size_t>(col.system)].pops.size(), 0.0);
                a[static_cast<std::size_t>(col.level)] = value;
            }
        }
        for (std::size_t s = 0; s < tracers_.size(); ++s) {
            if (amplitude[s].empty()) continue;
            const ParameterLayout::System& L = layout_.systems[s];
            const SystemTrace& t = TraceOf(static_cast<int>(s), p);
            double total = 0.0;
            for (double a : amplitude[s]) total += std::max(a, 0.0);
            clamp(L.scale, total);
            const double ref = amplitude[s][0] / t.levelAreas[0];
            if (!(ref > 0.0)) continue;  // the reference level is not seen: populations stay
            for (std::size_t k = 1; k < L.pops.size(); ++k)
                if (isFree(L.pops[k]) && t.levelAreas[k] > 0.0)
                    clamp(L.pops[k], amplitude[s][k] / t.levelAreas[k] / ref);
        }
    }
    return ChiSquare(p);
}

}  // namespace velmora::fit
