#pragma once
// The main window's commands of updates, sharing, help and tips, by menu id, so the window
// routes them with one call.

#include "engine/update/address_opener.h"

class QWidget;

namespace pixmill {

class AppSettings;
class UpdateController;

enum UpdateMenuCommand {
    kCommandCheckForUpdate = 32792,  // "更新升级"
    kCommandOtherWorks = 32793,      // "查看其他作品"
    kCommandHelp = 32794,            // "使用帮助？"
    kCommandShareFirst = 32795,      // "新浪微博" .. "QQ空间": 32795..32801
    kCommandShareLast = 32801,
    kCommandWebsite = 32802,       // "官方网站"
    kCommandWriteToMaker = 32803,  // "给我写信"
    kCommandDailyTip = 32885,      // "每日一帖"
};

// Carries out `commandId` and returns true, or returns false for an id that is not one of the
// above. "更新升级" while a check runs is taken (true) but ignored.
bool runUpdateMenuCommand(int commandId, QWidget* mainWindow, UpdateController& updates,
                          AppSettings& settings, AddressOpener& opener = desktopAddressOpener());

}  // namespace pixmill
