// The update check as the main window runs it, against a loopback feed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "engine/app/app_settings.h"
#include "engine/update/fixed_addresses.h"
#include "engine/update/menu_links.h"
#include "gui/app/status_bar_sink.h"
#include "gui/update/daily_tip_dlg.h"
#include "gui/update/update_controller.h"
#include "gui/update/update_menu.h"
#include "support/status_recorder.h"
#include "support/temp_dir.h"
#include "update/loopback_server.h"

namespace pixmill {
namespace {

using pixmill::testing::LoopbackServer;
using pixmill::testing::Route;

class FakeUi : public UpdateUi {
  public:
    UpdateChoice choice = UpdateChoice::Cancel;
    std::function<void()> whilePrompting;
    QStringList asked, informed, warned, balloons, opened, started;
    Result<> openResult;

    UpdateChoice askToUpdate(QWidget*, const QString& version) override {
        asked << version;
        if (whilePrompting)
            whilePrompting();
        return choice;
    }
    void inform(QWidget*, const QString& text) override { informed << text; }
    void warn(QWidget*, const QString& text) override { warned << text; }
    void trayBalloon(const QString& text) override { balloons << text; }
    Result<> openAddress(const QString& address) override {
        opened << address;
        return openResult;
    }
    bool startProgram(const QString& path) override {
        started << path;
        return true;
    }
};

Route feedRoute(const QByteArray& document) {
    Route route;
    route.body = document;
    return route;
}

class UpdateControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        controller_.setUi(&ui_);
        controller_.setOwnVersion("2014.11");
        controller_.setLocations({program_.folder().c_str(), program_.folder().c_str()});
        ui_.setDesktopFolder(QString::fromStdString(desktop_.folder()));
    }

    void serveFeed(const QByteArray& document) {
        http_.setRoute("/Velumark.xml", feedRoute(document));
        controller_.setFeedUrl(QUrl(http_.url("/Velumark.xml")));
    }
    // Runs one check to its end.
    void check(UpdateCheckMode mode) {
        QSignalSpy finished(&controller_, &UpdateController::checkFinished);
        ASSERT_TRUE(controller_.startUpdateCheck(mode));
        ASSERT_TRUE(finished.wait(20000));
    }

    testing::StatusRecorder status_;
    FakeUi ui_;
    UpdateController controller_;
    LoopbackServer http_;
    pixmill::testing::TempDir program_;
    pixmill::testing::TempDir desktop_;
};

TEST_F(UpdateControllerTest, equalVersionOnlyChangesTheStatusAtStartUp) {
    serveFeed("<version>2014.11</version><news>news of the day</news>");
    check(UpdateCheckMode::Automatic);
    EXPECT_TRUE(ui_.asked.isEmpty());
    EXPECT_TRUE(ui_.informed.isEmpty());
    EXPECT_TRUE(ui_.balloons.isEmpty());
    EXPECT_THAT(status_.tagged(), ::testing::Contains("1:news of the day"));
    EXPECT_EQ(status_.tagged().back(), "0:当前版本是最新版!");

    QSignalSpy results(&controller_, &UpdateController::updateResult);
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(ui_.informed, QStringList{QString::fromUtf8(kCurrentVersionText)});
    EXPECT_EQ(ui_.balloons, QStringList{QString::fromUtf8(kCurrentVersionText)});
    ASSERT_EQ(results.count(), 1);
    EXPECT_EQ(results[0][0].toInt(), kUpdateResultCurrent);
}

TEST_F(UpdateControllerTest, whatTheFeedSuppliesIsShownAsPlainText) {
    // A value ends at the first "</", so the markup a feed can slip in has no closing tags.
    const QString news = "<font color=red size=7>BIG<img src='x.png'><br>news";
    serveFeed("<version>2099.01</version><news>" + news.toUtf8() + "</news>");
    QLabel part0;
    QLabel part1;
    StatusBarSink sink(&part0, &part1);  // the main window's status line
    controller_.setUi(nullptr);          // the real message boxes
    QString promptText;
    Qt::TextFormat promptFormat = Qt::RichText;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        promptText = box->text();
        promptFormat = box->textFormat();
        box->button(QMessageBox::Cancel)->click();
    });
    answer.start(20);
    check(UpdateCheckMode::Automatic);
    EXPECT_EQ(part1.text(), news);
    EXPECT_EQ(part1.textFormat(), Qt::PlainText);
    EXPECT_TRUE(promptText.contains("2099.01"));
    EXPECT_EQ(promptFormat, Qt::PlainText);
}

TEST_F(UpdateControllerTest, lowerVersionStillPromptsAndGuardHoldsWhilePrompting) {
    serveFeed(
        "<version>2013.01</version><downurl>https://dl.example.org/Velumark_v2013.01</downurl>");
    bool secondStarted = true;
    ui_.whilePrompting = [&] {
        secondStarted = controller_.startUpdateCheck(UpdateCheckMode::Manual);
    };
    check(UpdateCheckMode::Automatic);
    EXPECT_EQ(ui_.asked, QStringList{"2013.01"});
    EXPECT_FALSE(secondStarted);
    EXPECT_EQ(http_.requestCount("/Velumark.xml"), 1);
    EXPECT_FALSE(UpdateCheckGuard::isHeld());
    EXPECT_EQ(
        updatePromptText("2013.01"),
        QString::fromUtf8(
            "发现新版本：v2013.01，点“是”自动更新，点“否”打开网页下载，点“取消”不做任何操作"));
    EXPECT_EQ(updatePromptCaption(), QString::fromUtf8("Velumark 更新提示："));
}

TEST_F(UpdateControllerTest, secondCheckDuringASlowFetchIsIgnored) {
    Route slow = feedRoute("<version>2014.11</version>" + QByteArray(2000, ' '));
    slow.chunkBytes = 500;
    slow.chunkDelayMs = 100;
    http_.setRoute("/Velumark.xml", slow);
    controller_.setFeedUrl(QUrl(http_.url("/Velumark.xml")));
    QSignalSpy finished(&controller_, &UpdateController::checkFinished);
    ASSERT_TRUE(controller_.startUpdateCheck(UpdateCheckMode::Manual));
    UpdateController other;
    EXPECT_FALSE(other.startUpdateCheck(UpdateCheckMode::Manual));
    EXPECT_FALSE(controller_.startUpdateCheck(UpdateCheckMode::Manual));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(http_.requestCount("/Velumark.xml"), 1);
    EXPECT_EQ(ui_.informed.size(), 1);
}

TEST_F(UpdateControllerTest, unreachableOrForeignFeedGivesBalloonButNoMessageBox) {
    controller_.setFeedUrl(QUrl(
        QString("http://127.0.0.1:%1/Velumark.xml").arg(pixmill::testing::unusedLoopbackPort())));
    QSignalSpy results(&controller_, &UpdateController::updateResult);
    check(UpdateCheckMode::Automatic);
    serveFeed("<html>captive portal</html>");
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(ui_.balloons, QStringList(2, QString::fromUtf8(kFetchFailedText)));
    EXPECT_TRUE(ui_.informed.isEmpty());
    EXPECT_TRUE(ui_.asked.isEmpty());
    ASSERT_EQ(results.count(), 2);
    EXPECT_EQ(results[1][0].toInt(), kUpdateResultFetchFailed);
}

TEST_F(UpdateControllerTest, feedWithoutHelpKeepsTheBuiltInHelpPage) {
    serveFeed(
        "<version>2014.11</version><help>https://help.example.org/feed</help>"
        "<bbs>https://bbs.example.org/</bbs>");
    check(UpdateCheckMode::Automatic);
    EXPECT_EQ(controller_.feed().help, "https://help.example.org/feed");
    serveFeed("<version>2014.11</version>");
    check(UpdateCheckMode::Automatic);
    EXPECT_EQ(controller_.feed().help, fixedAddress(FixedAddress::Help));
    EXPECT_EQ(controller_.feed().site, "https://bbs.example.org/");
}

TEST_F(UpdateControllerTest, noOpensTheDownloadAddressInTheBrowser) {
    serveFeed("<version>2015.03</version><downurl>https://dl.example.org/Velumark.rar</downurl>");
    ui_.choice = UpdateChoice::No;
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(ui_.opened, QStringList{"https://dl.example.org/Velumark.rar"});
    EXPECT_TRUE(ui_.started.isEmpty());

    // A browser that cannot be started says so instead of leaving the answer unheeded.
    ui_.openResult = makeError(ENOENT, "cannot start xdg-open");
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(status_.tagged().back(), "1:cannot start xdg-open");
}

class HttpsUpdateTest : public UpdateControllerTest {
  protected:
    void SetUp() override {
        UpdateControllerTest::SetUp();
        ASSERT_TRUE(pixmill::testing::prepareTestCertificate());
        ui_.choice = UpdateChoice::Yes;
    }
    void serveUpdate(const QByteArray& program) {
        Route file;
        file.body = program;
        https_.setRoute("/dl/new", file);
        serveFeed("<version>2015.03</version><downurl>" + https_.url("/dl/new").toUtf8() +
                  "</downurl>");
    }
    QString target() const {
        return QString::fromStdString(program_.folder()) + "Velumark_v2015.03";
    }
    QString launcher() const {
        return QString::fromStdString(desktop_.folder()) + "Pixmill.desktop";
    }

    LoopbackServer https_{LoopbackServer::Kind::Https};
};

TEST_F(HttpsUpdateTest, yesDownloadsMarksExecutableStartsItAndMakesALauncher) {
    QFile self("/proc/self/exe");
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    serveUpdate(self.read(64 * 1024));  // an ELF header is all the check looks at
    check(UpdateCheckMode::Manual);
    EXPECT_TRUE(ui_.warned.isEmpty()) << ui_.warned.join("\n").toStdString();
    EXPECT_TRUE(QFileInfo(target()).isExecutable());
    EXPECT_EQ(ui_.started, QStringList{target()});
    ASSERT_TRUE(QFile::exists(launcher()));
    EXPECT_TRUE(pixmill::testing::readText(launcher().toStdString())
                    .find("Exec=\"" + target().toStdString() + "\"") != std::string::npos);
}

TEST_F(HttpsUpdateTest, nonExecutableDownloadIsNeitherStartedNorLinked) {
    serveUpdate("Rar!\x1A\x07 an archive, not a program");
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(ui_.warned.size(), 1);
    EXPECT_TRUE(ui_.started.isEmpty());
    EXPECT_FALSE(QFileInfo(target()).isExecutable());
    EXPECT_FALSE(QFile::exists(launcher()));
}

TEST_F(HttpsUpdateTest, plainHttpOrFailedDownloadRunsNothing) {
    // The feed check already drops a plain-HTTP address, so nothing is fetched at all.
    serveFeed("<version>2015.03</version><downurl>" + http_.url("/dl/new").toUtf8() + "</downurl>");
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(ui_.warned.size(), 1);
    EXPECT_EQ(http_.requestCount("/dl/new"), 0);

    Route missing;
    missing.status = 404;
    https_.setRoute("/dl/new", missing);
    serveFeed("<version>2015.03</version><downurl>" + https_.url("/dl/new").toUtf8() +
              "</downurl>");
    // The dialog's own error box is answered by closing it.
    QTimer closer;
    QStringList boxes;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes << box->text();
            box->close();
        }
    });
    closer.start(20);
    check(UpdateCheckMode::Manual);
    EXPECT_EQ(boxes, QStringList{"Failed to receive a valid HTTP response from the server"});
    EXPECT_TRUE(ui_.started.isEmpty());
    EXPECT_FALSE(QFile::exists(target()));
    EXPECT_FALSE(QFile::exists(launcher()));
}

class CountingOpener : public AddressOpener {
  public:
    QStringList opened;
    Result<> openWithDesktop(const QUrl& address) override {
        opened << address.toString();
        return {};
    }
};

TEST_F(UpdateControllerTest, menuCommandsReachTheirEntries) {
    CountingOpener opener;
    SettingsProfile profile(QString::fromStdString(program_.file("Velumark.conf")));
    AppSettings settings(QString::fromStdString(program_.folder()), profile);
    serveFeed("<version>2014.11</version><bbs>https://bbs.example.org/</bbs>");
    QSignalSpy finished(&controller_, &UpdateController::checkFinished);
    EXPECT_TRUE(
        runUpdateMenuCommand(kCommandCheckForUpdate, nullptr, controller_, settings, opener));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(ui_.informed.size(), 1);
    for (int id :
         {int(kCommandOtherWorks), int(kCommandWebsite), int(kCommandHelp), 32795, 32801}) {
        EXPECT_TRUE(runUpdateMenuCommand(id, nullptr, controller_, settings, opener)) << id;
    }
    ASSERT_EQ(opener.opened.size(), 5);
    EXPECT_EQ(opener.opened[0], "https://bbs.example.org/");
    EXPECT_EQ(opener.opened[2], fixedAddress(FixedAddress::Help));
    EXPECT_TRUE(runUpdateMenuCommand(kCommandWriteToMaker, nullptr, controller_, settings, opener));
    EXPECT_EQ(opener.opened.size(), 5);
    EXPECT_THAT(status_.tagged(), ::testing::Contains(std::string("1:") + kNoMailAddressText));
    EXPECT_TRUE(runUpdateMenuCommand(kCommandDailyTip, nullptr, controller_, settings, opener));
    bool shown = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CDailyTipDlg*>(widget); dialog && dialog->isVisible()) {
            shown = true;
            dialog->close();
        }
    }
    EXPECT_TRUE(shown);
    EXPECT_FALSE(runUpdateMenuCommand(32805, nullptr, controller_, settings, opener));
}

TEST_F(UpdateControllerTest, menuLinkThatCannotOpenSaysWhyInTheStatusLine) {
    struct Unopenable : AddressOpener {
        Result<> openWithDesktop(const QUrl&) override { return makeError("no desktop"); }
        Result<> startProgram(const QString&, const QStringList&) override {
            return makeError(ENOENT, "cannot start xdg-open");
        }
    } opener;
    SettingsProfile profile(QString::fromStdString(program_.file("Velumark.conf")));
    AppSettings settings(QString::fromStdString(program_.folder()), profile);
    // The texts one command writes.
    auto written = [&](int id) {
        const std::size_t before = status_.tagged().size();
        EXPECT_TRUE(runUpdateMenuCommand(id, nullptr, controller_, settings, opener)) << id;
        const std::vector<std::string> all = status_.tagged();
        return std::vector<std::string>(all.begin() + std::ptrdiff_t(before), all.end());
    };
    for (int id : {int(kCommandWebsite), int(kCommandHelp), 32795})
        EXPECT_EQ(written(id), std::vector<std::string>{"1:cannot start xdg-open"}) << id;
    // Without a mail address the entry's own text stands, not a second one.
    EXPECT_EQ(written(kCommandWriteToMaker),
              std::vector<std::string>{std::string("1:") + kNoMailAddressText});
}

}  // namespace
}  // namespace pixmill
