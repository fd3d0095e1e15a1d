#pragma once
// In-memory services for the imaging operations that encode a new JPEG from a photo (resize,
// crop): carrying the photo's metadata sections into the new stream, and dropping an EXIF
// thumbnail that no longer shows the picture.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"

namespace pixmill::jpegmeta {

// Unlinks the EXIF thumbnail directory (IFD1) of the first EXIF section of a JPEG stream, and
// when the thumbnail and its directory lie after every other EXIF value, as cameras write
// them, cuts them off too. Returns whether anything changed; nothing is touched when the
// EXIF block is damaged.
bool removeExifThumbnail(std::vector<std::uint8_t>& jpeg);

// The encoded JPEG with the source's first EXIF, COM, IPTC and XMP sections (EXIF first,
// byte for byte) in place of its own. Empty when either stream is not a JPEG; the encoded
// stream's frame, tables and scan data are kept as they are.
std::optional<std::vector<std::uint8_t>> carryMetadataInto(Bytes sourceJpeg, Bytes encodedJpeg);

}  // namespace pixmill::jpegmeta
