// A fit's result as people and programs read it: the parameter table with uncertainties rounded
// to two significant digits, the result rows of a batch as CSV, and the residuals as CSV.
#pragma once

#include <string>
#include <vector>

#include "fit/batch.h"
#include "fit/fit_spectrum.h"
#include "fit/frame_fit.h"
#include "simulation/conditions.h"

namespace velmora::fit {

/// The unit of a parameter on an axis unit ("K", "Å", "y·Å", "1/Å" ...).
std::string ParameterUnit(ParameterKind kind, simulation::AxisUnit unit);

/// A value with its standard uncertainty, both rounded at the second significant digit of the
/// uncertainty ("1995 ± 5.9", "0.0312 ± 0.0011"); "(fixed)" for a fixed parameter and
/// "± undetermined" when the data do not determine it.
std::string ValueWithUncertainty(double value, double uncertainty, bool free);

/// What stands beside parameter k's headline uncertainty: the method that gave it when it is not
/// the covariance, the other estimates, and the profile-χ² interval ("correlated residuals;
/// covariance ± 2.5"); "" when there is nothing to add.
std::string UncertaintyNote(const FitResult& r, std::size_t k);

/// The line that says how the uncertainties were estimated (correlation length and independent
/// points, bootstrap resamples, profile threshold).
std::string UncertaintyMethodsLine(const FitResult& r);

/// The printed result: one line per parameter (name, value ± uncertainty, unit, "at bound", the
/// uncertainty note), then the goodness of fit, the misfit diagnostics, the uncertainty methods,
/// evaluations and why the fit stopped, the intensity convention and the weights, then every
/// notice and warning. Units are those of the result's axis.
std::vector<std::string> ResultLines(const FitResult& r);

/// One line on how a fit of a batch ended: "t = 1995 ± 5.9, reduced chi-square 1.02[, N warning(s)]",
/// "bad input: <message>" or "not converged: <message>".
std::string OutcomeLine(const BatchRow& row);

/// The columns of fit results in a CSV row, after the columns that say which spectrum it is:
/// status (fitted, bad input, not converged), message, reduced chi-square, points, evaluations,
/// convention, then value and uncertainty of every parameter any row has, the parameters at a
/// bound and the warnings; then the misfit diagnostics, every uncertainty estimate of each
/// parameter with the method of its headline, and the notices. Every table of results (a batch of files, the rows of a
/// frame) writes its rows through this one description.
class ResultColumns {
public:
    /// The columns of the parameters that any of the rows has, in the order first met.
    explicit ResultColumns(const std::vector<const BatchRow*>& rows);
    std::string Header() const;
    std::string Fields(const BatchRow& row) const;

private:
    std::vector<std::string> names_;
};

/// Writes the printed result (ResultLines) as a text file (CR-LF; replaced only when complete).
/// FileError when the file cannot be written.
void WriteFitResults(const std::string& path, const FitResult& r);

/// Writes one CSV row per file of a batch: the file, then the ResultColumns. FileError when the
/// file cannot be written.
void WriteBatchCsv(const std::string& path, const std::vector<BatchRow>& rows);
/// The same for rows held elsewhere (a batch still running: the rows finished so far).
void WriteBatchCsv(const std::string& path, const std::vector<const BatchRow*>& rows);

/// The column of the rows' positions: "position" or "radius", with the unit when known
/// ("radius_mm").
std::string PositionColumn(const FrameSpectra& frame);

/// Writes one CSV row per row of a frame: its row (1-based), position (or radius), the half of
/// an inversion kept apart (lower, upper), how it was started (request, neighbour), then the
/// ResultColumns. FileError when the file cannot be written.
void WriteFrameCsv(const std::string& path, const FrameSpectra& frame, const std::vector<FrameRow>& rows);

/// Writes the result table of one fit: a row per parameter (name, value, headline uncertainty,
/// unit, its method, every estimate, free, at bound), then a row per diagnostic (name, value).
/// FileError when the file cannot be written.
void WriteFitResultCsv(const std::string& path, const FitResult& r);

/// Writes x, y, model, residual (y − model), fitted (1/0), each band system's part and each
/// component (band, branch) per point.
void WriteResidualsCsv(const std::string& path, const FitResult& r);

}  // namespace velmora::fit
