// velmora-cli identify: fits a measured spectrum as fit does, then tries every other band system
// of the catalogue on the fit's residual and ranks them by the share of it they explain. Exit
// codes as fit: 0 fitted (whatever the candidates), 1 bad input, 2 not converged.
#include <ostream>
#include <stdexcept>

#include "cli/database_options.h"
#include "cli/fit_options.h"
#include "cli/simulate_options.h"
#include "fit/batch.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"
#include "fit/identify.h"

namespace velmora::cli {

namespace {

int RunIdentify(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(JoinSpectrumWords(words), kSimulationFlags);
    std::vector<std::string> known = SimulationOptionNames();
    for (const std::string& name : FitOptionNames())
        if (name != "residuals" && name != "svg") known.push_back(name);
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    const std::vector<std::string> files = SpectrumFiles(args);
    if (files.size() != 1) throw std::invalid_argument("option --spectrum: identify takes one spectrum file");
    fit::FitRequest r = FitRequestFromOptions(args);
    r.spectrum = fit::ReadMeasuredSpectrum(files.front(), fit::FileReading(r));
    if (!r.spectrum.notice.empty()) err << r.spectrum.notice << "\n";
    fit::FitResult result;
    try {
        result = fit::FitSpectrum(r);
    } catch (const fit::FitConvergenceError& e) {
        err << "velmora-cli identify: " << files.front() << ": not converged: " << e.what() << "\n";
        return 2;
    }
    std::string systems;
    for (const std::string& s : result.systems) systems += (systems.empty() ? "" : " + ") + s;
    out << files.front() << ": " << systems << "\n";
    for (const std::string& line : fit::ResultLines(result)) out << line << "\n";

    DatabaseState catalogue;
    OpenDatabase(args, catalogue);
    const fit::SpeciesSearch search = fit::IdentifySpecies(r, result, catalogue);
    const std::string axis = fit::ParameterUnit(fit::ParameterKind::Shift, r.conditions.unit);
    out << "\nband systems tried on the residual, the share of it each explains, best first:\n";
    for (const std::string& line : fit::CandidateLines(search, axis)) out << line << "\n";
    if (!search.outside.empty()) {
        std::string names;
        for (const std::string& s : search.outside) names += (names.empty() ? "" : ", ") + s;
        out << "no line in the fitted range: " << names << "\n";
    }
    if (!search.candidates.empty() && search.candidates.front().share > 0.0)
        out << "a suggestion, not a result: to fit " << search.candidates.front().system
            << " as well, add it as --entry " << args.Get("entry") << "," << search.candidates.front().entry << "\n";
    return result.undetermined ? 2 : 0;
}

const bool registered = RegisterCommand(
    {"identify",
     "identify --entry N[,M...] --spectrum FILE [fit options] [simulation options]  fits the spectrum as fit does,\n"
     "        then fits every other band system of the catalogue to the residual (at the fitted widths and\n"
     "        shift, its own temperature and scale) and ranks them by the share of the residual they explain",
     &RunIdentify});

}  // namespace

}  // namespace velmora::cli
