// velmora: the desktop program.
#include <QApplication>

#include "app/about_box.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELMORA"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    velmora::app::AboutBox about;
    about.show();
    return QApplication::exec();
}
