#pragma once
// Where the program's files live on this machine.
//
// Program folder: where the files that ship with the program are read from, found from the
// executable's folder (programLayoutFor):
//   - a build tree or an unpacked copy keeps everything beside the executable (build/bin/ with
//     the watermark library "水印/" and skin/ copied from data/);
//   - a copy installed under a prefix (<prefix>/bin/pixmill) reads them from
//     <prefix>/share/pixmill/; its skin library lies in <prefix>/lib/pixmill/ and is linked
//     into share/pixmill/skin/ by the installation.
// Folders the program writes into (out/, WatermarkTemplate/, a downloaded skin/, updates) live
// in the program folder only when that is a writable build-tree folder; an installed program
// folder is never written into, even by root, so that removing the package leaves nothing
// behind: they go to the per-user data folder ($XDG_DATA_HOME/Velumark/) instead.
// Configuration folder: $XDG_CONFIG_HOME/Velumark/, holding the settings profile
//   "Velumark.conf" and the per-user profile file "profile.ini" (the error log).
//   PIXMILL_CONFIG_DIR, or the CLI's --config, points both elsewhere.
// All folders are returned with a trailing separator.

#include <QString>

namespace pixmill {

// The installation's name for the program's own folders under share/ and lib/.
inline constexpr const char* kPackageFolderName = "pixmill";

struct ProgramLayout {
    QString executableDir;
    QString programDir;  // the program folder (see above)
    bool installed = false;
};

// Installed when `executableDir`/../share/pixmill/ is a folder; otherwise a build-tree copy
// whose program folder is the executable's own.
ProgramLayout programLayoutFor(const QString& executableDir);

QString programDirectory();
// The executables call this with their own folder; the program folder follows from it.
void setExecutableDirectory(const QString& folder);
// Tests and the CLI may set these before anything reads them.
void setProgramDirectory(const QString& folder);
void setConfigDirectory(const QString& folder);

QString configDirectory();
QString settingsFilePath();   // configDirectory() + "Velumark.conf"
QString profileIniPath();     // configDirectory() + "profile.ini"
QString userDataDirectory();  // $XDG_DATA_HOME/Velumark/

// True when `programDir` is an installed program folder (<prefix>/share/pixmill/).
bool isInstalledProgramFolder(const QString& programDir);
// True when the program may write into `programDir`: a build-tree folder this process can
// write into.
bool isProgramFolderWritable(const QString& programDir);

// The folder for a writable program subfolder ("out", "WatermarkTemplate"): inside the program
// folder when that is writable, otherwise inside the per-user data folder.
QString writableProgramSubfolder(const QString& name);
// The same for a given program folder.
QString writableSubfolderOf(const QString& programDir, const QString& name);

// Ends `folder` with exactly one separator (empty stays empty).
QString withTrailingSeparator(const QString& folder);

}  // namespace pixmill
