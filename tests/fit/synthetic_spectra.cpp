#include "fit/synthetic_spectra.h"

#include <algorithm>

#include "simulation/simulate.h"

namespace velmora::testing {

std::vector<double> Signal(FitFixture& f, const Truth& t, double x0, double step, int n) {
    using namespace simulation;
    const populations::Populations pop = f.shipped.Thermal(t.kind, t.temperature);
    SimulationConditions c;
    c.kind = t.kind;
    c.temperature = t.temperature;
    c.resolution = t.pointsPerWidth * step;
    c.start = x0 - 10.0;
    c.end = x0 + n * step + 10.0;
    const Broadening widths = ComputeBroadening(c, f.shipped.model->molecularMass);
    // Grid point i + 1 lies at the true position of measured point i; points 0 and last stay empty.
    SpectralGrid grid;
    grid.start = x0 - t.shift - step;
    grid.gridWidth = widths.totalWidth;
    grid.pointsPerWidth = t.pointsPerWidth;
    grid.last = n + 1;
    const Spectrum s = Simulate(*f.shipped.model, c, pop, widths, grid);
    const double peak = *std::max_element(s.total.begin(), s.total.end());
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = t.amplitude * s.total(i + 1) / peak;
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
