#include "engine/imaging/rotate_batch.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTransform>

#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

std::optional<Bytes> encodeInOwnFormat(const QImage& image, const LoadedImage& loaded,
                                       ByteSpan source) {
    if (loaded.format == ImageFileFormat::Jpeg) {
        std::optional<Bytes> encoded =
            encodeJpeg(image, 100, {loaded.resolution.x, loaded.resolution.y});
        if (!encoded)
            return std::nullopt;
        std::optional<Bytes> carried =
            jpegmeta::carryMetadata(source, *encoded, {.removeExifThumbnail = true});
        return carried ? carried : encoded;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, loaded.format == ImageFileFormat::Png ? "png" : "bmp");
    if (!writer.write(image))
        return std::nullopt;
    return Bytes(data.begin(), data.end());
}

ItemOutcome rotateLocked(CatalogItem& item, int code, FileOps& ops) {
    Bytes source;
    if (!readImageFile(item.fullPath, source))
        return {ItemStatus::Failed, {}, "cannot read " + item.fullPath};
    LoadedImage loaded = decodeImage(source);
    if (loaded.isNull()) {
        return {ItemStatus::Failed,
                {},
                loaded.refusal.empty() ? "cannot decode " + item.fullPath : loaded.refusal};
    }
    QImage turned = rotateFlipImage(loaded.image, code);
    loaded.image = QImage();
    std::optional<Bytes> encoded = encodeInOwnFormat(turned, loaded, source);
    if (!encoded) {
        reportSaveFailure(kSaveEncodeFailed, item.fullPath);
        return {ItemStatus::Failed, {}, "cannot encode " + item.fullPath};
    }
    // A rotated picture is a new picture: it gets the time of the rewrite, as a save would.
    if (Result written = rewriteFileSafely(item.fullPath, *encoded, false, ops); !written) {
        reportSaveFailure(kSaveWriteFailed, item.fullPath);
        return {ItemStatus::Failed, {}, written.message()};
    }
    if (code == kRotate90 || code == kRotate270)
        std::swap(item.width, item.height);
    return {ItemStatus::Ok, item.fullPath, {}};
}

}  // namespace

QImage rotateFlipImage(const QImage& image, int code) {
    switch (code) {
        case kRotate90:
            return image.transformed(QTransform().rotate(90));
        case kRotate270:
            return image.transformed(QTransform().rotate(270));
        case kFlipX:
            return image.mirrored(true, false);
        case kFlipY:
            return image.mirrored(false, true);
        default:
            return {};
    }
}

ItemOutcome rotateFlipItem(CatalogItem& item, int code, FileOps& ops) {
    ItemOutcome outcome;
    if (code != kRotate90 && code != kRotate270 && code != kFlipX && code != kFlipY) {
        outcome = {ItemStatus::Failed, {}, "unknown rotate/flip code " + std::to_string(code)};
    } else {
        // A second rewrite of this file (another row, another process) waits for this one,
        // which would otherwise read the old picture and win or lose the race to the rename.
        RewriteLock lock(item.fullPath);
        outcome = rotateLocked(item, code, ops);
    }
    statusPrintf("已旋转第 %d 张图片：%s", item.number + 1, item.fileName.c_str());
    return outcome;
}

BatchJob makeRotateFlipJob(RotateFlipParams params) {
    BatchJob job;
    job.kind = BatchKind::RotateFlip;
    job.pattern = BatchPattern::PerItem;
    job.perItem = [params](WorkedRow& row, const BatchEnvironment& env) {
        ItemOutcome outcome = rotateFlipItem(row.item, params.code, *env.fileOps);
        if (outcome.status == ItemStatus::Ok && params.onRotated)
            params.onRotated(row.item);
        return outcome;
    };
    return job;
}

}  // namespace pixmill
