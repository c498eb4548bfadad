#include "simulation/absolute_scale.h"

#include "simulation/absolute_absorption.h"

namespace velmora::simulation {

std::string AbsoluteScaleRefusal(const BandSystemModel& model, const SimulationConditions& c) {
    if (model.noAbsoluteScale.empty()) return {};
    const bool lif = c.kind == SpectrumKind::LifExcitation;
    const bool fluorescence = lif || c.kind == SpectrumKind::Emission;
    const bool quenched = c.quenching != QuenchingSource::None &&
                          (c.yield == YieldMode::Included || c.yield == YieldMode::ExcludePredissociation);
    std::string what;
    if (lif && c.gate == GateMode::TimeResolved)
        what = "Gated detection (a time-resolved gate) needs the lifetimes of the upper levels in ns";
    else if (lif && c.lifRegime == LifRegime::RateEquations)
        what = "LIF by rate equations needs the Einstein coefficients in s-1";
    else if (fluorescence && quenched)
        what = "A fluorescence yield with quenching needs the radiative rates the collisions compete with";
    else if (c.kind == SpectrumKind::Absorption && c.absorptionUnit != AbsorptionUnit::Relative)
        what =
            std::string("Absorption as ") + AbsorptionUnitName(c.absorptionUnit) + " needs the absolute line strengths";
    else
        return {};
    return what + ": " + model.noAbsoluteScale +
           " (relative spectra are available: no quenching, total integration, the relative absorption unit)";
}

void RequireScaleFor(const BandSystemModel& model, const SimulationConditions& c) {
    const std::string why = AbsoluteScaleRefusal(model, c);
    if (!why.empty()) throw ConditionError(why);
}

}  // namespace velmora::simulation
