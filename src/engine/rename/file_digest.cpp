#include "engine/rename/file_digest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace pixmill {
namespace {

constexpr const char* kInitialState = "0123456789abcdeffedcba9876543210";
constexpr qint64 kChunkBytes = 1 << 20;

}  // namespace

std::string fileMd5Hex(const std::string& path) {
    if (path.empty()) return kInitialState;
    QFile file(QString::fromStdString(path));
    if (QFileInfo(file).isDir() || !file.open(QIODevice::ReadOnly)) return kInitialState;
    QCryptographicHash hash(QCryptographicHash::Md5);
    QByteArray chunk;
    for (;;) {
        chunk = file.read(kChunkBytes);
        if (chunk.isEmpty()) break;
        hash.addData(chunk);
    }
    // A read error midway is a file that cannot be read, not a digest of part of it.
    if (file.error() != QFileDevice::NoError) return kInitialState;
    return hash.result().toHex().toStdString();
}

}  // namespace pixmill
