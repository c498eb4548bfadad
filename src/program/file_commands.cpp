#include "program/file_commands.h"

#include <filesystem>
#include <functional>

#include "common/errors.h"
#include "common/number_format.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_files.h"
#include "experiment/spectrum_list.h"
#include "experiment/spectrum_units.h"
#include "fit/fit_report.h"
#include "populations/population_files.h"
#include "populations/populations_window.h"
#include "program/condition_events.h"
#include "program/multiplet_band_system.h"
#include "simulation/condition_view.h"
#include "simulation/conditions.h"
#include "simulation/simulation_files.h"
#include "table/multiplet_table.h"
#include "table/table_model.h"

namespace velmora::program {

namespace {

/// Runs a write and reports a failure in a message box naming the file.
bool WriteReporting(AppState& app, const std::function<void()>& write) {
    try {
        write();
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

/// Shows the dialog of `kind`; the chosen path (with the default extension for a save), or "".
std::string Choose(AppState& app, FileChooser& chooser, FileKind kind, FileDialogSpec* out = nullptr) {
    FileDialogSpec spec = FileDialogFor(app, kind);
    std::string path = chooser.Choose(spec);
    if (!path.empty() && spec.save) path = WithDefaultExtension(path, spec.defaultExtension);
    if (out) *out = spec;
    return path;
}

/// A spectrum that misses the simulated range entirely is compared at no point: say so, with
/// where it lies, so that a wrong x unit is noticed at once.
void ReportSpectrumOutsideRange(AppState& app) {
    const ExperimentState& exp = app.exp;
    if (!simulation::HasSimulation(app.sim) || !HasExperimentalPoints(exp) || !exp.ReadProblem.empty()) return;
    const auto [low, high] = experiment::SpectrumExtent(exp);
    const simulation::SimulationConditions& shown = app.sim.result.conditions;
    if (high >= shown.start && low <= shown.end) return;
    const std::string unit = simulation::AxisUnitName(app.sim.conditions.unit);
    auto number = [](double v) { return Trim(Str(static_cast<float>(v))); };
    app.dialogs->ShowMessage("The spectrum " + exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)].Title +
                             " lies at " + number(low) + " to " + number(high) + " " + unit +
                             ", outside the simulated range " + number(shown.start) + " to " + number(shown.end) +
                             ".\r\nIf its x column is in another unit, load it again "
                             "choosing the unit in the file dialog.");
}

}  // namespace

FileDialogSpec FileDialogFor(const AppState& app, FileKind kind) {
    FileDialogSpec s;
    s.kind = kind;
    switch (kind) {
        case FileKind::OpenSpectra:
            s.title = experiment::kLoadSpectraTitle;
            s.filter = experiment::kLoadSpectraFilter;
            s.filterIndex = app.shell.SpectraFilterIndex;
            s.defaultExtension = experiment::kSpectraDefaultExtension;
            s.initialDirectory = app.shell.SpectraDirectory;
            s.choiceLabel = "x column in";
            s.choiceItems = experiment::SpectrumXUnitItems();
            s.choiceIndex = app.shell.SpectraXUnit;
            break;
        case FileKind::OpenRotational:
            s.title = populations::kLoadRotationalTitle;
            s.filter = populations::kLoadRotationalFilter;
            break;
        case FileKind::OpenVibrational:
            s.title = populations::kLoadVibrationalTitle;
            s.filter = populations::kLoadVibrationalFilter;
            break;
        case FileKind::SaveSpectra:
            s.save = true;
            s.title = experiment::kSaveSpectraTitle;
            s.filter = experiment::kSaveSpectraFilter;
            s.defaultExtension = experiment::kSpectraDefaultExtension;
            s.proposedName = app.exp.CurrentFilePath;
            break;
        case FileKind::SaveRotational:
            s.save = true;
            s.title = populations::kSaveRotationalTitle;
            s.filter = populations::kSaveRotationalFilter;
            s.defaultExtension = "rot";
            break;
        case FileKind::SaveVibrational:
            s.save = true;
            s.title = populations::kSaveVibrationalTitle;
            s.filter = populations::kSaveVibrationalFilter;
            s.defaultExtension = "vib";
            break;
        case FileKind::SaveSimulation:
            s.save = true;
            s.title = "Save Simulation file";
            s.filter = "Simulation (*.mod)|*.mod";
            s.defaultExtension = "mod";
            break;
        case FileKind::SaveTable:
            s.save = true;
            s.title = "Save Database table to file";
            s.filter = "Database table (*.csv)|*.csv";
            s.defaultExtension = "csv";
            break;
        case FileKind::SaveFitResults:
            s.save = true;
            s.title = "Save fit results";
            s.filter = "Fit results (*.csv)|*.csv";
            s.defaultExtension = "csv";
            break;
        case FileKind::SaveFitResiduals:
            s.save = true;
            s.title = "Save fit residuals and components";
            s.filter = "Residuals and components (*.csv)|*.csv";
            s.defaultExtension = "csv";
            break;
        case FileKind::OpenInstrumentFunction:
            s.title = "Load instrument function";
            s.filter = "Instrument function (*.txt;*.dat;*.csv)|*.txt;*.dat;*.csv|All files (*.*)|*.*|";
            s.initialDirectory = app.shell.SpectraDirectory;
            break;
        case FileKind::OpenResponse:
            s.title = "Load spectral response";
            s.filter = "Spectral response (*.txt;*.dat;*.csv)|*.txt;*.dat;*.csv|All files (*.*)|*.*|";
            s.initialDirectory = app.shell.SpectraDirectory;
            break;
    }
    return s;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
    if (path.empty() || extension.empty()) return path;
    if (std::filesystem::path(path).has_extension()) return path;
    return path + "." + extension;
}

bool mnuOpenSpectra_Click(AppState& app, FileChooser& chooser) {
    FileDialogSpec spec;
    const std::string path = Choose(app, chooser, FileKind::OpenSpectra, &spec);
    if (path.empty()) return false;
    // The next "Load spectra" opens with the filter and the x unit chosen this time.
    if (spec.filterIndex >= 1) app.shell.SpectraFilterIndex = spec.filterIndex;
    const int units = static_cast<int>(experiment::SpectrumXUnitItems().size());
    if (spec.choiceIndex >= 0 && spec.choiceIndex < units) app.shell.SpectraXUnit = spec.choiceIndex;
    experiment::LoadSpectrum(app, path, app.shell.SpectraXUnit, app.shell.SpectraColumn);
    ReportSpectrumOutsideRange(app);
    return true;
}

bool mnuOpenPopulation_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::OpenRotational);
    if (app.sim.Multiplet) return LoadMultipletRotational(app, path);
    if (!populations::LoadRotationalDistribution(app, path)) return false;
    app.popwin.RotationalMode = DistributionMode::NonThermal;
    app.popwin.TxtTRotationalEnabled = false;
    populations::RefreshPopulationTable(app);
    app.ui->RedrawHistograms();
    return true;
}

bool mnuOpenVibrationalPopulation_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::OpenVibrational);
    if (app.sim.Multiplet) return LoadMultipletVibrational(app, path);
    if (!populations::LoadVibrationalDistribution(app, path)) return false;
    app.popwin.VibrationalMode = DistributionMode::NonThermal;
    app.popwin.TxtTVibrationalEnabled = false;
    populations::RefreshPopulationTable(app);
    app.ui->RedrawHistograms();
    return true;
}

bool mnuSaveSimulationTotal_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::SaveSimulation);
    if (path.empty()) return false;
    return WriteReporting(app, [&] { simulation::WriteSimulationTotal(app.sim, path); });
}

bool mnuSaveSimulationIndependent_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::SaveSimulation);
    if (path.empty()) return false;
    return WriteReporting(app, [&] { simulation::WriteSimulationIndependent(app.sim, path); });
}

bool mnuSaveSpectra_Click(AppState& app, FileChooser& chooser) {
    if (app.exp.ExpCount <= 0) return false;  // nothing loaded (the menu entry is disabled)
    const std::string path = Choose(app, chooser, FileKind::SaveSpectra);
    return experiment::SaveModifiedSpectra(app, path);
}

bool mnuSavePopulation_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::SaveRotational);
    if (app.sim.Multiplet) return SaveMultipletRotational(app, path);
    return populations::SaveRotationalDistribution(app, path);
}

bool mnuSaveVibrationalPopulation_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::SaveVibrational);
    if (app.sim.Multiplet) return SaveMultipletVibrational(app, path);
    return populations::SaveVibrationalDistribution(app, path);
}

bool mnuSaveTable_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::SaveTable);
    if (path.empty()) return false;
    // The table of a multiplet system is its own grid, not the doublet table beneath it.
    if (app.sim.Multiplet) return WriteReporting(app, [&] { table::SaveMultipletTable(app.table, path); });
    return WriteReporting(app, [&] { table::SaveDatabaseTable(app, path); });
}

bool CmdFitSaveResults_Click(AppState& app, FileChooser& chooser, const fit::FitResult& result) {
    const std::string path = Choose(app, chooser, FileKind::SaveFitResults);
    if (path.empty()) return false;
    return WriteReporting(app, [&] { fit::WriteFitResultCsv(path, result); });
}

bool CmdFitSaveResiduals_Click(AppState& app, FileChooser& chooser, const fit::FitResult& result) {
    const std::string path = Choose(app, chooser, FileKind::SaveFitResiduals);
    if (path.empty()) return false;
    return WriteReporting(app, [&] { fit::WriteResidualsCsv(path, result); });
}

}  // namespace velmora::program

namespace velmora::program {

bool CmdSlitFile_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::OpenInstrumentFunction);
    if (path.empty()) return false;
    const std::string problem = SetSlitFile(app, path);
    if (!problem.empty()) {
        app.dialogs->ShowMessage(problem);
        return false;
    }
    ConditionList_Click(app, simulation::Field("lineshape"), StoredValue(simulation::Lineshape::Measured));
    return true;
}

}  // namespace velmora::program

namespace velmora::program {

bool CmdResponse_Click(AppState& app, FileChooser& chooser) {
    const std::string path = Choose(app, chooser, FileKind::OpenResponse);
    if (path.empty()) return false;
    const std::string problem = experiment::LoadResponse(app, path);
    if (!problem.empty()) app.dialogs->ShowMessage(problem);
    return problem.empty();
}

}  // namespace velmora::program
