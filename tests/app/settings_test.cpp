// The settings record against a throw-away profile and program folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "engine/app/app_settings.h"
#include "engine/app/legacy_ini.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    QString programDir() const { return QString::fromStdString(programFolder.folder()); }
    QString profilePath() const {
        return QString::fromStdString(configFolder.file("Velumark.conf"));
    }

    AppSettings loaded(SettingsProfile& profile) {
        AppSettings settings(programDir(), profile);
        (void)settings.migrateLegacySettings();
        settings.loadSettings();
        return settings;
    }

    testing::TempDir programFolder;
    testing::TempDir configFolder;
};

TEST_F(SettingsTest, EmptyProfileGivesTheDefaultsAndCreatesTheProgramFolders) {
    SettingsProfile profile(profilePath());
    AppSettings settings = loaded(profile);
    EXPECT_EQ(settings.viewMode, 1);
    EXPECT_EQ(settings.thumbWidth, 100);
    EXPECT_EQ(settings.thumbHeight, 80);
    EXPECT_EQ(settings.outputDir, programDir() + "out/");
    EXPECT_TRUE(QDir(settings.outputDir).exists());
    EXPECT_TRUE(QDir(programDir() + "WatermarkTemplate/").exists());
    EXPECT_EQ(settings.renameRule, "<no>");
    EXPECT_EQ(settings.dailyTip, 1);
    EXPECT_EQ(settings.restoreExif, 1);
    EXPECT_EQ(settings.downTimeout, 5);
    EXPECT_EQ(settings.showEdtMsg, 1);
    EXPECT_EQ(settings.needNo, 1);
    EXPECT_TRUE(settings.lastViewFolder.endsWith('/'));
}

TEST_F(SettingsTest, OutOfRangeValuesAreRepaired) {
    {
        QSettings raw(profilePath(), QSettings::IniFormat);
        raw.setValue("main/viewmode", 7);
        raw.setValue("thumbnail/index", 3);
        raw.setValue("thumbnail/taobaosize", -1);
    }
    SettingsProfile profile(profilePath());
    AppSettings settings = loaded(profile);
    EXPECT_EQ(settings.viewMode, 1);
    EXPECT_EQ(settings.thumbIndex, 0);
    EXPECT_EQ(settings.marketSize, 0);

    settings.applyViewMode(0);
    EXPECT_EQ(settings.thumbWidth, 200);
    EXPECT_EQ(settings.thumbHeight, 160);
    settings.applyViewMode(2);
    EXPECT_EQ(settings.thumbWidth, 0);
}

TEST_F(SettingsTest, StoredFoldersAreRepairedOrGivenATrailingSeparator) {
    testing::TempDir existing;
    const QString bare = QString::fromStdString(existing.path().string());
    {
        QSettings raw(profilePath(), QSettings::IniFormat);
        raw.setValue("main/savepath", bare);
        raw.setValue("path/lastview", bare);
    }
    SettingsProfile profile(profilePath());
    AppSettings settings = loaded(profile);
    EXPECT_EQ(settings.outputDir, bare + "/");
    EXPECT_EQ(settings.lastViewFolder, bare + "/");

    QSettings raw(profilePath(), QSettings::IniFormat);
    raw.setValue("main/savepath", "/no/such/folder/out");
    raw.setValue("path/lastview", "/no/such/folder");
    raw.sync();
    SettingsProfile again(profilePath());
    AppSettings repaired = loaded(again);
    EXPECT_EQ(repaired.outputDir, programDir() + "out/");
    EXPECT_NE(repaired.lastViewFolder, "/no/such/folder/");
}

TEST_F(SettingsTest, SaveWritesEveryKeyAndLoadReadsThemBack) {
    SettingsProfile profile(profilePath());
    AppSettings settings = loaded(profile);
    settings.checkOnClick = 1;
    settings.downStyle = 3;  // carried values survive a save and a load unchanged
    settings.downSleep = 9;
    settings.renameRule = "商品-<no>";
    settings.thumbComboIndex = 4;
    settings.dailyTipIndex = 12;
    settings.saveSettings();

    QSettings raw(profilePath(), QSettings::IniFormat);
    const QStringList expected = {
        "main/viewmode",        "main/checkifclickicon", "main/downstyle",  "main/downtimeout",
        "main/savepath",        "main/useskin",          "main/needno",     "main/autoshutpc",
        "main/dupfilter",       "main/downsleep",        "main/showedtmsg", "window/top",
        "window/left",          "window/right",          "window/bottom",   "thumbnail/resotreexif",
        "thumbnail/taobaosize", "thumbnail/cmbindex",    "thumbnail/index", "path/lastview",
        "rename/rules",         "rename/wordcase",       "main/dailytip",   "main/dailytipindex"};
    for (const QString& key : expected)
        EXPECT_TRUE(raw.contains(key)) << key.toStdString();
    EXPECT_EQ(raw.allKeys().size(), expected.size());

    SettingsProfile reopened(profilePath());
    AppSettings back = loaded(reopened);
    EXPECT_EQ(back.checkOnClick, 1);
    EXPECT_EQ(back.downStyle, 3);
    EXPECT_EQ(back.downSleep, 9);
    EXPECT_EQ(back.renameRule, "商品-<no>");
    EXPECT_EQ(back.thumbComboIndex, 4);
    EXPECT_EQ(back.dailyTipIndex, 12);
}

TEST_F(SettingsTest, LegacyFileIsImportedOnceAndDeleted) {
    // GBK "商品" in the rule, a quoted value and keys in another case.
    programFolder.write("Velumark.ini",
                        "[MAIN]\r\nViewMode=0\r\ncheckifclickicon = 1\r\nneedno=\"7\"\r\n"
                        "[rename]\r\nrules=\xc9\xcc\xc6\xb7<no>\r\n");
    {
        SettingsProfile profile(profilePath());
        AppSettings settings(programDir(), profile);
        EXPECT_TRUE(settings.migrateLegacySettings().value());
        settings.loadSettings();
        EXPECT_EQ(settings.source, SettingsSource::Profile);
        EXPECT_EQ(settings.viewMode, 0);
        EXPECT_EQ(settings.checkOnClick, 1);
        EXPECT_EQ(settings.needNo, 7);
        EXPECT_EQ(settings.renameRule, "商品<no>");
        EXPECT_FALSE(QFile::exists(programDir() + "Velumark.ini"));
    }
    // A second start reads the profile; a legacy file that reappears (one that could not be
    // deleted) never overwrites the newer profile.
    programFolder.write("Velumark.ini", "[main]\r\nviewmode=2\r\n");
    SettingsProfile profile(profilePath());
    AppSettings second(programDir(), profile);
    EXPECT_FALSE(second.migrateLegacySettings().value());
    second.loadSettings();
    EXPECT_EQ(second.viewMode, 0);
}

TEST(LegacyIniTest, ReadsLikeTheWindowsProfileFunctions) {
    const LegacyIni ini = LegacyIni::parse(
        "; comment\n[Main]\n  savepath = 'D:\\out\\' \nneg=-12\nbad=x5\n[path]\nlong=" +
        std::string(600, 'a') + "\n");
    EXPECT_TRUE(ini.hasSection("MAIN"));
    EXPECT_EQ(ini.readString("main", "SAVEPATH").value(), "D:\\out\\");
    EXPECT_EQ(ini.readInt("main", "neg", 0), -12);
    EXPECT_EQ(ini.readInt("main", "bad", 4), 0);
    EXPECT_EQ(ini.readInt("main", "missing", 4), 4);
    EXPECT_EQ(ini.readString("path", "long").value().size(), 519u);
    EXPECT_FALSE(ini.readString("path", "none").has_value());
}

}  // namespace
}  // namespace pixmill
