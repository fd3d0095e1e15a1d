#pragma once
// Rewriting a user's file in place without ever leaving it half-written or losing it.
//
// The new content is written beside the file under a temporary name of our own (hidden,
// unique to this write, created exclusively so that it is never someone else's file, and
// short enough for any file name), flushed to disk, given the old permission mode, owner and
// group, with the access and modification times set to the old modification time, and then
// renamed over the original in one step; the folder is flushed after that, so a finished
// rewrite survives a power cut. A symbolic link is followed: its target is rewritten and the
// link stays a link. Any failure removes our temporary file and leaves the original untouched.
//
// Two rewrites of one file (by two threads or two processes) are serialised by a RewriteLock,
// which the caller holds from before it reads the file until after it has written it back, so
// that neither change is lost.

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

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
Result<> rewriteFileSafely(const std::string& path, std::span<const std::uint8_t> content,
                           bool keepTimes = true, FileOps& ops = systemFileOps());

// Writes `content` as the file at `path` (replacing one there) the same way: beside it first,
// then one rename, so `path` never holds a half-written file. The file gets the permissions a
// new file gets under the process's mask, and the current time.
Result<> writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content,
                            FileOps& ops = systemFileOps());

// Writes `content` to `path` (created or replaced) through a temporary file of ours beside
// it, with the given attributes (mode, owner, group; both times := the modification time),
// then syncs the folder. A failure carries the errno value; `path` is then as it was.
Result<> writeFileBeside(const std::string& path, std::span<const std::uint8_t> content,
                         const struct stat& attributes, FileOps& ops = systemFileOps());

// What a freshly saved file gets: 0666 under the process's umask, our owner, the current time.
struct stat newFileAttributes();

// The path whose bytes a rewrite of `path` replaces: the final target of a chain of symbolic
// links, or `path` itself. Empty when it cannot be resolved.
std::string resolveRewriteTarget(const std::string& path);

// A new temporary name for a write of `fileName` (a name, not a path): ".~pm" + our process
// id + "." + 8 random hex digits + "~" + as much of `fileName` as fits in 255 bytes.
std::string temporaryNameFor(const std::string& fileName);
// True when `fileName` has the form temporaryNameFor gives; `pid` receives the process id.
bool isTemporaryName(const std::string& fileName, long* pid = nullptr);
// Removes from `folder` (trailing separator optional) our temporaries whose writing process is
// gone: those a crash left. Returns how many went.
int removeStaleTemporaries(const std::string& folder);

// An exclusive advisory lock (flock) on the file a rewrite of `path` replaces, held until
// destruction. Shared by threads and processes alike. The lock follows the file across a
// rename-replace by another holder: after it is granted, the path is checked to still name the
// locked file, and taken again on the new one when it does not. Holding nothing (the file is
// missing or cannot be opened) is not an error: the rewrite then fails on its own.
class RewriteLock {
  public:
    enum class Wait { Yes, No };
    // With Wait::No a lock another holder has is not waited for: nothing is held, busy() says so.
    explicit RewriteLock(const std::string& path, Wait wait = Wait::Yes);
    ~RewriteLock();
    RewriteLock(RewriteLock&& other) noexcept;
    RewriteLock& operator=(RewriteLock&& other) noexcept;
    RewriteLock(const RewriteLock&) = delete;
    RewriteLock& operator=(const RewriteLock&) = delete;

    bool held() const { return fd_ >= 0; }
    bool busy() const { return busy_; }

  private:
    int fd_ = -1;
    bool busy_ = false;
};

// Rewrites of many files made durable together instead of one by one. Each rewrite is
// written beside its file as rewriteFileSafely does, but not flushed; commit() then flushes
// every temporary at once, renames each over its file and syncs each folder once. Until its
// rename a file holds its old bytes, so every file is wholly old or wholly new at any crash;
// when commit() returns, every rewrite of the group is on disk. A rewrite that fails (write,
// flush or rename) fails alone: its temporary goes and its file stays as it was.
//
// The group holds each rewrite's RewriteLock until that file is renamed. It never waits for a
// lock while it holds staged rewrites (it commits them first), so two groups cannot wait for
// each other, and a second rewrite of a file already in the group reads its new bytes.
// One thread at a time.
struct RewriteGroupLimits {
    std::size_t rewrites = 32;          // full() when this many are staged
    std::uint64_t bytes = 64ull << 20;  // or when the temporaries hold this many bytes
};

class RewriteGroup {
  public:
    using Limits = RewriteGroupLimits;
    // Called once per staged rewrite, in staging order, when commit() has settled it: the
    // caller's `tag` and the rewrite's result (codes of SafeRewriteError).
    using Settled = std::function<void(long tag, const Result<>& result)>;

    explicit RewriteGroup(Settled settled, FileOps& ops = systemFileOps(), Limits limits = {});
    ~RewriteGroup();  // commits what is staged
    RewriteGroup(const RewriteGroup&) = delete;
    RewriteGroup& operator=(const RewriteGroup&) = delete;

    // The RewriteLock for a rewrite of `path`. When another holder has it and rewrites are
    // staged, those are committed before waiting.
    RewriteLock lock(const std::string& path);

    // Writes `content` beside `path` (times kept as rewriteFileSafely's `keepTimes` says) and
    // keeps `lock` until the rename. A failure here is returned at once and nothing is staged;
    // otherwise the result comes to `settled` with `tag`. The caller commits when full().
    Result<> stage(const std::string& path, std::span<const std::uint8_t> content, bool keepTimes,
                   RewriteLock lock, long tag);

    // Flushes the staged temporaries together, renames each into place, syncs each folder
    // once, lets go of the locks and reports every result.
    void commit();

    std::size_t staged() const { return staged_.size(); }
    std::uint64_t stagedInAll() const { return stagedInAll_; }  // since construction
    bool full() const;

  private:
    struct Staged {
        std::string target, temporary, folder;
        RewriteLock lock;
        long tag;
    };
    Settled settled_;
    FileOps& ops_;
    Limits limits_;
    std::vector<Staged> staged_;
    std::uint64_t bytes_ = 0;
    std::uint64_t stagedInAll_ = 0;
};

}  // namespace pixmill
