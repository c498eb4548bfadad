#include "app/condition_edits.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolTip>

#include "app/main_window.h"
#include "common/number_format.h"
#include "program/condition_events.h"

namespace velmora::app {

namespace {

/// The keys of Undo and Redo, which a focused box would otherwise take for its own text.
bool IsUndoKey(const QKeyEvent* key) {
    return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
           key->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

/// Shows why the text of a box is not in force, or clears it.
void ShowRefusal(QLineEdit* box, const std::string& refusal) {
    const QString text = QString::fromStdString(refusal);
    if (box->toolTip() == text) return;
    box->setToolTip(text);
    QPalette palette;
    if (!text.isEmpty()) palette.setColor(QPalette::Text, QColor(0xC0, 0x00, 0x00));
    box->setPalette(palette);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), text, box);
}

}  // namespace

ConditionEdits::ConditionEdits(MDIVelmora& window)
    : QObject(&window), window_(window), inForce_(window.app_.sim.conditions) {}

void ConditionEdits::WireBox(QLineEdit* box, const simulation::ConditionField& field, bool longWork) {
    const simulation::ConditionField* f = &field;
    box->installEventFilter(this);
    window_.WireText(
        box,
        [this, box, f](std::string_view text) {
            AppState& app = window_.app_;
            history_.Begin(inForce_);
            const program::BoxEdit edit =
                program::ConditionBox_Change(app, *f, text, history_.Before(app.sim.conditions));
            ShowRefusal(box, edit.refusal);
            return edit;
        },
        longWork);
    connect(box, &QLineEdit::editingFinished, this, [this, box, f] {
        const QString shown =
            QString::fromStdString(Trim(program::ConditionBox_Finish(window_.app_, *f, box->text().toStdString())));
        if (shown != box->text()) {
            const QSignalBlocker b(box);
            box->setText(shown);
        }
        ShowRefusal(box, "");
        history_.End(window_.app_.sim.conditions);
        inForce_ = window_.app_.sim.conditions;
        UpdateActions();
    });
}

void ConditionEdits::AddEditMenu(QMenuBar* bar) {
    QMenu* edit = bar->addMenu("Edit");
    edit->setObjectName("mnuEdit");
    undo_ = edit->addAction("Undo condition change");
    undo_->setObjectName("mnuUndo");
    undo_->setShortcut(QKeySequence::Undo);
    redo_ = edit->addAction("Redo condition change");
    redo_->setObjectName("mnuRedo");
    redo_->setShortcuts({QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z), QKeySequence::Redo});
    connect(undo_, &QAction::triggered, this, &ConditionEdits::Undo);
    connect(redo_, &QAction::triggered, this, &ConditionEdits::Redo);
    UpdateActions();
}

void ConditionEdits::AfterEvent() {
    if (history_.Open()) return;
    const simulation::SimulationConditions& now = window_.app_.sim.conditions;
    if (!(now == inForce_)) {
        history_.Begin(inForce_);
        history_.End(now);
        inForce_ = now;
    }
    UpdateActions();
}

void ConditionEdits::Forget() {
    history_ = program::ConditionHistory();
    inForce_ = window_.app_.sim.conditions;
    UpdateActions();
}

void ConditionEdits::Undo() {
    if (const auto c = history_.Undo(window_.app_.sim.conditions)) Restore(*c);
}

void ConditionEdits::Redo() {
    if (const auto c = history_.Redo(window_.app_.sim.conditions)) Restore(*c);
}

void ConditionEdits::Restore(const simulation::SimulationConditions& c) {
    inForce_ = c;
    window_.Event([&] { return program::RestoreConditions(window_.app_, c); }, true);
}

void ConditionEdits::UpdateActions() {
    if (undo_) undo_->setEnabled(history_.CanUndo());
    if (redo_) redo_->setEnabled(history_.CanRedo());
}

bool ConditionEdits::eventFilter(QObject*, QEvent* event) {
    // Ctrl+Z in a box undoes the last condition edit, not the box's typing alone (which would
    // leave the box and the conditions apart).
    if (event->type() == QEvent::ShortcutOverride && IsUndoKey(static_cast<QKeyEvent*>(event))) {
        event->ignore();
        return true;
    }
    return false;
}

}  // namespace velmora::app
