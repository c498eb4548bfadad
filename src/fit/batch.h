// Fitting many spectra files with one request, in parallel threads: every file is fitted exactly
// as alone (the fits share only the read-only band systems), so the results do not depend on
// the number of threads, and a file that fails is reported on its own row.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "fit/fit_spectrum.h"

namespace velmora::fit {

/// How the fit of one file ended.
enum class BatchOutcome {
    Fitted = 0,
    BadInput = 1,      ///< the file or the request cannot be fitted (FitInputError, FileError)
    NotConverged = 2,  ///< FitConvergenceError
};

/// One file of a batch.
struct BatchRow {
    std::string file;
    BatchOutcome outcome = BatchOutcome::Fitted;
    std::string message;  ///< why it failed
    FitResult result;     ///< when fitted
};

/// How the spectrum files of a request are read: its reading, on the axis of its conditions.
experiment::SpectrumReading FileReading(const FitRequest& request);

/// Called after each file of a batch, from the thread that fitted it, with the file's index in
/// the list and its row (which stays in place until FitBatch returns).
using BatchRowDone = std::function<void(std::size_t index, const BatchRow& row)>;

/// Fits every file (read by ReadMeasuredSpectrum with FileReading(request)) with the request,
/// its spectrum replaced by the file's; `jobs` threads at once (at least 1).
std::vector<BatchRow> FitBatch(const FitRequest& request, const std::vector<std::string>& files, int jobs,
                               const BatchRowDone& done = {});

/// Fits one file of a batch, turning failures into its row.
BatchRow FitFile(const FitRequest& request, const std::string& file);

}  // namespace velmora::fit
