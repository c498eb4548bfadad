// Spectral axis units (Å or nm in vacuum or air, cm-1) and pressure units: converting the range and
// resolution texts when the axis unit changes, and the pressure box in any of six units
// (the pressure itself is always held in Torr).
#pragma once

#include <string>
#include <string_view>

#include "common/numerics.h"
#include "state/app_state.h"

namespace velmora::simulation {

/// Factor from pressure unit index (0 Torr, 1 atm, 2 mbar, 3 bar, 4 Pa, 5 kPa) to Torr.
double PressureFactor(const Catalogue& cat, int pressureUnits);

/// Pressure formula shown after the collisional coefficients for a pressure unit.
std::string CollisionalFormulaText(const Catalogue& cat, int pressureUnits);

/// The captions that name the axis unit sim.Units: "Range in …" and "Instrumental  …".
void SetUnitCaptions(SimulationState& sim, const Catalogue& cat);

/// A resolution converted to another axis unit as its box shows it: up to six decimals, or the
/// single-precision form when it is finer than that.
std::string ConvertedResolutionText(double resolution);

/// The axis unit combo box (1 Å vacuum, 2 Å air, 3 cm-1, 4 nm vacuum, 5 nm air): converts
/// TxtStart, TxtEnd (and, when the unit changes between Å, nm and cm-1, TxtResolution) to the new
/// unit, sets the range and instrumental captions, and recomputes widths and shifts.
void CmbUnits_Click(AppState& app, int units);

/// The pressure unit combo box: shows the stored pressure in the new unit, refreshes the
/// quenching texts and the two formula labels.
void CmbPressure_Click(AppState& app, int pressureUnits);

/// The pressure box: a non-negative number is stored in Torr and widths, shifts and (with a band
/// system loaded) the fluorescence yields follow; anything else shows the stored pressure again.
/// Returns the text the box must show. The caller refreshes the database table.
std::string TxtPressure_Change(AppState& app, std::string_view text);

}  // namespace velmora::simulation
