#include "engine/platform/file_ops.h"

#include "engine/platform/safe_rewrite.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace pixmill {
namespace {

int writeAll(int fd, const std::uint8_t* data, size_t size) {
    while (size > 0) {
        // A crash in the middle of a write leaves a half-written file behind.
        fileStepCheckpoint();
        ssize_t written = ::write(fd, data, size > 4096 ? size / 2 : size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

int applyAttributes(int fd, const struct stat& attributes) {
    // The owner can only be given by root; an ordinary user's new file is already theirs.
    if (::fchown(fd, attributes.st_uid, attributes.st_gid) != 0 && errno != EPERM)
        return errno;
    if (::fchmod(fd, attributes.st_mode & 07777) != 0)
        return errno;
    const struct timespec times[2] = {attributes.st_mtim, attributes.st_mtim};
    if (::futimens(fd, times) != 0)
        return errno;
    return 0;
}

// renameat2 with RENAME_NOREPLACE; glibc 2.36 has the wrapper but not every file system
// supports the flag.
int renameNoReplaceSyscall(const std::string& from, const std::string& to) {
    long result =
        ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    return result == 0 ? 0 : errno;
}

}  // namespace

void fileStepCheckpoint() {
    static const long killAt = [] {
        const char* text = std::getenv("PIXMILL_KILL_AT_FILE_STEP");
        return text ? std::atol(text) : 0L;
    }();
    if (killAt <= 0)
        return;
    static std::atomic<long> steps{0};
    if (++steps == killAt)
        ::raise(SIGKILL);
}

int FileOps::writeNewFile(const std::string& path, std::span<const std::uint8_t> data,
                          const struct stat* attributes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, data.data(), data.size());
    fileStepCheckpoint();
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (error == 0 && attributes)
        error = applyAttributes(fd, *attributes);
    fileStepCheckpoint();
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.c_str());
    return error;
}

int FileOps::renameReplacing(const std::string& from, const std::string& to) {
    fileStepCheckpoint();
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int FileOps::moveNoReplace(const std::string& from, const std::string& to) {
    fileStepCheckpoint();
    int error = renameNoReplaceSyscall(from, to);
    if (error != EINVAL && error != ENOSYS)
        return error;
    // The file system does not know the flag: a hard link fails on an existing target just the
    // same, and removing the old name then completes the move.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0)
            return 0;
        error = errno;
        ::unlink(to.c_str());
        return error;
    }
    error = errno;
    if (error != EPERM && error != EOPNOTSUPP && error != EMLINK)
        return error;
    // No hard links here either (FAT, some network shares): check, then rename. The window
    // between the two is the best such a file system allows.
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0)
        return EEXIST;
    return renameReplacing(from, to);
}

int FileOps::removeFile(const std::string& path) {
    fileStepCheckpoint();
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int FileOps::copyFile(const std::string& from, const std::string& to, bool replace) {
    int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (in < 0)
        return errno;
    struct stat source;
    if (::fstat(in, &source) != 0 || !S_ISREG(source.st_mode)) {
        ::close(in);
        return EINVAL;
    }
    struct stat existing;
    if (!replace && ::lstat(to.c_str(), &existing) == 0) {
        ::close(in);
        return EEXIST;
    }
    // The bytes are read whole (pictures are small next to memory) and written beside the
    // target as any output is; a source that shrinks while read is copied as it was read.
    std::vector<std::uint8_t> bytes;
    int error = 0;
    try {
        bytes.resize(static_cast<size_t>(source.st_size));
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    size_t done = 0;
    while (error == 0 && done < bytes.size()) {
        ssize_t got = ::read(in, bytes.data() + done, bytes.size() - done);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            error = errno;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    ::close(in);
    if (error != 0)
        return error;
    bytes.resize(done);
    struct stat attributes = newFileAttributes();
    attributes.st_mtim = source.st_mtim;
    if (replace)
        return writeFileBeside(to, bytes, attributes, *this);
    // Without replacing: write it beside under a name of ours, then move it in if still free.
    const std::string folder = to.substr(0, to.rfind('/') + 1);
    const std::string temporary = folder + temporaryNameFor(to.substr(folder.size()));
    if ((error = writeNewFile(temporary, bytes, &attributes)) != 0)
        return error;
    if ((error = moveNoReplace(temporary, to)) != 0) {
        removeFile(temporary);
        return error;
    }
    syncFolder(folder);
    return 0;
}

int FileOps::syncFolder(const std::string& folder) {
    fileStepCheckpoint();
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

FileOps& systemFileOps() {
    static FileOps instance;
    return instance;
}

std::string errorText(int error) {
    char buffer[256];
    return std::string(::strerror_r(error, buffer, sizeof buffer));
}

}  // namespace pixmill
