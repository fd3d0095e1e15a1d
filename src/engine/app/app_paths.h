#pragma once
// Where the program's files live on this machine.
//
// Program folder: the executable's folder (the build puts it in build/bin/ beside data/).
//   out/, WatermarkTemplate/, the watermark library "水印/" and skin/ live there; when that
//   folder is not writable (an installed copy) the writable ones fall back to the per-user data
//   folder ($XDG_DATA_HOME/Velumark/).
// Configuration folder: $XDG_CONFIG_HOME/Velumark/, holding the settings profile
//   "Velumark.conf" and the per-user profile file "profile.ini" (the error log).
//   PIXMILL_CONFIG_DIR, or the CLI's --config, points both elsewhere.
// All folders are returned with a trailing separator.

#include <QString>

namespace pixmill {

QString programDirectory();
// Tests and the CLI may set these before anything reads them.
void setProgramDirectory(const QString& folder);
void setConfigDirectory(const QString& folder);

QString configDirectory();
QString settingsFilePath();    // configDirectory() + "Velumark.conf"
QString profileIniPath();      // configDirectory() + "profile.ini"
QString userDataDirectory();   // $XDG_DATA_HOME/Velumark/

// The folder for a writable program subfolder ("out", "WatermarkTemplate"): inside the program
// folder when that is writable, otherwise inside the per-user data folder.
QString writableProgramSubfolder(const QString& name);
// The same for a given program folder.
QString writableSubfolderOf(const QString& programDir, const QString& name);

// Ends `folder` with exactly one separator (empty stays empty).
QString withTrailingSeparator(const QString& folder);

}  // namespace pixmill
