#include "engine/update/fixed_addresses.h"

#include <iterator>

namespace pixmill {
namespace {

struct AddressEntry {
    FixedAddress which;
    const char* variable;
    const char* address;
};

// The share sites are given by host only; the share code appends each service's path.
constexpr AddressEntry kAddresses[] = {
    {FixedAddress::Feed, "PIXMILL_FEED_URL", "https://www.pixmill.org/update/Velumark.xml"},
    {FixedAddress::Help, "PIXMILL_HELP_URL", "https://www.pixmill.org/help/"},
    {FixedAddress::Site, "PIXMILL_SITE_URL", "https://www.pixmill.org/"},
    {FixedAddress::SkinBase1, "PIXMILL_SKIN_BASE1_URL", "https://www.pixmill.org/"},
    {FixedAddress::SkinBase2, "PIXMILL_SKIN_BASE2_URL", "https://mirror.pixmill.org/"},
    {FixedAddress::ShareSina, "PIXMILL_SHARE_SINA_URL", "https://service.weibo.com"},
    {FixedAddress::ShareTencent, "PIXMILL_SHARE_TENCENT_URL", "https://share.v.t.qq.com"},
    {FixedAddress::ShareSohu, "PIXMILL_SHARE_SOHU_URL", "https://t.sohu.com"},
    {FixedAddress::ShareNetease, "PIXMILL_SHARE_NETEASE_URL", "https://t.163.com"},
    {FixedAddress::ShareRenren, "PIXMILL_SHARE_RENREN_URL", "https://widget.renren.com"},
    {FixedAddress::ShareKaixin, "PIXMILL_SHARE_KAIXIN_URL", "https://www.kaixin001.com"},
    {FixedAddress::ShareQzone, "PIXMILL_SHARE_QZONE_URL", "https://sns.qzone.qq.com"},
};

const AddressEntry& entryOf(FixedAddress which) {
    for (const AddressEntry& entry : kAddresses) {
        if (entry.which == which)
            return entry;
    }
    return kAddresses[0];
}

}  // namespace

const char* fixedAddressVariable(FixedAddress which) {
    return entryOf(which).variable;
}

const char* builtInAddress(FixedAddress which) {
    return entryOf(which).address;
}

QString fixedAddress(FixedAddress which) {
    const AddressEntry& entry = entryOf(which);
    const QString overridden = qEnvironmentVariable(entry.variable);
    if (!overridden.isEmpty())
        return overridden;
    return QString::fromUtf8(entry.address);
}

}  // namespace pixmill
