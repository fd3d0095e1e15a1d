#pragma once
// A BMP writer for pictures with alpha, which Qt's BMP writer flattens to 24 bits.

#include <QImage>

#include <optional>

#include "engine/platform/file_bytes.h"

namespace pixmill {

// `image` as a 32-bit BMP (BITMAPV4HEADER, BI_BITFIELDS with an alpha mask, bottom-up rows) of
// straight, not premultiplied, alpha, with the picture's resolution. Nothing for a null picture
// or one whose file would pass 4 GB.
std::optional<Bytes> encodeBmpWithAlpha(const QImage& image);

}  // namespace pixmill
