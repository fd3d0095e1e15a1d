#include "engine/rename/file_digest.h"

#include <QCryptographicHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "engine/platform/file_bytes.h"
#include "engine/platform/file_ops.h"

namespace pixmill {
namespace {

constexpr const char* kInitialState = "0123456789abcdeffedcba9876543210";
constexpr std::size_t kChunkBytes = 1 << 20;

}  // namespace

Result<std::string> fileMd5(const std::string& path) {
    if (path.empty())
        return makeError(ENOENT, "no file to digest");
    // The name's own bytes, and never a wait on a pipe or a device: only a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemError(errno, path);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return makeError(error, "cannot digest " + path + ": not a regular file");
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    std::vector<std::uint8_t> chunk(kChunkBytes);
    std::uint64_t offset = 0;
    for (;;) {
        Result<std::size_t> got = readFileRange(fd, offset, chunk.data(), chunk.size());
        if (!got) {
            // A read error midway is a file that cannot be read, not a digest of part of it.
            ::close(fd);
            return systemError(got.code(), path);
        }
        if (*got == 0)
            break;
        hash.addData(QByteArrayView(chunk.data(), qsizetype(*got)));
        offset += *got;
    }
    ::close(fd);
    return hash.result().toHex().toStdString();
}

std::string fileMd5Hex(const std::string& path) {
    Result<std::string> digest = fileMd5(path);
    return digest ? std::move(*digest) : std::string(kInitialState);
}

}  // namespace pixmill
