#pragma once
// Redirects of the program's own HTTP requests are followed by hand, one fresh request per
// hop, so that every header of an answer (above all its Content-Length) belongs to that answer
// alone and never to an earlier hop of the chain.

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

class QNetworkReply;

namespace pixmill {

// Hops followed before a chain is given up as a loop.
inline constexpr int kMaxRedirects = 10;

struct RedirectStep {
    bool redirected = false;  // the answer is a redirect; `next` or `errorText` is set
    QUrl next;
    QString errorText;
};

// A GET request that leaves redirects to the caller and never comes from a cache.
QNetworkRequest uncachedRequest(const QUrl& url, int transferTimeoutMs);

// What a finished answer means for its chain after `hopsSoFar` redirects: not a redirect, the
// next address, or a refusal (too many hops, a missing address, https: to anything else).
RedirectStep redirectStepOf(const QNetworkReply& reply, int hopsSoFar);

}  // namespace pixmill
