// A fit's result as people and programs read it: the parameter table with uncertainties rounded
// to two significant digits, the result rows of a batch as CSV, and the residuals as CSV.
#pragma once

#include <string>
#include <vector>

#include "fit/batch.h"
#include "fit/fit_spectrum.h"
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
/// notice and warning.
std::vector<std::string> ResultLines(const FitResult& r, simulation::AxisUnit unit);

/// Writes one CSV row per file of a batch: file, status (fitted, bad input, not converged),
/// message, reduced chi-square, points, evaluations, convention, then value and (headline)
/// uncertainty of every parameter any row has, the parameters at a bound and the warnings; then
/// the diagnostics, every uncertainty estimate of each parameter with the method of its
/// headline, and the notices. FileError when the file cannot be written.
void WriteBatchCsv(const std::string& path, const std::vector<BatchRow>& rows);

/// Writes the result table of one fit: a row per parameter (name, value, headline uncertainty,
/// unit, its method, every estimate, free, at bound), then a row per diagnostic (name, value).
/// FileError when the file cannot be written.
void WriteFitResultCsv(const std::string& path, const FitResult& r, simulation::AxisUnit unit);

/// Writes x, y, model, residual (y − model), fitted (1/0), each band system's part and each
/// component (band, branch) per point.
void WriteResidualsCsv(const std::string& path, const FitResult& r);

}  // namespace velmora::fit
