#pragma once
// The rename batch (kind 0): every ticked file gets its final name in two passes, first to a
// temporary name unique to the batch, then to the name the rule gives, so that new names may
// reuse the names other ticked files had. Every name is computed and checked before anything
// moves; a move that fails puts every moved file back. No file is ever replaced or lost. The
// plan is journalled in the folder before the first move (rename_journal.h).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/batch/batch_job.h"
#include "engine/rename/rename_plan.h"

namespace pixmill {

// A new GUID as 36 lower-case hex digits and hyphens, without braces. (pixmill_engine)
std::string newBatchGuid();

// The batch job the driver runs: pattern WholeBatch, end folder currentFolder. (pixmill_engine)
BatchJob makeRenameJob(const RenameParams& params);

// What the batch would do, computed exactly as it would (both passes' names and every check)
// with a new GUID, moving nothing. (pixmill_engine)
RenamePlan dryRunRename(const RenameParams& params, const std::vector<WorkedRow>& rows,
                        const BatchEnvironment& env);

// The batch itself with a given GUID: plans, then moves through env.fileOps. On success each
// row's item carries its new fileName and fullPath and its rename number; a refused or failed
// batch leaves the items as they were (or, should putting a file back fail, naming where that
// file now is) and writes its reason into the status line. Returns one outcome per row: ok
// with the new path as output, or failed with the reason. (pixmill_plain)
std::vector<ItemOutcome> runRename(const RenameParams& params, std::vector<WorkedRow>& rows,
                                   const BatchEnvironment& env, std::string_view batchGuid);

// Completes a batch that was cut short in `folder` (trailing separator) from its journal:
// every file under its new name (or, should a move fail, every one back under its old name).
// Nothing when the folder holds no journal; otherwise the text also put into the status line.
std::optional<std::string> completeInterruptedRename(const std::string& folder,
                                                     FileOps& ops = systemFileOps());

// Puts back the names of the folder's last finished rename, itself journalled, with
// temporary names built on `batchGuid`. Refused, moving nothing, when the folder has changed
// since in a way that makes it unsafe (a renamed file is gone, an old name is taken by
// another file). On success the status line says so; a failure's message is the reason.
Result<> undoLastRename(const std::string& folder, std::string_view batchGuid,
                        FileOps& ops = systemFileOps());
// The same with a new GUID. (pixmill_engine)
Result<> undoLastRename(const std::string& folder);

}  // namespace pixmill
