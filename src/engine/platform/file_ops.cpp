#include "engine/platform/file_ops.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace pixmill {
namespace {

int writeAll(int fd, const std::uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

int applyAttributes(int fd, const struct stat& attributes) {
    // The owner can only be given by root; an ordinary user's new file is already theirs.
    if (::fchown(fd, attributes.st_uid, attributes.st_gid) != 0 && errno != EPERM) return errno;
    if (::fchmod(fd, attributes.st_mode & 07777) != 0) return errno;
    const struct timespec times[2] = {attributes.st_mtim, attributes.st_mtim};
    if (::futimens(fd, times) != 0) return errno;
    return 0;
}

// renameat2 with RENAME_NOREPLACE; glibc 2.36 has the wrapper but not every file system
// supports the flag.
int renameNoReplaceSyscall(const std::string& from, const std::string& to) {
    long result = ::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                            RENAME_NOREPLACE);
    return result == 0 ? 0 : errno;
}

}  // namespace

int FileOps::writeNewFile(const std::string& path, std::span<const std::uint8_t> data,
                          const struct stat* attributes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int error = writeAll(fd, data.data(), data.size());
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (error == 0 && attributes) error = applyAttributes(fd, *attributes);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) ::unlink(path.c_str());
    return error;
}

int FileOps::renameReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int FileOps::moveNoReplace(const std::string& from, const std::string& to) {
    int error = renameNoReplaceSyscall(from, to);
    if (error != EINVAL && error != ENOSYS) return error;
    // The file system does not know the flag: a hard link fails on an existing target just the
    // same, and removing the old name then completes the move.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) return 0;
        error = errno;
        ::unlink(to.c_str());
        return error;
    }
    error = errno;
    if (error != EPERM && error != EOPNOTSUPP && error != EMLINK) return error;
    // No hard links here either (FAT, some network shares): check, then rename. The window
    // between the two is the best such a file system allows.
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0) return EEXIST;
    return renameReplacing(from, to);
}

int FileOps::removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int FileOps::copyFile(const std::string& from, const std::string& to, bool replace) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    struct stat existing;
    if (!replace && ::lstat(to.c_str(), &existing) == 0) {
        ::close(in);
        return EEXIST;
    }
    const std::string temporary = to + ".copy-tmp";
    ::unlink(temporary.c_str());
    int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    std::array<std::uint8_t, 1 << 16> buffer;
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            break;
        }
        if (got == 0) break;
        error = writeAll(out, buffer.data(), static_cast<size_t>(got));
        if (error != 0) break;
    }
    // Like a desktop copy, the copy keeps the source's permission bits and times.
    struct stat source;
    if (error == 0 && ::fstat(in, &source) == 0) {
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        ::fchmod(out, source.st_mode & 0777);
        ::futimens(out, times);
    }
    ::close(in);
    if (::close(out) != 0 && error == 0) error = errno;
    if (error == 0) error = replace ? renameReplacing(temporary, to) : moveNoReplace(temporary, to);
    if (error != 0) ::unlink(temporary.c_str());
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
