// The list of experimental spectra loaded since start-up: loading, selecting, stepping through,
// removing, and saving the corrected spectrum.
#pragma once

#include <string>

#include "experiment/experiment_view.h"

namespace velmora::experiment {

/// "Load spectra" on OK: appends the file to the list without corrections (baseline 0,
/// wavelength 0, factor 1), with the unit of its x column (0 automatic, else an axis unit code)
/// and its intensity column (1-based, 0 automatic), and shows it. An empty path (dialog
/// cancelled) does nothing.
void LoadSpectrum(ExperimentView app, const std::string& path, int xUnit = 0, int column = 0);

/// Selecting entry `index` of CmbExpFile: reads that file again, converts its x to the axis unit,
/// shows its corrections in the text boxes, applies them and redraws.
void CmbExpFile_Click(ExperimentView app, int index);

/// The x unit of the file shown was chosen in CmbExpXUnit (0 automatic, else an axis unit code):
/// the file is read again in that unit, and the next file loaded is offered the same.
void CmbExpXUnit_Click(ExperimentView app, int index);

/// The intensity column of the file shown was chosen in UpDExpColumn (1-based, 0 automatic): the
/// file is read again, and the next files loaded take the same column. A column the file does
/// not have is reported (file and number of columns) and the spectrum is read as before.
void UpDExpColumn_Change(ExperimentView app, int column);

/// The spinner UpDExpFile moved to `value`: selects that entry (when more than one is loaded).
void UpDExpFile_Change(ExperimentView app, int value);

/// "Save modified spectra": writes the corrected spectrum to `path` (an empty path does
/// nothing). A write failure is reported in a message naming the file; an existing file is
/// then left as it was. Returns true when the file was written.
bool SaveModifiedSpectra(ExperimentView app, const std::string& path);

/// "Clear": removes the file shown from the list and shows its neighbour.
void CmdClear_Click(ExperimentView app);
/// "Clear all": empties the list and resets the corrections.
void CmdClearAll_Click(ExperimentView app);

}  // namespace velmora::experiment
