// The standard uncertainties of the spectrum shown, for a fit weighted by them: read again from
// a column of its file and scaled as its intensities were scaled when it was loaded.
#pragma once

#include <vector>

#include "experiment/experiment_state.h"

namespace velmora::experiment {

/// The standard uncertainty of every point shown (ExpY, 0..ExpPoints, axis unit `axisUnits`):
/// column `sigmaColumn` (1-based) of the file shown, read with that file's x unit and intensity
/// column, and scaled as its intensities were (to a largest of 100; divided by the spectral
/// response in force and scaled to 100 again) and by the factor "Multiply by". The baseline and
/// wavelength corrections leave σ as it is; smoothing is not accounted for (σ then describe the
/// points as measured). Throws FileError naming the file when it cannot be read so or gives
/// other points than those shown, std::invalid_argument when no spectrum is shown.
std::vector<double> ShownUncertainties(const ExperimentState& exp, int axisUnits, int sigmaColumn);

}  // namespace velmora::experiment
