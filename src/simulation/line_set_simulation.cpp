#include "simulation/line_set_simulation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>

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

DrawnLine Drawn(const database::ListedLine& l, double x, double weight, double tau) {
    DrawnLine d;
    d.x = x;
    d.weight = weight;
    d.strength = static_cast<float>(l.A);
    d.lifetime = tau > 0.0 ? static_cast<float>(tau) : std::numeric_limits<float>::max();
    return d;
}

/// Axis positions of a list's lines: the shift of the conditions, or with the list's own shifts
/// the Doppler shift and each line's delta_air p (see the header).
class LinePlacer {
public:
    LinePlacer(const database::ImportedLineList& list, const SimulationConditions& c, double lineShift)
        : unit_(c.unit), base_(lineShift) {
        if (!(list.lineShifts && c.collisionalShift)) return;
        const Broadening b = ComputeBroadening(c, list.mass);
        own_ = true;
        base_ = c.dopplerShift ? b.dopplerShift : 0.0f;
        const double nuC = RangeCentreWavenumber(c);
        // A shift to higher wavenumber is one to shorter wavelength.
        if (!IsWavelength(c.unit))
            perShift_ = c.pressure / 760.0;
        else if (nuC != 0.0)
            perShift_ = -WidthToAxis(c.pressure / 760.0, nuC, c.unit);
    }
    /// True when both place every line at the same position, to the bit.
    bool operator==(const LinePlacer&) const = default;
    double X(const database::ListedLine& l) const {
        // On a wavenumber axis a line's position is its wavenumber (no call to convert it).
        const double x = (unit_ == AxisUnit::Wavenumber ? l.nu : AxisPosition(l.nu, unit_)) + base_;
        return own_ ? x + perShift_ * l.deltaAir : x;
    }

private:
    AxisUnit unit_;
    double base_;
    bool own_ = false;
    double perShift_ = 0.0;  ///< axis shift per cm-1/atm of delta_air
};

using ListedLines = std::vector<database::ListedLine>;

/// The stretch of a list's lines (in order of wavenumber) that a placement may put strictly
/// inside lo..hi (axis units): those of wavenumbers in the range's, widened by one span for the
/// shifts (far smaller).
std::pair<ListedLines::const_iterator, ListedLines::const_iterator> LinesAbout(const database::ImportedLineList& list,
                                                                               AxisUnit unit, double lo, double hi) {
    const double span = hi - lo;
    const bool wavelength = IsWavelength(unit);  // the axis runs against the wavenumber
    // Whether a line lies before (at lower wavenumber than) the widened range, or beyond it.
    auto before = [&](const database::ListedLine& l) {
        const double x = AxisPosition(l.nu, unit);
        return wavelength ? x > hi + span : x < lo - span;
    };
    auto beyond = [&](const database::ListedLine& l) {
        const double x = AxisPosition(l.nu, unit);
        return wavelength ? x < lo - span : x > hi + span;
    };
    const auto first = std::partition_point(list.lines.begin(), list.lines.end(), before);
    return {first, std::partition_point(first, list.lines.end(), [&](const auto& l) { return !beyond(l); })};
}

/// Does nothing with a line.
struct NoVisit {
    void operator()(const database::ListedLine&, double) const {}
};

/// Calls keep(line, drawn) for every line of the list inside start..end with its intensity for
/// the conditions, after visit(line, x) for every line of the list with its axis position x.
/// False, visiting no line, when the thermal populations are all 0 (a partition sum that is not
/// positive).
template <typename Keep, typename Visit = NoVisit>
bool ForEachLine(const database::ImportedLineList& list, const SimulationConditions& c, double lineShift, double start,
                 double end, Keep keep, Visit visit = {}) {
    const double c2T = kSecondRadiationConstant / c.temperature;
    const bool emission = c.kind == SpectrumKind::Emission;
    const std::shared_ptr<const database::ListedLevelSums> sums = database::KeptLevelSums(list);
    const std::vector<double>& lifetimes = sums->lifetimes;

    // The emitting state: energies from its lowest kept level, its own partition function.
    double lowestUpper = std::numeric_limits<double>::infinity(), Q = 0.0;
    if (emission) {
        lowestUpper = sums->lowestUpper;
        Q = list.derived.AtTemperature(1, sums->fingerprint, c.temperature, [&] {
            double q = 0.0;
            for (std::size_t i = 0; i < list.levels.size(); ++i)
                if (sums->isUpper[i]) q += list.levels[i].g * std::exp(-c2T * (list.levels[i].energy - lowestUpper));
            return q;
        });
    } else {
        Q = database::KeptPartitionFunction(list, c.temperature);
    }
    if (!(Q > 0.0)) return false;

    // exp(-c2 (E - E0) / T) of the populated level of a line (the upper one in emission, E0 =
    // E'0; else the lower one, E0 = 0), found at the level's first line and shared by its others
    // whose energy (E'' + nu in emission) is the level's to the bit: the argument is then the
    // same double, so is the exp. A line whose energy differs in the last bits takes its own.
    const double zero = emission ? lowestUpper : 0.0;
    const double unknown = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> levelFactor(list.levels.size(), unknown);
    auto boltzmann = [&](const database::ListedLine& l) {
        const std::uint32_t level = emission ? l.upper : l.lower;
        const double E = emission ? l.UpperEnergy() : l.lowerEnergy;
        if (E != list.levels[level].energy) return std::exp(-c2T * (E - zero));
        double& f = levelFactor[level];
        if (std::isnan(f)) f = std::exp(-c2T * (E - zero));
        return f;
    };

    const LinePlacer placer(list, c, lineShift);
    for (const database::ListedLine& l : list.lines) {
        const double x = placer.X(l);
        visit(l, x);
        if (!(start < x && x < end)) continue;
        const double tau = lifetimes[l.upper];
        double weight = 0.0;
        switch (c.kind) {
            case SpectrumKind::Emission:
                weight = l.A * l.gUpper * boltzmann(l) / Q;
                break;
            case SpectrumKind::Absorption:
                weight = l.gUpper * l.A / (l.nu * l.nu) * boltzmann(l) / Q;
                break;
            default:
                weight = l.gUpper * l.A / (l.nu * l.nu * l.nu) * boltzmann(l) / Q *
                         GateFactor(tau, c.gate, c.gateDelay, c.gateWidth);
        }
        if (!(weight > 0.0)) continue;
        keep(l, Drawn(l, x, weight, tau));
    }
    return true;
}

}  // namespace

LineList LineSetLines(const database::ImportedLineList& list, const SimulationConditions& c, double lineShift,
                      double start, double end) {
    CheckKind(c);
    LineList out;
    out.levels.resize(1);
    ForEachLine(list, c, lineShift, start, end,
                [&](const database::ListedLine&, const DrawnLine& d) { out.levels[0].push_back(d); });
    return out;
}

double SelfPressure(const database::ImportedLineList& list, const SimulationConditions& c) {
    double fraction = 0.0;
    for (const auto& [partner, x] : c.composition.partners)
        if (!list.molecule.empty() && partner == list.molecule) fraction += x;
    return std::clamp(fraction, 0.0, 1.0) * c.pressure / 760.0;
}

namespace {

/// (296 / T)^n for the exponents of a list's lines: a list holds few distinct exponents, and a
/// power per line would cost as much as drawing it.
class TemperatureFactors {
public:
    explicit TemperatureFactors(double T) : ratio_(296.0 / T) {}
    double operator()(float n) {
        if (n == lastN_) return last_;
        const auto at = std::find_if(known_.begin(), known_.end(), [n](const auto& k) { return k.first == n; });
        if (at != known_.end()) {
            lastN_ = n, last_ = at->second;
        } else {
            lastN_ = n, last_ = std::pow(ratio_, static_cast<double>(n));
            if (known_.size() < 64) known_.emplace_back(n, last_);
        }
        return last_;
    }

private:
    double ratio_;
    float lastN_ = std::numeric_limits<float>::quiet_NaN();
    double last_ = 1.0;
    std::vector<std::pair<float, double>> known_;
};

/// The collisional FWHM of each line of a list under the conditions (see the header).
class OwnWidths {
public:
    OwnWidths(const database::ImportedLineList& list, const SimulationConditions& c, double selfPressure)
        : list_(list),
          p_(c.pressure / 760.0),
          pSelf_(std::clamp(selfPressure, 0.0, c.pressure / 760.0)),
          factor_(c.temperature) {
        for (const auto& [partner, x] : c.composition.partners) partners_.push_back({list.BroadenerOf(partner), x});
        partnerFactors_.assign(partners_.size(), TemperatureFactors(c.temperature));
    }

    /// From the line's own half-widths alone.
    double OfRecord(const database::ListedLine& line) {
        if (!(line.gammaAir > 0.0f || line.gammaSelf > 0.0f)) return std::numeric_limits<double>::quiet_NaN();
        const double air = line.gammaAir > 0.0f ? line.gammaAir : line.gammaSelf;
        const double self = line.gammaSelf > 0.0f ? line.gammaSelf : air;
        // HWHM at 296 K per atm, scaled to T; twice that is the FWHM.
        return 2.0 * factor_(line.nAir) * (air * (p_ - pSelf_) + self * pSelf_);
    }

    /// With the list's broadening files where it has them.
    double operator()(const database::ListedLine& line) {
        if (list_.broadeners.empty()) return OfRecord(line);
        const float jLower = list_.levels[line.lower].J, jUpper = list_.levels[line.upper].J;
        double covered = 0.0, sum = 0.0;
        for (std::size_t i = 0; i < partners_.size(); ++i) {
            database::ListBroadener::Width w;
            if (!partners_[i].file || !partners_[i].file->Find(jLower, jUpper, w)) continue;
            covered += partners_[i].x;
            sum += partners_[i].x * w.gamma * partnerFactors_[i](w.n);
        }
        const double rest = std::max(0.0, 1.0 - covered);
        if (rest > 0.0 && line.gammaAir > 0.0f)
            sum += rest * line.gammaAir * factor_(line.nAir);
        else if (covered > 0.0)
            sum /= covered;  // no default width: the partners with widths stand for the whole gas
        else
            return std::numeric_limits<double>::quiet_NaN();
        return 2.0 * sum * p_;
    }

private:
    struct Partner {
        const database::ListBroadener* file;
        double x;
    };
    const database::ImportedLineList& list_;
    double p_, pSelf_;
    TemperatureFactors factor_;
    std::vector<Partner> partners_;
    std::vector<TemperatureFactors> partnerFactors_;
};

}  // namespace

double OwnCollisionalWidth(const database::ListedLine& line, const SimulationConditions& c, double selfPressure) {
    static const database::ImportedLineList kNone;
    return OwnWidths(kNone, c, selfPressure).OfRecord(line);
}

double OwnCollisionalWidth(const database::ImportedLineList& list, const database::ListedLine& line,
                           const SimulationConditions& c, double selfPressure) {
    return OwnWidths(list, c, selfPressure)(line);
}

namespace {

/// The lines a grid is planned on (LineSetGridWidth): all of the list, or those placed strictly
/// inside lo..hi; and the narrowest collisional FWHM among them.
struct GridLines {
    bool all = false;
    double lo = 0.0, hi = 0.0;
    std::optional<LinePlacer> placer;  ///< when it places the lines otherwise than the drawing does
    double narrowest = std::numeric_limits<double>::infinity();
};

/// LineSetWidthGroups; with `grid`, the narrowest width of its lines found on the way (each line's
/// width evaluated once). False when the partition sum is not positive (no line visited).
bool WidthGroups(const database::ImportedLineList& list, const SimulationConditions& c, double lineShift, double start,
                 double end, GridLines* grid, std::vector<WidthGroup>& groups) {
    CheckKind(c);
    groups.clear();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    WidthGroup shared{nan, nan, {}};  // the lines of the conditions' width, in the list's order
    // A list's widths take few distinct values: each line keeps the slot of its width.
    struct BitsHash {
        std::size_t operator()(double w) const {
            std::uint64_t bits;
            std::memcpy(&bits, &w, sizeof bits);
            return static_cast<std::size_t>((bits ^ (bits >> 29)) * 0x9E3779B97F4A7C15ull >> 16);
        }
    };
    std::unordered_map<double, std::uint32_t, BitsHash> slotOf;
    std::vector<double> widths;       // by slot
    std::vector<std::size_t> counts;  // the lines of each slot
    // The lines of widths of their own in the list's order with the slot of each, scattered into
    // their groups at the end: each group's lines allocated once, at its size, and copied once.
    std::vector<DrawnLine> kept;
    std::vector<std::uint32_t> keptSlot;
    {
        // As many as the list has near the range (one allocation where the estimate holds).
        const auto [first, last] = LinesAbout(list, c.unit, start, end);
        (c.collisionalBroadening ? kept : shared.lines).reserve(static_cast<std::size_t>(last - first));
        if (c.collisionalBroadening) keptSlot.reserve(kept.capacity());
    }
    // The slots of the widths met last, by a few bits of their hash: a line's width is most
    // often one of those of the lines before it, and this costs less than the map.
    struct Recent {
        double width = std::numeric_limits<double>::quiet_NaN();
        std::uint32_t slot = 0;
    };
    std::array<Recent, 64> recent{};
    OwnWidths ownWidth(list, c, SelfPressure(list, c));
    // The width of the line visited last, when it is one of the grid's lines.
    double gridWidth = nan;
    bool gridLine = false;
    const auto visit = [&](const database::ListedLine& l, double x) {
        gridLine = false;
        if (!grid) return;
        if (!grid->all) {
            const double at = grid->placer ? grid->placer->X(l) : x;
            if (!(grid->lo < at && at < grid->hi)) return;
        }
        gridLine = true;
        gridWidth = ownWidth(l);
        if (gridWidth < grid->narrowest) grid->narrowest = gridWidth;
    };
    const auto keep = [&](const database::ListedLine& l, const DrawnLine& d) {
        const double w = !c.collisionalBroadening ? nan : gridLine ? gridWidth : ownWidth(l);
        if (std::isnan(w)) {
            shared.lines.push_back(d);
            return;
        }
        Recent& r = recent[BitsHash()(w) & (recent.size() - 1)];
        if (!(r.width == w)) {
            const auto at = slotOf.try_emplace(w, static_cast<std::uint32_t>(widths.size())).first;
            if (at->second == widths.size()) widths.push_back(w), counts.push_back(0);
            r = {w, at->second};
        }
        kept.push_back(d);
        keptSlot.push_back(r.slot);
        ++counts[r.slot];
    };
    if (!ForEachLine(list, c, lineShift, start, end, keep, visit)) return false;
    if (!shared.lines.empty()) groups.push_back(std::move(shared));
    // The slots in order of width.
    std::vector<std::uint32_t> order(widths.size());
    for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return widths[a] < widths[b]; });
    // Widths within the tolerance of the group's middle width join it, narrowest first, the
    // lines of each width after those of the narrower ones.
    std::vector<std::pair<std::size_t, std::size_t>> place(widths.size());  // by slot: group, first line
    for (std::size_t k = 0; k < order.size();) {
        const double lo = widths[order[k]], top = lo * (1.0 + 2.0 * kOwnWidthTolerance);
        std::size_t e = k;
        while (e < order.size() && widths[order[e]] <= top) ++e;
        WidthGroup& g = groups.emplace_back();
        g.collisionalWidth = 0.5 * (lo + widths[order[e - 1]]);
        g.narrowest = lo;
        std::size_t count = 0;
        for (std::size_t j = k; j < e; ++j) {
            place[order[j]] = {groups.size() - 1, count};
            count += counts[order[j]];
        }
        g.lines.resize(count);
        k = e;
    }
    // The groups are all made: where the next line of each slot goes.
    std::vector<DrawnLine*> next(widths.size());
    for (std::size_t s = 0; s < next.size(); ++s) next[s] = groups[place[s].first].lines.data() + place[s].second;
    for (std::size_t i = 0; i < kept.size(); ++i) *next[keptSlot[i]]++ = kept[i];
    return true;
}

}  // namespace

std::vector<WidthGroup> LineSetWidthGroups(const database::ImportedLineList& list, const SimulationConditions& c,
                                           double lineShift, double start, double end) {
    std::vector<WidthGroup> groups;
    WidthGroups(list, c, lineShift, start, end, nullptr, groups);
    return groups;
}

Broadening GroupBroadening(const SimulationConditions& c, double mass, double collisionalWidth,
                           const Broadening& widths) {
    if (std::isnan(collisionalWidth)) return widths;
    // The conditions' collisional width B1 (300 / T)^B2 p made the group's own.
    SimulationConditions g = c;
    g.collisionalBroadening = true;
    g.collisionalBroad1 = c.pressure > 0.0 ? collisionalWidth * 760.0 / c.pressure : 0.0;
    g.collisionalBroad2 = 0.0;
    Broadening b = ComputeBroadening(g, mass, widths);
    b.lineShift = widths.lineShift;
    b.collisionalShift = widths.collisionalShift;
    return b;
}

double LowestUpperEnergy(const database::ImportedLineList& list) { return database::KeptLevelSums(list)->lowestUpper; }

UpperLevelLines LineSetUpperLevelLines(const database::ImportedLineList& list, const SimulationConditions& c,
                                       double lineShift, double start, double end) {
    CheckKind(c);
    const std::shared_ptr<const database::ListedLevelSums> sums = database::KeptLevelSums(list);
    const std::vector<double>& lifetimes = sums->lifetimes;
    const LinePlacer placer(list, c, lineShift);
    // Slot of each upper level among the levels returned, -1 until a line in the range is met.
    std::vector<long long> slot(list.levels.size(), -1);
    std::vector<std::uint32_t> order;
    for (const database::ListedLine& l : list.lines) {
        const double x = placer.X(l);
        if (start < x && x < end && l.A > 0.0 && slot[l.upper] < 0) slot[l.upper] = 0, order.push_back(l.upper);
    }
    std::sort(order.begin(), order.end());
    UpperLevelLines out;
    out.levels = order;
    out.lines.resize(order.size());
    out.widths.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) slot[order[k]] = static_cast<long long>(k);
    OwnWidths own(list, c, SelfPressure(list, c));
    for (const database::ListedLine& l : list.lines) {
        const double x = placer.X(l);
        if (!(start < x && x < end) || !(l.A > 0.0)) continue;
        const std::size_t k = static_cast<std::size_t>(slot[l.upper]);
        out.lines[k].push_back(Drawn(l, x, l.A, lifetimes[l.upper]));
        out.widths[k].push_back(c.collisionalBroadening ? own(l) : std::numeric_limits<double>::quiet_NaN());
    }
    return out;
}

float LineSetGridWidth(const database::ImportedLineList& list, const SimulationConditions& c,
                       const Broadening& widths) {
    if (!c.collisionalBroadening || !(c.temperature > 0.0)) return widths.totalWidth;
    OwnWidths own(list, c, SelfPressure(list, c));
    double narrowest = std::numeric_limits<double>::infinity();
    auto take = [&](const database::ListedLine& l) {
        const double w = own(l);
        if (w < narrowest) narrowest = w;
    };
    if (ConvolvesInstrument(c)) {
        // The groups through the instrument are those of the whole list.
        for (const database::ListedLine& l : list.lines) take(l);
    } else {
        // The lines drawn: those placed strictly inside the range.
        const double lo = std::min(c.start, c.end), hi = std::max(c.start, c.end);
        const LinePlacer placer(list, c, widths.lineShift);
        const auto [first, last] = LinesAbout(list, c.unit, lo, hi);
        for (auto l = first; l != last; ++l) {
            const double x = placer.X(*l);
            if (lo < x && x < hi) take(*l);
        }
    }
    if (!std::isfinite(narrowest)) return widths.totalWidth;
    return std::min(widths.totalWidth, GroupBroadening(c, list.mass, narrowest, widths).totalWidth);
}

namespace {

/// The conditions a line set is drawn under: those given, the range in increasing order at the
/// precision of the grid's ends.
SimulationConditions DrawnConditions(const SimulationConditions& conditions) {
    SimulationConditions c = conditions;
    const float a = static_cast<float>(conditions.start), b = static_cast<float>(conditions.end);
    c.start = std::min(a, b);
    c.end = std::max(a, b);
    return c;
}

/// The groups a simulation draws under the drawn conditions `c`: through the instrument, those of
/// the whole list (the instrument asks for the lines of a widened range); else those of the range.
bool DrawnGroups(const database::ImportedLineList& list, const SimulationConditions& c, const Broadening& widths,
                 GridLines* grid, std::vector<WidthGroup>& groups) {
    const double infinity = std::numeric_limits<double>::infinity();
    const bool whole = ConvolvesInstrument(c);
    return WidthGroups(list, c, widths.lineShift, whole ? -infinity : c.start, whole ? infinity : c.end, grid, groups);
}

}  // namespace

LineSetPlan PlanLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                        const Broadening& widths) {
    LineSetPlan plan;
    const SimulationConditions drawn = DrawnConditions(conditions);
    // The lines LineSetGridWidth looks at: all of the list through the instrument, else those
    // placed inside the range (at the precision of the conditions, the drawing's at the grid's).
    GridLines lines;
    const bool own = conditions.collisionalBroadening && conditions.temperature > 0.0;
    if (own) {
        lines.all = ConvolvesInstrument(conditions);
        lines.lo = std::min(conditions.start, conditions.end), lines.hi = std::max(conditions.start, conditions.end);
        const LinePlacer placer(list, conditions, widths.lineShift);
        if (!(placer == LinePlacer(list, drawn, widths.lineShift))) lines.placer = placer;
    }
    if (!DrawnGroups(list, drawn, widths, own ? &lines : nullptr, plan.groups)) {
        plan.gridWidth = LineSetGridWidth(list, conditions, widths);  // no line is drawn
        return plan;
    }
    plan.gridWidth =
        std::isfinite(lines.narrowest)
            ? std::min(widths.totalWidth, GroupBroadening(conditions, list.mass, lines.narrowest, widths).totalWidth)
            : widths.totalWidth;
    return plan;
}

Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const SimulationOptions& options) {
    CheckConditions(conditions);
    SimulationConditions c = conditions;
    if (c.start > c.end) std::swap(c.start, c.end);
    const Broadening widths = ComputeBroadening(c, list.mass);
    const LineSetPlan lines = PlanLineSet(list, c, widths);
    const GridPlan plan =
        PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), lines.gridWidth, PointsPerWidth(c.density), 1);
    Spectrum s = SimulateLineSet(list, c, widths, plan.grid, lines.groups, options);
    s.gridCoarsened = plan.overBudget;
    return s;
}

Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const Broadening& widths, const SpectralGrid& grid, const SimulationOptions& options) {
    CheckConditions(conditions);
    std::vector<WidthGroup> groups;
    DrawnGroups(list, DrawnConditions(conditions), widths, nullptr, groups);
    return SimulateLineSet(list, conditions, widths, grid, groups, options);
}

Spectrum SimulateLineSet(const database::ImportedLineList& list, const SimulationConditions& conditions,
                         const Broadening& widths, const SpectralGrid& grid, const std::vector<WidthGroup>& groups,
                         const SimulationOptions& options) {
    CheckConditions(conditions);
    CheckKind(conditions);
    Spectrum s;
    s.conditions = DrawnConditions(conditions);
    s.widths = widths;
    s.grid = grid;
    s.levels = {0};
    s.weights = {1.0};
    s.bands.Resize(1, 1, 0, grid.last);
    DrawStats stats;
    const SimulationConditions& c = s.conditions;
    if (ConvolvesInstrument(c)) {
        // Each group through the instrument on its own (the convolution is linear). The groups
        // are formed over the whole list; the instrument asks for the lines of a widened range.
        Array2<float> part;
        for (std::size_t g = 0; g == 0 || g < groups.size(); ++g) {
            const LineSource source = [&](double start, double end) {
                LineList lines;
                lines.levels.resize(1);
                if (g < groups.size())
                    for (const DrawnLine& d : groups[g].lines)
                        if (start < d.x && d.x < end) lines.levels[0].push_back(d);
                return lines;
            };
            const double width = g < groups.size() ? groups[g].collisionalWidth : std::nan("");
            part.Resize(1, 1, 0, grid.last);
            DrawThroughInstrument(source, c, GroupBroadening(c, list.mass, width, widths), grid, options.profiles, part,
                                  stats);
            for (int i = 0; i <= grid.last; ++i) s.bands(1, i) = g == 0 ? part(1, i) : s.bands(1, i) + part(1, i);
        }
    } else {
        for (const WidthGroup& group : groups) {
            const Broadening gw = GroupBroadening(c, list.mass, group.collisionalWidth, widths);
            LineDrawer drawer(MakeProfileGrid(grid, gw, c.predissociationBroadening, c.unit), false, options.profiles);
            drawer.Draw(group.lines, &s.bands(1, 0), stats);
        }
    }
    s.linesDrawn = stats.lines;
    s.profilePoints = stats.profilePoints;
    BuildTotal(s);
    return s;
}

}  // namespace velmora::simulation
