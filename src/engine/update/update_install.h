#pragma once
// What happens to a downloaded new version: where it is stored, whether it may run, and the
// desktop launcher that points at it.

#include <QString>

#include "engine/platform/result.h"

namespace pixmill {

// The program folder when it is writable (isProgramFolderWritable), else the per-user data
// folder (created when missing). With a trailing separator.
QString updateDownloadFolder(const QString& programDir, const QString& userDataDir);

// True for an ELF executable or position-independent executable of this machine's word size.
bool isElfExecutable(const QString& path);

// Adds the execute bits for everyone who may read the file.
Result<> makeExecutable(const QString& path);

// Quotes one Exec argument of a desktop entry: inside double quotes, with '"', '`', '$' and
// '\' escaped, and the backslashes doubled once more for the string value.
QString quoteDesktopExecArgument(const QString& argument);

// The launcher text for `program`, shown as `displayName`.
QString desktopLauncherText(const QString& displayName, const QString& program);

// Writes displayName + ".desktop" into `desktopDir` (replacing an older one in one step) and
// marks it executable, which desktops require before they run a launcher. Returns the path.
Result<QString> writeDesktopLauncher(const QString& desktopDir, const QString& displayName,
                                     const QString& program);

}  // namespace pixmill
