// The file dialogs of the desktop program: QFileDialog driven by the core's dialog description.
#pragma once

#include <QPointer>
#include <QWidget>

#include "program/file_commands.h"

namespace velmora::app {

/// Shows a modal QFileDialog with the title, filters, starting folder, proposed name and default
/// extension of the command, and its choice (a combo box "CmbChoice" below the file name); open
/// dialogs accept only existing files, save dialogs ask before replacing one. Returns "" when
/// cancelled.
class QtFileChooser final : public program::FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) {}
    std::string Choose(program::FileDialogSpec& spec) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace velmora::app
