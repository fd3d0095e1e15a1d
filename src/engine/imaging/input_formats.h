#pragma once
// The input-only formats: pictures Pixmill reads but never writes in their own format. HEIF/HEIC
// (phones) through libheif, WebP, TIFF and GIF through Qt's image readers (WebP and TIFF from
// the qt6-image-formats-plugins package). Every reader works on bytes in memory.
//
// Outputs made from them (resize, crop, watermark) are JPEG files named after the source with
// ".jpg"; the in-place commands (rotate, metadata) leave them alone.

#include <QSize>

#include <optional>
#include <string>

#include "engine/imaging/image_io.h"

namespace pixmill {

// The input-only format `bytes` hold, or Unknown.
ImageFileFormat sniffInputOnlyFormat(ByteSpan bytes);

// The shown size of an input-only picture from its header, without decoding; empty when unknown.
QSize inputOnlyFileSize(ByteSpan bytes, ImageFileFormat format);

// Decodes an input-only picture (the first frame or page). A picture that cannot be decoded
// comes back null with the decoder's reason, in the user's words, in `refusal`.
LoadedImage decodeInputOnly(ByteSpan bytes, ImageFileFormat format);

// `encoded` (a JPEG fresh from the encoder, of a picture of `size` as shown) given the EXIF block
// of the HEIF file `heif`, made true for the upright picture: Orientation 1 (the pixels are
// already turned), the size, no thumbnail. Nothing when the file has no EXIF block, the block
// would not fit a JPEG section, or `encoded` is not a JPEG.
std::optional<Bytes> withHeifExif(ByteSpan heif, ByteSpan encoded, QSize size);

// True for names whose extension, in any case, is one of the input-only formats': heic, heif,
// webp, tif, tiff, gif.
bool hasInputOnlyExtension(const std::string& fileName);

// The format a file's name says, by its extension in any case (Unknown for anything else).
ImageFileFormat formatOfFileName(const std::string& fileName);

// What the in-place commands say for a row of `format` they leave alone.
std::string inputOnlySkipMessage(ImageFileFormat format, const std::string& fileName);

}  // namespace pixmill
