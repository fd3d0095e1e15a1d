#include "engine/platform/safe_rewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <utility>

#include "engine/platform/text_codec.h"

namespace pixmill {
namespace {

constexpr char kTemporaryPrefix[] = ".~pm";
constexpr std::size_t kNameMax = 255;

// The process's file-creation mask, read without changing it (umask(2) can only be read by
// setting it, which would race with other threads creating files).
mode_t creationMask() {
    mode_t value = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            unsigned parsed = 0;
            if (std::sscanf(line, "Umask: %o", &parsed) == 1)
                value = mode_t(parsed);
        }
        std::fclose(status);
    }
    return value;
}

std::string randomHex8() {
    thread_local std::mt19937 generator{std::random_device{}() ^ static_cast<unsigned>(::getpid())};
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(generator()));
    return text;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool processAlive(long pid) {
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace

std::string resolveRewriteTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return {};
    return resolved;
}

struct stat newFileAttributes() {
    struct stat attributes {};
    attributes.st_mode = 0666 & ~creationMask();
    attributes.st_uid = ::getuid();
    attributes.st_gid = ::getgid();
    ::clock_gettime(CLOCK_REALTIME, &attributes.st_mtim);
    return attributes;
}

std::string temporaryNameFor(const std::string& fileName) {
    const std::string head =
        kTemporaryPrefix + std::to_string(::getpid()) + "." + randomHex8() + "~";
    return head + cutToBytes(fileName, kNameMax - head.size());
}

bool isTemporaryName(const std::string& fileName, long* pid) {
    const std::size_t prefix = sizeof kTemporaryPrefix - 1;
    if (fileName.compare(0, prefix, kTemporaryPrefix) != 0)
        return false;
    std::size_t at = prefix;
    long value = 0;
    while (at < fileName.size() && at < prefix + 10 && std::isdigit((unsigned char)fileName[at]))
        value = value * 10 + (fileName[at++] - '0');
    if (at == prefix || at >= fileName.size() || fileName[at] != '.')
        return false;
    ++at;
    for (std::size_t end = at + 8; at < end; ++at) {
        if (at >= fileName.size() || !std::isxdigit((unsigned char)fileName[at]))
            return false;
    }
    if (at >= fileName.size() || fileName[at] != '~')
        return false;
    if (pid)
        *pid = value;
    return true;
}

int removeStaleTemporaries(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return 0;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        long pid = 0;
        if (!isTemporaryName(entry->d_name, &pid) || processAlive(pid))
            continue;
        const std::string path = base + entry->d_name;
        struct stat status;
        if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        if (::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(listing);
    if (removed > 0)
        (void)systemFileOps().syncFolder(base);
    return removed;
}

namespace {

// The write beside `path`; `replacing` tells whether a failure came at the final rename.
Result<> writeBeside(const std::string& path, std::span<const std::uint8_t> content,
                     const struct stat& attributes, FileOps& ops, bool& replacing) {
    const std::string folder = folderOf(path);
    std::string temporary;
    Result<> written = systemError(EEXIST);
    replacing = false;
    for (int attempt = 0; attempt < 16 && written.code() == EEXIST; ++attempt) {
        temporary = folder + temporaryNameFor(nameOf(path));
        written = ops.writeNewFile(temporary, content, &attributes);
    }
    if (!written)
        return written;  // writeNewFile removed whatever it created
    replacing = true;
    if (Result<> renamed = ops.renameReplacing(temporary, path); !renamed) {
        (void)ops.removeFile(temporary);  // ours: it was created exclusively above
        return renamed;
    }
    (void)ops.syncFolder(folder);
    return {};
}

struct TargetAttributes {
    std::string path;  // the file whose bytes are replaced
    struct stat attributes;
};

// What a rewrite of `path` replaces, and the attributes its new content gets.
Result<TargetAttributes> targetOf(const std::string& path, bool keepTimes) {
    TargetAttributes target{resolveRewriteTarget(path), {}};
    if (target.path.empty() || ::stat(target.path.c_str(), &target.attributes) != 0)
        return makeError(kRewriteCannotResolve, "cannot find '" + path + "'");
    if (!keepTimes)
        ::clock_gettime(CLOCK_REALTIME, &target.attributes.st_mtim);
    return target;
}

Error cannotWrite(const std::string& target, const Result<>& failure) {
    return makeError(kRewriteCannotWrite,
                     "cannot write beside '" + target + "': " + failure.message());
}

Error cannotReplace(const std::string& target, const Result<>& failure) {
    return makeError(kRewriteCannotReplace,
                     "cannot replace '" + target + "': " + failure.message());
}

}  // namespace

Result<> writeFileBeside(const std::string& path, std::span<const std::uint8_t> content,
                         const struct stat& attributes, FileOps& ops) {
    bool replacing = false;
    return writeBeside(path, content, attributes, ops, replacing);
}

Result<> rewriteFileSafely(const std::string& path, std::span<const std::uint8_t> content,
                           bool keepTimes, FileOps& ops) {
    Result<TargetAttributes> target = targetOf(path, keepTimes);
    if (!target)
        return target.error();
    bool replacing = false;
    if (Result<> written = writeBeside(target->path, content, target->attributes, ops, replacing);
        !written) {
        return replacing ? cannotReplace(target->path, written)
                         : cannotWrite(target->path, written);
    }
    return Result<>::ok();
}

Result<> writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content,
                            FileOps& ops) {
    if (Result<> written = writeFileBeside(path, content, newFileAttributes(), ops); !written)
        return Result<>::error(kRewriteCannotWrite,
                               "cannot write '" + path + "': " + written.message());
    return Result<>::ok();
}

RewriteLock::RewriteLock(const std::string& path, Wait wait) {
    const std::string target = resolveRewriteTarget(path);
    if (target.empty())
        return;
    const int how = wait == Wait::Yes ? LOCK_EX : LOCK_EX | LOCK_NB;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return;
        struct stat locked, current;
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            ::close(fd);
            return;
        }
        int result;
        while ((result = ::flock(fd, how)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            busy_ = errno == EWOULDBLOCK;
            ::close(fd);
            return;
        }
        // Another holder may have replaced the file while we waited: lock the new one.
        if (::stat(target.c_str(), &current) == 0 && current.st_ino == locked.st_ino &&
            current.st_dev == locked.st_dev) {
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
}

RewriteLock::~RewriteLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

RewriteLock::RewriteLock(RewriteLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), busy_(std::exchange(other.busy_, false)) {}

RewriteLock& RewriteLock::operator=(RewriteLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        busy_ = std::exchange(other.busy_, false);
    }
    return *this;
}

RewriteGroup::RewriteGroup(Settled settled, FileOps& ops, Limits limits)
    : settled_(std::move(settled)), ops_(ops), limits_(limits) {}

RewriteGroup::~RewriteGroup() {
    commit();
}

bool RewriteGroup::full() const {
    return staged_.size() >= limits_.rewrites || bytes_ >= limits_.bytes;
}

RewriteLock RewriteGroup::lock(const std::string& path) {
    if (!staged_.empty()) {
        // Waiting while holding the staged files' locks could wait for ever: for another
        // process waiting for one of them, or for ourselves when the file is already staged.
        RewriteLock attempt(path, RewriteLock::Wait::No);
        if (!attempt.busy())
            return attempt;
        commit();
    }
    return RewriteLock(path);
}

Result<> RewriteGroup::stage(const std::string& path, std::span<const std::uint8_t> content,
                             bool keepTimes, RewriteLock lock, long tag) {
    Result<TargetAttributes> target = targetOf(path, keepTimes);
    if (!target)
        return target.error();
    const std::string folder = folderOf(target->path);
    std::string temporary;
    Result<> written = systemError(EEXIST);
    for (int attempt = 0; attempt < 16 && written.code() == EEXIST; ++attempt) {
        temporary = folder + temporaryNameFor(nameOf(target->path));
        written = ops_.writeNewFileUnflushed(temporary, content, &target->attributes);
    }
    if (!written)
        return cannotWrite(target->path, written);
    staged_.push_back(Staged{target->path, temporary, folder, std::move(lock), tag});
    bytes_ += content.size();
    ++stagedInAll_;
    return {};
}

void RewriteGroup::commit() {
    if (staged_.empty())
        return;
    std::vector<Staged> staged = std::move(staged_);
    staged_.clear();
    bytes_ = 0;
    std::vector<std::string> temporaries;
    std::vector<long> tags;
    for (const Staged& rewrite : staged) {
        temporaries.push_back(rewrite.temporary);
        tags.push_back(rewrite.tag);
    }
    std::vector<Result<>> results = ops_.flushFiles(temporaries);
    results.resize(staged.size(), systemError(EIO));
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const Staged& rewrite = staged[i];
        if (!results[i]) {
            (void)ops_.removeFile(rewrite.temporary);  // ours: created exclusively
            results[i] = cannotWrite(rewrite.target, results[i]);
            continue;
        }
        if (Result<> renamed = ops_.renameReplacing(rewrite.temporary, rewrite.target); !renamed) {
            (void)ops_.removeFile(rewrite.temporary);
            results[i] = cannotReplace(rewrite.target, renamed);
            continue;
        }
        if (std::find(folders.begin(), folders.end(), rewrite.folder) == folders.end())
            folders.push_back(rewrite.folder);
    }
    for (const std::string& folder : folders)
        (void)ops_.syncFolder(folder);
    staged.clear();  // the locks go once every file is in place
    for (std::size_t i = 0; i < results.size(); ++i)
        settled_(tags[i], results[i]);
}

}  // namespace pixmill
