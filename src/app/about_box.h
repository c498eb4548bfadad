// The about box, the splash window and the program's icon.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QWidget>

namespace velmora::app {

/// "Version 1.0.0" from the project version.
QString VersionText();

/// The program's icon: a band of emission lines over its baseline, drawn at the usual sizes.
QIcon ProgramIcon();

/// frmAbout: program title, version, how to cite, support address, OK and "System Info...".
class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

/// The splash window shown while the program starts.
class SplashWindow final : public QWidget {
    Q_OBJECT
public:
    SplashWindow();
};

/// Addresses of the maker's web page and of technical support.
inline constexpr const char* kWebsite = "https://velmora.org";
inline constexpr const char* kSupportMail = "mailto:support@velmora.org?subject=VELmora";

}  // namespace velmora::app
