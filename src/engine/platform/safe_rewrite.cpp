#include "engine/platform/safe_rewrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

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

}  // namespace

Result<> writeFileBeside(const std::string& path, std::span<const std::uint8_t> content,
                         const struct stat& attributes, FileOps& ops) {
    bool replacing = false;
    return writeBeside(path, content, attributes, ops, replacing);
}

Result<> rewriteFileSafely(const std::string& path, std::span<const std::uint8_t> content,
                           bool keepTimes, FileOps& ops) {
    const std::string target = resolveRewriteTarget(path);
    struct stat attributes;
    if (target.empty() || ::stat(target.c_str(), &attributes) != 0) {
        return Result<>::error(kRewriteCannotResolve, "cannot find '" + path + "'");
    }
    if (!keepTimes)
        ::clock_gettime(CLOCK_REALTIME, &attributes.st_mtim);
    bool replacing = false;
    if (Result<> written = writeBeside(target, content, attributes, ops, replacing); !written) {
        if (replacing) {
            return Result<>::error(kRewriteCannotReplace,
                                   "cannot replace '" + target + "': " + written.message());
        }
        return Result<>::error(kRewriteCannotWrite,
                               "cannot write beside '" + target + "': " + written.message());
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

RewriteLock::RewriteLock(const std::string& path) {
    const std::string target = resolveRewriteTarget(path);
    if (target.empty())
        return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return;
        struct stat locked, current;
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            ::close(fd);
            return;
        }
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
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

}  // namespace pixmill
