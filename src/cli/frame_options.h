// The options of velmora-cli that read a frame and prepare it (fit-frame, lif-image): the file and
// its image, the axis file, the dark frame and the response, the rows and their binning, the
// positions of the rows, and the Abel inversion.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"
#include "fit/frame_spectra.h"

namespace velmora::cli {

/// Names (without "--") of the frame options.
const std::vector<std::string>& FrameOptionNames();

/// One-line descriptions of the frame options, for the usage text.
std::string FrameOptionsHelp();

/// The frame options that take no value.
inline const std::vector<std::string> kFrameFlags = {"abel"};

/// The preparation the options ask for; --frame names the file. Throws std::invalid_argument
/// naming the option whose value is not usable.
fit::FramePreparation FramePreparationFromOptions(const Args& args);

/// A comma-separated list of numbers; throws naming the option.
std::vector<double> NumberList(const Args& args, const std::string& name);

/// A comma-separated list of names (files).
std::vector<std::string> NameList(const Args& args, const std::string& name);

}  // namespace velmora::cli
