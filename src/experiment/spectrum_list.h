// The list of experimental spectra loaded since start-up: loading, selecting, stepping through,
// removing, and saving the corrected spectrum.
#pragma once

#include <string>

namespace velmora {
struct AppState;
}

namespace velmora::experiment {

/// "Load spectra" on OK: appends the file to the list without corrections (baseline 0,
/// wavelength 0, factor 1), with the unit of its x column (0 automatic, else an axis unit code),
/// and shows it. An empty path (dialog cancelled) does nothing.
void LoadSpectrum(AppState& app, const std::string& path, int xUnit = 0);

/// Selecting entry `index` of CmbExpFile: reads that file again, converts its x to the axis unit,
/// shows its corrections in the text boxes, applies them and redraws.
void CmbExpFile_Click(AppState& app, int index);

/// The spinner UpDExpFile moved to `value`: selects that entry (when more than one is loaded).
void UpDExpFile_Change(AppState& app, int value);

/// "Save modified spectra": writes the corrected spectrum to `path` (an empty path does
/// nothing). A write failure is reported in a message naming the file; an existing file is
/// then left as it was. Returns true when the file was written.
bool SaveModifiedSpectra(AppState& app, const std::string& path);

/// "Clear": removes the file shown from the list and shows its neighbour.
void CmdClear_Click(AppState& app);
/// "Clear all": empties the list and resets the corrections.
void CmdClearAll_Click(AppState& app);

}  // namespace velmora::experiment
