// The options of velmora-cli fit: the band systems, the spectrum files (lists and globs), the
// parameters set free, their start values and bounds, excluded ranges, weights and convention.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"
#include "fit/fit_spectrum.h"

namespace velmora::cli {

/// Names (without "--") of the fit's own options; the simulation options come on top.
const std::vector<std::string>& FitOptionNames();

/// One-line descriptions of the fit's own options, for the usage text.
std::string FitOptionsHelp();

/// The words of a command line with every word that follows --spectrum and is not an option
/// joined to it by commas, so that a shell-expanded glob (--spectrum runs/*.txt) is one option.
std::vector<std::string> JoinSpectrumWords(const std::vector<std::string>& words);

/// The spectrum files of --spectrum: comma-separated names, each a file or a glob pattern (*, ?,
/// [...]), in the order given, a pattern's matches sorted. Throws std::invalid_argument for a
/// pattern that matches nothing or a missing --spectrum.
std::vector<std::string> SpectrumFiles(const Args& args);

/// The fit request of the options without its spectrum: the band systems of --entry loaded from
/// the database of --data, the conditions of the simulation options, and the fit settings.
/// Throws std::invalid_argument (or FitInputError) naming the option that is not usable.
/// `spectrumFiles` false: no spectrum file is read (a frame is), so neither its reading options
/// nor a column of uncertainties are looked for; --weights file then means the σ the spectra carry.
fit::FitRequest FitRequestFromOptions(const Args& args, bool spectrumFiles = true);

}  // namespace velmora::cli
