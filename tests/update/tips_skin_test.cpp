// The daily tip window with its stored index, and the skin library attached to the application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "engine/app/app_settings.h"
#include "gui/update/daily_tip_dlg.h"
#include "gui/update/skin_controller.h"
#include "support/temp_dir.h"
#include "update/loopback_server.h"

namespace pixmill {
namespace {

class DailyTipTest : public ::testing::Test {
  protected:
    QString folder() const { return QString::fromStdString(dir_.folder()); }
    pixmill::testing::TempDir dir_;
    SettingsProfile profile_{folder() + "Velumark.conf"};
    AppSettings settings_{folder(), profile_};
};

TEST_F(DailyTipTest, storedTwelveShowsTheFirstTipAndStoresTheNext) {
    settings_.dailyTipIndex = 12;
    settings_.saveSettings();
    QPointer<CDailyTipDlg> dialog = showDailyTip(nullptr, settings_);
    EXPECT_EQ(dialog->currentIndex(), 0);
    EXPECT_TRUE(dialog->text().startsWith(QString::fromUtf8("1、\n\n")));
    EXPECT_EQ(dialog->findChild<QPlainTextEdit*>("tipText")->toPlainText(), dialog->text());
    EXPECT_EQ(profile_.readInt("main", "dailytipindex", -1), 1);

    dialog->findChild<QPushButton*>("previousTip")->click();
    EXPECT_EQ(dialog->currentIndex(), 11);
    EXPECT_EQ(profile_.readInt("main", "dailytipindex", -1), 12);
    dialog->findChild<QPushButton*>("nextTip")->click();
    EXPECT_EQ(dialog->currentIndex(), 0);
    dialog->findChild<QPushButton*>("nextTip")->click();
    EXPECT_TRUE(dialog->text().startsWith(QString::fromUtf8("2、\n\n")));
    EXPECT_EQ(profile_.readInt("main", "dailytipindex", -1), 2);
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(DailyTipTest, untickingStopsTheTipAtTheNextStart) {
    settings_.saveSettings();
    CDailyTipDlg* dialog = showDailyTipIfDue(nullptr, settings_);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->findChild<QCheckBox*>("showAtStart")->isChecked());
    dialog->findChild<QCheckBox*>("showAtStart")->setChecked(false);
    dialog->close();
    EXPECT_EQ(profile_.readInt("main", "dailytip", -1), 0);

    AppSettings nextStart(folder(), profile_);
    nextStart.loadSettings();
    EXPECT_EQ(showDailyTipIfDue(nullptr, nextStart), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString binFolder() {
    return qEnvironmentVariable("PIXMILL_BIN_DIR") + "/";
}

// A window with the kinds of widget the program's windows are made of.
std::unique_ptr<QMainWindow> sampleWindow() {
    auto window = std::make_unique<QMainWindow>();
    window->menuBar()->addMenu(QString::fromUtf8("批量操作"));
    window->menuBar()->addMenu(QString::fromUtf8("选项设置"));
    QToolBar* tools = window->addToolBar("tools");
    for (const char* name : {"重命名", "缩略图", "图片水印", "文字水印", "更多功能"}) {
        tools->addAction(QString::fromUtf8(name));
    }
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    auto* list = new QListWidget;
    list->addItems({"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"});
    list->setCurrentRow(1);
    layout->addWidget(list);
    layout->addWidget(new QLineEdit("D:/photos/out/"));
    auto* combo = new QComboBox;
    combo->addItem(QString::fromUtf8("淘宝主图 800×800"));
    layout->addWidget(combo);
    layout->addWidget(new QCheckBox(QString::fromUtf8("保留 EXIF")));
    auto* progress = new QProgressBar;
    progress->setValue(40);
    layout->addWidget(progress);
    auto* start = new QPushButton(QString::fromUtf8("开始批量重命名"));
    start->setDefault(true);
    layout->addWidget(start);
    window->setCentralWidget(central);
    window->statusBar()->showMessage(QString::fromUtf8("已缩小第 3 张图片"));
    window->resize(640, 480);
    return window;
}

QImage settledGrab(QWidget& window) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    return window.grab().toImage();
}

TEST(SkinTest, programSkinRestylesTheWindowAndDetachRestoresIt) {
    SkinController skin;
    skin.setProgramDir(binFolder());
    skin.setUserDataDir(binFolder());
    ASSERT_TRUE(skinFilesPresent(binFolder() + "skin/")) << binFolder().toStdString();
    auto window = sampleWindow();
    window->show();
    const QImage plain = settledGrab(*window);
    const QString before = qApp->styleSheet();

    ASSERT_TRUE(skin.attach())
        << processSkinLibrary().load(binFolder() + "skin/" + kSkinLibraryFile).message();
    QFile sheet(binFolder() + "skin/skin.she");
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet.readAll()));
    const QImage skinned = settledGrab(*window);
    EXPECT_NE(skinned, plain);
    const QString shot = qEnvironmentVariable("PIXMILL_SKIN_SCREENSHOT");
    if (!shot.isEmpty())
        skinned.save(shot);

    skin.detach();
    EXPECT_EQ(qApp->styleSheet(), before);
    EXPECT_FALSE(skin.isAttached());
    EXPECT_EQ(settledGrab(*window), plain);
    EXPECT_NE(processSkinLibrary().attach(binFolder() + "skin/missing.she"), 0);
    EXPECT_EQ(qApp->styleSheet(), before);
}

TEST(SkinTest, missingSkinIsDownloadedAndAttachedWhenReady) {
    ASSERT_TRUE(pixmill::testing::prepareTestCertificate());
    pixmill::testing::LoopbackServer https(pixmill::testing::LoopbackServer::Kind::Https);
    QFile library(binFolder() + "skin/skin.dat");
    QFile sheet(binFolder() + "skin/skin.she");
    ASSERT_TRUE(library.open(QIODevice::ReadOnly) && sheet.open(QIODevice::ReadOnly));
    pixmill::testing::Route route;
    route.body = library.readAll();
    https.setRoute("/res/skin.dat", route);
    route.body = sheet.readAll();
    https.setRoute("/res/skin.she", route);

    pixmill::testing::TempDir program;
    SkinController skin;
    skin.setProgramDir(QString::fromStdString(program.folder()));
    skin.setUserDataDir(QString::fromStdString(program.folder()) + "user");
    skin.setBaseAddresses({"https://127.0.0.1:1/", https.url("/")});
    pixmill::testing::TempDir config;
    SettingsProfile profile(QString::fromStdString(config.file("Velumark.conf")));
    AppSettings settings(QString::fromStdString(program.folder()), profile);
    settings.useSkin = 0;
    skin.applyAtStart(settings);
    EXPECT_FALSE(skin.isDownloading());

    settings.useSkin = 1;
    QSignalSpy ready(&skin, &SkinController::skinReady);
    skin.applyAtStart(settings);
    EXPECT_FALSE(skin.isAttached());
    ASSERT_TRUE(ready.wait(20000));
    EXPECT_TRUE(skin.isAttached());
    EXPECT_TRUE(skinFilesPresent(QString::fromStdString(program.folder()) + "skin"));
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
    skin.detach();
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST(SkinTest, plainHttpSkinBaseIsRefusedAndTheUserIsTold) {
    pixmill::testing::TempDir program;
    SkinController skin;
    skin.setProgramDir(QString::fromStdString(program.folder()));
    skin.setUserDataDir(QString::fromStdString(program.folder()));
    skin.setBaseAddresses({"http://127.0.0.1:1/"});
    QStringList told;
    skin.setRefusalReporter([&](const QString& text) { told << text; });
    QSignalSpy failed(&skin, &SkinController::skinDownloadFailed);
    skin.startDownload();
    ASSERT_TRUE(failed.wait(10000));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains("http://127.0.0.1:1/"));
    EXPECT_FALSE(skin.isAttached());
}

}  // namespace
}  // namespace pixmill
