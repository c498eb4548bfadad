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

FitRequest WarmStartRequest(const FitRequest& request, const FitResult& previous) {
    FitRequest near = request;
    for (const Parameter& p : previous.parameters)
        if (p.free) near.settings.start[p.name] = p.value;
    near.options.scanPoints = 0;
    return near;
}

bool SoundWarmStart(const FitResult& warm, const FitResult& previous) {
    if (warm.undetermined) return false;
    for (std::size_t k = 0; k < warm.atBound.size(); ++k)
        if (warm.atBound[k] && !(k < previous.atBound.size() && previous.atBound[k])) return false;
    return !(warm.reducedChiSquare > 2.0 * previous.reducedChiSquare);
}

BatchRow FitFile(const FitRequest& request, const std::string& file, const FitResult* previous) {
    BatchRow row;
    row.file = file;
    FitRequest r = request;
    auto attempt = [&](const FitRequest& one) {
        try {
            row.result = FitSpectrum(one);
            row.outcome = BatchOutcome::Fitted, row.message.clear();
        } catch (const FitConvergenceError& e) {
            row.outcome = BatchOutcome::NotConverged;
            row.message = e.what();
        } catch (const std::exception& e) {
            // FitInputError, FileError and the conditions' own errors: the input cannot be fitted.
            row.outcome = BatchOutcome::BadInput;
            row.message = e.what();
        }
    };
    try {
        r.spectrum = ReadMeasuredSpectrum(file, FileReading(request));
    } catch (const std::exception& e) {
        row.outcome = BatchOutcome::BadInput;
        row.message = e.what();
        return row;
    }
    if (previous) {
        attempt(WarmStartRequest(r, *previous));
        row.warmStarted = true;
        if (row.outcome == BatchOutcome::BadInput) return row;  // the same from any start
        if (row.outcome == BatchOutcome::Fitted && SoundWarmStart(row.result, *previous)) return row;
        row.warmStarted = false;  // once more from the request
    }
    attempt(r);
    return row;
}

std::vector<BatchRow> FitBatch(const FitRequest& request, const std::vector<std::string>& files,
                               const BatchOptions& options, const BatchRowDone& done) {
    std::vector<BatchRow> rows(files.size());
    // Blocks in parallel: each fit's own work (bootstrap, starts) stays on its thread.
    FitRequest each = request;
    const int jobs = std::max(options.jobs, 1);
    if (jobs > 1) each.options.threads = 1;
    const std::size_t block = options.warmStart ? static_cast<std::size_t>(std::max(options.block, 1)) : 1;
    const std::size_t blocks = (files.size() + block - 1) / block;
    ParallelFor(blocks, jobs, [&](std::size_t b) {
        const FitResult* previous = nullptr;
        for (std::size_t i = b * block; i < std::min(files.size(), (b + 1) * block); ++i) {
            rows[i] = FitFile(each, files[i], previous);
            previous = rows[i].outcome == BatchOutcome::Fitted ? &rows[i].result : nullptr;
            if (done) done(i, rows[i]);
        }
    });
    return rows;
}

}  // namespace velmora::fit
