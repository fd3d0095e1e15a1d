#include "gui/update/update_menu.h"

#include "engine/update/menu_links.h"
#include "gui/update/daily_tip_dlg.h"
#include "gui/update/update_controller.h"

namespace pixmill {

bool runUpdateMenuCommand(int commandId, QWidget* mainWindow, UpdateController& updates,
                          AppSettings& settings, AddressOpener& opener) {
    const UpdateFeed& feed = updates.feed();
    // An address that cannot be opened says why in the status line; "给我写信" without an
    // address has said so there itself.
    switch (commandId) {
        case kCommandCheckForUpdate:
            updates.startUpdateCheck(UpdateCheckMode::Manual, mainWindow);
            return true;
        case kCommandOtherWorks:
        case kCommandWebsite:
            showOpenFailure(openMakerSite(feed, opener));
            return true;
        case kCommandHelp:
            showOpenFailure(openHelpPage(feed, opener));
            return true;
        case kCommandWriteToMaker:
            showOpenFailure(writeToMaker(feed, opener));
            return true;
        case kCommandDailyTip:
            showDailyTip(mainWindow, settings);
            return true;
        default:
            if (commandId >= kCommandShareFirst && commandId <= kCommandShareLast) {
                showOpenFailure(shareByMenuId(commandId, feed, opener));
                return true;
            }
            return false;
    }
}

}  // namespace pixmill
