#pragma once
// A grey picture with alpha written as a PNG of that colour type. Qt reads such a PNG into
// colour pixels and writes it back as RGBA, which neither keeps the file's kind nor the grey
// colour profile it may carry.

#include <QImage>

#include <optional>

#include "engine/platform/file_bytes.h"

namespace pixmill {

// `image` as a PNG of grey and alpha (colour type 4) with 8 or 16 bits a sample, and its
// resolution as pHYs; nothing when a pixel is not grey (red, green and blue equal) or the
// encoder fails. 16-bit samples come from a 64-bit picture as they are, from an 8-bit one
// widened (v × 257).
std::optional<Bytes> encodeGreyAlphaPng(const QImage& image, int bitDepth);

}  // namespace pixmill
