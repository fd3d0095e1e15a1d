#include "engine/update/update_install.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "engine/app/app_paths.h"

namespace pixmill {

QString updateDownloadFolder(const QString& programDir, const QString& userDataDir) {
    if (isProgramFolderWritable(programDir))
        return withTrailingSeparator(programDir);
    const QString user = withTrailingSeparator(userDataDir);
    QDir().mkpath(user);
    return user;
}

bool isElfExecutable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(18);
    if (header.size() < 18 || !header.startsWith("\x7F"
                                                 "ELF"))
        return false;
    const int wordClass = static_cast<unsigned char>(header[4]);  // 1: 32-bit, 2: 64-bit
    const int byteOrder = static_cast<unsigned char>(header[5]);  // 1: little, 2: big endian
    if (wordClass != (sizeof(void*) == 8 ? 2 : 1))
        return false;
    if (byteOrder != 1 && byteOrder != 2)
        return false;
    const auto low = static_cast<unsigned char>(header[byteOrder == 1 ? 16 : 17]);
    const auto high = static_cast<unsigned char>(header[byteOrder == 1 ? 17 : 16]);
    const int type = low | (high << 8);
    return type == 2 || type == 3;  // ET_EXEC, ET_DYN
}

Result<> makeExecutable(const QString& path) {
    QFile::Permissions permissions = QFile::permissions(path);
    if (permissions & QFile::ReadOwner)
        permissions |= QFile::ExeOwner | QFile::ExeUser;
    if (permissions & QFile::ReadGroup)
        permissions |= QFile::ExeGroup;
    if (permissions & QFile::ReadOther)
        permissions |= QFile::ExeOther;
    if (!QFile::setPermissions(path, permissions))
        return makeError("cannot make " + path.toStdString() + " executable");
    return {};
}

QString quoteDesktopExecArgument(const QString& argument) {
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    // The whole value is a desktop-entry string, whose own escape character is the backslash.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    // A literal percent sign would be read as a field code.
    quoted.replace(QLatin1String("%"), QLatin1String("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString desktopLauncherText(const QString& displayName, const QString& program) {
    QString name = displayName;
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nTerminal=false\n")
        .arg(name, quoteDesktopExecArgument(program));
}

Result<QString> writeDesktopLauncher(const QString& desktopDir, const QString& displayName,
                                     const QString& program) {
    if (desktopDir.isEmpty() || !QDir().mkpath(desktopDir))
        return makeError("cannot make the folder " + desktopDir.toStdString());
    const QString path = withTrailingSeparator(desktopDir) + displayName + ".desktop";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return makeError("cannot write " + path.toStdString() + ": " +
                         file.errorString().toStdString());
    file.write(desktopLauncherText(displayName, program).toUtf8());
    if (!file.commit())
        return makeError("cannot write " + path.toStdString() + ": " +
                         file.errorString().toStdString());
    // A desktop without permission bits (a FAT volume) runs the launcher without them.
    (void)makeExecutable(path);
    return path;
}

}  // namespace pixmill
