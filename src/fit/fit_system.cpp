#include "fit/fit_system.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "common/number_format.h"
#include "common/numerics.h"
#include "fit/fit_errors.h"
#include "populations/population_model.h"
#include "simulation/absolute_scale.h"
#include "simulation/broadening.h"
#include "simulation/intensities.h"
#include "simulation/line_drawing.h"
#include "simulation/line_set_simulation.h"
#include "simulation/lineshapes.h"
#include "simulation/model_cache.h"

namespace velmora::fit {

namespace {

using simulation::AxisUnit;

/// Wavenumber (cm-1) of an axis position.
double AxisWavenumber(double x, AxisUnit unit) {
    switch (unit) {
        case AxisUnit::Wavenumber:
            return x;
        case AxisUnit::AngstromVacuum:
            return 1E8 / x;
        case AxisUnit::NanometreVacuum:
            return 1E7 / x;
        case AxisUnit::AngstromAir:
            return 1E8 / VacuumFromAir(x);
        case AxisUnit::NanometreAir:
            return 1E8 / VacuumFromAir(10.0 * x);
    }
    return x;
}

/// The instrument function of the conditions for a Gaussian and a Lorentzian FWHM: a Voigt
/// whose Lorentzian share is lorentz / (gauss + lorentz), or the pure profile when one is 0.
void SetInstrument(simulation::SimulationConditions& c, double gauss, double lorentz) {
    using simulation::Lineshape;
    if (lorentz <= 0.0) {
        c.lineshape = Lineshape::Gaussian, c.resolution = gauss, c.lorentzPercent = 0.0;
    } else if (gauss <= 0.0) {
        c.lineshape = Lineshape::Lorentzian, c.resolution = lorentz, c.lorentzPercent = 100.0;
    } else {
        c.lineshape = Lineshape::Voigt, c.resolution = gauss + lorentz;
        c.lorentzPercent = 100.0 * lorentz / (gauss + lorentz);
    }
}

}  // namespace

const char* ConventionName(IntensityConvention c) {
    return c == IntensityConvention::Energy ? "energy per unit of the axis (each line times its photon energy)"
                                            : "photon counts per unit of the axis";
}

FitSystem LoadFitSystem(const DatabaseState& catalogue, int entry, const simulation::SimulationConditions& c) {
    if (entry > catalogue.cat.CatalogueCount) {
        const auto multiplets = database::MultipletEntriesOf(catalogue.AppPath);
        if (const int k = database::MultipletIndex(catalogue.cat, multiplets, entry); k >= 0) {
            auto system = simulation::BuildMultipletBandSystem(multiplets[static_cast<std::size_t>(k)], entry);
            if (const std::string why = simulation::AbsoluteScaleRefusal(system->model, c); !why.empty())
                throw FitInputError(why);
            return MakeFitSystem(std::move(system), catalogue);
        }
    }
    if (entry < 1 || entry > catalogue.cat.CatalogueCount)
        throw FitInputError("band system " + std::to_string(entry) + " is not in the catalogue (1.." +
                            std::to_string(catalogue.cat.CatalogueCount) + ")");
    auto db = std::make_shared<DatabaseState>(catalogue);
    db->systemEntry = entry;
    db->quenching = simulation::LevelQuenchingOf(c);
    Shell quiet;
    std::shared_ptr<const simulation::BandSystemModel> model =
        simulation::PrecomputeSystem(*db, static_cast<float>(c.pressure), quiet);
    // A system without an absolute scale fits relative spectra only (no quenching, no gate).
    if (const std::string why = simulation::AbsoluteScaleRefusal(*model, c); !why.empty()) throw FitInputError(why);
    return MakeFitSystem(std::move(model), *db);
}

bool TraceKey::operator==(const TraceKey& k) const {
    return conditions == k.conditions && start == k.start && end == k.end && windowStart == k.windowStart &&
           windowEnd == k.windowEnd && convention == k.convention && freePopulations == k.freePopulations &&
           pointsPerWidth == k.pointsPerWidth && values.rotationalT == k.values.rotationalT &&
           values.vibrationalT == k.values.vibrationalT && values.populations == k.values.populations &&
           values.gauss == k.values.gauss && values.lorentz == k.values.lorentz;
}

bool TraceCache::Find(const TraceKey& key, SystemTrace& trace) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [k, t] : entries_)
        if (k == key) {
            trace = t;
            return true;
        }
    return false;
}

void TraceCache::Store(const TraceKey& key, const SystemTrace& trace) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : entries_)
        if (entry.first == key) return;
    if (entries_.size() >= kCapacity) entries_.pop_front();
    entries_.emplace_back(key, trace);
}

FitSystem MakeFitSystem(std::shared_ptr<const simulation::BandSystemModel> model, const DatabaseState& db) {
    FitSystem s;
    s.traces = std::make_shared<TraceCache>();
    s.model = std::move(model);
    s.database = std::make_shared<const DatabaseState>(db);
    s.populations = CataloguePopulations(s.database);
    s.label = db.cat.MoleculeName.ValueAt(s.model->entry) + " " + Trim(db.cat.SystemLabel.ValueAt(s.model->entry));
    return s;
}

FitSystem MakeFitSystem(std::shared_ptr<const simulation::MultipletBandSystem> system, const DatabaseState& db) {
    FitSystem s;
    s.traces = std::make_shared<TraceCache>();
    s.model = std::shared_ptr<const simulation::BandSystemModel>(system, &system->model);
    s.database = std::make_shared<const DatabaseState>(db);
    s.label = system->Title();
    s.populations = MultipletPopulationSource(system);
    s.multiplet = std::move(system);
    return s;
}

FitSystem MakeFitSystem(std::shared_ptr<const simulation::BandSystemModel> model,
                        std::shared_ptr<const PopulationSource> populations, std::string label) {
    FitSystem s;
    s.traces = std::make_shared<TraceCache>();
    s.model = std::move(model);
    s.populations = std::move(populations);
    s.label = std::move(label);
    return s;
}

FitSystem MakeFitSystem(std::shared_ptr<const database::ImportedLineList> list) {
    FitSystem s;
    s.traces = std::make_shared<TraceCache>();
    s.label = "line list " + list->name;
    s.lineList = std::move(list);
    return s;
}

double WindowArea(const simulation::SpectralGrid& grid, const std::vector<float>& y, double a, double b) {
    const int n = static_cast<int>(y.size());
    if (n < 2 || !(b > a)) return 0.0;
    const double h = grid.Step();
    auto value = [&](double x) {  // linear between the points, 0 beyond the grid
        const double s = (x - grid.start) / h;
        if (!(s >= 0.0 && s <= n - 1.0)) return 0.0;
        const int j = std::min(static_cast<int>(s), n - 2);
        return y[static_cast<std::size_t>(j)] +
               (s - j) * (y[static_cast<std::size_t>(j) + 1] - y[static_cast<std::size_t>(j)]);
    };
    const int first = std::max(0, static_cast<int>(std::ceil((a - grid.start) / h)));
    const int last = std::min(n - 1, static_cast<int>(std::floor((b - grid.start) / h)));
    if (first > last) return 0.5 * (value(a) + value(b)) * (b - a);
    double sum = 0.0;
    for (int i = first; i < last; ++i)
        sum += 0.5 * (y[static_cast<std::size_t>(i)] + y[static_cast<std::size_t>(i) + 1]) * h;
    sum += 0.5 * (value(a) + y[static_cast<std::size_t>(first)]) * (grid.X(first) - a);
    sum += 0.5 * (y[static_cast<std::size_t>(last)] + value(b)) * (b - grid.X(last));
    return sum;
}

SystemTracer::SystemTracer(const FitSystem& system, const simulation::SimulationConditions& conditions, double start,
                           double end, double windowStart, double windowEnd, IntensityConvention convention,
                           bool freePopulations, int pointsPerWidth)
    : system_(system),
      conditions_(conditions),
      start_(start),
      end_(end),
      windowStart_(windowStart),
      windowEnd_(windowEnd),
      convention_(convention),
      freePopulations_(freePopulations),
      pointsPerWidth_(pointsPerWidth) {
    if (system_.lineList) {
        // One level of every line; the kind of spectrum is checked here.
        if (!simulation::LineSetLines(*system_.lineList, conditions_, 0.0, start_, end_).levels[0].empty())
            levels_.push_back(0);
        return;
    }
    pop_ = system_.populations->Start(conditions_.kind);
    // The levels with lines in the range: every level at unit populations.
    const populations::Populations all = pop_->AllLevels();
    const simulation::LineList list = simulation::BuildLineList(*system_.model, conditions_, all, 0.0, start_, end_);
    for (std::size_t k = 0; k < all.levels.size(); ++k)
        if (!list.levels[k].empty()) levels_.push_back(all.levels[k]);
}

std::vector<double> SystemTracer::BoltzmannPopulations(double vibrationalT, double rotationalT) {
    if (system_.lineList) return std::vector<double>(levels_.size(), 1.0);
    return pop_->Vibrational(levels_, vibrationalT, rotationalT);
}

const SystemTracer::Lines& SystemTracer::LinesFor(const SystemValues& v) {
    const bool thermal = v.populations.empty();
    if (lines_.rotationalT == v.rotationalT && (!thermal || lines_.vibrationalT == v.vibrationalT) &&
        lines_.populations == v.populations)
        return lines_;
    std::vector<double> weights = thermal ? BoltzmannPopulations(v.vibrationalT, v.rotationalT) : std::vector<double>();
    simulation::SimulationConditions c = conditions_;
    c.temperature = v.rotationalT;
    const double lineShift = simulation::ComputeBroadening(c, MolecularMass()).lineShift;
    lines_.groups.clear();
    if (system_.lineList) {
        // Lines of collisional widths of their own are drawn in groups of one width, each with its
        // profile; a list whose lines all take the conditions' width keeps one level of them.
        std::vector<simulation::WidthGroup> groups =
            simulation::LineSetWidthGroups(*system_.lineList, c, lineShift, start_, end_);
        lines_.list.levels.assign(1, {});
        if (groups.size() == 1 && std::isnan(groups[0].collisionalWidth)) {
            lines_.list.levels[0] = std::move(groups[0].lines);
        } else if (!groups.empty()) {
            for (const simulation::WidthGroup& g : groups)
                lines_.list.levels[0].insert(lines_.list.levels[0].end(), g.lines.begin(), g.lines.end());
            lines_.groups = std::move(groups);
        }
    } else {
        selected_ = pop_->Rotational(levels_, v.rotationalT);
        lines_.list = simulation::BuildLineList(*system_.model, c, selected_, lineShift, start_, end_);
    }
    // Energy: each line times its wavenumber, relative to the range centre's.
    const double nuCentre = AxisWavenumber(0.5 * (start_ + end_), c.unit);
    for (std::size_t k = 0; k < levels_.size(); ++k)
        for (simulation::DrawnLine& line : lines_.list.levels[k]) {
            if (convention_ == IntensityConvention::Energy)
                line.weight *= AxisWavenumber(line.x - lineShift, c.unit) / nuCentre;
            if (thermal) line.weight *= weights[k];
        }
    for (simulation::WidthGroup& g : lines_.groups)  // a line list's one level
        for (simulation::DrawnLine& line : g.lines) {
            if (convention_ == IntensityConvention::Energy)
                line.weight *= AxisWavenumber(line.x - lineShift, c.unit) / nuCentre;
            if (thermal) line.weight *= weights[0];
        }
    if (thermal) {
        // One level of every line, weighted: the lines are drawn once.
        auto& levels = lines_.list.levels;
        for (std::size_t k = 1; k < levels.size(); ++k)
            levels[0].insert(levels[0].end(), levels[k].begin(), levels[k].end());
        levels.resize(std::min<std::size_t>(levels.size(), 1));
    }
    lines_.rotationalT = v.rotationalT;
    lines_.vibrationalT = v.vibrationalT;
    lines_.populations = v.populations;
    return lines_;
}

namespace {

/// The widths vary continuously in a fit: the profile stays a Voigt while both parts are
/// present, instead of becoming the pure profile when one part is small.
simulation::Broadening FitProfile(simulation::Broadening widths) {
    if (widths.lorentzWidth > 0.0f && widths.gaussWidthSq > 0.0f) widths.profile = simulation::Lineshape::Voigt;
    return widths;
}

}  // namespace

simulation::Broadening SystemTracer::WidthsOf(const SystemValues& v, simulation::SimulationConditions& c) const {
    c = conditions_;
    c.temperature = v.rotationalT;
    SetInstrument(c, v.gauss, v.lorentz);
    simulation::CheckConditions(c);
    return FitProfile(simulation::ComputeBroadening(c, MolecularMass()));
}

simulation::LineDrawer SystemTracer::Drawer(const SystemValues& v, bool squareRoot, simulation::SpectralGrid& grid,
                                            bool keepGrid) const {
    simulation::SimulationConditions c;
    const simulation::Broadening widths = WidthsOf(v, c);
    if (!keepGrid) grid = simulation::PlanGrid(start_, end_, widths.totalWidth, pointsPerWidth_, 1).grid;
    return simulation::LineDrawer(simulation::MakeProfileGrid(grid, widths, c.predissociationBroadening, c.unit),
                                  squareRoot, simulation::ProfileMethod::Convolved);
}

simulation::LineDrawer& SystemTracer::KeptDrawer(const SystemValues& v, bool squareRoot,
                                                 simulation::SpectralGrid& grid) {
    // The temperature sets the Doppler and collisional widths where they are on.
    const bool followsT = conditions_.dopplerBroadening || conditions_.collisionalBroadening;
    KeptDrawerState& d = drawer_;
    if (!d.drawer || d.gauss != v.gauss || d.lorentz != v.lorentz || d.squareRoot != squareRoot ||
        (followsT && d.temperature != v.rotationalT)) {
        d.drawer.reset();
        d.groups.clear();
        d.drawer.emplace(Drawer(v, squareRoot, d.grid));
        d.gauss = v.gauss, d.lorentz = v.lorentz, d.temperature = v.rotationalT, d.squareRoot = squareRoot;
    }
    grid = d.grid;
    return *d.drawer;
}

std::vector<simulation::LineDrawer> SystemTracer::GroupDrawers(const SystemValues& v,
                                                               const std::vector<simulation::WidthGroup>& groups,
                                                               simulation::SpectralGrid& grid, bool keepGrid) const {
    // Each group's collisional width in place of the conditions', the fitted instrument widths
    // added to it as they add to the collisional width of a catalogue system.
    simulation::SimulationConditions c;
    const simulation::Broadening widths = WidthsOf(v, c);
    std::vector<simulation::Broadening> own;
    float narrowest = std::numeric_limits<float>::infinity();
    for (const simulation::WidthGroup& g : groups) {
        const simulation::Broadening b =
            FitProfile(simulation::GroupBroadening(c, MolecularMass(), g.collisionalWidth, widths));
        narrowest = std::min(narrowest, b.totalWidth);
        own.push_back(b);
    }
    if (!keepGrid) grid = simulation::PlanGrid(start_, end_, narrowest, pointsPerWidth_, 1).grid;
    std::vector<simulation::LineDrawer> drawers;
    drawers.reserve(own.size());
    for (const simulation::Broadening& b : own)
        drawers.emplace_back(simulation::MakeProfileGrid(grid, b, c.predissociationBroadening, c.unit), false,
                             simulation::ProfileMethod::Convolved);
    return drawers;
}

void SystemTracer::DrawGroups(const std::vector<simulation::WidthGroup>& groups,
                              std::vector<simulation::LineDrawer>& drawers, float* out, simulation::DrawStats& stats) {
    for (std::size_t g = 0; g < groups.size(); ++g)
        if (!groups[g].lines.empty()) drawers[g].Draw(groups[g].lines, out, stats);
}

std::vector<simulation::LineDrawer>& SystemTracer::KeptGroupDrawers(const SystemValues& v,
                                                                    const std::vector<simulation::WidthGroup>& groups,
                                                                    simulation::SpectralGrid& grid) {
    KeptDrawerState& d = drawer_;
    std::vector<double> widths;
    for (const simulation::WidthGroup& g : groups) widths.push_back(g.collisionalWidth);
    // NaN, the conditions' width, matches NaN.
    const auto same = [](const std::vector<double>& a, const std::vector<double>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); });
    };
    if (d.groups.empty() || d.gauss != v.gauss || d.lorentz != v.lorentz || d.temperature != v.rotationalT ||
        !same(d.groupWidths, widths)) {
        d.drawer.reset();
        d.groups.clear();
        d.groups = GroupDrawers(v, groups, d.grid);
        d.groupWidths = std::move(widths);
        d.gauss = v.gauss, d.lorentz = v.lorentz, d.temperature = v.rotationalT, d.squareRoot = false;
    }
    grid = d.grid;
    return d.groups;
}

std::vector<std::vector<simulation::DrawnLine>> SystemTracer::LevelLines(int v,
                                                                         const std::vector<std::pair<int, int>>& levels,
                                                                         const SystemValues& values) {
    simulation::SimulationConditions c = conditions_;
    c.temperature = values.rotationalT;
    const double lineShift = simulation::ComputeBroadening(c, MolecularMass()).lineShift;
    const double nuCentre = AxisWavenumber(0.5 * (start_ + end_), c.unit);
    auto convention = [&](std::vector<simulation::DrawnLine>& out) {
        if (convention_ == IntensityConvention::Energy)
            for (simulation::DrawnLine& line : out)
                line.weight *= AxisWavenumber(line.x - lineShift, c.unit) / nuCentre;
    };
    if (system_.lineList) {
        // The list's upper levels: the row is the level's index among the list's levels.
        simulation::UpperLevelLines upper =
            simulation::LineSetUpperLevelLines(*system_.lineList, c, lineShift, start_, end_);
        std::vector<std::vector<simulation::DrawnLine>> lines;
        levelWidths_.clear();
        for (const auto& level : levels) {
            const auto at = std::lower_bound(upper.levels.begin(), upper.levels.end(),
                                             static_cast<std::uint32_t>(std::max(level.second, 0)));
            std::vector<simulation::DrawnLine>& out = lines.emplace_back();
            std::vector<double>& widths = levelWidths_.emplace_back();
            if (v != 0 || level.first != 0 || at == upper.levels.end() ||
                *at != static_cast<std::uint32_t>(level.second))
                continue;
            out = std::move(upper.lines[static_cast<std::size_t>(at - upper.levels.begin())]);
            widths = std::move(upper.widths[static_cast<std::size_t>(at - upper.levels.begin())]);
            convention(out);
        }
        return lines;
    }
    populations::Populations one = pop_->AllLevels();
    one.levels = {v};
    one.weights = {1.0};
    one.rotational.Fill(0.0f);
    std::vector<std::vector<simulation::DrawnLine>> lines;
    for (const auto& [component, row] : levels) {
        one.rotational(v, component, row) = 1.0;
        simulation::LineList list = simulation::BuildLineList(*system_.model, c, one, lineShift, start_, end_);
        one.rotational(v, component, row) = 0.0;
        std::vector<simulation::DrawnLine>& out = lines.emplace_back();
        if (list.levels.empty()) continue;
        out = std::move(list.levels[0]);
        convention(out);
    }
    return lines;
}

std::vector<populations::RotationalTerm> SystemTracer::RotationalTerms(int v) {
    if (!system_.lineList) return pop_->RotationalTerms(v);
    std::vector<populations::RotationalTerm> terms;
    if (v != 0) return terms;
    const database::ImportedLineList& list = *system_.lineList;
    const double zero = simulation::LowestUpperEnergy(list);
    for (std::uint32_t i : simulation::LineSetUpperLevelLines(list, conditions_, 0.0, start_, end_).levels) {
        const database::ListedLevel& level = list.levels[i];
        terms.push_back({0, static_cast<int>(i), level.J, level.energy - zero, level.g});
    }
    return terms;
}

double SystemTracer::MolecularMass() const {
    return system_.lineList ? system_.lineList->mass : system_.model->molecularMass;
}

std::vector<std::vector<float>> SystemTracer::OwnWidthLevelSpectra(
    const std::vector<std::vector<simulation::DrawnLine>>& lines, const SystemValues& values,
    simulation::SpectralGrid& grid) {
    // The lines of every level in groups of one width, as the spectrum of the fit draws them:
    // widths within kOwnWidthTolerance share the group of their logarithm's bin.
    const double bin = 2.0 * simulation::kOwnWidthTolerance;
    auto key = [&](double w) {
        return std::isnan(w) ? std::numeric_limits<long long>::min() : std::llround(std::log(w) / bin);
    };
    std::map<long long, simulation::WidthGroup> byWidth;
    for (std::size_t k = 0; k < lines.size(); ++k)
        for (double w : levelWidths_[k])
            if (!byWidth.count(key(w)))
                byWidth[key(w)].collisionalWidth = std::isnan(w) ? w : std::exp(static_cast<double>(key(w)) * bin);
    std::vector<simulation::WidthGroup> groups;
    std::map<long long, std::size_t> slot;
    for (auto& [k, g] : byWidth) slot[k] = groups.size(), groups.push_back(std::move(g));
    std::vector<simulation::LineDrawer> drawers = GroupDrawers(values, groups, grid);
    std::vector<std::vector<float>> spectra;
    simulation::DrawStats stats;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        std::vector<float>& out = spectra.emplace_back(static_cast<std::size_t>(grid.Points()), 0.0f);
        for (auto& g : groups) g.lines.clear();
        for (std::size_t i = 0; i < lines[k].size(); ++i)
            groups[slot.at(key(levelWidths_[k][i]))].lines.push_back(lines[k][i]);
        DrawGroups(groups, drawers, out.data(), stats);
    }
    return spectra;
}

std::vector<std::vector<float>> SystemTracer::LevelSpectra(const std::vector<std::vector<simulation::DrawnLine>>& lines,
                                                           const SystemValues& values, simulation::SpectralGrid& grid) {
    // The lines of a line list's levels with widths of their own (LevelLines kept them).
    bool own = system_.lineList && levelWidths_.size() == lines.size();
    for (std::size_t k = 0; own && k < lines.size(); ++k) own = levelWidths_[k].size() == lines[k].size();
    if (own) {
        own = false;
        for (const auto& w : levelWidths_)
            own = own || std::any_of(w.begin(), w.end(), [](double x) { return !std::isnan(x); });
        if (own) return OwnWidthLevelSpectra(lines, values, grid);
    }
    simulation::LineDrawer drawer = Drawer(values, false, grid);
    std::vector<std::vector<float>> spectra;
    simulation::DrawStats stats;
    for (const auto& list : lines) {
        std::vector<float>& out = spectra.emplace_back(static_cast<std::size_t>(grid.Points()), 0.0f);
        if (!list.empty()) drawer.Draw(list, out.data(), stats);
    }
    return spectra;
}

void SystemTracer::Trace(const SystemValues& v, SystemTrace& t, const simulation::SpectralGrid* grid) {
    // A spectrum on a given grid is neither kept nor looked up: the cache holds spectra on the
    // grids their widths plan.
    const TraceKey key{conditions_,      start_,          end_, windowStart_, windowEnd_, convention_,
                       freePopulations_, pointsPerWidth_, v};
    const bool cached = system_.traces && !grid;
    if (cached && system_.traces->Find(key, t)) {
        ++evaluations_;
        return;
    }
    const Lines& lines = LinesFor(v);
    std::optional<simulation::LineDrawer> onGrid;
    std::vector<simulation::LineDrawer> groupsOnGrid;
    simulation::LineDrawer* drawer = nullptr;
    std::vector<simulation::LineDrawer>* groupDrawers = nullptr;
    if (grid) t.grid = *grid;
    if (!lines.groups.empty()) {
        // A line list's one level in groups of one collisional width.
        if (grid) {
            groupsOnGrid = GroupDrawers(v, lines.groups, t.grid, true);
            groupDrawers = &groupsOnGrid;
        } else {
            groupDrawers = &KeptGroupDrawers(v, lines.groups, t.grid);
        }
    } else if (grid) {
        onGrid.emplace(Drawer(v, lines.list.squareRoot, t.grid, true));
        drawer = &*onGrid;
    } else {
        drawer = &KeptDrawer(v, lines.list.squareRoot, t.grid);
    }
    const std::size_t points = static_cast<std::size_t>(t.grid.Points());
    simulation::DrawStats stats;
    auto draw = [&](const std::vector<simulation::DrawnLine>& list, std::vector<float>& out) {
        out.assign(points, 0.0f);
        if (groupDrawers)
            DrawGroups(lines.groups, *groupDrawers, out.data(), stats);
        else if (!list.empty())
            drawer->Draw(list, out.data(), stats);
        return WindowArea(t.grid, out, windowStart_, windowEnd_);
    };
    ++evaluations_;
    t.levels.clear();
    t.levelAreas.clear();
    t.area = 0.0;
    if (v.populations.empty()) {
        if (lines.list.levels.empty())
            t.total.assign(points, 0.0f);
        else
            t.area = draw(lines.list.levels[0], t.total);
    } else {
        t.levels.resize(levels_.size());
        t.total.assign(points, 0.0f);
        for (std::size_t k = 0; k < levels_.size(); ++k) {
            t.levelAreas.push_back(draw(lines.list.levels[k], t.levels[k]));
            t.area += v.populations[k] * t.levelAreas[k];
        }
        for (std::size_t k = 0; k < levels_.size(); ++k) {
            float* total = t.total.data();
            const float* level = t.levels[k].data();
            const double population = v.populations[k];
#pragma omp simd
            for (std::size_t i = 0; i < points; ++i) total[i] += static_cast<float>(population * level[i]);
        }
    }
    if (t.area > 0.0) {
        // Divided, not multiplied by the reciprocal: the unit-area spectrum as it always was.
        float* total = t.total.data();
        const double area = t.area;
#pragma omp simd
        for (std::size_t i = 0; i < points; ++i) total[i] = static_cast<float>(total[i] / area);
    }
    if (cached) system_.traces->Store(key, t);
}

}  // namespace velmora::fit
