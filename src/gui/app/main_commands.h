#pragma once
// The command numbers of the main window's toolbar, menus and tray menu. Every menu entry
// carries its number; the parts of the program that carry a command out attach to it through
// CMainDlg::setCommandHandler.

namespace pixmill::command {

// Toolbar and the "批量操作" menu: the batch-operations dispatcher.
inline constexpr int kRename = 1011;
inline constexpr int kCrop = 1012;
inline constexpr int kRotateRight = 1013;
inline constexpr int kRotateLeft = 1014;
inline constexpr int kFlipHorizontal = 1015;
inline constexpr int kFlipVertical = 1016;
inline constexpr int kShiftTime = 1017;
inline constexpr int kResize = 1018;
inline constexpr int kDeleteExif = 1019;
inline constexpr int kDeleteComment = 1021;
inline constexpr int kAddComment = 1022;
inline constexpr int kDeleteNonOriginalExif = 1023;
inline constexpr int kPureJpeg = 1024;
inline constexpr int kImageWatermark = 1025;
inline constexpr int kTextWatermark = 1026;
inline constexpr int kMore = 1027;
inline constexpr int kOpenOutputFolder = 32847;
inline constexpr int kUndoRename = 32850;  // puts back the names of the folder's last rename

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
