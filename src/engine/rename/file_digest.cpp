#include "engine/rename/file_digest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace pixmill {
namespace {

constexpr const char* kInitialState = "0123456789abcdeffedcba9876543210";
constexpr qint64 kChunkBytes = 1 << 20;

}  // namespace

Result<std::string> fileMd5(const std::string& path) {
    if (path.empty())
        return makeError(ENOENT, "no file to digest");
    QFile file(QString::fromStdString(path));
    if (QFileInfo(file).isDir())
        return makeError(EISDIR, "cannot digest the folder " + path);
    if (!file.open(QIODevice::ReadOnly))
        return makeError("cannot read " + path + ": " + file.errorString().toStdString());
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray chunk;
    for (;;) {
        chunk = file.read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        hash.addData(chunk);
    }
    // A read error midway is a file that cannot be read, not a digest of part of it.
    if (file.error() != QFileDevice::NoError)
        return makeError("cannot read " + path + ": " + file.errorString().toStdString());
    return hash.result().toHex().toStdString();
}

std::string fileMd5Hex(const std::string& path) {
    Result<std::string> digest = fileMd5(path);
    return digest ? std::move(*digest) : std::string(kInitialState);
}

}  // namespace pixmill
