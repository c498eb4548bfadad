// Fitting many spectra files with one request, in parallel threads. The files of a batch are
// taken as a series in the order given (the frames of one experiment in time): they are cut into
// blocks of a fixed number of files counted from the first, the first file of a block fitted from
// the request (with its scan of the temperatures), each further file from the result of the file
// before it, which on a series is close to its own answer and saves the scan. Blocks are fitted
// in parallel and each in one order, so the results do not depend on the number of threads. A
// file started from its neighbour whose fit does not converge, ends on a bound, leaves a
// parameter undetermined or fits clearly worse than its neighbour is fitted again from the
// request. A file that fails is reported on its own row, and the file after it starts from the
// request. Without the warm start every file is fitted exactly as alone (the fits share only the
// read-only band systems).
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
    std::string message;       ///< why it failed
    FitResult result;          ///< when fitted
    bool warmStarted = false;  ///< fitted from the result of the file before it
};

/// How the files of a batch are fitted.
struct BatchOptions {
    int jobs = 1;  ///< threads at once (at least 1)
    /// Each file's fit starts from the result of the file before it (within its block).
    bool warmStart = true;
    int block = 16;  ///< files per block of the warm start (1: every file from the request)
};

/// How the spectrum files of a request are read: its reading, on the axis of its conditions.
experiment::SpectrumReading FileReading(const FitRequest& request);

/// Called after each file of a batch, from the thread that fitted it, with the file's index in
/// the list and its row (which stays in place until FitBatch returns).
using BatchRowDone = std::function<void(std::size_t index, const BatchRow& row)>;

/// Fits every file (read by ReadMeasuredSpectrum with FileReading(request)) with the request,
/// its spectrum replaced by the file's.
std::vector<BatchRow> FitBatch(const FitRequest& request, const std::vector<std::string>& files,
                               const BatchOptions& options, const BatchRowDone& done = {});

/// Fits one file of a batch, turning failures into its row; from the free values of `previous`
/// (a neighbour's fit, without the temperature scan) when given, and then once more from the
/// request when that start does not give a sound fit.
BatchRow FitFile(const FitRequest& request, const std::string& file, const FitResult* previous = nullptr);

/// The request started from the free values of a neighbour's result, without the temperature
/// scan (which the neighbour's answer replaces).
FitRequest WarmStartRequest(const FitRequest& request, const FitResult& previous);

/// Whether a fit started from a neighbour's result is kept: on no bound, every parameter
/// determined, and its reduced chi-square at most twice the neighbour's.
bool SoundWarmStart(const FitResult& warm, const FitResult& previous);

}  // namespace velmora::fit
