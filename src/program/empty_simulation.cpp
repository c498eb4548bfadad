#include "program/empty_simulation.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "common/number_format.h"
#include "common/numerics.h"
#include "database/line_list_import.h"
#include "populations/population_model.h"
#include "program/system_range.h"
#include "simulation/condition_view.h"
#include "simulation/conditions.h"

namespace velmora::program {

namespace {

using Band = std::pair<int, int>;

/// Highest temperature tried when looking for the one at which a level passes the cut-off (K).
constexpr double kHottest = 50000.0;

std::string BandName(Band band) { return "(" + std::to_string(band.first) + "," + std::to_string(band.second) + ")"; }

/// "1.2E-10", "0.0032": two significant digits.
std::string Population(double p) {
    return p > 0.0 && p < 0.01 ? Format(p, "0.0E-00") : Trim(Str(static_cast<float>(p)));
}

/// The bands with a line between the limits (axis unit), by the spans of the pre-computation.
std::vector<Band> BandsInRange(const AppState& app, double start, double end) {
    const DatabaseState& db = app.db;
    const int unit = simulation::StoredValue(app.sim.conditions.unit);
    const double a = AxisToWavenumber(start, unit), b = AxisToWavenumber(end, unit);
    const double low = std::min(a, b), high = std::max(a, b);
    std::vector<Band> bands;
    for (int vu = 0; vu <= db.cat.NMaxVib.ValueAt(db.systemEntry, 1); ++vu)
        for (int vl = 0; vl <= db.cat.NMaxVib.ValueAt(db.systemEntry, 2); ++vl) {
            const double first = db.BandSpan.ValueAt(1, vu, vl), last = db.BandSpan.ValueAt(2, vu, vl);
            if (first > 0.0 && first <= high && last >= low) bands.push_back({vu, vl});
        }
    return bands;
}

bool IsSelected(const PopulationState& pop, int v) {
    for (int k = 1; k <= pop.NVibSel; ++k)
        if (populations::SelectedLevel(pop, k) == v) return true;
    return false;
}

/// The lowest temperature (K, rounded up to two significant digits) at which the thermal
/// population of level v exceeds the minimum population; 0 when none up to kHottest does.
double PassingTemperature(const AppState& app, int v) {
    PopulationState pop = app.pop;
    auto passes = [&](double T) {
        populations::VibThermal(pop, app.db, static_cast<float>(T));
        return pop.PopVib.Contains(v) && pop.PopVib(v) > pop.MinimumPopulation;
    };
    double cold = std::max(1.0, static_cast<double>(app.pop.Temperature)), hot = kHottest;
    if (!passes(hot)) return 0.0;
    while (hot - cold > 0.002 * hot) {
        const double mid = 0.5 * (cold + hot);
        (passes(mid) ? hot : cold) = mid;
    }
    const double step = std::pow(10.0, std::floor(std::log10(hot)) - 1.0);
    return std::ceil(hot / step) * step;
}

/// The bands named with their count: "the (1,0) band", "the bands (1,0), (2,1)".
std::string BandList(const std::vector<Band>& bands) {
    if (bands.size() == 1) return "the " + BandName(bands[0]) + " band";
    std::string text = "the bands ";
    const std::size_t shown = std::min<std::size_t>(bands.size(), 5);
    for (std::size_t i = 0; i < shown; ++i) text += (i ? ", " : "") + BandName(bands[i]);
    return text + (shown < bands.size() ? " …" : "");
}

/// The range's bands come from levels below the cut-off: which, and what would show them.
std::string UnpopulatedMessage(const AppState& app, const std::vector<Band>& bands, const std::string& range) {
    const PopulationState& pop = app.pop;
    const bool upper = pop.PopState == ElectronicState::Upper;
    const char* prime = upper ? "'" : "''";
    std::vector<int> levels;
    for (const Band& b : bands) levels.push_back(upper ? b.first : b.second);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    const int v = levels.front();  // the lowest is the most populated
    const double population = pop.PopVib.Contains(v) ? pop.PopVib(v) : 0.0;

    std::string text = "Nothing to show: the range " + range + " holds only " + BandList(bands) + " of " +
                       SystemName(app) + ", and v" + prime + " = " + std::to_string(v);
    if (levels.size() > 1) text += " (the lowest of its levels)";
    text += " has a population of " + Population(population) + ", not above the minimum population " +
            Population(pop.MinimumPopulation);
    if (pop.ThermalFlag == 1) text += " at " + Trim(Str(pop.Temperature)) + " K";
    text += ". It shows";
    std::vector<std::string> ways;
    if (pop.ThermalFlag == 1) {
        if (const double T = PassingTemperature(app, v); T > 0.0)
            ways.push_back("at a temperature of " + Trim(Str(T)) + " K or more");
    } else {
        ways.push_back("with a population of v" + std::string(prime) + " = " + std::to_string(v) +
                       " given in the populations window");
    }
    if (population > 0.0) ways.push_back("with a minimum population below " + Population(population));
    const Band strongest = StrongestBand(app);
    if (const double centre = BandCentre(app, strongest);
        centre > 0.0 && IsSelected(pop, upper ? strongest.first : strongest.second))
        ways.push_back("in a range over the " + BandName(strongest) + " band near " +
                       Trim(Str(static_cast<float>(centre))) + " " + simulation::AxisUnitName(app.sim.conditions.unit));
    for (std::size_t i = 0; i < ways.size(); ++i)
        text += (i == 0 ? " " : i + 1 == ways.size() ? " or " : ", ") + ways[i];
    return text + ".";
}

}  // namespace

std::string EmptySimulationMessage(const AppState& app) {
    const SimulationState& sim = app.sim;
    if (!simulation::HasSimulation(sim) || sim.result.peak > 0.0f) return "";
    if (sim.LineList)
        return "Nothing to show: no line of the line list " + sim.LineList->path + " carries intensity in the range " +
               RangeText(app, sim.result.conditions.start, sim.result.conditions.end) + ".";
    const std::string range = RangeText(app, sim.result.conditions.start, sim.result.conditions.end);
    const std::vector<Band> bands = BandsInRange(app, sim.result.conditions.start, sim.result.conditions.end);
    if (bands.empty()) {
        const Band strongest = StrongestBand(app);
        return "Nothing to show: no line of " + SystemName(app) + " lies in the range " + range +
               ". Its strongest band, " + BandName(strongest) + ", lies near " +
               Trim(Str(static_cast<float>(BandCentre(app, strongest)))) + " " +
               simulation::AxisUnitName(app.sim.conditions.unit) + ".";
    }
    const bool upper = app.pop.PopState == ElectronicState::Upper;
    std::vector<Band> populated;
    for (const Band& b : bands)
        if (IsSelected(app.pop, upper ? b.first : b.second)) populated.push_back(b);
    if (populated.empty()) return UnpopulatedMessage(app, bands, range);
    if (sim.result.linesDrawn == 0)
        return "Nothing to show: the populated rotational levels of " + BandList(populated) + " of " + SystemName(app) +
               " have no line inside the range " + range + " (a wider range or a higher temperature reaches them).";
    const simulation::SpectrumKind kind = sim.result.conditions.kind;
    const bool fluorescence =
        kind == simulation::SpectrumKind::Emission || kind == simulation::SpectrumKind::LifExcitation;
    return "Nothing to show: the " + std::to_string(sim.result.linesDrawn) + " lines drawn in the range " + range +
           " carry no intensity" +
           (fluorescence ? " (the detection window, the gate and the quantum yield with its quenching decide what "
                           "is detected)."
                         : ".");
}

}  // namespace velmora::program
