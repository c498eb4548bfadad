#include "app/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

#include "app/about_box.h"
#include "app/condition_edits.h"
#include "app/desktop_files.h"
#include "app/file_paths.h"
#include "app/fit_dialog.h"
#include "app/frame_windows.h"
#include "app/input_tabs.h"
#include "app/line_lookup_view.h"
#include "app/qt_canvas.h"
#include "app/qt_dialogs.h"
#include "app/qt_file_chooser.h"
#include "app/qt_settings_store.h"
#include "app/simulation_status.h"
#include "app/wheel_guard.h"
#include "common/errors.h"
#include "common/number_format.h"
#include "display/plot_content.h"
#include "display/plot_frame.h"
#include "display/plot_zoom.h"
#include "display/print_layout.h"
#include "experiment/corrections.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_list.h"
#include "populations/populations_window.h"
#include "program/condition_events.h"
#include "program/line_list_system.h"
#include "program/main_window.h"
#include "program/multiplet_band_system.h"
#include "program/multiplet_populations_window.h"
#include "program/settings.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/condition_view.h"
#include "table/table_model.h"

namespace velmora::app {

/// The window-system hooks the core calls during long work and state changes.
class MDIVelmora::MainShell final : public Shell {
public:
    explicit MainShell(MDIVelmora& w) : w_(w) {}
    void ShowProgress(double percent) override {
        if (w_.bar_) w_.bar_->setValue(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
        // Once per band: repaint and keep the window alive; user input is held back meanwhile.
        QCoreApplication::processEvents();
    }
    void SetBusy(bool busy) override { w_.SetBusy(busy); }
    void RedrawPlot() override { w_.RedrawPlot(); }
    void RedrawHistograms() override { w_.RedrawHistograms(); }

private:
    MDIVelmora& w_;
};

/// Swallows user input (clicks, keys, wheel) while a long command runs, so that no second
/// command starts inside the first one; repaints and resizes go on.
class MDIVelmora::InputBlocker final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::Shortcut:
            case QEvent::ShortcutOverride:
                return true;
            default:
                return false;
        }
    }
};

/// The message boxes and questions of the core: while a long command holds user input back, the
/// hold is lifted for the box, so that it can be answered.
class MDIVelmora::ModalDialogs final : public Dialogs {
public:
    ModalDialogs(MDIVelmora& w, Dialogs& inner) : w_(w), inner_(inner) {}

    template <typename F>
    auto Lifted(F ask) -> decltype(ask()) {
        const bool busy = w_.busy_ > 0;
        if (busy) {
            qApp->removeEventFilter(w_.blocker_.get());
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        }
        auto answer = ask();
        if (busy) {
            QApplication::restoreOverrideCursor();
            qApp->installEventFilter(w_.blocker_.get());
        }
        return answer;
    }
    void ShowMessage(std::string_view text) override {
        Lifted([&] {
            inner_.ShowMessage(text);
            return 0;
        });
    }
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override {
        return Lifted([&] { return inner_.AskYesNoCancel(text, title); });
    }
    std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override {
        return Lifted([&] { return inner_.InputBox(prompt, title, defaultText); });
    }

private:
    MDIVelmora& w_;
    Dialogs& inner_;
};

namespace {

std::string S(const QString& q) { return q.toStdString(); }

// What the events outside the conditions change.
constexpr ViewGroups kEverything = ViewGroups::All();
constexpr ViewGroups kTableGroups = ViewGroup::Database | ViewGroup::Windows;
constexpr ViewGroups kExperimentGroups = ViewGroup::Experiment | ViewGroup::Range | ViewGroup::Display;
constexpr ViewGroups kDisplayGroups = ViewGroup::Display;
constexpr ViewGroups kPopulationGroups = ViewGroup::Populations | ViewGroup::Conditions;

/// Enables a control when `on` and nothing refuses it; a refused control is disabled and its
/// tooltip gives the reason, its own tooltip coming back once the reason is gone.
void Offer(QWidget* w, bool on, const std::string& refusal) {
    if (!w) return;
    static const char* const kOwnTip = "velmoraOwnToolTip";
    if (!w->property(kOwnTip).isValid()) w->setProperty(kOwnTip, w->toolTip());
    w->setEnabled(on && refusal.empty());
    w->setToolTip(refusal.empty() ? w->property(kOwnTip).toString() : QString::fromStdString(refusal));
}

/// The group of the frame a condition control sits in.
ViewGroup FrameGroup(const QWidget* w) {
    static const std::pair<const char*, ViewGroup> frames[] = {{"FrmRange", ViewGroup::Range},
                                                               {"FrameConditions", ViewGroup::Conditions},
                                                               {"FrameInstrumental", ViewGroup::Instrument},
                                                               {"FrmBroadening", ViewGroup::Broadening},
                                                               {"FrameShift", ViewGroup::Broadening},
                                                               {"FrameAbsorption", ViewGroup::Absorption},
                                                               {"FrameLIFconditions", ViewGroup::Lif},
                                                               {"FrameQuenching", ViewGroup::Quenching}};
    for (const QWidget* p = w; p; p = p->parentWidget())
        for (const auto& [name, group] : frames)
            if (p->objectName() == QLatin1String(name)) return group;
    return ViewGroup::Windows;
}

/// An icon drawn from a few rectangles: the child-window layouts of the screen-view buttons.
QIcon LayoutIcon(const std::vector<QRectF>& boxes) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    for (const QRectF& r : boxes) {
        p.setPen(QPen(QColor(30, 60, 110), 1.4));
        p.setBrush(QColor(200, 220, 245));
        p.drawRect(r);
        p.fillRect(QRectF(r.left() + 0.7, r.top() + 0.7, r.width() - 1.4, 3), QColor(30, 60, 110));
    }
    return QIcon(pm);
}

/// Small drawn icons of the file, print, clipboard and help buttons, alike on every desktop.
enum class Glyph { Open, Save, Print, Clipboard, Help };
QIcon GlyphIcon(Glyph g) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(30, 60, 110), paper(235, 240, 248), accent(200, 220, 245);
    p.setPen(QPen(ink, 1.4));
    switch (g) {
        case Glyph::Open:
            p.setBrush(QColor(240, 200, 110));
            p.drawPolygon(QPolygonF({{2, 7}, {9, 7}, {11, 9}, {21, 9}, {21, 20}, {2, 20}}));
            p.setBrush(QColor(250, 222, 150));
            p.drawPolygon(QPolygonF({{4, 12}, {23, 12}, {20, 20}, {2, 20}}));
            break;
        case Glyph::Save:
            p.setBrush(accent);
            p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
            p.setBrush(paper);
            p.drawRect(QRectF(7, 3, 10, 7));
            p.setBrush(ink);
            p.drawRect(QRectF(7, 14, 10, 7));
            break;
        case Glyph::Print:
            p.setBrush(paper);
            p.drawRect(QRectF(7, 3, 10, 7));
            p.setBrush(accent);
            p.drawRoundedRect(QRectF(2.5, 9, 19, 8), 2, 2);
            p.setBrush(paper);
            p.drawRect(QRectF(7, 14, 10, 7));
            p.drawLine(QPointF(9, 17), QPointF(15, 17));
            break;
        case Glyph::Clipboard:
            p.setBrush(QColor(205, 170, 125));
            p.drawRoundedRect(QRectF(4, 4, 16, 18), 2, 2);
            p.setBrush(paper);
            p.drawRect(QRectF(6.5, 7, 11, 13));
            p.setBrush(ink);
            p.drawRoundedRect(QRectF(8.5, 2, 7, 4), 1, 1);
            p.setPen(QPen(QColor(128, 0, 128), 1.3));
            p.drawPolyline(QPolygonF({{7.5, 18}, {10, 17}, {11.5, 10}, {13, 17}, {16.5, 18}}));
            break;
        case Glyph::Help: {
            p.setBrush(accent);
            p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
            QFont f = p.font();
            f.setBold(true);
            f.setPixelSize(14);
            p.setFont(f);
            p.drawText(QRectF(2.5, 2.5, 19, 19), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
    }
    return QIcon(pm);
}

/// An icon with a short text (zoom keys).
QIcon TextIcon(const QString& text) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(text.size() > 2 ? 9 : 12);
    p.setFont(f);
    p.setPen(QColor(30, 60, 110));
    p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, text);
    return QIcon(pm);
}

}  // namespace

MDIVelmora::MDIVelmora(ProgramOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      shell_(std::make_unique<MainShell>(*this)),
      blocker_(std::make_unique<InputBlocker>()) {
    setObjectName("MDIVelmora");
    setWindowTitle("VELMORA");
    // The program's own icon on every window, the child windows and dialogs included.
    QApplication::setWindowIcon(ProgramIcon());
    if (!options_.dialogs) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        options_.dialogs = ownDialogs_.get();
    }
    if (!options_.files) {
        ownFiles_ = std::make_unique<QtFileChooser>(this);
        options_.files = ownFiles_.get();
    }
    store_ = options_.settingsFile.isEmpty() ? std::make_unique<QtSettingsStore>()
                                             : std::make_unique<QtSettingsStore>(options_.settingsFile);
    desktopFiles_ = new DesktopFiles(*this);
    conditionEdits_ = new ConditionEdits(*this);
    modal_ = std::make_unique<ModalDialogs>(*this, *options_.dialogs);
    app_.dialogs = modal_.get();
    app_.ui = shell_.get();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    tabs_ = new QTabWidget(central);
    BuildInputTabs(tabs_);
    tabs_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    tabs_->setMinimumHeight(tabs_->tabBar()->sizeHint().height() + 60);
    tabs_->installEventFilter(this);
    tabs_->tabBar()->installEventFilter(this);  // Enter typed on the tab strip is swallowed
    mdi_ = new QMdiArea(central);
    mdi_->setObjectName("MDIArea");
    mdi_->setBackground(QColor(120, 130, 145));
    mdi_->viewport()->installEventFilter(this);
    // The tab strip and the child windows share the height; the user may drag the divider to
    // give the plot more room (the pages scroll when the strip is smaller than its page).
    splitter_ = new QSplitter(Qt::Vertical, central);
    splitter_->setObjectName("SplitterMain");
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(tabs_);
    splitter_->addWidget(mdi_);
    splitter_->setStretchFactor(1, 1);
    layout->addWidget(splitter_, 1);
    setCentralWidget(central);

    BuildChildWindows();
    BuildToolbars();
    BuildMenus();
    WireInputs();
    WirePlotWindow();
    WirePopulationsWindow();
    desktopFiles_->AcceptDrops(simulation_->plot());
    lineLookup_ = new LineLookupView(*this, simulation_->plot());
    // Lists grow with their items (band systems, quantities, units are filled later).
    for (QComboBox* c : tabs_->findChildren<QComboBox*>()) c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    GuardWheel(this);
    // The tab strip is as tall as the page shown, up to what leaves the plot half the window.
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { FitTabs(); });
    splitter_->installEventFilter(this);

    // Most of the screen, so that the input groups find room beside each other and the plot
    // below them.
    QSize size(1500, 1000);
    if (QScreen* screen = QGuiApplication::primaryScreen()) size = screen->availableGeometry().size() * 0.95;
    resize(size.expandedTo(QSize(1024, 700)));
}

MDIVelmora::~MDIVelmora() {
    // The line lookup filters the plot's events and reads this window's state: it goes first, so
    // that no event of a child widget being destroyed reaches it after this destructor.
    delete lineLookup_;
    lineLookup_ = nullptr;
    // The core may not call back into a window being destroyed.
    app_.ui = &AppState::DefaultShell();
    app_.dialogs = &AppState::DefaultDialogs();
}

QMdiSubWindow* MDIVelmora::subWindowOf(QWidget* child) const {
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w->widget() == child) return w;
    return nullptr;
}

void MDIVelmora::SetBusy(bool busy) {
    if (busy) {
        if (busy_++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            qApp->installEventFilter(blocker_.get());
        }
    } else if (busy_ > 0 && --busy_ == 0) {
        qApp->removeEventFilter(blocker_.get());
        QApplication::restoreOverrideCursor();
    }
}

// ----------------------------------------------------------------------------- start-up

bool MDIVelmora::StartUp() {
    try {
        program::StartUp(app_, *store_, options_.dataFolder);
    } catch (const FileError& e) {
        app_.dialogs->ShowMessage(std::string("The database cannot be read:\r\n") + e.what());
        return false;
    } catch (const std::exception& e) {
        app_.dialogs->ShowMessage(std::string("The database cannot be read: ") + e.what());
        return false;
    }
    started_ = true;
    FillFixedLists();
    return true;
}

bool MDIVelmora::Load() {
    if (!started_) return false;
    bool loaded = false;
    {
        SetBusy(true);
        loaded = program::MDIVelmora_Load(app_, S(QApplication::applicationVersion()));
        SetBusy(false);
        conditionEdits_->Forget();
    }
    setWindowTitle(QStr(app_.shell.Caption));
    RefreshControls();
    tabs_->setCurrentIndex(std::clamp(app_.shell.intTabMain, 0, tabs_->count() - 1));  // its handler fits the strip
    ArrangeWindows();
    QCoreApplication::processEvents();
    if (loaded) RunSimulation();
    return loaded;
}

void MDIVelmora::FillFixedLists() {
    const Catalogue& cat = app_.db.cat;
    auto fill = [&](const char* name, const Array1<std::string>& names, int lo, int hi) {
        auto* c = findChild<QComboBox*>(name);
        const QSignalBlocker b(c);
        c->clear();
        for (int i = lo; i <= hi; ++i) c->addItem(names.Contains(i) ? QStr(names(i)) : QString(), i);
    };
    fill("CmbKind", cat.KindName, 1, 4);
    fill("CmbUnits", cat.UnitName, 1, 5);
    fill("CmbLineshape", cat.LineshapeName, 1, 3);
    auto* lineshapes = findChild<QComboBox*>("CmbLineshape");
    const QSignalBlocker blockLineshapes(lineshapes);
    for (int i = 0; i < 3; ++i) lineshapes->addItem(QStr(simulation::kConvolvedLineshapeNames[i]), i + 4);
    SetComboItems(transition_, program::TransitionItems(app_), program::SelectedEntry(app_) - 1);
}

// ----------------------------------------------------------------------------- building

QAction* MDIVelmora::AddCommand(const QString& key, const QString& caption, const std::function<void()>& run) {
    auto* a = new QAction(caption, this);
    a->setObjectName(key);
    connect(a, &QAction::triggered, this, [this, run] {
        if (!IsBusy()) run();
    });
    commands_.insert(key, a);
    return a;
}

void MDIVelmora::BuildChildWindows() {
    database_ = new DatabaseWindow;
    simulation_ = new SimulationWindow;
    populations_ = new PopulationsWindow;
    for (QWidget* w :
         {static_cast<QWidget*>(database_), static_cast<QWidget*>(simulation_), static_cast<QWidget*>(populations_)}) {
        QMdiSubWindow* sub = mdi_->addSubWindow(w);
        // Closing a child window only hides it; the screen views show it again.
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        sub->hide();
    }
}

void MDIVelmora::BuildToolbars() {
    toolbar1_ = addToolBar("Toolbar1");
    toolbar1_->setObjectName("Toolbar1");
    toolbar1_->setMovable(false);
    toolbar1_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar1_->setIconSize(QSize(22, 22));
    auto view = [this](const char* key, const QString& caption, const QString& tip, int index, const QIcon& icon) {
        QAction* a = AddCommand(key, caption, [this, index] { SelectScreenView(index); });
        a->setToolTip(tip);
        a->setIcon(icon);
        toolbar1_->addAction(a);
        if (auto* b = qobject_cast<QToolButton*>(toolbar1_->widgetForAction(a))) {
            b->setObjectName(key);
            if (caption.isEmpty()) b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
    };
    view("Database", "Database", "Database", 0, LayoutIcon({{3, 3, 18, 18}}));
    view("Spectra", "Spectra", "Spectra", 1, style()->standardIcon(QStyle::SP_FileDialogContentsView));
    view("Vertical", "", "Vertical split", 2, LayoutIcon({{2, 3, 9.5, 18}, {12.5, 3, 9.5, 18}}));
    view("Horizontal", "", "Horizontal split", 3, LayoutIcon({{3, 2, 18, 9.5}, {3, 12.5, 18, 9.5}}));
    view("Distribution", "", "Spectra and population distribution", 4, LayoutIcon({{2, 3, 12, 18}, {15, 3, 7, 18}}));
    QAction* toggle = AddCommand("mnuToggle", "", [this] { ToggleMainMenu(); });
    toggle->setToolTip("Show/Hide main menu");
    toggle->setIcon(style()->standardIcon(QStyle::SP_TitleBarShadeButton));
    toolbar1_->addAction(toggle);
    if (auto* b = qobject_cast<QToolButton*>(toolbar1_->widgetForAction(toggle))) {
        b->setObjectName("mnuToggle");
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    toolbar1_->addSeparator();
    transition_ = new QComboBox(toolbar1_);
    transition_->setObjectName("CmbTransition");
    transition_->setToolTip("Electronic band selection");
    transition_->setMinimumContentsLength(14);
    transition_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QAction* selector = toolbar1_->addWidget(transition_);
    selector->setObjectName("Selector");
    toolbar1_->addSeparator();
    QAction* simulate = AddCommand("Simulation", "Simulation", [this] { RunSimulation(); });
    simulate->setToolTip("Calculate simulation");
    simulate->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    simulate->setShortcut(QKeySequence(Qt::Key_F5));
    toolbar1_->addAction(simulate);
    if (auto* b = qobject_cast<QToolButton*>(toolbar1_->widgetForAction(simulate))) b->setObjectName("Simulation");
    bar_ = new QProgressBar(toolbar1_);
    bar_->setObjectName("BarMain");
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setMaximumWidth(220);
    bar_->setTextVisible(false);
    auto* spacer = new QWidget(toolbar1_);
    spacer->setFixedWidth(12);
    toolbar1_->addWidget(spacer);
    toolbar1_->addWidget(bar_);

    addToolBarBreak();
    toolbar2_ = addToolBar("Toolbar2");
    toolbar2_->setObjectName("Toolbar2");
    toolbar2_->setMovable(false);
    toolbar2_->setIconSize(QSize(22, 22));
}

void MDIVelmora::BuildMenus() {
    auto files = [this] { return options_.files; };
    // Every command once; menu bar and toolbar menus share them.
    AddCommand("mnuOpenSpectra", "Spectra",
               [this, files] { Event([&] { return program::mnuOpenSpectra_Click(app_, *files()), kEverything; }); });
    AddCommand("mnuOpenPopulation", "Rotational distribution",
               [this, files] { Event([&] { return program::mnuOpenPopulation_Click(app_, *files()), kEverything; }); });
    AddCommand("mnuOpenVibrationalPopulation", "Vibrational distribution", [this, files] {
        Event([&] { return program::mnuOpenVibrationalPopulation_Click(app_, *files()), kEverything; });
    });
    AddCommand("mnuSaveSimulationTotal", "Simulated spectrum", [this, files] {
        Event([&] { return program::mnuSaveSimulationTotal_Click(app_, *files()), kEverything; });
    });
    AddCommand("mnuSaveSimulationIndependent", "Simulated spectrum with independent vibrational levels", [this, files] {
        Event([&] { return program::mnuSaveSimulationIndependent_Click(app_, *files()), kEverything; });
    });
    AddCommand("mnuSaveSpectra", "Modified experimental spectrum",
               [this, files] { Event([&] { return program::mnuSaveSpectra_Click(app_, *files()), kEverything; }); });
    AddCommand("mnuSavePopulation", "Rotational distribution",
               [this, files] { Event([&] { return program::mnuSavePopulation_Click(app_, *files()), kEverything; }); });
    AddCommand("mnuSaveVibrationalPopulation", "Vibrational distribution", [this, files] {
        Event([&] { return program::mnuSaveVibrationalPopulation_Click(app_, *files()), kEverything; });
    });
    AddCommand("mnuSaveTable", "Database table",
               [this, files] { Event([&] { return program::mnuSaveTable_Click(app_, *files()), kEverything; }); });
    AddCommand("mnuPrintSpectra", "Spectra", [this] { PrintSpectra(); });
    AddCommand("mnuPrintDatabase", "Database table", [this] { PrintDatabaseTable(); });
    AddCommand("mnuClipboardSpectra", "Spectra", [this] { CopySpectrumToClipboard(); });
    AddCommand("mnuClipboardRot", "Rotational distribution", [this] { CopyHistogramToClipboard(true); });
    AddCommand("mnuClipboardVib", "Vibrational distribution", [this] { CopyHistogramToClipboard(false); });
    AddCommand("mnuHelp", "Help in pdf format", [this] { OpenManual(); })->setShortcut(QKeySequence::HelpContents);
    QAction* quit = AddCommand("mnuQuit", "Quit", [this] { close(); });
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(quit);  // Ctrl+Q also while the menu bar is hidden
    AddCommand("mnuHelpEmail", "Email tech support",
               [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kSupportMail))); });
    AddCommand("mnuAbout", "About VELMORA", [this] {
        AboutBox about(this);
        about.exec();
    });
    AddCommand("mnuVELmoraWebsite", "VELMORA website",
               [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebsite))); });

    // Toolbar2: drop-down buttons whose own click runs the first command.
    auto dropDown = [this](const char* key, const QString& tip, const QIcon& icon, const QString& primary,
                           const QStringList& entries) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(key) + "Menu");
        for (const QString& e : entries) menu->addAction(commands_.value(e));
        QAction* button = AddCommand(key, tip, [this, primary] { commands_.value(primary)->trigger(); });
        button->setToolTip(tip);
        button->setIcon(icon);
        button->setMenu(menu);
        toolbar2_->addAction(button);
        if (auto* b = qobject_cast<QToolButton*>(toolbar2_->widgetForAction(button))) {
            b->setObjectName(key);
            b->setPopupMode(QToolButton::MenuButtonPopup);
        }
        return menu;
    };
    dropDown("mnuOpen", "Load files", GlyphIcon(Glyph::Open), "mnuOpenSpectra",
             {"mnuOpenSpectra", "mnuOpenPopulation", "mnuOpenVibrationalPopulation"});
    QMenu* saveMenu = dropDown("mnuSave", "Save", GlyphIcon(Glyph::Save), "mnuSaveSimulationTotal",
                               {"mnuSaveSimulationTotal", "mnuSaveSimulationIndependent", "mnuSaveSpectra",
                                "mnuSavePopulation", "mnuSaveVibrationalPopulation", "mnuSaveTable"});
    dropDown("mnuPrint", "Print", GlyphIcon(Glyph::Print), "mnuPrintSpectra", {"mnuPrintSpectra", "mnuPrintDatabase"});
    dropDown("mnuClipboard", "Send images to clipboard", GlyphIcon(Glyph::Clipboard), "mnuClipboardSpectra",
             {"mnuClipboardSpectra", "mnuClipboardRot", "mnuClipboardVib"});
    dropDown("mnuHelpButton", "Help", GlyphIcon(Glyph::Help), "mnuHelp",
             {"mnuHelp", "mnuHelpEmail", "mnuAbout", "mnuVELmoraWebsite"});
    if (auto* b = toolbar2_->findChild<QToolButton*>("mnuHelpButton")) b->setObjectName("mnuHelp");
    toolbar2_->addSeparator();
    auto key = [this](const char* k, const QString& tip, const QIcon& icon, void (*run)(AppState&)) {
        QAction* a = AddCommand(k, "", [this, run] { Event([&] { return run(app_), kDisplayGroups; }); });
        a->setToolTip(tip);
        a->setIcon(icon);
        toolbar2_->addAction(a);
        if (auto* b = qobject_cast<QToolButton*>(toolbar2_->widgetForAction(a))) b->setObjectName(k);
    };
    key("mnuZoomXup", "Enlarge X axis", TextIcon("X+"), &program::mnuZoomXup_Click);
    key("mnuZoomXdown", "Reduce X axis", TextIcon("X\u2212"), &program::mnuZoomXdown_Click);
    key("mnuZoomUp", "Enlarge", TextIcon("Y+"), &program::mnuZoomUp_Click);
    key("mnuZoomDown", "Reduce", TextIcon("Y\u2212"), &program::mnuZoomDown_Click);
    key("mnuShiftLeft", "Shift to left", style()->standardIcon(QStyle::SP_ArrowLeft), &program::mnuShiftLeft_Click);
    key("mnuShiftRight", "Shift to right", style()->standardIcon(QStyle::SP_ArrowRight), &program::mnuShiftRight_Click);
    key("mnuReset", "Reset zoom and shift", style()->standardIcon(QStyle::SP_BrowserReload), &program::mnuReset_Click);

    // The menu bar.
    QMenuBar* bar = menuBar();
    QMenu* open = bar->addMenu("Open File");
    open->setObjectName("mnuOpen");
    auto* loadSpectra = open->addAction("Load spectra");
    connect(loadSpectra, &QAction::triggered, commands_.value("mnuOpenSpectra"), &QAction::trigger);
    QMenu* loadPop = open->addMenu("Load population");
    loadPop->addAction(commands_.value("mnuOpenPopulation"));
    loadPop->addAction(commands_.value("mnuOpenVibrationalPopulation"));
    connect(open->addAction("Line list..."), &QAction::triggered, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, tr("Line list (ExoMol .def or HITRAN .par)"), {},
                                                          tr("Line lists (*.def *.par);;All files (*)"));
        if (!file.isEmpty()) Event([&] { return program::MnuOpenLineList_Click(app_, S(file)), kEverything; }, true);
    });
    desktopFiles_->AddRecentMenu(open);
    open->addSeparator();
    open->addAction(quit);
    QMenu* save = bar->addMenu("Save File");
    save->setObjectName("mnuSave");
    QMenu* saveSim = save->addMenu("Save simulation");
    auto* total = saveSim->addAction("Total simulation");
    connect(total, &QAction::triggered, commands_.value("mnuSaveSimulationTotal"), &QAction::trigger);
    auto* independent = saveSim->addAction("Independent vibrational levels");
    connect(independent, &QAction::triggered, commands_.value("mnuSaveSimulationIndependent"), &QAction::trigger);
    QMenu* savePop = save->addMenu("Save population");
    savePop->addAction(commands_.value("mnuSavePopulation"));
    savePop->addAction(commands_.value("mnuSaveVibrationalPopulation"));
    auto* saveSpectra = save->addAction("Save modified spectra");
    connect(saveSpectra, &QAction::triggered, commands_.value("mnuSaveSpectra"), &QAction::trigger);
    connect(save->addAction("Save line list"), &QAction::triggered, this, [this] { lineLookup_->SaveLineList(); });
    auto* saveTable = save->addAction("Save database table");
    connect(saveTable, &QAction::triggered, commands_.value("mnuSaveTable"), &QAction::trigger);
    for (QMenu* m : {saveMenu, save})
        connect(m, &QMenu::aboutToShow, this, [this, saveSpectra] {
            const bool enabled = program::SaveSpectraEnabled(app_);
            commands_.value("mnuSaveSpectra")->setEnabled(enabled);
            saveSpectra->setEnabled(enabled);
        });
    QMenu* print = bar->addMenu("Print");
    print->setObjectName("mnuPrint");
    auto* printSpectra = print->addAction("Print Spectra");
    connect(printSpectra, &QAction::triggered, commands_.value("mnuPrintSpectra"), &QAction::trigger);
    auto* printTable = print->addAction("Print Database table");
    connect(printTable, &QAction::triggered, commands_.value("mnuPrintDatabase"), &QAction::trigger);

    conditionEdits_->AddEditMenu(bar);

    QMenu* db = bar->addMenu("Database");
    db->setObjectName("mnuDatabase");
    // "Vibrationals" and "Rotationals": the kind of table and its quantity, then the table shown.
    // A multiplet system's table shows every quantity of a kind together: the menus choose the kind.
    auto multipletTable = [this](int information, int resolution) {
        return program::MultipletTable_Click(app_, "CmbInformation", information) &&
               (resolution < 0 || program::MultipletTable_Click(app_, "CmbResolution", resolution));
    };
    auto tableMenu = [this, db, multipletTable](const char* title, const QString& key, const QStringList& items,
                                                void (*choose)(table::TableView, int), int resolution) {
        QMenu* menu = db->addMenu(title);
        for (int i = 0; i < items.size(); ++i) {
            QAction* a = menu->addAction(items[i]);
            a->setObjectName(key + QString::number(i + 1));
            connect(a, &QAction::triggered, this, [this, i, choose, multipletTable, resolution] {
                Event(
                    [&] {
                        if (!multipletTable(0, resolution)) choose(app_, i + 1);
                        return kTableGroups;
                    },
                    true);
                ShowDatabaseWindow();
            });
        }
        return menu;
    };
    tableMenu("Vibrationals", "mnuDatabaseTransition",
              {"Emission Coefficients", "Absorption", "Transition Probabilities", "Band Positions"},
              &table::mnuDatabaseTransition_Click, 0)
        ->setObjectName("mnuDatabaseTranRot");
    tableMenu("Rotationals", "mnuDatabaseTransition2_",
              {"Emission Coefficients", "Absorption", "Transition Probabilities", "Line positions",
               "H\u00F6nl-London factors"},
              &table::mnuDatabaseTransition2_Click, 1);
    QMenu* upper = db->addMenu("Upper State");
    for (const char* item : {"Lifetimes", "Predissociation"}) {
        QAction* a = upper->addAction(item);
        connect(a, &QAction::triggered, this, [this, multipletTable] {
            // Lifetimes, predissociation lifetimes and yields share one table by level; a
            // multiplet system shows the term values of its upper state.
            Event(
                [&] {
                    if (!multipletTable(1, -1)) table::mnuDatabaseUpperState_Click(app_);
                    return kTableGroups;
                },
                true);
            ShowDatabaseWindow();
        });
    }
    QAction* ground = db->addAction("Ground State");
    connect(ground, &QAction::triggered, this, [this, multipletTable] {
        Event([&] {
            if (!multipletTable(2, -1)) table::CmbInformation_Click(app_, 2);
            return kTableGroups;
        });
        tabs_->setCurrentIndex(0);
        findChild<QComboBox*>("CmbInformation")->setFocus();
    });
    db->addSeparator();
    QAction* units = db->addAction("Units");
    connect(units, &QAction::triggered, this, [this] {
        tabs_->setCurrentIndex(0);
        findChild<QComboBox*>("CmbDatabaseUnits")->setFocus();
        findChild<QComboBox*>("CmbDatabaseUnits")->showPopup();
    });

    QMenu* help = bar->addMenu("Help");
    for (const char* k : {"mnuHelp", "mnuHelpEmail", "mnuVELmoraWebsite", "mnuAbout"})
        help->addAction(commands_.value(k));
}

// ----------------------------------------------------------------------------- events

void MDIVelmora::Event(const std::function<ViewGroups()>& run, bool longWork) {
    if (longWork) SetBusy(true);
    const int spectraBefore = app_.exp.ExpCount;
    ViewGroups changed = kEverything;
    try {
        changed = run();
    } catch (const std::exception& e) {
        // A fault of the core must not take the window down; it is reported instead.
        app_.dialogs->ShowMessage(e.what());
    }
    if (longWork) SetBusy(false);
    if (desktopFiles_) desktopFiles_->AfterEvent();
    if (conditionEdits_) conditionEdits_->AfterEvent();
    Refresh(changed);
    // A spectrum just loaded brings its corrections and the comparison into view.
    if (app_.exp.ExpCount > spectraBefore && tabs_->isVisible())
        if (QWidget* page = tabs_->findChild<QWidget*>(QStringLiteral("TabExperiment"))) tabs_->setCurrentWidget(page);
}

void MDIVelmora::WireInputs() {
    AppState& a = app_;
    // The condition controls: one rule for every field of the condition table. A box answers
    // with the text it shows; every control names the groups that changed.
    for (const simulation::ConditionField& f : simulation::ConditionFields()) {
        const simulation::ConditionField* field = &f;
        QWidget* w = findChild<QWidget*>(f.control);
        if (!w) continue;
        conditionControls_.push_back({field, w, FrameGroup(w)});
        // A change that pre-computes the level data or follows the yields takes a moment.
        const bool longWork = simulation::Has(f.derived, simulation::Derived::LevelData) ||
                              simulation::Has(f.derived, simulation::Derived::Yields);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            conditionEdits_->WireBox(e, *field, longWork);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            connect(c, &QComboBox::activated, this, [this, field, longWork](int index) {
                Event([&] { return program::ConditionList_Click(app_, *field, index + field->first); }, longWork);
            });
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            connect(check, &QCheckBox::clicked, this, [this, field](bool on) {
                Event([&] { return program::ConditionList_Click(app_, *field, on ? 1 : 0); });
            });
        }
    }
    if (auto* gas = findChild<QTableWidget*>("GrdComposition"))
        connect(gas, &QTableWidget::cellChanged, this, [this, gas, &a](int row, int column) {
            Event([&] { return program::GrdComposition_Change(a, row, column, S(gas->item(row, column)->text())); },
                  true);
        });
    if (auto* units = findChild<QComboBox*>("CmbQuenchingUnits"))
        connect(units, &QComboBox::activated, this, [this](int i) {
            app_.sim.QuenchingUnits = i;
            Refresh(ViewGroup::Quenching);
        });

    // The other numeric text boxes: every change goes to the core, which answers with the text
    // to show.
    auto text = [this](const char* name, std::function<std::string(std::string_view)> handler, ViewGroups changes) {
        if (auto* e = findChild<QLineEdit*>(name))
            WireText(
                e,
                [handler, changes](std::string_view t) {
                    return program::BoxEdit{handler(t), changes};
                },
                false);
    };
    text(
        "TxtBaseline", [&a](std::string_view t) { return experiment::TxtBaseline_Change(a, t); }, kExperimentGroups);
    text(
        "TxtWavelength", [&a](std::string_view t) { return experiment::TxtWavelength_Change(a, t); },
        kExperimentGroups);
    text(
        "TxtMultiply", [&a](std::string_view t) { return experiment::TxtMultiply_Change(a, t); }, kExperimentGroups);
    text(
        "TxtNoise", [&a](std::string_view t) { return experiment::TxtNoise_Change(a, t); }, kExperimentGroups);
    text(
        "TxtZoomX", [&a](std::string_view t) { return display::TxtZoomX_Change(a, t); }, kDisplayGroups);
    text(
        "TxtZoomY", [&a](std::string_view t) { return display::TxtZoomY_Change(a, t); }, kDisplayGroups);

    // Combo boxes: the user's choice (not the program's own selection) runs the handler.
    auto combo = [this](const char* name, std::function<void(int)> handler, ViewGroups changes, bool longWork = false) {
        auto* c = findChild<QComboBox*>(name);
        if (!c) return;
        connect(c, &QComboBox::activated, this, [this, handler, changes, longWork](int index) {
            Event([&] { return handler(index), changes; }, longWork);
        });
    };
    combo(
        "CmbExpFile", [&a](int i) { experiment::CmbExpFile_Click(a, i); }, kExperimentGroups);
    combo(
        "CmbExpXUnit", [&a](int i) { experiment::CmbExpXUnit_Click(a, i); }, kExperimentGroups);
    combo(
        "CmbResiduals",
        [this, &a](int i) { experiment::CmbResiduals_Click(a, S(findChild<QComboBox*>("CmbResiduals")->itemText(i))); },
        kExperimentGroups);
    combo(
        "CmbView", [&a](int i) { display::CmbView_Click(a, i); }, kDisplayGroups);
    combo(
        "CmbComparison", [&a](int i) { display::CmbComparison_Click(a, i); }, kDisplayGroups);
    combo(
        "CmbLegend", [&a](int i) { display::CmbLegend_Click(a, i); }, kDisplayGroups);
    combo(
        "CmbColorScheme", [&a](int i) { display::CmbColorScheme_Click(a, i); }, kDisplayGroups);
    combo(
        "CmbAssignment", [&a](int i) { display::CmbAssignment_Click(a, i); }, kDisplayGroups, true);
    combo(
        "CmbRotationalBranches", [&a](int i) { display::CmbRotationalBranches_Click(a, i); }, kDisplayGroups);
    combo(
        "CmbUpperBand",
        [this, &a](int i) { display::CmbUpperBand_Change(a, S(findChild<QComboBox*>("CmbUpperBand")->itemText(i))); },
        kDisplayGroups);
    combo(
        "CmbLowerBand",
        [this, &a](int i) { display::CmbLowerBand_Change(a, S(findChild<QComboBox*>("CmbLowerBand")->itemText(i))); },
        kDisplayGroups);
    if (auto* view = findChild<QComboBox*>("CmbWindowView"))
        connect(view, &QComboBox::activated, this, [this](int i) { SelectScreenView(i); });

    // The database controls refresh the table and then show its window.
    auto tableCombo = [this](const char* name, std::function<void(int)> handler) {
        auto* c = findChild<QComboBox*>(name);
        connect(c, &QComboBox::activated, this, [this, handler, name](int index) {
            Event(
                [&] {
                    // A multiplet system's table takes the choices it has; the others are disabled.
                    if (!program::MultipletTable_Click(app_, name, index)) handler(index);
                    return kTableGroups;
                },
                true);
            if (app_.shell.DataReady) ShowDatabaseWindow();
        });
    };
    tableCombo("CmbInformation", [&a](int i) { table::CmbInformation_Click(a, i); });
    tableCombo("CmbQuantity", [&a](int i) { table::CmbQuantity_Click(a, i); });
    tableCombo("CmbDatabaseUnits", [&a](int i) { table::CmbDatabaseUnits_Click(a, i); });
    tableCombo("CmbResolution", [&a](int i) { table::CmbResolution_Click(a, i); });
    tableCombo("CmbUpper", [&a](int i) { table::CmbUpper_Click(a, i); });
    tableCombo("CmbLower", [&a](int i) { table::CmbLower_Click(a, i); });
    tableCombo("CmbNomenclature", [&a](int i) { table::CmbNomenclature_Click(a, i); });

    connect(transition_, &QComboBox::activated, this, [this](int i) { SelectBandSystem(i + 1); });

    // Check boxes.
    auto check = [this](const char* name, std::function<ViewGroups(int)> handler, bool longWork = false) {
        auto* c = findChild<QCheckBox*>(name);
        if (!c) return;
        connect(c, &QCheckBox::clicked, this,
                [this, handler, longWork](bool on) { Event([&] { return handler(on ? 1 : 0); }, longWork); });
    };
    check("ChkThermal", [&a](int v) { return program::ChkThermal_Click(a, v); });
    check(
        "ChkExpLimits", [&a](int v) { return program::ChkExpLimits_Click(a, v); }, true);
    check("ChkShowSpectra", [&a](int v) { return display::ChkShowSpectra_Click(a, v), kDisplayGroups; });
    check("ChkResiduals", [&a](int v) { return display::ChkResiduals_Click(a, v), kExperimentGroups; });
    check(
        "ChkShowAssignment", [&a](int v) { return display::ChkShowAssignment_Click(a, v), kDisplayGroups; }, true);

    // Buttons, spinners and the slider.
    auto button = [this](const char* name, std::function<ViewGroups()> handler, bool longWork = false) {
        auto* b = findChild<QPushButton*>(name);
        if (!b) return;
        connect(b, &QPushButton::clicked, this, [this, handler, longWork] { Event(handler, longWork); });
    };
    button("CmdSmooth", [&a] { return experiment::CmdSmooth_Click(a), kExperimentGroups; });
    button("CmdDetectionFilter", [this, &a] {
        const QString file = QFileDialog::getOpenFileName(this, tr("Detection filter (nm, transmission 0..1)"), {},
                                                          tr("Transmission files (*.txt *.csv *.dat);;All files (*)"));
        return file.isEmpty() ? ViewGroups() : program::SetDetectionFilter(a, S(file));
    });
    button("CmdNoDetectionFilter", [&a] { return program::SetDetectionFilter(a, {}); });
    button("CmdSubtraction", [&a] { return experiment::CmdSubtraction_Click(a), kExperimentGroups; });
    button("CmdClear", [&a] { return experiment::CmdClear_Click(a), kExperimentGroups; });
    button("CmdClearAll", [&a] { return experiment::CmdClearAll_Click(a), kExperimentGroups; });
    if (auto* fit = findChild<QPushButton*>("CmdFit"))
        connect(fit, &QPushButton::clicked, this, [this] { ShowFitDialog(); });
    if (auto* frame = findChild<QPushButton*>("CmdFitFrame"))
        connect(frame, &QPushButton::clicked, this, [this] { ShowFitFrameDialog(); });
    if (auto* lif = findChild<QPushButton*>("CmdLifImage"))
        connect(lif, &QPushButton::clicked, this, [this] { ShowLifImageDialog(); });
    button("CmdResetZoom", [&a] { return display::CmdResetZoom_Click(a), kDisplayGroups; });
    button("CmdSlitFile", [this, &a] { return program::CmdSlitFile_Click(a, *options_.files), kEverything; });
    button("CmdResponse", [this, &a] { return program::CmdResponse_Click(a, *options_.files), kExperimentGroups; });
    button("CmdNoResponse", [&a] { return experiment::LoadResponse(a, ""), kExperimentGroups; });
    connect(findChild<QPushButton*>("CmdPopulations"), &QPushButton::clicked, this, [this] {
        if (program::CmdPopulations_Click(app_)) ArrangeWindows();
        Refresh(ViewGroup::Windows);
    });
    auto spin = [this](const char* name, std::function<void(int)> handler) {
        auto* s = findChild<QSpinBox*>(name);
        connect(s, &QSpinBox::valueChanged, this,
                [this, handler](int v) { Event([&] { return handler(v), kExperimentGroups; }); });
    };
    // The zoom arrows step as the toolbar keys do, within the same limits.
    auto arrows = [this](const char* name, void (*up)(AppState&), void (*down)(AppState&)) {
        findChild<UpDownButtons*>(name)->onStep = [this, up, down](int step) {
            Event([&] { return (step > 0 ? up : down)(app_), kDisplayGroups; });
        };
    };
    arrows("UpDZoomX", &program::mnuZoomXup_Click, &program::mnuZoomXdown_Click);
    arrows("UpDZoomY", &program::mnuZoomUp_Click, &program::mnuZoomDown_Click);
    spin("UpDExpFile", [&a](int v) { experiment::UpDExpFile_Change(a, v); });
    spin("UpDExpColumn", [&a](int v) { experiment::UpDExpColumn_Change(a, v); });
    connect(findChild<QSlider*>("SldX"), &QSlider::valueChanged, this,
            [this](int v) { Event([&] { return display::SldX_Change(app_, v), kDisplayGroups; }); });

    connect(tabs_, &QTabWidget::currentChanged, this, [this](int i) { app_.shell.intTabMain = i; });
    // Clicking the Database tab asks for the table: a screen view without it changes.
    connect(tabs_->tabBar(), &QTabBar::tabBarClicked, this, [this](int i) {
        if (i == 0) ShowDatabaseWindow();
    });
}

void MDIVelmora::WireText(QLineEdit* e, std::function<program::BoxEdit(std::string_view)> handler, bool longWork) {
    e->installEventFilter(this);  // Enter is swallowed
    connect(e, &QLineEdit::textEdited, this, [this, e, handler = std::move(handler), longWork](const QString& typed) {
        const std::string t = S(typed);
        // A number still being typed ("-", "1e") is not judged yet.
        if (program::IsIncompleteNumber(t)) return;
        // The box being edited shows what its handler answers, not what a refresh would write.
        editing_ = e;
        Event(
            [&] {
                const program::BoxEdit edit = handler(t);
                if (Trim(edit.text) != Trim(t)) {
                    const QSignalBlocker b(e);
                    e->setText(QStr(Trim(edit.text)));
                }
                return edit.refresh;
            },
            longWork);
        editing_ = nullptr;
    });
}

void MDIVelmora::WirePlotWindow() {
    PictureBox* plot = simulation_->plot();
    connect(plot, &PictureBox::MouseMoved, this, [this](double x, double y, Qt::MouseButtons, Qt::KeyboardModifiers) {
        display::PicSimulation_MouseMove(app_, x, y);
        QLabel* label = simulation_->coordinates();
        label->setText(QStr(app_.plot.LblCoordinates));
        label->adjustSize();
        label->setVisible(app_.plot.LblCoordinatesVisible);
        simulation_->PlaceReadout();
    });
    connect(plot, &PictureBox::MouseLeft, this, [this] {
        display::PicSimulation_MouseLeave(app_);
        simulation_->coordinates()->setVisible(app_.plot.LblCoordinatesVisible);
    });
    connect(plot, &PictureBox::MousePressed, this,
            [this](double, double, Qt::MouseButton button, Qt::KeyboardModifiers) {
                if (button == Qt::RightButton) ShowPlotPopup(QCursor::pos());
            });
    // Zoom by wheel, dragged rectangle and double click; keys while the plot has the focus.
    plot->EnableRubberBand();
    plot->installEventFilter(this);
    connect(plot, &PictureBox::Wheel, this, [this](double x, double, double notches) {
        Event([&] { return display::PicSimulation_Wheel(app_, x, notches), kDisplayGroups; });
    });
    connect(plot, &PictureBox::RectangleChosen, this, [this](double x0, double y0, double x1, double y1) {
        Event([&] { return display::PicSimulation_ZoomTo(app_, x0, y0, x1, y1), kDisplayGroups; });
    });
    connect(plot, &PictureBox::DoubleClicked, this,
            [this](double, double) { Event([&] { return display::PicSimulation_DblClick(app_), kDisplayGroups; }); });
    // The core sizes the plot and axis strip and asks for the redraw.
    connect(simulation_, &SimulationWindow::Resized, this, [this] {
        layingOut_ = true;
        simulation_->LayOut(app_);
        layingOut_ = false;
        RedrawPlot();
    });
}

void MDIVelmora::ShowPlotPopup(const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu(BuildPlotPopup());
    menu->exec(globalPos);
}

QMenu* MDIVelmora::BuildPlotPopup() {
    const display::PopupMenuMarks marks = display::mnuSimul_Open(app_);
    auto* popup = new QMenu(this);
    QMenu& menu = *popup;
    menu.setObjectName("mnuSimul");
    QMenu* mode = menu.addMenu("Display Mode");
    mode->setObjectName("mnuSimulMode");
    const char* modes[] = {"Total", "Contours", "Areas"};
    for (int i = 0; i < 3; ++i) {
        QAction* a = mode->addAction(modes[i]);
        a->setCheckable(true);
        a->setChecked(marks.displayMode[i]);
        connect(a, &QAction::triggered, this,
                [this, i] { Event([&] { return display::mnuSimulDisplayMode_Click(app_, i), kDisplayGroups; }); });
    }
    QMenu* comparison = menu.addMenu("Comparison");
    comparison->setObjectName("mnuSimulComparison");
    comparison->setEnabled(marks.comparisonEnabled);
    const char* comparisons[] = {"Overlapped", "Separated"};
    for (int i = 0; i < 2; ++i) {
        QAction* a = comparison->addAction(comparisons[i]);
        a->setCheckable(true);
        a->setChecked(app_.plot.ComparisonMode == i);
        connect(a, &QAction::triggered, this,
                [this, i] { Event([&] { return display::mnuSimulComparisonMode_Click(app_, i), kDisplayGroups; }); });
    }
    QMenu* scheme = menu.addMenu("Color scheme");
    scheme->setObjectName("mnuColorScheme");
    QAction* light = scheme->addAction("Light");
    light->setObjectName("mnuColorSchemeLight");
    light->setCheckable(true);
    light->setChecked(marks.light);
    QAction* dark = scheme->addAction("Dark");
    dark->setObjectName("mnuColorSchemeDark");
    dark->setCheckable(true);
    dark->setChecked(marks.dark);
    connect(light, &QAction::triggered, this,
            [this] { Event([&] { return display::mnuColorScheme_Click(app_, 0), kDisplayGroups; }); });
    connect(dark, &QAction::triggered, this,
            [this] { Event([&] { return display::mnuColorScheme_Click(app_, 1), kDisplayGroups; }); });
    QAction* labels = menu.addAction("Label strongest lines");
    labels->setObjectName("mnuSimulLabels");
    labels->setCheckable(true);
    labels->setChecked(!simulation_->plot()->Marks().empty());
    connect(labels, &QAction::triggered, this, [this](bool on) { lineLookup_->LabelStrongestLines(on); });
    menu.addSeparator();
    QAction* residuals = menu.addAction("Residuals");
    residuals->setObjectName("mnuSimulComparisonResiduals");
    residuals->setCheckable(true);
    residuals->setChecked(marks.residuals);
    connect(residuals, &QAction::triggered, this,
            [this] { Event([&] { return display::mnuSimulComparisonResiduals_Click(app_), kExperimentGroups; }); });
    return popup;
}

void MDIVelmora::WirePopulationsWindow() {
    PopulationsWindow* p = populations_;
    AppState& a = app_;
    auto text = [this](QLineEdit* e, std::function<std::string(std::string_view)> handler) {
        WireText(
            e,
            [handler](std::string_view t) {
                return program::BoxEdit{handler(t), kPopulationGroups};
            },
            false);
    };
    // While a system of any multiplicity is selected, the rotational boxes, Initialize and the
    // rotational histogram act on the level and component shown.
    text(p->txtTRotational, [&a](std::string_view t) {
        return a.sim.Multiplet ? program::MultipletTRotational_Change(a, t) : populations::TxtTRotational_Change(a, t);
    });
    text(p->txtTVibrational, [&a](std::string_view t) { return populations::TxtTVibrational_Change(a, t); });
    text(p->txtSetTemperature, [&a](std::string_view t) {
        return a.sim.Multiplet ? program::MultipletSetTemperature_Change(a, t)
                               : populations::TxtSetTemperature_Change(a, t);
    });
    text(p->txtSpinCombination, [&a](std::string_view t) { return populations::TxtSpinCombination_Change(a, t); });
    text(p->txtMinPopVib, [&a](std::string_view t) { return populations::TxtMinPopVib_Change(a, t); });
    auto combo = [this](QComboBox* c, std::function<void(int)> handler) {
        connect(c, &QComboBox::activated, this,
                [this, handler](int i) { Event([&] { return handler(i), kPopulationGroups; }); });
    };
    // While a system of any multiplicity is selected, the level, component and rotational lists
    // and the table edit its populations.
    combo(p->cmbVibLevel, [&a](int i) {
        a.sim.Multiplet ? program::MultipletLevel_Click(a, i) : populations::CmbVibLevel_Click(a, i);
    });
    combo(p->cmbStructure, [&a](int i) {
        a.sim.Multiplet ? program::MultipletComponent_Click(a, i) : populations::CmbStructure_Click(a, i);
    });
    combo(p->cmbRotational, [&a](int i) {
        a.sim.Multiplet ? program::MultipletRotational_Click(a, i) : populations::CmbRotational_Click(a, i);
    });
    combo(p->cmbVibrational, [&a](int i) { populations::CmbVibrational_Click(a, i); });
    connect(p->cmdInitialize, &QPushButton::clicked, this, [this] {
        Event([&] {
            app_.sim.Multiplet ? program::MultipletInitialize_Click(app_) : populations::CmdInitialize_Click(app_);
            return kPopulationGroups;
        });
    });
    connect(p->sldRotLimit, &QSlider::valueChanged, this,
            [this](int v) { Event([&] { return populations::SldRotLimit_Change(app_, v), kPopulationGroups; }); });
    connect(p->sldRotYMax, &QSlider::valueChanged, this,
            [this](int v) { Event([&] { return populations::SldRotYMax_Change(app_, v), kPopulationGroups; }); });
    connect(p->tabs, &QTabWidget::currentChanged, this, [this, p](int i) {
        populations::SSTab1_Click(app_, i);
        if (i == populations::kVibrationalTab) p->picVibrational->setFocus();
        if (i == populations::kRotationalTab) p->picRotational->setFocus();
    });
    connect(p->gridPop, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        const int row = item->row(), column = item->column();
        const std::string t = S(item->text());
        populations_->ForgetTable();
        Event([&] {
            if (app_.sim.Multiplet)
                program::CommitMultipletGridEdit(app_, row, t);
            else
                populations::CommitGridEdit(app_, row - 1, column, t);
            return kPopulationGroups;
        });
    });
    auto mouse = [this](PictureBox* pic, std::function<void(double, double, bool)> handler) {
        connect(pic, &PictureBox::MouseMoved, this,
                [this, handler](double x, double y, Qt::MouseButtons b, Qt::KeyboardModifiers) {
                    handler(x, y, b & Qt::LeftButton);
                    Refresh(kPopulationGroups);
                });
        connect(pic, &PictureBox::MousePressed, this,
                [this, handler](double x, double y, Qt::MouseButton b, Qt::KeyboardModifiers) {
                    if (b != Qt::LeftButton) return;
                    handler(x, y, true);
                    Refresh(kPopulationGroups);
                });
        connect(pic, &PictureBox::Resized, this, [this] { RedrawHistograms(); });
        pic->installEventFilter(this);
    };
    mouse(p->picVibrational, [&a](double x, double y, bool left) {
        if (!a.sim.Multiplet) populations::PicVibrational_Mouse(a, x, y, left);
    });
    mouse(p->picRotational, [&a](double x, double y, bool left) {
        a.sim.Multiplet ? program::MultipletRotational_Mouse(a, x, y, left)
                        : populations::PicRotational_Mouse(a, x, y, left);
    });
}

bool MDIVelmora::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter is swallowed by the numeric boxes, the tab strip and the populations window.
        if (enter && program::NumericBox_KeyPress(13) == 0) return true;
        if (watched == simulation_->plot()) {
            static const std::pair<int, display::PlotKey> keys[] = {
                {Qt::Key_Plus, display::PlotKey::ZoomIn},   {Qt::Key_Equal, display::PlotKey::ZoomIn},
                {Qt::Key_Minus, display::PlotKey::ZoomOut}, {Qt::Key_Left, display::PlotKey::Left},
                {Qt::Key_Right, display::PlotKey::Right},   {Qt::Key_Up, display::PlotKey::ZoomInY},
                {Qt::Key_Down, display::PlotKey::ZoomOutY}};
            for (const auto& [code, plotKey] : keys)
                if (key->key() == code) {
                    Event([&] { return display::PicSimulation_KeyDown(app_, plotKey), kDisplayGroups; });
                    return true;
                }
            return false;
        }
        if (watched == populations_->picVibrational || watched == populations_->picRotational) {
            const bool fine = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
            populations::HistogramKey k;
            switch (key->key()) {
                case Qt::Key_Left:
                    k = populations::HistogramKey::Left;
                    break;
                case Qt::Key_Right:
                    k = populations::HistogramKey::Right;
                    break;
                case Qt::Key_Up:
                    k = populations::HistogramKey::Up;
                    break;
                case Qt::Key_Down:
                    k = populations::HistogramKey::Down;
                    break;
                default:
                    return false;
            }
            Event([&] {
                app_.sim.Multiplet ? program::MultipletHistogram_KeyDown(app_, k, fine)
                                   : populations::Histogram_KeyDown(app_, k, fine);
                return kPopulationGroups;
            });
            return true;
        }
    }
    if (watched == mdi_->viewport() && event->type() == QEvent::Resize) ArrangeWindows();
    // After the splitter has taken its new size.
    if (watched == splitter_ && event->type() == QEvent::Resize) QTimer::singleShot(0, this, [this] { FitTabs(); });
    return QMainWindow::eventFilter(watched, event);
}

// ----------------------------------------------------------------------------- commands

void MDIVelmora::SelectScreenView(int index) {
    if (program::CmbWindowView_Click(app_, index)) ArrangeWindows();
    Refresh(ViewGroup::Windows);
}

void MDIVelmora::ArrangeWindows() {
    if (!app_.shell.DataReady) return;
    const program::ScreenView view = program::ScreenViewLayout(app_.shell.intWindows);
    std::vector<QMdiSubWindow*> shown;
    const std::pair<QWidget*, bool> windows[] = {
        {database_, view.database}, {simulation_, view.plot}, {populations_, view.populations}};
    for (const auto& [w, show] : windows) {
        QMdiSubWindow* sub = subWindowOf(w);
        if (!sub) continue;
        if (show) {
            sub->showNormal();
            shown.push_back(sub);
        } else {
            sub->hide();
        }
    }
    if (shown.empty()) return;
    const QSize area = mdi_->viewport()->size();
    const int n = static_cast<int>(shown.size());
    for (int i = 0; i < n; ++i) {
        QRect r;
        if (view.stacked) {
            const int h = area.height() / n;
            r = QRect(0, i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
        } else {
            // Side by side; the populations window beside the plot takes the smaller share.
            const bool withPopulations = view.populations && n == 2;
            const int w0 = withPopulations ? area.width() * 11 / 20 : area.width() / n;
            const int x = i == 0 ? 0 : w0 + (i - 1) * ((area.width() - w0) / std::max(1, n - 1));
            const int w = i == 0 ? w0 : (i == n - 1 ? area.width() - x : (area.width() - w0) / (n - 1));
            r = QRect(x, 0, w, area.height());
        }
        shown[static_cast<std::size_t>(i)]->setGeometry(r);
    }
}

void MDIVelmora::ShowDatabaseWindow() {
    if (!app_.shell.DataReady) return;
    // The table was asked for: a view without it changes to the vertical split.
    if (!program::ScreenViewLayout(app_.shell.intWindows).database) {
        program::CmbWindowView_Click(app_, 2);
        ArrangeWindows();
        Refresh(ViewGroup::Windows);
    }
}

void MDIVelmora::SelectBandSystem(int entry) {
    bool loaded = false;
    Event(
        [&] {
            loaded = program::CmbTransition_Click(app_, entry);
            return kEverything;
        },
        true);
    if (loaded) ArrangeWindows();
    RedrawHistograms();
}

void MDIVelmora::RunSimulation() {
    if (!app_.shell.DataReady) return;
    Event([&] { return program::CalculateSimulation(app_), kEverything; }, true);
    if (lineLookup_) lineLookup_->AfterSimulation();
    bar_->setValue(0);
    ShowEmptySimulationStatus(*this, app_);
    if (const std::string title = simulation::SimulationTitle(app_.sim.result); !title.empty())
        simulation_->setWindowTitle(QStr(title));
}

void MDIVelmora::ShowFitDialog() {
    if (!fitDialog_)
        fitDialog_ = new FitDialog(
            app_, *store_,
            [this] {
                conditionEdits_->AfterEvent();  // the values applied are one edit
                RefreshControls();
                RedrawPlot();
            },
            options_.files,
            [this](const QString& title, const std::function<void(Canvas&)>& draw) {
                return Print(title, [&](Canvas& page, const display::PageSetup&) { draw(page); });
            },
            this);
    fitDialog_->show();
    fitDialog_->raise();
}

void MDIVelmora::ShowFitFrameDialog() {
    if (!fitFrameDialog_) fitFrameDialog_ = new FitFrameDialog(app_, *store_, this);
    fitFrameDialog_->show();
    fitFrameDialog_->raise();
}

void MDIVelmora::ShowLifImageDialog() {
    if (!lifImageDialog_) lifImageDialog_ = new LifImageDialog(app_, *store_, this);
    lifImageDialog_->show();
    lifImageDialog_->raise();
}

void MDIVelmora::RedrawPlot() {
    // During the plot window's layout the redraw waits until the new sizes are set.
    if (!layingOut_) simulation_->Redraw(app_);
}

void MDIVelmora::RedrawHistograms() {
    populations_->RedrawHistograms(app_);
    populations_->ShowState(app_);
}

void MDIVelmora::ToggleMainMenu() {
    // Collapses the bars to the first toolbar and the plot area grows; the next press restores.
    // The menu bar stays: every command remains reachable.
    const bool collapse = toolbar2_->isVisible();
    toolbar2_->setVisible(!collapse);
    tabs_->setVisible(!collapse);
    QCoreApplication::processEvents();
    FitTabs();
    ArrangeWindows();
}

void MDIVelmora::FitTabs() {
    if (!tabs_->isVisible()) return;
    int pageHeight = 0;
    if (QWidget* page = tabs_->currentWidget())
        for (QScrollArea* area : page->findChildren<QScrollArea*>()) {
            QWidget* inner = area->widget();
            if (!inner) continue;
            const int width = std::max(area->viewport()->width(), tabs_->width() - 8);
            pageHeight = std::max(
                pageHeight, inner->hasHeightForWidth() ? inner->heightForWidth(width) : inner->sizeHint().height());
        }
    const int wanted = pageHeight + tabs_->tabBar()->sizeHint().height() + 10;
    // The child windows keep 60 % of the main window's height, so that the plot gets half of it;
    // the page scrolls when it is taller than the rest.
    const int total = splitter_->height();
    const int windows = static_cast<int>(kChildWindowsShare * height());
    const int tabsHeight =
        std::max(tabs_->minimumHeight(), std::min(wanted, total - windows - splitter_->handleWidth()));
    splitter_->setSizes({tabsHeight, std::max(0, total - tabsHeight)});
}

void MDIVelmora::OpenManual() {
    const QString manual = QDir(QCoreApplication::applicationDirPath()).filePath("Velmora manual.pdf");
    if (!QFileInfo::exists(manual)) {
        app_.dialogs->ShowMessage("The manual " + S(QDir::toNativeSeparators(manual)) +
                                  " is missing.\r\nIts text is docs/manual.md in the program's source folder.");
        return;
    }
    const QUrl url = QUrl::fromLocalFile(manual);
    const bool opened = options_.openUrl ? options_.openUrl(url) : QDesktopServices::openUrl(url);
    if (!opened)
        app_.dialogs->ShowMessage("No program to show PDF files could be started.\r\nThe manual is the file " +
                                  S(QDir::toNativeSeparators(manual)));
}

namespace {

/// The whole sheet as the page the core lays out in twips.
display::PageSetup PageOf(QPrinter& printer) {
    printer.setFullPage(true);
    display::PageSetup setup;
    const QRectF paper = printer.paperRect(QPrinter::Inch);
    setup.widthTwips = paper.width() * 1440.0;
    setup.heightTwips = paper.height() * 1440.0;
    setup.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    setup.date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
    return setup;
}

}  // namespace

bool MDIVelmora::Print(const QString& title, const std::function<void(Canvas&, const display::PageSetup&)>& draw) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("VELMORA ") + title);
    if (options_.printSetup) {
        if (!options_.printSetup(printer, title)) return false;
    } else {
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Print ") + title);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        if (dialog.exec() != QDialog::Accepted) return false;  // cancel ends silently
    }
    QCoreApplication::processEvents();
    SetBusy(true);
    const display::PageSetup setup = PageOf(printer);
    QPainter painter;
    if (painter.begin(&printer)) {  // printer errors are not reported
        QtCanvas canvas(painter, QRectF(QPointF(0, 0), printer.paperRect(QPrinter::DevicePixel).size()), &printer);
        draw(canvas, setup);
        painter.end();
    }
    SetBusy(false);
    return true;
}

void MDIVelmora::PrintSpectra() {
    if (!app_.plot.PlotReady) return;
    Print("Spectra",
          [this](Canvas& page, const display::PageSetup& setup) { display::DrawSpectrumPage(app_, page, setup); });
    RedrawPlot();
}

void MDIVelmora::PrintDatabaseTable() {
    if (!app_.shell.DataReady) return;
    Print("Database table", [this](Canvas& page, const display::PageSetup& setup) {
        display::DrawDatabaseTablePages(app_, page, setup);
    });
}

void MDIVelmora::CopySpectrumToClipboard() {
    if (!app_.plot.PlotReady) return;
    // The picture is as large as the plot window; the core fits plot, scales and captions in it.
    const QSize size = simulation_->size().expandedTo(QSize(200, 120));
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        QtCanvas canvas(painter, QRectF(0, 0, picture.width(), picture.height()));
        display::DrawClipboardPicture(app_, canvas);
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(picture);
    RedrawPlot();
}

void MDIVelmora::CopyHistogramToClipboard(bool rotational) {
    const QImage& image = rotational ? populations_->picRotational->Image() : populations_->picVibrational->Image();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (!image.isNull()) clipboard->setImage(image);
}

// ----------------------------------------------------------------------------- state → widgets

void MDIVelmora::RefreshConditions(ViewGroups groups) {
    const simulation::SimulationConditions& c = app_.sim.conditions;
    const simulation::OfferedControls offered = simulation::Offered(c);
    // Which controls the conditions offer, by control.
    const std::pair<const char*, bool> enabled[] = {
        {"TxtStart", app_.exp.RangeBoxesEnabled},
        {"TxtEnd", app_.exp.RangeBoxesEnabled},
        {"TxtLorentzian", offered.lorentzian},
        {"TxtTrapezoidTop", offered.trapezoidTop},
        {"TxtResolutionSlope", offered.resolutionSlope},
        {"CmbSlitUnits", offered.slit},
        {"TxtSlitScale", offered.slit},
        {"CmbAbsorptionUnits", offered.absorption},
        {"TxtColumnDensity", offered.absorption},
        {"TxtNumberDensity", offered.absorption},
        {"TxtPathLength", offered.absorption},
        {"CmbLIFregime", offered.lif},
        {"CmbGate", offered.lif},
        {"CmbSpectralWindow", offered.lif},
        {"TxtDelay", offered.gateTimes},
        {"TxtGate", offered.gateTimes},
        {"TxtStartWindow", offered.windowLimits},
        {"TxtEndWindow", offered.windowLimits},
        {"CmbQuenching", offered.yields},
        {"TxtQuenching", offered.quenchingRate},
        {"CmbFluorescenceYield", offered.yields},
    };
    for (const ConditionControl& control : conditionControls_) {
        if (!groups.Has(control.group)) continue;
        const simulation::ConditionField& f = *control.field;
        if (auto* e = qobject_cast<QLineEdit*>(control.widget)) {
            // A box being typed in keeps its text.
            if (e != editing_ && !e->hasFocus()) SetEditText(e, simulation::FieldText(f, c));
        } else if (auto* combo = qobject_cast<QComboBox*>(control.widget)) {
            SetComboIndex(combo, static_cast<int>(simulation::HeldValue(f, c)) - f.first);
        } else if (auto* check = qobject_cast<QCheckBox*>(control.widget)) {
            SetChecked(check, simulation::HeldValue(f, c) != 0.0);
        }
        for (const auto& [name, on] : enabled)
            if (f.control == std::string_view(name)) control.widget->setEnabled(on);
    }
}

void MDIVelmora::Refresh(ViewGroups groups) {
    const AppState& a = app_;
    const SimulationState& sim = a.sim;
    const ConditionCaptions& captions = sim.captions;
    // The tab strip's controls by name, looked up once (refreshes follow every mouse move).
    if (named_.isEmpty())
        for (QWidget* w : tabs_->findChildren<QWidget*>())
            if (!w->objectName().isEmpty()) named_.insert(w->objectName(), w);
    auto find = [this](const char* name) { return named_.value(QString::fromLatin1(name)); };
    auto edit = [&find](const char* name) { return qobject_cast<QLineEdit*>(find(name)); };
    auto combo = [&find](const char* name) { return qobject_cast<QComboBox*>(find(name)); };
    auto check = [&find](const char* name) { return qobject_cast<QCheckBox*>(find(name)); };
    auto enable = [&find](const char* name, bool on) {
        if (QWidget* w = find(name)) w->setEnabled(on);
    };
    auto title = [&find](const char* name, const std::string& text) {
        if (auto* g = qobject_cast<QGroupBox*>(find(name)); g && !text.empty()) g->setTitle(QStr(text));
    };
    auto label = [&find](const char* name, const std::string& text) {
        if (auto* l = qobject_cast<QLabel*>(find(name))) l->setText(QStr(text));
    };
    using G = ViewGroup;
    const simulation::OfferedControls offered = simulation::Offered(sim.conditions);
    RefreshConditions(groups);

    // The vibrational levels of the system, offered by the table's and the assignment's lists.
    const std::vector<std::string> upperLevels = program::LevelItems(a, 1);
    const std::vector<std::string> lowerLevels = program::LevelItems(a, 2);

    if (groups.Has(G::Database)) {
        SetComboIndex(transition_, program::SelectedEntry(a) - 1);
        SetComboIndex(combo("CmbInformation"), a.table.Information);
        SetComboItems(combo("CmbQuantity"), a.table.QuantityItems, program::QuantityIndex(a));
        SetComboItems(combo("CmbDatabaseUnits"), a.table.DatabaseUnitsItems, a.table.DatabaseUnitsIndex);
        SetComboIndex(combo("CmbResolution"), a.table.tableKind - 1);
        SetComboItems(combo("CmbUpper"), upperLevels, a.table.DbVUpper);
        SetComboItems(combo("CmbLower"), lowerLevels, a.table.DbVLower);
        SetComboIndex(combo("CmbNomenclature"), a.table.nomenclature);
        // The table's controls serve the doublet systems.
        if (a.sim.Multiplet) {
            // A multiplet system's table: term values by v of either state, lines by band.
            const bool terms = a.table.Information != 0;
            enable("CmbUpper", terms ? a.table.Information == 1 : a.table.tableKind == 2);
            enable("CmbLower", terms ? a.table.Information == 2 : a.table.tableKind == 2);
            enable("CmbResolution", !terms);
        } else {
            enable("CmbUpper", table::CmbUpperEnabled(a.table));
            enable("CmbLower", table::CmbLowerEnabled(a.table));
            enable("CmbResolution", true);
        }
        const std::string refusal = program::TableQuantityRefusal(a);
        for (const char* n : {"CmbQuantity", "CmbDatabaseUnits", "CmbNomenclature"}) Offer(find(n), true, refusal);
        database_->ShowTable(a);
    }
    if (groups.Has(G::Quenching)) {
        SetComboIndex(combo("CmbQuenchingUnits"), 0);
        enable("CmbQuenchingUnits", offered.yields);
        // The gas composition table shows the rows as typed; refreshing it must not echo edits back.
        if (auto* gas = qobject_cast<QTableWidget*>(find("GrdComposition"));
            gas && !gas->isAncestorOf(QApplication::focusWidget())) {
            const QSignalBlocker quiet(gas);
            for (int r = 0; r < gas->rowCount() && r < static_cast<int>(sim.GrdComposition.size()); ++r)
                for (int c = 0; c < 2; ++c) {
                    const QString text =
                        QStr(sim.GrdComposition[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
                    if (!gas->item(r, c)) gas->setItem(r, c, new QTableWidgetItem);
                    if (gas->item(r, c)->text() != text) gas->item(r, c)->setText(text);
                }
            gas->setEnabled(offered.composition);
        }
        label("LblQuenchingCaption", captions.LblQuenching);
    }
    if (groups.Has(G::Range)) title("FrmRange", captions.FrmRange);
    if (groups.Has(G::Conditions)) {
        SetChecked(check("ChkThermal"), a.pop.ThermalFlag == 1);
        // Every system simulates thermal populations when thermalised, edited ones otherwise.
        Offer(find("ChkThermal"), true, std::string());
    }
    if (groups.Has(G::Instrument)) {
        title("FrameInstrumental", captions.FrameInstrumental);
        label("LblSlit", captions.LblSlit);
        enable("LblSlit", offered.slit);
    }
    if (groups.Has(G::Absorption)) {
        label("LblAbsolute", sim.LblAbsoluteCaption);
        enable("LblAbsolute", offered.absorption);
    }
    if (groups.Has(G::Broadening)) {
        if (!captions.ChkDoppler.empty()) check("ChkDoppler")->setText(QStr(captions.ChkDoppler));
        label("LblBroadening", captions.LblPressureTerm);
        label("LblCollision", captions.LblCollision);
        label("LblDopplerShift", captions.LblDopplerShift);
        label("LblCollisionalShiftTerm", captions.LblPressureTerm);
        label("LblCollisionalShift", captions.LblCollisionalShift);
        title("FrmBroadening", captions.FrmBroadening);
        title("FrameShift", captions.FrameShift);
    }
    if (groups.Has(G::Lif)) {
        enable("FrameLIFconditions", offered.lif || offered.yields);
        for (const char* n : {"LblDelay", "LblGate", "LblWindow"}) enable(n, offered.lif);
        label("LblDetectionFilterFile",
              sim.conditions.detectionFilterFile.empty()
                  ? std::string("none (window)")
                  : std::filesystem::path(sim.conditions.detectionFilterFile).filename().string());
    }
    if (groups.Has(G::Windows)) SetComboIndex(combo("CmbWindowView"), a.shell.intWindows);

    if (groups.Has(G::Experiment)) {
        const ExperimentState& e = a.exp;
        std::vector<std::string> files;
        for (const ExpFile& f : e.ExpFiles)
            if (static_cast<int>(files.size()) < e.ExpCount) files.push_back(f.Title);
        SetComboItems(combo("CmbExpFile"), files, e.ExpCount > 0 ? e.ExpCurrent : -1);
        if (auto* s = qobject_cast<QSpinBox*>(find("UpDExpFile"))) {
            const QSignalBlocker b(s);
            s->setRange(0, std::max(0, e.UpDExpFileMax));
            s->setValue(std::max(0, e.ExpCurrent));
        }
        // How the file shown is read; without a file, the choices the next one takes.
        const bool shown = e.ExpCount > 0 && e.ExpCurrent >= 0 && e.ExpCurrent < static_cast<int>(e.ExpFiles.size());
        const ExpFile* current = shown ? &e.ExpFiles[static_cast<std::size_t>(e.ExpCurrent)] : nullptr;
        SetComboIndex(combo("CmbExpXUnit"), current ? current->XUnit : a.shell.SpectraXUnit);
        if (auto* s = qobject_cast<QSpinBox*>(find("UpDExpColumn"))) {
            const QSignalBlocker b(s);
            s->setValue(current ? current->Column : a.shell.SpectraColumn);
        }
        enable("CmbExpXUnit", shown);
        enable("UpDExpColumn", shown);
        SetEditText(edit("TxtBaseline"), e.TxtBaseline);
        SetEditText(edit("TxtWavelength"), e.TxtWavelength);
        SetEditText(edit("TxtMultiply"), e.TxtMultiply);
        SetEditText(edit("TxtNoise"), e.TxtNoise);
        SetChecked(check("ChkExpLimits"), e.ExpLimits == 1);
        SetChecked(check("ChkShowSpectra"), e.ShowSpectra == 1);
        SetChecked(check("ChkResiduals"), a.plot.HideResiduals == 0);
        if (auto* c = combo("CmbResiduals"))
            SetComboIndex(c, std::max(0, static_cast<int>(c->findText(QStr(e.CmbResiduals)))));
        label("LblCorrelation", e.LblCorrelation);
        label("LblResponse", e.LblResponseCaption);
        label("LblDeviation", e.LblDeviation);
    }

    if (groups.Has(G::Display)) {
        const PlotState& p = a.plot;
        SetEditText(edit("TxtZoomX"), p.TxtZoomX);
        SetEditText(edit("TxtZoomY"), p.TxtZoomY);
        if (auto* s = qobject_cast<QSlider*>(find("SldX"))) {
            const QSignalBlocker b(s);
            s->setValue(p.SldX);
        }
        SetComboIndex(combo("CmbView"), p.DisplayMode);
        SetComboIndex(combo("CmbComparison"), p.ComparisonMode);
        SetComboIndex(combo("CmbLegend"), p.LegendPosition);
        SetComboIndex(combo("CmbColorScheme"), p.intColor);
        SetChecked(check("ChkShowAssignment"), p.ShowAssignment == 1);
        SetComboIndex(combo("CmbAssignment"), p.AssignmentMode);
        SetComboItems(combo("CmbUpperBand"), upperLevels, p.AssignVUpper);
        SetComboItems(combo("CmbLowerBand"), lowerLevels, p.AssignVLower);
        SetComboItems(combo("CmbRotationalBranches"), p.RotationalBranchItems, p.BranchSelection);
        const std::string refusal = program::AssignmentRefusal(a);
        for (const char* n : {"CmbUpperBand", "CmbLowerBand", "CmbRotationalBranches"})
            Offer(find(n), p.AssignBandControlsEnabled, refusal);
        for (const char* n : {"ChkShowAssignment", "CmbAssignment"}) Offer(find(n), true, refusal);
    }

    // Child windows.
    if (groups.Has(G::Populations)) populations_->ShowState(a);
    if (const std::string title = simulation::SimulationTitle(a.sim.result); !title.empty())
        simulation_->setWindowTitle(QStr(title));
    for (QWidget* w :
         {static_cast<QWidget*>(database_), static_cast<QWidget*>(populations_), static_cast<QWidget*>(simulation_)})
        if (QMdiSubWindow* sub = subWindowOf(w)) sub->setWindowTitle(w->windowTitle());
}

// ----------------------------------------------------------------------------- closing

void MDIVelmora::closeEvent(QCloseEvent* event) {
    if (IsBusy()) {
        event->ignore();  // a calculation is running; it ends first
        return;
    }
    if (started_) {
        program::SaveSettings(app_, *store_);
        if (!store_->Sync()) app_.dialogs->ShowMessage(program::SettingsNotSavedMessage(CorePath(store_->FileName())));
    }
    event->accept();
}

}  // namespace velmora::app
