#include "engine/app/profile.h"

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"

namespace pixmill {
namespace {

QString keyPath(const QString& section, const QString& key) {
    return section + "/" + key;
}

}  // namespace

SettingsProfile::SettingsProfile(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

SettingsProfile::SettingsProfile(std::unique_ptr<QSettings> settings)
    : settings_(std::move(settings)) {}

std::unique_ptr<SettingsProfile> SettingsProfile::openDefault() {
#ifdef Q_OS_WIN
    return std::unique_ptr<SettingsProfile>(new SettingsProfile(std::make_unique<QSettings>(
        QStringLiteral("应用程序向导生成的本地应用程序"), QString::fromLatin1(kShortName))));
#else
    return std::make_unique<SettingsProfile>(settingsFilePath());
#endif
}

bool SettingsProfile::hasSection(const QString& section) const {
    QMutexLocker lock(&mutex_);
    return settings_->childGroups().contains(section);
}

int SettingsProfile::readInt(const QString& section, const QString& key, int defaultValue) const {
    QMutexLocker lock(&mutex_);
    const QVariant value = settings_->value(keyPath(section, key));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

QString SettingsProfile::readString(const QString& section, const QString& key,
                                    const QString& defaultValue) const {
    QMutexLocker lock(&mutex_);
    const QVariant value = settings_->value(keyPath(section, key));
    return value.isValid() ? value.toString() : defaultValue;
}

void SettingsProfile::writeInt(const QString& section, const QString& key, int value) {
    QMutexLocker lock(&mutex_);
    settings_->setValue(keyPath(section, key), value);
}

void SettingsProfile::writeString(const QString& section, const QString& key,
                                  const QString& value) {
    QMutexLocker lock(&mutex_);
    settings_->setValue(keyPath(section, key), value);
}

void SettingsProfile::flush() {
    QMutexLocker lock(&mutex_);
    settings_->sync();
}

}  // namespace pixmill
