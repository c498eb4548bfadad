// Building the installed database (data/) from the curated sources (data-src/).
#pragma once

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "system_model.h"

namespace velmora::datagen {

/// The catalogue description file inside data-src.
inline constexpr const char* kCatalogueFile = "catalogue.cfg";
/// The text of data/README.md (with the generated catalogue table at its marker).
inline constexpr const char* kReadmeTemplate = "DATABASE_README.md";
inline constexpr const char* kReadmeMarker = "<!-- datagen: catalogue table -->";

/// Every catalogue entry of data-src, built in order (no files written).
std::vector<SystemData> BuildCatalogue(const std::filesystem::path& source, const std::string& sourceName);

/// The files of the database as relative path -> content. Throws when two entries would write
/// different contents to one file (a shared state must come from the same constants).
std::map<std::string, std::string> DatabaseFiles(const std::vector<SystemData>& systems,
                                                 const std::string& readmeTemplate);

/// Builds the database and replaces `output` with it in one step: everything is written into a
/// temporary folder beside `output` first, so a failure leaves the old database untouched.
/// Progress lines go to `log` when given.
void GenerateDatabase(const std::filesystem::path& source, const std::filesystem::path& output,
                      std::ostream* log = nullptr);

/// The .SPC column values of one level: the data READMEs' constants mapped onto the program's
/// term formulas (2Sigma: convention 1, identical; 2Pi: convention 0, L with the opposite sign;
/// 2Delta: identical).
LevelConstants SpcColumns(const LevelConstants& c, int lambda);
/// The SpcConvention written for a state of this Lambda.
int SpcConventionFor(int lambda);

}  // namespace velmora::datagen
