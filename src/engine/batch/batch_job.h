#pragma once
// What one batch operation hands the batch driver: its kind and the routine it runs.
//
// Each operation lives in its own subsystem file with the same shape: a parameter record, a
// per-item routine, and a `make...Job(params)` that returns a BatchJob; how it runs is its
// entry in the batch table (batch_table.h). The driver walks the catalog, collects the ticked
// rows, and runs the job; it never restates what an operation does. Plain C++: the metadata
// and renaming operations, which are std-only, build jobs too.

#include <functional>
#include <string>
#include <vector>

#include "engine/batch/batch_kind.h"
#include "engine/batch/batch_table.h"
#include "engine/catalog/catalog_item.h"
#include "engine/platform/file_ops.h"

namespace pixmill {

class RewriteGroup;

// A ticked row as the batch sees it: a copy of the catalog record taken when the batch
// started. A routine that renames or re-dates a file updates `item`; the driver writes the
// changed records back into the catalog when the batch has ended.
struct WorkedRow {
    int row = 0;  // catalog row index, counting from 0
    CatalogItem item;
};

// What every routine of one batch shares. Folders carry a trailing separator.
struct BatchEnvironment {
    std::string currentFolder;  // the catalog's folder
    std::string outputDir;      // where kinds 1, 4 and 5 write
    int catalogRows = 0;        // rows in the catalog, ticked or not (the rename's <no> padding)
    // The file names of every catalog row, ticked or not: the outputs of resize, crop and
    // watermark are named against all of them (OutputNames), so that names do not depend on
    // which rows are ticked.
    std::vector<std::string> catalogNames = {};
    FileOps* fileOps = &systemFileOps();
    // Sequential batches only (null otherwise): a routine that rewrites its row's file in place
    // may stage the rewrite here with the row's index `row` as tag instead of writing it at
    // once; the driver commits the group every few rows, so the rewrites are flushed together.
    // Such a row's outcome holds once its rewrite is in place: the driver turns it into the
    // rewrite's failure when that fails, and counts the row as done only then.
    RewriteGroup* rewrites = nullptr;
};

// Works one row. Reports its own progress text (statusPrintf) where the operation has one;
// never throws: a failure is an outcome and the batch goes on.
using ItemRoutine = std::function<ItemOutcome(WorkedRow& row, const BatchEnvironment& env)>;
// Works every row at once; returns one outcome per row, in the rows' order. Used when the
// rows depend on each other (a rename checks every final name before anything moves).
using WholeBatchRoutine = std::function<std::vector<ItemOutcome>(std::vector<WorkedRow>& rows,
                                                                 const BatchEnvironment& env)>;

struct BatchJob {
    BatchKind kind = BatchKind::Rename;  // the driver runs it as the kind's table entry says
    ItemRoutine perItem;                 // for Sequential and PerItem
    WholeBatchRoutine wholeBatch;        // for WholeBatch
    // Runs once on the worker before the first row, for a job that must load something
    // (the watermark layout); a failure refuses the whole batch. Optional.
    std::function<Result<>()> prepare;
};

}  // namespace pixmill
