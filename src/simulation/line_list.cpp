#include "simulation/line_list.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/numerics.h"
#include "simulation/detection_filter.h"
#include "simulation/rate_equations.h"

namespace velmora::simulation {

double AxisPosition(double nu, AxisUnit unit) { return WavenumberToAxis(nu, StoredValue(unit)); }

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

Array3<float> LevelYields(const BandSystemModel& m, const SimulationConditions& c) {
    Array3<float> yields = m.baseYield;
    if (!m.levelFiles) return yields;
    const double compositionRate = GasQuenching(m.quenching, c).rate;
    for (int v = 0; v <= m.vUpMax; ++v)
        for (int comp = 1; comp <= m.upperComponents; ++comp)
            for (int N = m.upperLambda; N <= m.lastUpperRow.ValueAt(v); ++N) {
                if (!yields.Contains(v, comp, N)) continue;
                yields(v, comp, N) = static_cast<float>(
                    FluorescenceYield(m.lifetime.ValueAt(v, comp, N), m.effectiveLifetime.ValueAt(v, comp, N),
                                      m.quenchRate.ValueAt(v, comp, N), compositionRate, c));
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

/// The intensity one line adds (its area), for the kind of spectrum and the LIF regime; 0 for a
/// line that adds nothing.
struct LineIntensity {
    const BandSystemModel& m;
    const SimulationConditions& c;
    const Array3<float>& yields;
    double irradiance = 0.0;          ///< W cm-2, rate equations only
    mutable float saturation = 0.0f;  ///< of the last LIF line, rate equations only

    double operator()(const ModelLine& line, double S, double window, int vUp, int cu, int nUp, double popUpper,
                      double popLower, double levelWeight) const {
        const double phi = yields.ValueAt(vUp, cu, nUp);
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
                double tauR = m.lifetime.ValueAt(vUp, cu, nUp);
                if (!m.levelFiles && m.computedLifetime.ValueAt(vUp, cu, nUp) > 0.0f)
                    tauR = m.computedLifetime.ValueAt(vUp, cu, nUp);
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
    list.levels.resize(pop.Levels());
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
    LineIntensity intensity{m, c, yields};
    if (list.rateEquations)
        intensity.irradiance = LaserIrradiance(c, LaserPeak(c) * AxisPerWavenumber(RangeCentreWavenumber(c), c.unit));
    const Array3<float>& rot = pop.rotational;
    const int nOther = emission ? m.vLowMax : m.vUpMax;
    const double bandsInAll = static_cast<double>(pop.Levels()) * (nOther + 1);

    for (std::size_t k = 0; k < pop.Levels(); ++k) {
        const int vPop = pop.levels[k];
        std::vector<DrawnLine>& out = list.levels[k];
        for (int j = 0; j <= nOther; ++j) {
            if (progress) progress(100.0 * (static_cast<double>(k) * (nOther + 1) + j) / bandsInAll);
            const int vUp = emission ? vPop : j;
            const int vLow = emission ? j : vPop;
            const ModelBand& band = m.Band(vUp, vLow);
            if (band.lines.empty() || !BandMayContribute(band.origin, start, end, c.unit)) continue;
            const double w = window[static_cast<std::size_t>(std::min(vUp, m.vUpMax))];
            for (const ModelLine& line : band.lines) {
                const double x = (c.unit == AxisUnit::AngstromVacuum ? 1E8 / line.nu
                                  : c.unit == AxisUnit::Wavenumber   ? line.nu
                                                                     : AxisPosition(line.nu, c.unit)) +
                                 lineShift;
                if (!(start < x && x < end)) continue;
                const int nUp = line.N + branches.deltaN[static_cast<std::size_t>(line.b)];
                if (nUp < 0) continue;
                const int cu = branches.upper[static_cast<std::size_t>(line.b)];
                const int cl = branches.lower[static_cast<std::size_t>(line.b)];
                const double S = emission ? line.emission : line.absorption;
                const double popUpper = emission ? rot.ValueAt(vPop, cu, nUp) : 0.0;
                const double popLower = emission ? 0.0 : rot.ValueAt(vPop, cl, line.N);
                const double detected = filtered ? filter.ValueAt(vUp, cu, nUp) : w;
                const double weight = intensity(line, S, detected, vUp, cu, nUp, popUpper, popLower, pop.weights[k]);
                if (weight == 0.0 || (list.squareRoot && S <= 0.0)) continue;
                out.push_back({x, weight, static_cast<float>(S), m.effectiveLifetime.ValueAt(vUp, cu, nUp),
                               intensity.saturation, static_cast<std::int16_t>(vUp), static_cast<std::int16_t>(vLow),
                               line.b, line.N});
            }
        }
    }
    return list;
}

}  // namespace velmora::simulation
