#pragma once
// A blocking HTTP GET for worker threads (the update check, the skin download). It runs its
// own network manager and event loop on the calling thread, so it must not be called on a
// thread whose event loop is needed meanwhile (the GUI thread). Redirects are followed, never
// from https: to http:, and only the last answer's headers count.

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace pixmill {

struct HttpGetOptions {
    // Inactivity limit: the request fails when no byte arrives for this long.
    int transferTimeoutMs = 10000;
    // Bodies larger than this are refused; nothing the program fetches this way is big.
    qint64 maxBytes = 8 * 1024 * 1024;
};

struct HttpGetResult {
    int status = 0;        // HTTP status, 0 when no response arrived
    int networkError = 0;  // QNetworkReply::NetworkError, 0 for none
    QString errorText;     // empty on success
    QByteArray body;
    // A response arrived with no transport error and, when the server announced a length,
    // exactly that many bytes.
    bool complete() const { return errorText.isEmpty(); }
};

HttpGetResult httpGet(const QUrl& url, const HttpGetOptions& options = {});

}  // namespace pixmill
