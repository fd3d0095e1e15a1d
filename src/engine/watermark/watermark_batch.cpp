#include "engine/watermark/watermark_batch.h"

#include <QPainter>

#include <algorithm>
#include <memory>

#include "engine/imaging/batch_output.h"
#include "engine/imaging/error_log.h"
#include "engine/imaging/image_io.h"
#include "engine/platform/status.h"
#include "engine/watermark/watermark_text.h"

namespace pixmill {
namespace {

struct Borders {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A border is at most as wide as the picture itself on its side: anything wider is a damaged
// or hostile layout, and would only multiply the memory the output takes.
Borders bordersOf(const CWaterMarkersHeader& header, QSize picture) {
    if (!header.borderOn)
        return Borders{};
    auto across = [&](int value) { return std::clamp(value, 0, picture.width()); };
    auto down = [&](int value) { return std::clamp(value, 0, picture.height()); };
    return Borders{across(header.borderLeft), down(header.borderTop), across(header.borderRight),
                   down(header.borderBottom)};
}

// The output canvas: opaque white, so the transparent parts of a PNG come out white in the
// JPEG (or in the border colour, which covers all of it when there is a border); then the
// source at its own size. An opaque source without a border is its own canvas: drawing it
// over white would give the same pixels, at the cost of a second full-size copy.
QImage composeCanvas(QImage source, const CWaterMarkersHeader& header) {
    if (!header.borderOn && !source.hasAlphaChannel() && source.depth() == 32)
        return source;
    Borders border = bordersOf(header, source.size());
    QImage canvas(source.width() + border.left + border.right,
                  source.height() + border.top + border.bottom, QImage::Format_RGB32);
    if (canvas.isNull())
        return canvas;
    canvas.fill(header.borderOn ? colorFromBgr(header.borderColor) : QColor(Qt::white));
    QPainter painter(&canvas);
    painter.drawImage(QPoint(border.left, border.top), source);
    return canvas;
}

ItemOutcome failed(const CatalogItem& item, const ErrorLogFunction& logError, std::string message) {
    if (logError)
        logError("save file failed: " + item.fullPath);
    return outcomeOf(makeError(std::move(message)));
}

}  // namespace

void appendBatchErrorLog(const std::string& text) {
    // The one error log: numbered and written under one lock with every other entry.
    logBatchError(text);
}

namespace {

ItemOutcome stamp(const CatalogItem& item, const CControlTracker& group,
                  const std::string& outputDir, const ErrorLogFunction& logError) {
    LoadedImage source = loadImage(item.fullPath);
    if (source.isNull()) {
        return failed(item, logError,
                      source.refusal.empty() ? "cannot decode " + item.fullPath : source.refusal);
    }
    QImage canvas = composeCanvas(std::move(source.image), group.header);
    source.image = QImage();  // the canvas holds the pixels now; keep one copy in memory
    if (canvas.isNull())
        return failed(item, logError, "image too large to stamp");
    {
        QPainter painter(&canvas);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        group.renderAligned(canvas.width(), canvas.height(), painter, &item);
    }
    std::string output = outputDir + item.fileName;
    if (Result<> saved =
            saveAsJpeg(canvas, source.resolution, output, systemFileOps(), source.iccProfile);
        !saved)
        return failed(item, logError, "cannot save " + output);
    return ItemOutcome{ItemStatus::Ok, output, source.colourNote};
}

}  // namespace

ItemOutcome watermarkImage(const CatalogItem& item, const CControlTracker& group,
                           const std::string& outputDir, const ErrorLogFunction& logError) {
    ItemOutcome outcome = stamp(item, group, outputDir, logError);
    statusPrintf("已为第 %d 张图片添加水印：%s", item.number + 1, item.fileName.c_str());
    return outcome;
}

BatchJob makeWatermarkJob(const std::string& layoutFilePath, ErrorLogFunction logError) {
    auto group = std::make_shared<CControlTracker>();
    BatchJob job;
    job.kind = BatchKind::Watermark;
    job.pattern = BatchPattern::PerItem;
    job.prepare = [group, layoutFilePath]() -> Result<> {
        if (!group->loadLayout(layoutFilePath, nullptr))
            return makeError("水印模板无法读取：" + layoutFilePath);
        // A layer picture that is missing, no regular file or no picture stops the batch
        // before it starts, as a layout that cannot be read does.
        for (const auto& layer : group->layers) {
            if (!layer->imagePath.empty() && (!layer->image || layer->image->isNull()))
                return makeError("水印图片无法读取：" + layer->imagePath);
        }
        return {};
    };
    job.perItem = [group, logError](WorkedRow& row, const BatchEnvironment& env) {
        if (Result<> allowed = checkOutput(env, row.item); !allowed)
            return outcomeOf(allowed.error());
        return watermarkImage(row.item, *group, env.outputDir, logError);
    };
    return job;
}

}  // namespace pixmill
