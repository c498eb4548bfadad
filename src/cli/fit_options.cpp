#include "cli/fit_options.h"

#include <glob.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>

#include "cli/condition_options.h"
#include "cli/database_options.h"
#include "cli/line_list_options.h"
#include "cli/simulate_options.h"
#include "cli/spectrum_options.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "database/catalogue.h"
#include "database/multiplet_catalogue.h"

namespace velmora::cli {

namespace {

const OptionHelp kFitOptions[] = {
    {"spectrum", "FILE[,FILE...]  measured spectra, in any layout compare reads; globs allowed, required"},
    {"spectrum-units",
     "auto|vacuum|air|cm-1|nm-vacuum|nm-air  the unit of the spectrum's x column, as\n"
     "        for compare (default auto: below 1000 nm, else the axis unit; a unit the file declares,\n"
     "        JCAMP-DX or SPE, is taken)"},
    {"column",
     "N  the intensity column of a several-column file (default the second of plain columns of\n"
     "        numbers, the last of a table with a header); the frame of an .asc or .spe file (default their sum)"},
    {"sigma-column",
     "N  the file's column (counted from 1) of the standard uncertainties σ of the intensities:\n"
     "        weights 1/σ² (--weights file). No column is taken as σ unless named here"},
    {"free",
     "NAMES  free parameters (default t,scale,baseline): t, tvib, pop, pop(v=N), scale, baseline, slope,\n"
     "        shift, stretch, quadratic, gauss, lorentz, laser (LIF); NAME:K for band system K only"},
    {"set", "NAME=V,...  start values (fixed parameters keep them)"},
    {"bounds", "NAME=LO:HI,...  bounds of parameters"},
    {"exclude", "A:B,...  x ranges left out of the fit"},
    {"weights",
     "uniform|file|noise  weights: equal, 1/σ² of the column of --sigma-column, or of a noise\n"
     "        estimate (default uniform; file when --sigma-column is given)"},
    {"convention", "photons|energy  intensity as photon counts (default) or energy per unit of the axis"},
    {"iterations", "N  Levenberg-Marquardt iteration limit, 1..10000 (default 100)"},
    {"scan", "N  temperatures scanned over their bounds before the local fit, 0..1000 (default 12; 0: none)"},
    {"starts", "N  local fits from N more starts spread over the temperature bounds; different minima reported"},
    {"bootstrap", "N  block-bootstrap uncertainties from N resamples fitted again (default 0: none)"},
    {"seed", "S  seed of the bootstrap's resampling (default 1): the same seed, the same result"},
    {"profile", "NAMES  profile-chi-square intervals of these free parameters (e.g. t,tvib)"},
    {"jobs",
     "N  files fitted at once in parallel threads (default 1); with one file, the threads of the\n"
     "        bootstrap, starts and profiles (default every core); the results do not depend on it"},
    {"no-warm-start",
     "fit every file of several from the start values (default: the files are a series in the order\n"
     "        given, and each file's fit starts from the result of the file before it, in blocks of 16)"},
    {"components", "systems|bands|branches  the parts --residuals and --svg give (default bands)"},
    {"out", "FILE.csv  one result row per spectrum file"},
    {"residuals", "FILE.csv  x, y, model, residual, fitted, each system's part and component (one file only)"},
    {"svg", "FILE.svg  the spectrum, the fit, its components and the residual strip (one file only)"},
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char ch : text) {
        if (ch == separator) {
            parts.push_back(Trim(part));
            part.clear();
        } else {
            part += ch;
        }
    }
    parts.push_back(Trim(part));
    parts.erase(std::remove(parts.begin(), parts.end(), std::string()), parts.end());
    return parts;
}

double OptionNumber(const std::string& option, const std::string& text) {
    if (!IsNumeric(text))
        throw std::invalid_argument("option --" + option + ": \"" + Excerpt(text) + "\" is not a number");
    return Val(text);
}

/// "NAME=VALUE" split at its '='.
std::pair<std::string, std::string> Assignment(const std::string& option, const std::string& item) {
    const auto eq = item.find('=');
    if (eq == std::string::npos || eq == 0)
        throw std::invalid_argument("option --" + option + ": \"" + Excerpt(item) + "\" is not NAME=VALUE");
    return {Trim(item.substr(0, eq)), Trim(item.substr(eq + 1))};
}

/// "LO:HI" as two numbers.
std::pair<double, double> Interval(const std::string& option, const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        throw std::invalid_argument("option --" + option + ": \"" + Excerpt(text) + "\" is not LO:HI");
    return {OptionNumber(option, Trim(text.substr(0, colon))), OptionNumber(option, Trim(text.substr(colon + 1)))};
}

}  // namespace

const std::vector<std::string>& FitOptionNames() {
    static const std::vector<std::string> names = OptionNames(kFitOptions);
    return names;
}

std::string FitOptionsHelp() { return OptionsHelp(kFitOptions); }

std::vector<std::string> JoinSpectrumWords(const std::vector<std::string>& words) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < words.size(); ++i) {
        out.push_back(words[i]);
        if (words[i] != "--spectrum" || i + 1 >= words.size()) continue;
        std::string joined = words[++i];
        while (i + 1 < words.size() && words[i + 1].rfind("--", 0) != 0) joined += "," + words[++i];
        out.push_back(joined);
    }
    return out;
}

std::vector<std::string> SpectrumFiles(const Args& args) {
    if (!args.Has("spectrum")) throw std::invalid_argument("option --spectrum FILE is required");
    std::vector<std::string> files;
    for (const std::string& name : Split(args.Get("spectrum"), ',')) {
        if (name.find_first_of("*?[") == std::string::npos) {
            files.push_back(name);
            continue;
        }
        glob_t g{};
        const int rc = glob(name.c_str(), 0, nullptr, &g);
        if (rc == 0)
            for (std::size_t k = 0; k < g.gl_pathc; ++k) files.emplace_back(g.gl_pathv[k]);
        globfree(&g);
        if (rc != 0) throw std::invalid_argument("option --spectrum: no file matches \"" + Excerpt(name) + "\"");
    }
    if (files.empty()) throw std::invalid_argument("option --spectrum: no file given");
    return files;
}

fit::FitRequest FitRequestFromOptions(const Args& args, bool spectrumFiles) {
    DatabaseState db;
    OpenDatabase(args, db);
    fit::FitRequest r;
    r.conditions = ConditionsFromOptions(args);
    r.limitToRange = args.Has("start") || args.Has("end");

    if (!spectrumFiles) RefuseLineList(args, "fitting");
    if (const std::optional<std::string> list = LineListOption(args)) {
        r.systems.push_back(
            fit::MakeFitSystem(std::make_shared<const database::ImportedLineList>(database::ReadLineList(*list))));
    } else if (!args.Has("entry")) {
        throw std::invalid_argument("option --entry N[,M...] is required");
    }
    for (const std::string& e : Split(args.Get("entry"), ',')) {
        if (!IsNumeric(e) || Val(e) != static_cast<int>(Val(e)))
            throw std::invalid_argument("option --entry: \"" + Excerpt(e) + "\" is not a catalogue entry number");
        const int entry = static_cast<int>(Val(e));
        // MULTIPLET.SYS is read only for entry numbers past those of VELMORA.SYS.
        if (entry <= db.cat.CatalogueCount ||
            database::MultipletIndex(db.cat, database::MultipletEntriesOf(db.AppPath), entry) < 0)
            database::CheckEntry(db.cat, entry);
        r.systems.push_back(fit::LoadFitSystem(db, entry, r.conditions));
    }

    if (args.Has("free")) {
        r.settings.free = Split(args.Get("free"), ',');
        if (r.settings.free.empty())
            throw std::invalid_argument("option --free: no parameter named (name at least one, e.g. t,scale,baseline)");
    }
    for (const std::string& item : Split(args.Get("set"), ',')) {
        const auto [name, value] = Assignment("set", item);
        r.settings.start[name] = OptionNumber("set", value);
    }
    for (const std::string& item : Split(args.Get("bounds"), ',')) {
        const auto [name, value] = Assignment("bounds", item);
        r.settings.bounds[name] = Interval("bounds", value);
    }
    for (const std::string& item : Split(args.Get("exclude"), ',')) r.excluded.push_back(Interval("exclude", item));
    if (args.Has("weights"))
        r.weighting = static_cast<fit::Weighting>(ChoiceOption(args, "weights", {"uniform", "file", "noise"}, 0));
    if (spectrumFiles) {
        r.reading = SpectrumReadingFromOptions(args, simulation::StoredValue(r.conditions.unit));
        // The uncertainties are read only from a column named for them, and then they are the weights.
        if (args.Has("sigma-column") && !args.Has("weights")) r.weighting = fit::Weighting::FileColumn;
        if (args.Has("sigma-column") && r.weighting != fit::Weighting::FileColumn)
            throw std::invalid_argument(
                "option --sigma-column goes with --weights file (the uncertainties are the weights)");
        if (r.weighting == fit::Weighting::FileColumn && !args.Has("sigma-column"))
            throw std::invalid_argument(
                "option --weights file: weights from the file need a column of uncertainties; name it with "
                "--sigma-column N (counted from 1, as --column)");
    }
    if (args.Has("convention"))
        r.convention =
            static_cast<fit::IntensityConvention>(ChoiceOption(args, "convention", {"photons", "energy"}, 0));
    r.options.maxIterations = args.Integer("iterations", r.options.maxIterations);
    if (r.options.maxIterations < 1 || r.options.maxIterations > fit::kMaxIterations)
        throw std::invalid_argument("option --iterations takes 1.." + std::to_string(fit::kMaxIterations));
    r.options.scanPoints = args.Integer("scan", r.options.scanPoints);
    if (r.options.scanPoints < 0 || r.options.scanPoints > fit::kMaxScanPoints)
        throw std::invalid_argument("option --scan takes 0.." + std::to_string(fit::kMaxScanPoints));
    r.options.starts = args.Integer("starts", 0);
    if (r.options.starts < 0 || r.options.starts > 1000) throw std::invalid_argument("option --starts takes 0..1000");
    r.options.bootstrap = args.Integer("bootstrap", 0);
    if (r.options.bootstrap < 0 || r.options.bootstrap > 100000)
        throw std::invalid_argument("option --bootstrap takes 0..100000 resamples");
    if (r.options.bootstrap == 1) throw std::invalid_argument("option --bootstrap: a spread needs 2 resamples or more");
    if (args.Has("seed")) {
        const std::string seed = args.Get("seed");
        if (!IsNumeric(seed) || Val(seed) < 0 ||
            Val(seed) != static_cast<double>(static_cast<std::uint64_t>(Val(seed))))
            throw std::invalid_argument("option --seed: \"" + seed + "\" is not a whole number 0 or more");
        r.options.seed = static_cast<std::uint64_t>(Val(seed));
    }
    r.options.profile = Split(args.Get("profile"), ',');
    if (args.Has("components"))
        r.options.components =
            static_cast<fit::ComponentDetail>(ChoiceOption(args, "components", {"systems", "bands", "branches"}, 0));
    r.options.threads = args.Has("jobs") ? args.Integer("jobs", 1) : 0;
    return r;
}

}  // namespace velmora::cli
