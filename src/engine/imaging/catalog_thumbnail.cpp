#include "engine/imaging/catalog_thumbnail.h"

#include <QPainter>

#include <cstdlib>

#include "engine/imaging/heif_image.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/orientation.h"
#include "engine/imaging/resample.h"
#include "engine/jpegmeta/exif_orientation.h"

namespace pixmill {
namespace {

constexpr unsigned kWhite = 0xFFFFFF;
// How far the embedded thumbnail's shape may differ from the picture's before it is taken
// for a letterboxed or cropped preview that would not show what the file holds.
constexpr double kShapeTolerance = 0.02;

bool sameShape(QSize a, QSize b) {
    double left = double(a.width()) * b.height();
    double right = double(b.width()) * a.height();
    return std::abs(left - right) <= kShapeTolerance * std::max(left, right);
}

// The picture to scale from, as shown: the embedded thumbnail when it will do, else a reduced
// decode.
QImage thumbnailSource(ByteSpan bytes, QSize pictureSize, QSize placed) {
    if (sniffImageFormat(bytes) == ImageFileFormat::Jpeg) {
        ByteSpan embedded = jpegmeta::exifThumbnail(bytes);
        if (!embedded.empty()) {
            // Stored like the picture: turned the same way to be shown.
            const Turn turn = turnForOrientation(jpegmeta::readOrientation(bytes));
            Result<QImage> decoded = decodeJpeg(embedded);
            QImage small = decoded ? turnImage(*decoded, turn) : QImage();
            if (!small.isNull() && small.width() >= placed.width() &&
                small.height() >= placed.height() && sameShape(small.size(), pictureSize))
                return small;
        }
    }
    if (sniffImageFormat(bytes) == ImageFileFormat::Heif) {
        // A phone's HEIC holds a small preview: decoding it spares decoding 12 megapixels.
        QImage small = decodeHeifThumbnail(bytes, placed);
        if (!small.isNull() && sameShape(small.size(), pictureSize))
            return small;
    }
    return decodeImage(bytes, placed * 2).image;
}

}  // namespace

ThumbnailPlacement thumbnailPlacement(int imageWidth, int imageHeight, int boxWidth,
                                      int boxHeight) {
    const float rw = float(imageWidth) / float(boxWidth);
    const float rh = float(imageHeight) / float(boxHeight);
    const float r = rh > rw ? rh : rw;
    ThumbnailPlacement p;
    if (r <= 1.0f) {
        p.width = imageWidth;
        p.height = imageHeight;
    } else if (rh < rw) {
        p.width = boxWidth;
        p.height = int(float(imageHeight) / r);
        p.y = (boxHeight - p.height) / 2;
    } else {
        p.height = boxHeight;
        p.width = int(float(imageWidth) / r);
        p.x = (boxWidth - p.width) / 2;
    }
    return p;
}

QImage renderCatalogThumbnail(const CatalogItem& item, int width, int height) {
    QImage canvas(width, height, QImage::Format_RGB888);
    if (canvas.isNull())
        return canvas;
    const unsigned background = item.thumbBackground == kWhite ? kWhite : 0;
    canvas.fill(QColor::fromRgb(QRgb(background | 0xFF000000u)));

    Result<Bytes> read = readImageFile(item.fullPath);
    if (!read)
        return canvas;
    const Bytes& bytes = *read;
    const QSize pictureSize = imageFileSize(bytes);
    if (pictureSize.isEmpty())
        return canvas;
    const ThumbnailPlacement p =
        thumbnailPlacement(pictureSize.width(), pictureSize.height(), width, height);
    if (p.width <= 0 || p.height <= 0)
        return canvas;
    const QSize placed(p.width, p.height);

    QImage picture = thumbnailSource(bytes, pictureSize, placed);
    if (picture.isNull())
        return canvas;
    if (picture.size() != placed)
        picture = resampleImage(picture, placed);
    QPainter painter(&canvas);
    painter.drawImage(p.x, p.y, flattenOnto(picture, background));
    return canvas;
}

}  // namespace pixmill
