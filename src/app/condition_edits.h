// The condition edits of the main window: the refusal of a number typed into a box, and undo
// and redo (Edit menu, Ctrl+Z / Ctrl+Shift+Z) over the last edits. Every control event that
// changes the conditions is one edit; a box is one edit from its first key until it is left.
// The rules are the core's (program/condition_events.h, program/condition_history.h).
#pragma once

#include <QObject>

#include "program/condition_history.h"
#include "simulation/condition_fields.h"

class QAction;
class QLineEdit;
class QMenuBar;

namespace velmora::app {

class MDIVelmora;

class ConditionEdits final : public QObject {
    Q_OBJECT
public:
    explicit ConditionEdits(MDIVelmora& window);

    /// The box of a number field: each key is judged, a refusal is shown at the box (red text
    /// and its tooltip), and the value in force comes back when the box is left.
    void WireBox(QLineEdit* box, const simulation::ConditionField& field, bool longWork);
    /// The Edit menu with Undo and Redo.
    void AddEditMenu(QMenuBar* bar);
    /// After a control event: a change of the conditions outside a box edit becomes an edit.
    void AfterEvent();
    /// The conditions in force become the start of the history (after the settings are read).
    void Forget();
    void Undo();
    void Redo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Restore(const simulation::SimulationConditions& c);
    void UpdateActions();

    MDIVelmora& window_;
    program::ConditionHistory history_;
    simulation::SimulationConditions inForce_;  ///< the conditions after the last edit
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
};

}  // namespace velmora::app
