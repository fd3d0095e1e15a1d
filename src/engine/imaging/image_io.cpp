#include "engine/imaging/image_io.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/imaging/bmp_writer.h"
#include "engine/imaging/colour_profile.h"
#include "engine/imaging/input_formats.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/orientation.h"
#include "engine/imaging/pixel_budget.h"
#include "engine/imaging/png_chunks.h"
#include "engine/imaging/png_grey_writer.h"
#include "engine/jpegmeta/exif_orientation.h"
#include "engine/platform/diagnostics.h"
#include "engine/platform/safe_rewrite.h"

namespace pixmill {
namespace {

constexpr double kInchesPerMetre = 39.3700787;

Resolution resolutionOf(const QImage& image) {
    return {float(image.dotsPerMeterX() / kInchesPerMetre),
            float(image.dotsPerMeterY() / kInchesPerMetre)};
}

QByteArray qtFormatName(ImageFileFormat format) {
    return format == ImageFileFormat::Png ? "png" : format == ImageFileFormat::Bmp ? "bmp" : "";
}

LoadedImage decodeWithQt(ByteSpan bytes, ImageFileFormat format) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, qtFormatName(format));
    QSize size = reader.size();
    if (!size.isValid() || (long long)size.width() * size.height() > kMaxDecodedPixels)
        return {};
    // Four bytes a pixel at most, plus slack for the reader's own rows.
    reader.setAllocationLimit(int(kMaxDecodedPixels * 4 / (1024 * 1024)) + 64);
    LoadedImage loaded;
    loaded.image = reader.read();
    loaded.format = format;
    if (!loaded.image.isNull()) {
        loaded.resolution = resolutionOf(loaded.image);
        loaded.iccProfile = rgbProfileOf(bytes);
    }
    return loaded;
}

std::string lowerExtension(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

std::optional<Bytes> encodeWithQt(const QImage& image, const char* format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        return std::nullopt;
    return Bytes(data.begin(), data.end());
}

// The pixels only: a picture read from a PNG keeps its text chunks and colour profile, which
// the writers would otherwise put into the output. Unless `keepAlpha`, alpha is dropped, not
// blended.
QImage withoutMetadata(const QImage& source, bool keepAlpha = false) {
    QImage pixels =
        source.hasAlphaChannel() && !keepAlpha
            ? source.convertToFormat(QImage::Format_ARGB32).convertToFormat(QImage::Format_RGB32)
            : source;
    QImage bare = QImage(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(),
                         pixels.format())
                      .copy();
    bare.setColorTable(pixels.colorTable());
    bare.setDotsPerMeterX(pixels.dotsPerMeterX());
    bare.setDotsPerMeterY(pixels.dotsPerMeterY());
    return bare;
}

}  // namespace

ImageFileFormat sniffImageFormat(ByteSpan bytes) {
    if (jpegmeta::startsLikeJpeg(bytes))
        return ImageFileFormat::Jpeg;
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        return ImageFileFormat::Png;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return ImageFileFormat::Bmp;
    return sniffInputOnlyFormat(bytes);
}

Result<Bytes> readImageFile(const std::string& path) {
    return readFileBytes(path, std::size_t(kMaxImageFileBytes));
}

namespace {

LoadedImage decodeWithinBudget(ByteSpan bytes, ImageFileFormat format, QSize wanted) {
    if (format == ImageFileFormat::Png || format == ImageFileFormat::Bmp)
        return decodeWithQt(bytes, format);
    if (isInputOnlyFormat(format))
        return decodeInputOnly(bytes, format);
    if (format != ImageFileFormat::Jpeg)
        return {};
    // The picture as it is shown: a turn stored in EXIF is applied to the pixels, and the
    // wanted size, given for the shown picture, is turned back for the reduced decode.
    const Turn turn = turnForOrientation(jpegmeta::readOrientation(bytes));
    LoadedImage loaded;
    loaded.format = format;
    Result<QImage> decoded = decodeJpeg(bytes, turnedSize(wanted, turn), &loaded.colourNote);
    if (decoded)
        loaded.image = turnImage(*decoded, turn);
    if (!loaded.image.isNull()) {
        loaded.iccProfile = rgbProfileOf(bytes);
        jpegmeta::JpegDensity density = jpegmeta::readJpegDensity(bytes);
        loaded.resolution = {density.x, density.y};
    }
    return loaded;
}

}  // namespace

LoadedImage decodeImage(ByteSpan bytes, QSize wanted) {
    const ImageFileFormat format = sniffImageFormat(bytes);
    Result<PixelBudget::Share> share = reserveDecode(bytes, int(format), wanted);
    LoadedImage loaded = share ? decodeWithinBudget(bytes, format, wanted) : LoadedImage{};
    loaded.format = format;
    if (share)
        loaded.pixelShare = std::move(*share);
    else
        loaded.refusal = share.message();
    return loaded;
}

LoadedImage loadImage(const std::string& path, QSize wanted) {
    Result<Bytes> bytes = readImageFile(path);
    if (!bytes)
        return {};
    return decodeImage(*bytes, wanted);
}

QSize imageFileSize(ByteSpan bytes) {
    ImageFileFormat format = sniffImageFormat(bytes);
    if (format == ImageFileFormat::Jpeg) {
        std::optional<JpegHeader> header = readJpegHeader(bytes);
        if (!header)
            return {};
        return turnedSize(QSize(header->width, header->height),
                          turnForOrientation(jpegmeta::readOrientation(bytes)));
    }
    if (format == ImageFileFormat::Unknown)
        return {};
    if (isInputOnlyFormat(format))
        return inputOnlyFileSize(bytes, format);
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, qtFormatName(format)).size();
}

void reportSaveFailure(int status, const std::string& path) {
    diag::printf(diag::Stream::Out, "%d  Attempt to save %s failed.\n", status, path.c_str());
}

namespace {

// A failed save: its diagnostic line, and the Error whose code is the line's status number.
Error saveFailure(int status, const std::string& path, std::string why) {
    reportSaveFailure(status, path);
    return makeError(status, std::move(why));
}

Result<> writeEncoded(std::optional<Bytes> encoded, const std::string& path, FileOps& ops,
                      ByteSpan iccProfile) {
    if (!encoded)
        return saveFailure(kSaveEncodeFailed, path, "cannot encode " + path);
    Result<> written =
        writeFileReplacing(path, withColourProfile(std::move(*encoded), iccProfile), ops);
    if (!written)
        return saveFailure(kSaveWriteFailed, path, written.message());
    return {};
}

}  // namespace

Result<> saveAsJpeg(const QImage& image, Resolution resolution, const std::string& path) {
    return saveAsJpeg(image, resolution, path, systemFileOps());
}

Result<> saveAsJpeg(const QImage& image, Resolution resolution, const std::string& path,
                    FileOps& ops, ByteSpan iccProfile) {
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return saveFailure(kSaveInvalidImage, path, "no picture to save as " + path);
    return writeEncoded(encodeJpeg(image, 100, {resolution.x, resolution.y}), path, ops,
                        iccProfile);
}

Result<> saveByExtension(const QImage& source, const std::string& path, FileOps& ops,
                         ByteSpan iccProfile) {
    if (source.isNull())
        return saveFailure(kSaveInvalidImage, path, "no picture to save as " + path);
    QImage image = withoutMetadata(source);
    const std::string extension = lowerExtension(path);
    std::optional<Bytes> encoded;
    if (extension == "jpg" || extension == "jpeg") {
        encoded = encodeJpeg(image, kDefaultJpegQuality);
    } else if (extension == "png" || extension == "bmp") {
        encoded = encodeWithQt(image, extension.c_str());
    }
    return writeEncoded(std::move(encoded), path, ops, iccProfile);
}

std::optional<Bytes> encodeLikeSource(const QImage& image, ImageFileFormat format, ByteSpan source,
                                      bool quarterTurn) {
    if (image.isNull())
        return std::nullopt;
    const QImage bare = withoutMetadata(image, true);
    if (format == ImageFileFormat::Bmp)
        return bare.hasAlphaChannel() ? encodeBmpWithAlpha(bare) : encodeWithQt(bare, "bmp");
    if (format != ImageFileFormat::Png)
        return std::nullopt;
    // A grey picture with alpha stays one, at the source's depth, while its pixels stay grey
    // (Qt would write it as RGBA).
    const std::optional<png::Header> header = png::readHeader(source);
    std::optional<Bytes> encoded;
    if (header && header->grey() && bare.hasAlphaChannel())
        encoded = encodeGreyAlphaPng(bare, header->bitDepth == 16 ? 16 : 8);
    if (!encoded)
        encoded = encodeWithQt(bare, "png");
    if (!encoded)
        return std::nullopt;
    std::optional<Bytes> carried = png::carryChunks(source, *encoded, {.quarterTurn = quarterTurn});
    // A grey profile carried onto pixels written in colour would no longer fit them.
    return withFittingPngProfile(carried ? std::move(*carried) : std::move(*encoded));
}

}  // namespace pixmill
