#include "engine/platform/home_trash.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/platform/native_path.h"

namespace pixmill {
namespace {

bool makeOwnerFolder(const QString& folder) {
    if (isFolder(folder))
        return true;
    ::mkdir(pathBytes(folder).c_str(), 0700);
    return isFolder(folder);
}

bool linkOrFileExists(const QString& path) {
    struct stat status;
    return ::lstat(pathBytes(path).c_str(), &status) == 0;
}

// "name.ext", "name.2.ext", "name.3.ext" ... for the n-th try.
QString trashName(const QString& fileName, int attempt) {
    if (attempt == 1)
        return fileName;
    const QFileInfo info(fileName);
    const QString suffix = info.completeSuffix();
    const QString base =
        suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
    return suffix.isEmpty() ? QStringLiteral("%1.%2").arg(base).arg(attempt)
                            : QStringLiteral("%1.%2.%3").arg(base).arg(attempt).arg(suffix);
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step =
            ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0)
            return false;
        written += step;
    }
    return true;
}

}  // namespace

QString homeTrashFolder(const QString& xdgDataHome, const QString& home) {
    if (!xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome))
        return QDir::cleanPath(xdgDataHome) + QStringLiteral("/Trash");
    if (!home.isEmpty() && QDir::isAbsolutePath(home))
        return QDir::cleanPath(home) + QStringLiteral("/.local/share/Trash");
    return QString();
}

bool ensureTrashFolders(const QString& trash) {
    if (trash.isEmpty() || !QDir::isAbsolutePath(trash))
        return false;
    // The levels above the trash are ordinary folders of the user's; the trash is private.
    const QString parent = parentFolder(trash);
    if (!isFolder(parent) && !QDir().mkpath(parent))
        return false;
    return makeOwnerFolder(trash) && makeOwnerFolder(trash + QStringLiteral("/files")) &&
           makeOwnerFolder(trash + QStringLiteral("/info"));
}

bool moveIntoTrash(const QString& path, const QString& trash, int* error) {
    // Names are handled as their bytes: QFileInfo would lose those that are not UTF-8.
    const QString absolute = absolutePath(path);
    const QString fileName = absolute.mid(absolute.lastIndexOf(QLatin1Char('/')) + 1);
    const QByteArray record =
        "[Trash Info]\nPath=" +
        QByteArray::fromStdString(pathBytes(absolute)).toPercentEncoding("/") + "\nDeletionDate=" +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() +
        "\n";
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const QString name = trashName(fileName, attempt);
        const QString info = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        const QString target = trash + QStringLiteral("/files/") + name;
        // The record is claimed first and exclusively: two programs never pick the same name.
        const int fd = ::open(pathBytes(info).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            if (error)
                *error = errno;
            return false;
        }
        const bool written = writeAll(fd, record);
        ::close(fd);
        if (linkOrFileExists(target)) {
            ::unlink(pathBytes(info).c_str());
            continue;
        }
        if (written && ::rename(pathBytes(absolute).c_str(), pathBytes(target).c_str()) == 0) {
            return true;
        }
        const int failure = written ? errno : EIO;
        ::unlink(pathBytes(info).c_str());
        if (error)
            *error = failure;
        return false;
    }
    if (error)
        *error = EEXIST;
    return false;
}

}  // namespace pixmill
