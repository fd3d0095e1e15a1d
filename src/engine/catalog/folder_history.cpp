#include "engine/catalog/folder_history.h"

#include <QDir>

#include "engine/app/profile.h"
#include "engine/platform/native_path.h"

namespace pixmill {

namespace {

// One spelling per folder: "/p", "/p/" and "/q/../p" name the same one.
QString folderKey(const QString& folder) {
    return QDir::cleanPath(QDir::fromNativeSeparators(folder.trimmed()));
}

qsizetype indexOfFolder(const QStringList& entries, const QString& folder) {
    const QString key = folderKey(folder);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (folderKey(entries[i]) == key)
            return i;
    }
    return -1;
}

}  // namespace

void FolderHistory::load(const Profile& profile) {
    entries_.clear();
    const QString stored = profile.readString("history", "urls", QString());
    for (const QString& part : stored.split(QLatin1Char('|'))) {
        const QString entry = pathFromProfileText(part.trimmed());
        if (pathExists(entry) && indexOfFolder(entries_, entry) < 0)
            entries_ << entry;
    }
}

void FolderHistory::save(Profile& profile) const {
    QString joined;
    for (const QString& entry : entries_)
        joined += profileTextForPath(entry) + QLatin1Char('|');
    profile.writeString("history", "urls", joined);
}

void FolderHistory::use(const QString& folder) {
    const int position = static_cast<int>(indexOfFolder(entries_, folder));
    if (position == 0) {
        entries_[0] = folder;  // the latest spelling
        return;
    }
    if (position > 0) {
        entries_.removeAt(position);
    } else if (entries_.size() > kMaxEntries - 1) {
        entries_.removeLast();
    }
    entries_.prepend(folder);
}

}  // namespace pixmill
