#include "engine/update/http_get.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

#include "engine/update/redirects.h"

namespace pixmill {
namespace {

// Judges one finished answer (the last of its chain): its status, transport error and, when it
// announced one, its length against the body received.
void judgeFinalAnswer(const QNetworkReply& reply, HttpGetResult& result) {
    result.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply.error();
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (error != QNetworkReply::NoError && result.status == 0) {
        result.networkError = error;
        result.errorText = reply.errorString();
    } else if (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) {
        // A transport failure after the headers: the body is cut short.
        result.networkError = error;
        result.errorText = reply.errorString();
    } else if (length.isValid() && length.toLongLong() != result.body.size()) {
        result.errorText = QStringLiteral("Received %1 of %2 bytes")
                               .arg(result.body.size())
                               .arg(length.toLongLong());
    }
}

}  // namespace

HttpGetResult httpGet(const QUrl& url, const HttpGetOptions& options) {
    HttpGetResult result;
    QNetworkAccessManager manager;
    QUrl address = url;
    for (int hops = 0;; ++hops) {
        result.body.clear();
        std::unique_ptr<QNetworkReply> reply(
            manager.get(uncachedRequest(address, options.transferTimeoutMs)));
        QEventLoop loop;
        bool tooLarge = false;
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
            result.body += reply->readAll();
            if (result.body.size() > options.maxBytes) {
                tooLarge = true;
                reply->abort();
            }
        });
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        result.body += reply->readAll();
        if (tooLarge) {
            result.errorText =
                QStringLiteral("The response exceeds %1 bytes").arg(options.maxBytes);
            return result;
        }
        const RedirectStep step = redirectStepOf(*reply, hops);
        if (!step.redirected) {
            judgeFinalAnswer(*reply, result);
            return result;
        }
        if (!step.errorText.isEmpty()) {
            result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            result.body.clear();
            result.errorText = step.errorText;
            return result;
        }
        address = step.next;
    }
}

}  // namespace pixmill
