// velmora: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/about_box.h"
#include "app/main_window.h"
#include "common/process_memory.h"
#include "program/condition_events.h"
#include "program/startup.h"

namespace {

/// The value of "--name value" or "--name=value" as the shell passed it.
std::string RawOptionValue(int argc, char** argv, std::string_view name) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == name && i + 1 < argc) return argv[i + 1];
        if (a.size() > name.size() && a.substr(0, name.size()) == name && a[name.size()] == '=')
            return std::string(a.substr(name.size() + 1));
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    velmora::KeepFreedMemory();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELMORA"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));

    // The program has no options for its users. The hidden ones below serve development and the
    // smoke test of continuous integration: --smoke-test starts the program as usual, runs one
    // more simulation at 3000 K, prints the times taken and closes the window as a user would
    // (writing the settings), with exit code 0 only when a plot was drawn; it also prints the size
    // of the plot area. --settings keeps such a run away from the user's own settings; --data
    // points to another database folder; --screenshot saves a picture of the main window after
    // start-up.
    QCommandLineParser parser;
    const QCommandLineOption smoke("smoke-test"), data("data", "", "folder"), settings("settings", "", "file"),
        screenshot("screenshot", "", "file");
    for (const auto& o : {smoke, data, settings, screenshot}) {
        QCommandLineOption hidden = o;
        hidden.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(hidden);
    }
    parser.process(application);

    velmora::app::ProgramOptions options;
    // The folder as the bytes of the command line or of the program's own path: as text it would
    // lose a name that is not UTF-8.
    options.dataFolder = parser.isSet(data) ? RawOptionValue(argc, argv, "--data")
                                            : (velmora::program::ProgramFolder() / "data").string();
    options.settingsFile = parser.value(settings);

    // The splash window shows while the main window is built; then the main window shows, reads
    // the catalogue, computes the first band system with its progress bar and draws the plot (a
    // message about the database is not hidden behind the splash).
    QApplication::setWindowIcon(velmora::app::ProgramIcon());
    velmora::app::SplashWindow splash;
    splash.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        splash.move(screen->availableGeometry().center() - splash.rect().center());
    splash.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    velmora::app::MDIVelmora window(options);
    splash.close();
    if (!window.StartUp()) return 1;
    window.show();
    const bool loaded = window.Load();
    const qint64 startMs = clock.elapsed();

    if (parser.isSet(screenshot)) {
        QApplication::processEvents();
        window.grab().save(parser.value(screenshot));
    }
    if (!parser.isSet(smoke)) return QApplication::exec();

    bool plotted = loaded && window.State().plot.PlotReady;
    std::printf("start-up to drawn plot: %lld ms\n", static_cast<long long>(startMs));
    QApplication::processEvents();
    const QWidget* plotArea = window.simulationWindow()->plot();
    std::printf("plot area: %d x %d px in a %d x %d window\n", plotArea->width(), plotArea->height(), window.width(),
                window.height());
    // How far each input page has to scroll to show every group (0: all in view), each shown in
    // turn as a user would click its tab; the page shown at start comes back afterwards.
    if (auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTabMain"))) {
        const int shown = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            for (const QScrollArea* page : tabs->widget(i)->findChildren<QScrollArea*>())
                std::printf("input page %s: %d px to scroll\n", qPrintable(page->objectName()),
                            page->verticalScrollBar()->maximum());
        }
        tabs->setCurrentIndex(shown);
        QApplication::processEvents();
    }
    velmora::AppState& app = window.State();
    window.findChild<QLineEdit*>(QStringLiteral("TxtTemperature"))->setText(QStringLiteral("3000"));
    velmora::program::ConditionBox_Change(app, velmora::simulation::Field("temperature"), "3000");
    clock.restart();
    window.command(QStringLiteral("Simulation"))->trigger();
    std::printf("calculate simulation at 3000 K: %lld ms\n", static_cast<long long>(clock.elapsed()));
    plotted = plotted && app.plot.PlotReady && app.sim.result.grid.last > 0;
    window.close();
    std::printf("smoke test: %s\n", plotted ? "plot drawn, closed cleanly" : "FAILED");
    return plotted ? 0 : 1;
}
