// The controls of absolute absorption: the unit of an absorption spectrum and the column of
// absorbers (a column density, or a number density and a path length), and the absolute
// spectrum the driver keeps beside the relative one. The plot keeps the relative spectrum;
// the saved total and the caption give the absolute values.
#pragma once

#include <string>
#include <string_view>

#include "simulation/simulate.h"
#include "state/app_state.h"

namespace velmora::simulation {

/// Absorption unit 0 relative, 1 cross section (cm2/molecule), 2 absorbance, 3 transmittance.
void CmbAbsorptionUnits_Click(AppState& app, int index);
/// Column density, cm-2, 0 or more (0: number density × path length).
std::string TxtColumnDensity_Change(AppState& app, std::string_view text);
/// Number density, cm-3, 0 or more.
std::string TxtNumberDensity_Change(AppState& app, std::string_view text);
/// Path length, cm, 0 or more.
std::string TxtPathLength_Change(AppState& app, std::string_view text);

/// Enables the absolute-absorption controls for the absorption kind.
void OfferAbsorptionControls(SimulationState& sim);

/// After a simulation: the total in the absolute unit of the conditions (nothing for another
/// kind or the relative unit) and its caption. Throws ConditionError as AbsorptionInUnit.
void StoreAbsoluteAbsorption(SimulationState& sim, const Spectrum& s, const BandSystemModel& model,
                             const SimulationConditions& c);

}  // namespace velmora::simulation
