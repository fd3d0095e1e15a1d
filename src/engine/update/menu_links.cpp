#include "engine/update/menu_links.h"

#include "engine/platform/status.h"
#include "engine/update/fixed_addresses.h"

namespace pixmill {

bool openHelpPage(const UpdateFeed& feed, AddressOpener& opener) {
    return openAddress(feed.help.isEmpty() ? fixedAddress(FixedAddress::Help) : feed.help, opener);
}

bool openMakerSite(const UpdateFeed& feed, AddressOpener& opener) {
    return openAddress(feed.site.isEmpty() ? fixedAddress(FixedAddress::Site) : feed.site, opener);
}

bool writeToMaker(const UpdateFeed& feed, AddressOpener& opener) {
    if (feed.mailAddress.isEmpty()) {
        setStatusText(1, kNoMailAddressText);
        return false;
    }
    return openAddress(feed.mailAddress, opener);
}

bool shareOn(ShareService service, const UpdateFeed& feed, AddressOpener& opener) {
    const QString help = feed.help.isEmpty() ? fixedAddress(FixedAddress::Help) : feed.help;
    return openAddress(shareUrl(service, help), opener);
}

bool shareByMenuId(int menuId, const UpdateFeed& feed, AddressOpener& opener) {
    const std::optional<ShareService> service = shareServiceForMenuId(menuId);
    return service && shareOn(*service, feed, opener);
}

}  // namespace pixmill
