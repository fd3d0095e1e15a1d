// Where the program reads its shipped files and writes its own: a build tree, an installed
// copy under a prefix, and a build folder the user cannot write into.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "engine/app/app_paths.h"
#include "engine/app/app_settings.h"
#include "engine/app/profile.h"
#include "engine/update/update_install.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;

class AppPathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedDataHome_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(userData()));
        fs::create_directories(prefix.path() / "bin");
    }
    void TearDown() override {
        if (savedDataHome_.isNull()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", savedDataHome_);
        }
    }

    QString path(const char* relative) const {
        return QString::fromStdString((prefix.path() / relative).string());
    }
    QString userData() const { return QString::fromStdString(home.file("data")); }
    void installData() const { fs::create_directories(prefix.path() / "share" / "pixmill"); }

    testing::TempDir prefix;
    testing::TempDir home;

  private:
    QByteArray savedDataHome_;
};

TEST_F(AppPathsTest, BuildTreeKeepsEverythingBesideTheExecutable) {
    const ProgramLayout layout = programLayoutFor(path("bin"));
    EXPECT_FALSE(layout.installed);
    EXPECT_EQ(layout.executableDir, path("bin") + "/");
    EXPECT_EQ(layout.programDir, path("bin") + "/");
    EXPECT_FALSE(isInstalledProgramFolder(layout.programDir));
    EXPECT_TRUE(isProgramFolderWritable(layout.programDir));
    EXPECT_EQ(writableSubfolderOf(layout.programDir, "out"), path("bin") + "/out/");
    EXPECT_EQ(updateDownloadFolder(layout.programDir, userDataDirectory()), path("bin") + "/");
}

TEST_F(AppPathsTest, InstalledCopyReadsShareAndWritesIntoThePerUserFolder) {
    installData();
    for (const QString& executableDir : {path("bin"), path("bin") + "/", path("bin/../bin")}) {
        const ProgramLayout layout = programLayoutFor(executableDir);
        EXPECT_TRUE(layout.installed) << executableDir.toStdString();
        EXPECT_EQ(layout.executableDir, path("bin") + "/");
        EXPECT_EQ(layout.programDir, path("share/pixmill") + "/");
    }
    const QString program = path("share/pixmill") + "/";
    const QString user = userData() + "/Velumark/";
    EXPECT_EQ(userDataDirectory(), user);
    // Writable for this process (root in CI), and still never written into: whatever lands
    // there would outlive the package.
    EXPECT_EQ(::access(QFile::encodeName(program).constData(), W_OK), 0);
    EXPECT_TRUE(isInstalledProgramFolder(program));
    EXPECT_FALSE(isProgramFolderWritable(program));
    EXPECT_EQ(writableSubfolderOf(program, "out"), user + "out/");
    EXPECT_EQ(writableSubfolderOf(program, "skin"), user + "skin/");
    EXPECT_EQ(updateDownloadFolder(program, userDataDirectory()), user);
}

TEST_F(AppPathsTest, OnlyAShareFolderNamedAfterTheProgramCountsAsInstalled) {
    EXPECT_TRUE(isInstalledProgramFolder("/usr/share/pixmill"));
    EXPECT_TRUE(isInstalledProgramFolder("/usr/local/share/pixmill/"));
    EXPECT_FALSE(isInstalledProgramFolder("/usr/share/pixmill-old/"));
    EXPECT_FALSE(isInstalledProgramFolder("/home/u/pixmill/build/bin/"));
    EXPECT_FALSE(isInstalledProgramFolder("/home/u/pixmill/"));
    EXPECT_FALSE(isInstalledProgramFolder(""));
    // A prefix's bin/ beside a share/ without pixmill/ is a plain build-tree copy.
    fs::create_directories(prefix.path() / "share" / "other");
    EXPECT_FALSE(programLayoutFor(path("bin")).installed);
}

TEST_F(AppPathsTest, SettingsOfAnInstalledCopyLiveInThePerUserFolder) {
    installData();
    const QString program = programLayoutFor(path("bin")).programDir;
    testing::TempDir config;
    SettingsProfile profile(QString::fromStdString(config.file("Velumark.conf")));
    AppSettings settings(program, profile);
    (void)settings.migrateLegacySettings();
    settings.loadSettings();
    const QString user = userData() + "/Velumark/";
    EXPECT_EQ(settings.outputDir, user + "out/");
    EXPECT_EQ(settings.templateDir, user + "WatermarkTemplate/");
    EXPECT_TRUE(QDir(settings.outputDir).exists());
    EXPECT_TRUE(QDir(settings.templateDir).exists());
    EXPECT_TRUE(QDir(program).isEmpty()) << "something was written into the program folder";
}

TEST_F(AppPathsTest, TheExecutablesFolderGivesTheProgramFolder) {
    installData();
    const QString before = programDirectory();
    setExecutableDirectory(path("bin"));
    EXPECT_EQ(programDirectory(), path("share/pixmill") + "/");
    EXPECT_EQ(writableProgramSubfolder("out"), userData() + "/Velumark/out/");
    setProgramDirectory(before);
}

// Runs the rest of a death-test child as user nobody when started as root, so that file
// permissions apply.
void becomeAnOrdinaryUser() {
    if (::geteuid() != 0)
        return;
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) {
        std::_Exit(3);
    }
}

TEST_F(AppPathsTest, ReadOnlyBuildFolderFallsBackToThePerUserFolder) {
    fs::create_directories(prefix.path() / "readonly");
    fs::permissions(prefix.path(), fs::perms::all);
    fs::permissions(prefix.path() / "bin", fs::perms::all);
    fs::permissions(prefix.path() / "readonly",
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const QString readOnly = path("readonly") + "/";
    const QString writable = path("bin") + "/";
    const QString user = userData() + "/Velumark/";
    EXPECT_EXIT(
        {
            becomeAnOrdinaryUser();
            std::_Exit(isProgramFolderWritable(readOnly) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            becomeAnOrdinaryUser();
            std::_Exit(writableSubfolderOf(readOnly, "out") == user + "out/" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            becomeAnOrdinaryUser();
            std::_Exit(writableSubfolderOf(writable, "out") == writable + "out/" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace pixmill
