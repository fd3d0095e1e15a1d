#pragma once
// The main menu's help, site, mail and share entries: each opens an address taken from the
// update feed, through the address opener, and answers openAddress's Result.

#include "engine/update/address_opener.h"
#include "engine/update/share_links.h"
#include "engine/update/update_feed.h"

namespace pixmill {

// "使用帮助？": the feed's help page (the built-in one until a feed gives another).
Result<> openHelpPage(const UpdateFeed& feed, AddressOpener& opener = desktopAddressOpener());
// "查看其他作品" and "官方网站": the feed's site, or the built-in site before any feed gave one.
Result<> openMakerSite(const UpdateFeed& feed, AddressOpener& opener = desktopAddressOpener());
// "给我写信": the feed's mail address; before a feed gave one, says so in the status line (and
// answers that text as a Warning).
Result<> writeToMaker(const UpdateFeed& feed, AddressOpener& opener = desktopAddressOpener());
// The share entries, by service or by menu id (32795..32801; other ids open nothing and
// answer an Error, EINVAL).
Result<> shareOn(ShareService service, const UpdateFeed& feed,
                 AddressOpener& opener = desktopAddressOpener());
Result<> shareByMenuId(int menuId, const UpdateFeed& feed,
                       AddressOpener& opener = desktopAddressOpener());

// Puts why an address did not open into the status line (part 1), so a menu entry or button
// that opens nothing does not look ignored. A Warning has already said so; success says nothing.
void showOpenFailure(const Result<>& opened);

// The status text of "给我写信" without a known address.
inline constexpr const char* kNoMailAddressText = "还没有获取到联系邮箱地址，请先检查更新";

}  // namespace pixmill
