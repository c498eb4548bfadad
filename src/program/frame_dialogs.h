// The rules of the Fit frame and LIF temperature image windows, without a window: what they hold
// between runs, the work they make from their fields, the screen's conditions and the selected
// band system, and the table of a frame's results.
#pragma once

#include <string>
#include <vector>

#include "fit/frame_fit.h"
#include "fit/lif_image.h"
#include "program/fit_dialog.h"
#include "program/settings.h"
#include "state/app_state.h"

namespace velmora::program {

/// The fields of the Fit frame window, as typed.
struct FitFrameDialogState {
    std::string frame, axis, dark, response;
    std::string rows;       ///< "A:B" (1-based), empty for all
    std::string positions;  ///< "FIRST:STEP[:UNIT]", empty for the file's
    int image = 1, bin = 1, block = 16, jobs = 0;
    bool abel = false;
    std::string centre;  ///< empty: found
    int halves = 0;      ///< experiment::AbelHalves
    std::string regularisation = "0";
};

/// Its settings (section "FitFrame").
void LoadFitFrameDialog(FitFrameDialogState& dialog, const KeyValueStore& store);
void SaveFitFrameDialog(const FitFrameDialogState& dialog, KeyValueStore& store);

/// What a run of the window does: the fit of the Fit dialog's settings, the frame's preparation
/// and how its rows are fitted.
struct FrameFitJob {
    fit::FitRequest request;
    fit::FramePreparation how;
    fit::FrameFitOptions options;
};

/// The job of the fields with the parameters of the Fit dialog (free, values, bounds, excluded
/// ranges, extra systems, weights). Throws fit::FitInputError naming the field that is not usable.
FrameFitJob FrameFitJobFromDialog(AppState& app, const FitFrameDialogState& dialog, const FitDialogState& fit);

/// The table of a frame's results: a header, then per row its number, position, status and the
/// value ± uncertainty of every free parameter, and the reduced chi-square.
std::vector<std::vector<std::string>> FrameResultTable(const fit::FrameSpectra& frame,
                                                       const std::vector<fit::FrameRow>& rows,
                                                       simulation::AxisUnit unit);

/// The fields of the LIF temperature image window, as typed.
struct LifImageDialogState {
    std::string images;       ///< files separated by ';' (one per line, or one stack)
    std::string lines;        ///< laser positions, axis unit, separated by commas or blanks
    std::string backgrounds;  ///< files separated by ';'
    std::string energies, noise;
    std::string threshold = "0.05", gain = "0", temperatures = "300:3000";
};

/// Its settings (section "LifImage").
void LoadLifImageDialog(LifImageDialogState& dialog, const KeyValueStore& store);
void SaveLifImageDialog(const LifImageDialogState& dialog, KeyValueStore& store);

/// The request of the fields: the selected band system, the screen's conditions as LIF
/// excitation, the images read. Throws fit::FitInputError naming the field, FileError the file.
fit::LifImageRequest LifImageRequestFromDialog(AppState& app, const LifImageDialogState& dialog);

}  // namespace velmora::program
