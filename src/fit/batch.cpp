#include "fit/batch.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "common/errors.h"
#include "fit/fit_errors.h"

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
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < files.size();) {
            rows[i] = FitFile(request, files[i]);
            if (done) done(i, rows[i]);
        }
    };
    const int threads =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), files.size()));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    return rows;
}

}  // namespace velmora::fit
