#include "app/wheel_guard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

namespace velmora::app {

namespace {

class WheelFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Wheel || !w || w->hasFocus()) return false;
        // Not taken: the event goes on to the widget's parents, the scrolling page among them.
        event->ignore();
        return true;
    }
};

}  // namespace

void GuardWheel(QWidget* root) {
    auto* filter = new WheelFilter(root);
    const auto guard = [filter](QWidget* w) {
        w->setFocusPolicy(Qt::StrongFocus);
        w->installEventFilter(filter);
    };
    for (QComboBox* c : root->findChildren<QComboBox*>()) guard(c);
    for (QAbstractSpinBox* s : root->findChildren<QAbstractSpinBox*>()) guard(s);
}

}  // namespace velmora::app
