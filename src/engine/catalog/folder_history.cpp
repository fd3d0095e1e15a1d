#include "engine/catalog/folder_history.h"

#include <QFileInfo>

#include "engine/app/profile.h"

namespace pixmill {

void FolderHistory::load(const Profile& profile) {
    entries_.clear();
    const QString stored = profile.readString("history", "urls", QString());
    for (const QString& part : stored.split(QLatin1Char('|'))) {
        const QString entry = part.trimmed();
        if (!entry.isEmpty() && QFileInfo::exists(entry))
            entries_ << entry;
    }
}

void FolderHistory::save(Profile& profile) const {
    QString joined;
    for (const QString& entry : entries_)
        joined += entry + QLatin1Char('|');
    profile.writeString("history", "urls", joined);
}

void FolderHistory::use(const QString& folder) {
    const int position = static_cast<int>(entries_.indexOf(folder));
    if (position == 0)
        return;
    if (position > 0) {
        entries_.removeAt(position);
    } else if (entries_.size() > kMaxEntries - 1) {
        entries_.removeLast();
    }
    entries_.prepend(folder);
}

}  // namespace pixmill
