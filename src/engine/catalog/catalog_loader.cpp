#include "engine/catalog/catalog_loader.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>

#include "engine/app/app_settings.h"
#include "engine/app/object_thread.h"
#include "engine/app/profile.h"
#include "engine/platform/native_path.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"
#include "engine/rename/rename_batch.h"

namespace pixmill {

CatalogLoader::CatalogLoader(LoaderSetup setup) : setup_(std::move(setup)) {
    if (setup_.profile)
        history_.load(*setup_.profile);
}

CatalogLoader::~CatalogLoader() {
    wait();
}

bool CatalogLoader::running() const {
    return setup_.gate->running() == WorkKind::Load;
}

void CatalogLoader::wait() {
    turnEventsUntil([this] { return !worker_.joinable() || !running(); });
    if (worker_.joinable())
        worker_.join();
}

void CatalogLoader::onModelThread(const std::function<void()>& work) {
    runOnObjectThread(setup_.model, work);
}

Result<> CatalogLoader::enter(const QString& folderText) {
    if (!pathExists(folderText))
        return makeError(ENOENT, "no such folder: " + pathBytes(folderText));
    std::string refusal;
    if (!setup_.gate->tryEnter(WorkKind::Load, &refusal)) {
        setStatusText(1, refusal);
        return makeError(EBUSY, refusal);
    }
    return {};
}

Result<> CatalogLoader::loadFolder(const QString& folderText) {
    if (Result<> entered = enter(folderText); !entered)
        return entered;
    if (worker_.joinable())
        worker_.join();
    worker_ = std::thread([this, folderText] {
        run(folderText);
        setup_.gate->leave();
    });
    return {};
}

Result<> CatalogLoader::loadFolderNow(const QString& folderText) {
    if (Result<> entered = enter(folderText); !entered)
        return entered;
    run(folderText);
    setup_.gate->leave();
    return {};
}

void CatalogLoader::run(const QString& folderText) {
    setStatusText(1, "正在加载图片，请稍等……");
    if (setup_.observer)
        setup_.observer->loadBegin();

    const QString folder = normalizedFolder(folderText);
    if (isReadableFolder(folder)) {
        onModelThread([&] {
            history_.use(folderText);
            if (setup_.profile) {
                history_.save(*setup_.profile);
                setup_.profile->writeString("path", "lastview", profileTextForPath(folder));
                setup_.profile->flush();
            }
            if (setup_.settings)
                setup_.settings->lastViewFolder = folder;
            if (setup_.observer)
                setup_.observer->historyChanged(history_.entries());
        });
    }

    // What a crash may have left: our temporaries go, an interrupted rename is completed (its
    // text stays in the status line below the count).
    const std::string nativeFolder = pathBytes(folder);
    removeStaleTemporaries(nativeFolder);
    const std::optional<std::string> recovered = completeInterruptedRename(nativeFolder);

    std::vector<CatalogItem> items = scanFolder(
        folder, setup_.reader, [](int count) { statusPrintf("已找到 %d 张图片", count); });
    const int count = static_cast<int>(items.size());
    onModelThread([&] { setup_.model->resetRows(folder, std::move(items)); });

    if (count == 0) {
        setStatusText(1, "未发现任何图片，请检查目录：" + pathBytes(folderText));
    } else {
        statusPrintf("共加载 %d 张图片，可以进行批量操作了", count);
    }
    if (recovered)
        setStatusText(1, *recovered);
    if (setup_.observer)
        setup_.observer->loadEnd(count);
}

}  // namespace pixmill
