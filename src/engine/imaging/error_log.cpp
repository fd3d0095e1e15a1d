#include "engine/imaging/error_log.h"

#include <QDateTime>
#include <QString>

#include <mutex>

#include "engine/app/app_paths.h"
#include "engine/app/profile.h"

namespace pixmill {
namespace {

// Numbering and writing happen under one lock so that entries reach the file in the order of
// their numbers.
std::mutex g_logMutex;
int g_nextEntry = 1;

}  // namespace

void logBatchError(Profile& profile, const std::string& text) {
    std::lock_guard lock(g_logMutex);
    const QString key = QString::number(g_nextEntry++) + "_" +
                        QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    profile.writeString("error", key, QString::fromStdString(text));
    profile.flush();
}

void logBatchError(const std::string& text) {
    SettingsProfile profile(profileIniPath());
    logBatchError(profile, text);
}

}  // namespace pixmill
