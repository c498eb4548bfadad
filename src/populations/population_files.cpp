#include "populations/population_files.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "common/errors.h"
#include "common/file_kind.h"
#include "common/number_format.h"
#include "common/services.h"
#include "common/text_writer.h"
#include "populations/population_model.h"
#include "populations/populations_view.h"

namespace velmora::populations {

namespace {

int StateLambda(const PopulationState& pop, const DatabaseState& db) {
    return db.cat.StateLambda.ValueAt(StateIndex(pop.PopState), db.systemEntry);
}

/// The level typed in an input box: a number within 0..vmax, rounded; otherwise `fallback`.
int LevelFromAnswer(const std::string& answer, int vmax, int fallback) {
    if (!IsNumeric(answer)) return fallback;
    const double v = std::nearbyint(Val(answer));
    if (v < 0.0 || v > vmax) return fallback;
    return static_cast<int>(v);
}

/// Opens a population file for list reading, refusing anything too large to be one.
ListReader OpenPopulationFile(const std::string& path) {
    return ListReader(ReadFileText(path, static_cast<std::uintmax_t>(kMaxPopulationFileBytes)), path);
}

/// Runs a writer; a failure is shown in a message naming the file. True when written.
template <typename Writer>
bool WriteReporting(Dialogs& dialogs, const Writer& write) {
    try {
        write();
    } catch (const FileError& e) {
        dialogs.ShowMessage(e.what());
        return false;
    }
    return true;
}

bool LevelHeld(const PopulationState& pop, int v) {
    return !pop.PopRot.Empty() && pop.PopRot.Contains(v, 1, 0) && pop.PopVib.Contains(v);
}

}  // namespace

bool CheckPopulationExtension(Dialogs& dialogs, const std::string& path, bool rotational) {
    const std::string_view expected = rotational ? "rot" : "vib";
    bool ok = path.size() >= 3;
    for (std::size_t i = 0; ok && i < 3; ++i)
        ok = std::tolower(static_cast<unsigned char>(path[path.size() - 3 + i])) == expected[i];
    if (ok) return true;
    dialogs.ShowMessage(
        "File " + path +
        (rotational ? " is not a valid rotational distribution." : " is not a vibrational distribution.") + "\r\n\r" +
        "       Operation cancelled");
    return false;
}

std::string PopulationReadFailureMessage(const std::string& path) {
    return "                 Problems reading file " + path + "\r\n\r" +
           "The distribution might have a wrong format or belong to a different state ";
}

int FirstRotationalRow(const PopulationState& pop, const DatabaseState& db) {
    return std::max(StateLambda(pop, db) - 1, 0);
}

void ReadRotationalDistribution(PopulationState& pop, const DatabaseState& db, int v, ListReader& in) {
    if (!LevelHeld(pop, v))
        throw FileError::In(in.Source(), "vibrational level " + std::to_string(v) + " has no populations");
    const bool lambdaDoubled = pop.PopLambda > 0;
    // The last row read is MaxN − 1; F2 of row r sits at N = r + 1.
    const int lastRow = std::min(db.cat.MaxN - 1, pop.PopRot.Hi(2) - 1);
    for (int r = FirstRotationalRow(pop, db); r <= lastRow && !in.AtEnd(); ++r) {
        in.ReadDouble();  // J, implied by the row
        pop.PopRot(v, 1, r) = in.ReadFloat();
        pop.PopRot(v, 2, r + 1) = in.ReadFloat();
        if (lambdaDoubled) {
            pop.PopRot(v, 3, r) = in.ReadFloat();
            pop.PopRot(v, 4, r + 1) = in.ReadFloat();
        }
    }
}

void ReadVibrationalDistribution(PopulationState& pop, const DatabaseState& db, ListReader& in) {
    const int vmax = std::min(PopMaxVib(pop, db), pop.PopVib.Hi());
    for (int v = 0; v <= vmax; ++v) {
        if (in.AtEnd()) {
            pop.PopVib(v) = 0.0f;
            continue;
        }
        in.ReadDouble();  // the level number
        pop.PopVib(v) = in.ReadFloat();
    }
}

void WriteRotationalDistribution(PopulationState& pop, const DatabaseState& db, int v, const std::string& path) {
    if (!LevelHeld(pop, v)) throw FileError::In(path, "vibrational level " + std::to_string(v) + " has no populations");
    RotNormalize(pop, db, v);
    const bool lambdaDoubled = pop.PopLambda >= 1;
    const int last = std::min(PopMaxRot(pop, db, v), pop.PopRot.Hi(2) - 1);
    AtomicTextWriter out(path);
    std::string line;
    for (int r = FirstRotationalRow(pop, db); r <= last; ++r) {
        line = Format(r + 0.5, "#0.#  ");
        line += Format(pop.PopRot(v, 1, r), ", #0.000000  ");
        line += Format(pop.PopRot(v, 2, r + 1), ", #0.000000   ");
        if (lambdaDoubled) {
            line += Format(pop.PopRot(v, 3, r), ", #0.000000 ");
            line += Format(pop.PopRot(v, 4, r + 1), ",  #0.000000");
        }
        out.WriteLine(line);
    }
    out.Commit();
}

void WriteVibrationalDistribution(const PopulationState& pop, const DatabaseState& db, const std::string& path) {
    const int vmax = std::min(PopMaxVib(pop, db), pop.PopVib.Hi());
    AtomicTextWriter out(path);
    for (int v = 0; v <= vmax; ++v) out.WriteLine(Format(v, "#0") + Format(pop.PopVib(v), ",  #0.0#####"));
    out.Commit();
}

bool SaveRotationalDistribution(PopulationsView app, const std::string& path) {
    if (path.empty()) return false;
    PopulationState& pop = app.pop;
    const auto answer =
        app.dialogs->InputBox("VIBRATIONAL LEVEL TO SAVE: ", " Input on vibrational populations", Trim(Str(pop.SelV)));
    // Cancel writes nothing (the save dialog may have agreed to replace a file).
    if (!answer) return false;
    const int v = LevelFromAnswer(*answer, PopMaxVib(pop, app.db), pop.SelV);
    return WriteReporting(*app.dialogs, [&] { WriteRotationalDistribution(pop, app.db, v, path); });
}

bool LoadRotationalDistribution(PopulationsView app, const std::string& path) {
    if (path.empty()) return false;
    if (!CheckPopulationExtension(*app.dialogs, path, true)) return false;
    PopulationState& pop = app.pop;
    const auto answer = app.dialogs->InputBox(
        "LOAD ROTATIONAL POPULATION IN VIBRATIONAL LEVEL:  ", " Populations dialog", Trim(Str(pop.SelV)));
    if (!answer || answer->empty()) return false;
    const int v = LevelFromAnswer(*answer, PopMaxVib(pop, app.db), pop.SelV);
    try {
        ListReader in = OpenPopulationFile(path);
        ReadRotationalDistribution(pop, app.db, v, in);
    } catch (const FileError&) {
        app.dialogs->ShowMessage(PopulationReadFailureMessage(path));
        return false;
    }
    RotNormalize(pop, app.db, v);
    // A loaded distribution is non-thermal: the rotational selector shows "Non-thermal",
    // which clears "Thermalized system".
    if (pop.TRot.Contains(v)) pop.TRot(v) = -1.0f;
    pop.ThermalFlag = 0;
    if (v == pop.SelV) {
        PopToEdit(pop, app.db, v);
        app.ui->RedrawHistograms();
    }
    return true;
}

bool SaveVibrationalDistribution(PopulationsView app, const std::string& path) {
    if (path.empty()) return false;
    return WriteReporting(*app.dialogs, [&] { WriteVibrationalDistribution(app.pop, app.db, path); });
}

bool LoadVibrationalDistribution(PopulationsView app, const std::string& path) {
    // A cancelled dialog or a refused name changes nothing.
    if (path.empty()) return false;
    if (!CheckPopulationExtension(*app.dialogs, path, false)) return false;
    bool ok = true;
    try {
        ListReader in = OpenPopulationFile(path);
        ReadVibrationalDistribution(app.pop, app.db, in);
    } catch (const FileError&) {
        // An orderly stop: the file is closed, named in the message, the levels read are kept.
        app.dialogs->ShowMessage(PopulationReadFailureMessage(path));
        ok = false;
    }
    if (ok) app.pop.ThermalFlag = 0;  // the vibrational selector shows "Non-thermal"
    app.ui->RedrawHistograms();
    return ok;
}

}  // namespace velmora::populations
