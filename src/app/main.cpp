// velmora: the desktop program.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <cstdio>

#include "app/about_box.h"
#include "app/main_window.h"
#include "simulation/condition_inputs.h"

int main(int argc, char** argv) {
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
    options.dataFolder = parser.isSet(data) ? parser.value(data)
                                            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("data"));
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
    velmora::AppState& app = window.State();
    window.findChild<QLineEdit*>(QStringLiteral("TxtTemperature"))->setText(QStringLiteral("3000"));
    velmora::simulation::TxtTemperature_Change(app, "3000");
    clock.restart();
    window.command(QStringLiteral("Simulation"))->trigger();
    std::printf("calculate simulation at 3000 K: %lld ms\n", static_cast<long long>(clock.elapsed()));
    plotted = plotted && app.plot.PlotReady && app.sim.NPoints > 0;
    window.close();
    std::printf("smoke test: %s\n", plotted ? "plot drawn, closed cleanly" : "FAILED");
    return plotted ? 0 : 1;
}
