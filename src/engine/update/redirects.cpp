#include "engine/update/redirects.h"

#include <QNetworkReply>

namespace pixmill {

QNetworkRequest uncachedRequest(const QUrl& url, int transferTimeoutMs) {
    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    return request;
}

RedirectStep redirectStepOf(const QNetworkReply& reply, int hopsSoFar) {
    RedirectStep step;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool redirectStatus =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (!redirectStatus)
        return step;
    step.redirected = true;
    const QUrl location = reply.header(QNetworkRequest::LocationHeader).toUrl();
    if (!location.isValid() || location.isEmpty()) {
        step.errorText = QStringLiteral("The server redirected without a valid address");
        return step;
    }
    const QUrl next = reply.url().resolved(location);
    const QString scheme = next.scheme().toLower();
    if (hopsSoFar >= kMaxRedirects) {
        step.errorText = QStringLiteral("Too many redirects");
    } else if (scheme != QLatin1String("https") &&
               (scheme != QLatin1String("http") ||
                reply.url().scheme().toLower() == QLatin1String("https"))) {
        step.errorText = QStringLiteral("Refused a redirect to %1").arg(next.toString());
    } else {
        step.next = next;
    }
    return step;
}

}  // namespace pixmill
