// Files the way desktop programs offer them: the recent files of the File menu and spectrum
// files dropped onto the plot. The rules (which files, how many, how they are opened) are the
// core's (program/recent_files.h).
#pragma once

#include <QObject>
#include <memory>

#include "program/recent_files.h"

class QMenu;
class QWidget;

namespace velmora::app {

class MDIVelmora;

class DesktopFiles final : public QObject {
    Q_OBJECT
public:
    /// Puts itself between the window's commands and their file chooser, so that files read
    /// through the menus join the recent files.
    explicit DesktopFiles(MDIVelmora& window);
    ~DesktopFiles() override;

    /// The "Recent files" submenu of `fileMenu`, filled each time it opens.
    QMenu* AddRecentMenu(QMenu* fileMenu);
    /// Lets `target` take spectrum files dropped onto it.
    void AcceptDrops(QWidget* target);
    /// After a control event: a file read through a dialog joins the list.
    void AfterEvent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillRecentMenu(QMenu* menu);
    void Open(const program::RecentFile& file);

    MDIVelmora& window_;
    std::unique_ptr<program::RecordingChooser> chooser_;
};

}  // namespace velmora::app
