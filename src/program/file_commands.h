// The file commands of the menus and toolbars: which dialog each one opens (title, "|"-separated
// filter, default extension, starting folder, proposed name), and what happens with the chosen
// path (reading or writing, messages, what the windows show afterwards). The shell supplies a
// FileChooser that shows the dialog; tests supply one that answers from a script.
#pragma once

#include <string>
#include <vector>

#include "fit/fit_spectrum.h"
#include "state/app_state.h"

namespace velmora::program {

enum class FileKind {
    OpenSpectra,             ///< "Load spectra"
    OpenRotational,          ///< "Load rotational distribution file"
    OpenVibrational,         ///< "Load vibrational distribution file"
    SaveSpectra,             ///< "Save Experimental Spectra"
    SaveRotational,          ///< "Save rotational distribution"
    SaveVibrational,         ///< "Save Vibrational distribution file"
    SaveSimulation,          ///< "Save Simulation file"
    SaveTable,               ///< "Save Database table to file"
    OpenInstrumentFunction,  ///< "Load instrument function"
    OpenResponse,            ///< "Load spectral response"
    SaveFitResults,          ///< "Save fit results" (the result table)
    SaveFitResiduals,        ///< "Save fit residuals and components"
};

/// What a file dialog shows. Open dialogs accept only an existing file; save dialogs need an
/// existing folder and ask before replacing a file. Neither offers "open read-only".
struct FileDialogSpec {
    FileKind kind = FileKind::OpenSpectra;
    bool save = false;
    std::string title;
    std::string filter;            ///< "Description|patterns|Description|patterns|"
    int filterIndex = 1;           ///< 1-based; the dialog writes back the one chosen
    std::string defaultExtension;  ///< added to a typed name without extension ("" = none)
    std::string initialDirectory;
    std::string proposedName;
    /// A choice the dialog offers beside the file name (the x unit of a spectrum): its caption,
    /// its items, and the item chosen (the dialog writes it back). No choice when empty.
    std::string choiceLabel;
    std::vector<std::string> choiceItems;
    int choiceIndex = 0;
};

/// The dialog of a file command.
FileDialogSpec FileDialogFor(const AppState& app, FileKind kind);

/// Shows a file dialog; returns the chosen path, or an empty text when it was cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::string Choose(FileDialogSpec& spec) = 0;
};

/// A chosen save path without an extension gets the dialog's default extension.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

// The commands: each opens its dialog and, unless it is cancelled, reads or writes the file.
// Failures are reported in message boxes that name the file. Each returns true when a file was
// read or written.
bool mnuOpenSpectra_Click(AppState& app, FileChooser& chooser);
bool mnuOpenPopulation_Click(AppState& app, FileChooser& chooser);  ///< rotational
bool mnuOpenVibrationalPopulation_Click(AppState& app, FileChooser& chooser);
bool mnuSaveSimulationTotal_Click(AppState& app, FileChooser& chooser);
bool mnuSaveSimulationIndependent_Click(AppState& app, FileChooser& chooser);
bool mnuSaveSpectra_Click(AppState& app, FileChooser& chooser);
bool mnuSavePopulation_Click(AppState& app, FileChooser& chooser);  ///< rotational
bool mnuSaveVibrationalPopulation_Click(AppState& app, FileChooser& chooser);
bool mnuSaveTable_Click(AppState& app, FileChooser& chooser);
/// Reads a measured instrument function (offset, response) and selects the measured lineshape.
bool CmdSlitFile_Click(AppState& app, FileChooser& chooser);
/// Reads a spectral response (wavelength, relative response) that divides every spectrum read.
bool CmdResponse_Click(AppState& app, FileChooser& chooser);
/// The Fit dialog's files of a result: its result table (parameters, every uncertainty and the
/// diagnostics) and its residuals with the components, as CSV.
bool CmdFitSaveResults_Click(AppState& app, FileChooser& chooser, const fit::FitResult& result);
bool CmdFitSaveResiduals_Click(AppState& app, FileChooser& chooser, const fit::FitResult& result);

}  // namespace velmora::program
