#pragma once
// JPEG decoding and encoding through libturbojpeg, in memory.
//
// Decoded pictures are QImage::Format_RGBX8888 (four bytes a pixel, so the resampler and the
// encoder work on aligned pixels without repacking). CMYK and YCCK JPEGs, which TurboJPEG can
// decode to CMYK but not convert, are converted to sRGB here through their colour profile
// (colour_profile.h), Adobe's inverted inks included.

#include <QImage>
#include <QSize>

#include <optional>
#include <string>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/result.h"

namespace pixmill {

// Limits of one decode. A full-size decode may produce at most kMaxDecodedPixels; a decode
// reduced by DCT scaling may read a source of up to kMaxScaledSourcePixels (a progressive
// source, whose coefficients are all held at once, is held to kMaxDecodedPixels as well),
// as long as what it produces stays within kMaxDecodedPixels.
constexpr long long kMaxDecodedPixels = 500LL * 1000 * 1000;
constexpr long long kMaxScaledSourcePixels = 2000LL * 1000 * 1000;

struct JpegHeader {
    int width = 0;
    int height = 0;
    bool cmyk = false;         // CMYK or YCCK data
    bool progressive = false;  // all coefficients buffered while decoding
};

std::optional<JpegHeader> readJpegHeader(ByteSpan file);

// The reduction (1, 2, 4 or 8) a decode of a `width` × `height` JPEG may use so that the
// result still covers `wanted` in both dimensions; 1 for an empty `wanted`.
int jpegScaleDenominator(int width, int height, QSize wanted);

// Decodes `file`, reduced by the largest DCT scale that still covers `wanted` (full size for
// an empty `wanted`). Data that does not decode or exceeds the limits above is an Error that
// says why. A CMYK picture whose colours could not be converted through a profile gets the
// reason in `colourNote` when given (the picture is still good).
Result<QImage> decodeJpeg(ByteSpan file, QSize wanted = QSize(), std::string* colourNote = nullptr);

// The chroma subsampling of every JPEG the program writes: 4:2:0. Measured on the bench corpus
// at quality 100 with the accurate DCT (bench/imaging/measure-subsampling.sh), 4:4:4 gains
// 0.7-1.3 dB of luminance PSNR over 4:2:0 (52.6 against 51.2-52.0 dB, far beyond what a
// viewer sees) but makes files 1.9 times as large and encodes a third slower; the resized
// outputs are what users upload.
constexpr int kJpegSubsampling = 2;  // TJSAMP_420

// Encodes `image` (any format; alpha is dropped, grey stays grey) at `quality` 1..100 with
// `density` in its JFIF header. Returns nothing for a null image or an encoder failure.
std::optional<Bytes> encodeJpeg(const QImage& image, int quality,
                                jpegmeta::JpegDensity density = {});

}  // namespace pixmill
