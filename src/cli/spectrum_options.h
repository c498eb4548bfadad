// The experimental spectrum as velmora-cli options: the file, its corrections as the program's
// text boxes take them, and the comparison printed as the plot's labels show it. Shared by
// compare and simulate --svg.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "state/app_state.h"

namespace velmora::cli {

/// Names (without "--") of the spectrum options: spectrum, spectrum-units (the unit of its x
/// column: auto, vacuum, air, cm-1, nm-vacuum, nm-air), baseline, wavelength, multiply, smooth.
const std::vector<std::string>& SpectrumOptionNames();

/// Checks the values of the correction options before anything is computed; throws
/// std::invalid_argument naming the option.
void CheckSpectrumOptions(const Args& args);

/// Loads the spectrum of --spectrum and applies the corrections of the options. Returns false
/// (the problem written to `err`) when the file cannot be read.
bool LoadCorrectedSpectrum(AppState& app, const Args& args, std::ostream& err);

/// The peak correlation and chi-square lines and how many points entered them; when none did,
/// where the spectrum lies and how to give the unit of its x column.
void PrintComparison(const AppState& app, std::ostream& out);

}  // namespace velmora::cli
