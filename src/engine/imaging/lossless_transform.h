#pragma once
// Quarter turns and mirrors of a JPEG done on its DCT coefficients (libturbojpeg's lossless
// transform): nothing is decoded or quantised again, so the picture loses nothing and keeps
// its sampling, its grey or CMYK colour and its size within a few percent.

#include "engine/imaging/orientation.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/result.h"

namespace pixmill {

// The codes of a refused lossless turn.
enum LosslessRefusal : int {
    kLosslessNotWholeBlocks = 1,  // the turn would move a partial block edge into the picture
    kLosslessLibrary = 2,  // the library refused the file or the transform; the message says why
};

// `file` turned by `turn` on its coefficients, only when the transform is perfect (no edge
// block is dropped or moved). Every marker section before the scan is copied as it was (the
// caller makes the EXIF true again), and the bytes after the image's end are appended.
Result<Bytes> turnJpegLosslessly(ByteSpan file, Turn turn);

}  // namespace pixmill
