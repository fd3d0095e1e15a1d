#pragma once
// The update feed: a small tag-delimited text document (Velumark.xml) that names the newest
// version, where to download it, and the addresses behind the help, site and mail entries.
//
// Each value is the text between the first occurrence of its opening tag and the first "</"
// after it; nothing else of XML is interpreted. Values are checked before use because they
// end up in file names, launchers and opened addresses: see applyFeedDocument.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include "engine/platform/result.h"

namespace pixmill {

struct UpdateFeed {
    QString name;
    QString version;
    QString downloadAddress;
    QString downloadAddress2;
    QString help;  // the built-in help page until a feed gives another
    QString site;
    QString forum;
    QString news;
    QString ad;
    QString mailAddress;
};

// A feed with the built-in help page and every other field empty.
UpdateFeed initialUpdateFeed();

// The text between `<tag>` and the first "</" after it; false when the tag is absent (or
// never closed).
bool findTagValue(const QString& document, const QString& tag, QString* value);

// `feed` with the document's values. Missing tags leave their field as it was; a value that
// fails its check counts as missing, except a bad download address, which clears the field so
// an older address is never fetched under a newer version's name. An Error when the document
// has no usable <version>: such a document (a captive portal's page, an error page) counts as
// a failed fetch.
Result<UpdateFeed> applyFeedDocument(const QString& document, UpdateFeed feed);

// 1 to 32 characters of ASCII letters, digits, ".", "_" and "-".
bool isAcceptableFeedVersion(const QString& version);
// An absolute https: address with a host.
bool isAcceptableWebAddress(const QString& address);
// A mailto: address with a recipient.
bool isAcceptableMailAddress(const QString& address);

// The feed body as text: UTF-8 when it is valid UTF-8, else GBK (the feed's historic encoding).
QString decodeFeedBody(const QByteArray& body);

// Only an identical version text counts as current: a lower one is still offered.
bool isCurrentVersion(const UpdateFeed& feed, const QString& ownVersion);

// The Windows build downloads the ".exe" beside a ".rar" and sends the browser to the ".rar";
// elsewhere the feed's address is used as given.
#ifdef Q_OS_WIN
inline constexpr bool kWindowsUpdateNames = true;
#else
inline constexpr bool kWindowsUpdateNames = false;
#endif
QString addressToDownload(const QString& feedAddress, bool windowsNames = kWindowsUpdateNames);
QString addressForBrowser(const QString& feedAddress, bool windowsNames = kWindowsUpdateNames);

// The downloaded program's file name: "Velumark_v" + version, plus ".exe" on Windows.
QString updateFileName(const QString& version, bool windowsNames = kWindowsUpdateNames);

// The address a download dialog fetches: one without a scheme gets "https://" in front.
// Invalid (empty QUrl) unless the result is an http: or https: address with a host.
QUrl normalizeDownloadAddress(const QString& address);

}  // namespace pixmill
