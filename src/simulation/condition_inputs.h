// The controls that set the simulation conditions, one function per control event. Each stores
// the value, recomputes what depends on it at once (widths, shifts, captions, enabled controls)
// and, for text boxes, returns the text the box must show. None recomputes the spectrum.
//
// Numeric boxes: an empty text does nothing; a text that is not a number, or a number outside
// the accepted range, is answered by showing the stored value again, without a message.
#pragma once

#include <string>
#include <string_view>

#include "state/app_state.h"

namespace velmora::simulation {

/// Key press in any numeric box: Enter (13) is swallowed (0 returned), other keys pass.
int NumericBox_KeyPress(int keyAscii);

/// Validates a numeric box: stores the value when it lies in lo..hi (inclusive) and returns the
/// text to show with `accepted` telling whether it was stored.
std::string EditNumber(std::string_view text, float& stored, double lo, double hi, bool* accepted = nullptr);

// Check boxes (value 0 or 1).
void ChkDoppler_Click(AppState& app, int value);
void ChkCollisional_Click(AppState& app, int value);
void ChkPredissociation_Click(AppState& app, int value);
void ChkDopplerShift_Click(AppState& app, int value);
void ChkCollisionalShift_Click(AppState& app, int value);
/// "Thermalized system": populations follow the temperature at every simulation.
void ChkThermal_Click(AppState& app, int value);

// Combo boxes (item data or list index as the control stores it).
/// Kind 1..4: populated state, offered controls, and the thermal reset of the populations.
void CmbKind_Click(AppState& app, int kind);
/// Lineshape 1 Gaussian, 2 Lorentzian, 3 Voigt, 4 triangle, 5 trapezoid, 6 measured (file).
void CmbLineshape_Click(AppState& app, int lineshape);
/// Point density 0 "Low", 1 "Standard", 2 "High", 3 "Very high".
void CmbPointDensity_Click(AppState& app, int index);
void CmbLIFregime_Click(AppState& app, int index);
void CmbFluorescenceYield_Click(AppState& app, int index);
void CmbGate_Click(AppState& app, int index);
void CmbSpectralWindow_Click(AppState& app, int index);

// Numeric text boxes.
std::string TxtTemperature_Change(AppState& app, std::string_view text);
std::string TxtResolution_Change(AppState& app, std::string_view text);
std::string TxtLorentzian_Change(AppState& app, std::string_view text);
std::string TxtCollB1_Change(AppState& app, std::string_view text);
std::string TxtCollB2_Change(AppState& app, std::string_view text);
std::string TxTShiftA_Change(AppState& app, std::string_view text);
std::string TxtShiftB_Change(AppState& app, std::string_view text);
std::string TxtDopplerShift_Change(AppState& app, std::string_view text);
std::string TxtDelay_Change(AppState& app, std::string_view text);
std::string TxtGate_Change(AppState& app, std::string_view text);
std::string TxtStartWindow_Change(AppState& app, std::string_view text);
std::string TxtEndWindow_Change(AppState& app, std::string_view text);

// Quenching (the database recomputes the level data of the loaded system; the yields of the
// simulation follow). The caller refreshes the database table.
/// Quenching rate constant box (us-1 Torr-1, 0 or more). Returns the text to show.
std::string TxtQuenching_Change(AppState& app, std::string_view text);
/// Quenching source: 0 "No quenching", 1 "Single value for all levels", 2 "From files".
void CmbQuenching_Click(AppState& app, int index);

/// Recomputes widths, shifts, captions and enabled controls from the stored conditions (after
/// the settings have been restored, before the first event).
void RefreshConditionCaptions(AppState& app);

// The excitation laser of LIF by rate equations: widths (axis units, 0 or more), pulse energy (mJ,
// 0 or more), duration (ns) and beam area (cm2) above 0, spectral irradiance (W cm-2 per cm-1, 0
// or more: 0 takes the irradiance from the pulse). Each returns the text the box must show.
std::string TxtLaserGauss_Change(AppState& app, std::string_view text);
std::string TxtLaserLorentz_Change(AppState& app, std::string_view text);
std::string TxtPulseEnergy_Change(AppState& app, std::string_view text);
std::string TxtPulseDuration_Change(AppState& app, std::string_view text);
std::string TxtBeamArea_Change(AppState& app, std::string_view text);
std::string TxtSpectralIrradiance_Change(AppState& app, std::string_view text);

/// Detection filter: reads the transmission file at path (empty: no filter, the window again).
/// A file that cannot be read is reported by a message naming it and the filter in force stays.
void SetDetectionFilter(AppState& app, const std::string& path);

/// Writes the gas composition in force into the rows of the composition table.
void FillCompositionTable(AppState& app);

}  // namespace velmora::simulation
