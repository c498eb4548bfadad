#include "experiment/spectrum_list.h"

#include <algorithm>
#include <filesystem>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "experiment/corrections.h"
#include "experiment/experiment_view.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_formats.h"
#include "experiment/spectrum_units.h"

namespace velmora::experiment {

namespace {

std::string BoxText(float value) { return Trim(Str(value)); }

/// Writes corrections into their text boxes; the boxes' handlers store them. The plot is not
/// redrawn meanwhile.
void ShowCorrections(ExperimentView app, float baseline, float wavelength, float multiply) {
    const bool ready = app.plotReady;
    app.plotReady = false;
    TxtBaseline_Change(app, BoxText(baseline));
    TxtWavelength_Change(app, BoxText(wavelength));
    TxtMultiply_Change(app, BoxText(multiply));
    app.plotReady = ready;
}

}  // namespace

void LoadSpectrum(ExperimentView app, const std::string& path, int xUnit, int column) {
    if (path.empty()) return;
    ExperimentState& exp = app.exp;
    const int previous = exp.ExpCurrent;
    const std::filesystem::path p(path);
    // A new file starts without corrections: those of the file shown before belong to it.
    ExpFile record;
    record.Title = p.filename().string();
    record.Path = path;
    record.XUnit = xUnit;
    record.Column = column;
    exp.ExpFiles.resize(static_cast<std::size_t>(std::max(exp.ExpCount, 0)));
    exp.ExpFiles.push_back(record);
    exp.ExpCount = static_cast<int>(exp.ExpFiles.size());
    exp.ExpCurrent = exp.ExpCount - 1;
    exp.UpDExpFileMax = exp.ExpCurrent;
    if (p.has_parent_path()) app.spectraDirectory = p.parent_path().string();
    const int shownBefore = previous;
    CmbExpFile_Click(app, exp.ExpCurrent);
    if (!exp.ReadProblem.empty()) {
        // The file could not be read (the message named it and the problem): it does not join
        // the list, and the spectrum shown before is shown again.
        exp.ExpFiles.pop_back();
        exp.ExpCount = static_cast<int>(exp.ExpFiles.size());
        exp.UpDExpFileMax = std::max(exp.ExpCount - 1, 0);
        if (exp.ExpCount > 0) {
            CmbExpFile_Click(app, std::clamp(shownBefore, 0, exp.ExpCount - 1));
        } else {
            exp.ExpCurrent = 0;
            exp.ExpPoints = -1;
            exp.CurrentFilePath.clear();
            ShowCorrections(app, 0.0f, 0.0f, 1.0f);
            app.RequestRedraw();
        }
        return;
    }
    // Told once, when the file is added; selecting it again reads it the same way silently.
    if (!exp.ReadNotice.empty()) app.dialogs->ShowMessage(exp.ReadNotice);
    if (exp.ExpPoints == 0) app.dialogs->ShowMessage(path + ": only one point was read (a curve needs two)");
}

void CmbExpFile_Click(ExperimentView app, int index) {
    ExperimentState& exp = app.exp;
    if (exp.ExpCount <= 0 || index < 0 || index >= exp.ExpCount || index >= static_cast<int>(exp.ExpFiles.size()))
        return;
    exp.ExpCurrent = index;
    const ExpFile record = exp.ExpFiles[static_cast<std::size_t>(index)];
    exp.CurrentFilePath = record.Path;
    // The result is not looked at: whatever was read is corrected and drawn.
    ReadSpectrumFile(exp, record.Path, *app.dialogs,
                     SpectrumReading{record.XUnit, simulation::StoredValue(app.sim.conditions.unit), record.Column});
    const int read = exp.ReadUnit;
    if (exp.Response) {
        // The intensity calibration, before the corrections, against wavelengths in Å (in the
        // medium of the file); a spectrum it cannot cover stays as read.
        const int angstrom = IsAirUnit(read) ? 2 : 1;
        ConvertSpectrumX(exp, read, angstrom);
        const std::string uncalibrated = ApplyResponse(exp);
        if (!uncalibrated.empty()) app.dialogs->ShowMessage(uncalibrated);
        ConvertSpectrumX(exp, angstrom, simulation::StoredValue(app.sim.conditions.unit));
    } else {
        ConvertSpectrumX(exp, read, simulation::StoredValue(app.sim.conditions.unit));
    }

    ShowCorrections(app, record.Baseline, record.Wavelength, record.Multiply);

    ApplyCorrections(exp);
    app.RequestRedraw();
}

namespace {

/// Changes a reading choice of the file shown and reads it again; when that fails (the message
/// has been shown) the choice before is restored and the spectrum read as it was.
template <class Field>
bool RereadWith(ExperimentView app, Field ExpFile::*field, Field value) {
    ExperimentState& exp = app.exp;
    if (exp.ExpCount <= 0 || exp.ExpCurrent < 0 || exp.ExpCurrent >= static_cast<int>(exp.ExpFiles.size()))
        return false;
    ExpFile& record = exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)];
    const Field before = record.*field;
    if (before == value) return false;
    const bool wasRead = exp.ReadProblem.empty();
    record.*field = value;
    CmbExpFile_Click(app, exp.ExpCurrent);
    if (!exp.ReadProblem.empty() && wasRead) {
        exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)].*field = before;
        CmbExpFile_Click(app, exp.ExpCurrent);
        return false;
    }
    if (!exp.ReadNotice.empty()) app.dialogs->ShowMessage(exp.ReadNotice);
    return true;
}

}  // namespace

void CmbExpXUnit_Click(ExperimentView app, int index) {
    if (index < 0 || index >= static_cast<int>(SpectrumXUnitItems().size())) return;
    if (RereadWith(app, &ExpFile::XUnit, index)) app.spectraXUnit = index;
}

void UpDExpColumn_Change(ExperimentView app, int column) {
    if (column < 0 || column > kMaxIntensityColumn) return;
    if (RereadWith(app, &ExpFile::Column, column)) app.spectraColumn = column;
}

void UpDExpFile_Change(ExperimentView app, int value) {
    if (app.exp.ExpCount > 1) CmbExpFile_Click(app, std::clamp(value, 0, app.exp.ExpCount - 1));
}

bool SaveModifiedSpectra(ExperimentView app, const std::string& path) {
    if (path.empty() || app.exp.ExpCount <= 0) return false;
    try {
        WriteModifiedSpectrum(app.exp, path);
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

void CmdClearAll_Click(ExperimentView app) {
    ExperimentState& exp = app.exp;
    if (exp.ExpCount <= 0) return;
    exp.ExpFiles.clear();
    exp.ExpCount = 0;
    exp.ExpCurrent = 0;
    exp.UpDExpFileMax = 0;
    exp.CurrentFilePath.clear();
    ShowCorrections(app, 0.0f, 0.0f, 1.0f);
    app.RequestRedraw();
}

void CmdClear_Click(ExperimentView app) {
    ExperimentState& exp = app.exp;
    if (exp.ExpCount < 2) {
        CmdClearAll_Click(app);
        return;
    }
    if (exp.ExpCurrent >= 0 && exp.ExpCurrent < static_cast<int>(exp.ExpFiles.size()))
        exp.ExpFiles.erase(exp.ExpFiles.begin() + exp.ExpCurrent);
    exp.ExpCount = static_cast<int>(exp.ExpFiles.size());
    exp.ExpCurrent = std::clamp(exp.ExpCurrent, 0, exp.ExpCount - 1);
    CmbExpFile_Click(app, exp.ExpCurrent);
    exp.UpDExpFileMax = exp.ExpCount - 1;
    app.RequestRedraw();
}

}  // namespace velmora::experiment
