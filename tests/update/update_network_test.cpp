// Fetches and downloads against loopback HTTP and HTTPS servers started by the tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSignalSpy>
#include <QTest>

#include "engine/update/file_download.h"
#include "engine/update/http_get.h"
#include "engine/update/skin_library.h"
#include "engine/update/update_check.h"
#include "support/temp_dir.h"
#include "update/loopback_server.h"

namespace pixmill {
namespace {

using pixmill::testing::LoopbackServer;
using pixmill::testing::Route;

Route body(const QByteArray& bytes) {
    Route route;
    route.body = bytes;
    return route;
}

QString pathIn(const pixmill::testing::TempDir& dir, const char* name) {
    return QString::fromStdString(dir.file(name));
}

struct DownloadRun {
    DownloadOutcome outcome;
    QString error;
    QStringList events;
};

DownloadRun runDownload(const QString& address, const QString& target, CredentialPrompt prompt = {},
                        bool abortOnFirstBlock = false) {
    FileDownload download(QUrl(address), target);
    DownloadRun run;
    download.setCredentialPrompt(std::move(prompt));
    QObject::connect(&download, &FileDownload::redirectingTo,
                     [&](const QUrl& to) { run.events << "redirect " + to.toString(); });
    QObject::connect(&download, &FileDownload::retrievingFile,
                     [&](qint64 length) { run.events << QString("length %1").arg(length); });
    QObject::connect(&download, &FileDownload::progressed, [&](qint64, qint64) {
        if (abortOnFirstBlock)
            download.abort();
    });
    QSignalSpy finished(&download, &FileDownload::finished);
    download.start();
    EXPECT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.count(), 1);
    run.outcome = download.outcome();
    run.error = QString::fromStdString(download.result().message());
    return run;
}

class UpdateNetworkTest : public ::testing::Test {
  protected:
    LoopbackServer http_{LoopbackServer::Kind::Http};
    pixmill::testing::TempDir dir_;
};

TEST_F(UpdateNetworkTest, feedFetchNeedsA2xxStatusAndTheWholeBody) {
    http_.setRoute("/feed", body("<version>2015.03</version>\n"));
    Route missing;
    missing.status = 500;
    missing.body = "<version>2015.03</version>";
    http_.setRoute("/broken", missing);
    Route cut = body("<version>2015");
    cut.announcedLength = 400;
    http_.setRoute("/cut", cut);

    const Result<QString> ok = fetchFeedDocument(QUrl(http_.url("/feed")));
    ASSERT_TRUE(ok.isOk());
    EXPECT_EQ(*ok, "<version>2015.03</version>\n");
    for (const char* path : {"/broken", "/cut", "/nowhere"}) {
        const Result<QString> failed = fetchFeedDocument(QUrl(http_.url(path)));
        EXPECT_FALSE(failed.isOk()) << path;
        EXPECT_FALSE(failed.message().empty()) << path;
    }
    const QUrl refused(
        QString("http://127.0.0.1:%1/feed").arg(pixmill::testing::unusedLoopbackPort()));
    EXPECT_FALSE(fetchFeedDocument(refused, 3000).isOk());
}

TEST_F(UpdateNetworkTest, feedFetchWorksOverHttpsWithTheTestCertificate) {
    ASSERT_TRUE(pixmill::testing::prepareTestCertificate());
    LoopbackServer https(LoopbackServer::Kind::Https);
    ASSERT_TRUE(https.isListening());
    https.setRoute("/Velumark.xml", body("<version>2014.11</version>"));
    const Result<QString> outcome = fetchFeedDocument(QUrl(https.url("/Velumark.xml")));
    ASSERT_TRUE(outcome.isOk()) << outcome.message();
    EXPECT_EQ(*outcome, "<version>2014.11</version>");
}

TEST_F(UpdateNetworkTest, completeDownloadReplacesTheTargetInOneStep) {
    const QByteArray payload(300000, 'p');
    http_.setRoute("/Velumark_v2015.03", body(payload));
    const QString target = pathIn(dir_, "Velumark_v2015.03");
    dir_.write("Velumark_v2015.03", "older download");
    const DownloadRun run = runDownload(http_.url("/Velumark_v2015.03"), target);
    EXPECT_EQ(run.outcome, DownloadOutcome::Completed) << run.error.toStdString();
    EXPECT_EQ(pixmill::testing::readText(target.toStdString()), payload.toStdString());
    EXPECT_TRUE(run.events.contains("length 300000"));
    EXPECT_EQ(QDir(QString::fromStdString(dir_.folder())).entryList(QDir::Files).size(), 1);
}

TEST_F(UpdateNetworkTest, failedOrAbortedDownloadsLeaveNoFileAndKeepAnOlderOne) {
    Route shortBody = body(QByteArray(5000, 's'));
    shortBody.announcedLength = 9000;
    http_.setRoute("/short", shortBody);
    Route notFound = body("gone");
    notFound.status = 404;
    http_.setRoute("/gone", notFound);
    Route slow = body(QByteArray(20000, 'w'));
    slow.chunkBytes = 1000;
    slow.chunkDelayMs = 50;
    http_.setRoute("/slow", slow);

    const QString target = pathIn(dir_, "update");
    const DownloadRun cut = runDownload(http_.url("/short"), target);
    EXPECT_EQ(cut.outcome, DownloadOutcome::Failed);
    const DownloadRun gone = runDownload(http_.url("/gone"), target);
    EXPECT_EQ(gone.outcome, DownloadOutcome::Failed);
    EXPECT_EQ(gone.error, "Failed to receive a valid HTTP response from the server");
    const QString refused =
        QString("http://127.0.0.1:%1/x").arg(pixmill::testing::unusedLoopbackPort());
    const DownloadRun down = runDownload(refused, target);
    EXPECT_TRUE(down.error.startsWith("An error occurred connecting to the server, Error:"))
        << down.error.toStdString();
    const DownloadRun aborted = runDownload(http_.url("/slow"), target, {}, true);
    EXPECT_EQ(aborted.outcome, DownloadOutcome::Aborted);
    EXPECT_TRUE(QDir(QString::fromStdString(dir_.folder())).isEmpty());

    dir_.write("update", "kept");
    EXPECT_EQ(runDownload(http_.url("/short"), target).outcome, DownloadOutcome::Failed);
    EXPECT_EQ(pixmill::testing::readText(target.toStdString()), "kept");
}

TEST_F(UpdateNetworkTest, unwritableTargetIsReportedBeforeAnyRequest) {
    http_.setRoute("/file", body("x"));
    const DownloadRun run = runDownload(http_.url("/file"), pathIn(dir_, "no/such/folder/file"));
    EXPECT_EQ(run.outcome, DownloadOutcome::Failed);
    EXPECT_TRUE(
        run.error.startsWith("An error occured while opening the file to be downloaded, Error:"));
    EXPECT_EQ(http_.requestCount("/file"), 0);
}

TEST_F(UpdateNetworkTest, redirectIsFollowedAndReported) {
    http_.setRoute("/new", body("moved content"));
    Route redirect;
    redirect.redirectTo = http_.url("/new").toUtf8();
    http_.setRoute("/old", redirect);
    const QString target = pathIn(dir_, "f");
    const DownloadRun run = runDownload(http_.url("/old"), target);
    EXPECT_EQ(run.outcome, DownloadOutcome::Completed) << run.error.toStdString();
    EXPECT_TRUE(run.events.contains("redirect " + http_.url("/new")));
    EXPECT_EQ(pixmill::testing::readText(target.toStdString()), "moved content");
}

// A chain 301 -> 302 -> 307 whose redirect answers carry bodies of their own (as real servers
// send), ending at `final`.
void routeRedirectChain(LoopbackServer& server, const QByteArray& first, const QByteArray& final) {
    const QByteArray hops[] = {first, first + "-2", first + "-3"};
    const int statuses[] = {301, 302, 307};
    for (int i = 0; i < 3; ++i) {
        Route hop;
        hop.redirectStatus = statuses[i];
        hop.redirectTo = server.url(i == 2 ? final : hops[i + 1]).toUtf8();
        hop.body = "<html><body>Moved to somewhere else entirely</body></html>";
        server.setRoute(hops[i], hop);
    }
}

TEST_F(UpdateNetworkTest, feedAndDownloadGoThroughRedirectChainsEveryTime) {
    routeRedirectChain(http_, "/feed-moved", "/feed");
    http_.setRoute("/feed", body("<version>2015.03</version>"));
    routeRedirectChain(http_, "/file-moved", "/file");
    Route unannounced = body(QByteArray(3000, 'z'));
    unannounced.sendLength = false;
    http_.setRoute("/file", unannounced);
    const QString target = pathIn(dir_, "f");
    int feeds = 0;
    int downloads = 0;
    for (int i = 0; i < 50; ++i) {
        const Result<QString> feed = fetchFeedDocument(QUrl(http_.url("/feed-moved")));
        feeds += feed.isOk() && *feed == "<version>2015.03</version>";
        const DownloadRun run = runDownload(http_.url("/file-moved"), target);
        downloads += run.outcome == DownloadOutcome::Completed && QFileInfo(target).size() == 3000;
        QFile::remove(target);
    }
    EXPECT_EQ(feeds, 50);
    EXPECT_EQ(downloads, 50);
}

TEST_F(UpdateNetworkTest, shortBodyAfterRedirectsStillFails) {
    routeRedirectChain(http_, "/moved", "/cut");
    Route cut = body("<version>2015");
    cut.announcedLength = 400;
    http_.setRoute("/cut", cut);
    EXPECT_FALSE(fetchFeedDocument(QUrl(http_.url("/moved"))).isOk());
    const QString target = pathIn(dir_, "cut");
    EXPECT_EQ(runDownload(http_.url("/moved"), target).outcome, DownloadOutcome::Failed);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(UpdateNetworkTest, endlessRedirectsFail) {
    Route loop;
    loop.redirectTo = http_.url("/loop").toUtf8();
    http_.setRoute("/loop", loop);
    EXPECT_FALSE(fetchFeedDocument(QUrl(http_.url("/loop"))).isOk());
    EXPECT_EQ(runDownload(http_.url("/loop"), pathIn(dir_, "l")).outcome, DownloadOutcome::Failed);
    EXPECT_LT(http_.requestCount("/loop"), 60);
}

TEST_F(UpdateNetworkTest, challengeIsAnsweredWithCredentialsOrEndsAsAborted) {
    Route secret = body("secret build");
    secret.basicCredentials = "maker:s3cret";
    http_.setRoute("/private", secret);
    const QString target = pathIn(dir_, "private");
    QStringList asked;
    const DownloadRun answered = runDownload(
        http_.url("/private"), target, [&](const QString& host, const QString& realm, bool proxy) {
            asked << host + " " + realm + (proxy ? " proxy" : "");
            return std::optional<DownloadCredentials>({"maker", "s3cret"});
        });
    EXPECT_EQ(answered.outcome, DownloadOutcome::Completed) << answered.error.toStdString();
    EXPECT_EQ(asked, QStringList{"127.0.0.1 updates"});
    EXPECT_EQ(pixmill::testing::readText(target.toStdString()), "secret build");

    QFile::remove(target);
    const DownloadRun declined = runDownload(
        http_.url("/private"), target,
        [](const QString&, const QString&, bool) { return std::optional<DownloadCredentials>(); });
    EXPECT_EQ(declined.outcome, DownloadOutcome::Aborted);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(UpdateNetworkTest, downloadOverHttpsDoesNotFallBackToHttpOnRedirect) {
    ASSERT_TRUE(pixmill::testing::prepareTestCertificate());
    LoopbackServer https(LoopbackServer::Kind::Https);
    http_.setRoute("/plain", body("plain"));
    Route downgrade;
    downgrade.redirectTo = http_.url("/plain").toUtf8();
    https.setRoute("/down", downgrade);
    https.setRoute("/file", body("over tls"));
    const QString target = pathIn(dir_, "t");
    EXPECT_EQ(runDownload(https.url("/file"), target).outcome, DownloadOutcome::Completed);
    QFile::remove(target);
    EXPECT_EQ(runDownload(https.url("/down"), target).outcome, DownloadOutcome::Failed);
    EXPECT_EQ(http_.requestCount("/plain"), 0);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(UpdateNetworkTest, skinFilesComeFromTheFirstBaseThatHasBoth) {
    ASSERT_TRUE(pixmill::testing::prepareTestCertificate());
    LoopbackServer first(LoopbackServer::Kind::Https);
    LoopbackServer second(LoopbackServer::Kind::Https);
    first.setRoute("/res/skin.dat", body("first library"));  // its skin.she is missing
    second.setRoute("/base/res/skin.dat", body("second library"));
    second.setRoute("/base/res/skin.she", body("QWidget { color: red; }"));
    const QString folder = QString::fromStdString(dir_.folder()) + "skin";
    const SkinDownloadOutcome outcome =
        downloadSkinFiles({first.url("/"), second.url("/base")}, folder, 5000);
    EXPECT_TRUE(outcome.ready);
    EXPECT_EQ(pixmill::testing::readText((folder + "/skin.dat").toStdString()), "second library");
    EXPECT_TRUE(skinFilesPresent(folder));
    EXPECT_EQ(first.requestCount("/res/skin.she"), 1);
}

TEST_F(UpdateNetworkTest, skinFromPlainHttpIsRefusedWithoutARequest) {
    http_.setRoute("/res/skin.dat", body("library"));
    http_.setRoute("/res/skin.she", body("sheet"));
    const QString folder = QString::fromStdString(dir_.folder()) + "skin";
    const SkinDownloadOutcome outcome = downloadSkinFiles({http_.url("/")}, folder, 5000);
    EXPECT_FALSE(outcome.ready);
    EXPECT_EQ(outcome.refusedBases, QStringList{http_.url("/")});
    EXPECT_EQ(http_.requestCount("/res/skin.dat"), 0);
    EXPECT_FALSE(skinFilesPresent(folder));
}

TEST(UpdateCheckGuardTest, secondAcquireFailsUntilReleased) {
    ASSERT_TRUE(UpdateCheckGuard::tryAcquire());
    EXPECT_FALSE(UpdateCheckGuard::tryAcquire());
    UpdateCheckGuard::release();
    EXPECT_TRUE(UpdateCheckGuard::tryAcquire());
    UpdateCheckGuard::release();
}

TEST(SkinLibraryTest, missingOrForeignLibraryIsNotUsed) {
    pixmill::testing::TempDir dir;
    SkinLibrary missing;
    EXPECT_FALSE(missing.load(QString::fromStdString(dir.file("skin.dat"))));
    EXPECT_EQ(missing.attach("x"), -1);
    EXPECT_EQ(missing.detach(), -1);
    dir.write("skin.dat", "not a library");
    SkinLibrary garbage;
    EXPECT_FALSE(garbage.load(QString::fromStdString(dir.file("skin.dat"))));
    // A real shared library without the entry points.
    SkinLibrary foreign;
    EXPECT_FALSE(
        foreign.load(QLibraryInfo::path(QLibraryInfo::LibrariesPath) + "/libQt6Network.so.6"));
    EXPECT_FALSE(foreign.isLoaded());
}

}  // namespace
}  // namespace pixmill
