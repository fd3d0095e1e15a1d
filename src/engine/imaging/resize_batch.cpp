#include "engine/imaging/resize_batch.h"

#include <QPainter>

#include <cctype>

#include "engine/imaging/batch_output.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/input_formats.h"
#include "engine/imaging/output_format.h"
#include "engine/imaging/resample.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

constexpr unsigned kWhite = 0xFFFFFF;

ItemOutcome failed(std::string message) {
    return outcomeOf(makeError(std::move(message)));
}

// A picture that already fits goes over byte for byte, but only when its bytes are a picture
// of the kind its name says: a link named like a photo that points at some private file is
// never copied into a folder the user may share.
ItemOutcome copyUnchanged(const CatalogItem& item, const Bytes& bytes, const std::string& output,
                          FileOps& ops) {
    const ImageFileFormat format = sniffImageFormat(bytes);
    if (format == ImageFileFormat::Unknown || format != formatOfFileName(item.fileName) ||
        imageFileSize(bytes).isEmpty())
        return failed("不是可以识别的图片，未复制：" + item.fileName);
    if (Result<> written = writeFileReplacing(output, bytes, ops); !written)
        return outcomeOf(written.error());
    return {ItemStatus::Ok, output, {}};
}

bool sameKind(ImageFileFormat source, EncodedFormat written) {
    return (source == ImageFileFormat::Jpeg && written == EncodedFormat::Jpeg) ||
           (source == ImageFileFormat::Png && written == EncodedFormat::Png) ||
           (source == ImageFileFormat::Bmp && written == EncodedFormat::Bmp);
}

// Whether the source file itself is the output: it fits the bound, no canvas is asked for, it
// stays in its format and within the target size. A file that is no picture goes this way too,
// to be refused by the copy.
bool copiesAsItIs(const CatalogItem& item, const ResizeParams& params, ImageFileFormat format,
                  EncodedFormat written, std::size_t size) {
    if (item.width > params.bound || item.height > params.bound || params.square)
        return false;
    if (format == ImageFileFormat::Unknown)
        return true;
    const long long limit = (long long)params.output.maxKb * 1024;
    return sameKind(format, written) && (limit == 0 || (long long)size <= limit);
}

// `picture` centred on a side × side canvas of `colour` (0xRRGGBB).
QImage onSquareCanvas(const QImage& picture, int side, unsigned colour) {
    QImage canvas(side, side, QImage::Format_RGBX8888);
    if (canvas.isNull())
        return canvas;
    canvas.fill(QColor::fromRgb(QRgb(0xFF000000u | colour)));
    QPainter painter(&canvas);
    painter.drawImage(QPoint((side - picture.width()) / 2, (side - picture.height()) / 2), picture);
    return canvas;
}

// The decoded picture at `size`, ready for the encoder of `written`: alpha composited onto
// white for JPEG and onto the canvas colour for a square; a grey PNG or BMP stays grey, so that
// a grey colour profile it carries stays true.
QImage scaledPicture(LoadedImage& loaded, QSize size, EncodedFormat written,
                     const ResizeParams& params) {
    const QImage::Format decoded = loaded.image.format();
    const bool flatten = params.square || written == EncodedFormat::Jpeg;
    QImage picture = flatten
                         ? flattenOnto(loaded.image, params.square ? params.canvasColor : kWhite)
                         : loaded.image;
    loaded.image = QImage();  // the decoded picture is the largest buffer: free it early
    if (picture.size() != size)
        picture = resampleImage(picture, size);
    const bool grey = decoded == QImage::Format_Grayscale8 || decoded == QImage::Format_Grayscale16;
    if (grey && !flatten && loaded.format != ImageFileFormat::Jpeg)
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
    if (params.square)
        picture = onSquareCanvas(picture, params.bound, params.canvasColor);
    return picture;
}

// Decodes, scales and encodes the source into `output`.
ItemOutcome resizeInto(const CatalogItem& item, const ResizeParams& params, const Bytes& source,
                       const std::string& output, FileOps& ops) {
    const ImageFileFormat format = sniffImageFormat(source);
    const EncodedFormat written = writtenFormat(params.output, format);
    const QSize shown =
        item.width > 0 && item.height > 0 ? QSize(item.width, item.height) : imageFileSize(source);
    const bool fits = shown.width() <= params.bound && shown.height() <= params.bound;
    const QSize size = fits ? shown : resizedSize(shown.width(), shown.height(), params.bound);
    if (size.isEmpty()) {
        reportSaveFailure(kSaveInvalidImage, output);
        if (!shown.isEmpty())
            return failed("the scaled size is 0");
        // The catalog could not read its size: the decoder says why.
        const std::string why = decodeImage(source).refusal;
        return failed(why.empty() ? "cannot decode the picture" : why);
    }
    // Decoding at a DCT scale that leaves the resampler at least a twofold reduction keeps
    // the full-decode quality at a fraction of the decode's cost.
    LoadedImage loaded = decodeImage(source, format == ImageFileFormat::Jpeg ? size * 2 : QSize());
    if (loaded.isNull())
        return failed(loaded.refusal.empty() ? "cannot decode the picture" : loaded.refusal);
    const QImage picture = scaledPicture(loaded, size, written, params);
    if (picture.isNull())
        return failed("image too large to resize");
    const bool carry = params.restoreExif && item.isExif && format == ImageFileFormat::Jpeg;
    OutputExtras extras{loaded.resolution, carry ? ByteSpan(source) : ByteSpan(), loaded.iccProfile,
                        format == ImageFileFormat::Png ? ByteSpan(source) : ByteSpan(), ByteSpan()};
    if (params.restoreExif && item.isExif && format == ImageFileFormat::Heif)
        extras.heifExifFrom = source;
    Result<EncodedOutput> encoded = encodeOutput(picture, written, params.output, extras);
    if (!encoded)
        return failed(encoded.message());
    if (Result<> saved = writeFileReplacing(output, encoded->bytes, ops); !saved) {
        reportSaveFailure(kSaveWriteFailed, output);
        return failed(saved.message());
    }
    statusPrintf("已缩小第 %d 张图片：%s", item.number + 1, item.fileName.c_str());
    return {ItemStatus::Ok, output, joinedNotes(loaded.notes(), encoded->note)};
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
                       const std::string& outputDir, FileOps& ops, const OutputNamer& namer) {
    Result<Bytes> read = readImageFile(item.fullPath);
    if (!read) {
        if (isSameFile(item.fullPath, outputDir + item.fileName))
            return failed("输出文件就是原图，已拒绝覆盖：" + outputDir + item.fileName);
        return failed("cannot read " + item.fullPath);
    }
    const Bytes& source = *read;
    const ImageFileFormat format = sniffImageFormat(source);
    const EncodedFormat written = writtenFormat(params.output, format);
    const OutputName named = nameOutput(namer, outputDir, item.fileName, written);
    const std::string& output = named.path;
    if (isSameFile(item.fullPath, output))
        return failed("输出文件就是原图，已拒绝覆盖：" + output);
    ItemOutcome outcome = copiesAsItIs(item, params, format, written, source.size())
                              ? copyUnchanged(item, source, output, ops)
                              : resizeInto(item, params, source, output, ops);
    if (outcome.status == ItemStatus::Ok)
        outcome.message = joinedNotes(named.note, outcome.message);
    return outcome;
}

BatchJob makeResizeJob(ResizeParams params) {
    BatchJob job;
    job.kind = BatchKind::Resize;
    auto names = std::make_shared<OutputNames>(params.output);
    job.perItem = [params, names](WorkedRow& row, const BatchEnvironment& env) {
        if (Result<> allowed = checkOutput(env, row.item); !allowed)
            return outcomeOf(allowed.error());
        return resizeItem(row.item, params, env.outputDir, *env.fileOps,
                          OutputNames::namerFor(names, env, row.item.fileName));
    };
    return job;
}

}  // namespace pixmill
