// The controls of the main tab strip ("Database", "Simulation", "Experiment"), created with the object names
// the program's event functions are named after (CmbKind, TxtTemperature, ...).
#pragma once

#include <QTabWidget>
#include <QWidget>
#include <functional>

class QToolButton;

namespace velmora::app {

/// An up-down control without a number of its own: two small arrow buttons beside the text box
/// whose value they step, so that only the box shows the value. `onStep` receives +1 or -1 per
/// click (repeated while a button is held).
class UpDownButtons final : public QWidget {
    Q_OBJECT
public:
    explicit UpDownButtons(QWidget* parent = nullptr);
    std::function<void(int)> onStep;
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }

private:
    QToolButton* up_;
    QToolButton* down_;
};

/// Fills the tab strip with its three tabs and every input control.
void BuildInputTabs(QTabWidget* tabs);

}  // namespace velmora::app
