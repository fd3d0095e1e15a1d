#include "engine/batch/batch_starter.h"

#include <QDir>

#include "engine/app/app_settings.h"
#include "engine/batch/batch_driver.h"
#include "engine/batch/work_gate.h"
#include "engine/catalog/catalog_model.h"
#include "engine/platform/native_path.h"

namespace pixmill {

namespace {
std::string withSeparator(const QString& folder) {
    std::string text = pathBytes(QDir::fromNativeSeparators(folder));
    if (!text.empty() && text.back() != '/')
        text += '/';
    return text;
}
}  // namespace

std::string checkStart(const CatalogModel& model, const WorkGate* gate, StartOrigin origin,
                       std::optional<BatchKind> kind) {
    const bool needsTicked =
        origin == StartOrigin::MenuCommand || (kind && batchKindInfo(*kind).needsTickedRows);
    if (origin == StartOrigin::Starter) {
        if (gate && gate->busy())
            return WorkGate::refusalFor(gate->running());
        if (model.rowCount() == 0)
            return kNoImagesMessage;
    }
    if (needsTicked && model.tickedCount() == 0)
        return kNothingTickedMessage;
    return {};
}

BatchEnvironment batchEnvironment(const CatalogModel& model, const AppSettings& settings) {
    BatchEnvironment env;
    env.currentFolder = withSeparator(model.currentFolder());
    env.outputDir = withSeparator(settings.outputDir);
    env.catalogRows = model.rowCount();
    env.catalogNames = catalogFileNames(model);
    return env;
}

BatchStarter driverStarter(BatchDriver& driver, const CatalogModel& model,
                           const AppSettings& settings) {
    return [&driver, &model, &settings](BatchJob job) {
        return driver.start(std::move(job), batchEnvironment(model, settings));
    };
}

std::vector<std::string> catalogFileNames(const CatalogModel& model) {
    std::vector<std::string> names;
    names.reserve(std::size_t(model.rowCount()));
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.item(row).fileName);
    return names;
}

std::vector<WorkedRow> tickedWorkedRows(const CatalogModel& model) {
    std::vector<WorkedRow> rows;
    for (const TickedRow& ticked : model.tickedRows())
        rows.push_back(WorkedRow{ticked.row, ticked.copy});
    return rows;
}

}  // namespace pixmill
