// velmora-cli fit-frame: fits every row of a spectrograph frame (or, with --abel, every ring of
// its Abel inversion) with the options of fit, on every core. Exit codes as fit: 0 every row
// fitted, 1 bad input (a file, an option, or a row that cannot be fitted), 2 a row not
// converged or undetermined.
#include <algorithm>
#include <mutex>
#include <ostream>
#include <stdexcept>

#include "cli/fit_options.h"
#include "cli/frame_options.h"
#include "cli/simulate_options.h"
#include "common/number_format.h"
#include "display/frame_plots.h"
#include "fit/fit_report.h"
#include "fit/frame_fit.h"

namespace velmora::cli {

namespace {

int RunFitFrame(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    std::vector<std::string> flags = kSimulationFlags;
    flags.insert(flags.end(), kFrameFlags.begin(), kFrameFlags.end());
    const Args args(words, flags);
    std::vector<std::string> known = SimulationOptionNames();
    known.insert(known.end(), FitOptionNames().begin(), FitOptionNames().end());
    known.insert(known.end(), FrameOptionNames().begin(), FrameOptionNames().end());
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    for (const char* option : {"spectrum", "residuals", "spectrum-units", "column", "sigma-column"})
        if (args.Has(option))
            throw std::invalid_argument(std::string("option --") + option +
                                        " is one of fit's; fit-frame reads --frame");
    // The rows of a frame carry uncertainties only after an inversion (propagated from the noise).
    if (args.Get("weights") == "file" && !args.Has("abel"))
        throw std::invalid_argument(
            "option --weights file: the rows of a frame carry uncertainties only after --abel; use "
            "--weights noise or uniform");
    const int jobs = args.Integer("jobs", 0);
    if (jobs < 0 || jobs > 256) throw std::invalid_argument("option --jobs takes 1..256 threads (0: every core)");
    const int block = args.Integer("block", 16);
    if (block < 1) throw std::invalid_argument("option --block takes 1 or more rows");

    const fit::FramePreparation how = FramePreparationFromOptions(args);
    const fit::FitRequest request = FitRequestFromOptions(args, false);
    const fit::FrameSpectra frame = fit::PrepareFrame(how, request.conditions.unit);
    err << frame.source << ": " << frame.detail << "\n";

    fit::FrameFitOptions options;
    options.jobs = jobs, options.block = block;
    std::mutex progress;
    int shown = 0;
    options.progress = [&](int done, int total) {
        const std::lock_guard<std::mutex> lock(progress);
        if (done == total || done * 20 / total > shown * 20 / total) err << "[" << done << "/" << total << "] rows\n";
        shown = done;
    };
    const std::vector<fit::FrameRow> rows = fit::FitFrame(request, frame, options);

    bool badInput = false, unsettled = false;
    const std::string unit = frame.positionUnit.empty() ? "" : " " + frame.positionUnit;
    for (const fit::FrameRow& row : rows) {
        out << "row " << row.index + 1 << " (" << frame.positionName << " " << Trim(Str(row.position)) << unit
            << (row.half == 0  ? ""
                : row.half < 0 ? ", lower half"
                               : ", upper half")
            << "): " << fit::OutcomeLine(row.fit) << "\n";
        badInput = badInput || row.fit.outcome == fit::BatchOutcome::BadInput;
        unsettled = unsettled || row.fit.outcome == fit::BatchOutcome::NotConverged ||
                    (row.fit.outcome == fit::BatchOutcome::Fitted && row.fit.result.undetermined);
    }
    if (args.Has("out")) fit::WriteFrameCsv(args.Get("out"), frame, rows);
    if (args.Has("svg")) display::WriteFrameProfilesSvg(args.Get("svg"), frame, rows, request.conditions.unit);
    const auto fitted = std::count_if(
        rows.begin(), rows.end(), [](const fit::FrameRow& r) { return r.fit.outcome == fit::BatchOutcome::Fitted; });
    err << fitted << " of " << rows.size() << " rows fitted\n";
    return badInput ? 1 : unsettled ? 2 : 0;
}

const bool registered = RegisterCommand(
    {"fit-frame",
     "fit-frame --entry N --frame FILE [frame options] [fit options] [simulation options]  fits every row of a\n"
     "        spectrograph frame (or every ring of its Abel inversion, --abel) on --jobs threads (default every\n"
     "        core), one result row per row of the frame (--out CSV, --svg profiles); exit codes as fit" +
         FrameOptionsHelp(),
     &RunFitFrame});

}  // namespace

}  // namespace velmora::cli
