#pragma once
// The rename batch's journal: before the first file moves, the whole plan (every row's old,
// temporary and final name) is written durably to a hidden file in the folder, and a second
// line marks the start of the second pass; the journal goes when the batch ends. A batch cut
// short (a crash, a kill, a power cut) is completed from it by the next load of the folder or
// the next command on it. A finished batch leaves an undo record (the same rows, in the same
// format) from which its names can be put back. Plain C++.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/file_ops.h"
#include "engine/platform/result.h"

namespace pixmill {

inline constexpr char kRenameJournalName[] = ".pixmill-rename.journal";
inline constexpr char kRenameUndoName[] = ".pixmill-rename.undo";

struct JournalRow {
    std::string oldName;
    std::string temporaryName;
    std::string finalName;
    // In an undo record: what identifies the file that took finalName (fileIdentity); empty
    // when unknown (records written before it was kept, a file that went).
    std::string identity;
};

struct RenameJournal {
    std::vector<JournalRow> rows;
    bool secondPass = false;  // every file reached its temporary name
};

// The file at `path` as a rename leaves it and a replacement or an edit does not: its inode,
// size and modification time, as text. Empty when it cannot be read.
std::string fileIdentity(const std::string& path);

std::string encodeJournal(const RenameJournal& journal);
// Empty for a text that is not a whole journal of ours.
std::optional<RenameJournal> decodeJournal(std::string_view text);

// `folder` ends with a separator. A failure carries the errno value.
Result<> writeJournalFile(const std::string& folder, const char* name, const RenameJournal& journal,
                          FileOps& ops);
// Appends the second-pass mark to the journal and flushes it.
Result<> markSecondPass(const std::string& folder);
// Empty when there is no whole journal of ours to read.
std::optional<RenameJournal> readJournalFile(const std::string& folder, const char* name);
// A journal that is already gone counts as removed.
Result<> removeJournalFile(const std::string& folder, const char* name, FileOps& ops);

// An exclusive lock on the renames of one folder (flock on the folder), held by a rename batch,
// an undo and the completion of an interrupted batch from their start to their end, so that
// the journal of a batch another process is still working through is never taken for an
// interrupted one. Never waits.
class RenameFolderLock {
  public:
    explicit RenameFolderLock(const std::string& folder);
    ~RenameFolderLock();
    RenameFolderLock(const RenameFolderLock&) = delete;
    RenameFolderLock& operator=(const RenameFolderLock&) = delete;

    // Another holder has it (a folder that cannot be opened is not busy: its moves fail).
    bool busy() const { return busy_; }

  private:
    int fd_ = -1;
    bool busy_ = false;
};

}  // namespace pixmill
