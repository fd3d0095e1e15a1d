#include "engine/catalog/folder_scan.h"

#include <QBuffer>
#include <QImageReader>

#include "engine/catalog/photo_fields.h"
#include "engine/imaging/heif_image.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/input_formats.h"
#include "engine/jpegmeta/photo_info.h"
#include "engine/platform/file_bytes.h"

namespace pixmill {
namespace {

// A HEIF's details: the size as shown and, when it carries EXIF, the same photo fields a JPEG
// gives.
void readHeifDetails(ByteSpan bytes, CatalogItem& item) {
    const HeifHeader header = readHeifHeader(bytes, true);
    if (!header.exifTiff.empty()) {
        jpegmeta::PhotoInfo info;
        jpegmeta::PhotoInfoReader reader(&info);
        // A damaged block still gives the fields read before the damage.
        (void)reader.parseExifBlock(header.exifTiff);
        fillCatalogItem(info, item);
    }
    // The container's size, never the EXIF's: libheif shows the picture turned by the file's
    // own rotation, and the EXIF Orientation only repeats that turn.
    if (header.size.isValid()) {
        item.width = header.size.width();
        item.height = header.size.height();
    }
}

// WebP, TIFF, GIF and HEIF: read whole (they are decoded for the thumbnail anyway), through the
// one bounded, regular-files-only read.
void readInputOnlyDetails(const std::string& path, CatalogItem& item) {
    const Result<Bytes> read = readImageFile(path);
    if (!read)
        return;
    const Bytes& bytes = *read;
    const ImageFileFormat format = sniffImageFormat(bytes);
    if (format == ImageFileFormat::Heif) {
        readHeifDetails(bytes, item);
    } else if (isInputOnlyFormat(format)) {
        const QSize size = inputOnlyFileSize(bytes, format);
        if (size.isValid()) {
            item.width = size.width();
            item.height = size.height();
        }
    }
}

}  // namespace

void readPhotoDetails(const std::string& path, CatalogItem& item) {
    // A file that cannot be read or holds no photo information keeps its empty details.
    if (readPhotoInfoInto(path, item) || item.width > 0)
        return;
    if (hasInputOnlyExtension(path)) {
        readInputOnlyDetails(path, item);
        return;
    }
    // PNG and BMP: the size their header states, read without decoding. The reader gets the
    // file's first bytes, not its name: Qt would change a name that is not UTF-8.
    constexpr std::size_t kHeaderBytes = 64 * 1024;
    Result<Bytes> head = readFileHead(path, kHeaderBytes);
    if (!head)
        return;
    QByteArray bytes(reinterpret_cast<const char*>(head->data()), qsizetype(head->size()));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    if (size.isValid() && (format == "png" || format == "bmp")) {
        item.width = size.width();
        item.height = size.height();
    }
}

}  // namespace pixmill
