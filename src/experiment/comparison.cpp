#include "experiment/comparison.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "experiment/spectrum_units.h"

namespace velmora::experiment {

namespace {

const std::string kNothingCompared = "no point compared";

}  // namespace

float GridX(const simulation::Spectrum& sim, int i) { return static_cast<float>(sim.grid.X(i)); }

bool BuildSimX(ExperimentState& exp, const simulation::Spectrum& sim) {
    const int n = sim.grid.last;
    if (n < 1 || sim.grid.pointsPerWidth == 0 || sim.total.Empty() || sim.total.Lo() > 0 || sim.total.Hi() < n)
        return false;
    if (exp.SimX.Lo() != 0 || exp.SimX.Hi() != n) exp.SimX.Resize(0, n);
    for (int i = 0; i <= n; ++i) exp.SimX(i) = GridX(sim, i);
    return true;
}

bool SimulationAt(const ExperimentState& exp, const simulation::Spectrum& sim, float x, double& s) {
    if (!(x >= sim.conditions.start && x <= sim.conditions.end)) return false;
    auto total = [&sim](int m) { return static_cast<double>(sim.total(m)); };
    return InterpolateOnGrid(exp.SimX, sim.grid.last, x, total, s);
}

void CompareWithSimulation(ExperimentState& exp, const simulation::Spectrum& sim, float zoomY) {
    if (!(zoomY > 0.0f)) zoomY = 1.0f;
    const bool grid = BuildSimX(exp, sim);
    const int last = std::min(exp.ExpPoints - 1, exp.ExpX.Hi() - 1);
    if (exp.SimAtExp.Hi() < exp.ExpX.Hi()) exp.SimAtExp.Resize(0, exp.ExpX.Hi());
    if (exp.Residual.Hi() < exp.ExpX.Hi()) exp.Residual.Resize(0, exp.ExpX.Hi());

    // Sums in double precision: in single precision n·Σes − Σe·Σs cancels catastrophically
    // for spectra of many points.
    double se = 0, ss = 0, see = 0, sss = 0, ses = 0, sdd = 0;
    int n = 0;
    float xlo = 0, xhi = 0, elo = 0, ehi = 0;
    double slo = 0, shi = 0;
    // The last experimental point does not enter the statistics.
    for (int i = 0; i <= last; ++i) {
        exp.SimAtExp(i) = 0.0f;
        exp.Residual(i) = 0.0f;
        double s = 0.0;
        if (!grid || !SimulationAt(exp, sim, exp.ExpX(i), s)) continue;
        const double e = exp.ExpY(i);
        exp.Residual(i) = static_cast<float>((e - s) / zoomY);
        exp.SimAtExp(i) = static_cast<float>(s);
        if (n == 0) xlo = xhi = exp.ExpX(i), elo = ehi = exp.ExpY(i), slo = shi = s;
        xlo = std::min(xlo, exp.ExpX(i)), xhi = std::max(xhi, exp.ExpX(i));
        elo = std::min(elo, exp.ExpY(i)), ehi = std::max(ehi, exp.ExpY(i));
        slo = std::min(slo, s), shi = std::max(shi, s);
        ++n;
        se += e;
        ss += s;
        see += e * e;
        sss += s * s;
        ses += e * s;
        sdd += (s - e) * (s - e);
    }
    // The residual strip joins point ExpPoints - 1 to ExpPoints: the last point, never
    // compared, sits on the zero line rather than keeping a value of an earlier spectrum.
    if (last + 1 >= 0 && last + 1 <= exp.Residual.Hi()) {
        exp.Residual(last + 1) = 0.0f;
        exp.SimAtExp(last + 1) = 0.0f;
    }

    double r = 0.0, chi = 0.0;
    if (n > 0) {
        if (sss != 0.0 && ss != 0.0) {
            const double den = (n * see - se * se) * (n * sss - ss * ss);
            // A constant experiment or simulation has no defined correlation: shown as 0.
            if (den > 0.0) r = (n * ses - se * ss) / std::sqrt(den);
        }
        chi = sdd / 100.0;
    }
    exp.ComparedPoints = n;
    exp.Correlation = static_cast<float>(r);
    exp.ChiSquare = static_cast<float>(chi);
    exp.CompareProblem.clear();
    if (n > 0 && n < kMinComparedPoints)
        exp.CompareProblem = "only " + std::to_string(n) + " point" + (n > 1 ? "s" : "") +
                             " compared (a correlation needs " + std::to_string(kMinComparedPoints) + " or more)";
    else if (n > 0 && xlo == xhi)
        exp.CompareProblem = "every compared point lies at x = " + Trim(Str(xlo));
    else if (n > 0 && elo == ehi)
        exp.CompareProblem = "the spectrum is flat (every compared intensity is " + Trim(Str(elo)) + ")";
    else if (n > 0 && slo == shi)
        exp.CompareProblem = "the simulation is flat over the compared points";
    // With nothing compared a chi-square of 0 would read as a perfect fit: the labels say so.
    exp.LblCorrelation = "Peak correlation: " + (n == 0                        ? kNothingCompared
                                                 : !exp.CompareProblem.empty() ? std::string("nothing to compare")
                                                                               : Format(exp.Correlation, "0.000000"));
    // Named with its formula: unweighted and not divided by the degrees of freedom, it is not
    // the reduced chi-square of a fit.
    exp.LblDeviation =
        "Chi-square       : " + (n > 0 ? Format(exp.ChiSquare, "#######0.000#") + " " + std::string(kChiSquareFormula)
                                       : std::string(kNothingCompared));
}

std::string ProbableSpectrumUnit(const ExperimentState& exp, const simulation::Spectrum& sim) {
    const auto [lo, hi] = SpectrumExtent(exp);
    const double start = sim.conditions.start, end = sim.conditions.end;
    const int units = simulation::StoredValue(sim.conditions.unit);
    if (!(lo > 0.0) || !(start > 0.0) || !(end > start)) return {};
    // A file that states its unit is read in it: another unit would contradict the file.
    if (exp.ReadUnitDeclared) return {};
    // The x values as the file was read (before their conversion to the axis unit), and both
    // ranges as vacuum wavelengths in Å (air and vacuum differ too little to matter here).
    const bool known = exp.ExpCurrent >= 0 && exp.ExpCurrent < static_cast<int>(exp.ExpFiles.size());
    const int read =
        ReadXUnit(known ? exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)].XUnit : kAutomaticXUnit, units);
    const double a = ConvertAxisValue(lo, units, read), b = ConvertAxisValue(hi, units, read);
    auto angstrom = [](double x, int u) { return ConvertAxisValue(x, u, 1); };
    const double simA = angstrom(start, units), simB = angstrom(end, units);
    const double simLo = std::min(simA, simB), simHi = std::max(simA, simB);
    // Another unit the values may be in: wavenumbers, nm (above 1000 the automatic reading takes
    // them as Å), or Å.
    auto family = [](int u) { return u == 3 ? 3 : (u >= 4 ? 4 : 1); };
    for (const auto& [other, name] : {std::pair<int, const char*>{3, "cm-1"}, {4, "nm"}, {1, "\u00C5"}}) {
        if (family(other) == family(read)) continue;
        const double p = angstrom(a, other), q = angstrom(b, other);
        if (std::min(p, q) <= simHi && std::max(p, q) >= simLo) return name;
    }
    return {};
}

std::string NothingComparedReason(const ExperimentState& exp, const simulation::Spectrum& sim,
                                  const std::string& unitName) {
    std::string text = "no experimental point lies in the simulation range " +
                       Trim(Str(static_cast<float>(sim.conditions.start))) + ".." +
                       Trim(Str(static_cast<float>(sim.conditions.end))) + " " + unitName;
    if (!HasExperimentalPoints(exp)) return text;
    const auto [lo, hi] = SpectrumExtent(exp);
    text += "; the spectrum spans " + Trim(Str(static_cast<float>(lo))) + ".." + Trim(Str(static_cast<float>(hi))) +
            " " + unitName;
    const std::string unit = ProbableSpectrumUnit(exp, sim);
    if (!unit.empty()) text += "; its x values are probably in " + unit;
    return text;
}

}  // namespace velmora::experiment
