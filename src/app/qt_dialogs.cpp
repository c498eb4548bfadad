#include "app/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "app/qt_canvas.h"

namespace velmora::app {

void QtDialogs::ShowMessage(std::string_view text) {
    QMessageBox::information(parent_, QApplication::applicationName(), QStr(text), QMessageBox::Ok);
}

Answer QtDialogs::AskYesNoCancel(std::string_view text, std::string_view title) {
    const auto b = QMessageBox::question(parent_, QStr(title), QStr(text),
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (b == QMessageBox::Yes) return Answer::Yes;
    if (b == QMessageBox::No) return Answer::No;
    return Answer::Cancel;
}

std::optional<std::string> QtDialogs::InputBox(std::string_view prompt, std::string_view title,
                                               std::string_view defaultText) {
    bool ok = false;
    const QString s =
        QInputDialog::getText(parent_, QStr(title), QStr(prompt), QLineEdit::Normal, QStr(defaultText), &ok);
    if (!ok) return std::nullopt;
    return s.toStdString();
}

}  // namespace velmora::app
