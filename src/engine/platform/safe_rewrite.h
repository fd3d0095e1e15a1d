#pragma once
// Rewriting a user's file in place without ever leaving it half-written or losing it.
//
// The new content is written to the file's path + ".t" (an existing file of that name is
// removed first), flushed to disk, given the old permission mode, owner and group, with the
// access and modification times set to the old modification time, and then renamed over the
// original in one step. A symbolic link is followed: its target is rewritten and the link stays
// a link. Any failure removes the temporary file and leaves the original untouched.

#include <cstdint>
#include <span>
#include <string>

#include "engine/platform/file_ops.h"
#include "engine/platform/result.h"

namespace pixmill {

enum SafeRewriteError {
    kRewriteCannotResolve = 1,  // the path (or a link's target) does not exist
    kRewriteCannotWrite = 2,    // the temporary file could not be written
    kRewriteCannotReplace = 3,  // the final rename failed
};

// Keeps the original's times when `keepTimes` is set (the metadata commands); otherwise the
// rewritten file gets the current time as a freshly saved file does (rotation).
Result rewriteFileSafely(const std::string& path, std::span<const std::uint8_t> content,
                         bool keepTimes = true, FileOps& ops = systemFileOps());

// Writes `content` as the file at `path` (replacing one there) the same way: beside it first,
// then one rename, so `path` never holds a half-written file. The file gets the permissions a
// new file gets under the process's mask, and the current time.
Result writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content,
                          FileOps& ops = systemFileOps());

// The path whose bytes a rewrite of `path` replaces: the final target of a chain of symbolic
// links, or `path` itself. Empty when it cannot be resolved.
std::string resolveRewriteTarget(const std::string& path);

}  // namespace pixmill
