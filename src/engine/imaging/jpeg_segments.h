#pragma once
// Reading and splicing the marker segments of a JPEG file in memory: the parts of the
// metadata work that the imaging operations need themselves (the source's density, its
// embedded thumbnail, its Adobe colour transform, and carrying the source's metadata
// sections into a freshly encoded picture). Plain C++ over bytes, no file access, so tests
// and fuzzers feed it arrays directly.
//
// Every length read from the file is checked against the bytes that are really there; a
// malformed file gives an empty result, never a read outside the buffer.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pixmill {

using ByteSpan = std::span<const std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;

// One segment before the first scan. `offset` is the position of its 0xFF marker byte;
// `payload` follows the two length bytes and has `length - 2` bytes.
struct JpegSegment {
    std::uint8_t marker = 0;
    std::size_t offset = 0;
    std::size_t size = 0;  // marker, length and payload: the bytes the segment occupies
    ByteSpan payload;
};

// The segments from the one after SOI up to and including SOS. Empty when the bytes do not
// start with SOI or a length runs past the end. At most 4096 segments are read. The payloads
// point into `file`: keep the bytes alive while the segments are used (not a temporary in a
// range-for).
std::vector<JpegSegment> readJpegSegments(ByteSpan file);

bool isExifSegment(const JpegSegment& segment);  // APP1 "Exif\0\0"
bool isXmpSegment(const JpegSegment& segment);   // APP1 "http://ns.adobe.com/xap/1.0/\0"
bool isIccSegment(const JpegSegment& segment);   // APP2 "ICC_PROFILE\0"

struct JpegDensity {
    float x = 0.0f;  // dots per inch; 0 when the file does not say
    float y = 0.0f;
};

// The JFIF density when it names a unit (inch or centimetre), otherwise the EXIF
// XResolution/YResolution of IFD0. Zero when neither is present.
JpegDensity readJpegDensity(ByteSpan file);

// Sets the density of the JFIF APP0 segment that `encoded` starts with (units: inch, values
// rounded and limited to 1..65535). Nothing happens without such a segment or for a density
// of 0, which leaves the aspect-ratio-only header the encoder wrote.
void writeJfifDensity(Bytes& encoded, JpegDensity density);

// True when an Adobe APP14 segment is present: Adobe's CMYK and YCCK JPEGs store inverted
// ink values.
bool hasAdobeSegment(ByteSpan file);

// The JPEG thumbnail that the EXIF IFD1 points at, inside `file`; empty when there is none.
ByteSpan exifThumbnail(ByteSpan file);

// The EXIF APP1 payload ("Exif\0\0" and the TIFF structure) without its thumbnail: IFD1 is
// unlinked, and IFD1 with the data it points to is cut off when it lies after everything
// IFD0 and its sub-directories use, or overwritten with zeros when it does not. A payload
// that cannot be parsed is returned unchanged.
Bytes withoutExifThumbnail(ByteSpan exifPayload);

struct MetadataCarryOptions {
    bool removeExifThumbnail = false;
};

// `encoded` (a JPEG fresh from the encoder) with the metadata sections of `source` inserted
// after its JFIF header, in the source's order: EXIF and XMP (APP1), ICC profiles (APP2, only
// when the profile describes RGB data, which is what the encoder wrote), IPTC (APP13) and
// comments (COM). Returns nothing when either file cannot be parsed or the result would need
// a segment longer than a JPEG allows.
std::optional<Bytes> carryMetadataSections(ByteSpan source, ByteSpan encoded,
                                           MetadataCarryOptions options = {});

}  // namespace pixmill
