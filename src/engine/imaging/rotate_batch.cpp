#include "engine/imaging/rotate_batch.h"

#include <QBuffer>
#include <QImageWriter>

#include <sys/stat.h>

#include "engine/imaging/exif_thumbnail.h"
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
        if (!carried)
            return encoded;
        // The source's thumbnail showed the picture before the turn: made again.
        if (thumbnailWasLeftOut(source, *carried))
            return withThumbnail(std::move(*carried), makeExifThumbnail(image));
        return carried;
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
// made true: Orientation 1, the dimensions of the new frame, a thumbnail made again. The error says
// why a lossless turn could not be had.
Result<Bytes> turnLosslessly(ByteSpan source, Turn userTurn) {
    const Turn shown = turnForOrientation(jpegmeta::readOrientation(source));
    Result<Bytes> turned = turnJpegLosslessly(source, composeTurns(shown, userTurn));
    if (!turned) {
        return makeError(turned.code() == kLosslessNotWholeBlocks
                             ? "the size is not a whole number of blocks"
                             : "the lossless transform was refused (" + turned.message() + ")");
    }
    const QSize size = imageFileSize(*turned);
    std::optional<Bytes> upright = jpegmeta::withUprightExif(
        *turned, {.width = size.width(), .height = size.height(), .dropThumbnail = true});
    if (!upright)
        return makeError("the turned file's sections cannot be read");
    return withThumbnailOfItself(std::move(*upright), source);
}

// Decoded as shown, turned, and written again in the file's own format.
Result<Bytes> turnByReencoding(ByteSpan source, Turn userTurn, const std::string& path) {
    LoadedImage loaded = decodeImage(source);
    if (loaded.isNull())
        return makeError(loaded.refusal.empty() ? "cannot decode " + path : loaded.refusal);
    QImage turned = turnImage(loaded.image, userTurn);
    loaded.image = QImage();
    std::optional<Bytes> encoded = encodeInOwnFormat(turned, loaded, source, userTurn);
    if (!encoded) {
        reportSaveFailure(kSaveEncodeFailed, path);
        return makeError(kSaveEncodeFailed, "cannot encode " + path);
    }
    return std::move(*encoded);
}

// The file's new bytes: turned losslessly when it is a JPEG that allows it, otherwise decoded
// and encoded again. `note` tells why a JPEG was not turned losslessly.
Result<Bytes> turnedBytes(const Bytes& source, Turn userTurn, const std::string& path,
                          std::string& note) {
    if (sniffImageFormat(source) == ImageFileFormat::Jpeg) {
        // The transform holds every coefficient of the picture: it draws from the same budget
        // as a decode, and the share is given back before a fallback decode asks for its own.
        Result<PixelBudget::Share> share =
            reserveDecode(source, int(ImageFileFormat::Jpeg), QSize());
        if (!share)
            return share.error();
        Result<Bytes> lossless = turnLosslessly(source, userTurn);
        if (lossless)
            return lossless;
        note = lossless.message() + ": decoded and encoded again";
    }
    return turnByReencoding(source, userTurn, path);
}

ItemOutcome rotateLocked(CatalogItem& item, int code, FileOps& ops) {
    Result<Bytes> source = readImageFile(item.fullPath);
    if (!source)
        return outcomeOf(makeError(source.code(), "cannot read " + item.fullPath));
    // Pictures that cannot be written back in their own format are never turned in place.
    const ImageFileFormat named = formatOfFileName(item.fileName);
    const ImageFileFormat stored = sniffImageFormat(*source);
    if (isInputOnlyFormat(named) || isInputOnlyFormat(stored)) {
        return {ItemStatus::Skipped,
                {},
                inputOnlySkipMessage(isInputOnlyFormat(stored) ? stored : named, item.fileName)};
    }
    struct stat status;
    if (::stat(item.fullPath.c_str(), &status) == 0 && isReadOnlyMode(status.st_mode))
        return outcomeOf(makeError("read-only file", Severity::Warning));
    const Turn userTurn = turnForCode(code);
    std::string note;
    Result<Bytes> written = turnedBytes(*source, userTurn, item.fullPath, note);
    if (!written)
        return outcomeOf(written.error());
    // A rotated picture is a new picture: it gets the time of the rewrite, as a save would.
    if (Result<> result = rewriteFileSafely(item.fullPath, *written, false, ops); !result) {
        reportSaveFailure(kSaveWriteFailed, item.fullPath);
        return outcomeOf(result.error());
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
        outcome = outcomeOf(makeError("unknown rotate/flip code " + std::to_string(code)));
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
