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
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
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
        g_programDirectory = withTrailingSeparator(QCoreApplication::applicationDirPath());
    }
    return g_programDirectory;
}

QString configDirectory() {
    QMutexLocker lock(&g_mutex);
    if (!g_configDirectory.isEmpty()) return g_configDirectory;
    const QString fromEnvironment = qEnvironmentVariable("PIXMILL_CONFIG_DIR");
    if (!fromEnvironment.isEmpty()) return withTrailingSeparator(fromEnvironment);
    return withTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" +
        kShortName);
}

QString settingsFilePath() { return configDirectory() + kShortName + ".conf"; }

QString profileIniPath() { return configDirectory() + "profile.ini"; }

QString userDataDirectory() {
    return withTrailingSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" + kShortName);
}

QString writableProgramSubfolder(const QString& name) {
    return writableSubfolderOf(programDirectory(), name);
}

QString writableSubfolderOf(const QString& programDir, const QString& name) {
    const QString program = withTrailingSeparator(programDir);
    // An installed copy's folder belongs to root and is read-only for the user: the folders
    // the program writes into then live in the per-user data folder instead.
    if (::access(QFile::encodeName(program).constData(), W_OK) == 0) {
        return program + name + "/";
    }
    return userDataDirectory() + name + "/";
}

}  // namespace pixmill
