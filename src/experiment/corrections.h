// Corrections of the experimental spectrum (baseline, multiplication, wavelength shift,
// smoothing), subtraction of the simulation, the residual display and the file limits.
// Control events take the application state and return the text the control must show.
#pragma once

#include <string>
#include <string_view>

#include "experiment/experiment_state.h"
#include "experiment/experiment_view.h"

namespace velmora::experiment {

/// Title of the subtraction questions.
inline constexpr std::string_view kSubtractionTitle = " Model substraction dialog";

/// ExpX = ExpXRaw − WavelengthCorrection and ExpY = (ExpYRaw − Baseline) × Multiply, for
/// every point 0..ExpPoints.
void ApplyCorrections(ExperimentState& exp);

/// "Baseline correction (%)": a number of magnitude up to 99 becomes Baseline; a number beyond
/// is refused (the box shows the value in force again); other text is ignored.
std::string TxtBaseline_Change(ExperimentView app, std::string_view text);
/// "Wavelength correction": a number of magnitude up to 200 becomes WavelengthCorrection.
std::string TxtWavelength_Change(ExperimentView app, std::string_view text);
/// Largest factor "Multiply by" takes.
inline constexpr double kMaxMultiply = 1e6;

/// "Multiply by": any number up to kMaxMultiply; zero or negative factors act as 1.
std::string TxtMultiply_Change(ExperimentView app, std::string_view text);
/// Noise amplitude of the simulated trace: 0 <= value < 100; anything else non-empty becomes "0".
std::string TxtNoise_Change(ExperimentView app, std::string_view text);

/// Residual scale: "Auto" (0) or "1%" … "50%"; any other text counts as "Auto".
void CmbResiduals_Click(ExperimentView app, std::string_view text);

/// "Smooth spectra": one pass of the 0.25/0.5/0.25 filter over ExpYRaw (end points kept).
void CmdSmooth_Click(ExperimentView app);

/// "Subtract simulation": asks which vibrational levels to subtract (Yes/No/Cancel) and
/// subtracts their population-weighted simulation from the spectrum; Cancel restores the
/// spectrum as it was before the command. The result becomes the new raw spectrum.
void CmdSubtraction_Click(ExperimentView app);

}  // namespace velmora::experiment
