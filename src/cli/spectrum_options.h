// The experimental spectrum as velmora-cli options: the file, its corrections as the program's
// text boxes take them, and the comparison printed as the plot's labels show it. Shared by
// compare and simulate --svg.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "experiment/spectrum_formats.h"
#include "state/app_state.h"

namespace velmora::cli {

/// Names (without "--") of the spectrum options: spectrum, spectrum-units (the unit of its x
/// column: auto, vacuum, air, cm-1, nm-vacuum, nm-air), column (the intensity column or frame),
/// response (a spectral response to divide by), baseline, wavelength, multiply, smooth.
const std::vector<std::string>& SpectrumOptionNames();

/// Checks the values of the correction options before anything is computed; throws
/// std::invalid_argument naming the option.
void CheckSpectrumOptions(const Args& args);

/// Checks the options that say how a spectrum file is read, wherever one is read: --spectrum-units
/// (one of its names), --column and --sigma-column (1..1000); throws std::invalid_argument
/// naming the option.
void CheckReadingOptions(const Args& args);

/// How the options say a spectrum file is read: the x unit of --spectrum-units (automatic when
/// absent), the intensity column of --column and the column of uncertainties of --sigma-column
/// (0 when absent), on the axis unit `axisUnits`.
experiment::SpectrumReading SpectrumReadingFromOptions(const Args& args, int axisUnits);

/// Loads the spectrum of --spectrum and applies the corrections of the options. Returns false
/// when the file cannot be read (the app's dialogs have shown the problem).
bool LoadCorrectedSpectrum(AppState& app, const Args& args);

/// The peak correlation and chi-square lines and how many points entered them (the line ending
/// with `notice` when there is one). When none did, nothing goes to `out`; `err` says, after
/// "velmora-cli COMMAND: ", where the spectrum lies and how to give the unit of its x column,
/// and the result is false.
bool PrintComparison(const AppState& app, const std::string& command, const std::string& notice, std::ostream& out,
                     std::ostream& err);

}  // namespace velmora::cli
