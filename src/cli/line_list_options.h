// The --line-list option: a line list of one's own (ExoMol .def or HITRAN .par) in place of a
// catalogue entry, for every command that reads one.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "cli/commands.h"
#include "database/line_list_import.h"

namespace velmora::cli {

/// The file of --line-list when given; throws std::invalid_argument when --entry is given too.
std::optional<std::string> LineListOption(const Args& args);

/// Throws std::invalid_argument when --line-list is given to a command that reads catalogue
/// entries only.
void RefuseLineList(const Args& args, const std::string& command);

/// The window of --line-window LO:HI (cm-1), all wavenumbers without it.
database::WavenumberWindow LineWindowOption(const Args& args);

/// lines --line-list: every kept line as CSV.
void WriteListedLines(const database::ImportedLineList& list, std::ostream& out);

/// lifetimes --line-list: every upper level with its radiative lifetime from the A of its lines.
void WriteListedLifetimes(const database::ImportedLineList& list, std::ostream& out);

}  // namespace velmora::cli
