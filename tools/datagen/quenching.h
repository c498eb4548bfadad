// The quenching models of LIF upper states, from data-src/QUENCHING to the program's file.
#pragma once

#include <filesystem>
#include <string>

#include "csv_table.h"

namespace velmora::datagen {

/// The quenching folder inside data-src and the file the program reads in the database folder.
inline constexpr const char* kQuenchingFolder = "QUENCHING";
inline constexpr const char* kQuenchingFile = "QUENCHING.DAT";

/// The program's quenching file from the parameter table (molecule, state, v, partner, model,
/// param, value, unit, source) and the validity ranges per model: one record per molecule,
/// state, partner and model with its parameters in a fixed order. Rows of measured cross
/// sections (validation points) are left out. Throws FileError naming the row of a missing,
/// repeated or unknown parameter or an unknown model.
std::string QuenchingFile(const CsvTable& parameters, const CsvTable& validity);

/// Reads both tables from the quenching folder of `source` (named `sourceName` in messages).
std::string QuenchingFile(const std::filesystem::path& source, const std::string& sourceName);

}  // namespace velmora::datagen
