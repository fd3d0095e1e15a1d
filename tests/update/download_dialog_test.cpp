// The download dialog's texts, its abort path, its error report and its credential prompt.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include "gui/update/credentials_dlg.h"
#include "gui/update/http_download_dlg.h"
#include "support/temp_dir.h"
#include "update/loopback_server.h"

namespace pixmill {
namespace {

using pixmill::testing::LoopbackServer;
using pixmill::testing::Route;

struct Observed {
    QStringList captions, statuses, rates, timesLeft;
};

// Records each text the dialog shows while it runs; `during` is called on every sample.
Observed runDialog(CHttpDownloadDlg& dialog, int* result,
                   const std::function<void(CHttpDownloadDlg&)>& during = {}) {
    Observed seen;
    QTimer sampler;
    auto record = [](QStringList& list, const QString& text) {
        if (!text.isEmpty() && (list.isEmpty() || list.last() != text))
            list << text;
    };
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        record(seen.captions, dialog.captionText());
        record(seen.statuses, dialog.statusText());
        record(seen.rates, dialog.rateText());
        record(seen.timesLeft, dialog.timeLeftText());
        if (during)
            during(dialog);
    });
    sampler.start(10);
    *result = dialog.exec();
    record(seen.captions, dialog.captionText());
    return seen;
}

Route slowRoute(int bytes) {
    Route route;
    route.body = QByteArray(bytes, 'z');
    route.chunkBytes = 4096;
    route.chunkDelayMs = 120;
    return route;
}

class DownloadDialogTest : public ::testing::Test {
  protected:
    LoopbackServer http_;
    pixmill::testing::TempDir dir_;
    QString target_ = QString::fromStdString(dir_.file("big.bin"));
};

TEST_F(DownloadDialogTest, slowTransferShowsPercentRateAndTimeLeft) {
    http_.setRoute("/files/big.bin", slowRoute(64 * 1024));
    CHttpDownloadDlg dialog(http_.url("/files/big.bin"), target_);
    int result = -1;
    const Observed seen = runDialog(dialog, &result);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.outcome(), DownloadOutcome::Completed);
    EXPECT_EQ(QFile(target_).size(), 64 * 1024);
    EXPECT_EQ(seen.captions.value(0), "big.bin from 127.0.0.1");
    EXPECT_TRUE(seen.captions.contains("100% of big.bin Completed"));
    EXPECT_TRUE(seen.statuses.contains("Retrieving the file"));
    ASSERT_FALSE(seen.rates.isEmpty());
    EXPECT_TRUE(
        QRegularExpression(R"(^\d+(\.\d\d)? (KB|Bytes)/Sec$)").match(seen.rates[0]).hasMatch())
        << seen.rates[0].toStdString();
    ASSERT_FALSE(seen.timesLeft.isEmpty());
    EXPECT_TRUE(QRegularExpression(R"(^\d+ sec \(\d+\.\d KB of 64\.0 KB copied\)$)")
                    .match(seen.timesLeft[0])
                    .hasMatch())
        << seen.timesLeft[0].toStdString();
}

TEST_F(DownloadDialogTest, cancelAbortsTheTransferAndLeavesNoFile) {
    http_.setRoute("/big.bin", slowRoute(200 * 1024));
    CHttpDownloadDlg dialog(http_.url("/big.bin"), target_);
    bool clicked = false;
    QString statusAfterCancel;
    int result = -1;
    runDialog(dialog, &result, [&](CHttpDownloadDlg& d) {
        auto* cancel = d.findChild<QPushButton*>("cancel");
        if (!clicked && d.captionText().contains("% of")) {
            clicked = true;
            cancel->click();
            statusAfterCancel = d.statusText();
            EXPECT_FALSE(cancel->isEnabled());
        }
    });
    EXPECT_TRUE(clicked);
    EXPECT_EQ(statusAfterCancel, "Aborting transfer");
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(dialog.outcome(), DownloadOutcome::Aborted);
    EXPECT_FALSE(QFile::exists(target_));
}

TEST_F(DownloadDialogTest, errorIsReportedOnceAndNothingIsKept) {
    Route cut;
    cut.body = QByteArray(1000, 'c');
    cut.announcedLength = 5000;
    http_.setRoute("/cut.bin", cut);
    CHttpDownloadDlg dialog(http_.url("/cut.bin"), target_);
    QStringList reported;
    dialog.setErrorReporter([&](const QString& text) { reported << text; });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.outcome(), DownloadOutcome::Failed);
    EXPECT_EQ(reported.size(), 1);
    EXPECT_FALSE(QFile::exists(target_));
    EXPECT_FALSE(downloadWithDialog(nullptr, "", target_));
}

TEST_F(DownloadDialogTest, addressWithoutSchemeIsFetchedOverHttps) {
    ASSERT_TRUE(pixmill::testing::prepareTestCertificate());
    LoopbackServer https(LoopbackServer::Kind::Https);
    Route file;
    file.body = "tls body";
    https.setRoute("/v/big.bin", file);
    const QString address = QString("127.0.0.1:%1/v/big.bin").arg(https.port());
    EXPECT_TRUE(downloadWithDialog(nullptr, address, target_));
    EXPECT_EQ(pixmill::testing::readText(target_.toStdString()), "tls body");
}

// Answers the credential dialog the moment it appears.
void answerCredentials(bool accept, QStringList* seen) {
    QTimer::singleShot(20, [accept, seen] {
        auto* dialog = qobject_cast<CCredentialsDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return answerCredentials(accept, seen);
        *seen << dialog->windowTitle();
        dialog->findChild<QLineEdit*>("user")->setText("maker");
        dialog->findChild<QLineEdit*>("password")->setText("s3cret");
        accept ? dialog->accept() : dialog->reject();
    });
}

TEST_F(DownloadDialogTest, challengeOpensOurCredentialDialog) {
    Route secret;
    secret.body = "private build";
    secret.basicCredentials = "maker:s3cret";
    http_.setRoute("/big.bin", secret);
    QStringList seen;
    answerCredentials(true, &seen);
    EXPECT_TRUE(downloadWithDialog(nullptr, http_.url("/big.bin"), target_));
    EXPECT_EQ(seen, QStringList{QString::fromUtf8("服务器需要登录")});
    EXPECT_EQ(pixmill::testing::readText(target_.toStdString()), "private build");

    QFile::remove(target_);
    CHttpDownloadDlg dialog(http_.url("/big.bin"), target_);
    QStringList reported;
    dialog.setErrorReporter([&](const QString& text) { reported << text; });
    answerCredentials(false, &seen);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.outcome(), DownloadOutcome::Aborted);
    EXPECT_TRUE(reported.isEmpty());
    EXPECT_FALSE(QFile::exists(target_));
}

}  // namespace
}  // namespace pixmill
