// The desktop program on the offscreen platform with the shipped database: start-up, band-system
// changes, numeric boxes, screen views, zoom keys, file round trips through the menu commands,
// printing to a PDF file and the settings kept between runs. Dialogs are scripted fakes.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/file_paths.h"
#include "app/fit_dialog.h"
#include "app/frame_windows.h"
#include "app/input_tabs.h"
#include "app/line_lookup_view.h"
#include "app/qt_canvas.h"
#include "app/qt_file_chooser.h"
#include "common/number_format.h"
#include "experiment/spectrum_frame.h"
#include "fit/lif_image.h"
#include "populations/populations_window.h"
#include "program/simulation_run.h"
#include "support/scripted_chooser.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::app {
namespace {

using velmora::testing::ScriptedChooser;
using velmora::testing::ScriptedDialogs;
using velmora::testing::TempDir;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Made once and kept to the end of the process: Qt's own clean-up at exit must find it alive.
    static QApplication* app = new QApplication(argc, argv);
    QApplication::setApplicationVersion("1.0.0");
    return *app;
}

/// A main window on the shipped database with scripted dialogs, its settings in a temporary file.
class Desktop : public ::testing::Test {
protected:
    void SetUp() override { Application(); }

    std::unique_ptr<MDIVelmora> Open(bool load = true) {
        ProgramOptions o;
        o.dataFolder = VELMORA_DATA_DIR;
        o.settingsFile = QString::fromStdString((dir / "settings.ini").string());
        o.dialogs = &dialogs;
        o.files = &files;
        o.openUrl = [](const QUrl&) { return false; };  // no desktop program in the tests
        o.printSetup = [this](QPrinter& printer, const QString&) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString((dir / "page.pdf").string()));
            return printAccepted;
        };
        auto w = std::make_unique<MDIVelmora>(o);
        EXPECT_TRUE(w->StartUp());
        w->show();
        if (load) {
            EXPECT_TRUE(w->Load());
        }
        return w;
    }

    template <typename W>
    static W* Find(MDIVelmora& w, const char* name) {
        W* found = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    /// Types text into a box as a user would, key by key.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    TempDir dir;
    ScriptedDialogs dialogs;
    ScriptedChooser files;
    bool printAccepted = true;
};

/// Pixels of an image that are not the background colour.
int InkedPixels(const QImage& image, QRgb background) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != background;
    return n;
}

TEST_F(Desktop, StartUpRunsOneSimulationAndThePlotHasContent) {
    auto w = Open();
    const AppState& app = w->State();
    EXPECT_TRUE(app.plot.PlotReady);
    EXPECT_GT(app.sim.result.grid.last, 100);
    EXPECT_EQ(w->windowTitle(), "VELMORA 1.0.0");
    const QImage plot = w->simulationWindow()->plot()->Image();
    ASSERT_FALSE(plot.isNull());
    // The simulated trace (magenta on white) covers a good part of the plot's columns.
    int magenta = 0;
    for (int y = 0; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x) magenta += QColor(plot.pixel(x, y)) == ToQColor(PaletteColor(5));
    EXPECT_GT(magenta, plot.width() / 2);
    EXPECT_GT(InkedPixels(w->simulationWindow()->axis()->Image(), qRgb(255, 255, 255)), 50);  // labels, caption
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    EXPECT_EQ(w->findChild<QProgressBar*>("BarMain")->value(), 0);
}

TEST_F(Desktop, AMissingDatabaseIsReportedNamingTheFile) {
    ProgramOptions o;
    o.dataFolder = dir.path().string();  // an empty folder
    o.settingsFile = QString::fromStdString((dir / "settings.ini").string());
    o.dialogs = &dialogs;
    MDIVelmora w(o);
    EXPECT_FALSE(w.StartUp());
    EXPECT_FALSE(w.Load());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("VELMORA.SYS"), std::string::npos) << dialogs.messages[0];
    w.close();  // nothing was read: nothing is written
    EXPECT_FALSE(std::filesystem::exists(dir / "settings.ini"));
}

TEST_F(Desktop, ChangingTheBandSystemRefreshesTableAndPopulations) {
    auto w = Open();
    auto* transition = Find<QComboBox>(*w, "CmbTransition");
    ASSERT_EQ(transition->itemText(2), "NO (A-X)");
    // The pre-computation reports its progress band by band on the progress bar (a system read
    // from the model cache at once shows it complete).
    QSignalSpy progress(Find<QProgressBar>(*w, "BarMain"), &QProgressBar::valueChanged);
    setenv("VELMORA_MODEL_CACHE", "off", 1);
    transition->setCurrentIndex(2);
    emit transition->activated(2);
    unsetenv("VELMORA_MODEL_CACHE");
    EXPECT_GT(progress.count(), 10);
    EXPECT_EQ(w->State().db.systemEntry, 3);
    EXPECT_TRUE(w->databaseWindow()->windowTitle().contains("NO"));
    EXPECT_EQ(w->populationsWindow()->windowTitle(), "NO (A) population distributions");
    auto* levels = w->populationsWindow()->cmbVibLevel;
    EXPECT_EQ(levels->count(), 6);  // NO A: v' = 0..5
    EXPECT_EQ(w->populationsWindow()->gridPop->rowCount(), 7);
    EXPECT_EQ(w->databaseWindow()->grid()->item(0, 1)->text().trimmed(), "A v'= 0");
}

TEST_F(Desktop, ATripletSystemFromTheListShowsItsTableAndIsRestoredAtTheNextStart) {
    auto w = Open();
    auto* transition = Find<QComboBox>(*w, "CmbTransition");
    ASSERT_EQ(transition->itemText(15), "N2 (C-B)");
    transition->setCurrentIndex(15);
    emit transition->activated(15);
    EXPECT_TRUE(w->State().sim.Multiplet);
    EXPECT_TRUE(w->databaseWindow()->windowTitle().contains("N2 (C-B)"));
    // The upper state's term values: J and the six components F1..F3 x e/f, whole in the window.
    auto* information = Find<QComboBox>(*w, "CmbInformation");
    information->setCurrentIndex(1);
    emit information->activated(1);
    QTableWidget* grid = w->databaseWindow()->grid();
    ASSERT_EQ(grid->columnCount(), 7);
    EXPECT_EQ(grid->item(0, 6)->text(), "F3 f");
    int width = 0;
    for (int c = 0; c < grid->columnCount(); ++c) width += grid->columnWidth(c);
    EXPECT_LT(width, 1000);  // pixels: no column squeezed, the table no wider than a screen
    // What does not apply is disabled and says why.
    for (const char* name : {"CmbQuantity", "CmbDatabaseUnits", "ChkShowAssignment"}) {
        auto* c = Find<QWidget>(*w, name);
        EXPECT_FALSE(c->isEnabled()) << name;
        EXPECT_TRUE(c->toolTip().contains("N2 (C-B)")) << name;
    }
    // Loaded or edited populations are drawn until the system is thermalised again.
    EXPECT_TRUE(Find<QWidget>(*w, "ChkThermal")->isEnabled());
    // The populations window edits one of the six components at a time in a three-column table
    // and the rotational histogram; the vibrational controls and the spin-orbit combination
    // factor of the doublet window say why they do not apply.
    PopulationsWindow* pops = w->populationsWindow();
    EXPECT_TRUE(pops->isEnabled());
    ASSERT_EQ(pops->cmbStructure->count(), 6);
    EXPECT_EQ(pops->cmbStructure->itemText(5), "F3 f");
    EXPECT_TRUE(pops->tabs->isTabEnabled(populations::kRotationalTab));
    EXPECT_FALSE(pops->tabs->isTabEnabled(populations::kVibrationalTab));
    EXPECT_TRUE(pops->tabs->tabToolTip(populations::kVibrationalTab).contains("N2 (C-B)"));
    EXPECT_FALSE(pops->txtSpinCombination->isEnabled());
    EXPECT_TRUE(pops->txtSpinCombination->toolTip().contains("N2 (C-B)"));
    EXPECT_TRUE(pops->txtTRotational->isEnabled());
    EXPECT_TRUE(pops->cmdInitialize->isEnabled());
    pops->cmbStructure->setCurrentIndex(4);
    emit pops->cmbStructure->activated(4);
    QTableWidget* table = pops->gridPop;
    ASSERT_EQ(table->columnCount(), 3);
    int row = 1;
    while (row < table->rowCount() && table->item(row, 0)->text() != "10") ++row;
    ASSERT_LT(row, table->rowCount());
    EXPECT_FALSE(table->item(row, 1)->flags() & Qt::ItemIsEditable);
    table->item(row, 2)->setText("0");  // F2 f J = 10 of C v' = 0 emptied, as typed in the cell
    EXPECT_EQ(table->item(row, 2)->text(), "0");
    EXPECT_EQ(w->State().pop.ThermalFlag, 0);
    EXPECT_FALSE(Find<QCheckBox>(*w, "ChkThermal")->isChecked());
    EXPECT_EQ(pops->cmbRotational->currentText(), "Non-thermal");
    emit pops->cmbRotational->activated(0);  // back to thermal
    const QString thermal = table->item(row, 2)->text();
    EXPECT_NE(thermal, "0");
    // A press on the histogram's bar of J = 10 (bar b is table row b + 1) below the axis empties
    // the level; a rotational temperature typed makes the level thermal at it.
    emit pops->picRotational->MousePressed(row - 1, -1.0, Qt::LeftButton, {});
    EXPECT_EQ(table->item(row, 2)->text(), "0");
    pops->txtTRotational->setText("1500");
    emit pops->txtTRotational->textEdited("1500");
    EXPECT_NE(table->item(row, 2)->text(), "0");
    EXPECT_NE(table->item(row, 2)->text(), thermal);
    EXPECT_EQ(pops->cmbRotational->currentText(), "Thermal");
    w->close();

    auto again = Open();
    EXPECT_EQ(Find<QComboBox>(*again, "CmbTransition")->currentIndex(), 15);
    EXPECT_TRUE(again->State().sim.Multiplet);
    // A doublet system brings its controls back.
    auto* list = Find<QComboBox>(*again, "CmbTransition");
    list->setCurrentIndex(0);
    emit list->activated(0);
    EXPECT_TRUE(Find<QWidget>(*again, "CmbQuantity")->isEnabled());
    EXPECT_TRUE(again->populationsWindow()->tabs->isTabEnabled(populations::kRotationalTab));
    EXPECT_TRUE(again->populationsWindow()->txtTRotational->isEnabled());
}

TEST_F(Desktop, ARangeWithoutLinesOfTheNewSystemMovesToItsStrongestBand) {
    auto w = Open();
    auto* transition = Find<QComboBox>(*w, "CmbTransition");
    ASSERT_EQ(transition->itemText(5), "CH (A-X)");
    transition->setCurrentIndex(5);
    emit transition->activated(5);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("holds no line of CH (A-X)"), std::string::npos) << dialogs.messages[0];
    // The boxes show the new range around the (0,0) band near 4314 Å, and it simulates lines.
    const double start = Find<QLineEdit>(*w, "TxtStart")->text().toDouble();
    const double end = Find<QLineEdit>(*w, "TxtEnd")->text().toDouble();
    EXPECT_LT(start, 4313.7);
    EXPECT_GT(end, 4313.7);
    w->command("Simulation")->trigger();
    EXPECT_GT(w->State().sim.result.linesDrawn, 100);
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(Desktop, NumericBoxRefusesBadTextAndSwallowsEnter) {
    auto w = Open();
    auto* t = Find<QLineEdit>(*w, "TxtTemperature");
    ASSERT_EQ(t->text(), "300");
    // "1" of "1e9" is in force for a key; the refusal takes 300 K back, and the box keeps the
    // text with the refusal until it is left.
    Type(t, "1e9");
    EXPECT_EQ(t->text(), "1e9");
    EXPECT_EQ(t->toolTip(), "temperature: 1e9 is not accepted (0..1000000 K)");
    EXPECT_FLOAT_EQ(w->State().pop.Temperature, 300.0f);
    emit t->editingFinished();
    EXPECT_EQ(t->text(), "300");
    EXPECT_EQ(t->toolTip(), "");
    Type(t, "2500");
    EXPECT_FLOAT_EQ(w->State().pop.Temperature, 2500.0f);
    // Each key is judged: "2", "25" are stored, "25x" is answered with the value in force.
    Type(t, "25x");
    EXPECT_EQ(t->text(), "25");
    EXPECT_FLOAT_EQ(w->State().pop.Temperature, 25.0f);
    QSignalSpy enter(t, &QLineEdit::returnPressed);
    QTest::keyClick(t, Qt::Key_Return);
    EXPECT_EQ(enter.count(), 0);
    EXPECT_EQ(t->text(), "25");
}

TEST_F(Desktop, ConditionEditsUndoAndRedoAndTheWheelSparesUnfocusedLists) {
    auto w = Open();
    auto* t = Find<QLineEdit>(*w, "TxtTemperature");
    auto* kind = Find<QComboBox>(*w, "CmbKind");
    auto* undo = w->findChild<QAction*>("mnuUndo");
    auto* redo = w->findChild<QAction*>("mnuRedo");
    ASSERT_NE(undo, nullptr);
    ASSERT_NE(redo, nullptr);
    EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_TRUE(redo->shortcuts().contains(QKeySequence("Ctrl+Shift+Z")));
    EXPECT_FALSE(undo->isEnabled());  // the settings read at start are no edit

    // A box edit (four keys) and a choice in a list: two edits.
    Type(t, "2200");
    emit t->editingFinished();
    const int emission = kind->currentIndex();
    kind->setCurrentIndex(emission == 0 ? 1 : 0);
    emit kind->activated(kind->currentIndex());
    const auto changedKind = w->State().sim.conditions.kind;
    EXPECT_TRUE(undo->isEnabled());

    undo->trigger();
    EXPECT_EQ(kind->currentIndex(), emission);
    EXPECT_EQ(w->State().sim.conditions.temperature, 2200.0);
    undo->trigger();
    EXPECT_EQ(t->text(), "300");
    EXPECT_FLOAT_EQ(w->State().pop.Temperature, 300.0f);
    EXPECT_FALSE(undo->isEnabled());
    redo->trigger();
    redo->trigger();
    EXPECT_EQ(t->text(), "2200");
    EXPECT_EQ(w->State().sim.conditions.kind, changedKind);
    EXPECT_FALSE(redo->isEnabled());

    // The wheel over a list without the focus changes nothing (it scrolls the page instead).
    ASSERT_FALSE(kind->hasFocus());
    const int before = kind->currentIndex();
    QWheelEvent wheel(QPointF(5, 5), kind->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(kind, &wheel);
    EXPECT_EQ(kind->currentIndex(), before);
    EXPECT_EQ(kind->focusPolicy(), Qt::StrongFocus);
}

TEST_F(Desktop, ScreenViewsShowAndHideTheRightWindows) {
    auto w = Open(false);
    auto* view = Find<QComboBox>(*w, "CmbWindowView");
    QMdiSubWindow* table = w->subWindowOf(w->databaseWindow());
    QMdiSubWindow* plot = w->subWindowOf(w->simulationWindow());
    QMdiSubWindow* pops = w->subWindowOf(w->populationsWindow());
    const QRect before = table->geometry();
    emit view->activated(0);  // no band system yet: the choice is kept, nothing moves
    EXPECT_EQ(w->State().shell.intWindows, 0);
    EXPECT_FALSE(table->isVisible());
    EXPECT_EQ(table->geometry(), before);

    ASSERT_TRUE(w->Load());
    EXPECT_TRUE(table->isVisible());  // view 0 chosen before
    EXPECT_FALSE(plot->isVisible());
    emit view->activated(4);
    EXPECT_FALSE(table->isVisible());
    EXPECT_TRUE(plot->isVisible());
    EXPECT_TRUE(pops->isVisible());
    EXPECT_LT(plot->geometry().right(), pops->geometry().left() + 2);  // side by side
    w->command("Horizontal")->trigger();
    EXPECT_EQ(w->State().shell.intWindows, 3);
    EXPECT_TRUE(table->isVisible() && plot->isVisible() && !pops->isVisible());
    EXPECT_LT(table->geometry().bottom(), plot->geometry().top() + 2);  // one above the other
    w->command("Vertical")->trigger();
    EXPECT_LT(table->geometry().right(), plot->geometry().left() + 2);
    // "Population distributions" shows the populations window beside the plot.
    Find<QPushButton>(*w, "CmdPopulations")->click();
    EXPECT_TRUE(pops->isVisible());
    EXPECT_EQ(view->currentIndex(), 4);
}

TEST_F(Desktop, TheDatabaseTabShowsItsTableAndANewInformationItsFirstQuantity) {
    auto w = Open();  // screen view "Simulation": no table
    QMdiSubWindow* table = w->subWindowOf(w->databaseWindow());
    ASSERT_FALSE(table->isVisible());
    QTabBar* bar = Find<QTabWidget>(*w, "SSTabMain")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
    EXPECT_TRUE(table->isVisible());
    EXPECT_TRUE(w->subWindowOf(w->simulationWindow())->isVisible());
    EXPECT_GT(w->databaseWindow()->grid()->rowCount(), 5);

    auto* information = Find<QComboBox>(*w, "CmbInformation");
    auto* quantity = Find<QComboBox>(*w, "CmbQuantity");
    information->setCurrentIndex(1);
    emit information->activated(1);
    EXPECT_EQ(quantity->currentText(), "Lifetimes, predissociation");
    EXPECT_TRUE(w->databaseWindow()->windowTitle().contains("Lifetimes"));
    EXPECT_EQ(w->databaseWindow()->grid()->item(0, 1)->text().trimmed(), "Tau rad F1");
    information->setCurrentIndex(2);
    emit information->activated(2);
    EXPECT_EQ(quantity->currentText(), "Energy terms");
    EXPECT_EQ(w->databaseWindow()->grid()->item(1, 0)->text(), "Not available as a table");
}

TEST_F(Desktop, ASmallWindowLeavesThePlotHalfItsHeightAndTheArrowKeepsTheMenus) {
    auto w = Open();
    w->resize(1216, 760);  // a 1280 x 800 screen
    QTest::qWait(50);
    QWidget* area = Find<QWidget>(*w, "MDIArea");
    EXPECT_GE(area->height(), static_cast<int>(0.6 * w->height()) - 2);
    EXPECT_GE(2 * w->simulationWindow()->plot()->height(), w->height() - 40);
    // The page scrolls instead (its groups wrap into the width: no horizontal scroll bar).
    auto* scroll = Find<QScrollArea>(*w, "TabSimulationScroll");
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());

    w->command("mnuToggle")->trigger();
    EXPECT_FALSE(Find<QTabWidget>(*w, "SSTabMain")->isVisible());
    EXPECT_FALSE(Find<QToolBar>(*w, "Toolbar2")->isVisible());
    EXPECT_TRUE(w->menuBar()->isVisible());
    w->command("mnuToggle")->trigger();
    EXPECT_TRUE(Find<QTabWidget>(*w, "SSTabMain")->isVisible());
}

/// True when the whole of w lies inside the visible part of its scroll area.
bool InView(const QScrollArea& area, const QWidget& w) {
    const QRect r(w.mapTo(area.viewport(), QPoint(0, 0)), w.size());
    return area.viewport()->rect().contains(r);
}

TEST_F(Desktop, EveryInputPageFitsAFullHdScreenAndThePlotKeepsHalfOfASmallOne) {
    auto w = Open();
    auto* tabs = Find<QTabWidget>(*w, "SSTabMain");
    ASSERT_EQ(tabs->count(), 3);
    // 95 % of a 1920 x 1080 screen: every group of every page in view, no scrolling.
    w->resize(1824, 1026);
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QTest::qWait(50);
        auto* scroll = tabs->widget(page)->findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0) << scroll->objectName().toStdString();
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << scroll->objectName().toStdString();
        for (QGroupBox* g : scroll->widget()->findChildren<QGroupBox*>()) {
            if (g->isVisibleTo(scroll->widget())) {
                EXPECT_TRUE(InView(*scroll, *g))
                    << g->objectName().toStdString() << " " << g->height() << " in " << scroll->viewport()->height();
            }
        }
        EXPECT_GE(2 * w->simulationWindow()->plot()->height(), w->height() - 40) << page;
    }
    auto* experiment = Find<QScrollArea>(*w, "TabExperimentScroll");
    tabs->setCurrentWidget(experiment->parentWidget());
    QTest::qWait(50);
    EXPECT_TRUE(InView(*experiment, *Find<QPushButton>(*w, "CmdFit")));

    // A 1280 x 800 screen: the pages scroll, the plot keeps half the window.
    w->resize(1216, 760);
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QTest::qWait(50);
        EXPECT_GE(2 * w->simulationWindow()->plot()->height(), w->height() - 40) << page;
    }
    // Beside the plot (Histogram/Spectra), the populations window shows its tabs' names whole,
    // every control at least at its smallest size, and a histogram of a useful size.
    emit Find<QComboBox>(*w, "CmbWindowView")->activated(4);
    QTest::qWait(50);
    QWidget* pops = w->populationsWindow();
    auto* popTabs = Find<QTabWidget>(*w, "SSTab1");
    for (int i = 0; i < popTabs->count(); ++i) {
        const QTabBar* bar = popTabs->tabBar();
        EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)))
            << bar->tabText(i).toStdString();
        EXPECT_TRUE(bar->rect().contains(bar->tabRect(i))) << bar->tabText(i).toStdString();
    }
    for (const char* name : {"CmbVibLevel", "CmbStructure", "CmbRotational", "CmbVibrational", "TxtTRotational",
                             "TxtSetTemperature", "TxtSpinCombination", "TxtMinPopVib", "CmdInitialize"}) {
        auto* c = Find<QWidget>(*w, name);
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << name;
        EXPECT_TRUE(pops->rect().contains(QRect(c->mapTo(pops, QPoint(0, 0)), c->size()))) << name;
    }
    popTabs->setCurrentIndex(2);
    QTest::qWait(50);
    EXPECT_GE(Find<QWidget>(*w, "PicRotational")->width(), 250);
    EXPECT_GE(Find<QWidget>(*w, "PicRotational")->height(), 200);
}

TEST_F(Desktop, ZoomButtonsStopAtTheirLimits) {
    auto w = Open();
    for (int i = 0; i < 150; ++i) w->command("mnuZoomUp")->trigger();
    EXPECT_EQ(w->State().plot.UpDZoomY, 100);
    EXPECT_EQ(Find<QLineEdit>(*w, "TxtZoomY")->text(), "50");
    for (int i = 0; i < 150; ++i) w->command("mnuZoomXdown")->trigger();
    EXPECT_EQ(w->State().plot.UpDZoomX, 1);
    EXPECT_FLOAT_EQ(w->State().plot.ZoomX, 0.5f);
    for (int i = 0; i < 40; ++i) w->command("mnuShiftRight")->trigger();
    EXPECT_EQ(Find<QSlider>(*w, "SldX")->value(), 100);
    w->command("mnuReset")->trigger();
    EXPECT_EQ(w->State().plot.SldX, 50);
    EXPECT_FLOAT_EQ(w->State().plot.ViewLeft, w->State().sim.result.grid.start);
    EXPECT_FLOAT_EQ(w->State().plot.ViewRight, w->State().sim.result.conditions.end);
}

TEST_F(Desktop, PlotZoomsByWheelRectangleDoubleClickAndKeys) {
    auto w = Open();
    const AppState& app = w->State();
    PictureBox* plot = w->simulationWindow()->plot();
    auto* zoomX = Find<QLineEdit>(*w, "TxtZoomX");
    // The arrows beside the zoom box step it by 0.5, and the box is the only number shown.
    Find<UpDownButtons>(*w, "UpDZoomX")->up()->click();
    EXPECT_EQ(zoomX->text(), "1.5");
    EXPECT_TRUE(w->findChild<UpDownButtons*>("UpDZoomX")->findChildren<QLineEdit*>().isEmpty());
    w->command("mnuZoomXdown")->trigger();
    EXPECT_EQ(zoomX->text(), "1");

    // One wheel notch at 80 % of the width: the wavelength under the pointer stays under it.
    const QPointF at(plot->width() * 0.8, plot->height() * 0.5);
    const double before = plot->ToUser(at).x();
    QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    EXPECT_FLOAT_EQ(app.plot.ZoomX, 1.25f);
    EXPECT_NEAR(plot->ToUser(at).x(), before, 1e-3 * (app.plot.ViewRight - app.plot.ViewLeft));
    EXPECT_EQ(zoomX->text(), "1.25");

    // A rectangle dragged from 100 to 300 px becomes the view.
    const double x0 = plot->ToUser(QPointF(100, 40)).x(), x1 = plot->ToUser(QPointF(300, 40)).x();
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(100, 40));
    QTest::mouseMove(plot, QPoint(300, 120));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(300, 120));
    EXPECT_NEAR(app.plot.ViewLeft, x0, 1e-3);
    EXPECT_NEAR(app.plot.ViewRight, x1, 1e-3);
    EXPECT_GT(app.plot.ZoomY, 1.0f);  // the rectangle's top, below full scale, is full scale now

    // A double click shows everything again; keys act on the focused plot.
    QTest::mouseDClick(plot, Qt::LeftButton, {}, QPoint(200, 80));
    EXPECT_FLOAT_EQ(app.plot.ViewLeft, app.sim.result.grid.start);
    EXPECT_FLOAT_EQ(app.plot.ViewRight, app.sim.result.conditions.end);
    EXPECT_FLOAT_EQ(app.plot.ZoomY, 1.0f);
    plot->setFocus();
    QTest::keyClick(plot, Qt::Key_Plus);
    EXPECT_FLOAT_EQ(app.plot.ZoomX, 1.25f);
    const float left = app.plot.ViewLeft;
    QTest::keyClick(plot, Qt::Key_Left);
    EXPECT_LT(app.plot.ViewLeft, left);
    QTest::keyClick(plot, Qt::Key_Up);
    EXPECT_FLOAT_EQ(app.plot.ZoomY, 1.25f);
}

TEST_F(Desktop, PlotPopupMenuCarriesItsCheckMarksAndActs) {
    auto w = Open();
    auto item = [](QMenu* menu, const QString& text) -> QAction* {
        for (QAction* a : menu->actions())
            if (a->text() == text) return a;
        return nullptr;
    };
    std::unique_ptr<QMenu> popup(w->BuildPlotPopup());
    QMenu* mode = popup->findChild<QMenu*>("mnuSimulMode");
    ASSERT_NE(mode, nullptr);
    EXPECT_TRUE(item(mode, "Total")->isChecked());
    EXPECT_FALSE(item(mode, "Areas")->isChecked());
    EXPECT_FALSE(popup->findChild<QMenu*>("mnuSimulComparison")->isEnabled());  // no spectrum loaded
    EXPECT_TRUE(popup->findChild<QAction*>("mnuColorSchemeLight")->isChecked());
    item(mode, "Areas")->trigger();
    popup->findChild<QAction*>("mnuColorSchemeDark")->trigger();
    EXPECT_EQ(w->State().plot.DisplayMode, 2);
    EXPECT_EQ(w->State().plot.intColor, 1);
    // The combo box of the scheme follows; the display-mode box does not (the popup acts on the
    // plot only).
    EXPECT_EQ(Find<QComboBox>(*w, "CmbColorScheme")->currentIndex(), 1);
    // The dark plot is drawn on black.
    EXPECT_EQ(QColor(w->simulationWindow()->plot()->Image().pixel(2, 2)), QColor(Qt::black));
    for (const char* strip : {"PicAxis", "PicYAxis"}) {
        const QImage image = Find<PictureBox>(*w, strip)->Image();
        EXPECT_EQ(QColor(image.pixel(1, image.height() - 2)), QColor(Qt::black)) << strip;
    }
    const QImage window = w->simulationWindow()->grab().toImage();
    EXPECT_EQ(QColor(window.pixel(2, window.height() - 3)), QColor(Qt::black)) << "corner below the intensity labels";
    std::unique_ptr<QMenu> again(w->BuildPlotPopup());
    EXPECT_TRUE(again->findChild<QAction*>("mnuColorSchemeDark")->isChecked());
}

TEST_F(Desktop, TheSpectrumPictureGoesToTheClipboardUncut) {
    auto w = Open();
    QGuiApplication::clipboard()->clear();
    w->command("mnuClipboard")->trigger();  // the button's own click: "Spectra"
    const QImage picture = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), w->simulationWindow()->size());
    const int W = picture.width(), H = picture.height();
    auto dark = [&](int x, int y) { return qGray(picture.pixel(x, y)) < 128; };
    // The frame's right edge is a full dark column with white beyond it; the caption is below the
    // labels, above the bottom edge.
    int frameColumn = -1;
    for (int x = W - 1; x > W * 3 / 4 && frameColumn < 0; --x) {
        int n = 0;
        for (int y = 0; y < H; ++y) n += dark(x, y);
        if (n > H / 2) frameColumn = x;
    }
    ASSERT_GT(frameColumn, 0);
    EXPECT_LT(frameColumn, W - 3);
    int captionRows = 0, bottomInk = 0;
    for (int y = H * 9 / 10; y < H; ++y) {
        int n = 0;
        for (int x = 0; x < W; ++x) n += dark(x, y);
        captionRows += n > 0;
        if (y >= H - 2) bottomInk += n;
    }
    EXPECT_GT(captionRows, 5);
    EXPECT_EQ(bottomInk, 0);
}

TEST_F(Desktop, EveryLoadedSpectrumStartsWithoutCorrections) {
    auto w = Open();
    const AppState& app = w->State();
    std::string text;
    for (int i = 0; i <= 100; ++i) text += std::to_string(3050 + i) + " " + std::to_string(10 + i % 7) + "\n";
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) std::ofstream(dir / name) << text;
    files.paths = {(dir / "a.txt").string()};
    auto* tabs = Find<QTabWidget>(*w, "SSTabMain");
    tabs->setCurrentIndex(0);
    w->command("mnuOpenSpectra")->trigger();
    // The corrections of the new spectrum come into view.
    EXPECT_EQ(tabs->currentWidget()->objectName(), "TabExperiment");
    Type(Find<QLineEdit>(*w, "TxtBaseline"), "3");
    Type(Find<QLineEdit>(*w, "TxtWavelength"), "0.5");
    Type(Find<QLineEdit>(*w, "TxtMultiply"), "2");
    for (const char* name : {"b.txt", "c.txt"}) {
        files.paths = {(dir / name).string()};
        w->command("mnuOpenSpectra")->trigger();
        EXPECT_EQ(Find<QLineEdit>(*w, "TxtBaseline")->text(), "0") << name;
        EXPECT_EQ(Find<QLineEdit>(*w, "TxtWavelength")->text(), "0");
        EXPECT_EQ(Find<QLineEdit>(*w, "TxtMultiply")->text(), "1");
        EXPECT_FLOAT_EQ(app.exp.ExpX(0), 3050.0f);
    }
    // The first file keeps its own.
    auto* list = Find<QComboBox>(*w, "CmbExpFile");
    list->setCurrentIndex(0);
    emit list->activated(0);
    EXPECT_EQ(Find<QLineEdit>(*w, "TxtBaseline")->text(), "3");
    EXPECT_FLOAT_EQ(app.exp.ExpX(0), 3049.5f);
}

TEST_F(Desktop, RecentFilesDroppedSpectraAndTheLinesUnderAClick) {
    auto w = Open();
    AppState& app = w->State();
    std::string text;
    for (int i = 0; i <= 100; ++i) text += std::to_string(3050 + i) + " " + std::to_string(10 + i % 7) + "\n";
    for (const char* name : {"a.txt", "b.txt"}) std::ofstream(dir / name) << text;
    files.paths = {(dir / "a.txt").string()};
    w->command("mnuOpenSpectra")->trigger();
    ASSERT_EQ(app.exp.ExpCount, 1);

    // The file read joins the recent files; choosing it there loads it again.
    auto* recent = Find<QMenu>(*w, "mnuRecentFiles");
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions()[0]->text(), "&1  a.txt  (spectrum)");
    recent->actions()[0]->trigger();
    EXPECT_EQ(app.exp.ExpCount, 2);

    // A spectrum file dropped onto the plot is loaded as Load spectra loads it, and is recent.
    QWidget* plot = w->simulationWindow()->plot();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "b.txt").string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &drop);
    EXPECT_EQ(app.exp.ExpCount, 3);
    EXPECT_EQ(app.exp.ExpFiles.back().Title, "b.txt");
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_EQ(recent->actions()[0]->text(), "&1  b.txt  (spectrum)");

    // OH A-X at 3050..3150 Å: a click near the (0,0) Q1 head lists its lines, the largest first.
    auto* lookup = w->findChild<LineLookupView*>();
    ASSERT_NE(lookup, nullptr);
    const QStringList lines = lookup->ClickText(3090.0).split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("(0,0) ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("100 %")) << lines[1].toStdString();
    EXPECT_TRUE(lookup->HoverText(3090.0).startsWith("(0,0) "));
    // The lines of a click are marked on the plot; peak labels name the strongest of the view.
    const PictureBox* picture = w->simulationWindow()->plot();
    lookup->MarkLinesAt(3090.0);
    ASSERT_FALSE(picture->Marks().empty());
    EXPECT_TRUE(picture->Marks().front().label.startsWith("(0,0) ")) << picture->Marks().front().label.toStdString();
    lookup->LabelStrongestLines(true);
    EXPECT_EQ(picture->Marks().size(), 10u);
    lookup->LabelStrongestLines(false);
    EXPECT_TRUE(picture->Marks().empty());
    // The line list at these conditions is saved from the window.
    const std::string listed = (dir / "lines.csv").string();
    ASSERT_TRUE(lookup->SaveLineList(QString::fromStdString(listed)));
    std::ifstream list(listed);
    std::string header;
    std::getline(list, header);
    EXPECT_EQ(header, "v_up,v_low,branch,N_low,J_low,parity_low,position (\xC3\x85 (Vacuum)),area\r");

    // A simulation without lines says why in the status bar.
    EXPECT_FALSE(w->statusBar()->isVisible());
    Type(Find<QLineEdit>(*w, "TxtStart"), "2000");
    Type(Find<QLineEdit>(*w, "TxtEnd"), "2100");
    w->command("Simulation")->trigger();
    EXPECT_TRUE(w->statusBar()->isVisible());
    EXPECT_TRUE(w->statusBar()->currentMessage().startsWith("Nothing to show: no line of OH (A-X)"))
        << w->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(lookup->ClickText(2050.0).isEmpty());
}

TEST_F(Desktop, SpectraComeInTheUnitChosenOnLoadingAndFollowTheAxisUnit) {
    auto w = Open();
    const AppState& app = w->State();
    auto* units = Find<QComboBox>(*w, "CmbUnits");
    ASSERT_EQ(units->count(), 5);
    EXPECT_EQ(units->itemText(3), "nm (Vacuum)");
    EXPECT_EQ(units->itemText(4), "nm (Air)");

    // A spectrum in cm-1 (1E8 / 3050..3150 Å), its unit chosen in the dialog.
    std::string text;
    for (int i = 0; i <= 100; ++i) text += Format(1E8 / (3050.0 + i), "0.000") + " 10\n";
    std::ofstream(dir / "wn.txt") << text;
    files.paths = {(dir / "wn.txt").string()};
    files.choiceToMake = 3;
    w->command("mnuOpenSpectra")->trigger();
    ASSERT_EQ(files.shown.back().choiceItems.size(), 6u);
    EXPECT_EQ(files.shown.back().choiceItems[3], "cm-1");
    EXPECT_NEAR(app.exp.ExpX(0), 3050.0, 1e-3);
    EXPECT_TRUE(dialogs.messages.empty());
    // The axis in nm: the spectrum follows.
    units->setCurrentIndex(3);
    emit units->activated(3);
    EXPECT_NEAR(Find<QLineEdit>(*w, "TxtStart")->text().toDouble(), 305.0, 1e-3);
    EXPECT_NEAR(app.exp.ExpX(0), 305.0, 1e-4);
    units->setCurrentIndex(0);
    emit units->activated(0);

    // The next dialog offers the unit chosen last; a spectrum outside the range is reported.
    files.choiceToMake = -1;
    files.paths = {(dir / "wn.txt").string()};
    w->command("mnuOpenSpectra")->trigger();
    EXPECT_EQ(files.shown.back().choiceIndex, 3);
    files.choiceToMake = 0;  // automatic: the wavenumbers are taken as Å
    files.paths = {(dir / "wn.txt").string()};
    w->command("mnuOpenSpectra")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("outside the simulated range"), std::string::npos) << dialogs.messages[0];
}

TEST_F(Desktop, TheFileDialogOffersItsChoiceBelowTheFileName) {
    auto w = Open();
    std::ofstream(dir / "s.txt") << "3100 1\n3101 2\n3102 1\n";
    program::FileDialogSpec spec = program::FileDialogFor(w->State(), program::FileKind::OpenSpectra);
    QtFileChooser chooser(w.get());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (auto* choice = dialog->findChild<QComboBox*>("CmbChoice")) {
            seen = choice->count() == 6;
            choice->setCurrentIndex(5);
        }
        dialog->selectFile(QString::fromStdString((dir / "s.txt").string()));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const std::string path = chooser.Choose(spec);
    EXPECT_TRUE(seen);
    EXPECT_EQ(spec.choiceIndex, 5);
    EXPECT_EQ(std::filesystem::path(path).filename(), "s.txt");
}

TEST_F(Desktop, RotationalAndVibrationalDistributionsRoundTrip) {
    auto w = Open();
    AppState& app = w->State();
    const std::string rot = (dir / "oh.rot").string(), vib = (dir / "oh.vib").string();
    dialogs.inputs = {std::string("0")};
    files.paths = {rot};
    w->command("mnuSavePopulation")->trigger();
    files.paths = {vib};
    w->command("mnuSaveVibrationalPopulation")->trigger();
    ASSERT_TRUE(std::filesystem::exists(rot));
    ASSERT_TRUE(std::filesystem::exists(vib));

    const float n5 = app.pop.PopRot(0, 1, 5), v0 = app.pop.PopVib(0);
    app.pop.PopRot(0, 1, 5) = 0.0f;
    app.pop.PopVib(0) = 0.1f;
    dialogs.inputs = {std::string("0")};
    files.paths = {rot};
    w->command("mnuOpenPopulation")->trigger();
    files.paths = {vib};
    w->command("mnuOpenVibrationalPopulation")->trigger();
    EXPECT_NEAR(app.pop.PopRot(0, 1, 5), n5, 1e-6 + 1e-5 * n5);
    EXPECT_NEAR(app.pop.PopVib(0), v0, 1e-6);
    EXPECT_EQ(w->populationsWindow()->cmbRotational->currentText(), "Non-thermal");
    EXPECT_FALSE(Find<QCheckBox>(*w, "ChkThermal")->isChecked());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Desktop, SimulationAndTableFilesRoundTrip) {
    auto w = Open();
    AppState& app = w->State();
    const std::string mod = (dir / "oh.mod").string();
    files.paths = {mod};
    w->command("mnuSave")->trigger();  // the button's own click: "Simulated spectrum"
    ASSERT_TRUE(std::filesystem::exists(mod));
    // The .mod file loads back as a spectrum with the simulation's points, its peak at 100.
    files.paths = {mod};
    w->command("mnuOpen")->trigger();  // the button's own click: "Load spectra"
    EXPECT_EQ(app.exp.ExpCount, 1);
    EXPECT_EQ(app.exp.ExpPoints, app.sim.result.grid.last);
    EXPECT_NEAR(app.exp.ExpXRaw(0), app.sim.result.grid.start, 1e-2);
    float top = 0.0f;
    int at = 0;
    for (int i = 0; i <= app.exp.ExpPoints; ++i)
        if (app.exp.ExpYRaw(i) > top) top = app.exp.ExpYRaw(i), at = i;
    EXPECT_NEAR(top, 100.0f, 1e-3);
    EXPECT_NEAR(app.sim.result.total(at), 100.0f, 0.01f);
    EXPECT_EQ(Find<QComboBox>(*w, "CmbExpFile")->currentText(), "oh.mod");

    // The database table saved as CSV holds the values the table window shows.
    const std::string csv = (dir / "table.csv").string();
    files.paths = {csv};
    w->command("mnuSaveTable")->trigger();
    QTableWidget* grid = w->databaseWindow()->grid();
    std::vector<std::string> lines;
    {
        std::ifstream f(csv);
        for (std::string line; std::getline(f, line);) lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "RADICAL: OH\r");
    // First value row (v'' = 0): its values are the cells of grid row 1.
    const auto fields = testing::CommaFields(lines[5].substr(0, lines[5].size() - 1));
    ASSERT_GE(fields.size(), 3u);
    EXPECT_EQ(QString::fromStdString(fields[1]).trimmed(), grid->item(1, 1)->text().trimmed());
    EXPECT_EQ(QString::fromStdString(fields[2]).trimmed(), grid->item(1, 2)->text().trimmed());
}

TEST_F(Desktop, TheFitDialogRunsOnAWorkerCancelsAppliesAndRemembersItsGrid) {
    auto w = Open();
    AppState& app = w->State();
    const std::string mod = (dir / "oh.mod").string();
    const float truth = app.pop.Temperature;
    files.paths = {mod};
    w->command("mnuSave")->trigger();
    files.paths = {mod};
    w->command("mnuOpen")->trigger();
    ASSERT_EQ(app.exp.ExpCount, 1);
    Type(Find<QLineEdit>(*w, "TxtTemperature"), "1000");

    Find<QPushButton>(*w, "CmdFit")->click();
    auto* dialog = w->findChild<FitDialog*>("frmFit");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    auto* grid = dialog->findChild<QTableWidget*>("GrdFitParameters");
    EXPECT_EQ(grid->verticalHeaderItem(0)->text(), "t");
    EXPECT_EQ(grid->item(0, 0)->checkState(), Qt::Checked);
    // Weights from a column ask for the column; without one the fit says what is missing.
    auto* weights = dialog->findChild<QComboBox*>("CmbFitWeights");
    auto* sigmaColumn = dialog->findChild<QSpinBox*>("UpDFitSigmaColumn");
    EXPECT_FALSE(sigmaColumn->isEnabled());
    weights->setCurrentIndex(1);
    EXPECT_TRUE(sigmaColumn->isEnabled());
    dialog->findChild<QPushButton*>("CmdFitRun")->click();
    EXPECT_TRUE(dialog->findChild<QLabel*>("LblFitStatus")->text().contains("choose the column"));
    weights->setCurrentIndex(0);
    QSignalSpy ended(dialog, &FitDialog::fitEnded);

    // Cancelled at once: no result, nothing to apply.
    dialog->findChild<QPushButton*>("CmdFitRun")->click();
    dialog->findChild<QPushButton*>("CmdFitCancel")->click();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(dialog->findChild<QLabel*>("LblFitStatus")->text(), "Cancelled");
    EXPECT_FALSE(dialog->findChild<QPushButton*>("CmdFitApply")->isEnabled());

    // Run: the window keeps processing events while the worker fits.
    grid->item(0, 1)->setText("600");
    dialog->findChild<QPushButton*>("CmdFitRun")->click();
    EXPECT_TRUE(dialog->IsRunning() || ended.count() == 2);
    ASSERT_TRUE(ended.count() == 2 || ended.wait(30000));
    EXPECT_TRUE(dialog->findChild<QLabel*>("LblFitStatus")->text().startsWith("Fitted"))
        << dialog->findChild<QLabel*>("LblFitStatus")->text().toStdString();
    auto* results = dialog->findChild<QTableWidget*>("GrdFitResults");
    ASSERT_GT(results->rowCount(), 2);
    EXPECT_EQ(results->item(0, 0)->text(), "t");
    EXPECT_TRUE(results->item(0, 1)->text().contains("±"));
    // The result and its residuals are saved from the dialog; no Boltzmann plot was made yet.
    EXPECT_TRUE(dialog->findChild<QPushButton*>("CmdFitSave")->isEnabled());
    const QString saved = QString::fromStdString((dir / "fit.txt").string());
    ASSERT_TRUE(dialog->SaveResult(saved, 0));
    std::ifstream savedFile(saved.toStdString());
    std::string first;
    std::getline(savedFile, first);
    EXPECT_EQ(first.rfind("t ", 0), 0u) << first;
    EXPECT_TRUE(dialog->SaveResult(QString::fromStdString((dir / "residuals.csv").string()), 1));
    EXPECT_FALSE(dialog->SaveResult(QString::fromStdString((dir / "boltzmann.csv").string()), 2));
    EXPECT_EQ(dialogs.messages.back(), "no Boltzmann plot has been made yet");

    // The result table, the residuals with the bands as components and the report leave the dialog.
    const std::string table = (dir / "fit.csv").string(), residuals = (dir / "residuals.csv").string();
    files.paths = {table};
    dialog->findChild<QPushButton*>("CmdFitSaveResults")->click();
    files.paths = {residuals};
    dialog->findChild<QPushButton*>("CmdFitSaveResiduals")->click();
    std::string header;
    std::getline(std::ifstream(table) >> std::ws, header);
    EXPECT_EQ(header.rfind("parameter,value,uncertainty,unit,uncertainty_method,", 0), 0u) << header;
    std::getline(std::ifstream(residuals) >> std::ws, header);
    EXPECT_EQ(header.rfind("x,y,model,residual,fitted,", 0), 0u) << header;
    EXPECT_NE(header.find("(0-0)"), std::string::npos) << header;
    dialog->findChild<QPushButton*>("CmdFitCopy")->click();
    const QString report = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(report.contains("misfit: r = ") && report.contains("Durbin")) << report.toStdString();
    // The charts of the fit keep the unit it was fitted in when the axis unit changes after it.
    auto* units = Find<QComboBox>(*w, "CmbUnits");
    units->setCurrentIndex(3);
    emit units->activated(3);
    ASSERT_EQ(app.sim.conditions.unit, simulation::AxisUnit::NanometreVacuum);
    dialog->findChild<QPushButton*>("CmdFitView")->click();
    ASSERT_NE(dialog->findChild<FitView*>("frmFitView"), nullptr);
    EXPECT_EQ(dialog->findChild<FitView*>("frmFitView")->AxisLabel(), "x (\u00C5)");
    units->setCurrentIndex(0);
    emit units->activated(0);

    dialog->findChild<QPushButton*>("CmdFitApply")->click();
    EXPECT_NEAR(app.pop.Temperature, truth, 0.02 * truth);
    EXPECT_EQ(app.plot.HideResiduals, 0);
    EXPECT_NEAR(Find<QLineEdit>(*w, "TxtTemperature")->text().trimmed().toDouble(), app.pop.Temperature, 0.01);
    // The Boltzmann plot of v' = 0 opens in its own window.
    dialog->findChild<QSpinBox*>("UpDFitLevel")->setValue(0);
    dialog->findChild<QPushButton*>("CmdFitBoltzmann")->click();
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_TRUE(dialog->findChild<QLabel*>("LblFitStatus")->text().startsWith("Boltzmann plot of v' = 0: T = "))
        << dialog->findChild<QLabel*>("LblFitStatus")->text().toStdString();
    auto* view = dialog->findChild<BoltzmannView*>("frmBoltzmann");
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    ASSERT_TRUE(view->Plot().has_value());
    EXPECT_NEAR(view->Plot()->temperature, truth, 3.0 * view->Plot()->temperatureSigma + 0.05 * truth);
    EXPECT_FALSE(view->grab().isNull());
    dialog->close();
    w->close();

    // The grid is kept between runs of the program.
    auto again = Open();
    Find<QPushButton>(*again, "CmdFit")->click();
    EXPECT_EQ(again->findChild<FitDialog*>("frmFit")->findChild<QTableWidget*>("GrdFitParameters")->item(0, 1)->text(),
              "600");
}

TEST_F(Desktop, TheFrameAndLifImageWindowsRunOnWorkersAndDrawTheirPictures) {
    auto w = Open();
    AppState& app = w->State();
    // A frame of three rows: the simulation on the screen, times 1, 2 and 3, on a baseline.
    const std::string mod = (dir / "oh.mod").string();
    files.paths = {mod};
    w->command("mnuSave")->trigger();
    std::vector<std::pair<double, double>> s;
    std::ifstream in(mod);
    for (std::string line; std::getline(in, line);)
        s.emplace_back(Val(line.substr(0, line.find(','))), Val(line.substr(line.find(',') + 1)));
    experiment::SpectrumFrame f = experiment::BlankFrame(3, static_cast<int>(s.size()));
    for (const auto& p : s) f.axis.push_back(p.first);
    for (int r = 0; r < 3; ++r)
        for (std::size_t i = 0; i < s.size(); ++i)
            f.At(r, static_cast<int>(i)) = static_cast<float>((r + 1) * s[i].second + 2.0 + 0.01 * ((i * 7919) % 13));
    const std::string frame = (dir / "frame.csv").string();
    experiment::WriteMatrixCsv(frame, f);

    Find<QPushButton>(*w, "CmdFitFrame")->click();
    auto* fitFrame = w->findChild<FitFrameDialog*>("frmFitFrame");
    ASSERT_NE(fitFrame, nullptr);
    QSignalSpy frameEnded(fitFrame, &FitFrameDialog::runEnded);
    fitFrame->findChild<QPushButton*>("CmdFrameRun")->click();  // no frame chosen yet
    EXPECT_EQ(fitFrame->findChild<QLabel*>("LblFrameStatus")->text(), "Cannot fit: frame: choose a frame file");
    fitFrame->findChild<QLineEdit*>("TxtFrameFile")->setText(QString::fromStdString(frame));
    fitFrame->findChild<QPushButton*>("CmdFrameRun")->click();
    ASSERT_TRUE(frameEnded.wait(60000));
    EXPECT_TRUE(fitFrame->findChild<QLabel*>("LblFrameStatus")->text().startsWith("3 of 3 rows fitted"))
        << fitFrame->findChild<QLabel*>("LblFrameStatus")->text().toStdString();
    auto* table = fitFrame->findChild<QTableWidget*>("GrdFrameResults");
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->horizontalHeaderItem(3)->text(), "t");
    EXPECT_TRUE(table->item(2, 3)->text().contains("±"));
    const QImage profiles = fitFrame->findChild<QWidget*>("PicFrameProfiles")->grab().toImage();
    EXPECT_GT(InkedPixels(profiles, qRgb(255, 255, 255)), 500);
    fitFrame->close();

    // Two LIF images made at 1500 K from the lines' signals under the screen's conditions.
    simulation::SimulationConditions c = app.sim.conditions;
    c.kind = simulation::SpectrumKind::LifExcitation;
    const auto model = program::CurrentModel(app.sim, app.db);
    const fit::FitSystem oh = fit::MakeFitSystem(model, app.db);
    const std::vector<fit::LifImageLine> lineSignals = fit::LifLineSignals(oh, c, {2822.532, 2856.282}, {}, {1500.0});
    ASSERT_GT(lineSignals[1].signal[0], 0.0);
    std::vector<std::string> images;
    for (int k = 0; k < 2; ++k) {
        experiment::SpectrumFrame image = experiment::BlankFrame(8, 10);
        for (float& p : image.pixels)
            p = static_cast<float>(1000.0 * lineSignals[static_cast<std::size_t>(k)].signal[0] /
                                   lineSignals[0].signal[0]);
        images.push_back((dir / ("lif" + std::to_string(k) + ".csv")).string());
        experiment::WriteMatrixCsv(images.back(), image);
    }
    Find<QPushButton>(*w, "CmdLifImage")->click();
    auto* lif = w->findChild<LifImageDialog*>("frmLifImage");
    ASSERT_NE(lif, nullptr);
    QSignalSpy lifEnded(lif, &LifImageDialog::runEnded);
    lif->findChild<QLineEdit*>("TxtLifImages")->setText(QString::fromStdString(images[0] + ";" + images[1]));
    lif->findChild<QLineEdit*>("TxtLifLines")->setText("2822.532, 2856.282");
    lif->findChild<QLineEdit*>("TxtLifNoise")->setText("1");
    lif->findChild<QPushButton*>("CmdLifRun")->click();
    ASSERT_TRUE(lifEnded.wait(60000));
    EXPECT_EQ(lif->findChild<QLabel*>("LblLifStatus")->text(), "80 of 80 pixels with a temperature");
    const QImage map = lif->findChild<QWidget*>("PicLifMap")->grab().toImage();
    EXPECT_GT(InkedPixels(map, qRgb(255, 255, 255)), 5000);
    lif->close();
    w->close();
}

TEST_F(Desktop, PrintingToAPdfFileProducesAPageWithThePlot) {
    auto w = Open();
    const auto pdf = dir / "page.pdf";
    printAccepted = false;  // a cancelled dialog prints nothing and says nothing
    w->command("mnuPrintSpectra")->trigger();
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_TRUE(dialogs.messages.empty());
    printAccepted = true;
    w->command("mnuPrint")->trigger();  // the button's own click: "Spectra"
    ASSERT_TRUE(std::filesystem::exists(pdf));
    const std::string bytes = testing::ReadFile(pdf);
    EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
    EXPECT_NE(bytes.find("/Count 1"), std::string::npos);  // one page
    EXPECT_GT(bytes.size(), 20000u);                       // with the traced spectrum on it
    // The screen keeps its colour scheme.
    EXPECT_EQ(w->State().plot.BackColorIndex, 15);
}

TEST_F(Desktop, LittleThingsQuitManualIconAndTheLevelToSave) {
    auto w = Open();
    // The program's icon on the main window and on its child windows.
    const qint64 icon = QApplication::windowIcon().cacheKey();
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_EQ(w->windowIcon().cacheKey(), icon);
    EXPECT_EQ(w->subWindowOf(w->simulationWindow())->windowIcon().cacheKey(), icon);

    // "Vibrational level to save" offers the level the populations window shows.
    auto* level = w->populationsWindow()->cmbVibLevel;
    level->setCurrentIndex(1);
    emit level->activated(1);
    files.paths = {(dir / "v1.rot").string()};
    w->command("mnuSavePopulation")->trigger();
    ASSERT_FALSE(dialogs.defaults.empty());
    EXPECT_EQ(dialogs.defaults.back(), "1");

    // Help: a manual that cannot be shown is named in a message.
    const QString manual = QDir(QCoreApplication::applicationDirPath()).filePath("Velmora manual.pdf");
    QFile::remove(manual);
    w->command("mnuHelp")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("Velmora manual.pdf"), std::string::npos) << dialogs.messages[0];
    {
        QFile pdf(manual);
        ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    }
    w->command("mnuHelp")->trigger();
    QFile::remove(manual);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[1].find("No program to show PDF files"), std::string::npos);
    EXPECT_NE(dialogs.messages[1].find(QDir::toNativeSeparators(manual).toStdString()), std::string::npos);

    // Ctrl+Q closes the window as a user would, writing the settings.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(std::filesystem::exists(dir / "settings.ini"));
}

TEST_F(Desktop, SettingsWrittenAtCloseAreReadAtTheNextStart) {
    {
        auto w = Open();
        Type(Find<QLineEdit>(*w, "TxtTemperature"), "1234");
        auto* kind = Find<QComboBox>(*w, "CmbKind");
        kind->setCurrentIndex(1);
        emit kind->activated(1);
        emit Find<QComboBox>(*w, "CmbWindowView")->activated(3);
        w->close();
    }
    auto w = Open();
    EXPECT_EQ(Find<QLineEdit>(*w, "TxtTemperature")->text(), "1234");
    EXPECT_EQ(Find<QComboBox>(*w, "CmbKind")->currentIndex(), 1);
    EXPECT_EQ(Find<QComboBox>(*w, "CmbWindowView")->currentIndex(), 3);
    EXPECT_EQ(w->State().sim.conditions.kind, simulation::SpectrumKind::Absorption);
}

TEST_F(Desktop, SettingsThatCannotBeWrittenAreReportedAtClose) {
    std::filesystem::create_directory(dir / "settings.ini");  // a folder where the file should be
    auto w = Open(false);
    dialogs.messages.clear();
    w->close();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find((dir / "settings.ini").string() + " cannot be written"), std::string::npos)
        << dialogs.messages[0];
}

TEST_F(Desktop, ADatabaseFolderWhoseNameIsNotUtf8Opens) {
    // "données" in Latin-1: no UTF-8 text names it; the core must get the bytes themselves.
    const std::filesystem::path folder = dir /
                                         "donn\xE9"
                                         "es";
    std::filesystem::create_directory_symlink(VELMORA_DATA_DIR, folder);
    ProgramOptions o;
    o.dataFolder = folder.string();
    o.settingsFile = QString::fromStdString((dir / "settings.ini").string());
    o.dialogs = &dialogs;
    o.files = &files;
    MDIVelmora w(o);
    EXPECT_TRUE(w.StartUp());
    EXPECT_TRUE(w.Load());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    EXPECT_EQ(CorePath(ShellPath("/spectra/OH flame \u00E9t\u00E9.csv")), "/spectra/OH flame \u00E9t\u00E9.csv");
}

}  // namespace
}  // namespace velmora::app
