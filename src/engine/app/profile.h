#pragma once
// The application profile: named sections holding named integer and string values, with
// defaults for absent keys. On Linux it is an INI file (Velumark.conf in the configuration
// folder, see app_paths.h); on Windows the registry key
// HKCU\Software\应用程序向导生成的本地应用程序\Velumark. Safe to call from several threads.

#include <QMutex>
#include <QSettings>
#include <QString>

#include <memory>

namespace pixmill {

class Profile {
  public:
    virtual ~Profile() = default;
    virtual bool hasSection(const QString& section) const = 0;
    virtual int readInt(const QString& section, const QString& key, int defaultValue) const = 0;
    virtual QString readString(const QString& section, const QString& key,
                               const QString& defaultValue) const = 0;
    virtual void writeInt(const QString& section, const QString& key, int value) = 0;
    virtual void writeString(const QString& section, const QString& key, const QString& value) = 0;
    // Pushes written values to the backing store.
    virtual void flush() = 0;
};

class SettingsProfile : public Profile {
  public:
    // The INI file at `path` (created on the first write, with its folder).
    explicit SettingsProfile(const QString& path);
    // The platform's own location: settingsFilePath() on Linux, the registry on Windows.
    static std::unique_ptr<SettingsProfile> openDefault();

    bool hasSection(const QString& section) const override;
    int readInt(const QString& section, const QString& key, int defaultValue) const override;
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void writeInt(const QString& section, const QString& key, int value) override;
    void writeString(const QString& section, const QString& key, const QString& value) override;
    void flush() override;

  private:
    explicit SettingsProfile(std::unique_ptr<QSettings> settings);
    mutable QMutex mutex_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace pixmill
