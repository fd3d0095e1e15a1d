#pragma once
// A blocking HTTP GET for worker threads (the update check, the skin download). It runs its
// own network manager and event loop on the calling thread, so it must not be called on a
// thread whose event loop is needed meanwhile (the GUI thread). Redirects are followed, never
// from https: to http:, and only the last answer's headers count.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "engine/platform/result.h"

namespace pixmill {

struct HttpGetOptions {
    // Inactivity limit: the request fails when no byte arrives for this long.
    int transferTimeoutMs = 10000;
    // Bodies larger than this are refused; nothing the program fetches this way is big.
    qint64 maxBytes = 8 * 1024 * 1024;
};

// A response that arrived with no transport error and, when the server announced a length,
// exactly that many bytes; its status may still be any.
struct HttpResponse {
    int status = 0;
    QByteArray body;
};

// The answer, or why none arrived whole: the code is the QNetworkReply::NetworkError of a
// transport failure, -1 for a body cut short or too large and for a refused redirect.
Result<HttpResponse> httpGet(const QUrl& url, const HttpGetOptions& options = {});

}  // namespace pixmill
