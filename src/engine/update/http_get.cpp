#include "engine/update/http_get.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace pixmill {

HttpGetResult httpGet(const QUrl& url, const HttpGetOptions& options) {
    HttpGetResult result;
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(options.transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    // Redirects are followed, but never from https: to http:.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));

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

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (tooLarge) {
        result.errorText = QStringLiteral("The response exceeds %1 bytes").arg(options.maxBytes);
    } else if (error != QNetworkReply::NoError && result.status == 0) {
        result.networkError = error;
        result.errorText = reply->errorString();
    } else if (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) {
        // A transport failure after the headers: the body is cut short.
        result.networkError = error;
        result.errorText = reply->errorString();
    } else if (length.isValid() && length.toLongLong() != result.body.size()) {
        result.errorText = QStringLiteral("Received %1 of %2 bytes")
                               .arg(result.body.size())
                               .arg(length.toLongLong());
    }
    return result;
}

}  // namespace pixmill
