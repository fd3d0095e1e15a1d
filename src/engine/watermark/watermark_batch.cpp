#include "engine/watermark/watermark_batch.h"

#include <QPainter>

#include <algorithm>
#include <memory>

#include "engine/imaging/batch_output.h"
#include "engine/imaging/error_log.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/output_format.h"
#include "engine/imaging/pixel_budget.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"
#include "engine/watermark/watermark_text.h"

namespace pixmill {
namespace {

struct Borders {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A border scales with the layout. It is at most as wide as the picture itself on its side:
// anything wider is a damaged or hostile layout, and would only multiply the memory the output
// takes.
Borders bordersOf(const CWaterMarkersHeader& header, QSize picture, double scale) {
    if (!header.borderOn)
        return Borders{};
    auto scaled = [scale](int value, int limit) {
        return static_cast<int>(
            std::clamp(std::llround(value * scale), 0LL, static_cast<long long>(limit)));
    };
    auto across = [&](int value) { return scaled(value, picture.width()); };
    auto down = [&](int value) { return scaled(value, picture.height()); };
    return Borders{across(header.borderLeft), down(header.borderTop), across(header.borderRight),
                   down(header.borderBottom)};
}

// The output canvas: opaque white, so the transparent parts of a PNG come out white in the
// JPEG (or in the border colour, which covers all of it when there is a border); then the
// source at its own size. An opaque source without a border is its own canvas: drawing it
// over white would give the same pixels, at the cost of a second full-size copy.
QImage composeCanvas(QImage source, const CWaterMarkersHeader& header, const Borders& border) {
    if (!header.borderOn && !source.hasAlphaChannel() && source.depth() == 32)
        return source;
    const QSize size(source.width() + border.left + border.right,
                     source.height() + border.top + border.bottom);
    QImage canvas(size, QImage::Format_RGB32);
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

QImage stampPicture(LoadedImage& source, const CControlTracker& group, const CatalogItem* item) {
    const double scale =
        stampScaleFor(group.stampWidthPercent, group.groupBounds(), source.image.width());
    const QSize picture = source.image.size();
    const Borders border = bordersOf(group.header, picture, scale);
    const auto pixels = [](QSize size) { return std::size_t(size.width()) * size.height(); };
    const std::size_t added =
        pixels(picture.grownBy(QMargins(border.left, border.top, border.right, border.bottom))) -
        pixels(picture);
    if (added > 0) {
        // The decode's share covers the picture and one working copy of its size; a border
        // needs more. The share is given back before the larger one is waited for, so that
        // workers never hold part of the budget while waiting for the rest of it.
        source.pixelShare.reset();
        source.pixelShare = PixelBudget::shared().acquire((2 * pixels(picture) + added) * 4);
        if (!source.pixelShare)
            return QImage();
    }
    QImage canvas = composeCanvas(std::move(source.image), group.header, border);
    source.image = QImage();  // the canvas holds the pixels now; keep one copy in memory
    if (canvas.isNull())
        return canvas;
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    group.renderAligned(canvas.width(), canvas.height(), painter, item, scale);
    return canvas;
}

namespace {

// The stamped canvas in the format, quality and size of the output options, with the source's
// resolution and colour profile and none of its other metadata.
ItemOutcome writeStamped(const QImage& canvas, const LoadedImage& source, const CatalogItem& item,
                         const std::string& outputDir, const OutputOptions& options,
                         const ErrorLogFunction& logError, const OutputNamer& namer) {
    const OutputName named =
        nameOutput(namer, outputDir, item.fileName, writtenFormat(options, source.format));
    const std::string& output = named.path;
    OutputExtras extras;
    extras.resolution = source.resolution;
    extras.iccProfile = source.iccProfile;
    Result<EncodedOutput> encoded =
        encodeOutput(canvas, writtenFormat(options, source.format), options, extras);
    if (!encoded) {
        reportSaveFailure(kSaveEncodeFailed, output);
        return failed(item, logError, "cannot save " + output);
    }
    if (!writeFileReplacing(output, encoded->bytes)) {
        reportSaveFailure(kSaveWriteFailed, output);
        return failed(item, logError, "cannot save " + output);
    }
    return ItemOutcome{ItemStatus::Ok, output,
                       joinedNotes(named.note, joinedNotes(source.notes(), encoded->note))};
}

ItemOutcome stamp(const CatalogItem& item, const CControlTracker& group,
                  const std::string& outputDir, const OutputOptions& output,
                  const ErrorLogFunction& logError, const OutputNamer& namer) {
    LoadedImage source = loadImage(item.fullPath);
    if (source.isNull()) {
        return failed(item, logError,
                      source.refusal.empty() ? "cannot decode " + item.fullPath : source.refusal);
    }
    QImage canvas = stampPicture(source, group, &item);
    if (canvas.isNull())
        return failed(item, logError, "image too large to stamp");
    return writeStamped(canvas, source, item, outputDir, output, logError, namer);
}

}  // namespace

ItemOutcome watermarkImage(const CatalogItem& item, const CControlTracker& group,
                           const std::string& outputDir, const ErrorLogFunction& logError,
                           const OutputOptions& output, const OutputNamer& namer) {
    ItemOutcome outcome = stamp(item, group, outputDir, output, logError, namer);
    statusPrintf("已为第 %d 张图片添加水印：%s", item.number + 1, item.fileName.c_str());
    return outcome;
}

BatchJob makeWatermarkJob(const std::string& layoutFilePath, ErrorLogFunction logError) {
    return makeWatermarkJob(layoutFilePath, 0, std::move(logError));
}

BatchJob makeWatermarkJob(const std::string& layoutFilePath, int stampWidthPercent,
                          ErrorLogFunction logError, OutputOptions output) {
    auto group = std::make_shared<CControlTracker>();
    group->stampWidthPercent = stampWidthPercent;
    BatchJob job;
    job.kind = BatchKind::Watermark;
    job.prepare = [group, layoutFilePath]() -> Result<> {
        if (!group->loadLayout(layoutFilePath, nullptr))
            return makeError("水印模板无法读取：" + layoutFilePath);
        // A layer picture that is missing, no regular file or no picture stops the batch
        // before it starts, as a layout that cannot be read does.
        for (const auto& layer : group->layers) {
            if (!layer->imagePath.empty() && (!layer->image || layer->image->isNull()))
                return makeError(
                    "水印图片无法读取：" + layer->imagePath +
                    (layer->imageRefusal.empty() ? "" : "（" + layer->imageRefusal + "）"));
        }
        return {};
    };
    auto names = std::make_shared<OutputNames>(output);
    job.perItem = [group, logError, output, names](WorkedRow& row, const BatchEnvironment& env) {
        if (Result<> allowed = checkOutput(env, row.item); !allowed)
            return outcomeOf(allowed.error());
        return watermarkImage(row.item, *group, env.outputDir, logError, output,
                              OutputNames::namerFor(names, env, row.item.fileName));
    };
    return job;
}

}  // namespace pixmill
