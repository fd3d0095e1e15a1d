#include "engine/batch/batch_driver.h"

#include <QCoreApplication>
#include <QThread>

#include <sys/stat.h>

#include <condition_variable>
#include <map>
#include <mutex>

#include "engine/app/object_thread.h"
#include "engine/imaging/pixel_pool.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {

BatchDriver::BatchDriver(CatalogModel& model, WorkGate& gate, BatchObserver* observer, int poolSize)
    : model_(model), gate_(gate), observer_(observer) {
    pool_.setMaxThreadCount(poolSize > 0 ? poolSize : QThread::idealThreadCount());
}

BatchDriver::~BatchDriver() {
    wait();
}

bool BatchDriver::running() const {
    return worker_.joinable() && gate_.running() == WorkKind::Batch;
}

void BatchDriver::wait() {
    turnEventsUntil([this] { return !running(); });
    if (worker_.joinable())
        worker_.join();
}

std::string BatchDriver::checkStart(BatchKind kind, StartOrigin origin) const {
    return pixmill::checkStart(model_, &gate_, origin, kind);
}

std::string BatchDriver::start(BatchJob job, BatchEnvironment environment) {
    std::string refusal;
    if (!gate_.tryEnter(WorkKind::Batch, &refusal)) {
        setStatusText(1, refusal);
        return refusal;
    }
    if (worker_.joinable())
        worker_.join();
    std::vector<TickedRow> rows = model_.tickedRows();
    environment.catalogRows = model_.rowCount();
    worker_ = std::thread([this, job = std::move(job), environment = std::move(environment),
                           rows = std::move(rows)]() mutable {
        run(std::move(job), std::move(environment), std::move(rows));
        gate_.leave();
    });
    return {};
}

std::vector<ItemOutcome> BatchDriver::workRows(const BatchJob& job,
                                               const BatchEnvironment& environment,
                                               std::vector<WorkedRow>& rows) {
    std::vector<ItemOutcome> outcomes(rows.size());
    switch (batchKindInfo(job.kind).pattern) {
        case BatchPattern::WholeBatch:
            if (job.wholeBatch)
                outcomes = job.wholeBatch(rows, environment);
            outcomes.resize(rows.size());
            reportProgress(static_cast<int>(rows.size()), static_cast<int>(rows.size()));
            break;
        case BatchPattern::Sequential:
            workInSequence(job, environment, rows, outcomes);
            break;
        case BatchPattern::PerItem: {
            // Each task writes only its own row and outcome. The count of finished tasks, under
            // our own lock, orders those writes before anything below reads them.
            std::mutex mutex;
            std::condition_variable allDone;
            size_t finished = 0;
            for (size_t i = 0; i < rows.size(); ++i) {
                startOnPool(pool_, [&, i] {
                    outcomes[i] = job.perItem(rows[i], environment);
                    std::lock_guard lock(mutex);
                    reportProgress(static_cast<int>(++finished), static_cast<int>(rows.size()));
                    if (finished == rows.size())
                        allDone.notify_one();
                });
            }
            std::unique_lock lock(mutex);
            allDone.wait(lock, [&] { return finished == rows.size(); });
            lock.unlock();
            pool_.waitForDone();  // the pool lets go of the finished tasks
            break;
        }
    }
    releasePooledMemory();  // the pictures' memory kept for the next one: nothing follows
    return outcomes;
}

void BatchDriver::workInSequence(const BatchJob& job, const BatchEnvironment& environment,
                                 std::vector<WorkedRow>& rows, std::vector<ItemOutcome>& outcomes) {
    const int total = static_cast<int>(rows.size());
    int done = 0;
    std::map<long, size_t> indexOfRow;  // a staged rewrite's tag (its catalog row) -> index
    for (size_t i = 0; i < rows.size(); ++i)
        indexOfRow[rows[i].row] = i;
    // A row that staged a rewrite is done when the group has put it in place.
    RewriteGroup group(
        [&](long tag, const Result<>& written) {
            const auto found = indexOfRow.find(tag);
            if (found == indexOfRow.end())
                return;
            if (!written)
                outcomes[found->second] = outcomeOf(written.error());
            reportProgress(++done, total);
        },
        *environment.fileOps);
    BatchEnvironment withGroup = environment;
    withGroup.rewrites = &group;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::uint64_t before = group.stagedInAll();
        outcomes[i] = job.perItem(rows[i], withGroup);
        if (group.stagedInAll() == before)
            reportProgress(++done, total);
        if (group.full())
            group.commit();
    }
    group.commit();
}

void BatchDriver::reportProgress(int done, int total) {
    if (observer_)
        observer_->batchProgress(done, total);
}

std::string BatchDriver::endFolderOf(BatchKind kind, const BatchEnvironment& environment) const {
    std::string folder;
    switch (batchKindInfo(kind).endFolder) {
        case EndFolder::None:
            return {};
        case EndFolder::CurrentFolder:
            folder = environment.currentFolder;
            break;
        case EndFolder::OutputDir:
            folder = environment.outputDir;
            break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 ? folder : std::string();
}

void BatchDriver::run(BatchJob job, BatchEnvironment environment, std::vector<TickedRow> ticked) {
    setStatusText(1, "开始进行批量处理……");
    if (observer_)
        observer_->batchBegin(job.kind);
    reportProgress(0, static_cast<int>(ticked.size()));

    std::vector<WorkedRow> rows;
    rows.reserve(ticked.size());
    for (const TickedRow& row : ticked)
        rows.push_back(WorkedRow{row.row, row.copy});

    std::vector<ItemOutcome> outcomes(rows.size());
    const Result<> prepared = job.prepare ? job.prepare() : Result<>();
    if (!prepared) {
        setStatusText(1, prepared.message());
        for (ItemOutcome& outcome : outcomes)
            outcome = outcomeOf(prepared.error());
    } else if (!rows.empty()) {
        outcomes = workRows(job, environment, rows);
    }

    if (batchKindInfo(job.kind).repaintsCatalog) {
        std::vector<std::pair<CatalogRecord, CatalogItem>> changed;
        for (size_t i = 0; i < rows.size(); ++i)
            changed.emplace_back(ticked[i].record, rows[i].item);
        runOnObjectThread(&model_, [&] { model_.updateRecords(changed); });
    }

    std::vector<RowOutcome> report;
    report.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        report.push_back(
            RowOutcome{ticked[i].row, ticked[i].copy.fileName, outcomes[i], ticked[i].record});
    }
    if (observer_)
        observer_->batchEnd(job.kind, endFolderOf(job.kind, environment), report);
}

}  // namespace pixmill
