#pragma once
// Builds JPEG byte streams for tests: chosen marker sections (JFIF, EXIF, XMP, IPTC, ICC,
// Adobe, comments, fill bytes) in front of the frame, tables and scan data of a real JPEG, and
// EXIF blocks with chosen directories, byte order and thumbnail.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixmill::testing {

using ByteVector = std::vector<std::uint8_t>;

// A 16x16 baseline YCbCr JPEG made by libjpeg, without any APPn or COM section.
const ByteVector& tinyJpeg();

// The bytes of `jpeg` from its first section that is neither APPn nor COM up to its end:
// the frame, tables, SOS and scan data.
ByteVector imageSections(const ByteVector& jpeg);

class JpegBuilder {
  public:
    JpegBuilder() { bytes_[1] = 0xD8; }
    // A marker section; `payload` comes after the two length bytes, which are added.
    JpegBuilder& section(int marker, const ByteVector& payload);
    JpegBuilder& section(int marker, std::string_view payload);
    JpegBuilder& jfif(int units = 1, int xDensity = 72, int yDensity = 72);
    JpegBuilder& exif(const ByteVector& tiffBlock);  // APP1 "Exif\0\0" + block
    JpegBuilder& xmp(std::string_view packet = "<x:xmpmeta/>");
    JpegBuilder& iptc();
    JpegBuilder& icc();
    JpegBuilder& adobe(int transform);
    JpegBuilder& comment(std::string_view text);
    // `count` 0xFF fill bytes in front of the next marker's own 0xFF.
    JpegBuilder& fill(int count);
    JpegBuilder& raw(const ByteVector& bytes);
    // The frame, tables and scan of `jpeg` (tinyJpeg() by default); ends the stream.
    JpegBuilder& image(const ByteVector& jpeg = tinyJpeg());
    ByteVector build() const { return bytes_; }

  private:
    ByteVector bytes_ = ByteVector(2, 0xFF);
    int pendingFill_ = 0;
};

// One TIFF directory of an EXIF block under construction.
class TiffDirectory {
  public:
    TiffDirectory& entry(int tag, int format, std::uint32_t count, const ByteVector& value);
    TiffDirectory& ascii(int tag, std::string_view text);  // adds the terminating zero
    TiffDirectory& shortValue(int tag, std::uint16_t value);
    TiffDirectory& longValue(int tag, std::uint32_t value);
    TiffDirectory& rational(int tag, std::uint32_t numerator, std::uint32_t denominator);
    TiffDirectory& signedRational(int tag, std::int32_t numerator, std::int32_t denominator);
    TiffDirectory& undefined(int tag, std::string_view bytes);
    bool empty() const { return entries_.empty(); }

  private:
    friend class TiffBuilder;
    struct Entry {
        int tag, format;
        std::uint32_t count;
        ByteVector value;  // already in the block's byte order
        int link = -1;     // a subdirectory whose offset is the value
    };
    bool bigEndian_ = false;
    std::vector<Entry> entries_;
};

// IFD0 at offset 8, then the EXIF subdirectory, the interoperability directory, IFD1 and the
// thumbnail bytes; each directory is followed by its values.
class TiffBuilder {
  public:
    explicit TiffBuilder(bool bigEndian = false);
    TiffDirectory& ifd0() { return directories_[0]; }
    TiffDirectory& exifIfd() { return directories_[1]; }
    TiffDirectory& interop() { return directories_[2]; }
    TiffDirectory& ifd1() { return directories_[3]; }
    // IFD1 gets JPEGInterchangeFormat and its length pointing at these bytes.
    TiffBuilder& thumbnail(const ByteVector& jpeg);
    ByteVector build() const;

  private:
    bool bigEndian_;
    TiffDirectory directories_[4];
    ByteVector thumbnail_;
};

// Reads a whole file / writes bytes to a file (replacing it).
ByteVector readBytes(const std::string& path);
void writeBytes(const std::string& path, const ByteVector& bytes);

// Marker sections of a stream up to SOS (marker, length field), for checking what a rewrite
// kept; the scan data after SOS is returned in `scan` when given.
struct SectionSummary {
    int marker;
    int length;
};
std::vector<SectionSummary> listSections(const ByteVector& jpeg, ByteVector* scan = nullptr);
std::vector<int> markersOf(const ByteVector& jpeg);

}  // namespace pixmill::testing
