#pragma once
// Runs one batch over the ticked rows of the catalog on its own worker thread.
//
// The worker tells an observer that the batch begins, works every row ticked when the batch
// started (in row order; sequentially, concurrently on a bounded pool, or all at once, as the
// kind's batch table entry says), writes changed records back into the catalog, and tells the
// observer that it has ended, with every row's outcome and the folder to open. The observer is
// called on the worker and is expected to have handled the call when it returns (the GUI marshals
// it with a blocking queued call). The worker never runs on the pool it waits for.

#include <QThreadPool>

#include <string>
#include <thread>
#include <vector>

#include "engine/batch/batch_job.h"
#include "engine/batch/batch_starter.h"
#include "engine/batch/batch_table.h"
#include "engine/batch/work_gate.h"
#include "engine/catalog/catalog_model.h"

namespace pixmill {

struct RowOutcome {
    int row = 0;
    std::string fileName;  // before the batch
    ItemOutcome outcome;
    CatalogRecord record;  // the row's record, found again however the rows moved since
};

class BatchObserver {
  public:
    virtual ~BatchObserver() = default;
    // "开始进行批量处理……" is already in the status line.
    virtual void batchBegin(BatchKind kind) { (void)kind; }
    // `done` of `total` worked rows have finished: once with 0 after the begin, then after each
    // row. Called on whichever thread finished the row; must not block for long.
    virtual void batchProgress(int done, int total) { (void)done, (void)total; }
    // `endFolder` is empty when there is none or it does not exist.
    virtual void batchEnd(BatchKind kind, const std::string& endFolder,
                          const std::vector<RowOutcome>& outcomes) {
        (void)kind, (void)endFolder, (void)outcomes;
    }
};

class BatchDriver {
  public:
    // `poolSize` 0 means as many workers as cores.
    BatchDriver(CatalogModel& model, WorkGate& gate, BatchObserver* observer, int poolSize = 0);
    ~BatchDriver();  // waits for a running batch

    // checkStart (batch_starter.h) over this driver's catalog and gate.
    std::string checkStart(BatchKind kind, StartOrigin origin = StartOrigin::Starter) const;

    // Takes the ticked rows and starts the worker; returns at once. Refuses (empty return is
    // success, otherwise the message, also put into the status line) while a load or another
    // batch runs. Model thread.
    std::string start(BatchJob job, BatchEnvironment environment);

    // Waits for the worker; the model's thread keeps handling events meanwhile.
    void wait();
    bool running() const;

  private:
    void run(BatchJob job, BatchEnvironment environment, std::vector<TickedRow> rows);
    std::vector<ItemOutcome> workRows(const BatchJob& job, const BatchEnvironment& environment,
                                      std::vector<WorkedRow>& rows);
    // The Sequential pattern: rows one after another, their staged rewrites committed in blocks.
    void workInSequence(const BatchJob& job, const BatchEnvironment& environment,
                        std::vector<WorkedRow>& rows, std::vector<ItemOutcome>& outcomes);
    void reportProgress(int done, int total);
    std::string endFolderOf(BatchKind kind, const BatchEnvironment& environment) const;

    CatalogModel& model_;
    WorkGate& gate_;
    BatchObserver* observer_;
    QThreadPool pool_;
    std::thread worker_;
};

}  // namespace pixmill
