#pragma once
// The few file operations through which the engine changes the user's files. Everything that
// rewrites, moves or deletes a photo goes through a FileOps, so that a test can make the n-th
// operation fail (as root, which CI runs as, permissions stop nothing). Every call returns a
// Result whose failure carries the errno value as its code; none of them throws.

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/platform/result.h"

namespace pixmill {

class FileOps {
  public:
    virtual ~FileOps() = default;

    // Creates `path` (it must not exist), writes `data`, flushes it to disk and, when
    // `attributes` is given, gives the file that mode, owner and group, with its access and
    // modification times both set to the attributes' modification time. A failure removes
    // whatever was created.
    virtual Result<> writeNewFile(const std::string& path, std::span<const std::uint8_t> data,
                                  const struct stat* attributes);
    // As writeNewFile, but not flushed: flushFiles does that, for many files at once.
    virtual Result<> writeNewFileUnflushed(const std::string& path,
                                           std::span<const std::uint8_t> data,
                                           const struct stat* attributes);
    // Flushes the files (contents and attributes) to disk together; one result per path.
    virtual std::vector<Result<>> flushFiles(std::span<const std::string> paths);
    // rename(2): replaces `to` atomically when it exists.
    virtual Result<> renameReplacing(const std::string& from, const std::string& to);
    // A move that never replaces: an existing `to` fails with EEXIST.
    virtual Result<> moveNoReplace(const std::string& from, const std::string& to);
    virtual Result<> removeFile(const std::string& path);
    // Copies the bytes of the regular file `from` to `to`, replacing `to` when `replace` is
    // set (through a temporary file of ours beside it, so a failed copy never leaves `to`
    // half-written). The copy is a new file: the umask's mode, the source's times. A source that
    // is no regular file (a FIFO, a device) is refused with EINVAL without blocking.
    virtual Result<> copyFile(const std::string& from, const std::string& to, bool replace);
    // Flushes a folder's entries to disk (after a rename into it).
    virtual Result<> syncFolder(const std::string& folder);
};

// Test hook for the crash suites: when the environment variable PIXMILL_KILL_AT_FILE_STEP holds
// a number N, the N-th step of a file change in this process (each write, flush, rename, move
// or removal counts) kills the process with SIGKILL just before it. Free otherwise.
void fileStepCheckpoint();

// The real file system. Shared by every thread; it keeps no state.
FileOps& systemFileOps();

// Describes an errno value in English ("No such file or directory").
std::string errorText(int error);

// The Error for the errno value `error`: that code and its description, after "'path': " when
// a path is given.
Error systemError(int error, const std::string& path = {});
// Success for 0, otherwise systemError(error): where a system call's errno becomes a Result.
Result<> systemResult(int error);

}  // namespace pixmill
