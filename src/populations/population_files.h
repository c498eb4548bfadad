// Population files: rotational distributions of one vibrational level (.rot) and the
// vibrational distribution of the populated state (.vib), saved and loaded.
//
// A .rot line holds J = r + 1/2, then F1 e (N = r) and F2 f (N = r + 1), and for Λ > 0 also
// F1 f and F2 e, separated by commas; a .vib line holds v and PopVib(v). Neither has a header.
#pragma once

#include <string>
#include <string_view>

#include "common/list_reader.h"
#include "database/database_state.h"
#include "populations/population_state.h"
#include "populations/populations_view.h"

namespace velmora {
class Dialogs;
}  // namespace velmora

namespace velmora::populations {

/// File dialogs of the population files: titles and "|"-separated filters.
inline constexpr std::string_view kLoadRotationalTitle = "Load rotational distribution file";
inline constexpr std::string_view kLoadRotationalFilter = "Population file  (*.rot)|*.rot|";
inline constexpr std::string_view kLoadVibrationalTitle = "Load vibrational distribution file";
inline constexpr std::string_view kLoadVibrationalFilter = "Population file  (*.vib)|*.vib|";
inline constexpr std::string_view kSaveRotationalTitle = "Save rotational distribution";
inline constexpr std::string_view kSaveRotationalFilter = "Rotational distribution file (*.rot)|*.rot";
inline constexpr std::string_view kSaveVibrationalTitle = "Save Vibrational distribution file";
inline constexpr std::string_view kSaveVibrationalFilter = "Vibrational distribution file (*.vib)|*.vib";

/// Largest population file read (a real one is a few kilobytes).
inline constexpr long long kMaxPopulationFileBytes = 16LL << 20;

/// True when the file name ends in `extension` (three letters, compared without case);
/// otherwise shows the refusal message ("File … is not a valid rotational distribution." or
/// "… is not a vibrational distribution.", then "Operation cancelled") and returns false.
bool CheckPopulationExtension(Dialogs& dialogs, const std::string& path, bool rotational);

/// The message for a population file that cannot be read.
std::string PopulationReadFailureMessage(const std::string& path);

/// First row of a rotational file: max(Λ − 1, 0) for Λ of the populated state.
int FirstRotationalRow(const PopulationState& pop, const DatabaseState& db);

/// Reads rows r = FirstRotationalRow.. (at most up to MaxN − 1) of a rotational distribution
/// into level v of PopRot until the text ends: J (ignored), F1 e, F2 f and, for Λ > 0, F1 f and
/// F2 e. Rows beyond the text keep their values. Throws FileError on a field that is not a
/// number or a row cut short; the values read before it stay.
void ReadRotationalDistribution(PopulationState& pop, const DatabaseState& db, int v, ListReader& in);

/// Reads PopVib(0..NMaxVib): a level number (ignored) and the population per level; levels
/// beyond the end of the text become 0. No normalisation. Throws FileError on a bad field; the
/// levels read before it keep their new values.
void ReadVibrationalDistribution(PopulationState& pop, const DatabaseState& db, ListReader& in);

/// Normalises level v and writes its rotational distribution; the target is replaced only when
/// the file is complete. Throws FileError naming the file.
void WriteRotationalDistribution(PopulationState& pop, const DatabaseState& db, int v, const std::string& path);

/// Writes PopVib(0..NMaxVib); the target is replaced only when complete. Throws FileError.
void WriteVibrationalDistribution(const PopulationState& pop, const DatabaseState& db, const std::string& path);

/// "Save population" → "Rotational distribution" after the save dialog: asks which level to
/// save (the level shown by default), normalises it and writes the file. An empty path or a
/// cancelled question writes nothing. Returns true when the file was written.
bool SaveRotationalDistribution(PopulationsView app, const std::string& path);

/// "Load population" → "Rotational distribution" after the open dialog: checks the extension,
/// asks for the level to load into (the level shown by default), reads the file, normalises the
/// level and marks it non-thermal (TRot = −1, "Thermalized system" cleared). The level shown in
/// the populations window is copied into the edit table again. Returns true when the file was
/// read; the shell then sets the rotational selector to "Non-thermal".
bool LoadRotationalDistribution(PopulationsView app, const std::string& path);

/// "Save population" → "Vibrational distribution": writes PopVib. Returns true when written.
bool SaveVibrationalDistribution(PopulationsView app, const std::string& path);

/// "Load population" → "Vibrational distribution": checks the extension and reads PopVib as it
/// stands; "Thermalized system" is cleared and the histograms redrawn. Returns true when the
/// file was read; the shell then sets the vibrational selector to "Non-thermal".
bool LoadVibrationalDistribution(PopulationsView app, const std::string& path);

}  // namespace velmora::populations
