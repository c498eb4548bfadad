#include "fit/batch.h"

#include <algorithm>

#include "common/errors.h"
#include "fit/fit_errors.h"
#include "fit/parallel.h"

namespace velmora::fit {

experiment::SpectrumReading FileReading(const FitRequest& request) {
    experiment::SpectrumReading how = request.reading;
    how.axisUnits = simulation::StoredValue(request.conditions.unit);
    return how;
}

BatchRow FitFile(const FitRequest& request, const std::string& file) {
    BatchRow row;
    row.file = file;
    try {
        FitRequest r = request;
        r.spectrum = ReadMeasuredSpectrum(file, FileReading(request));
        row.result = FitSpectrum(r);
    } catch (const FitConvergenceError& e) {
        row.outcome = BatchOutcome::NotConverged;
        row.message = e.what();
    } catch (const std::exception& e) {
        // FitInputError, FileError and the conditions' own errors: the input cannot be fitted.
        row.outcome = BatchOutcome::BadInput;
        row.message = e.what();
    }
    return row;
}

std::vector<BatchRow> FitBatch(const FitRequest& request, const std::vector<std::string>& files, int jobs,
                               const BatchRowDone& done) {
    std::vector<BatchRow> rows(files.size());
    // Files in parallel: each fit's own work (bootstrap, starts) stays on its thread.
    FitRequest each = request;
    if (jobs > 1) each.options.threads = 1;
    ParallelFor(files.size(), std::max(jobs, 1), [&](std::size_t i) {
        rows[i] = FitFile(each, files[i]);
        if (done) done(i, rows[i]);
    });
    return rows;
}

}  // namespace velmora::fit
