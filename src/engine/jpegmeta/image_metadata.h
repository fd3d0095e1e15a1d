#pragma once
// What the imaging operations need to know of a JPEG's sections, and the metadata carry that
// gives a freshly encoded picture its source's metadata. Plain C++ over bytes in memory.
//
// Every reader here steps through the sections with the one SectionReader and through EXIF
// with the one TIFF walker; a malformed file gives an empty result, never a read outside it.

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/jpegmeta/byte_reader.h"
#include "engine/jpegmeta/exif_orientation.h"

namespace pixmill::jpegmeta {

using ByteVector = std::vector<std::uint8_t>;

struct JpegDensity {
    float x = 0.0f;  // dots per inch; 0 when the file does not say
    float y = 0.0f;
};

// The JFIF density when it names a unit (inch, or centimetre converted to inches), otherwise
// the EXIF XResolution and YResolution of the first directory (centimetres converted too).
// Zero when neither says.
JpegDensity readJpegDensity(Bytes file);

// Sets the density of the JFIF APP0 section that `encoded` starts with (units: inch, values
// rounded and limited to 1..65535). Nothing happens without such a section or for a density of
// 0, which leaves the aspect-ratio-only header the encoder wrote.
void writeJfifDensity(ByteVector& encoded, JpegDensity density);

// True when the bytes start with SOI and a marker: what a JPEG file looks like.
bool startsLikeJpeg(Bytes file);

// True when an Adobe APP14 section comes before the scan: Adobe's CMYK and YCCK JPEGs store
// inverted ink values.
bool hasAdobeSection(Bytes file);

// True when the frame is progressive (SOF2, 6, 10 or 14).
bool isProgressiveJpeg(Bytes file);

// Where the image ends: just after the EOI marker that ends its last scan (sections between
// progressive scans are stepped over). What follows, such as a phone's motion-photo video,
// belongs to no section. Nothing when the file holds no complete image.
std::optional<std::size_t> imageDataEnd(Bytes file);

// The JPEG thumbnail the EXIF directory after the first one points at; empty when none.
Bytes exifThumbnail(Bytes file);

// An EXIF APP1 payload ("Exif\0\0" and the TIFF structure) without its thumbnail: the second
// directory is unlinked, and it is cut off with everything it points to when that lies after
// all the first directory and its subdirectories use, or overwritten with zeros when it does
// not. A payload that cannot be parsed is returned unchanged.
ByteVector withoutExifThumbnail(Bytes exifPayload);

struct CarryOptions {
    bool removeExifThumbnail = false;  // the thumbnail would show the picture before a change
};

// `encoded` (a JPEG fresh from the encoder) given the source's metadata, the way transferExif
// gives it to a file: the source's first EXIF, first COM, IPTC and XMP sections in that order,
// then its ICC profile when that describes RGB data (what the encoder wrote), copied byte for
// byte; no JFIF header in front when EXIF comes first. The encoder's frame, tables and scan
// are kept unchanged. The encoded picture is taken to be upright: the EXIF Orientation and the
// XMP tiff:Orientation say 1, the EXIF pixel dimensions give the encoded size, and the EXIF
// thumbnail is left out when asked or when the source was shown turned. Nothing when either
// picture cannot be read as a JPEG.
std::optional<ByteVector> carryMetadata(Bytes source, Bytes encoded, CarryOptions options = {});

// `encoded` (a JPEG fresh from the encoder) given an EXIF payload ("Exif\0\0" and the TIFF
// structure) from a file that is no JPEG (a phone's HEIF), made upright by `edit`, as its first
// section. Nothing when `encoded` is no JPEG or the payload does not fit one section.
std::optional<ByteVector> withExifPayload(Bytes encoded, Bytes exifPayload,
                                          const UprightExif& edit);

}  // namespace pixmill::jpegmeta
