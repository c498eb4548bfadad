#include "app/about_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora::app {

QString VersionText() { return QStringLiteral("Version %1").arg(QApplication::applicationVersion()); }

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(11, 37, 69));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
        // A band head: lines crowding towards the left, falling off to the right.
        QPainterPath trace(QPointF(8, 50));
        const double lines[][2] = {{14, 22}, {18, 14}, {23, 20}, {29, 28}, {36, 34}, {44, 40}, {53, 45}};
        for (const auto& [x, top] : lines) {
            trace.lineTo(x - 1.8, 50);
            trace.lineTo(x, top);
            trace.lineTo(x + 1.8, 50);
        }
        trace.lineTo(57, 50);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 214, 90), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(trace);
        p.setPen(QPen(QColor(120, 200, 255), 2.0));
        p.drawLine(QPointF(8, 54), QPointF(57, 54));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QStringLiteral("About ") + QApplication::applicationName());
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("<h2>%1</h2>").arg(QApplication::applicationName()), this);
    title->setObjectName("lblTitle");
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName("lblVersion");
    auto* description = new QLabel(tr("Spectroscopic database and spectral simulator for diatomic radicals:\n"
                                      "line positions, line strengths, lifetimes and yields; emission, absorption\n"
                                      "and laser-induced-fluorescence excitation spectra."),
                                   this);
    auto* citation = new QLabel(tr("When you publish results obtained with VELmora, please cite the program with its\n"
                                   "version and the sources of the molecular data listed in data/README."),
                                this);
    citation->setObjectName("lblCitation");
    auto* support = new QLabel(tr("Technical support: support@velmora.org"), this);
    support->setObjectName("lblSupport");
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(description);
    layout->addWidget(citation);
    layout->addWidget(support);

    auto* buttons = new QHBoxLayout;
    auto* website = new QPushButton(tr("Visit the VELMORA website"), this);
    website->setObjectName("CmdHelp2");
    auto* sysInfo = new QPushButton(tr("&System Info..."), this);
    sysInfo->setObjectName("cmdSysInfo");
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    buttons->addWidget(website);
    buttons->addStretch(1);
    buttons->addWidget(sysInfo);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(website, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebsite))); });
    connect(sysInfo, &QPushButton::clicked, this, [this] {
        // A system-information tool of the desktop, when one is installed.
        for (const char* tool : {"hardinfo", "gnome-system-monitor", "kinfocenter"}) {
            const QString path = QStandardPaths::findExecutable(QString::fromLatin1(tool));
            if (!path.isEmpty() && QProcess::startDetached(path, {})) return;
        }
        // Otherwise the program's own account of the system it runs on.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QString text =
            tr("%1 %2\nOperating system: %3 (kernel %4 %5)\nProcessor: %6, %7 threads\nQt %8\nScreen: %9")
                .arg(QApplication::applicationName(), QApplication::applicationVersion(), QSysInfo::prettyProductName(),
                     QSysInfo::kernelType(), QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture())
                .arg(QThread::idealThreadCount())
                .arg(QString::fromLatin1(qVersion()))
                .arg(screen ? QStringLiteral("%1 x %2 pixels").arg(screen->size().width()).arg(screen->size().height())
                            : tr("none"));
        QMessageBox::information(this, tr("System information"), text);
    });
}

SplashWindow::SplashWindow() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("frmSplash");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 30, 40, 30);
    auto* product = new QLabel(QStringLiteral("<h1>%1</h1>").arg(QApplication::applicationName()), this);
    product->setObjectName("lblProductName");
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName("lblVersion");
    auto* what = new QLabel(tr("Spectroscopy of diatomic radicals"), this);
    layout->addWidget(product, 0, Qt::AlignCenter);
    layout->addWidget(what, 0, Qt::AlignCenter);
    layout->addWidget(version, 0, Qt::AlignCenter);
    setStyleSheet(QStringLiteral("QWidget#frmSplash { background: #0b2545; } QLabel { color: white; }"));
}

}  // namespace velmora::app
