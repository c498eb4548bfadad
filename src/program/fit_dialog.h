// The rules of the Fit dialog, without a window: its parameter grid (free, value, min, max),
// the excluded ranges and extra band systems, their settings between runs, the fit request they
// make from the screen's conditions and the loaded spectrum, the result table, and Apply.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "fit/fit_spectrum.h"
#include "program/settings.h"
#include "state/app_state.h"

namespace velmora::program {

/// One row of the parameter grid: texts as typed; an empty value, min or max keeps the default.
struct FitDialogRow {
    std::string name;
    bool free = false;
    std::string value, min, max;
};

/// Everything the dialog holds.
struct FitDialogState {
    std::vector<FitDialogRow> rows;
    std::string exclusions;    ///< x ranges "A:B, C:D" left out of the fit
    std::string extraSystems;  ///< catalogue entries "5, 7" fitted together with the selected system
    int weighting = 0;         ///< fit::Weighting: uniform, file column, noise estimate
    int sigmaColumn = 0;       ///< the file's column of uncertainties (1-based) for file-column weights; 0 none chosen
    int convention = 0;        ///< fit::IntensityConvention: photon counts, energy
    int bootstrap = 0;         ///< block-bootstrap resamples (0: none)
    int components = 1;        ///< fit::ComponentDetail: per band system, per band, per branch
};

/// A new dialog: one row per parameter kind (t, tvib, pop, scale, baseline, slope, shift, stretch,
/// quadratic, gauss or laser, lorentz), t, scale and baseline free, values empty (the conditions').
FitDialogState NewFitDialog(const AppState& app);

/// The dialog's settings (section "Fit"): free names, values, bounds, exclusions, systems,
/// weights, the column of uncertainties, convention, bootstrap resamples and components. Unknown
/// names in stored settings are dropped.
void LoadFitDialog(FitDialogState& dialog, const KeyValueStore& store);
void SaveFitDialog(const FitDialogState& dialog, KeyValueStore& store);

/// The request of the dialog: the band system the screen simulates (an opened line list, or the
/// selected system; and the extra entries), the conditions
/// of the screen and the experimental spectrum shown as corrected; with weights from a column,
/// its uncertainties from that column of its file (experiment::ShownUncertainties). Throws
/// fit::FitInputError naming the row or field that is not a number, when no spectrum is loaded,
/// and when weights from a column have no column chosen or its file cannot be read so.
fit::FitRequest FitRequestFromDialog(AppState& app, const FitDialogState& dialog);

/// The request of the dialog without a spectrum (the rows of a frame take its place): band
/// systems, conditions and parameter settings. Throws fit::FitInputError as FitRequestFromDialog.
fit::FitRequest FitSettingsFromDialog(AppState& app, const FitDialogState& dialog);

/// The result table: per parameter its name, value ± uncertainty with unit, and a flag ("at
/// bound", "fixed" or empty) followed by the uncertainty's method when it is not the covariance;
/// units on the axis of the fit. A last row "y" says what y stands for when a unit holds it
/// (the scale in y·nm, the baseline in y).
std::vector<std::array<std::string, 3>> FitResultTable(const fit::FitResult& r);

/// The report of a result as the clipboard takes it: the lines velmora-cli fit prints.
std::string FitReportText(const fit::FitResult& r);

/// Apply: sets the conditions, populations and corrections to what the fit determined, then
/// re-simulates and shows the residual strip.
/// - First band system: the temperature t; the rotational distributions of every level thermal
///   at t; the vibrational ones Boltzmann at tvib (when fitted apart from t), the free level
///   populations pop(v=N) as fitted (non-thermal), or, with one common temperature, the
///   thermalised system at t.
///   An opened line list or a system of any multiplicity is simulated thermal at the temperature
///   of the conditions: only t is applied, there (the populations window holds no levels of it).
/// - Instrument function: Gaussian, Lorentzian or Voigt of the fitted widths.
/// - Axis: the fitted shift added to the wavelength correction.
/// - Intensity: the fitted baseline offset into the baseline correction and the factor between
///   the program's simulation and the fit's model of the first system into "Multiply by", so
///   that the spectrum lies over the new simulation as it lay over the fit's model.
/// The loaded spectrum's data stay as they are. Returns one sentence per fitted quantity the
/// program cannot hold (further band systems, baseline slope, stretch and quadratic axis terms,
/// values beyond what a box takes), for the dialog to show.
std::vector<std::string> ApplyFitResult(AppState& app, const fit::FitResult& r);

}  // namespace velmora::program
