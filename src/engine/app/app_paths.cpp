#include "engine/app/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <unistd.h>

#include "engine/app/app_info.h"

namespace pixmill {
namespace {

QMutex g_mutex;
QString g_programDirectory;
QString g_configDirectory;

}  // namespace

QString withTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

ProgramLayout programLayoutFor(const QString& executableDir) {
    ProgramLayout layout;
    layout.executableDir = withTrailingSeparator(QDir::cleanPath(executableDir));
    const QString shared = withTrailingSeparator(QDir::cleanPath(
        layout.executableDir + "../share/" + QString::fromUtf8(kPackageFolderName)));
    layout.installed = QFileInfo(shared).isDir();
    layout.programDir = layout.installed ? shared : layout.executableDir;
    return layout;
}

void setExecutableDirectory(const QString& folder) {
    setProgramDirectory(programLayoutFor(folder).programDir);
}

void setProgramDirectory(const QString& folder) {
    QMutexLocker lock(&g_mutex);
    g_programDirectory = withTrailingSeparator(folder);
}

void setConfigDirectory(const QString& folder) {
    QMutexLocker lock(&g_mutex);
    g_configDirectory = withTrailingSeparator(folder);
}

QString programDirectory() {
    QMutexLocker lock(&g_mutex);
    if (g_programDirectory.isEmpty()) {
        g_programDirectory = programLayoutFor(QCoreApplication::applicationDirPath()).programDir;
    }
    return g_programDirectory;
}

QString configDirectory() {
    QMutexLocker lock(&g_mutex);
    if (!g_configDirectory.isEmpty())
        return g_configDirectory;
    const QString fromEnvironment = qEnvironmentVariable("PIXMILL_CONFIG_DIR");
    if (!fromEnvironment.isEmpty())
        return withTrailingSeparator(fromEnvironment);
    return withTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + kShortName);
}

QString settingsFilePath() {
    return configDirectory() + kShortName + ".conf";
}

QString profileIniPath() {
    return configDirectory() + "profile.ini";
}

QString userDataDirectory() {
    return withTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" + kShortName);
}

QString writableProgramSubfolder(const QString& name) {
    return writableSubfolderOf(programDirectory(), name);
}

bool isInstalledProgramFolder(const QString& programDir) {
    const QDir folder(QDir::cleanPath(programDir));
    QDir parent = folder;
    return folder.dirName() == QString::fromUtf8(kPackageFolderName) && parent.cdUp() &&
           parent.dirName() == QLatin1String("share");
}

bool isProgramFolderWritable(const QString& programDir) {
    // An installed folder belongs to the package: whatever is written there would outlive the
    // package's removal, so not even root writes into it.
    if (programDir.isEmpty() || isInstalledProgramFolder(programDir))
        return false;
    return ::access(QFile::encodeName(withTrailingSeparator(programDir)).constData(), W_OK) == 0;
}

QString writableSubfolderOf(const QString& programDir, const QString& name) {
    if (isProgramFolderWritable(programDir))
        return withTrailingSeparator(programDir) + name + "/";
    return userDataDirectory() + name + "/";
}

}  // namespace pixmill
