// The controls of the main tab strip ("Database", "Simulation"), created with the object names
// the program's event functions are named after (CmbKind, TxtTemperature, ...).
#pragma once

#include <QTabWidget>

namespace velmora::app {

/// Fills the tab strip with its two tabs and every input control.
void BuildInputTabs(QTabWidget* tabs);

}  // namespace velmora::app
