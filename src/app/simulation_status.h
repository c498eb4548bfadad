// The status line under the main window: why the last simulation shows nothing, when it does.
#pragma once

#include <QMainWindow>

#include "state/app_state.h"

namespace velmora::app {

/// Shows the message of an empty simulation in the window's status bar (which is hidden while
/// there is nothing to say).
void ShowEmptySimulationStatus(QMainWindow& window, const AppState& app);

}  // namespace velmora::app
