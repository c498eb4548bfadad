// The band systems of any multiplicity of the database (MULTIPLET.SYS): for each, the molecule,
// both states, the constants of every vibrational level as the folder tables give them and the
// band Einstein coefficients. The program computes the levels and lines from them with its
// effective-Hamiltonian engine, so nothing is derived here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "build_config.h"

namespace velmora::datagen {

/// The database file of the band systems of any multiplicity.
inline constexpr const char* kMultipletFile = "MULTIPLET.SYS";

/// The text of MULTIPLET.SYS for the entries whose engine is "multiplet", in catalogue order.
/// Throws FileError naming the table, line and column of a bad value, and for an entry none of
/// whose bands has a coefficient.
std::string MultipletFile(const std::vector<EntryDefinition>& entries, const std::filesystem::path& source,
                          const std::string& sourceName);

}  // namespace velmora::datagen
