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

/// The printed result: one line per parameter (name, value ± uncertainty, unit, "at bound"),
/// then chi-square, points, evaluations, why the fit stopped, the intensity convention and the
/// weights, then every warning.
std::vector<std::string> ResultLines(const FitResult& r, simulation::AxisUnit unit);

/// Writes the printed result (ResultLines) as a text file (CR-LF; replaced only when complete).
/// FileError when the file cannot be written.
void WriteFitResults(const std::string& path, const FitResult& r, simulation::AxisUnit unit);

/// Writes one CSV row per file of a batch: file, status (fitted, bad input, not converged),
/// message, reduced chi-square, points, evaluations, convention, then value and uncertainty of
/// every parameter any row has, and the warnings. FileError when the file cannot be written.
void WriteBatchCsv(const std::string& path, const std::vector<BatchRow>& rows);
/// The same for rows held elsewhere (a batch still running: the rows finished so far).
void WriteBatchCsv(const std::string& path, const std::vector<const BatchRow*>& rows);

/// Writes x, y, model, residual (y − model), fitted (1/0) and each band system's part per point.
void WriteResidualsCsv(const std::string& path, const FitResult& r);

}  // namespace velmora::fit
