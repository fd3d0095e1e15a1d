#include "engine/app/app_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "engine/app/app_info.h"
#include "engine/app/app_paths.h"
#include "engine/platform/native_path.h"

namespace pixmill {
namespace {

constexpr const char* kSampleFolder = "/usr/share/backgrounds/mate/nature/";

bool folderHoldsImages(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists())
        return false;
    dir.setFilter(QDir::Files);
    dir.setNameFilters({"*.jpg", "*.jpeg", "*.png", "*.bmp"});
    return !dir.entryList().isEmpty();
}

}  // namespace

QString defaultPictureFolder() {
    const QString pictures =
        withTrailingSeparator(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    // A fresh Linux account has an empty Pictures folder, where Windows has sample pictures:
    // a newcomer then opens on the desktop's own sample photos.
    if (folderHoldsImages(pictures) || !QFileInfo::exists(kSampleFolder))
        return pictures;
    return QString::fromLatin1(kSampleFolder);
}

AppSettings::AppSettings(QString dir, Profile& profile)
    : programDir(withTrailingSeparator(dir)), profile_(&profile) {
    legacyIniPath = programDir + kShortName + ".ini";
    templateDir = writableSubfolderOf(programDir, "WatermarkTemplate");
}

int AppSettings::readInt(const char* section, const char* key, int defaultValue) const {
    if (source == SettingsSource::LegacyIni && legacy_) {
        return legacy_->readInt(section, key, defaultValue);
    }
    return profile_->readInt(section, key, defaultValue);
}

QString AppSettings::readString(const char* section, const char* key,
                                const QString& defaultValue) const {
    if (source == SettingsSource::LegacyIni && legacy_) {
        auto value = legacy_->readString(section, key);
        return value ? QString::fromStdString(*value) : defaultValue;
    }
    return profile_->readString(section, key, defaultValue);
}

Result<bool> AppSettings::migrateLegacySettings() {
    // Only into a profile that has never been written: a legacy file that could not be deleted
    // (a read-only program folder) must not overwrite newer settings at every start.
    if (!QFileInfo::exists(legacyIniPath) || profile_->hasSection("main"))
        return false;
    QFile file(legacyIniPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return makeError("cannot read " + legacyIniPath.toStdString() + ": " +
                         file.errorString().toStdString());
    }
    const QByteArray bytes = file.readAll();
    file.close();
    const LegacyIni ini = LegacyIni::parse(std::string_view(bytes.constData(), bytes.size()));
    legacy_ = &ini;
    source = SettingsSource::LegacyIni;
    loadSettings();
    source = SettingsSource::Profile;
    legacy_ = nullptr;
    saveSettings();
    QFile::remove(legacyIniPath);
    return true;
}

void AppSettings::applyViewMode(int mode) {
    viewMode = mode;
    if (mode == 0) {
        thumbWidth = 200;
        thumbHeight = 160;
    } else if (mode == 2) {
        thumbWidth = 0;
        thumbHeight = 0;
    } else {
        viewMode = 1;
        thumbWidth = 100;
        thumbHeight = 80;
    }
}

void AppSettings::loadOutputDir(bool prepareFolders) {
    outputDir = pathFromProfileText(readString("main", "savepath", QString()));
    if (!pathExists(outputDir))
        outputDir = writableSubfolderOf(programDir, "out");
    outputDir = withTrailingSeparator(outputDir);
    if (prepareFolders && !pathExists(outputDir))
        makeFolders(pathBytes(outputDir));
}

void AppSettings::loadLastViewFolder() {
    lastViewFolder = pathFromProfileText(readString("path", "lastview", QString()));
    if (!pathExists(lastViewFolder))
        lastViewFolder = defaultPictureFolder();
    if (lastViewFolder.size() >= 2) {
        lastViewFolder = withTrailingSeparator(QDir::fromNativeSeparators(lastViewFolder));
    }
}

void AppSettings::loadSettings(const SettingsLoadOptions& options) {
    applyViewMode(readInt("main", "viewmode", 1));
    checkOnClick = readInt("main", "checkifclickicon", 0);
    downStyle = readInt("main", "downstyle", 0);
    downTimeout = readInt("main", "downtimeout", 5);
    loadOutputDir(options.prepareFolders);
    templateDir = writableSubfolderOf(programDir, "WatermarkTemplate");
    if (options.prepareFolders && !QFileInfo::exists(templateDir))
        QDir().mkpath(templateDir);
    useSkin = readInt("main", "useskin", 0);
    needNo = readInt("main", "needno", 1);
    autoShutPc = readInt("main", "autoshutpc", 0);
    dupFilter = readInt("main", "dupfilter", 0);
    downSleep = readInt("main", "downsleep", 0);
    showEdtMsg = readInt("main", "showedtmsg", 1);
    windowTop = readInt("window", "top", 0);
    windowLeft = readInt("window", "left", 0);
    windowRight = readInt("window", "right", 0);
    windowBottom = readInt("window", "bottom", 0);
    thumbIndex = readInt("thumbnail", "index", 0);
    if (thumbIndex < 0 || thumbIndex > 2)
        thumbIndex = 0;
    thumbComboIndex = readInt("thumbnail", "cmbindex", 0);
    marketSize = readInt("thumbnail", "taobaosize", 0);
    if (marketSize < 0 || marketSize > 2)
        marketSize = 0;
    restoreExif = readInt("thumbnail", "resotreexif", 1);
    loadLastViewFolder();
    renameRule = readString("rename", "rules", QStringLiteral("<no>"));
    renameWordCase = readInt("rename", "wordcase", 1);
    dailyTip = readInt("main", "dailytip", 1);
    dailyTipIndex = readInt("main", "dailytipindex", 0);
}

void AppSettings::saveSettings() {
    Profile& p = *profile_;
    p.writeInt("main", "viewmode", viewMode);
    p.writeInt("main", "checkifclickicon", checkOnClick);
    p.writeInt("main", "downstyle", downStyle);
    p.writeInt("main", "downtimeout", downTimeout);
    p.writeString("main", "savepath", profileTextForPath(outputDir));
    p.writeInt("main", "useskin", useSkin);
    p.writeInt("main", "needno", needNo);
    p.writeInt("main", "autoshutpc", autoShutPc);
    p.writeInt("main", "dupfilter", dupFilter);
    p.writeInt("main", "downsleep", downSleep);
    p.writeInt("main", "showedtmsg", showEdtMsg);
    p.writeInt("window", "top", windowTop);
    p.writeInt("window", "left", windowLeft);
    p.writeInt("window", "right", windowRight);
    p.writeInt("window", "bottom", windowBottom);
    p.writeInt("thumbnail", "resotreexif", restoreExif);
    p.writeInt("thumbnail", "taobaosize", marketSize);
    p.writeInt("thumbnail", "cmbindex", thumbComboIndex);
    p.writeInt("thumbnail", "index", thumbIndex);
    p.writeString("path", "lastview", profileTextForPath(lastViewFolder));
    p.writeString("rename", "rules", renameRule);
    p.writeInt("rename", "wordcase", renameWordCase);
    p.writeInt("main", "dailytip", dailyTip);
    p.writeInt("main", "dailytipindex", dailyTipIndex);
    p.flush();
}

}  // namespace pixmill
