#include "engine/platform/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "engine/platform/file_ops.h"

namespace pixmill {

Result<std::size_t> readFileRange(int fd, std::uint64_t offset, std::uint8_t* into,
                                  std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = ::pread(fd, into + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        if (n == 0)
            break;  // the file ended (or shrank) early
        got += static_cast<std::size_t>(n);
    }
    return got;
}

namespace {

// The size of the regular file open as `fd`, or why it may not be read whole.
Result<std::size_t> readableSize(int fd, std::size_t limit) {
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return systemError(errno);
    if (!S_ISREG(status.st_mode))
        return systemError(S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
    if (static_cast<std::uint64_t>(status.st_size) > limit)
        return systemError(EFBIG);
    return static_cast<std::size_t>(status.st_size);
}

Result<Bytes> readOpenFile(int fd, std::size_t limit) {
    Result<std::size_t> size = readableSize(fd, limit);
    if (!size)
        return size.error();
    Bytes bytes;
    try {
        bytes.resize(*size);
    } catch (const std::bad_alloc&) {
        return systemError(ENOMEM);
    }
    Result<std::size_t> got = readFileRange(fd, 0, bytes.data(), bytes.size());
    if (!got)
        return got.error();
    bytes.resize(*got);
    return bytes;
}

}  // namespace

Result<Bytes> readFileBytes(const std::string& path, std::size_t limit) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemError(errno, path);
    Result<Bytes> bytes = readOpenFile(fd, limit);
    ::close(fd);
    if (!bytes)
        return systemError(bytes.code(), path);
    return bytes;
}

Result<Bytes> readFileHead(const std::string& path, std::size_t count) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemError(errno, path);
    Result<std::size_t> size = readableSize(fd, SIZE_MAX);
    Bytes bytes;
    if (size) {
        bytes.resize(std::min(*size, count));
        size = readFileRange(fd, 0, bytes.data(), bytes.size());
    }
    ::close(fd);
    if (!size)
        return systemError(size.code(), path);
    bytes.resize(*size);
    return bytes;
}

bool isReadOnlyMode(unsigned mode) {
    return (mode & S_IWUSR) == 0;
}

}  // namespace pixmill
