#include "engine/update/update_feed.h"

#include <QStringDecoder>

#include <cerrno>

#include "engine/app/app_info.h"
#include "engine/platform/text_codec.h"
#include "engine/update/fixed_addresses.h"

namespace pixmill {

UpdateFeed initialUpdateFeed() {
    UpdateFeed feed;
    feed.help = fixedAddress(FixedAddress::Help);
    return feed;
}

bool findTagValue(const QString& document, const QString& tag, QString* value) {
    const QString opening = QLatin1Char('<') + tag + QLatin1Char('>');
    const qsizetype start = document.indexOf(opening);
    if (start < 0)
        return false;
    const qsizetype valueStart = start + opening.size();
    const qsizetype end = document.indexOf(QLatin1String("</"), valueStart);
    if (end < 0)
        return false;
    *value = document.mid(valueStart, end - valueStart);
    return true;
}

bool isAcceptableFeedVersion(const QString& version) {
    if (version.isEmpty() || version.size() > 32)
        return false;
    for (const QChar c : version) {
        const char16_t u = c.unicode();
        const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
        const bool digit = u >= '0' && u <= '9';
        if (!letter && !digit && u != '.' && u != '_' && u != '-')
            return false;
    }
    return true;
}

bool isAcceptableWebAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty();
}

bool isAcceptableMailAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && url.scheme() == QLatin1String("mailto") && !url.path().isEmpty();
}

Result<UpdateFeed> applyFeedDocument(const QString& document, UpdateFeed feed) {
    QString version;
    if (!findTagValue(document, QStringLiteral("version"), &version) ||
        !isAcceptableFeedVersion(version)) {
        return makeError(EINVAL, "the update feed names no usable version");
    }
    QString value;
    if (findTagValue(document, QStringLiteral("name"), &value))
        feed.name = value;
    feed.version = version;
    if (findTagValue(document, QStringLiteral("downurl"), &value)) {
        feed.downloadAddress = isAcceptableWebAddress(value) ? value : QString();
    }
    if (findTagValue(document, QStringLiteral("downurl2"), &value)) {
        feed.downloadAddress2 = isAcceptableWebAddress(value) ? value : QString();
    }
    if (findTagValue(document, QStringLiteral("help"), &value) && isAcceptableWebAddress(value)) {
        feed.help = value;
    }
    if (findTagValue(document, QStringLiteral("bbs"), &value) && isAcceptableWebAddress(value)) {
        feed.site = value;
        feed.forum = value;
    }
    if (findTagValue(document, QStringLiteral("news"), &value))
        feed.news = value;
    if (findTagValue(document, QStringLiteral("ad"), &value))
        feed.ad = value;
    if (findTagValue(document, QStringLiteral("mailme"), &value) &&
        isAcceptableMailAddress(value)) {
        feed.mailAddress = value;
    }
    return feed;
}

QString decodeFeedBody(const QByteArray& body) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return QString::fromStdString(gbkToUtf8(std::string_view(body.constData(), body.size())));
}

bool isCurrentVersion(const UpdateFeed& feed, const QString& ownVersion) {
    return feed.version.toUtf8() == ownVersion.toUtf8();
}

QString addressToDownload(const QString& feedAddress, bool windowsNames) {
    if (!windowsNames)
        return feedAddress;
    return QString(feedAddress).replace(QLatin1String(".rar"), QLatin1String(".exe"));
}

QString addressForBrowser(const QString& feedAddress, bool windowsNames) {
    if (!windowsNames)
        return feedAddress;
    return QString(feedAddress).replace(QLatin1String(".exe"), QLatin1String(".rar"));
}

QString updateFileName(const QString& version, bool windowsNames) {
    QString name = QString::fromUtf8(kShortName) + QLatin1String("_v") + version;
    if (windowsNames)
        name += QLatin1String(".exe");
    return name;
}

QUrl normalizeDownloadAddress(const QString& address) {
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return {};
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        url = QUrl(QStringLiteral("https://") + trimmed, QUrl::StrictMode);
    }
    const bool web =
        url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
    if (!url.isValid() || !web || url.host().isEmpty())
        return {};
    return url;
}

}  // namespace pixmill
