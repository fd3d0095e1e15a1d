#include "engine/update/menu_links.h"

#include <cerrno>

#include "engine/platform/status.h"
#include "engine/update/fixed_addresses.h"

namespace pixmill {

Result<> openHelpPage(const UpdateFeed& feed, AddressOpener& opener) {
    return openAddress(feed.help.isEmpty() ? fixedAddress(FixedAddress::Help) : feed.help, opener);
}

Result<> openMakerSite(const UpdateFeed& feed, AddressOpener& opener) {
    return openAddress(feed.site.isEmpty() ? fixedAddress(FixedAddress::Site) : feed.site, opener);
}

Result<> writeToMaker(const UpdateFeed& feed, AddressOpener& opener) {
    if (feed.mailAddress.isEmpty()) {
        setStatusText(1, kNoMailAddressText);
        return makeError(kNoMailAddressText, Severity::Warning);
    }
    return openAddress(feed.mailAddress, opener);
}

void showOpenFailure(const Result<>& opened) {
    if (!opened && opened.severity() == Severity::Error)
        setStatusText(1, opened.message());
}

Result<> shareOn(ShareService service, const UpdateFeed& feed, AddressOpener& opener) {
    const QString help = feed.help.isEmpty() ? fixedAddress(FixedAddress::Help) : feed.help;
    return openAddress(shareUrl(service, help), opener);
}

Result<> shareByMenuId(int menuId, const UpdateFeed& feed, AddressOpener& opener) {
    const std::optional<ShareService> service = shareServiceForMenuId(menuId);
    if (!service)
        return makeError(EINVAL, "menu id " + std::to_string(menuId) + " shares nowhere");
    return shareOn(*service, feed, opener);
}

}  // namespace pixmill
