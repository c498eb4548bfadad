#include "fit/frame_fit.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "common/number_format.h"
#include "fit/fit_errors.h"

namespace velmora::fit {

namespace {

/// Fits one row, started from `previous` (a result of the row before) when given.
FrameRow FitRow(const FitRequest& request, const FrameSpectra& frame, int r, const FitResult* previous) {
    FrameRow row;
    row.index = r;
    row.position = frame.positions[static_cast<std::size_t>(r)];
    row.half = frame.half.empty() ? 0 : frame.half[static_cast<std::size_t>(r)];
    row.fit.file = frame.source + ", row " + std::to_string(r + 1);
    FitRequest q = request;
    try {
        q.spectrum = FrameRowSpectrum(frame, r);
    } catch (const std::exception& e) {
        row.fit.outcome = BatchOutcome::BadInput, row.fit.message = e.what();
        return row;
    }
    auto attempt = [&](const FitRequest& one) {
        try {
            row.fit.result = FitSpectrum(one);
            row.fit.outcome = BatchOutcome::Fitted, row.fit.message.clear();
        } catch (const FitConvergenceError& e) {
            row.fit.outcome = BatchOutcome::NotConverged, row.fit.message = e.what();
        } catch (const FitCancelled&) {
            throw;
        } catch (const std::exception& e) {
            row.fit.outcome = BatchOutcome::BadInput, row.fit.message = e.what();
        }
    };
    if (previous) {
        row.fromNeighbour = true;
        attempt(WarmStartRequest(q, *previous));
        if (row.fit.outcome != BatchOutcome::NotConverged) return row;
        row.fromNeighbour = false;  // once more from the request
    }
    attempt(q);
    return row;
}

}  // namespace

MeasuredSpectrum FrameRowSpectrum(const FrameSpectra& frame, int r) {
    MeasuredSpectrum s;
    s.source = frame.source + ", row " + std::to_string(r + 1) + " (" + frame.positionName + " " +
               Trim(Str(frame.positions[static_cast<std::size_t>(r)])) +
               (frame.positionUnit.empty() ? "" : " " + frame.positionUnit) + ")";
    s.x = frame.x;
    s.y = frame.y[static_cast<std::size_t>(r)];
    if (!frame.sigma.empty() && frame.sigma[static_cast<std::size_t>(r)] > 0.0)
        s.sigma.assign(s.x.size(), frame.sigma[static_cast<std::size_t>(r)]);
    return s;
}

std::vector<FrameRow> FitFrame(const FitRequest& request, const FrameSpectra& frame, const FrameFitOptions& o) {
    const int rows = static_cast<int>(frame.y.size());
    const int first = o.firstRow, last = o.lastRow < 0 ? rows - 1 : o.lastRow;
    if (first < 0 || last >= rows || first > last)
        throw std::invalid_argument("rows " + std::to_string(first + 1) + ".." + std::to_string(last + 1) + ": " +
                                    frame.source + " has rows 1.." + std::to_string(rows));
    const int block = std::max(o.block, 1);
    const int firstBlock = first / block, lastBlock = last / block;
    const int blocks = lastBlock - firstBlock + 1, total = last - first + 1;
    std::vector<FrameRow> out(static_cast<std::size_t>(total));
    std::atomic<int> next{0}, done{0};
    std::atomic<bool> cancelled{false};
    // Each row's fit reports no progress of its own; the frame's cancel stops it at its next step.
    FitRequest base = request;
    base.options.progress = nullptr;
    if (o.cancel) base.options.cancel = o.cancel;

    auto work = [&] {
        for (int b; (b = next.fetch_add(1)) < blocks && !cancelled;) {
            const int r0 = std::max((firstBlock + b) * block, first),
                      r1 = std::min((firstBlock + b + 1) * block - 1, last);
            const FitResult* previous = nullptr;
            for (int r = r0; r <= r1; ++r) {
                // A chain starts afresh where the rows pass from one half of an inversion to the other.
                if (r > r0 && !frame.half.empty() &&
                    frame.half[static_cast<std::size_t>(r)] != frame.half[static_cast<std::size_t>(r) - 1])
                    previous = nullptr;
                FrameRow& row = out[static_cast<std::size_t>(r - first)];
                try {
                    row = FitRow(base, frame, r, previous);
                } catch (const FitCancelled&) {
                    cancelled = true;
                    return;
                }
                if (row.fit.outcome == BatchOutcome::Fitted) previous = &row.fit.result;
                const int n = ++done;
                if (o.progress) o.progress(n, total);
                if (o.cancel && o.cancel->load()) {
                    cancelled = true;
                    return;
                }
            }
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int threads = std::min(o.jobs > 0 ? o.jobs : static_cast<int>(cores), blocks);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    if (cancelled) throw FitCancelled();
    return out;
}

}  // namespace velmora::fit
