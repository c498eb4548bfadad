// Start-up without the window: settings, fixed start values and the catalogue.
#pragma once

#include <filesystem>
#include <string>

#include "program/settings.h"
#include "state/app_state.h"

namespace velmora::program {

/// Sets the database folder, restores the settings, sets the fixed start values (gate width,
/// database-table units, no experimental spectra) and reads the catalogue with its fixed tables.
/// A stored entry number outside the catalogue becomes 1. Throws FileError when the catalogue
/// cannot be read.
void StartUp(AppState& app, KeyValueStore& store, const std::string& dataFolder);

/// Folder of the running program (where the shipped database lies beside it), by the bytes the
/// file system names it with; "." when it cannot be found.
std::filesystem::path ProgramFolder();

}  // namespace velmora::program
