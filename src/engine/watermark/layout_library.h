#pragma once
// Saved watermark layouts: a layout kept under a name of the user's choosing, as the file
// "<name>.layout" in the layout archive format, in the template folder (WatermarkTemplate/,
// where the batch's water.tmp also lives). The name is the file name, so it must be one on
// every desktop the program runs on: Windows' rules are the stricter, and they apply here too,
// so that a folder of layouts can be carried from one machine to another.

#include <string>
#include <vector>

#include "engine/platform/file_ops.h"
#include "engine/platform/result.h"
#include "engine/watermark/control_tracker.h"

namespace pixmill {

inline constexpr const char* kSavedLayoutExtension = ".layout";

// Error codes of the calls below (besides errno values from the file system).
enum LayoutLibraryError {
    kLayoutBadName = 1,  // the name is no valid file name
    kLayoutMissing = 2,  // no saved layout of that name
    kLayoutDamaged = 3,  // the file is there but holds no whole layout
    kLayoutNotWritten = 4,
};

// Why `name` (UTF-8) cannot name a saved layout, as a message for the user; empty when it can.
// Refused: an empty or blank name, "/" or "\", characters Windows keeps out of file names
// (< > : " | ? * and control characters), a leading or trailing space, a leading or trailing
// ".", Windows' device names (CON, NUL, COM1, ...) and a file name longer than 255 bytes.
std::string layoutNameProblem(const std::string& name);

// templateDir (with or without a trailing separator) + name + ".layout".
std::string savedLayoutPath(const std::string& templateDir, const std::string& name);

// The names of the layouts saved in `templateDir`, sorted; empty when the folder is missing.
std::vector<std::string> savedLayoutNames(const std::string& templateDir);

// Whether a layout named `name` is saved in `templateDir` (false for an invalid name).
bool savedLayoutExists(const std::string& templateDir, const std::string& name);

// Writes `group`'s layout as the saved layout `name`, replacing one of that name; the folder is
// created when missing. The file is written beside its place and moved in with one rename, so
// an earlier layout of that name stays whole when the write fails.
Result<> saveNamedLayout(CControlTracker& group, const std::string& templateDir,
                         const std::string& name, FileOps& fileOps = systemFileOps());

// Replaces `group`'s layout with the saved layout `name` (pictures decoded, layers owned by
// `ownerWindow`). On failure the group is unchanged; the error says whether the name is invalid,
// missing or its file damaged.
Result<> loadNamedLayout(CControlTracker& group, const std::string& templateDir,
                         const std::string& name, LayerRepaintTarget* ownerWindow);

// The layout file the command line's --layout argument means: `argument` itself when it names
// an existing file; otherwise the saved layout of that name in `templateDir` (the argument may
// carry the ".layout" extension). An error (kLayoutMissing) when it is neither.
Result<std::string> resolveLayoutArgument(const std::string& argument,
                                          const std::string& templateDir);

}  // namespace pixmill
