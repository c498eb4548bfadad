#include "app/desktop_files.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "app/main_window.h"
#include "app/qt_settings_store.h"

namespace velmora::app {

DesktopFiles::DesktopFiles(MDIVelmora& window)
    : QObject(&window), window_(window), chooser_(std::make_unique<program::RecordingChooser>(*window.options_.files)) {
    window.options_.files = chooser_.get();
}

DesktopFiles::~DesktopFiles() = default;

QMenu* DesktopFiles::AddRecentMenu(QMenu* fileMenu) {
    QMenu* menu = fileMenu->addMenu("Recent files");
    menu->setObjectName("mnuRecentFiles");
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillRecentMenu(menu); });
    FillRecentMenu(menu);
    return menu;
}

void DesktopFiles::FillRecentMenu(QMenu* menu) {
    menu->clear();
    const std::vector<program::RecentFile> files = program::ReadRecentFiles(*window_.store_);
    int number = 0;
    for (const program::RecentFile& f : files) {
        QAction* a = menu->addAction(QString::fromStdString(program::RecentFileCaption(f, ++number)));
        a->setToolTip(QString::fromStdString(f.path));
        a->setStatusTip(QString::fromStdString(f.path));
        connect(a, &QAction::triggered, this, [this, f] { Open(f); });
    }
    if (files.empty()) menu->addAction("(none)")->setEnabled(false);
    menu->setToolTipsVisible(true);
}

void DesktopFiles::Open(const program::RecentFile& file) {
    if (!window_.app_.shell.DataReady) return;
    bool read = false;
    window_.Event([&] {
        read = program::OpenFileOfKind(window_.app_, file);
        return ViewGroups::All();
    });
    // A file that is gone or no longer reads leaves the list; one that was read goes to its top.
    if (read)
        program::RememberRecentFile(*window_.store_, file);
    else
        program::ForgetRecentFile(*window_.store_, file);
    window_.RedrawPlot();
    window_.RedrawHistograms();
}

void DesktopFiles::AcceptDrops(QWidget* target) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

void DesktopFiles::AfterEvent() {
    if (const auto file = chooser_->TakeOpened(window_.app_)) program::RememberRecentFile(*window_.store_, *file);
}

bool DesktopFiles::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls() && window_.app_.shell.DataReady) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        // Each local file is loaded as a spectrum, as "Load spectra" reads it.
        for (const QUrl& url : drop->mimeData()->urls()) {
            if (!url.isLocalFile()) continue;
            const program::RecentFile file{program::FileKind::OpenSpectra, url.toLocalFile().toStdString()};
            bool read = false;
            window_.Event([&] {
                read = program::OpenFileOfKind(window_.app_, file);
                return ViewGroups::All();
            });
            if (read) program::RememberRecentFile(*window_.store_, file);
        }
        window_.RedrawPlot();
        drop->acceptProposedAction();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmora::app
