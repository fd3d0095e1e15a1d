#include "engine/rename/rename_batch.h"

#include <sys/stat.h>

#include <cstdio>
#include <set>

#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"
#include "engine/rename/rename_journal.h"

namespace pixmill {
namespace {

enum class Place { Original, Temporary, Final, Missing };

struct Move {
    RenamePlanEntry entry;
    WorkedRow* row = nullptr;  // none when a batch is completed from its journal
    CatalogItem original;
    Place place = Place::Original;
};

struct Mover {
    std::string folder;
    FileOps& ops;
    bool showProgress = true;
};

std::string nameOf(const Move& move, Place place) {
    switch (place) {
        case Place::Original:
            return move.entry.oldName;
        case Place::Temporary:
            return move.entry.temporaryName;
        case Place::Final:
        case Place::Missing:
            return move.entry.finalName;
    }
    return std::string();
}

std::string pathOf(const Mover& mover, const Move& move, Place place) {
    if (place == Place::Original && !move.entry.oldPath.empty())
        return move.entry.oldPath;
    return mover.folder + nameOf(move, place);
}

// Moves one file and keeps its item in step with where the file is.
Result<> moveTo(const Mover& mover, Move& move, Place to) {
    // A rewrite of the file by another process (a metadata command, a rotation) holds this
    // lock from its read to its replacement: a move in between would leave the rewritten copy
    // under the old name and the original under the new one.
    const std::string from = pathOf(mover, move, move.place);
    RewriteLock rewrites(from);
    Result<> moved = mover.ops.moveNoReplace(from, pathOf(mover, move, to));
    if (!moved)
        return moved;
    move.place = to;
    if (!move.row)
        return {};
    if (to == Place::Original) {
        move.row->item = move.original;
    } else {
        move.row->item.fileName = nameOf(move, to);
        move.row->item.fullPath = pathOf(mover, move, to);
    }
    return {};
}

// Puts every moved file back under its name at batch start: final names go back to their
// temporary names first, since a final name may be another file's original name. Returns a
// text naming the files that could not be put back (empty when every one was).
std::string rollBack(const Mover& mover, std::vector<Move>& moves) {
    for (Place from : {Place::Final, Place::Temporary}) {
        const Place to = from == Place::Final ? Place::Temporary : Place::Original;
        for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
            if (move->place == from)
                (void)moveTo(mover, *move, to);  // what stays behind is named below
        }
    }
    std::string stranded;
    for (const Move& move : moves) {
        if (move.place == Place::Original || move.place == Place::Missing)
            continue;
        stranded += (stranded.empty() ? "" : "、") + move.entry.oldName + "（现名 " +
                    nameOf(move, move.place) + "）";
    }
    return stranded;
}

std::vector<ItemOutcome> failAll(size_t count, const Error& error) {
    setStatusText(1, error.message);
    return std::vector<ItemOutcome>(count, outcomeOf(error));
}

Error moveFailure(const Mover& mover, const Move& move, Place from, Place to, const Error& error,
                  std::vector<Move>& moves) {
    const std::string stranded = rollBack(mover, moves);
    std::string message = "重命名失败：无法将第 " + std::to_string(move.entry.row + 1) +
                          " 个图片 " + nameOf(move, from) + " 改名为 " + nameOf(move, to) + "（" +
                          error.message + "）";
    if (stranded.empty())
        return makeError(error.code, message + "，所有文件已恢复原名");
    return makeError(error.code, message + "；以下文件未能恢复原名：" + stranded);
}

RenameJournal journalOf(const std::vector<Move>& moves) {
    RenameJournal journal;
    for (const Move& move : moves) {
        journal.rows.push_back(
            {move.entry.oldName, move.entry.temporaryName, move.entry.finalName, {}});
    }
    return journal;
}

// Both passes from wherever each file is, the plan already in the journal. A failure says why,
// every moved file put back where possible. Success leaves an undo record when `keepUndo` is
// set and removes the journal.
Result<> runPasses(const Mover& mover, std::vector<Move>& moves, bool keepUndo) {
    for (Move& move : moves) {
        if (move.place != Place::Original)
            continue;
        if (mover.showProgress)
            statusPrintf("正在预处理第 %d 个图片……", move.entry.row + 1);
        if (Result<> moved = moveTo(mover, move, Place::Temporary); !moved)
            return moveFailure(mover, move, Place::Original, Place::Temporary, moved.error(),
                               moves);
    }
    if (Result<> marked = markSecondPass(mover.folder); !marked) {
        const std::string stranded = rollBack(mover, moves);
        return makeError(marked.code(),
                         "重命名失败：无法写入重命名日志（" + errorText(marked.code()) + "）" +
                             (stranded.empty() ? "，所有文件已恢复原名"
                                               : "；以下文件未能恢复原名：" + stranded));
    }
    for (Move& move : moves) {
        if (move.row)
            move.row->item.number = move.entry.number;
        if (move.place != Place::Temporary)
            continue;
        if (mover.showProgress)
            statusPrintf("正在重命名第 %d 个图片……", move.entry.row + 1);
        if (Result<> moved = moveTo(mover, move, Place::Final); !moved)
            return moveFailure(mover, move, Place::Original, Place::Final, moved.error(), moves);
    }
    // The names are final now: an undo record or a journal left behind costs nothing but an
    // undo that is refused or a recovery that finds every file in place.
    if (keepUndo) {
        RenameJournal undo = journalOf(moves);
        for (std::size_t i = 0; i < moves.size(); ++i) {
            if (moves[i].place == Place::Final)
                undo.rows[i].identity = fileIdentity(pathOf(mover, moves[i], Place::Final));
        }
        (void)writeJournalFile(mover.folder, kRenameUndoName, undo, mover.ops);
    } else {
        (void)removeJournalFile(mover.folder, kRenameUndoName, mover.ops);
    }
    (void)removeJournalFile(mover.folder, kRenameJournalName, mover.ops);
    return {};
}

// Journals the moves, then runs them. A failure that put every file back removes the journal;
// one that could not keeps it, so the next load tries again.
Result<> runJournalled(const Mover& mover, std::vector<Move>& moves, bool keepUndo) {
    if (Result<> journalled =
            writeJournalFile(mover.folder, kRenameJournalName, journalOf(moves), mover.ops);
        !journalled) {
        return makeError(journalled.code(),
                         "重命名失败：无法写入重命名日志（" + errorText(journalled.code()) + "）");
    }
    Result<> done = runPasses(mover, moves, keepUndo);
    bool allBack = true;
    for (const Move& move : moves)
        allBack = allBack && (move.place == Place::Original || move.place == Place::Missing);
    if (!done && allBack)
        (void)removeJournalFile(mover.folder, kRenameJournalName, mover.ops);
    return done;
}

bool exists(const std::string& path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

constexpr char kFolderBusy[] = "另一个程序正在重命名这个文件夹中的图片，请稍后再试";

// The folder's rename lock held by the caller.
std::optional<std::string> completeLocked(const std::string& folder, FileOps& ops);
Result<> undoLocked(const std::string& folder, std::string_view batchGuid, FileOps& ops);

}  // namespace

std::vector<ItemOutcome> runRename(const RenameParams& params, std::vector<WorkedRow>& rows,
                                   const BatchEnvironment& env, std::string_view batchGuid) {
    const RenamePlan plan = planRename(params, rows, env, batchGuid);
    if (plan.refused())
        return failAll(rows.size(), makeError(plan.refusal));
    std::vector<Move> moves;
    moves.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        moves.push_back({plan.entries[i], &rows[i], rows[i].item});

    const RenameFolderLock folderLock(env.currentFolder);
    if (folderLock.busy())
        return failAll(rows.size(), makeError(kFolderBusy));
    const Mover mover{env.currentFolder, *env.fileOps};
    if (Result<> done = runJournalled(mover, moves, true); !done)
        return failAll(rows.size(), done.error());
    std::vector<ItemOutcome> outcomes(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        outcomes[i].output = rows[i].item.fullPath;
    return outcomes;
}

std::optional<std::string> completeInterruptedRename(const std::string& folder, FileOps& ops) {
    // Every load of a folder comes here: without a journal it leaves the folder's rename lock
    // alone, so that a rename started meanwhile is not refused as if another were running.
    if (!exists(folder + kRenameJournalName))
        return std::nullopt;
    // A journal whose batch another process is running is no interrupted one.
    const RenameFolderLock folderLock(folder);
    if (folderLock.busy())
        return std::nullopt;
    return completeLocked(folder, ops);
}

Result<> undoLastRename(const std::string& folder, std::string_view batchGuid, FileOps& ops) {
    const RenameFolderLock folderLock(folder);
    if (folderLock.busy())
        return makeError(std::string("无法撤销重命名：") + kFolderBusy);
    completeLocked(folder, ops);
    return undoLocked(folder, batchGuid, ops);
}

namespace {

std::optional<std::string> completeLocked(const std::string& folder, FileOps& ops) {
    const std::optional<RenameJournal> journal = readJournalFile(folder, kRenameJournalName);
    if (!journal)
        return std::nullopt;
    std::vector<Move> moves;
    for (const JournalRow& row : journal->rows) {
        Move move;
        move.entry.row = static_cast<int>(moves.size());
        move.entry.oldName = row.oldName;
        move.entry.temporaryName = row.temporaryName;
        move.entry.finalName = row.finalName;
        // Before the second pass no file has its final name yet, and after it began none has
        // its old one: a name is never read as another row's.
        if (exists(folder + row.temporaryName)) {
            move.place = Place::Temporary;
        } else if (!journal->secondPass && exists(folder + row.oldName)) {
            move.place = Place::Original;
        } else if (journal->secondPass && exists(folder + row.finalName)) {
            move.place = Place::Final;
        } else {
            move.place = Place::Missing;
        }
        moves.push_back(std::move(move));
    }
    const Mover mover{folder, ops, false};
    if (Result<> done = runPasses(mover, moves, true); !done) {
        setStatusText(1, "上次中断的重命名未能完成：" + done.message());
        return done.message();
    }
    const std::string done =
        "已完成上次中断的重命名：" + std::to_string(moves.size()) + " 个图片已改为新名";
    setStatusText(1, done);
    return done;
}

Result<> undoLocked(const std::string& folder, std::string_view batchGuid, FileOps& ops) {
    const std::optional<RenameJournal> record = readJournalFile(folder, kRenameUndoName);
    if (!record || record->rows.empty())
        return makeError("无法撤销重命名：该文件夹没有可以撤销的重命名");
    std::set<std::string> finals;
    for (const JournalRow& row : record->rows)
        finals.insert(row.finalName);
    std::vector<Move> moves;
    for (const JournalRow& row : record->rows) {
        if (!exists(folder + row.finalName)) {
            return makeError("无法撤销重命名：文件夹在重命名之后已有改动，" + row.finalName +
                             " 已不存在");
        }
        // Another file under the new name (a copy over it, an edit written as a new file) would
        // take a name that was never its own.
        if (!row.identity.empty() && fileIdentity(folder + row.finalName) != row.identity) {
            return makeError("无法撤销重命名：" + row.finalName +
                             " 在重命名之后已被替换或修改，为免弄错文件，没有移动任何文件");
        }
        if (!finals.count(row.oldName) && exists(folder + row.oldName)) {
            return makeError("无法撤销重命名：文件夹在重命名之后已有改动，已有另一个文件名为 " +
                             row.oldName);
        }
        Move move;
        move.entry.row = static_cast<int>(moves.size());
        move.entry.oldName = row.finalName;
        move.entry.temporaryName = std::string(batchGuid) + std::to_string(moves.size());
        move.entry.finalName = row.oldName;
        moves.push_back(std::move(move));
    }
    const Mover mover{folder, ops, false};
    if (Result<> done = runJournalled(mover, moves, false); !done)
        return makeError(done.code(), "无法撤销重命名：" + done.message());
    setStatusText(1, "已撤销上次的重命名：" + std::to_string(moves.size()) + " 个图片已恢复原名");
    return {};
}

}  // namespace

}  // namespace pixmill
