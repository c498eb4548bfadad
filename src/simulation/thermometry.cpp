#include "simulation/thermometry.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "simulation/absolute_scale.h"
#include "simulation/line_list.h"

namespace velmora::simulation {

namespace {

/// Relative step of the central differences in ln T.
constexpr double kLogStep = 1e-3;

/// Signal of each line at T keyed by its position (blended lines add up).
std::map<double, ThermometryLine> SignalMap(const BandSystemModel& m, SimulationConditions c, const PopulationsAt& pop,
                                            double T) {
    c.temperature = T;
    const populations::Populations p = pop(T);
    const LineList list = BuildLineList(m, c, p, 0.0, std::min(c.start, c.end), std::max(c.start, c.end));
    std::map<double, ThermometryLine> lines;
    for (std::size_t k = 0; k < list.levels.size(); ++k)
        for (const DrawnLine& d : list.levels[k]) {
            ThermometryLine& line = lines[d.x];
            if (line.signal.empty()) line = {d.x, d.vUp, d.vLow, d.b, d.N, {0.0}};
            line.signal[0] += d.weight * p.weights[k];
        }
    return lines;
}

double SignalOf(const std::map<double, ThermometryLine>& lines, double x) {
    const auto it = lines.find(x);
    return it != lines.end() ? it->second.signal[0] : 0.0;
}

}  // namespace

std::vector<ThermometryLine> LineSignalsAt(const BandSystemModel& m, SimulationConditions c, const PopulationsAt& pop,
                                           double T) {
    std::vector<ThermometryLine> lines;
    for (auto& [x, line] : SignalMap(m, c, pop, T)) lines.push_back(std::move(line));
    return lines;
}

ThermometryScan ScanThermometry(const BandSystemModel& m, const SimulationConditions& c, const PopulationsAt& pop,
                                double t1, double t2, int steps, std::size_t candidates, std::size_t pairs,
                                double minimumShare) {
    RequireScaleFor(m, c);  // the line signals carry the quenched yields and the gate
    ThermometryScan scan;
    steps = std::max(steps, 1);
    for (int i = 0; i < steps; ++i) scan.temperatures.push_back(steps == 1 ? t1 : t1 + (t2 - t1) * i / (steps - 1));
    const std::size_t n = scan.temperatures.size();

    // Signals at T and at T (1 ± kLogStep) for the derivatives.
    std::vector<std::map<double, ThermometryLine>> at, below, above;
    std::map<double, ThermometryLine> every;
    for (double T : scan.temperatures) {
        at.push_back(SignalMap(m, c, pop, T));
        below.push_back(SignalMap(m, c, pop, T * (1.0 - kLogStep)));
        above.push_back(SignalMap(m, c, pop, T * (1.0 + kLogStep)));
        for (const auto& [x, line] : at.back()) every.emplace(x, line);
    }
    for (const auto& [x, first] : every) {
        ThermometryLine line = first;
        line.signal.clear();
        for (std::size_t i = 0; i < n; ++i) line.signal.push_back(SignalOf(at[i], x));
        scan.lines.push_back(std::move(line));
    }

    // Lines far weaker than the strongest at every temperature are no candidates at all.
    auto largest = [](const ThermometryLine& l) { return *std::max_element(l.signal.begin(), l.signal.end()); };
    double strongest = 0.0;
    for (const ThermometryLine& l : scan.lines) strongest = std::max(strongest, largest(l));
    const std::size_t before = scan.lines.size();
    std::erase_if(scan.lines, [&](const ThermometryLine& l) { return largest(l) < minimumShare * strongest; });
    scan.leftOut = static_cast<int>(before - scan.lines.size());

    // Candidates: the lines whose weakest signal over the scan is largest.
    std::vector<std::size_t> order(scan.lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto weakest = [&](std::size_t i) {
        return *std::min_element(scan.lines[i].signal.begin(), scan.lines[i].signal.end());
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return weakest(a) > weakest(b); });
    order.resize(std::min(order.size(), candidates));
    std::erase_if(order, [&](std::size_t i) { return !(weakest(i) > 0.0); });

    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            ThermometryPair pair;
            pair.a = std::min(order[i], order[j]);
            pair.b = std::max(order[i], order[j]);
            const double xa = scan.lines[pair.a].x, xb = scan.lines[pair.b].x;
            for (std::size_t k = 0; k < n; ++k) {
                pair.ratio.push_back(scan.lines[pair.a].signal[k] / scan.lines[pair.b].signal[k]);
                const double hi = SignalOf(above[k], xa) / SignalOf(above[k], xb);
                const double lo = SignalOf(below[k], xa) / SignalOf(below[k], xb);
                const double s = std::log(hi / lo) / (std::log1p(kLogStep) - std::log1p(-kLogStep));
                pair.sensitivity.push_back(std::isfinite(s) ? s : 0.0);
                pair.score += std::fabs(pair.sensitivity.back()) / static_cast<double>(n);
            }
            scan.pairs.push_back(std::move(pair));
        }
    std::sort(scan.pairs.begin(), scan.pairs.end(),
              [](const ThermometryPair& a, const ThermometryPair& b) { return a.score > b.score; });
    if (scan.pairs.size() > pairs) scan.pairs.resize(pairs);
    return scan;
}

}  // namespace velmora::simulation
