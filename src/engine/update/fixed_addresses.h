#pragma once
// Every web address the program knows at build time. Each one is HTTPS and can be replaced for
// a run by an environment variable PIXMILL_<NAME>_URL (tests point them at loopback servers).

#include <QString>

namespace pixmill {

enum class FixedAddress {
    Feed,          // PIXMILL_FEED_URL: the update feed document Velumark.xml
    Help,          // PIXMILL_HELP_URL: the built-in help page
    Site,          // PIXMILL_SITE_URL: the maker's site
    SkinBase1,     // PIXMILL_SKIN_BASE1_URL: first place to fetch res/skin.dat and res/skin.she
    SkinBase2,     // PIXMILL_SKIN_BASE2_URL: the fallback
    ShareSina,     // PIXMILL_SHARE_SINA_URL
    ShareTencent,  // PIXMILL_SHARE_TENCENT_URL
    ShareSohu,     // PIXMILL_SHARE_SOHU_URL
    ShareNetease,  // PIXMILL_SHARE_NETEASE_URL
    ShareRenren,   // PIXMILL_SHARE_RENREN_URL
    ShareKaixin,   // PIXMILL_SHARE_KAIXIN_URL
    ShareQzone,    // PIXMILL_SHARE_QZONE_URL
};

// The address, or the value of its environment variable when that is set and not empty.
QString fixedAddress(FixedAddress which);
// The environment variable's name, e.g. "PIXMILL_FEED_URL".
const char* fixedAddressVariable(FixedAddress which);
// The value compiled into the program, ignoring the environment.
const char* builtInAddress(FixedAddress which);

}  // namespace pixmill
