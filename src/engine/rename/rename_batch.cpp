#include "engine/rename/rename_batch.h"

#include <cstdio>

#include "engine/platform/status.h"

namespace pixmill {
namespace {

enum class Place { Original, Temporary, Final };

struct Move {
    const RenamePlanEntry& entry;
    WorkedRow& row;
    CatalogItem original;
    Place place = Place::Original;
};

std::string pathOf(const BatchEnvironment& env, const Move& move, Place place) {
    switch (place) {
        case Place::Original:
            return move.entry.oldPath;
        case Place::Temporary:
            return env.currentFolder + move.entry.temporaryName;
        case Place::Final:
            return env.currentFolder + move.entry.finalName;
    }
    return std::string();
}

std::string nameOf(const Move& move, Place place) {
    switch (place) {
        case Place::Original:
            return move.entry.oldName;
        case Place::Temporary:
            return move.entry.temporaryName;
        case Place::Final:
            return move.entry.finalName;
    }
    return std::string();
}

// Moves one file and keeps its item in step with where the file is.
int moveTo(const BatchEnvironment& env, Move& move, Place to) {
    const int error =
        env.fileOps->moveNoReplace(pathOf(env, move, move.place), pathOf(env, move, to));
    if (error != 0)
        return error;
    move.place = to;
    if (to == Place::Original) {
        move.row.item = move.original;
    } else {
        move.row.item.fileName = nameOf(move, to);
        move.row.item.fullPath = pathOf(env, move, to);
    }
    return 0;
}

// Puts every moved file back under its name at batch start: final names go back to their
// temporary names first, since a final name may be another file's original name. Returns a
// text naming the files that could not be put back (empty when every one was).
std::string rollBack(const BatchEnvironment& env, std::vector<Move>& moves) {
    for (Place from : {Place::Final, Place::Temporary}) {
        const Place to = from == Place::Final ? Place::Temporary : Place::Original;
        for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
            if (move->place == from)
                moveTo(env, *move, to);
        }
    }
    std::string stranded;
    for (const Move& move : moves) {
        if (move.place == Place::Original)
            continue;
        stranded += (stranded.empty() ? "" : "、") + move.entry.oldName + "（现名 " +
                    nameOf(move, move.place) + "）";
    }
    return stranded;
}

std::vector<ItemOutcome> failAll(size_t count, const std::string& message) {
    setStatusText(1, message);
    ItemOutcome failed;
    failed.status = ItemStatus::Failed;
    failed.message = message;
    return std::vector<ItemOutcome>(count, failed);
}

std::string moveFailure(const BatchEnvironment& env, const Move& move, Place from, Place to,
                        int error, std::vector<Move>& moves) {
    const std::string stranded = rollBack(env, moves);
    std::string message = "重命名失败：无法将第 " + std::to_string(move.entry.row + 1) +
                          " 个图片 " + nameOf(move, from) + " 改名为 " + nameOf(move, to) + "（" +
                          errorText(error) + "）";
    if (stranded.empty())
        return message + "，所有文件已恢复原名";
    return message + "；以下文件未能恢复原名：" + stranded;
}

}  // namespace

std::vector<ItemOutcome> runRename(const RenameParams& params, std::vector<WorkedRow>& rows,
                                   const BatchEnvironment& env, std::string_view batchGuid) {
    const RenamePlan plan = planRename(params, rows, env, batchGuid);
    if (plan.refused())
        return failAll(rows.size(), plan.refusal);
    std::vector<Move> moves;
    moves.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        moves.push_back({plan.entries[i], rows[i], rows[i].item});

    for (Move& move : moves) {
        statusPrintf("正在预处理第 %d 个图片……", move.entry.row + 1);
        if (int error = moveTo(env, move, Place::Temporary)) {
            return failAll(rows.size(),
                           moveFailure(env, move, Place::Original, Place::Temporary, error, moves));
        }
    }
    for (Move& move : moves) {
        move.row.item.number = move.entry.number;
        statusPrintf("正在重命名第 %d 个图片……", move.entry.row + 1);
        if (int error = moveTo(env, move, Place::Final)) {
            return failAll(rows.size(),
                           moveFailure(env, move, Place::Original, Place::Final, error, moves));
        }
    }
    std::vector<ItemOutcome> outcomes(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        outcomes[i].output = rows[i].item.fullPath;
    return outcomes;
}

}  // namespace pixmill
