#pragma once
// How a panel or command starts its batch: it builds the job, the starter runs it. The
// starter returns an empty text when the batch started, otherwise why it did not (a load or
// another batch runs); the driver has already put that reason into the status line.

#include <QString>

#include <functional>
#include <string>

#include "engine/batch/batch_job.h"

namespace pixmill {

class AppSettings;
class BatchDriver;
class CatalogModel;

using BatchStarter = std::function<std::string(BatchJob job)>;

// What every routine of a batch started now shares: the catalog's folder, the output folder
// (with a trailing separator) and the number of rows.
BatchEnvironment batchEnvironment(const CatalogModel& model, const AppSettings& settings);

// The window's starter: the job on `driver`, with the environment of the moment it starts.
BatchStarter driverStarter(BatchDriver& driver, const CatalogModel& model,
                           const AppSettings& settings);

// The ticked rows as a batch would take them (for previews that compute what it would do).
std::vector<WorkedRow> tickedWorkedRows(const CatalogModel& model);

}  // namespace pixmill
