#pragma once
// The "分享推荐" share pages of seven social sites. Each page address is assembled from the
// exact bytes the sites expect (the share text in GBK, percent-encoded byte by byte; UTF-8 for
// Tencent Weibo), then turned into a URL in tolerant mode so that only what a URL cannot carry
// (spaces, raw high bytes) is escaped on top.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace pixmill {

enum class ShareService { Sina, Tencent, Sohu, Netease, Renren, Kaixin, Qzone };

// Menu ids 32795..32801 in the order above.
std::optional<ShareService> shareServiceForMenuId(int menuId);

// "分享一款小软件：%s 批量处理图片很方便" with the display name, in GBK.
QByteArray shareTextGbk(const QString& displayName);
// Every byte of value 0x80 or above as "%" and two upper-case hex digits; all others as they are.
QByteArray percentEncodeHighBytes(const QByteArray& bytes);
// The help address with every "=" written as "%3D".
QByteArray shareLink(const QString& helpAddress);

// The page address as bytes, before URL escaping: the site base + the service's path and query.
QByteArray shareAddressBytes(ShareService service, const QString& siteBase,
                             const QString& helpAddress, const QString& displayName);
// The address handed to the browser.
QUrl shareUrl(ShareService service, const QString& siteBase, const QString& helpAddress,
              const QString& displayName);
// The same with the service's built-in (or overridden) site and the program's display name.
QUrl shareUrl(ShareService service, const QString& helpAddress);

}  // namespace pixmill
