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

// The step at which the crash suites' hook kills the process; 0 when it is not set.
long killStep() {
    static const long step = [] {
        const char* text = std::getenv("PIXMILL_KILL_AT_FILE_STEP");
        return text ? std::atol(text) : 0L;
    }();
    return step;
}

Result<> writeAll(int fd, const std::uint8_t* data, size_t size) {
    // Under the crash hook a write goes in halves, so that a kill can land with part of the
    // file written; otherwise in one call.
    const bool inSteps = killStep() > 0;
    while (size > 0) {
        fileStepCheckpoint();
        ssize_t written = ::write(fd, data, inSteps && size > 4096 ? size / 2 : size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return {};
}

Result<> applyAttributes(int fd, const struct stat& attributes) {
    // The owner can only be given by root; an ordinary user's new file is already theirs.
    if (::fchown(fd, attributes.st_uid, attributes.st_gid) != 0 && errno != EPERM)
        return systemError(errno);
    if (::fchmod(fd, attributes.st_mode & 07777) != 0)
        return systemError(errno);
    const struct timespec times[2] = {attributes.st_mtim, attributes.st_mtim};
    if (::futimens(fd, times) != 0)
        return systemError(errno);
    return {};
}

// renameat2 with RENAME_NOREPLACE; glibc 2.36 has the wrapper but not every file system
// supports the flag.
Result<> renameNoReplaceSyscall(const std::string& from, const std::string& to) {
    long result =
        ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    return systemResult(result == 0 ? 0 : errno);
}

// A move through a hard link, for a file system without RENAME_NOREPLACE: the link fails on
// an existing target just the same, and removing the old name then completes the move.
Result<> moveByLink(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) != 0)
        return systemError(errno);
    if (::unlink(from.c_str()) == 0)
        return {};
    const int error = errno;
    ::unlink(to.c_str());
    return systemError(error);
}

// The `size` bytes of the file open as `in`, read whole (pictures are small next to memory);
// a source that shrinks while read is copied as it was read.
Result<std::vector<std::uint8_t>> readWhole(int in, size_t size) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return systemError(ENOMEM);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(in, bytes.data() + done, bytes.size() - done);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return systemError(errno);
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

// Creates `path` exclusively and writes it; flushed to disk when `flush` is set.
Result<> writeNew(const std::string& path, std::span<const std::uint8_t> data,
                  const struct stat* attributes, bool flush) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return systemError(errno);
    Result<> result = writeAll(fd, data.data(), data.size());
    fileStepCheckpoint();
    if (result && flush && ::fsync(fd) != 0)
        result = systemError(errno);
    // Not flushed here, but its writing starts now, while the caller goes on with other work.
    if (result && !flush)
        (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    if (result && attributes)
        result = applyAttributes(fd, *attributes);
    fileStepCheckpoint();
    if (::close(fd) != 0 && result)
        result = systemError(errno);
    if (!result)
        ::unlink(path.c_str());
    return result;
}

}  // namespace

void fileStepCheckpoint() {
    const long killAt = killStep();
    if (killAt <= 0)
        return;
    static std::atomic<long> steps{0};
    if (++steps == killAt)
        ::raise(SIGKILL);
}

Result<> FileOps::writeNewFile(const std::string& path, std::span<const std::uint8_t> data,
                               const struct stat* attributes) {
    return writeNew(path, data, attributes, true);
}

Result<> FileOps::writeNewFileUnflushed(const std::string& path, std::span<const std::uint8_t> data,
                                        const struct stat* attributes) {
    return writeNew(path, data, attributes, false);
}

std::vector<Result<>> FileOps::flushFiles(std::span<const std::string> paths) {
    fileStepCheckpoint();  // every file written, none flushed
    std::vector<Result<>> results(paths.size());
    std::vector<int> fds(paths.size(), -1);
    // Start the writing of every file first, then wait for each: the disk gets all the data
    // at once, and the first flush's journal commit covers the files after it.
    for (std::size_t i = 0; i < paths.size(); ++i) {
        fds[i] = ::open(paths[i].c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fds[i] < 0)
            results[i] = systemError(errno);
        else
            (void)::sync_file_range(fds[i], 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (fds[i] < 0)
            continue;
        if (::fsync(fds[i]) != 0)
            results[i] = systemError(errno);
        ::close(fds[i]);
    }
    return results;
}

Result<> FileOps::renameReplacing(const std::string& from, const std::string& to) {
    fileStepCheckpoint();
    return systemResult(::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno);
}

Result<> FileOps::moveNoReplace(const std::string& from, const std::string& to) {
    fileStepCheckpoint();
    Result<> moved = renameNoReplaceSyscall(from, to);
    if (moved.code() != EINVAL && moved.code() != ENOSYS)
        return moved;
    moved = moveByLink(from, to);
    if (moved.code() != EPERM && moved.code() != EOPNOTSUPP && moved.code() != EMLINK)
        return moved;
    // No hard links here either (FAT, some network shares): check, then rename. The window
    // between the two is the best such a file system allows.
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0)
        return systemError(EEXIST);
    return renameReplacing(from, to);
}

Result<> FileOps::removeFile(const std::string& path) {
    fileStepCheckpoint();
    return systemResult(::unlink(path.c_str()) == 0 ? 0 : errno);
}

Result<> FileOps::copyFile(const std::string& from, const std::string& to, bool replace) {
    int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (in < 0)
        return systemError(errno);
    struct stat source;
    if (::fstat(in, &source) != 0 || !S_ISREG(source.st_mode)) {
        ::close(in);
        return systemError(EINVAL);
    }
    struct stat existing;
    if (!replace && ::lstat(to.c_str(), &existing) == 0) {
        ::close(in);
        return systemError(EEXIST);
    }
    Result<std::vector<std::uint8_t>> bytes = readWhole(in, static_cast<size_t>(source.st_size));
    ::close(in);
    if (!bytes)
        return bytes.error();
    struct stat attributes = newFileAttributes();
    attributes.st_mtim = source.st_mtim;
    if (replace)
        return writeFileBeside(to, *bytes, attributes, *this);
    // Without replacing: write it beside under a name of ours, then move it in if still free.
    const std::string folder = to.substr(0, to.rfind('/') + 1);
    const std::string temporary = folder + temporaryNameFor(to.substr(folder.size()));
    if (Result<> written = writeNewFile(temporary, *bytes, &attributes); !written)
        return written;
    if (Result<> moved = moveNoReplace(temporary, to); !moved) {
        (void)removeFile(temporary);
        return moved;
    }
    (void)syncFolder(folder);
    return {};
}

Result<> FileOps::syncFolder(const std::string& folder) {
    fileStepCheckpoint();
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return systemError(errno);
    Result<> result = systemResult(::fsync(fd) == 0 ? 0 : errno);
    ::close(fd);
    return result;
}

FileOps& systemFileOps() {
    static FileOps instance;
    return instance;
}

std::string errorText(int error) {
    char buffer[256];
    return std::string(::strerror_r(error, buffer, sizeof buffer));
}

Error systemError(int error, const std::string& path) {
    std::string text = errorText(error);
    return makeError(error, path.empty() ? text : "'" + path + "': " + text);
}

Result<> systemResult(int error) {
    if (error == 0)
        return {};
    return systemError(error);
}

}  // namespace pixmill
