// MDIVelmora: the main frame with the tab strip of input controls, the two toolbars, the menu
// bar and the three child windows in a multiple-document area. It forwards every control event
// to the core and copies the state back into the widgets afterwards.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QMap>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/child_windows.h"
#include "program/condition_events.h"
#include "program/file_commands.h"
#include "state/app_state.h"

class QAction;
class QLineEdit;
class QMdiArea;
class QSplitter;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QProgressBar;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace velmora::display {
struct PageSetup;
}

namespace velmora::app {

class ConditionEdits;
class DesktopFiles;
class FitDialog;
class FitFrameDialog;
class LifImageDialog;
class LineLookupView;
class QtSettingsStore;

/// Where the program finds its database and settings, and the services tests replace.
struct ProgramOptions {
    /// Folder of the installed database (VELMORA.SYS and one folder per molecule), as the file
    /// system names it.
    std::string dataFolder;
    /// Settings in this INI file; empty for the per-user settings store of the platform.
    QString settingsFile;
    /// Message boxes and questions; null for Qt's modal boxes.
    Dialogs* dialogs = nullptr;
    /// File dialogs; null for Qt's file dialogs.
    program::FileChooser* files = nullptr;
    /// Printer set-up: configures the printer and returns false when cancelled; null for the
    /// platform's print dialog.
    std::function<bool(QPrinter&, const QString& title)> printSetup;
    /// Opens a document or address with the desktop's program for it (false when none could be
    /// started); null for the desktop services.
    std::function<bool(const QUrl&)> openUrl;
};

class MDIVelmora final : public QMainWindow {
    Q_OBJECT
    // Shell pieces of their own that read the state and run events as the window's controls do.
    friend class ConditionEdits;
    friend class DesktopFiles;
    friend class LineLookupView;

public:
    /// Part of the main window's height that the child windows keep below the tab strip.
    static constexpr double kChildWindowsShare = 0.6;

    explicit MDIVelmora(ProgramOptions options, QWidget* parent = nullptr);
    ~MDIVelmora() override;

    /// Restores the settings and reads the catalogue. A missing or unreadable catalogue is shown
    /// in a message box naming the file; returns false then.
    bool StartUp();
    /// The main window's load: controls from the settings, the band system selected, the
    /// windows arranged, pending events run and the first simulation computed. Returns false
    /// when the band system could not be loaded (the message has been shown).
    bool Load();

    AppState& State() { return app_; }
    DatabaseWindow* databaseWindow() const { return database_; }
    SimulationWindow* simulationWindow() const { return simulation_; }
    PopulationsWindow* populationsWindow() const { return populations_; }
    /// The frame of a child window in the multiple-document area.
    QMdiSubWindow* subWindowOf(QWidget* child) const;
    /// The command of a menu or toolbar key ("mnuSaveTable", "Simulation", "mnuZoomUp" ...).
    QAction* command(const QString& key) const { return commands_.value(key); }

    /// Copies the state into every control (without running their handlers).
    void RefreshControls() { Refresh(ViewGroups::All()); }
    /// Copies the state into the controls of the groups an event changed.
    void Refresh(ViewGroups groups);
    /// Shows, hides and tiles the child windows for the current screen view.
    void ArrangeWindows();
    void RedrawPlot();
    void RedrawHistograms();
    /// Prints the spectrum page or the database table pages (silently nothing when cancelled).
    void PrintSpectra();
    void PrintDatabaseTable();
    /// The plot's right-click menu mnuSimul with its check marks as they are now (the caller
    /// shows and deletes it).
    QMenu* BuildPlotPopup();
    /// True while a long command runs (user input is held back meanwhile).
    bool IsBusy() const { return busy_ > 0; }
    void SetBusy(bool busy);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class MainShell;
    class InputBlocker;
    class ModalDialogs;

    void BuildToolbars();
    void BuildMenus();
    void BuildChildWindows();
    void WireInputs();
    /// A numeric text box: each change runs `handler`, whose answer the box then shows.
    void WireText(QLineEdit* edit, std::function<program::BoxEdit(std::string_view)> handler, bool longWork);
    void WirePlotWindow();
    void WirePopulationsWindow();
    void FillFixedLists();
    QAction* AddCommand(const QString& key, const QString& caption, const std::function<void()>& run);
    /// Runs a control event, then refreshes the groups of controls it returns (every control when
    /// it throws); long ones show the hourglass.
    void Event(const std::function<ViewGroups()>& run, bool longWork = false);
    void RefreshConditions(ViewGroups groups);
    void SelectScreenView(int index);
    void SelectBandSystem(int entry);
    void RunSimulation();
    /// Opens the Fit dialog (one, kept while the window lives).
    void ShowFitDialog();
    void ShowFitFrameDialog();
    void ShowLifImageDialog();
    void ShowDatabaseWindow();
    void CopySpectrumToClipboard();
    void CopyHistogramToClipboard(bool rotational);
    void OpenManual();
    void ToggleMainMenu();
    /// Sizes the tab strip to its page, up to what leaves the child windows kChildWindowsShare of
    /// the window's height.
    void FitTabs();
    void ShowPlotPopup(const QPoint& globalPos);
    /// Asks for the printer, then draws the pages onto it (false when cancelled).
    bool Print(const QString& title, const std::function<void(Canvas&, const display::PageSetup&)>& draw);

    ProgramOptions options_;
    AppState app_;
    std::unique_ptr<QtSettingsStore> store_;
    std::unique_ptr<Dialogs> ownDialogs_;
    std::unique_ptr<program::FileChooser> ownFiles_;
    std::unique_ptr<MainShell> shell_;
    std::unique_ptr<ModalDialogs> modal_;
    std::unique_ptr<InputBlocker> blocker_;
    FitDialog* fitDialog_ = nullptr;
    FitFrameDialog* fitFrameDialog_ = nullptr;
    LifImageDialog* lifImageDialog_ = nullptr;
    DesktopFiles* desktopFiles_ = nullptr;      ///< recent files and dropped spectra
    ConditionEdits* conditionEdits_ = nullptr;  ///< refusals, undo and redo of condition edits
    LineLookupView* lineLookup_ = nullptr;      ///< the lines at a point of the plot
    int busy_ = 0;
    bool started_ = false;
    bool layingOut_ = false;

    QTabWidget* tabs_ = nullptr;  ///< SSTabMain
    QMdiArea* mdi_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* toolbar1_ = nullptr;
    QToolBar* toolbar2_ = nullptr;
    QProgressBar* bar_ = nullptr;      ///< BarMain
    QComboBox* transition_ = nullptr;  ///< CmbTransition
    DatabaseWindow* database_ = nullptr;
    SimulationWindow* simulation_ = nullptr;
    PopulationsWindow* populations_ = nullptr;
    QMap<QString, QAction*> commands_;
    QHash<QString, QWidget*> named_;  ///< controls of the tab strip by object name
    /// The control of each condition field and the group of its frame.
    struct ConditionControl {
        const simulation::ConditionField* field;
        QWidget* widget;
        ViewGroup group;
    };
    std::vector<ConditionControl> conditionControls_;
    QLineEdit* editing_ = nullptr;  ///< the box whose edit is being handled
};

}  // namespace velmora::app
