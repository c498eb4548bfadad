// Fitting every row of a frame with one request, on several threads. The rows are cut into
// blocks of a fixed number of rows, counted from the first row of the frame: the first row of a
// block starts from the request (with its scan of the temperatures), each further row from the
// result of the row before it, which on a frame of a smooth source is close to its own answer
// and saves the scan. Blocks are fitted in parallel and each in one order, so the results do not
// depend on the number of threads, nor on whether a range of rows made of whole blocks is fitted
// here or elsewhere. A row that fails is reported on its row; the next row then starts from the
// last row fitted (or from the request), and a row started from its neighbour that does not
// converge is fitted again from the request.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "fit/batch.h"
#include "fit/fit_spectrum.h"
#include "fit/frame_spectra.h"

namespace velmora::fit {

/// How the rows of a frame are fitted.
struct FrameFitOptions {
    int jobs = 0;    ///< threads; 0: one per core
    int block = 16;  ///< rows per block (1: every row from the request)
    /// The rows fitted, first..last (0-based, inclusive; last −1: to the end), for a share of
    /// the rows fitted elsewhere; give whole blocks to get the rows of a run over all of them.
    int firstRow = 0, lastRow = -1;
    /// Called after each row with the rows done and the rows in all, from the fitting threads.
    std::function<void(int done, int total)> progress;
    /// When set and true, the fits stop and FitFrame throws FitCancelled.
    const std::atomic<bool>* cancel = nullptr;
};

/// One row of a frame and its fit.
struct FrameRow {
    int index = 0;  ///< row of the prepared frame, 0-based
    double position = 0.0;
    int half = 0;                ///< −1 / +1 for the halves of an inversion kept apart, else 0
    bool fromNeighbour = false;  ///< started from the result of the row before
    BatchRow fit;                ///< outcome, message and result; its file is "<frame>, row N"
};

/// The spectrum of row r of a frame as a fit reads it.
MeasuredSpectrum FrameRowSpectrum(const FrameSpectra& frame, int r);

/// Fits the selected rows of the frame with the request (its spectrum is replaced by each
/// row's). Throws FitCancelled when cancelled, std::invalid_argument for rows outside the frame.
std::vector<FrameRow> FitFrame(const FitRequest& request, const FrameSpectra& frame,
                               const FrameFitOptions& options = {});

}  // namespace velmora::fit
