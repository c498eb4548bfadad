#include "app/qt_settings_store.h"

namespace velmora::app {

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                                            QStringLiteral("Velmora"))) {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<std::string> QtSettingsStore::Get(const std::string& section, const std::string& key) const {
    const QString k = QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
    if (!settings_->contains(k)) return std::nullopt;
    return settings_->value(k).toString().toStdString();
}

void QtSettingsStore::Set(const std::string& section, const std::string& key, const std::string& value) {
    settings_->setValue(QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key),
                        QString::fromStdString(value));
}

bool QtSettingsStore::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString QtSettingsStore::FileName() const { return settings_->fileName(); }

}  // namespace velmora::app
