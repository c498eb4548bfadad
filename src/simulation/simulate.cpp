#include "simulation/simulate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>

#include "simulation/absolute_scale.h"
#include "simulation/instrument_convolution.h"
#include "simulation/spectrum_total.h"

namespace velmora::simulation {

namespace {

/// Checks what Simulate needs of its arguments.
void CheckArguments(const BandSystemModel& model, const SimulationConditions& c, const populations::Populations& pop) {
    CheckConditions(c);
    RequireScaleFor(model, c);
    if (pop.state != PopulatedState(c.kind))
        throw ConditionError(std::string("the populations are those of the ") +
                             (pop.state == ElectronicState::Upper ? "upper" : "lower") +
                             " state; this kind of spectrum reads the other one");
    if (pop.levels.empty())
        throw ConditionError("No vibrational level is populated above the minimum population: nothing to simulate");
    if (pop.weights.size() != pop.levels.size())
        throw ConditionError("the populations give " + std::to_string(pop.weights.size()) + " weights for " +
                             std::to_string(pop.levels.size()) + " levels");
}

/// The range in increasing order, in single precision as the program holds it.
std::pair<float, float> OrderedRange(const SimulationConditions& c) {
    const float a = static_cast<float>(c.start), b = static_cast<float>(c.end);
    return {std::min(a, b), std::max(a, b)};
}

}  // namespace

void BuildTotal(Spectrum& s) {
    const TotalKernels& kernels = ActiveTotalKernels();
    const std::size_t n = static_cast<std::size_t>(s.grid.last) + 1;
    s.total.Resize(0, s.grid.last);
    std::vector<const float*> levels;
    for (std::size_t k = 0; k < s.levels.size(); ++k) levels.push_back(&s.bands(static_cast<int>(k) + 1, 0));
    s.peak = kernels.sum(s.total.Data(), levels.data(), s.weights.data(), levels.size(), n);
    bool finite = true;
    if (s.peak != 0.0f) {
        const double scale = 100.0 / s.peak;
        finite = kernels.scale(s.total.Data(), n, scale);
        // The level traces are shown and saved, never summed again: single precision is
        // enough for them, unless the scale itself is beyond it (a peak near the smallest float).
        if (scale <= std::numeric_limits<float>::max())
            kernels.scaleSingle(s.bands.Data(), s.bands.Size(), static_cast<float>(scale));
        else
            kernels.scale(s.bands.Data(), s.bands.Size(), scale);
    } else {
        finite = AllFinite(s.total);
    }
    // A total that overflowed single precision (absurd data or conditions) is no spectrum: it is
    // refused rather than drawn, saved or compared.
    if (!finite)
        throw std::range_error(
            "the simulation gives values beyond single precision: check the data files of "
            "the band system and the conditions");
}

Spectrum Simulate(const BandSystemModel& model, const SimulationConditions& conditions,
                  const populations::Populations& populations, const SimulationOptions& options) {
    CheckArguments(model, conditions, populations);
    SimulationConditions c = conditions;
    std::tie(c.start, c.end) = OrderedRange(conditions);
    const Broadening widths = ComputeBroadening(c, model.molecularMass);
    const GridPlan plan = PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), widths.totalWidth,
                                   PointsPerWidth(c.density), static_cast<int>(populations.Levels()));
    Spectrum s = Simulate(model, c, populations, widths, plan.grid, options);
    s.gridCoarsened = plan.overBudget;
    return s;
}

Spectrum Simulate(const BandSystemModel& model, const SimulationConditions& conditions,
                  const populations::Populations& populations, const Broadening& widths, const SpectralGrid& grid,
                  const SimulationOptions& options) {
    CheckArguments(model, conditions, populations);
    const auto [start, end] = OrderedRange(conditions);
    Spectrum s;
    s.conditions = conditions;
    std::tie(s.conditions.start, s.conditions.end) = std::pair<double, double>(start, end);
    s.widths = widths;
    s.grid = grid;
    s.levels = populations.levels;
    s.weights = populations.weights;
    const int levels = static_cast<int>(s.levels.size());
    s.bands.Resize(1, levels, 0, grid.last);
    DrawStats stats;
    if (ConvolvesInstrument(conditions)) {
        SimulationConditions c = conditions;
        std::tie(c.start, c.end) = std::pair<double, double>(start, end);
        DrawThroughInstrument(model, c, populations, widths, grid, options.profiles, options.progress, s.bands, stats);
        s.linesDrawn = stats.lines;
        s.profilePoints = stats.profilePoints;
        BuildTotal(s);
        return s;
    }
    KeptLineList kept;
    LineList& lines = *kept;
    BuildLineListInto(lines, model, conditions, populations, widths.lineShift, start, end, options.progress);
    LineDrawer drawer(MakeProfileGrid(grid, widths, conditions.predissociationBroadening, conditions.unit),
                      lines.squareRoot, options.profiles, lines.rateEquations);
    for (int k = 1; k <= levels; ++k) drawer.Draw(lines.levels[static_cast<std::size_t>(k - 1)], &s.bands(k, 0), stats);
    s.linesDrawn = stats.lines;
    s.profilePoints = stats.profilePoints;
    BuildTotal(s);
    return s;
}

}  // namespace velmora::simulation
