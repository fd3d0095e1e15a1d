#pragma once
// The settings record: every persisted setting of the program, with its key table, defaults,
// repairs, and the moments it is read and written. One record lives for the whole run; it has
// no lock and is changed only through dialogs while no batch runs (a batch copies the values it
// needs when it starts).

#include <QString>

#include "engine/app/legacy_ini.h"
#include "engine/app/profile.h"
#include "engine/platform/result.h"

namespace pixmill {

enum class SettingsSource { Profile = 0, LegacyIni = 1 };

struct SettingsLoadOptions {
    // Create the output and template folders when missing. The CLI reads the settings without
    // creating anything but the output folder it writes into.
    bool prepareFolders = true;
};

class AppSettings {
  public:
    // `programDir` with a trailing separator; `profile` must outlive the record.
    AppSettings(QString programDir, Profile& profile);

    // When a legacy Velumark.ini lies beside the program and the profile has no "main" section
    // yet, reads it, writes every value into the profile and deletes the file. Says whether it
    // imported; fails when the legacy file is there but cannot be read. A legacy file that
    // cannot be deleted is never imported twice: the second start finds the "main" section.
    Result<bool> migrateLegacySettings();

    void loadSettings(const SettingsLoadOptions& options = {});
    // Writes every field of the key table to the profile, in the table's save order.
    void saveSettings();

    Profile& profile() { return *profile_; }

    // Fields, in order.
    SettingsSource source = SettingsSource::Profile;
    QString programDir;
    QString legacyIniPath;
    QString lastViewFolder;
    QString templateDir;
    int viewMode = 1;  // 0 extra-large icons, 1 large icons, 2 details
    int thumbWidth = 100;
    int thumbHeight = 80;
    int checkOnClick = 0;
    int downStyle = 0;  // carried values: read and written back, used by nothing
    int downTimeout = 5;
    QString outputDir;
    int useSkin = 0;
    int needNo = 1;
    int autoShutPc = 0;
    int dupFilter = 0;
    int downSleep = 0;
    int showEdtMsg = 1;
    int windowTop = 0;
    int windowLeft = 0;
    int windowRight = 0;
    int windowBottom = 0;
    int thumbIndex = 0;
    int thumbComboIndex = 0;
    int marketSize = 0;
    int restoreExif = 1;
    QString renameRule = QStringLiteral("<no>");
    int renameWordCase = 1;
    int dailyTip = 1;
    int dailyTipIndex = 0;

    // The thumbnail box of a view mode: 200 × 160, 0 × 0 for details, else 100 × 80.
    void applyViewMode(int mode);

  private:
    int readInt(const char* section, const char* key, int defaultValue) const;
    QString readString(const char* section, const char* key, const QString& defaultValue) const;
    void loadOutputDir(bool prepareFolders);
    void loadLastViewFolder();

    Profile* profile_;
    const LegacyIni* legacy_ = nullptr;  // set while source is LegacyIni
};

// The folder the catalog opens on when the stored one is missing: the user's Pictures folder,
// or, when that holds no image, the desktop's sample photos.
QString defaultPictureFolder();

}  // namespace pixmill
