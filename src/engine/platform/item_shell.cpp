#include "engine/platform/item_shell.h"

#include <cerrno>

#include "engine/platform/home_trash.h"
#include "engine/platform/native_path.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace pixmill {

bool ItemShell::openFile(const QString& path) {
    return QDesktopServices::openUrl(fileUrl(path));
}

bool ItemShell::editFile(const QString& path) {
    const QString gimp = QStandardPaths::findExecutable(QStringLiteral("gimp"));
    // A name that is not UTF-8 would reach the editor changed; its address keeps the bytes.
    const QString argument =
        holdsRawBytes(path) ? QString::fromLatin1(fileUrl(path).toEncoded()) : path;
    if (!gimp.isEmpty() && QProcess::startDetached(gimp, {argument}))
        return true;
    return openFile(path);
}

bool ItemShell::showInFolder(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{QString::fromLatin1(fileUrl(path).toEncoded())} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    return openFolder(parentFolder(path));
}

bool ItemShell::moveToTrash(const QString& path) {
    // Our own move into the home trash, its folders created when missing: nothing is ever
    // moved into folders made up relative to the working folder.
    const QString trash = homeTrashFolder(qEnvironmentVariable("XDG_DATA_HOME"),
                                          qEnvironmentVariable("HOME", QDir::homePath()));
    if (!ensureTrashFolders(trash))
        return false;
    int error = 0;
    if (moveIntoTrash(path, trash, &error))
        return true;
    if (error != EXDEV || holdsRawBytes(path))
        return false;  // Qt's own move would look for another name
    // On another file system: Qt's move into that volume's own trash, accepted only when it
    // says where the file went and that place is a trash folder.
    QString trashedAt;
    if (!QFile::moveToTrash(path, &trashedAt))
        return false;
    const bool inTrash =
        QDir::isAbsolutePath(trashedAt) && (trashedAt.contains(QStringLiteral("/.Trash")) ||
                                            trashedAt.contains(QStringLiteral("/Trash/files/")));
    if (!inTrash)
        QFile::rename(trashedAt, path);
    return inTrash;
}

QString ItemShell::desktopFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool ItemShell::openFolder(const QString& path) {
    return QDesktopServices::openUrl(fileUrl(path));
}

ItemShell& desktopItemShell() {
    static ItemShell shell;
    return shell;
}

}  // namespace pixmill
