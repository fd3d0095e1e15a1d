#pragma once
// How a batch is asked for and started. Every front end asks checkStart first, the one place
// that refuses a start; then a panel or command builds the job and the starter runs it. The
// starter returns an empty text when the batch started, otherwise why it did not (a load or
// another batch runs); the driver has already put that reason into the status line.

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/batch/batch_job.h"

namespace pixmill {

class AppSettings;
class BatchDriver;
class CatalogModel;
class WorkGate;

enum class StartOrigin {
    // The start button's panel, or the command line: refused while a load or a batch runs
    // and for an empty catalog; a kind that needs ticked rows also needs one ticked.
    Starter,
    // A command of the "批量操作" menu or the toolbar: refused when nothing is ticked, whatever
    // the command goes on to do (panel switches and the popup menu included).
    MenuCommand,
};

// Why a start may not go on now ("尚未导入图片，请先添加图片!", "请先勾选您要编辑的图片!", or the
// gate's refusal when `gate` is given); empty when it may. `kind` is the batch asked for, none
// when the request starts no batch by itself (a panel switch, the start button before its
// panel has chosen). Model thread.
std::string checkStart(const CatalogModel& model, const WorkGate* gate, StartOrigin origin,
                       std::optional<BatchKind> kind = std::nullopt);

using BatchStarter = std::function<std::string(BatchJob job)>;

// What every routine of a batch started now shares: the catalog's folder, the output folder
// (with a trailing separator) and the number of rows.
BatchEnvironment batchEnvironment(const CatalogModel& model, const AppSettings& settings);

// The window's starter: the job on `driver`, with the environment of the moment it starts.
BatchStarter driverStarter(BatchDriver& driver, const CatalogModel& model,
                           const AppSettings& settings);

// The file name of every row, ticked or not, in row order. Model thread.
std::vector<std::string> catalogFileNames(const CatalogModel& model);

// The ticked rows as a batch would take them (for previews that compute what it would do).
std::vector<WorkedRow> tickedWorkedRows(const CatalogModel& model);

}  // namespace pixmill
