#include "engine/imaging/resize_batch.h"

#include <cctype>

#include "engine/imaging/batch_output.h"
#include "engine/imaging/colour_profile.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/resample.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

constexpr unsigned kWhite = 0xFFFFFF;

ItemOutcome failed(std::string message) {
    return outcomeOf(makeError(std::move(message)));
}

// The format a file's extension names (jpg, jpeg, png, bmp).
ImageFileFormat formatOfName(const std::string& name) {
    std::string extension = name.substr(name.rfind('.') + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "jpg" || extension == "jpeg")
        return ImageFileFormat::Jpeg;
    if (extension == "png")
        return ImageFileFormat::Png;
    if (extension == "bmp")
        return ImageFileFormat::Bmp;
    return ImageFileFormat::Unknown;
}

// A picture that already fits goes over byte for byte, but only when its bytes are a picture
// of the kind its name says: a link named like a photo that points at some private file is
// never copied into a folder the user may share.
ItemOutcome copyUnchanged(const CatalogItem& item, const std::string& output, FileOps& ops) {
    Result<Bytes> bytes = readImageFile(item.fullPath);
    if (!bytes)
        return failed("cannot read " + item.fullPath);
    const ImageFileFormat format = sniffImageFormat(*bytes);
    if (format == ImageFileFormat::Unknown || format != formatOfName(item.fileName) ||
        imageFileSize(*bytes).isEmpty())
        return failed("不是可以识别的图片，未复制：" + item.fileName);
    if (Result<> written = writeFileReplacing(output, *bytes, ops); !written)
        return outcomeOf(written.error());
    return {ItemStatus::Ok, output, {}};
}

Error undecodable(const LoadedImage& loaded) {
    return makeError(loaded.refusal.empty() ? "cannot decode the picture" : loaded.refusal);
}

// The JPEG bytes of the scaled picture, with the source's metadata when asked for and its
// colour profile always.
Result<Bytes> scaledJpeg(const Bytes& source, QSize size, bool restoreExif, std::string& note) {
    // Decoding at a DCT scale that leaves the resampler at least a twofold reduction keeps
    // the full-decode quality at a fraction of the decode's cost.
    LoadedImage loaded = decodeImage(source, size * 2);
    if (loaded.isNull())
        return undecodable(loaded);
    note = loaded.colourNote;
    QImage scaled = resampleImage(flattenOnto(loaded.image, kWhite), size);
    loaded.image = QImage();  // the decoded picture is the largest buffer: free it early
    std::optional<Bytes> encoded =
        encodeJpeg(scaled, 100, {loaded.resolution.x, loaded.resolution.y});
    if (!encoded)
        return makeError("cannot encode the picture");
    if (restoreExif) {
        // The carry brings the source's RGB colour profile along with its EXIF.
        if (std::optional<Bytes> with = jpegmeta::carryMetadata(source, *encoded))
            return std::move(*with);
    }
    return withColourProfile(std::move(*encoded), loaded.iccProfile);
}

// A PNG or BMP scaled in its own format, alpha and (for a PNG) ancillary chunks kept.
Result<Bytes> scaledLikeSource(const Bytes& source, QSize size) {
    LoadedImage loaded = decodeImage(source);
    if (loaded.isNull())
        return undecodable(loaded);
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
        return makeError("cannot encode the picture");
    return std::move(*encoded);
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
    const std::string output = outputDir + item.fileName;
    if (isSameFile(item.fullPath, output))
        return failed("输出文件就是原图，已拒绝覆盖：" + output);
    if (item.width <= params.bound && item.height <= params.bound)
        return copyUnchanged(item, output, ops);

    const QSize size = resizedSize(item.width, item.height, params.bound);
    if (size.isEmpty()) {
        reportSaveFailure(kSaveInvalidImage, output);
        return failed("the scaled size is 0");
    }
    Result<Bytes> source = readImageFile(item.fullPath);
    if (!source)
        return failed("cannot read " + item.fullPath);
    std::string note;
    const ImageFileFormat format = sniffImageFormat(*source);
    Result<Bytes> encoded =
        format == ImageFileFormat::Png || format == ImageFileFormat::Bmp
            ? scaledLikeSource(*source, size)
            : scaledJpeg(*source, size, params.restoreExif && item.isExif, note);
    if (!encoded)
        return outcomeOf(encoded.error());
    if (Result<> written = writeFileReplacing(output, *encoded, ops); !written) {
        reportSaveFailure(kSaveWriteFailed, output);
        return outcomeOf(written.error());
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
        if (Result<> allowed = checkOutput(env, row.item); !allowed)
            return outcomeOf(allowed.error());
        return resizeItem(row.item, params, env.outputDir, *env.fileOps);
    };
    return job;
}

}  // namespace pixmill
