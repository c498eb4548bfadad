#include "simulation/absolute_absorption.h"

#include <cmath>

#include "common/physical_constants.h"
#include "database/line_list_export.h"

namespace velmora::simulation {

std::vector<double> CrossSection(const Spectrum& s, const BandSystemModel& model, const SimulationConditions& c) {
    if (c.kind == SpectrumKind::Absorption && !model.noAbsoluteScale.empty())
        throw ConditionError("An absorption cross section needs the absolute line strengths: " + model.noAbsoluteScale);
    return CrossSection(s, model.lineUnitFactor, c);
}

std::vector<double> CrossSection(const Spectrum& s, double lineUnitFactor, const SimulationConditions& c) {
    if (c.kind != SpectrumKind::Absorption) throw ConditionError("absolute units are those of an absorption spectrum");
    std::vector<double> sigma(static_cast<std::size_t>(s.grid.Points()), 0.0);
    if (s.peak == 0.0f) return sigma;
    const double perUnit = lineUnitFactor / (8.0 * kPi * kSpeedOfLightCm);
    const double unscale = s.peak / 100.0;  // the total back in the units of the line strengths
    const double c2OverT = c.temperature > 0.0 ? kSecondRadiationConstant / c.temperature : INFINITY;
    for (int i = 0; i <= s.grid.last; ++i) {
        const double x = s.grid.X(i);
        double nu = x, jacobian = 1.0;
        if (IsWavelength(c.unit)) {
            // x = 1E8 s / nu (s = axis units per Å): |dx/dnu| = x^2 / (1E8 s).
            const double perAngstrom = UnitsPerAngstrom(c.unit);
            nu = x > 0.0 ? 1E8 * perAngstrom / x : 0.0;
            jacobian = x * x / (1E8 * perAngstrom);
        }
        if (!(nu > 0.0)) continue;
        const double stimulated = -std::expm1(-c2OverT * nu);
        sigma[static_cast<std::size_t>(i)] = s.total(i) * unscale * perUnit * stimulated * jacobian;
    }
    return sigma;
}

double ColumnDensity(const SimulationConditions& c) {
    return c.columnDensity > 0.0 ? c.columnDensity : c.numberDensity * c.pathLength;
}

std::vector<double> AbsorptionInUnit(const std::vector<double>& crossSection, const SimulationConditions& c) {
    if (c.absorptionUnit == AbsorptionUnit::CrossSection || c.absorptionUnit == AbsorptionUnit::Relative)
        return crossSection;
    const double column = ColumnDensity(c);
    if (!(column > 0.0))
        throw ConditionError(
            "absorbance and transmittance need a column density (cm-2), or a number density (cm-3) and a path length "
            "(cm)");
    std::vector<double> out(crossSection.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double tau = crossSection[i] * column;
        out[i] = c.absorptionUnit == AbsorptionUnit::Transmittance ? std::exp(-tau) : tau / std::log(10.0);
    }
    return out;
}

const char* AbsorptionUnitName(AbsorptionUnit unit) {
    switch (unit) {
        case AbsorptionUnit::CrossSection:
            return "cross section (cm2/molecule)";
        case AbsorptionUnit::Absorbance:
            return "absorbance";
        case AbsorptionUnit::Transmittance:
            return "transmittance";
        default:
            return "relative";
    }
}

}  // namespace velmora::simulation
