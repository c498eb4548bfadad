#include "simulation/line_list.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "common/numerics.h"
#include "simulation/detection_filter.h"
#include "simulation/line_memo.h"
#include "simulation/rate_equations.h"
#include "simulation/wide_builds.h"

namespace velmora::simulation {

double AxisPosition(double nu, AxisUnit unit) { return WavenumberToAxis(nu, StoredValue(unit)); }

namespace {

// The loops are written once and inlined into each build.

[[gnu::always_inline]] inline void PositionPoints(const ModelLine* lines, std::size_t n, AxisUnit unit, double shift,
                                                  double* x) {
    switch (unit) {
        case AxisUnit::AngstromVacuum:
#pragma omp simd
            for (std::size_t i = 0; i < n; ++i) x[i] = 1E8 / lines[i].nu + shift;
            return;
        case AxisUnit::NanometreVacuum:
#pragma omp simd
            for (std::size_t i = 0; i < n; ++i) x[i] = 1E8 / lines[i].nu / 10.0 + shift;
            return;
        case AxisUnit::Wavenumber:
#pragma omp simd
            for (std::size_t i = 0; i < n; ++i) x[i] = lines[i].nu + shift;
            return;
        case AxisUnit::AngstromAir:
        case AxisUnit::NanometreAir: {
            // WavenumberToAxis with AirIndex written out, step for step, so that the loop runs in
            // vectors and gives the same values.
            const double perAngstrom = unit == AxisUnit::NanometreAir ? 10.0 : 1.0;
#pragma omp simd
            for (std::size_t i = 0; i < n; ++i) {
                const double vacuum = 1E8 / lines[i].nu;
                const double sigma = 1.0 / (vacuum * 0.0001);
                const double s2 = sigma * sigma;
                const double index = 1.0 + 1e-8 * (8342.13 + 2406030.0 / (130.0 - s2) + 15997.0 / (38.9 - s2));
                x[i] = vacuum / index / perAngstrom + shift;
            }
            return;
        }
        default:
            for (std::size_t i = 0; i < n; ++i) x[i] = AxisPosition(lines[i].nu, unit) + shift;
    }
}

void PositionsBaseline(const ModelLine* lines, std::size_t n, AxisUnit unit, double shift, double* x) {
    PositionPoints(lines, n, unit, shift, x);
}
constexpr PositionKernels kBaseline{PositionsBaseline};

#ifdef VELMORA_WIDE_BUILDS
[[gnu::target("avx2")]] void PositionsWide(const ModelLine* lines, std::size_t n, AxisUnit unit, double shift,
                                           double* x) {
    PositionPoints(lines, n, unit, shift, x);
}
constexpr PositionKernels kWide{PositionsWide};
const PositionKernels& Choose() { return RunsWideBuilds() ? kWide : kBaseline; }
#else
const PositionKernels& Choose() { return kBaseline; }
#endif

}  // namespace

const PositionKernels& BaselinePositionKernels() { return kBaseline; }

const PositionKernels& ActivePositionKernels() {
    static const PositionKernels& active = Choose();
    return active;
}

database::CompositionQuenching GasQuenching(const database::StateQuenching& models, const SimulationConditions& c) {
    if (c.quenching != QuenchingSource::GasComposition) return {};
    return database::QuenchingRate(models, c.composition, c.temperature, c.pressure);
}

double FluorescenceYield(double tauR, double tauEff, double quenchRateConstant, double compositionRate,
                         const SimulationConditions& c) {
    if (tauR == 0.0) return 0.0;
    if (c.yield == YieldMode::Excluded) return 1.0;
    // Collision rate in ns-1.
    const double Q = c.yield == YieldMode::ExcludeQuenching
                         ? 0.0
                         : database::CollisionRateNs(StoredValue(c.quenching), c.quenchingRate, quenchRateConstant,
                                                     c.pressure, compositionRate);
    // Decay without collisions: radiative only, or with predissociation.
    const double G = (c.yield == YieldMode::ExcludePredissociation || tauEff <= 0.0) ? 1.0 / tauR : 1.0 / tauEff;
    return 1.0 / ((Q + G) * tauR);
}

namespace {

/// One row (v, component) of an array of level values over its rotational rows, read as ValueAt
/// reads it: 0 outside the array.
template <typename T>
struct Row {
    const T* values = nullptr;
    int lo = 0, hi = -1;
    T At(int N) const { return N >= lo && N <= hi ? values[N - lo] : T(0); }
};
using LevelRow = Row<float>;        ///< the model's level values (single precision)
using PopulationRow = Row<double>;  ///< populations (double precision)

template <typename T>
Row<T> RowOf(const Array3<T>& a, int v, int component) {
    if (a.Empty() || !a.Contains(v, component, a.Lo(2))) return {};
    return {&a(v, component, a.Lo(2)), a.Lo(2), a.Hi(2)};
}

/// The rows of the levels that one branch of a band joins: the upper level's values, read at
/// N + ΔN, and the lower level's population, read at N.
struct BranchRows {
    int deltaN = 0;
    LevelRow yield, radiative, computed, effective, filter;
    PopulationRow upperPopulation, lowerPopulation;
};

}  // namespace

Array3<float> LevelYields(const BandSystemModel& m, const SimulationConditions& c) {
    Array3<float> yields = m.baseYield;
    if (!m.levelFiles) return yields;
    const double compositionRate = GasQuenching(m.quenching, c).rate;
    for (int v = 0; v <= m.vUpMax; ++v)
        for (int comp = 1; comp <= m.upperComponents; ++comp) {
            if (yields.Empty() || !yields.Contains(v, comp, yields.Lo(2))) continue;
            const LevelRow tauR = RowOf(m.lifetime, v, comp), tauEff = RowOf(m.effectiveLifetime, v, comp),
                           quench = RowOf(m.quenchRate, v, comp);
            float* out = &yields(v, comp, yields.Lo(2));
            const int last = std::min(m.lastUpperRow.ValueAt(v), yields.Hi(2));
            for (int N = std::max(m.upperLambda, yields.Lo(2)); N <= last; ++N)
                out[N - yields.Lo(2)] =
                    static_cast<float>(FluorescenceYield(tauR.At(N), tauEff.At(N), quench.At(N), compositionRate, c));
        }
    return yields;
}

double WindowFactor(const std::vector<BandWeight>& bands, const SimulationConditions& c) {
    if (c.window != WindowMode::Window) return 1.0;
    const float lo = static_cast<float>(std::min(c.windowStart, c.windowEnd) - 20.0);
    const float hi = static_cast<float>(std::max(c.windowStart, c.windowEnd) + 20.0);
    // The window limits are always wavelengths in Å, in air when the axis is.
    const AxisUnit angstrom = IsAir(c.unit) ? AxisUnit::AngstromAir : AxisUnit::AngstromVacuum;
    double total = 0.0, inside = 0.0;
    for (const BandWeight& band : bands) {
        total += band.emission;
        if (band.origin == 0.0) continue;  // no band: nothing falls in the window
        const double L = AxisPosition(band.origin, angstrom);
        if (lo <= L && L <= hi) inside += band.emission;
    }
    return total != 0.0 ? static_cast<float>(inside / total) : 1.0;
}

double GateFactor(double tauNs, GateMode gate, double delayNs, double widthNs) {
    if (tauNs <= 1E-7) return 0.0;
    if (gate != GateMode::TimeResolved) return 1.0;
    double g = 10.0 * tauNs > delayNs ? std::exp(-delayNs / tauNs) : 0.0;
    if (10.0 * tauNs > delayNs + widthNs) g -= std::exp(-(delayNs + widthNs) / tauNs);
    return g;
}

bool BandMayContribute(double originCm, double start, double end, AxisUnit unit) {
    const double origin = originCm != 0.0 ? 1E8 / originCm : 0.0;  // Å
    if (unit == AxisUnit::AngstromVacuum || unit == AxisUnit::AngstromAir)
        return static_cast<float>(origin + 350.0) >= start && static_cast<float>(origin - 350.0) <= end;
    double lo, hi;  // the range in Å
    if (IsWavelength(unit)) {
        lo = start / UnitsPerAngstrom(unit);
        hi = end / UnitsPerAngstrom(unit);
    } else {
        lo = end > 0.0 ? 1E8 / end : 0.0;
        hi = start > 0.0 ? 1E8 / start : std::numeric_limits<double>::infinity();
    }
    return origin + 350.0 >= lo && origin - 350.0 <= hi;
}

namespace {

/// Whether any line of a band may lie inside (start, end) of the axis: its lowest and highest
/// wavenumber bound the positions of all its lines, the axis being monotonic in the wavenumber.
/// False only for bands without a line there.
bool ReachesRange(const ModelBand& band, AxisUnit unit, double shift, double start, double end) {
    // A band whose origin lies inside the range has its lines there too, all but always; its
    // lines are taken one by one against the range, so the test of all of them is spared.
    if (band.origin > 0.0) {
        const double origin = AxisPosition(band.origin, unit) + shift;
        if (start < origin && origin < end) return true;
    }
    float lo = band.lines.front().nu, hi = lo;
    const ModelLine* lines = band.lines.data();
#pragma omp simd reduction(min : lo) reduction(max : hi)
    for (std::size_t i = 0; i < band.lines.size(); ++i) {
        lo = lines[i].nu < lo ? lines[i].nu : lo;
        hi = lines[i].nu > hi ? lines[i].nu : hi;
    }
    const double a = AxisPosition(lo, unit) + shift, b = AxisPosition(hi, unit) + shift;
    return std::max(a, b) > start && std::min(a, b) < end;
}

/// What the emission lines of one upper vibrational level read of it, per rotational row
/// 0..lastRow of each component: the product yield × population (in double precision, as the
/// weight of a line is formed) and the lifetime with predissociation. Built once per upper level,
/// so that a line reads one product where it would look up and multiply two values of bounded
/// rows.
class EmissionLevel {
public:
    /// One branch: the rows of its upper component, read at N + ΔN.
    struct Branch {
        const double* product = nullptr;
        const float* effective = nullptr;
        int deltaN = 0;
    };

    void Build(const std::array<BranchRows, kMaxBranches + 1>& rows, std::size_t lastBranch) {
        int last = -1;
        for (std::size_t b = 1; b <= lastBranch; ++b)
            last = std::max({last, rows[b].yield.hi, rows[b].upperPopulation.hi, rows[b].effective.hi});
        lastRow_ = last;
        const std::size_t width = static_cast<std::size_t>(last + 1);
        // Branches that read the same rows (of one upper component) share a segment; segment 0
        // stays zero, for branches without a level.
        std::size_t segments = 1;
        std::array<std::size_t, kMaxBranches + 1> opener{};  // the first branch of each segment
        for (std::size_t b = 1; b <= lastBranch; ++b) {
            std::size_t segment = 1;
            while (segment < segments && !SameUpper(rows[opener[segment]], rows[b])) ++segment;
            if (segment == segments) opener[segments++] = b;
            branchSegment_[b] = segment;
        }
        products_.assign(width * segments, 0.0);
        effective_.assign(width * segments, 0.0f);
        branches_.fill(Branch{products_.data(), effective_.data(), 0});
        std::size_t filled = 0;
        for (std::size_t b = 1; b <= lastBranch; ++b) {
            const BranchRows& r = rows[b];
            const std::size_t segment = branchSegment_[b];
            double* product = products_.data() + segment * width;
            float* effective = effective_.data() + segment * width;
            if (segment > filled) {  // segments are numbered in the order of their first branch
                filled = segment;
                // Zero wherever either row has no value (the segments start zeroed).
                const LevelRow& y = r.yield;
                const PopulationRow& p = r.upperPopulation;
                const int hi = std::min({last, y.hi, p.hi});
                for (int N = std::max({0, y.lo, p.lo}); N <= hi; ++N)
                    product[N] = static_cast<double>(y.values[N - y.lo]) * p.values[N - p.lo];
                const LevelRow& e = r.effective;
                for (int N = std::max(0, e.lo); N <= std::min(last, e.hi); ++N) effective[N] = e.values[N - e.lo];
            }
            branches_[b] = {product, effective, r.deltaN};
        }
    }

    const Branch& Of(int b) const { return branches_[static_cast<std::size_t>(b)]; }
    int LastRow() const { return lastRow_; }

private:
    static bool SameUpper(const BranchRows& a, const BranchRows& b) {
        return a.yield.values == b.yield.values && a.upperPopulation.values == b.upperPopulation.values &&
               a.effective.values == b.effective.values;
    }

    std::vector<double> products_;
    std::vector<float> effective_;
    std::array<Branch, kMaxBranches + 1> branches_{};
    std::array<std::size_t, kMaxBranches + 1> branchSegment_{};
    int lastRow_ = -1;
};

/// The emission lines of a band inside (start, end): yield × population of the upper level ×
/// emission coefficient.
[[gnu::noinline]] void AppendEmission(const ModelBand& band, const double* positions, const EmissionLevel& level,
                                      double start, double end, int vUp, int vLow, std::vector<DrawnLine>& out) {
    if (level.LastRow() < 0) return;  // no upper row has a level
    const auto lastRow = static_cast<unsigned>(level.LastRow());
    const ModelLine* lines = band.lines.data();
    for (std::size_t i = 0; i < band.lines.size(); ++i) {
        const double x = positions[i];
        if (!(start < x && x < end)) continue;
        const ModelLine& line = lines[i];
        const EmissionLevel::Branch& branch = level.Of(line.b);
        // Rows below 0 wrap to beyond the last one: neither has a level.
        const auto nUp = static_cast<unsigned>(line.N + branch.deltaN);
        if (nUp > lastRow) continue;
        const double weight = branch.product[nUp] * static_cast<double>(line.emission);
        if (weight == 0.0) continue;
        out.push_back({x, weight, line.emission, branch.effective[nUp], 0.0f, static_cast<std::int16_t>(vUp),
                       static_cast<std::int16_t>(vLow), line.b, line.N});
    }
}

/// A band's lines on an axis.
struct BandAxis {
    const ModelLine* lines = nullptr;
    AxisUnit unit = AxisUnit::Wavenumber;
    bool operator==(const BandAxis&) const = default;
};
using PositionMemo = LineMemo<BandAxis, std::uint32_t, double, 256>;

/// x[i] = AxisPosition(lines[i].nu, unit) + shift, as the position loops give it. A wavelength
/// costs divisions: the unshifted positions are kept per thread and used again while every
/// wavenumber of the band is the same, bit for bit. The kept values are the loops' sums with −0,
/// which leaves every value as it is, so adding the shift to them gives the loops' sums.
void BandPositions(const ModelBand& band, AxisUnit unit, double shift, double* x) {
    const std::size_t n = band.lines.size();
    const ModelLine* lines = band.lines.data();
    const PositionKernels& kernels = ActivePositionKernels();
    if (unit == AxisUnit::Wavenumber || n == 0) return kernels.positions(lines, n, unit, shift, x);
    PositionMemo& memo = ThreadMemo<PositionMemo>();
    auto nuBits = [lines](std::size_t i) { return BitsOf(lines[i].nu); };
    if (memo.Find({lines, unit}, n, nuBits, [x, shift](std::size_t i, double kept) { x[i] = kept + shift; })) return;
    kernels.positions(lines, n, unit, -0.0, x);
    memo.Keep({lines, unit}, n, nuBits, x);
#pragma omp simd
    for (std::size_t i = 0; i < n; ++i) x[i] += shift;
}

/// The intensity one line adds (its area), for the kind of spectrum and the LIF regime; 0 for a
/// line that adds nothing.
struct LineIntensity {
    const BandSystemModel& m;
    const SimulationConditions& c;
    double irradiance = 0.0;          ///< W cm-2, rate equations only
    mutable float saturation = 0.0f;  ///< of the last LIF line, rate equations only

    double operator()(const ModelLine& line, double S, double window, const BranchRows& level, int nUp, double popUpper,
                      double popLower, double levelWeight) const {
        const double phi = level.yield.At(nUp);
        switch (c.kind) {
            case SpectrumKind::Emission:
                return phi * popUpper * S;
            case SpectrumKind::Absorption:
                return S * popLower * line.nu;
            case SpectrumKind::LifExcitation: {
                // Saturated: absorption and stimulated emission balance, and the upper level holds
                // g' / (g' + g'') of the lower population whatever the line strength.
                if (c.lifRegime == LifRegime::Saturated) {
                    if (S == 0.0) return 0.0;
                    const LineDegeneracies g = DegeneraciesOf(line);
                    return popLower * window * g.upper / (g.upper + g.lower);
                }
                // Effective lifetime of the upper level for the gate.
                double tauR = level.radiative.At(nUp);
                if (!m.levelFiles && level.computed.At(nUp) > 0.0f) tauR = level.computed.At(nUp);
                const float gate = static_cast<float>(GateFactor(phi * tauR, c.gate, c.gateDelay, c.gateWidth));
                if (c.lifRegime == LifRegime::RateEquations)
                    return RateEquationWeight(line, S, tauR, phi, popLower * gate * window);
                const double w = phi * popLower * gate * window;
                return c.lifRegime == LifRegime::PartiallySaturated ? w : w * S;
            }
            // Quadratic in the population of the level, (w N'')^2: one factor w is carried here, the
            // other by the population-weighted total, as for every kind.
            case SpectrumKind::FourWaveMixing:
                return S * S * S * S * popLower * popLower * levelWeight;
        }
        return 0.0;
    }

    /// Rate equations: the fluorescence N_u A (times gate and window in `detected`) where the
    /// profile p (axis units^-1) gives W = B (I/c) p |dx/dν|, written as
    /// N_l g_u/(g_u+g_l) A × s p / (1 + s p) with s = W (1 + g_l/g_u) / (Γ p) kept in `saturation`.
    /// Γ = 1 / (φ τ_R): radiation, predissociation and quenching as the yield has them.
    double RateEquationWeight(const ModelLine& line, double S, double tauRNs, double phi, double detected) const {
        saturation = 0.0f;
        if (S <= 0.0 || tauRNs <= 0.0 || phi <= 0.0) return 0.0;
        const LineDegeneracies g = DegeneraciesOf(line);
        const double A = m.einsteinAFactor * line.emission;
        const double Wp =
            EinsteinB(A, g.upper, g.lower, line.nu) * irradiance / kSpeedOfLightCm * AxisPerWavenumber(line.nu, c.unit);
        const double decay = 1.0 / (phi * tauRNs * 1e-9);
        saturation = static_cast<float>(Wp * (1.0 + static_cast<double>(g.lower) / g.upper) / decay);
        return detected * g.upper / (g.upper + g.lower) / tauRNs;
    }
};

}  // namespace

LineList BuildLineList(const BandSystemModel& m, const SimulationConditions& c, const populations::Populations& pop,
                       double lineShift, double start, double end, const Progress& progress) {
    LineList list;
    BuildLineListInto(list, m, c, pop, lineShift, start, end, progress);
    return list;
}

std::size_t LineList::Bytes() const {
    std::size_t bytes = 0;
    for (const std::vector<DrawnLine>& level : levels) bytes += level.capacity() * sizeof(DrawnLine);
    return bytes;
}

void BuildLineListInto(LineList& list, const BandSystemModel& m, const SimulationConditions& c,
                       const populations::Populations& pop, double lineShift, double start, double end,
                       const Progress& progress) {
    list.levels.resize(pop.Levels());
    for (std::vector<DrawnLine>& level : list.levels) level.clear();
    list.squareRoot = c.kind == SpectrumKind::LifExcitation && c.lifRegime == LifRegime::PartiallySaturated;
    list.rateEquations = c.kind == SpectrumKind::LifExcitation && c.lifRegime == LifRegime::RateEquations;

    const bool emission = c.kind == SpectrumKind::Emission;
    const BranchTable& branches = m.Branches(pop.state);
    const Array3<float> yields = LevelYields(m, c);
    std::vector<double> window(static_cast<std::size_t>(m.vUpMax) + 1, 1.0);
    if (c.kind == SpectrumKind::LifExcitation) {
        for (int vUp = 0; vUp <= m.vUpMax; ++vUp) {
            std::vector<BandWeight> bands;
            for (int vLow = 0; vLow <= m.vLowMax; ++vLow)
                bands.push_back({m.Band(vUp, vLow).origin, m.Band(vUp, vLow).emission});
            window[static_cast<std::size_t>(vUp)] = WindowFactor(bands, c);
        }
    }
    // A detection filter replaces the window with a fraction per upper level.
    const bool filtered = c.kind == SpectrumKind::LifExcitation && !c.detectionFilter.empty();
    const Array3<float> filter = filtered ? FilterFactors(m, c) : Array3<float>{};
    LineIntensity intensity{m, c};
    if (list.rateEquations)
        intensity.irradiance = LaserIrradiance(c, LaserPeak(c) * AxisPerWavenumber(RangeCentreWavenumber(c), c.unit));
    const Array3<double>& rot = pop.rotational;
    const int nOther = emission ? m.vLowMax : m.vUpMax;
    const double bandsInAll = static_cast<double>(pop.Levels()) * (nOther + 1);

    // The bands each level draws from.
    auto bandOf = [&](int vPop, int j) -> const ModelBand& { return emission ? m.Band(vPop, j) : m.Band(j, vPop); };
    auto contributes = [&](const ModelBand& band) {
        return !band.lines.empty() && (m.bandsByLines || BandMayContribute(band.origin, start, end, c.unit));
    };
    std::vector<double> positions;
    EmissionLevel emissionLevel;
    // Rows beyond the model's branches stay empty; those up to them are set per upper level.
    std::array<BranchRows, kMaxBranches + 1> rows;
    const std::size_t lastBranch = static_cast<std::size_t>(std::clamp(m.branches, 24, kMaxBranches));
    for (std::size_t k = 0; k < pop.Levels(); ++k) {
        const int vPop = pop.levels[k];
        std::vector<DrawnLine>& out = list.levels[k];
        int rowsOfUpper = -1;  // the upper level `rows` was built for
        std::size_t most = 0;
        for (int j = 0; j <= nOther; ++j)
            if (contributes(bandOf(vPop, j))) most += bandOf(vPop, j).lines.size();
        out.reserve(most);
        for (int j = 0; j <= nOther; ++j) {
            if (progress) progress(100.0 * (static_cast<double>(k) * (nOther + 1) + j) / bandsInAll);
            const int vUp = emission ? vPop : j;
            const int vLow = emission ? j : vPop;
            const ModelBand& band = m.Band(vUp, vLow);
            if (!contributes(band) || !ReachesRange(band, c.unit, lineShift, start, end)) continue;
            const double w = window[static_cast<std::size_t>(std::min(vUp, m.vUpMax))];
            // What depends only on the levels a branch joins, looked up once per upper level and
            // component: in emission every band of a level shares it.
            if (vUp != rowsOfUpper) {
                rowsOfUpper = vUp;
                std::array<BranchRows, kMaxComponents + 1> upper, lower;
                for (std::size_t comp = 0; comp < upper.size(); ++comp) {
                    const int cp = static_cast<int>(comp);
                    upper[comp] = {0,
                                   RowOf(yields, vUp, cp),
                                   RowOf(m.lifetime, vUp, cp),
                                   RowOf(m.computedLifetime, vUp, cp),
                                   RowOf(m.effectiveLifetime, vUp, cp),
                                   filtered ? RowOf(filter, vUp, cp) : LevelRow{},
                                   RowOf(rot, vPop, cp),
                                   {}};
                    lower[comp].lowerPopulation = RowOf(rot, vPop, cp);
                }
                auto of = [](const std::array<BranchRows, kMaxComponents + 1>& rowsOf, int comp) {
                    return comp >= 0 && comp <= kMaxComponents ? rowsOf[static_cast<std::size_t>(comp)] : BranchRows{};
                };
                for (std::size_t b = 1; b <= lastBranch; ++b) {
                    rows[b] = of(upper, branches.upper[b]);
                    rows[b].deltaN = branches.deltaN[b];
                    rows[b].lowerPopulation = of(lower, branches.lower[b]).lowerPopulation;
                }
                if (emission) emissionLevel.Build(rows, lastBranch);
            }
            positions.resize(band.lines.size());
            BandPositions(band, c.unit, lineShift, positions.data());
            if (emission) {
                AppendEmission(band, positions.data(), emissionLevel, start, end, vUp, vLow, out);
                continue;
            }
            for (std::size_t i = 0; i < band.lines.size(); ++i) {
                const ModelLine& line = band.lines[i];
                const double x = positions[i];
                if (!(start < x && x < end)) continue;
                const BranchRows& level = rows[static_cast<std::size_t>(line.b)];
                const int nUp = line.N + level.deltaN;
                if (nUp < 0) continue;
                const double S = emission ? line.emission : line.absorption;
                const double popUpper = emission ? level.upperPopulation.At(nUp) : 0.0;
                const double popLower = emission ? 0.0 : level.lowerPopulation.At(line.N);
                const double detected = filtered ? level.filter.At(nUp) : w;
                const double weight = intensity(line, S, detected, level, nUp, popUpper, popLower, pop.weights[k]);
                if (weight == 0.0 || (list.squareRoot && S <= 0.0)) continue;
                out.push_back({x, weight, static_cast<float>(S), level.effective.At(nUp), intensity.saturation,
                               static_cast<std::int16_t>(vUp), static_cast<std::int16_t>(vLow), line.b, line.N});
            }
        }
    }
}

}  // namespace velmora::simulation
