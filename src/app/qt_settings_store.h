// The user's settings on disk: QSettings under the application name "Velmora".
#pragma once

#include <QSettings>
#include <memory>

#include "program/settings.h"

namespace velmora::app {

/// The settings store of the desktop program: sections are QSettings groups, values strings.
class QtSettingsStore final : public program::KeyValueStore {
public:
    /// The per-user store of the platform (organisation and application "Velmora").
    QtSettingsStore();
    /// A store in an INI file (tests).
    explicit QtSettingsStore(const QString& iniFile);

    std::optional<std::string> Get(const std::string& section, const std::string& key) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;
    /// Writes pending changes to disk. Returns false when they could not be written (the
    /// settings file or its folder is not writable, or is not a file).
    bool Sync();
    /// The file the settings are written to.
    QString FileName() const;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace velmora::app
