#pragma once
// The EXIF thumbnail of a written JPEG made again from its own pixels, where the source's
// thumbnail had to go (the picture was turned, or written upright from a turned source), so
// that file managers show the new picture.

#include <QImage>

#include "engine/platform/file_bytes.h"

namespace pixmill {

// The long side of a made thumbnail, in pixels.
constexpr int kExifThumbnailSide = 160;
// The JPEG quality of a made thumbnail.
constexpr int kExifThumbnailQuality = 75;

// `picture` (upright) as an EXIF thumbnail: kExifThumbnailSide pixels on its long side (never
// enlarged), a baseline JPEG at kExifThumbnailQuality. Empty for a null picture or when the
// encoder fails.
Bytes makeExifThumbnail(const QImage& picture);

// True when `source` is a JPEG whose EXIF holds a thumbnail and `output` one whose EXIF has
// none: the output should get a thumbnail made again.
bool thumbnailWasLeftOut(ByteSpan source, ByteSpan output);

// `output` (a JPEG with EXIF) given the thumbnail `thumbnail`; unchanged when it cannot take
// one (see jpegmeta::withExifThumbnail) or `thumbnail` is empty.
Bytes withThumbnail(Bytes output, ByteSpan thumbnail);

// `output` given a thumbnail of its own pixels, decoded at a reduced scale, when
// thumbnailWasLeftOut(source, output); otherwise, or when that fails, unchanged.
Bytes withThumbnailOfItself(Bytes output, ByteSpan source);

}  // namespace pixmill
