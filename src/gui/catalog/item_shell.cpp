#include "gui/catalog/item_shell.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace pixmill {

bool ItemShell::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool ItemShell::editFile(const QString& path) {
    const QString gimp = QStandardPaths::findExecutable(QStringLiteral("gimp"));
    if (!gimp.isEmpty() && QProcess::startDetached(gimp, {path}))
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
        call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    return openFolder(QFileInfo(path).absolutePath());
}

bool ItemShell::moveToTrash(const QString& path) {
    return QFile::moveToTrash(path);
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
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ItemShell& desktopItemShell() {
    static ItemShell shell;
    return shell;
}

}  // namespace pixmill
