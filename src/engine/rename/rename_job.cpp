#include <QUuid>

#include "engine/rename/rename_batch.h"

namespace pixmill {

std::string newBatchGuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower().toStdString();
}

BatchJob makeRenameJob(const RenameParams& params) {
    BatchJob job;
    job.kind = BatchKind::Rename;
    job.wholeBatch = [params](std::vector<WorkedRow>& rows, const BatchEnvironment& env) {
        return runRename(params, rows, env, newBatchGuid());
    };
    return job;
}

Result<> undoLastRename(const std::string& folder) {
    return undoLastRename(folder, newBatchGuid());
}

RenamePlan dryRunRename(const RenameParams& params, const std::vector<WorkedRow>& rows,
                        const BatchEnvironment& env) {
    return planRename(params, rows, env, newBatchGuid());
}

}  // namespace pixmill
