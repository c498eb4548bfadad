// The controls of the convolved instrument functions: the flat top of a trapezoid, the change of
// the instrumental width across the range, and the measured function's file, offset unit and
// width scale. Numeric boxes follow the rules of condition_inputs.h.
#pragma once

#include <string>
#include <string_view>

#include "state/app_state.h"

namespace velmora::simulation {

/// Flat-top width of a trapezoid, 0 or more (axis units; at most the resolution when simulated).
std::string TxtTrapezoidTop_Change(AppState& app, std::string_view text);
/// Change of the instrumental FWHM per axis unit, any sign.
std::string TxtResolutionSlope_Change(AppState& app, std::string_view text);
/// Width factor of the measured function, above 0.
std::string TxtSlitScale_Change(AppState& app, std::string_view text);
/// Unit of the measured function's offsets: 0 axis unit, 1 nm. Reads the file again.
void CmbSlitUnits_Click(AppState& app, int index);

/// Names of the lineshapes 4..6 in the lineshape list (1..3 come from the catalogue).
inline constexpr const char* kConvolvedLineshapeNames[] = {"Triangle", "Trapezoid", "Measured (file)"};

/// Enables the controls of the lineshape in force.
void OfferInstrumentControls(SimulationState& sim);

/// Reads the measured instrument function of `path` and makes it the one in force. A file that
/// cannot be read leaves no measured function (the simulation then asks for one), keeps the
/// path, and returns the message naming the file and the problem; "" when it was read.
std::string LoadSlitFile(AppState& app, const std::string& path);

}  // namespace velmora::simulation
