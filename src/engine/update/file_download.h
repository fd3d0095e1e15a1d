#pragma once
// Fetches one address into a file, asynchronously on the calling thread's event loop.
//
// The bytes go to a temporary file beside the target, which replaces the target only when the
// transfer is complete: HTTP status 200 and, when the server announced a length, exactly that
// many bytes. An abort, a cancelled credential prompt, a short body or any error leaves no file
// behind (and an older file of the same name untouched). Redirects are followed except from
// https: to http:.

#include <QNetworkAccessManager>
#include <QObject>
#include <QSaveFile>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

#include "engine/platform/result.h"

class QAuthenticator;
class QNetworkReply;

namespace pixmill {

struct DownloadCredentials {
    QString user;
    QString password;
};

// Asked on a 401 (or, with `proxy` set, a 407) challenge. An empty result means the user
// declined, which ends the download as aborted.
using CredentialPrompt = std::function<std::optional<DownloadCredentials>(
    const QString& host, const QString& realm, bool proxy)>;

enum class DownloadOutcome { Running, Completed, Aborted, Failed };

class FileDownload : public QObject {
    Q_OBJECT
  public:
    FileDownload(const QUrl& url, const QString& targetPath, QObject* parent = nullptr);
    ~FileDownload() override;

    void setCredentialPrompt(CredentialPrompt prompt) { credentialPrompt_ = std::move(prompt); }
    // Inactivity limit of the transfer.
    void setTransferTimeout(int ms) { transferTimeoutMs_ = ms; }

    // Starts the transfer; finished() follows exactly once, never from inside start().
    void start();
    // The user's cancel: the transfer stops and ends as aborted.
    void abort();

    DownloadOutcome outcome() const { return outcome_; }
    // Where the download stands (Running, Completed or Aborted), or, once it failed, the Error
    // whose message is the download dialog's words.
    Result<DownloadOutcome> result() const;
    qint64 receivedBytes() const { return received_; }
    const QUrl& url() const { return url_; }

  Q_SIGNALS:
    void connectingTo(const QString& host);
    void redirectingTo(const QUrl& address);
    void gettingFileInformation();
    // The file's bytes start arriving; `length` is -1 when the server gave none.
    void retrievingFile(qint64 length);
    void progressed(qint64 received, qint64 length);
    void finished();

  private:
    void sendRequest(const QUrl& address);
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void onAuthentication(QNetworkReply* reply, QAuthenticator* authenticator);
    void askCredentials(const QString& host, QAuthenticator* authenticator, bool proxy);
    void fail(const QString& text);
    void finish(DownloadOutcome outcome);
    QString finishedReplyError() const;

    QUrl url_;
    QUrl currentUrl_;
    QString targetPath_;
    CredentialPrompt credentialPrompt_;
    int transferTimeoutMs_ = 30000;
    QNetworkAccessManager manager_;
    QNetworkReply* reply_ = nullptr;  // owned, deleted later
    std::unique_ptr<QSaveFile> file_;
    qint64 length_ = -1;
    qint64 received_ = 0;
    bool receiving_ = false;
    bool userAborted_ = false;
    bool credentialsDeclined_ = false;
    int redirects_ = 0;
    DownloadOutcome outcome_ = DownloadOutcome::Running;
    Error error_;
};

}  // namespace pixmill
