#include "fit/synthetic_spectra.h"

#include <algorithm>
#include <cmath>

#include "fit/spectrum_model.h"
#include "simulation/simulate.h"

namespace velmora::testing {

FitFixture& OHFixture() {
    static FitFixture f("OH", "(A-X)");
    return f;
}

std::vector<double> Signal(FitFixture& f, const Truth& t, double x0, double step, int n) {
    populations::Populations pop = f.shipped.Thermal(t.kind, t.temperature);
    if (t.vibrationalTemperature > 0.0f)
        // Boltzmann factors at T_vib in place of those at T: exp(−c2 G_v (1/T_vib − 1/T)).
        for (std::size_t k = 0; k < pop.levels.size(); ++k) {
            const double G = t.vibrationalTerms.at(static_cast<std::size_t>(pop.levels[k])) - t.vibrationalTerms[0];
            pop.weights[k] *= std::exp(-1.438776877 * G * (1.0 / t.vibrationalTemperature - 1.0 / t.temperature));
        }
    return Signal(*f.shipped.model, pop, t, x0, step, n);
}

std::vector<double> Signal(const simulation::BandSystemModel& model, const populations::Populations& pop,
                           const Truth& t, double x0, double step, int n) {
    using namespace simulation;
    SimulationConditions c;
    c.kind = t.kind;
    c.temperature = t.temperature;
    c.resolution = t.pointsPerWidth * step;
    c.start = x0 - 10.0;
    c.end = x0 + n * step + 10.0;
    const Broadening widths = ComputeBroadening(c, model.molecularMass);
    const bool distorted = t.stretch != 0.0 || t.quadratic != 0.0;
    // Undistorted: grid point i + 1 lies at the true position of measured point i (points 0 and
    // last stay empty). Distorted: a grid eight times finer, interpolated at the true positions.
    const int fine = distorted ? 8 : 1;
    SpectralGrid grid;
    grid.start = x0 - t.shift - (distorted ? 5.0 : step);
    grid.gridWidth = widths.totalWidth;
    grid.pointsPerWidth = t.pointsPerWidth * fine;
    grid.last = (n + 1) * fine + (distorted ? static_cast<int>(10.0 / step) * fine : 0);
    const Spectrum s = Simulate(model, c, pop, widths, grid);
    std::vector<double> y(static_cast<std::size_t>(n));
    const double centre = x0 + 0.5 * (n - 1) * step;
    std::vector<float> total(s.total.begin(), s.total.end());
    for (int i = 0; i < n; ++i) {
        const double x = x0 + i * step, d = x - centre;
        y[static_cast<std::size_t>(i)] =
            distorted ? fit::Interpolate(grid, total, x - t.shift - t.stretch * d - t.quadratic * d * d).value
                      : s.total(i + 1);
    }
    const double peak = *std::max_element(y.begin(), y.end());
    for (double& v : y) v *= t.amplitude / peak;
    return y;
}

double Area(const std::vector<double>& y, double step) {
    double a = 0.0;
    for (std::size_t i = 0; i + 1 < y.size(); ++i) a += 0.5 * (y[i] + y[i + 1]) * step;
    return a;
}

fit::MeasuredSpectrum Measure(const std::vector<std::vector<double>>& signals, const Truth& t, double x0, double step,
                              GaussianDeviate& noise) {
    fit::MeasuredSpectrum m;
    m.source = "synthetic";
    const std::size_t n = signals.front().size();
    const double centre = x0 + 0.5 * (n - 1) * step;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = x0 + static_cast<double>(i) * step;
        double y = t.baseline + t.slope * (x - centre) + t.noise * noise.Next();
        for (const auto& s : signals) y += s[i];
        m.x.push_back(x);
        m.y.push_back(y);
    }
    return m;
}

fit::FitRequest Request(const std::vector<fit::FitSystem>& systems, const fit::MeasuredSpectrum& s, double gauss,
                        double temperature) {
    fit::FitRequest r;
    r.systems = systems;
    r.spectrum = s;
    r.conditions.temperature = temperature;
    r.conditions.resolution = gauss;
    return r;
}

}  // namespace velmora::testing
