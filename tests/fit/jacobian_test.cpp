// Every column of the model's Jacobian against central differences of the model itself, at
// several points of the parameter space: the analytic ones (scale, baseline, slope, the axis
// terms from the interpolant's derivative, the free populations from the level spectra) and the
// differences the model takes (central ones for the instrument widths, forward ones for the
// temperatures).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fit/spectrum_model.h"
#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

/// The parameter table of one system with free populations, in the layout's order.
struct Model {
    std::unique_ptr<SpectrumModel> model;
    std::vector<Parameter> table;
    std::vector<int> free;
};

Model OHModel() {
    static testing::FitFixture oh("OH", "(A-X)");
    const double inf = std::numeric_limits<double>::infinity();
    FitPoints points;
    for (int i = 0; i < 600; ++i) points.x.push_back(3080.0 + 0.04 * i), points.y.push_back(0.0);
    points.weight.assign(points.x.size(), 1.0);
    points.centre = 0.5 * (points.x.front() + points.x.back());
    simulation::SimulationConditions c;
    std::vector<SystemTracer> tracers;
    tracers.emplace_back(oh.system, c, 3070.0, 3114.0, points.x.front(), points.x.back(),
                         IntensityConvention::PhotonCounts, true, 14);
    Model m;
    ParameterLayout layout;
    ParameterLayout::System s;
    auto add = [&](ParameterKind kind, int level, double lo, double hi) {
        m.table.push_back({{kind, 0, level}, "", 0.0, lo, hi, true});
        return static_cast<int>(m.table.size()) - 1;
    };
    s.t = add(ParameterKind::RotationalTemperature, -1, 100.0, 50000.0);
    for (int v : tracers.front().Levels()) s.pops.push_back(add(ParameterKind::Population, v, 0.0, inf));
    m.table[static_cast<std::size_t>(s.pops.front())].free = false;  // the reference level
    s.scale = add(ParameterKind::Scale, -1, 0.0, inf);
    layout.systems.push_back(s);
    layout.baseline = add(ParameterKind::BaselineOffset, -1, -inf, inf);
    layout.slope = add(ParameterKind::BaselineSlope, -1, -inf, inf);
    layout.shift = add(ParameterKind::Shift, -1, -1.0, 1.0);
    layout.stretch = add(ParameterKind::Stretch, -1, -0.01, 0.01);
    layout.quadratic = add(ParameterKind::Quadratic, -1, -1e-3, 1e-3);
    layout.gauss = add(ParameterKind::GaussWidth, -1, 0.01, 2.0);
    layout.lorentz = add(ParameterKind::LorentzWidth, -1, 0.0, 2.0);
    for (int k = 0; k < static_cast<int>(m.table.size()); ++k)
        if (m.table[static_cast<std::size_t>(k)].free) m.free.push_back(k);
    m.model = std::make_unique<SpectrumModel>(std::move(tracers), layout, m.table, std::move(points));
    return m;
}

TEST(FitJacobian, EveryColumnAgreesWithCentralDifferencesOfTheModelAtSeveralPoints) {
    Model m = OHModel();
    const ParameterLayout& L = m.model->Layout();
    const auto& S = L.systems.front();
    struct Point {
        double t, pop, shift, stretch, quadratic, gauss, lorentz;
    };
    for (const Point& at :
         {Point{1500.0, 0.2, 0.0, 0.0, 0.0, 0.2, 0.02}, Point{2600.0, 0.1, 0.03, 2e-4, 1e-5, 0.25, 0.05},
          Point{4000.0, 0.4, -0.05, -3e-4, -2e-5, 0.15, 0.1}}) {
        std::vector<double> p(m.table.size(), 0.0);
        p[static_cast<std::size_t>(S.t)] = at.t;
        for (std::size_t k = 0; k < S.pops.size(); ++k)
            p[static_cast<std::size_t>(S.pops[k])] = k == 0 ? 1.0 : at.pop / k;
        p[static_cast<std::size_t>(S.scale)] = 500.0;
        p[static_cast<std::size_t>(L.baseline)] = 2.0, p[static_cast<std::size_t>(L.slope)] = 0.1;
        p[static_cast<std::size_t>(L.shift)] = at.shift, p[static_cast<std::size_t>(L.stretch)] = at.stretch;
        p[static_cast<std::size_t>(L.quadratic)] = at.quadratic;
        p[static_cast<std::size_t>(L.gauss)] = at.gauss, p[static_cast<std::size_t>(L.lorentz)] = at.lorentz;
        std::vector<double> model, J;
        m.model->Evaluate(p, m.free, model, &J);
        const std::size_t n = model.size(), nf = m.free.size();
        for (std::size_t j = 0; j < nf; ++j) {
            const std::size_t k = static_cast<std::size_t>(m.free[j]);
            const ParameterKind kind = m.table[k].id.kind;
            // Steps small against the parameter's scale, large against single-precision spectra
            // (and, for the widths, against the interpolation error of grids planned anew).
            const double h = kind == ParameterKind::RotationalTemperature                               ? 2.0
                             : kind == ParameterKind::Shift                                             ? 1e-4
                             : kind == ParameterKind::Stretch                                           ? 1e-6
                             : kind == ParameterKind::Quadratic                                         ? 1e-7
                             : kind == ParameterKind::Population                                        ? 1e-2
                             : kind == ParameterKind::GaussWidth || kind == ParameterKind::LorentzWidth ? 0.05 * p[k]
                                                                                                        : 1e-3;
            std::vector<double> plus = p, minus = p, up, down;
            plus[k] += h, minus[k] -= h;
            m.model->Evaluate(plus, {}, up, nullptr);
            m.model->Evaluate(minus, {}, down, nullptr);
            double diff = 0.0, norm = 0.0;
            for (std::size_t i = 0; i < n; ++i) {
                const double central = (up[i] - down[i]) / (2.0 * h);
                diff += std::pow(J[i * nf + j] - central, 2);
                norm += central * central;
            }
            // The model's own differences agree to their truncation: the temperature's forward
            // one to O(h), the widths' central ones on a grid held fixed, against a reference
            // whose every evaluation plans its grid anew (its interpolation error over h).
            const bool widths = kind == ParameterKind::GaussWidth || kind == ParameterKind::LorentzWidth;
            const double tolerance = widths ? 5e-2 : kind == ParameterKind::RotationalTemperature ? 2e-2 : 2e-3;
            // Spectra are drawn in single precision: a difference quotient cannot resolve less
            // than about ε_float ‖model‖ / h (a weak level's population).
            double size = 0.0;
            for (double y : model) size += y * y;
            const double floor = 1e-7 * std::sqrt(size) / h;
            ASSERT_GT(norm, 0.0) << k;
            EXPECT_LT(std::sqrt(diff), tolerance * std::sqrt(norm) + floor) << "parameter " << k << " at T " << at.t;
        }
    }
}

}  // namespace
}  // namespace velmora::fit
