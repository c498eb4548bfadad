#include "simulation/line_set_simulation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/physical_constants.h"
#include "simulation/instrument_convolution.h"

namespace velmora::simulation {

namespace {

void CheckKind(const SimulationConditions& c) {
    if (c.kind == SpectrumKind::FourWaveMixing)
        throw ConditionError("a line list draws emission, absorption and LIF excitation spectra, not four-wave mixing");
    if (c.kind == SpectrumKind::LifExcitation && c.lifRegime != LifRegime::Linear)
        throw ConditionError("a line list draws LIF excitation in the linear regime only");
    if (!(c.temperature > 0.0))
        throw ConditionError("the thermal populations of a line list need a temperature above 0 K");
}

/// Which levels of the list are the upper level of a kept line.
std::vector<bool> UpperFlags(const database::ImportedLineList& list) {
    std::vector<bool> isUpper(list.levels.size(), false);
    for (const database::ListedLine& l : list.lines) isUpper[l.upper] = true;
    return isUpper;
}

DrawnLine Drawn(const database::ListedLine& l, double x, double weight, double tau) {
    DrawnLine d;
    d.x = x;
    d.weight = weight;
    d.strength = static_cast<float>(l.A);
    d.lifetime = tau > 0.0 ? static_cast<float>(tau) : std::numeric_limits<float>::max();
    return d;
}

}  // namespace

LineList LineSetLines(const database::ImportedLineList& list, const SimulationConditions& c, double lineShift,
                      double start, double end) {
    CheckKind(c);
    LineList out;
    out.levels.resize(1);
    const double c2T = kSecondRadiationConstant / c.temperature;
    const bool emission = c.kind == SpectrumKind::Emission;
    const std::vector<double> lifetimes = database::LevelLifetimes(list);

    // The emitting state: energies from its lowest kept level, its own partition function.
    double lowestUpper = std::numeric_limits<double>::infinity(), Q = 0.0;
    if (emission) {
        const std::vector<bool> isUpper = UpperFlags(list);
        lowestUpper = LowestUpperEnergy(list);
        for (std::size_t i = 0; i < list.levels.size(); ++i)
            if (isUpper[i]) Q += list.levels[i].g * std::exp(-c2T * (list.levels[i].energy - lowestUpper));
    } else {
        Q = list.PartitionFunction(c.temperature);
    }
    if (!(Q > 0.0)) return out;

    std::vector<DrawnLine>& lines = out.levels[0];
    for (const database::ListedLine& l : list.lines) {
        const double x = AxisPosition(l.nu, c.unit) + lineShift;
        if (!(start < x && x < end)) continue;
        const double tau = lifetimes[l.upper];
        double weight = 0.0;
        switch (c.kind) {
            case SpectrumKind::Emission:
                weight = l.A * l.gUpper * std::exp(-c2T * (l.UpperEnergy() - lowestUpper)) / Q;
                break;
            case SpectrumKind::Absorption:
                weight = l.gUpper * l.A / (l.nu * l.nu) * std::exp(-c2T * l.lowerEnergy) / Q;
                break;
            default:
                weight = l.gUpper * l.A / (l.nu * l.nu * l.nu) * std::exp(-c2T * l.lowerEnergy) / Q *
                         GateFactor(tau, c.gate, c.gateDelay, c.gateWidth);
        }
        if (!(weight > 0.0)) continue;
        lines.push_back(Drawn(l, x, weight, tau));
    }
    return out;
}

double LowestUpperEnergy(const database::ImportedLineList& list) {
    const std::vector<bool> isUpper = UpperFlags(list);
    double lowest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < list.levels.size(); ++i)
        if (isUpper[i]) lowest = std::min(lowest, list.levels[i].energy);
    return lowest;
}

UpperLevelLines LineSetUpperLevelLines(const database::ImportedLineList& list, const SimulationConditions& c,
                                       double lineShift, double start, double end) {
    CheckKind(c);
    const std::vector<double> lifetimes = database::LevelLifetimes(list);
    // Slot of each upper level among the levels returned, -1 until a line in the range is met.
    std::vector<long long> slot(list.levels.size(), -1);
    std::vector<std::uint32_t> order;
    for (const database::ListedLine& l : list.lines) {
        const double x = AxisPosition(l.nu, c.unit) + lineShift;
        if (start < x && x < end && l.A > 0.0 && slot[l.upper] < 0) slot[l.upper] = 0, order.push_back(l.upper);
    }
    std::sort(order.begin(), order.end());
    UpperLevelLines out;
    out.levels = order;
    out.lines.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) slot[order[k]] = static_cast<long long>(k);
    for (const database::ListedLine& l : list.lines) {
        const double x = AxisPosition(l.nu, c.unit) + lineShift;
        if (!(start < x && x < end) || !(l.A > 0.0)) continue;
        out.lines[static_cast<std::size_t>(slot[l.upper])].push_back(Drawn(l, x, l.A, lifetimes[l.upper]));
    }
    return out;
}

Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const SimulationOptions& options) {
    CheckConditions(conditions);
    SimulationConditions c = conditions;
    if (c.start > c.end) std::swap(c.start, c.end);
    const Broadening widths = ComputeBroadening(c, list.mass);
    const GridPlan plan = PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), widths.totalWidth,
                                   PointsPerWidth(c.density), 1);
    Spectrum s = SimulateLineSet(list, c, widths, plan.grid, options);
    s.gridCoarsened = plan.overBudget;
    return s;
}

Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const Broadening& widths, const SpectralGrid& grid, const SimulationOptions& options) {
    CheckConditions(conditions);
    CheckKind(conditions);
    Spectrum s;
    s.conditions = conditions;
    const float a = static_cast<float>(conditions.start), b = static_cast<float>(conditions.end);
    s.conditions.start = std::min(a, b);
    s.conditions.end = std::max(a, b);
    s.widths = widths;
    s.grid = grid;
    s.levels = {0};
    s.weights = {1.0};
    s.bands.Resize(1, 1, 0, grid.last);
    DrawStats stats;
    const SimulationConditions& c = s.conditions;
    if (ConvolvesInstrument(c)) {
        const LineSource source = [&](double start, double end) {
            return LineSetLines(list, c, widths.lineShift, start, end);
        };
        DrawThroughInstrument(source, c, widths, grid, options.profiles, s.bands, stats);
    } else {
        const LineList lines = LineSetLines(list, c, widths.lineShift, c.start, c.end);
        LineDrawer drawer(MakeProfileGrid(grid, widths, c.predissociationBroadening, c.unit), false, options.profiles);
        drawer.Draw(lines.levels[0], &s.bands(1, 0), stats);
    }
    s.linesDrawn = stats.lines;
    s.profilePoints = stats.profilePoints;
    BuildTotal(s);
    return s;
}

}  // namespace velmora::simulation
