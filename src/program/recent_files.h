// The recent files of the File menu: the last spectra and population files opened, kept in the
// settings, and opening a file of a known kind without its dialog (recent files, dropped files).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "program/file_commands.h"
#include "program/settings.h"
#include "state/app_state.h"

namespace velmora::program {

/// Most files the list keeps.
inline constexpr int kRecentFiles = 10;

/// One file of the list: how it was opened and its path.
struct RecentFile {
    FileKind kind = FileKind::OpenSpectra;
    std::string path;
    bool operator==(const RecentFile&) const = default;
};

/// The list as stored (section "Files", keys "Recent1".."Recent10", "<kind>|<path>" with kind
/// spectrum, rotational or vibrational), newest first; entries that do not parse are skipped.
std::vector<RecentFile> ReadRecentFiles(const KeyValueStore& store);
/// Puts a file at the top of the list (once; the oldest beyond kRecentFiles drop out).
void RememberRecentFile(KeyValueStore& store, const RecentFile& file);
/// Takes a file off the list.
void ForgetRecentFile(KeyValueStore& store, const RecentFile& file);

/// "&1  flame.dat  (spectrum)   /data/flame.dat": the menu entry of the file at place `number`.
std::string RecentFileCaption(const RecentFile& file, int number);

/// Opens a file as its command does once the dialog has chosen it (the x unit and intensity
/// column of the last spectra loaded). True when it was read; a failure has been reported.
bool OpenFileOfKind(AppState& app, const RecentFile& file);

/// A file chooser that asks another one and keeps what an open dialog chose, so that a file
/// read through a menu command joins the recent files.
class RecordingChooser final : public FileChooser {
public:
    explicit RecordingChooser(FileChooser& inner) : inner_(inner) {}
    std::string Choose(FileDialogSpec& spec) override;
    /// The file an open dialog chose since the last call, if it was read: a spectrum that joined
    /// the list of loaded spectra, a population file that exists.
    std::optional<RecentFile> TakeOpened(const AppState& app);

private:
    FileChooser& inner_;
    std::optional<RecentFile> chosen_;
};

}  // namespace velmora::program
