#pragma once
// The folder box's history: newest first, at most ten folders, kept in the profile as
// "history"/"urls", each entry followed by "|".

#include <QString>
#include <QStringList>

namespace pixmill {

class Profile;

class FolderHistory {
  public:
    static constexpr int kMaxEntries = 10;

    // The stored entries that still name an existing path, trimmed, in stored order, each
    // folder once.
    void load(const Profile& profile);
    void save(Profile& profile) const;

    // A load of `folder`: moves it to the front or inserts it there, dropping the oldest entry
    // when the history is full. Folders are compared, not texts: separators, a trailing
    // separator and "." or ".." levels do not make another entry (case still does).
    void use(const QString& folder);

    const QStringList& entries() const { return entries_; }

  private:
    QStringList entries_;
};

}  // namespace pixmill
