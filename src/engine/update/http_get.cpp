#include "engine/update/http_get.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

#include "engine/update/redirects.h"

namespace pixmill {
namespace {

Error httpError(int code, const QString& text) {
    return makeError(code, text.toStdString());
}

// Judges one finished answer (the last of its chain): its status, transport error and, when it
// announced one, its length against the body received.
Result<HttpResponse> judgeFinalAnswer(const QNetworkReply& reply, QByteArray body) {
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply.error();
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    if (error != QNetworkReply::NoError && status == 0)
        return httpError(error, reply.errorString());
    if (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) {
        // A transport failure after the headers: the body is cut short.
        return httpError(error, reply.errorString());
    }
    if (length.isValid() && length.toLongLong() != body.size()) {
        return httpError(
            -1,
            QStringLiteral("Received %1 of %2 bytes").arg(body.size()).arg(length.toLongLong()));
    }
    return HttpResponse{status, std::move(body)};
}

}  // namespace

Result<HttpResponse> httpGet(const QUrl& url, const HttpGetOptions& options) {
    QByteArray body;
    QNetworkAccessManager manager;
    QUrl address = url;
    for (int hops = 0;; ++hops) {
        body.clear();
        std::unique_ptr<QNetworkReply> reply(
            manager.get(uncachedRequest(address, options.transferTimeoutMs)));
        QEventLoop loop;
        bool tooLarge = false;
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
            body += reply->readAll();
            if (body.size() > options.maxBytes) {
                tooLarge = true;
                reply->abort();
            }
        });
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        body += reply->readAll();
        if (tooLarge)
            return httpError(-1,
                             QStringLiteral("The response exceeds %1 bytes").arg(options.maxBytes));
        const RedirectStep step = redirectStepOf(*reply, hops);
        if (!step.redirected)
            return judgeFinalAnswer(*reply, std::move(body));
        if (!step.errorText.isEmpty())
            return httpError(-1, step.errorText);
        address = step.next;
    }
}

}  // namespace pixmill
