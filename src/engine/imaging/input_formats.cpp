#include "engine/imaging/input_formats.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

#include "engine/imaging/heif_image.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/jpegmeta/exif_orientation.h"
#include "engine/jpegmeta/image_metadata.h"

namespace pixmill {
namespace {

// The one list of extensions the catalog accepts, with the format each names.
struct ExtensionFormat {
    const char* extension;
    ImageFileFormat format;
};
constexpr ExtensionFormat kAcceptedExtensions[] = {
    {"jpg", ImageFileFormat::Jpeg},  {"jpeg", ImageFileFormat::Jpeg},
    {"png", ImageFileFormat::Png},   {"bmp", ImageFileFormat::Bmp},
    {"heic", ImageFileFormat::Heif}, {"heif", ImageFileFormat::Heif},
    {"webp", ImageFileFormat::Webp}, {"tif", ImageFileFormat::Tiff},
    {"tiff", ImageFileFormat::Tiff}, {"gif", ImageFileFormat::Gif},
};

const char* qtName(ImageFileFormat format) {
    switch (format) {
        case ImageFileFormat::Webp:
            return "webp";
        case ImageFileFormat::Tiff:
            return "tiff";
        case ImageFileFormat::Gif:
            return "gif";
        default:
            return "";
    }
}

const char* displayName(ImageFileFormat format) {
    switch (format) {
        case ImageFileFormat::Heif:
            return "HEIF/HEIC";
        case ImageFileFormat::Webp:
            return "WebP";
        case ImageFileFormat::Tiff:
            return "TIFF";
        case ImageFileFormat::Gif:
            return "GIF";
        default:
            return "";
    }
}

// A reader over `bytes`, which must outlive it (as must `data` and `buffer`).
struct QtReader {
    QtReader(ByteSpan bytes, ImageFileFormat format)
        : data(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                       qsizetype(bytes.size()))),
          buffer(&data) {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(qtName(format));
    }
    QByteArray data;
    QBuffer buffer;
    QImageReader reader;
};

std::string frameNote(QImageReader& reader, ImageFileFormat format) {
    if (reader.imageCount() <= 1)
        return {};
    if (format == ImageFileFormat::Tiff)
        return "多页 TIFF：只用了第一页";
    return std::string(format == ImageFileFormat::Gif ? "动画 GIF" : "动画 WebP") +
           "：只用了第一帧";
}

LoadedImage decodeWithQtReader(ByteSpan bytes, ImageFileFormat format) {
    LoadedImage loaded;
    loaded.format = format;
    const std::string name = displayName(format);
    QtReader qt(bytes, format);
    const QSize size = qt.reader.size();
    if (!size.isValid() || size.isEmpty()) {
        loaded.refusal = name + " 图片已损坏，无法读取尺寸";
        return loaded;
    }
    if ((long long)size.width() * size.height() > kMaxDecodedPixels) {
        loaded.refusal = name + " 图片太大，无法处理";
        return loaded;
    }
    // Four bytes a pixel at most, plus slack for the reader's own rows.
    qt.reader.setAllocationLimit(int(kMaxDecodedPixels * 4 / (1024 * 1024)) + 64);
    loaded.image = qt.reader.read();
    if (loaded.image.isNull()) {
        loaded.refusal = name + " 图片已损坏，无法解码：" + qt.reader.errorString().toStdString();
        return loaded;
    }
    constexpr double kInchesPerMetre = 39.3700787;
    loaded.resolution = {float(loaded.image.dotsPerMeterX() / kInchesPerMetre),
                         float(loaded.image.dotsPerMeterY() / kInchesPerMetre)};
    // Counting frames walks the file again from the start: asked after the decode, so that the
    // reader's position does not matter.
    QtReader counter(bytes, format);
    loaded.inputNote = frameNote(counter.reader, format);
    return loaded;
}

LoadedImage decodeHeifPicture(ByteSpan bytes) {
    LoadedImage loaded;
    loaded.format = ImageFileFormat::Heif;
    HeifPicture picture = decodeHeif(bytes);
    loaded.image = std::move(picture.image);
    loaded.iccProfile = std::move(picture.iccProfile);
    loaded.refusal = std::move(picture.error);
    return loaded;
}

}  // namespace

ImageFileFormat sniffInputOnlyFormat(ByteSpan bytes) {
    auto startsWith = [&](std::size_t at, const char* text, std::size_t length) {
        return bytes.size() >= at + length && std::memcmp(bytes.data() + at, text, length) == 0;
    };
    if (startsWith(0, "RIFF", 4) && startsWith(8, "WEBP", 4))
        return ImageFileFormat::Webp;
    if (startsWith(0, "II*\0", 4) || startsWith(0, "MM\0*", 4))
        return ImageFileFormat::Tiff;
    if (startsWith(0, "GIF87a", 6) || startsWith(0, "GIF89a", 6))
        return ImageFileFormat::Gif;
    if (looksLikeHeif(bytes))
        return ImageFileFormat::Heif;
    return ImageFileFormat::Unknown;
}

QSize inputOnlyFileSize(ByteSpan bytes, ImageFileFormat format) {
    if (format == ImageFileFormat::Heif)
        return readHeifHeader(bytes).size;
    if (!isInputOnlyFormat(format))
        return {};
    QtReader qt(bytes, format);
    const QSize size = qt.reader.size();
    if (!size.isValid())
        return QSize();
    // Qt paints a GIF's frames on its logical screen, which it may report as the first frame's
    // size when the screen is larger: the screen is what a decode allocates.
    if (format == ImageFileFormat::Gif && bytes.size() >= 10)
        return size.expandedTo(QSize(bytes[6] | bytes[7] << 8, bytes[8] | bytes[9] << 8));
    return size;
}

LoadedImage decodeInputOnly(ByteSpan bytes, ImageFileFormat format) {
    if (format == ImageFileFormat::Heif)
        return decodeHeifPicture(bytes);
    if (!isInputOnlyFormat(format))
        return {};
    return decodeWithQtReader(bytes, format);
}

std::optional<Bytes> withHeifExif(ByteSpan heif, ByteSpan encoded, QSize size) {
    const HeifHeader header = readHeifHeader(heif, true);
    if (header.exifTiff.empty())
        return std::nullopt;
    constexpr std::uint8_t kExifStart[] = {'E', 'x', 'i', 'f', 0, 0};
    Bytes payload(std::begin(kExifStart), std::end(kExifStart));
    payload.insert(payload.end(), header.exifTiff.begin(), header.exifTiff.end());
    return jpegmeta::withExifPayload(
        encoded, payload, {.width = size.width(), .height = size.height(), .dropThumbnail = true});
}

ImageFileFormat formatOfFileName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return ImageFileFormat::Unknown;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const ExtensionFormat& entry : kAcceptedExtensions) {
        if (extension == entry.extension)
            return entry.format;
    }
    return ImageFileFormat::Unknown;
}

bool hasInputOnlyExtension(const std::string& fileName) {
    return isInputOnlyFormat(formatOfFileName(fileName));
}

bool isInputOnlyFormat(ImageFileFormat format) {
    return format == ImageFileFormat::Heif || format == ImageFileFormat::Webp ||
           format == ImageFileFormat::Tiff || format == ImageFileFormat::Gif;
}

std::string inputOnlySkipMessage(ImageFileFormat format, const std::string& fileName) {
    return std::string(displayName(format)) +
           " 图片只能缩放、裁剪和加水印，不能旋转或修改元数据，已跳过：" + fileName;
}

}  // namespace pixmill
