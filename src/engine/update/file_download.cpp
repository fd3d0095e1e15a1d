#include "engine/update/file_download.h"

#include <QAuthenticator>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <cerrno>

#include "engine/update/redirects.h"

namespace pixmill {
namespace {

constexpr int kFirstContentError = QNetworkReply::ContentAccessDenied;

}  // namespace

FileDownload::FileDownload(const QUrl& url, const QString& targetPath, QObject* parent)
    : QObject(parent), url_(url), currentUrl_(url), targetPath_(targetPath) {
    connect(&manager_, &QNetworkAccessManager::authenticationRequired, this,
            &FileDownload::onAuthentication);
    connect(&manager_, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            [this](const QNetworkProxy& proxy, QAuthenticator* authenticator) {
                askCredentials(proxy.hostName(), authenticator, true);
            });
}

FileDownload::~FileDownload() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        delete reply_;
    }
    if (file_)
        file_->cancelWriting();
}

void FileDownload::start() {
    file_ = std::make_unique<QSaveFile>(targetPath_);
    // The rename at the end replaces the target in one step; nothing may write it directly.
    file_->setDirectWriteFallback(false);
    errno = 0;
    if (!file_->open(QIODevice::WriteOnly)) {
        const int error = errno != 0 ? errno : int(file_->error());
        file_.reset();
        error_ = makeError(error, QStringLiteral("An error occured while opening the file to be "
                                                 "downloaded, Error:%1")
                                      .arg(error)
                                      .toStdString());
        QTimer::singleShot(0, this, [this] { finish(DownloadOutcome::Failed); });
        return;
    }
    sendRequest(url_);
}

void FileDownload::sendRequest(const QUrl& address) {
    QNetworkRequest request = uncachedRequest(address, transferTimeoutMs_);
    request.setRawHeader("Accept", "*/*");
    reply_ = manager_.get(request);
    connect(reply_, &QNetworkReply::socketStartedConnecting, this,
            [this] { Q_EMIT connectingTo(currentUrl_.host()); });
    connect(reply_, &QNetworkReply::metaDataChanged, this, &FileDownload::onMetaData);
    connect(reply_, &QNetworkReply::readyRead, this, &FileDownload::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &FileDownload::onFinished);
}

void FileDownload::abort() {
    if (outcome_ != DownloadOutcome::Running)
        return;
    userAborted_ = true;
    if (reply_) {
        reply_->abort();  // finished() follows
    } else {
        QTimer::singleShot(0, this, [this] { finish(DownloadOutcome::Aborted); });
    }
}

void FileDownload::onMetaData() {
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200 || receiving_)
        return;
    receiving_ = true;
    Q_EMIT gettingFileInformation();
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    length_ = length.isValid() ? length.toLongLong() : -1;
    Q_EMIT retrievingFile(length_);
}

void FileDownload::onReadyRead() {
    if (!receiving_ || outcome_ != DownloadOutcome::Running) {
        reply_->readAll();  // the body of a challenge or an error page
        return;
    }
    const QByteArray block = reply_->readAll();
    if (block.isEmpty())
        return;
    if (file_->write(block) != block.size()) {
        fail(QStringLiteral("An error occurred while downloading the file, Error:%1")
                 .arg(int(file_->error())));
        return;
    }
    received_ += block.size();
    if (length_ >= 0 && received_ > length_) {
        fail(QStringLiteral("The server sent more than the announced %1 bytes").arg(length_));
        return;
    }
    Q_EMIT progressed(received_, length_);
}

void FileDownload::onFinished() {
    if (outcome_ != DownloadOutcome::Running)
        return;
    if (userAborted_ || credentialsDeclined_) {
        finish(DownloadOutcome::Aborted);
        return;
    }
    const RedirectStep step = redirectStepOf(*reply_, redirects_);
    if (step.redirected && !receiving_) {
        if (!step.errorText.isEmpty()) {
            fail(step.errorText);
            return;
        }
        // A fresh request for the next hop: nothing of this answer carries over.
        ++redirects_;
        reply_->disconnect(this);
        reply_->deleteLater();
        currentUrl_ = step.next;
        Q_EMIT redirectingTo(step.next);
        sendRequest(step.next);
        return;
    }
    if (receiving_ && reply_->bytesAvailable() > 0)
        onReadyRead();
    if (outcome_ != DownloadOutcome::Running)
        return;
    const QString error = finishedReplyError();
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    if (!file_->commit()) {
        file_.reset();
        fail(QStringLiteral("An error occurred while downloading the file, Error:%1").arg(errno));
        return;
    }
    file_.reset();
    finish(DownloadOutcome::Completed);
}

QString FileDownload::finishedReplyError() const {
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply_->error();
    if (status == 0) {
        if (error != QNetworkReply::NoError && error < kFirstContentError) {
            return QStringLiteral("An error occurred connecting to the server, Error:%1")
                .arg(int(error));
        }
        return QStringLiteral("Failed to receive a valid response from the server");
    }
    if (status != 200)
        return QStringLiteral("Failed to receive a valid HTTP response from the server");
    if (error != QNetworkReply::NoError) {
        return QStringLiteral("An error occurred while downloading the file, Error:%1")
            .arg(int(error));
    }
    if (length_ >= 0 && received_ != length_) {
        return QStringLiteral("The transfer ended after %1 of %2 bytes")
            .arg(received_)
            .arg(length_);
    }
    return {};
}

void FileDownload::onAuthentication(QNetworkReply*, QAuthenticator* authenticator) {
    askCredentials(currentUrl_.host(), authenticator, false);
}

void FileDownload::askCredentials(const QString& host, QAuthenticator* authenticator, bool proxy) {
    std::optional<DownloadCredentials> credentials;
    if (credentialPrompt_ && !userAborted_) {
        credentials = credentialPrompt_(host, authenticator->realm(), proxy);
    }
    if (!credentials) {
        // Leaving the authenticator empty makes the reply finish with the challenge's status.
        credentialsDeclined_ = true;
        return;
    }
    authenticator->setUser(credentials->user);
    authenticator->setPassword(credentials->password);
}

void FileDownload::fail(const QString& text) {
    error_ = makeError(text.toStdString());
    finish(DownloadOutcome::Failed);
}

Result<DownloadOutcome> FileDownload::result() const {
    if (outcome_ == DownloadOutcome::Failed)
        return error_;
    return outcome_;
}

void FileDownload::finish(DownloadOutcome outcome) {
    if (outcome_ != DownloadOutcome::Running)
        return;
    outcome_ = outcome;
    if (file_) {
        file_->cancelWriting();
        file_.reset();
    }
    if (reply_) {
        reply_->disconnect(this);
        if (!reply_->isFinished())
            reply_->abort();
        reply_->deleteLater();
        reply_ = nullptr;
    }
    Q_EMIT finished();
}

}  // namespace pixmill
