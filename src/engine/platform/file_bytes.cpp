#include "engine/platform/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace pixmill {

int readFileRange(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t count,
                  std::size_t& got) {
    got = 0;
    while (got < count) {
        ssize_t n = ::pread(fd, into + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;  // the file ended (or shrank) early
        got += static_cast<std::size_t>(n);
    }
    return 0;
}

int readFileBytes(const std::string& path, std::vector<std::uint8_t>& out, std::size_t limit) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        int error = errno;
        ::close(fd);
        return error;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    }
    if (static_cast<std::uint64_t>(status.st_size) > limit) {
        ::close(fd);
        return EFBIG;
    }
    const std::size_t wanted = static_cast<std::size_t>(status.st_size);
    int error = 0;
    try {
        out.resize(wanted);
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    std::size_t got = 0;
    if (error == 0)
        error = readFileRange(fd, 0, out.data(), wanted, got);
    ::close(fd);
    out.resize(got);
    return error;
}

bool isReadOnlyMode(unsigned mode) {
    return (mode & S_IWUSR) == 0;
}

}  // namespace pixmill
