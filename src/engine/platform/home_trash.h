#pragma once
// The user's trash as the freedesktop.org trash specification lays it out: the folder
// $XDG_DATA_HOME/Trash (or ~/.local/share/Trash) with "files" for the moved files and "info"
// for one .trashinfo record each, so that the desktop's file manager can list and restore them.
// The folders are created when missing; a file is never moved anywhere else.

#include <QString>

namespace pixmill {

// The trash folder for the environment's data and home folders; empty when neither gives an
// absolute path.
QString homeTrashFolder(const QString& xdgDataHome, const QString& home);

// Creates `trash`/files and `trash`/info (owner-only) where missing. False when either is not a
// folder afterwards.
bool ensureTrashFolders(const QString& trash);

// Moves `path` into `trash`/files under a name no other trashed file has, after writing its
// record into `trash`/info. False, with the file left in place and no record, when the move
// fails; `error` then holds errno (EXDEV: the file lies on another file system).
bool moveIntoTrash(const QString& path, const QString& trash, int* error = nullptr);

}  // namespace pixmill
