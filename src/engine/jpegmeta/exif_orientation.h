#pragma once
// The EXIF values that say how a picture is shown: its Orientation and its pixel-dimension
// tags. Reading them, and making them true again for a picture that is written upright (by a
// pixel operation or a lossless transform). Plain C++ over bytes in memory.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"

namespace pixmill::jpegmeta {

constexpr unsigned kTagOrientation = 0x0112;
constexpr unsigned kTagPixelXDimension = 0xA002;
constexpr unsigned kTagPixelYDimension = 0xA003;

// The Orientation of the first EXIF directory of a JPEG file: 1..8, and 1 when there is no
// EXIF, no such tag, or a value outside 1..8.
int readOrientation(Bytes file);

// The same from an EXIF APP1 payload ("Exif\0\0" and the TIFF structure).
int readPayloadOrientation(Bytes exifPayload);

struct UprightExif {
    int width = 0;  // the written picture's size, for PixelXDimension and PixelYDimension
    int height = 0;
    bool dropThumbnail = false;  // the embedded thumbnail would show another picture
};

// An EXIF payload made true for an upright picture of the given size: Orientation set to 1,
// the pixel-dimension tags of the EXIF directory set to the size (a SHORT tag that cannot hold
// the value is left), the thumbnail dropped when asked (see withoutExifThumbnail). Values are
// changed in place, so nothing else in the payload moves. A payload that cannot be parsed is
// returned unchanged.
std::vector<std::uint8_t> uprightExifPayload(Bytes exifPayload, const UprightExif& edit);

// XMP text (a section's bytes) with tiff:Orientation, written as an attribute or an element,
// set to 1 in place.
void uprightXmpOrientation(std::uint8_t* data, std::size_t size);

// A whole JPEG file with the same edit applied to its first EXIF section and to the
// tiff:Orientation of its XMP; every other byte, trailing bytes after the image included,
// as it was. Nothing when the file's sections cannot be read.
std::optional<std::vector<std::uint8_t>> withUprightExif(Bytes file, const UprightExif& edit);

}  // namespace pixmill::jpegmeta
