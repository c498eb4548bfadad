// velmora-cli fit: fits one measured spectrum, or a batch of them in parallel threads, with the
// simulation of one or more band systems. Exit codes: 0 fitted, 1 bad input, 2 not converged or
// a parameter the data do not determine.
#include <chrono>
#include <mutex>
#include <ostream>
#include <stdexcept>

#include "cli/fit_options.h"
#include "cli/simulate_options.h"
#include "display/fit_plot.h"
#include "fit/batch.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"

namespace velmora::cli {

namespace {

std::string AxisLabel(simulation::AxisUnit u) {
    switch (u) {
        case simulation::AxisUnit::AngstromAir:
            return "wavelength in air (Å)";
        case simulation::AxisUnit::Wavenumber:
            return "wavenumber (cm-1)";
        default:
            return "wavelength in vacuum (Å)";
    }
}

int FitOne(const fit::FitRequest& request, const Args& args, const std::string& file, std::ostream& out,
           std::ostream& err) {
    fit::FitRequest r = request;
    r.spectrum = fit::ReadMeasuredSpectrum(file, fit::FileReading(r));
    if (!r.spectrum.notice.empty()) err << r.spectrum.notice << "\n";
    fit::BatchRow row;
    row.file = file;
    try {
        row.result = fit::FitSpectrum(r);
    } catch (const fit::FitConvergenceError& e) {
        err << "velmora-cli fit: " << file << ": not converged: " << e.what() << "\n";
        row.outcome = fit::BatchOutcome::NotConverged, row.message = e.what();
        if (args.Has("out")) fit::WriteBatchCsv(args.Get("out"), {row});
        return 2;
    }
    const fit::FitResult& result = row.result;
    std::string systems;
    for (const std::string& s : result.systems) systems += (systems.empty() ? "" : " + ") + s;
    out << file << ": " << systems << "\n";
    const std::vector<std::string> report = fit::ResultLines(result);
    for (const std::string& line : report) out << line << "\n";
    if (args.Has("out")) fit::WriteBatchCsv(args.Get("out"), {row});
    if (args.Has("residuals")) fit::WriteResidualsCsv(args.Get("residuals"), result);
    if (args.Has("svg"))
        display::WriteFitSvg(args.Get("svg"), result, AxisLabel(r.conditions.unit), r.options.components, report);
    if (result.undetermined) {
        err << "velmora-cli fit: " << file << ": the data do not determine every free parameter (see the warnings)\n";
        return 2;
    }
    return 0;
}

/// The CSV of a running batch: rewritten, in the order of the files, with the rows finished so
/// far, at most once every few seconds while the batch runs (each time replacing the file
/// whole), so that an interrupted batch keeps the rows it fitted.
class BatchCsvProgress {
public:
    BatchCsvProgress(std::string path, std::size_t files) : path_(std::move(path)), rows_(files, nullptr) {}

    /// Records a finished row; writes the file when the last write is old enough.
    void Finished(std::size_t index, const fit::BatchRow& row) {
        rows_[index] = &row;
        const auto now = std::chrono::steady_clock::now();
        if (path_.empty() || now - written_ < kInterval) return;
        Write();
        written_ = now;
    }

private:
    void Write() const {
        std::vector<const fit::BatchRow*> finished;
        for (const fit::BatchRow* row : rows_)
            if (row) finished.push_back(row);
        fit::WriteBatchCsv(path_, finished);
    }

    static constexpr std::chrono::seconds kInterval{2};
    std::string path_;
    std::vector<const fit::BatchRow*> rows_;
    std::chrono::steady_clock::time_point written_{};  ///< the first finished row is written at once
};

int FitMany(const fit::FitRequest& request, const Args& args, const std::vector<std::string>& files, int jobs,
            std::ostream& out, std::ostream& err) {
    std::mutex progress;
    std::size_t done = 0;
    BatchCsvProgress csv(args.Get("out"), files.size());
    // The rows and the table of a batch hold the parameters, never the model's components.
    fit::FitRequest each = request;
    each.options.components = fit::ComponentDetail::Systems;
    const std::vector<fit::BatchRow> rows = fit::FitBatch(
        each, files, {jobs, !args.Has("no-warm-start")}, [&](std::size_t index, const fit::BatchRow& row) {
            const std::lock_guard<std::mutex> lock(progress);
            err << "[" << ++done << "/" << files.size() << "] " << row.file
                << (row.outcome == fit::BatchOutcome::Fitted ? " fitted" : " failed") << "\n";
            try {
                csv.Finished(index, row);
            } catch (const std::exception& e) {
                // The batch goes on; the file is written again with the next rows and at the end.
                err << "velmora-cli fit: " << e.what() << "\n";
            }
        });
    bool badInput = false, unsettled = false;
    for (const fit::BatchRow& row : rows) {
        out << row.file << ": " << fit::OutcomeLine(row) << "\n";
        badInput = badInput || row.outcome == fit::BatchOutcome::BadInput;
        unsettled = unsettled || row.outcome == fit::BatchOutcome::NotConverged ||
                    (row.outcome == fit::BatchOutcome::Fitted && row.result.undetermined);
    }
    if (args.Has("out")) fit::WriteBatchCsv(args.Get("out"), rows);
    return badInput ? 1 : unsettled ? 2 : 0;
}

int RunFit(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    std::vector<std::string> flags = kSimulationFlags;
    flags.push_back("no-warm-start");
    const Args args(JoinSpectrumWords(words), flags);
    std::vector<std::string> known = SimulationOptionNames();
    known.insert(known.end(), FitOptionNames().begin(), FitOptionNames().end());
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    const std::vector<std::string> files = SpectrumFiles(args);
    const int jobs = args.Integer("jobs", 1);
    if (jobs < 1 || jobs > 256) throw std::invalid_argument("option --jobs takes 1..256 threads");
    if (files.size() > 1 && (args.Has("residuals") || args.Has("svg")))
        throw std::invalid_argument("options --residuals and --svg go with one spectrum file");
    const fit::FitRequest request = FitRequestFromOptions(args);
    return files.size() == 1 ? FitOne(request, args, files.front(), out, err)
                             : FitMany(request, args, files, jobs, out, err);
}

const bool registered = RegisterCommand(
    {"fit",
     "fit --entry N[,M...] --spectrum FILE[,FILE...] [fit options] [simulation options]  fits temperatures,\n"
     "        populations, scale, baseline, axis and instrument widths to measured spectra and prints each\n"
     "        value with its standard uncertainty (exit 0 fitted, 1 bad input, 2 not converged or undetermined)" +
         FitOptionsHelp() + SimulationOptionsHelp(),
     &RunFit});

}  // namespace

}  // namespace velmora::cli
