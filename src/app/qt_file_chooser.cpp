#include "app/qt_file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>

#include "app/file_filters.h"
#include "app/file_paths.h"
#include "app/qt_canvas.h"

namespace velmora::app {

std::string QtFileChooser::Choose(program::FileDialogSpec& spec) {
    QFileDialog dialog(parent_, QStr(spec.title));
    const QStringList filters = QtNameFilters(QStr(spec.filter));
    dialog.setNameFilters(filters);
    const int index = std::clamp(spec.filterIndex, 1, std::max<int>(1, filters.size())) - 1;
    if (index < filters.size()) dialog.selectNameFilter(filters[index]);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (spec.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        dialog.setDefaultSuffix(QStr(spec.defaultExtension));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!spec.initialDirectory.empty() && QFileInfo(ShellPath(spec.initialDirectory)).isDir())
        dialog.setDirectory(ShellPath(spec.initialDirectory));
    if (!spec.proposedName.empty()) {
        const QFileInfo proposed(ShellPath(spec.proposedName));
        if (proposed.dir().exists()) dialog.setDirectory(proposed.dir());
        dialog.selectFile(proposed.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    spec.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return CorePath(dialog.selectedFiles().first());
}

}  // namespace velmora::app
