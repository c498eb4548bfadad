// The desktop program on the offscreen platform with the shipped database: start-up, band-system
// changes, numeric boxes, screen views, zoom keys, file round trips through the menu commands,
// printing to a PDF file and the settings kept between runs. Dialogs are scripted fakes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPrinter>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/file_paths.h"
#include "app/main_window.h"
#include "app/qt_canvas.h"
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
    EXPECT_GT(app.sim.NPoints, 100);
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
    // The pre-computation reports its progress band by band on the progress bar.
    QSignalSpy progress(Find<QProgressBar>(*w, "BarMain"), &QProgressBar::valueChanged);
    transition->setCurrentIndex(2);
    emit transition->activated(2);
    EXPECT_GT(progress.count(), 10);
    EXPECT_EQ(w->State().db.irad, 3);
    EXPECT_TRUE(w->databaseWindow()->windowTitle().contains("NO"));
    EXPECT_EQ(w->populationsWindow()->windowTitle(), "NO (A) population distributions");
    auto* levels = w->populationsWindow()->cmbVibLevel;
    EXPECT_EQ(levels->count(), 6);  // NO A: v' = 0..5
    EXPECT_EQ(w->populationsWindow()->gridPop->rowCount(), 7);
    EXPECT_EQ(w->databaseWindow()->grid()->item(0, 1)->text().trimmed(), "A v'= 0");
}

TEST_F(Desktop, NumericBoxRefusesBadTextAndSwallowsEnter) {
    auto w = Open();
    auto* t = Find<QLineEdit>(*w, "TxtTemperature");
    ASSERT_EQ(t->text(), "300");
    Type(t, "-1");  // "-" is still being typed; "-1" is refused
    EXPECT_EQ(t->text(), "300");
    EXPECT_FLOAT_EQ(w->State().pop.Temperature, 300.0f);
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

TEST_F(Desktop, ZoomButtonsStopAtTheirLimits) {
    auto w = Open();
    for (int i = 0; i < 150; ++i) w->command("mnuZoomUp")->trigger();
    EXPECT_EQ(Find<QSpinBox>(*w, "UpDZoomY")->value(), 100);
    EXPECT_EQ(Find<QLineEdit>(*w, "TxtZoomY")->text(), "50");
    for (int i = 0; i < 150; ++i) w->command("mnuZoomXdown")->trigger();
    EXPECT_EQ(w->State().plot.UpDZoomX, 1);
    EXPECT_FLOAT_EQ(w->State().plot.ZoomX, 0.5f);
    for (int i = 0; i < 40; ++i) w->command("mnuShiftRight")->trigger();
    EXPECT_EQ(Find<QSlider>(*w, "SldX")->value(), 100);
    w->command("mnuReset")->trigger();
    EXPECT_EQ(w->State().plot.SldX, 50);
    EXPECT_FLOAT_EQ(w->State().plot.ViewLeft, w->State().sim.Xini);
    EXPECT_FLOAT_EQ(w->State().plot.ViewRight, w->State().sim.Xend);
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
    std::unique_ptr<QMenu> again(w->BuildPlotPopup());
    EXPECT_TRUE(again->findChild<QAction*>("mnuColorSchemeDark")->isChecked());
}

TEST_F(Desktop, TheSpectrumPictureGoesToTheClipboard) {
    auto w = Open();
    QGuiApplication::clipboard()->clear();
    w->command("mnuClipboard")->trigger();  // the button's own click: "Spectra"
    const QImage picture = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(picture.isNull());
    const QSize plot = w->simulationWindow()->plot()->size();
    EXPECT_EQ(picture.width(), static_cast<int>(plot.width() * 1.05));
    EXPECT_EQ(picture.height(), static_cast<int>(plot.height() * 1.1));
    EXPECT_GT(InkedPixels(picture, qRgb(255, 255, 255)), plot.width());
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
    EXPECT_EQ(app.exp.ExpPoints, app.sim.NPoints);
    EXPECT_NEAR(app.exp.ExpXRaw(0), app.sim.Xini, 1e-2);
    float top = 0.0f;
    int at = 0;
    for (int i = 0; i <= app.exp.ExpPoints; ++i)
        if (app.exp.ExpYRaw(i) > top) top = app.exp.ExpYRaw(i), at = i;
    EXPECT_NEAR(top, 100.0f, 1e-3);
    EXPECT_NEAR(app.sim.SimTotal(at), 100.0f, 0.01f);
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
    EXPECT_GT(bytes.size(), 20000u);                        // with the traced spectrum on it
    // The screen keeps its colour scheme.
    EXPECT_EQ(w->State().plot.BackColorIndex, 15);
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
    EXPECT_EQ(w->State().sim.Kind, 2);
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
    const std::filesystem::path folder = dir / "donn\xE9" "es";
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
