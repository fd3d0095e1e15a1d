#pragma once
// HEIF and HEIC pictures (what phones save) through libheif, from bytes in memory: libheif never
// opens a file itself, so a FIFO or a device named like a photo cannot stall it.
//
// Sizes and pixels are those of the picture as shown: libheif applies the file's own rotation,
// mirroring and clean-aperture crop (irot, imir, clap) by default, and nothing more is done
// here. An EXIF Orientation inside the file describes the same turn and is not applied on top.

#include <QImage>
#include <QSize>

#include <string>

#include "engine/platform/file_bytes.h"

namespace pixmill {

// True when `bytes` start with an ISO media 'ftyp' box of a HEIF still picture (heic, heix,
// mif1, avif, ...), whatever libheif can decode.
bool looksLikeHeif(ByteSpan bytes);

// Largest EXIF block taken from a HEIF file; larger blocks are left out as damaged.
constexpr std::size_t kMaxHeifExifBytes = std::size_t(4) << 20;

struct HeifHeader {
    QSize size;         // of the primary picture as shown; empty when it cannot be read
    Bytes exifTiff;     // its EXIF block from the TIFF header on; empty when it has none
    std::string error;  // why the container cannot be read; empty when it can
};

// Reads the container's structure without decoding a pixel; `withExif` also copies the EXIF
// block out.
HeifHeader readHeifHeader(ByteSpan bytes, bool withExif = false);

struct HeifPicture {
    // RGBX8888, or RGBA8888 when the picture has alpha; 8 bits a channel even for a 10-bit
    // source. Null on failure.
    QImage image;
    Bytes iccProfile;   // its RGB colour profile (an iPhone's Display P3); empty when none
    std::string error;  // why it could not be decoded (no decoder for its coding, damage)
};

// Decodes the primary picture. The pixels are libheif's own buffer, released with the image.
HeifPicture decodeHeif(ByteSpan bytes);

// The largest embedded thumbnail decodeHeifThumbnail decodes (outside the pixel budget).
constexpr long long kMaxHeifThumbnailPixels = 1024 * 1024;

// The file's embedded thumbnail of the primary picture, as shown, when one is at least `atLeast`
// in both dimensions (and no larger than kMaxHeifThumbnailPixels); null otherwise.
QImage decodeHeifThumbnail(ByteSpan bytes, QSize atLeast);

}  // namespace pixmill
