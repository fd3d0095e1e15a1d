// The folder picker and the options dialog, driven on the offscreen platform.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

#include <filesystem>

#include <QLabel>

#include "engine/app/app_settings.h"
#include "engine/platform/status.h"
#include "gui/app/main_dialog.h"
#include "gui/app/options_dialog.h"
#include "gui/app/pixmill_app.h"
#include "gui/controls/path_dialog.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

class AnsweringPrompter : public FolderPrompter {
  public:
    bool answer = true;
    int questions = 0;
    int errors = 0;
    bool askYesNo(const std::string&) override {
        ++questions;
        return answer;
    }
    void showError(const std::string&) override { ++errors; }
};

QPushButton* okButton(CPathDialog& dialog) {
    return dialog.buttons()->button(QDialogButtonBox::Ok);
}

TEST(PathDialogTest, EditBoxFollowsTheTreeAndEnablesOk) {
    testing::TempDir root;
    std::filesystem::create_directory(root.path() / "photos");
    const QString photos = QString::fromStdString((root.path() / "photos").string());
    CPathDialog dialog("Pixmill", "请选择", photos, nullptr);
    EXPECT_EQ(dialog.pathEdit()->text(), photos);
    EXPECT_TRUE(okButton(dialog)->isEnabled());

    dialog.pathEdit()->clear();
    EXPECT_FALSE(okButton(dialog)->isEnabled());
    dialog.pathEdit()->setText("/x");
    EXPECT_TRUE(okButton(dialog)->isEnabled());
}

TEST(PathDialogTest, OkCreatesAMissingFolderOnYesAndStaysOpenOnNoOrAnInvalidPath) {
    testing::TempDir root;
    AnsweringPrompter prompter;
    CPathDialog dialog("", "prompt", QString::fromStdString(root.folder()), nullptr);
    dialog.setPrompter(&prompter);
    const QString target = QString::fromStdString(root.folder() + "photos/new");

    int result = 0;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.pathEdit()->setText("photos/relative");  // not absolute: invalid
        okButton(dialog)->click();
        EXPECT_EQ(prompter.errors, 1);
        EXPECT_TRUE(dialog.isVisible());

        // A trailing separator, as tab completion writes it, names the same folder.
        prompter.answer = false;
        dialog.pathEdit()->setText(target + "/");
        okButton(dialog)->click();
        EXPECT_EQ(prompter.errors, 1);
        EXPECT_EQ(prompter.questions, 1);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(QDir(target).exists());

        prompter.answer = true;
        okButton(dialog)->click();
    });
    result = dialog.runModal();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.chosenPath(), target);
    EXPECT_TRUE(QDir(target).exists());
}

TEST(PathDialogTest, CancelReturnsMinusOne) {
    CPathDialog dialog("", "prompt", "/", nullptr);
    QTimer::singleShot(0, &dialog,
                       [&] { dialog.buttons()->button(QDialogButtonBox::Cancel)->click(); });
    EXPECT_EQ(dialog.runModal(), -1);
}

class OptionsDialogTest : public ::testing::Test {
  protected:
    OptionsDialogTest()
        : profile(QString::fromStdString(config.file("Velumark.conf"))),
          settings(QString::fromStdString(program.folder()), profile) {
        settings.loadSettings();
    }
    testing::TempDir program;
    testing::TempDir config;
    SettingsProfile profile;
    AppSettings settings;
};

TEST_F(OptionsDialogTest, OkStoresTheFolderWithASeparatorWithoutCreatingItAndWritesEveryKey) {
    COptionsdlg dialog(settings, nullptr);
    EXPECT_EQ(dialog.outputEdit()->text(), settings.outputDir);
    const QString typed = QString::fromStdString(program.folder() + "shop/out");
    dialog.outputEdit()->setText(typed);
    dialog.checkOnClickBox()->setChecked(true);
    dialog.accept();

    EXPECT_EQ(settings.outputDir, typed + "/");
    EXPECT_EQ(settings.checkOnClick, 1);
    EXPECT_FALSE(QDir(typed).exists());
    QSettings raw(QString::fromStdString(config.file("Velumark.conf")), QSettings::IniFormat);
    EXPECT_EQ(raw.value("main/savepath").toString(), typed + "/");
    EXPECT_EQ(raw.value("main/checkifclickicon").toInt(), 1);
    EXPECT_EQ(raw.allKeys().size(), 24);
}

TEST_F(OptionsDialogTest, CancelKeepsOnlyTheSkinChange) {
    std::vector<bool> skinCalls;
    const QString before = settings.outputDir;
    COptionsdlg dialog(settings, [&](bool on) { skinCalls.push_back(on); });
    dialog.skinBox()->setChecked(true);
    EXPECT_EQ(skinCalls, std::vector<bool>{true});
    EXPECT_EQ(settings.useSkin, 1);
    dialog.outputEdit()->setText("/elsewhere");
    dialog.checkOnClickBox()->setChecked(true);
    dialog.reject();
    EXPECT_EQ(settings.outputDir, before);
    EXPECT_EQ(settings.checkOnClick, 0);
    QSettings raw(QString::fromStdString(config.file("Velumark.conf")), QSettings::IniFormat);
    EXPECT_EQ(raw.value("main/useskin").toInt(), 1);
}

TEST_F(OptionsDialogTest, BrowsePutsThePickedFolderWithASeparatorAndStartsFromTheLastPick) {
    COptionsdlg dialog(settings, nullptr);
    QStringList starts;
    dialog.setFolderPicker([&](QWidget*, const QString& start) {
        starts << start;
        return QStringLiteral("/picked");
    });
    dialog.outputEdit()->setText("/typed");  // text typed since is not the start folder
    dialog.browseButton()->click();
    dialog.browseButton()->click();
    EXPECT_EQ(dialog.outputEdit()->text(), "/picked/");
    EXPECT_EQ(starts, (QStringList{settings.outputDir, "/picked/"}));
}

TEST_F(OptionsDialogTest, MainWindowTitleAndStatusLine) {
    CMainDlg window(settings);
    EXPECT_EQ(window.windowTitle(), "Pixmill v2014.11");
    setStatusText(0, "正在检查是否有最新版本……");
    statusPrintf("已缩小第 %d 张图片：%s", 1, "a.jpg");
    EXPECT_EQ(window.statusPart(0)->text(), "正在检查是否有最新版本……");
    EXPECT_EQ(window.statusPart(1)->text(), "已缩小第 1 张图片：a.jpg");
    EXPECT_EQ(window.statusPart(0)->width(), 150);
}

}  // namespace
}  // namespace pixmill

namespace pixmill {
namespace {

TEST(QtTextsTest, MessageBoxButtonsSpeakChineseOnceInstalled) {
    std::unique_ptr<QTranslator> texts = installChineseQtTexts();
    ASSERT_NE(texts, nullptr) << "Qt's zh_CN translation (qt6-translations-l10n) is missing";
    QMessageBox box(QMessageBox::Question, "t", "?", QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));
    QCoreApplication::removeTranslator(texts.get());
}

}  // namespace
}  // namespace pixmill
