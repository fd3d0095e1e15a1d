#include "engine/imaging/resize_batch.h"

#include "engine/imaging/batch_output.h"
#include "engine/imaging/colour_profile.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/input_formats.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/resample.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

constexpr unsigned kWhite = 0xFFFFFF;

ItemOutcome failed(std::string message) {
    return {ItemStatus::Failed, {}, std::move(message)};
}

// A picture that already fits goes over byte for byte, but only when its bytes are a picture
// of the kind its name says: a link named like a photo that points at some private file is
// never copied into a folder the user may share.
ItemOutcome copyUnchanged(const CatalogItem& item, const std::string& output, FileOps& ops) {
    Bytes bytes;
    if (!readImageFile(item.fullPath, bytes))
        return failed("cannot read " + item.fullPath);
    const ImageFileFormat format = sniffImageFormat(bytes);
    if (format == ImageFileFormat::Unknown || format != formatOfFileName(item.fileName) ||
        imageFileSize(bytes).isEmpty())
        return failed("不是可以识别的图片，未复制：" + item.fileName);
    if (Result<> written = writeFileReplacing(output, bytes, ops); !written)
        return failed(written.message());
    return {ItemStatus::Ok, output, {}};
}

// The JPEG bytes of the scaled picture, with the source's metadata when asked for and its
// colour profile always.
std::optional<Bytes> scaledJpeg(const Bytes& source, QSize size, bool restoreExif, std::string& why,
                                std::string& note) {
    // Decoding at a DCT scale that leaves the resampler at least a twofold reduction keeps
    // the full-decode quality at a fraction of the decode's cost.
    LoadedImage loaded = decodeImage(source, size * 2);
    if (loaded.isNull()) {
        why = loaded.refusal.empty() ? "cannot decode the picture" : loaded.refusal;
        return std::nullopt;
    }
    note = loaded.notes();
    QImage scaled = resampleImage(flattenOnto(loaded.image, kWhite), size);
    loaded.image = QImage();  // the decoded picture is the largest buffer: free it early
    std::optional<Bytes> encoded =
        encodeJpeg(scaled, 100, {loaded.resolution.x, loaded.resolution.y});
    if (!encoded) {
        why = "cannot encode the picture";
        return std::nullopt;
    }
    if (restoreExif) {
        // The carry brings the source's RGB colour profile along with its EXIF.
        if (std::optional<Bytes> with = jpegmeta::carryMetadata(source, *encoded))
            return with;
        if (loaded.format == ImageFileFormat::Heif) {
            if (std::optional<Bytes> with = withHeifExif(source, *encoded, scaled.size()))
                encoded = std::move(with);
        }
    }
    return withColourProfile(std::move(*encoded), loaded.iccProfile);
}

// A PNG or BMP scaled in its own format, alpha and (for a PNG) ancillary chunks kept.
std::optional<Bytes> scaledLikeSource(const Bytes& source, QSize size, std::string& why) {
    LoadedImage loaded = decodeImage(source);
    if (loaded.isNull()) {
        why = loaded.refusal.empty() ? "cannot decode the picture" : loaded.refusal;
        return std::nullopt;
    }
    const QImage::Format format = loaded.image.format();
    QImage scaled = resampleImage(loaded.image, size);
    loaded.image = QImage();
    // A grey picture stays grey, so that a grey colour profile it carries stays true.
    if (format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16)
        scaled = scaled.convertToFormat(QImage::Format_Grayscale8);
    scaled.setDotsPerMeterX(qRound(loaded.resolution.x / 0.0254));
    scaled.setDotsPerMeterY(qRound(loaded.resolution.y / 0.0254));
    std::optional<Bytes> encoded = encodeLikeSource(scaled, loaded.format, source);
    if (!encoded)
        why = "cannot encode the picture";
    return encoded;
}

}  // namespace

QSize resizedSize(int width, int height, int bound) {
    if (width <= 0 || height <= 0 || bound <= 0)
        return {0, 0};
    if (width > height)
        return {bound, int((long long)bound * height / width)};
    return {int((long long)width * bound / height), bound};
}

ItemOutcome resizeItem(const CatalogItem& item, const ResizeParams& params,
                       const std::string& outputDir, FileOps& ops) {
    const std::string output = outputPathFor(outputDir, item);
    if (isSameFile(item.fullPath, output))
        return failed("输出文件就是原图，已拒绝覆盖：" + output);
    const bool fits = item.width <= params.bound && item.height <= params.bound;
    // A HEIF, WebP, TIFF or GIF that fits is written as a JPEG of its own size, never copied.
    const bool inputOnly = hasInputOnlyExtension(item.fileName);
    if (fits && !inputOnly)
        return copyUnchanged(item, output, ops);

    const QSize size =
        fits ? QSize(item.width, item.height) : resizedSize(item.width, item.height, params.bound);
    Bytes source;
    if (size.isEmpty()) {
        reportSaveFailure(kSaveInvalidImage, output);
        // The catalog could not read its size: the decoder says why.
        if (inputOnly && readImageFile(item.fullPath, source)) {
            std::string why = decodeImage(source).refusal;
            return failed(why.empty() ? "不是可以识别的图片：" + item.fileName : why);
        }
        return failed("the scaled size is 0");
    }
    if (!readImageFile(item.fullPath, source))
        return failed("cannot read " + item.fullPath);
    std::string why, note;
    const ImageFileFormat format = sniffImageFormat(source);
    std::optional<Bytes> encoded =
        format == ImageFileFormat::Png || format == ImageFileFormat::Bmp
            ? scaledLikeSource(source, size, why)
            : scaledJpeg(source, size, params.restoreExif && item.isExif, why, note);
    if (!encoded)
        return failed(why);
    if (Result<> written = writeFileReplacing(output, *encoded, ops); !written) {
        reportSaveFailure(kSaveWriteFailed, output);
        return failed(written.message());
    }
    statusPrintf("已缩小第 %d 张图片：%s", item.number + 1, item.fileName.c_str());
    return {ItemStatus::Ok, output, note};
}

BatchJob makeResizeJob(ResizeParams params) {
    BatchJob job;
    job.kind = BatchKind::Resize;
    // Restoring EXIF keeps no state between items, so both kinds of resize run on the pool.
    job.pattern = BatchPattern::PerItem;
    job.perItem = [params](WorkedRow& row, const BatchEnvironment& env) {
        if (std::string refusal = refuseOutput(env, row.item); !refusal.empty())
            return ItemOutcome{ItemStatus::Failed, {}, refusal};
        return resizeItem(row.item, params, env.outputDir, *env.fileOps);
    };
    return job;
}

}  // namespace pixmill
