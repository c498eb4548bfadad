#include "simulation/absorption_inputs.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "simulation/absolute_absorption.h"
#include "simulation/condition_inputs.h"

namespace velmora::simulation {

namespace {

constexpr double kLargest = std::numeric_limits<float>::max();

}  // namespace

void CmbAbsorptionUnits_Click(AppState& app, int index) { app.sim.AbsorptionUnits = index; }

std::string TxtColumnDensity_Change(AppState& app, std::string_view text) {
    return app.sim.TxtColumnDensity = EditNumber(text, app.sim.ColumnDensity, 0.0, kLargest);
}

std::string TxtNumberDensity_Change(AppState& app, std::string_view text) {
    return app.sim.TxtNumberDensity = EditNumber(text, app.sim.NumberDensity, 0.0, kLargest);
}

std::string TxtPathLength_Change(AppState& app, std::string_view text) {
    return app.sim.TxtPathLength = EditNumber(text, app.sim.PathLength, 0.0, kLargest);
}

void OfferAbsorptionControls(SimulationState& sim) {
    sim.AbsorptionControlsEnabled = StoredMode<SpectrumKind>(sim.Kind) == SpectrumKind::Absorption;
}

void StoreAbsoluteAbsorption(SimulationState& sim, const Spectrum& s, const BandSystemModel& model,
                             const SimulationConditions& c) {
    sim.SimAbsolute.clear();
    sim.LblAbsoluteCaption.clear();
    if (c.kind != SpectrumKind::Absorption || c.absorptionUnit == AbsorptionUnit::Relative) return;
    sim.SimAbsolute = AbsorptionInUnit(CrossSection(s, model, c), c);
    const bool transmittance = c.absorptionUnit == AbsorptionUnit::Transmittance;
    const double extreme = transmittance ? *std::min_element(sim.SimAbsolute.begin(), sim.SimAbsolute.end())
                                         : *std::max_element(sim.SimAbsolute.begin(), sim.SimAbsolute.end());
    char text[96];
    std::snprintf(text, sizeof text, "%s %s = %.4g", transmittance ? "Lowest" : "Peak",
                  AbsorptionUnitName(c.absorptionUnit), extreme);
    sim.LblAbsoluteCaption = text;
}

}  // namespace velmora::simulation
