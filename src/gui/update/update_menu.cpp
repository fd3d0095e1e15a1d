#include "gui/update/update_menu.h"

#include "engine/update/menu_links.h"
#include "gui/update/daily_tip_dlg.h"
#include "gui/update/update_controller.h"

namespace pixmill {

bool runUpdateMenuCommand(int commandId, QWidget* mainWindow, UpdateController& updates,
                          AppSettings& settings, AddressOpener& opener) {
    const UpdateFeed& feed = updates.feed();
    switch (commandId) {
        case kCommandCheckForUpdate:
            updates.startUpdateCheck(UpdateCheckMode::Manual, mainWindow);
            return true;
        case kCommandOtherWorks:
        case kCommandWebsite:
            openMakerSite(feed, opener);
            return true;
        case kCommandHelp:
            openHelpPage(feed, opener);
            return true;
        case kCommandWriteToMaker:
            writeToMaker(feed, opener);
            return true;
        case kCommandDailyTip:
            showDailyTip(mainWindow, settings);
            return true;
        default:
            if (commandId >= kCommandShareFirst && commandId <= kCommandShareLast) {
                shareByMenuId(commandId, feed, opener);
                return true;
            }
            return false;
    }
}

}  // namespace pixmill
