#pragma once
// Writing the EXIF thumbnail: a second directory (IFD1) that points at a small JPEG of the
// picture, as cameras write it. Plain C++ over bytes in memory; the thumbnail's pixels are
// made elsewhere.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"

namespace pixmill::jpegmeta {

// An EXIF APP1 payload ("Exif\0\0" and the TIFF structure) with a thumbnail directory appended
// to its TIFF block: Compression 6 (JPEG), a resolution of 72 pixels an inch, and
// JPEGInterchangeFormat and JPEGInterchangeFormatLength giving where `thumbnail` (a whole
// JPEG) follows it. Nothing else in the payload moves; the first directory's link points at
// the new directory. Nothing when the payload cannot be parsed, its first directory already
// links another or has no room for the link, `thumbnail` is no JPEG, or the result would not
// fit one APP1 section.
std::optional<std::vector<std::uint8_t>> exifPayloadWithThumbnail(Bytes exifPayload,
                                                                  Bytes thumbnail);

// A whole JPEG file with that done to its first EXIF section; every other byte (trailing bytes
// after the image included) as it was. Nothing when the file has no EXIF section, when the
// payload gets no thumbnail, or when the thumbnail would not read back as the one written.
std::optional<std::vector<std::uint8_t>> withExifThumbnail(Bytes file, Bytes thumbnail);

}  // namespace pixmill::jpegmeta
