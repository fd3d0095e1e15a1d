#pragma once
// The command numbers of the main window's toolbar, menus and tray menu. Every menu entry
// carries its number; the parts of the program that carry a command out attach to it through
// CMainDlg::setCommandHandler. The toolbar's and the "批量操作" menu's numbers (1011 to 1027,
// 32847 and 32850) come with the batch table.

#include "engine/batch/batch_table.h"

namespace pixmill::command {

// Main menu and tray menu.
inline constexpr int kUpdateCheck = 32792;
inline constexpr int kOtherWorks = 32793;
inline constexpr int kOptions = 32791;
inline constexpr int kDailyTip = 32885;
inline constexpr int kHelp = 32794;
inline constexpr int kShareFirst = 32795;  // seven share sites, 32795 to 32801
inline constexpr int kShareLast = 32801;
inline constexpr int kWebsite = 32802;
inline constexpr int kMailMe = 32803;
inline constexpr int kExit = 32805;
inline constexpr int kAbout = 0x10;

inline constexpr int kStartBatch = 1001;

}  // namespace pixmill::command
