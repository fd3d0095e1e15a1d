#include "engine/imaging/output_format.h"

#include <webp/encode.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/imaging/colour_profile.h"
#include "engine/imaging/exif_thumbnail.h"
#include "engine/imaging/input_formats.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/jpegmeta/image_metadata.h"

namespace pixmill {
namespace {

constexpr int kEncodeFailed = 3;  // as a failed save's status

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return result;
}

const char* extensionOf(EncodedFormat format) {
    switch (format) {
        case EncodedFormat::Jpeg:
            return "jpg";
        case EncodedFormat::Png:
            return "png";
        case EncodedFormat::Bmp:
            return "bmp";
        case EncodedFormat::Webp:
            return "webp";
    }
    return "jpg";
}

// `thumbnail`: made for the output when the carry leaves the source's out; empty when not.
std::optional<Bytes> encodeJpegOutput(const QImage& image, int quality, const OutputExtras& extras,
                                      ByteSpan thumbnail) {
    std::optional<Bytes> encoded =
        encodeJpeg(image, quality, {extras.resolution.x, extras.resolution.y});
    if (!encoded)
        return std::nullopt;
    if (!extras.carryFrom.empty()) {
        // The carry brings the source's RGB colour profile along with its EXIF.
        if (std::optional<Bytes> with = jpegmeta::carryMetadata(extras.carryFrom, *encoded)) {
            if (!thumbnail.empty() && thumbnailWasLeftOut(extras.carryFrom, *with))
                return withThumbnail(std::move(*with), thumbnail);
            return with;
        }
    }
    if (!extras.heifExifFrom.empty()) {
        if (std::optional<Bytes> with = withHeifExif(extras.heifExifFrom, *encoded, image.size()))
            encoded = std::move(with);
    }
    return withColourProfile(std::move(*encoded), extras.iccProfile);
}

std::optional<Bytes> encodeLossless(const QImage& image, EncodedFormat format,
                                    const OutputExtras& extras) {
    if (format == EncodedFormat::Bmp)
        return encodeLikeSource(image, ImageFileFormat::Bmp, {});
    QImage withResolution = image;
    withResolution.setDotsPerMeterX(qRound(extras.resolution.x / 0.0254));
    withResolution.setDotsPerMeterY(qRound(extras.resolution.y / 0.0254));
    std::optional<Bytes> encoded =
        encodeLikeSource(withResolution, ImageFileFormat::Png, extras.pngSource);
    if (!encoded || !extras.pngSource.empty())
        return encoded;  // a PNG source's own chunks carry its profile
    return withColourProfile(std::move(*encoded), extras.iccProfile);
}

std::string kibText(std::size_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f KB", double(bytes) / 1024.0);
    return text;
}

}  // namespace

std::optional<OutputFormat> parseOutputFormat(std::string_view name) {
    const std::string key = lowered(name);
    if (key == "keep")
        return OutputFormat::Keep;
    if (key == "jpeg" || key == "jpg")
        return OutputFormat::Jpeg;
    if (key == "png")
        return OutputFormat::Png;
    if (key == "webp")
        return OutputFormat::Webp;
    return std::nullopt;
}

const char* outputFormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Keep:
            return "keep";
        case OutputFormat::Jpeg:
            return "jpeg";
        case OutputFormat::Png:
            return "png";
        case OutputFormat::Webp:
            return "webp";
    }
    return "keep";
}

std::string checkOutputOptions(const OutputOptions& options) {
    if (options.quality < kMinOutputQuality || options.quality > kMaxOutputQuality)
        return "质量应为 1 到 100 之间的整数";
    if (options.maxKb < 0 || options.maxKb > kMaxTargetKb)
        return "目标大小应为大于 0 的 KB 数";
    return {};
}

EncodedFormat writtenFormat(const OutputOptions& options, ImageFileFormat source) {
    switch (options.format) {
        case OutputFormat::Jpeg:
            return EncodedFormat::Jpeg;
        case OutputFormat::Png:
            return EncodedFormat::Png;
        case OutputFormat::Webp:
            return EncodedFormat::Webp;
        case OutputFormat::Keep:
            break;
    }
    if (source == ImageFileFormat::Png)
        return EncodedFormat::Png;
    if (source == ImageFileFormat::Bmp)
        return EncodedFormat::Bmp;
    return EncodedFormat::Jpeg;
}

std::string outputFileName(const std::string& fileName, EncodedFormat format) {
    const std::size_t dot = fileName.find_last_of('.');
    const std::size_t slash = fileName.find_last_of('/');
    const bool hasExtension =
        dot != std::string::npos && dot != 0 && (slash == std::string::npos || dot > slash + 1);
    const std::string extension = hasExtension ? lowered(fileName.substr(dot + 1)) : "";
    if (extension == extensionOf(format) ||
        (format == EncodedFormat::Jpeg && formatOfFileName(fileName) == ImageFileFormat::Jpeg))
        return fileName;
    return (hasExtension ? fileName.substr(0, dot) : fileName) + "." + extensionOf(format);
}

std::string joinedNotes(const std::string& first, const std::string& second) {
    return first.empty() ? second : second.empty() ? first : first + "；" + second;
}

std::optional<Bytes> encodeWebp(const QImage& image, int quality) {
    if (image.isNull() || image.width() > WEBP_MAX_DIMENSION || image.height() > WEBP_MAX_DIMENSION)
        return std::nullopt;
    const bool alpha = image.hasAlphaChannel();
    const QImage pixels =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    std::uint8_t* output = nullptr;
    const float q = float(std::clamp(quality, kMinOutputQuality, kMaxOutputQuality));
    const std::size_t size =
        alpha ? WebPEncodeRGBA(pixels.constBits(), pixels.width(), pixels.height(),
                               int(pixels.bytesPerLine()), q, &output)
              : WebPEncodeRGB(pixels.constBits(), pixels.width(), pixels.height(),
                              int(pixels.bytesPerLine()), q, &output);
    if (size == 0 || output == nullptr) {
        WebPFree(output);
        return std::nullopt;
    }
    Bytes bytes(output, output + size);
    WebPFree(output);
    return bytes;
}

Result<EncodedOutput> encodeWithinSize(const QualityEncoder& encode, int quality,
                                       long long limitBytes) {
    quality = std::clamp(quality, kMinOutputQuality, kMaxOutputQuality);
    std::optional<Bytes> first = encode(quality);
    if (!first)
        return makeError(kEncodeFailed, "cannot encode the picture");
    if (limitBytes <= 0 || (long long)first->size() <= limitBytes)
        return EncodedOutput{std::move(*first), EncodedFormat::Jpeg, quality, false, {}};
    // The file shrinks as the quality drops (not strictly, so only a fitting encode is ever
    // kept): the highest fitting quality below the first try, by bisection.
    EncodedOutput best;
    std::optional<Bytes> lowest;
    int low = kMinOutputQuality, high = quality - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        std::optional<Bytes> bytes = encode(middle);
        if (!bytes)
            return makeError(kEncodeFailed, "cannot encode the picture");
        if ((long long)bytes->size() <= limitBytes) {
            best = EncodedOutput{std::move(*bytes), EncodedFormat::Jpeg, middle, false, {}};
            low = middle + 1;
        } else {
            if (middle == kMinOutputQuality)
                lowest = std::move(bytes);
            high = middle - 1;
        }
    }
    if (best.quality > 0)
        return best;
    if (!lowest) {
        lowest = encode(kMinOutputQuality);
        if (!lowest)
            return makeError(kEncodeFailed, "cannot encode the picture");
    }
    return EncodedOutput{std::move(*lowest), EncodedFormat::Jpeg, kMinOutputQuality, true, {}};
}

Result<EncodedOutput> encodeOutput(const QImage& image, EncodedFormat format,
                                   const OutputOptions& options, const OutputExtras& extras) {
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return makeError(kSaveInvalidImage, "nothing to encode");
    const long long limit = (long long)options.maxKb * 1024;
    if (format == EncodedFormat::Png || format == EncodedFormat::Bmp) {
        std::optional<Bytes> bytes = encodeLossless(image, format, extras);
        if (!bytes)
            return makeError(kEncodeFailed, "cannot encode the picture");
        EncodedOutput output{std::move(*bytes), format, 0, false, {}};
        if (limit > 0 && (long long)output.bytes.size() > limit) {
            output.overTarget = true;
            output.note = std::string(format == EncodedFormat::Png ? "PNG" : "BMP") +
                          " 是无损格式，不能按目标大小压缩：已写出 " +
                          kibText(output.bytes.size()) + "，超过 " + std::to_string(options.maxKb) +
                          " KB";
        }
        return output;
    }
    // A source with an EXIF thumbnail: one of the output's pixels, made once for every
    // quality tried (the carry keeps the source's own when it still shows the picture).
    const Bytes thumbnail = format == EncodedFormat::Jpeg && !extras.carryFrom.empty() &&
                                    !jpegmeta::exifThumbnail(extras.carryFrom).empty()
                                ? makeExifThumbnail(image)
                                : Bytes();
    QualityEncoder encode = [&](int quality) {
        return format == EncodedFormat::Webp ? encodeWebp(image, quality)
                                             : encodeJpegOutput(image, quality, extras, thumbnail);
    };
    Result<EncodedOutput> fitted = encodeWithinSize(encode, options.quality, limit);
    if (!fitted)
        return fitted;
    fitted->format = format;
    if (fitted->overTarget) {
        fitted->note = "最低质量仍超过目标大小 " + std::to_string(options.maxKb) +
                       " KB：已按质量 1 写出 " + kibText(fitted->bytes.size());
    }
    return fitted;
}

}  // namespace pixmill
