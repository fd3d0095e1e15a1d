#include "engine/update/share_links.h"

#include "engine/app/app_info.h"
#include "engine/platform/text_codec.h"
#include "engine/update/fixed_addresses.h"

namespace pixmill {
namespace {

FixedAddress siteOf(ShareService service) {
    switch (service) {
        case ShareService::Sina:
            return FixedAddress::ShareSina;
        case ShareService::Tencent:
            return FixedAddress::ShareTencent;
        case ShareService::Sohu:
            return FixedAddress::ShareSohu;
        case ShareService::Netease:
            return FixedAddress::ShareNetease;
        case ShareService::Renren:
            return FixedAddress::ShareRenren;
        case ShareService::Kaixin:
            return FixedAddress::ShareKaixin;
        case ShareService::Qzone:
            return FixedAddress::ShareQzone;
    }
    return FixedAddress::ShareSina;
}

// Fills each "%s" of `pattern` with the next value.
QByteArray fillPattern(const char* pattern, std::initializer_list<QByteArray> values) {
    QByteArray out;
    const QByteArray text(pattern);
    auto value = values.begin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
            if (value != values.end())
                out += *value++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::optional<ShareService> shareServiceForMenuId(int menuId) {
    if (menuId < 32795 || menuId > 32801)
        return std::nullopt;
    return static_cast<ShareService>(menuId - 32795);
}

QByteArray shareTextGbk(const QString& displayName) {
    const QString text = QStringLiteral("分享一款小软件：%1 批量处理图片很方便").arg(displayName);
    const std::string utf8 = text.toStdString();
    // A display name GBK cannot spell is shared in UTF-8 rather than not at all.
    const std::optional<std::string> gbk = utf8ToGbk(utf8);
    const std::string& bytes = gbk ? *gbk : utf8;
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QByteArray percentEncodeHighBytes(const QByteArray& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray shareLink(const QString& helpAddress) {
    return helpAddress.toUtf8().replace("=", "%3D");
}

QByteArray shareAddressBytes(ShareService service, const QString& siteBase,
                             const QString& helpAddress, const QString& displayName) {
    const QByteArray text = shareTextGbk(displayName);
    const QByteArray encoded = percentEncodeHighBytes(text);
    const QByteArray link = shareLink(helpAddress);
    QByteArray base = siteBase.toUtf8();
    while (base.endsWith('/'))
        base.chop(1);
    switch (service) {
        case ShareService::Sina:
            return base +
                   fillPattern("/share/share.php?url=%s&title=%s&pic=%s", {link, encoded, {}});
        case ShareService::Tencent: {
            const QString unicode =
                QString::fromStdString(gbkToUtf8(std::string_view(text.constData(), text.size())));
            const QByteArray utf8 = percentEncodeHighBytes(unicode.toUtf8());
            return base + fillPattern("/share/share.php?title=%s&url=%s&site=%s&pic=%s",
                                      {utf8, link, link, {}});
        }
        case ShareService::Sohu:
            return base + fillPattern("/third/post.jsp?url=%s&title=%s&content=%s&pic=%s",
                                      {link, encoded, encoded, {}});
        case ShareService::Netease:
            return base + fillPattern("/article/user/checkLogin.do?info=%s+%s&images=%s",
                                      {encoded, link, {}});
        case ShareService::Renren:
            return base + fillPattern("/share/buttonshare.do?link=%s&title=%s", {link, encoded});
        case ShareService::Kaixin:
            return base + fillPattern("/repaste/share.php?rtitle=%s&rurl=%s&rcontent=%s",
                                      {text, link, link});
        case ShareService::Qzone:
            return base +
                   fillPattern("/cgi-bin/qzshare/cgi_qzshare_onekey?url=%s&title=%s", {link, text});
    }
    return {};
}

QUrl shareUrl(ShareService service, const QString& siteBase, const QString& helpAddress,
              const QString& displayName) {
    const QByteArray address = shareAddressBytes(service, siteBase, helpAddress, displayName);
    // QUrl reads encoded input as UTF-8, so raw GBK bytes (the unencoded text of Kaixin001 and
    // Qzone) are escaped here, byte for byte, as a browser given them would send them.
    return QUrl::fromEncoded(percentEncodeHighBytes(address), QUrl::TolerantMode);
}

QUrl shareUrl(ShareService service, const QString& helpAddress) {
    return shareUrl(service, fixedAddress(siteOf(service)), helpAddress,
                    QString::fromUtf8(kDisplayName));
}

}  // namespace pixmill
