#include "engine/imaging/rotate_batch.h"

#include <QBuffer>
#include <QImageWriter>

#include <sys/stat.h>

#include "engine/imaging/image_io.h"
#include "engine/imaging/input_formats.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/lossless_transform.h"
#include "engine/imaging/orientation.h"
#include "engine/imaging/pixel_budget.h"
#include "engine/jpegmeta/exif_orientation.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/safe_rewrite.h"
#include "engine/platform/status.h"

namespace pixmill {
namespace {

std::optional<Bytes> encodeInOwnFormat(const QImage& image, const LoadedImage& loaded,
                                       ByteSpan source, Turn turn) {
    if (loaded.format == ImageFileFormat::Jpeg) {
        std::optional<Bytes> encoded =
            encodeJpeg(image, 100, {loaded.resolution.x, loaded.resolution.y});
        if (!encoded)
            return std::nullopt;
        std::optional<Bytes> carried =
            jpegmeta::carryMetadata(source, *encoded, {.removeExifThumbnail = true});
        return carried ? carried : encoded;
    }
    // Transposing turns the axes as a quarter turn does.
    const bool axesSwap = turn == Turn::Clockwise || turn == Turn::CounterClockwise ||
                          turn == Turn::Transpose || turn == Turn::Transverse;
    return encodeLikeSource(image, loaded.format, source, axesSwap);
}

Turn turnForCode(int code) {
    switch (code) {
        case kRotate90:
            return Turn::Clockwise;
        case kRotate270:
            return Turn::CounterClockwise;
        case kFlipX:
            return Turn::MirrorLeftRight;
        case kFlipY:
            return Turn::MirrorTopBottom;
        default:
            return Turn::None;
    }
}

// The JPEG turned on its coefficients, composed with the turn it was shown with, and its EXIF
// made true: Orientation 1, the dimensions of the new frame, no thumbnail. `why` says why a
// lossless turn could not be had.
std::optional<Bytes> turnLosslessly(ByteSpan source, Turn userTurn, std::string& why) {
    const Turn shown = turnForOrientation(jpegmeta::readOrientation(source));
    LosslessResult turned = turnJpegLosslessly(source, composeTurns(shown, userTurn));
    if (!turned.bytes) {
        why = turned.refusal == LosslessRefusal::NotWholeBlocks
                  ? "the size is not a whole number of blocks"
                  : "the lossless transform was refused (" + turned.message + ")";
        return std::nullopt;
    }
    const QSize size = imageFileSize(*turned.bytes);
    std::optional<Bytes> upright = jpegmeta::withUprightExif(
        *turned.bytes, {.width = size.width(), .height = size.height(), .dropThumbnail = true});
    if (!upright)
        why = "the turned file's sections cannot be read";
    return upright;
}

// Decoded as shown, turned, and written again in the file's own format.
std::optional<Bytes> turnByReencoding(ByteSpan source, Turn userTurn, const std::string& path,
                                      std::string& failure) {
    LoadedImage loaded = decodeImage(source);
    if (loaded.isNull()) {
        failure = loaded.refusal.empty() ? "cannot decode " + path : loaded.refusal;
        return std::nullopt;
    }
    QImage turned = turnImage(loaded.image, userTurn);
    loaded.image = QImage();
    std::optional<Bytes> encoded = encodeInOwnFormat(turned, loaded, source, userTurn);
    if (!encoded) {
        reportSaveFailure(kSaveEncodeFailed, path);
        failure = "cannot encode " + path;
    }
    return encoded;
}

ItemOutcome rotateLocked(CatalogItem& item, int code, FileOps& ops) {
    Bytes source;
    if (!readImageFile(item.fullPath, source))
        return {ItemStatus::Failed, {}, "cannot read " + item.fullPath};
    // Pictures that cannot be written back in their own format are never turned in place.
    const ImageFileFormat named = formatOfFileName(item.fileName);
    const ImageFileFormat stored = sniffImageFormat(source);
    if (isInputOnlyFormat(named) || isInputOnlyFormat(stored)) {
        return {ItemStatus::Skipped,
                {},
                inputOnlySkipMessage(isInputOnlyFormat(stored) ? stored : named, item.fileName)};
    }
    struct stat status;
    if (::stat(item.fullPath.c_str(), &status) == 0 && isReadOnlyMode(status.st_mode))
        return {ItemStatus::Skipped, {}, "read-only file"};
    const Turn userTurn = turnForCode(code);
    std::string note;
    std::optional<Bytes> written;
    if (stored == ImageFileFormat::Jpeg) {
        // The transform holds every coefficient of the picture: it draws from the same budget
        // as a decode, and the share is given back before a fallback decode asks for its own.
        PixelBudget::Share share;
        if (std::string refusal = reserveDecode(source, int(ImageFileFormat::Jpeg), QSize(), share);
            !refusal.empty())
            return {ItemStatus::Failed, {}, refusal};
        written = turnLosslessly(source, userTurn, note);
        if (!written)
            note += ": decoded and encoded again";
    }
    if (!written) {
        std::string failure;
        written = turnByReencoding(source, userTurn, item.fullPath, failure);
        if (!written)
            return {ItemStatus::Failed, {}, failure};
    }
    // A rotated picture is a new picture: it gets the time of the rewrite, as a save would.
    if (Result<> result = rewriteFileSafely(item.fullPath, *written, false, ops); !result) {
        reportSaveFailure(kSaveWriteFailed, item.fullPath);
        return {ItemStatus::Failed, {}, result.message()};
    }
    if (swapsAxes(userTurn))
        std::swap(item.width, item.height);
    return {ItemStatus::Ok, item.fullPath, note};
}

}  // namespace

QImage rotateFlipImage(const QImage& image, int code) {
    const Turn turn = turnForCode(code);
    return turn == Turn::None ? QImage() : turnImage(image, turn);
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
    job.perItem = [params](WorkedRow& row, const BatchEnvironment& env) {
        ItemOutcome outcome = rotateFlipItem(row.item, params.code, *env.fileOps);
        if (outcome.status == ItemStatus::Ok && params.onRotated)
            params.onRotated(row.item);
        return outcome;
    };
    return job;
}

}  // namespace pixmill
