#include "app/simulation_status.h"

#include <QStatusBar>

#include "program/empty_simulation.h"

namespace velmora::app {

void ShowEmptySimulationStatus(QMainWindow& window, const AppState& app) {
    const QString message = QString::fromStdString(program::EmptySimulationMessage(app));
    QStatusBar* bar = window.statusBar();
    bar->setObjectName("statusSimulation");
    bar->setVisible(!message.isEmpty());
    bar->setToolTip(message);
    if (message.isEmpty())
        bar->clearMessage();
    else
        bar->showMessage(message);
}

}  // namespace velmora::app
