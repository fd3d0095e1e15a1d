#include "engine/imaging/exif_thumbnail.h"

#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/resample.h"
#include "engine/jpegmeta/exif_thumbnail_writer.h"
#include "engine/jpegmeta/image_metadata.h"

namespace pixmill {

Bytes makeExifThumbnail(const QImage& picture) {
    if (picture.isNull())
        return {};
    const int longSide = std::max(picture.width(), picture.height());
    QSize size = picture.size();
    if (longSide > kExifThumbnailSide) {
        size =
            picture.width() >= picture.height()
                ? QSize(kExifThumbnailSide, std::max(1, int((long long)picture.height() *
                                                            kExifThumbnailSide / picture.width())))
                : QSize(std::max(1, int((long long)picture.width() * kExifThumbnailSide /
                                        picture.height())),
                        kExifThumbnailSide);
    }
    const QImage opaque = flattenOnto(picture, 0xFFFFFF);
    const QImage small = size == opaque.size() ? opaque : resampleImage(opaque, size);
    std::optional<Bytes> encoded = encodeJpeg(small, kExifThumbnailQuality);
    return encoded ? std::move(*encoded) : Bytes();
}

bool thumbnailWasLeftOut(ByteSpan source, ByteSpan output) {
    return jpegmeta::startsLikeJpeg(source) && !jpegmeta::exifThumbnail(source).empty() &&
           jpegmeta::exifThumbnail(output).empty();
}

Bytes withThumbnail(Bytes output, ByteSpan thumbnail) {
    if (thumbnail.empty())
        return output;
    std::optional<Bytes> with = jpegmeta::withExifThumbnail(output, thumbnail);
    return with ? std::move(*with) : output;
}

Bytes withThumbnailOfItself(Bytes output, ByteSpan source) {
    if (!thumbnailWasLeftOut(source, output))
        return output;
    // A reduced decode covering the thumbnail's size is a fraction of the full decode's work.
    Result<QImage> pixels = decodeJpeg(output, QSize(kExifThumbnailSide, kExifThumbnailSide));
    if (!pixels)
        return output;
    return withThumbnail(std::move(output), makeExifThumbnail(*pixels));
}

}  // namespace pixmill
