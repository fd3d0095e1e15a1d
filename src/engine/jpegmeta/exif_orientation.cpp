// Orientation and pixel-dimension tags: read, and made true for an upright picture.
#include "engine/jpegmeta/exif_orientation.h"

#include <algorithm>
#include <string_view>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_sections.h"
#include "engine/jpegmeta/section_reader.h"
#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::jpegmeta {
namespace {

constexpr std::size_t kExifHeaderSize = 6;  // "Exif\0\0"
constexpr std::string_view kXmpHeader{"http://ns.adobe.com/xap/1.0/\0", 29};

// Where the values to change lie in the TIFF block: the first directory's Orientation and the
// EXIF directory's pixel dimensions. Directories after the first (the thumbnail's) are left.
class ShownTags : public TiffVisitor {
  public:
    explicit ShownTags(const ByteOrderReader& block) : block_(block) {}
    bool enter(const TiffDirectory& d) override { return d.reachedBy != TiffLink::Next; }
    void entry(const TiffDirectory& d, const TiffEntry& e, TiffFault fault) override {
        if (fault != TiffFault::None || e.components != 1)
            return;
        if (d.nesting == 0 && e.tag == kTagOrientation && e.format == kFormatShort) {
            orientationAt = e.value;
            orientation = block_.u16(e.value);
        } else if (d.nesting > 0 && (e.format == kFormatShort || e.format == kFormatLong)) {
            if (e.tag == kTagPixelXDimension)
                widthEntry = e;
            if (e.tag == kTagPixelYDimension)
                heightEntry = e;
        }
    }
    std::optional<std::uint64_t> orientationAt;
    int orientation = 1;
    std::optional<TiffEntry> widthEntry, heightEntry;

  private:
    const ByteOrderReader& block_;
};

void put16(std::uint8_t* at, unsigned value, bool bigEndian) {
    at[bigEndian ? 0 : 1] = static_cast<std::uint8_t>(value >> 8);
    at[bigEndian ? 1 : 0] = static_cast<std::uint8_t>(value);
}

void put32(std::uint8_t* at, std::uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i)
        at[bigEndian ? 3 - i : i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Writes `value` into a SHORT or LONG entry's value; a SHORT that cannot hold it is left.
void putNumber(std::uint8_t* block, const TiffEntry& entry, int value, bool bigEndian) {
    if (value <= 0)
        return;
    if (entry.format == kFormatLong) {
        put32(block + entry.value, static_cast<std::uint32_t>(value), bigEndian);
    } else if (value <= 0xFFFF) {
        put16(block + entry.value, static_cast<unsigned>(value), bigEndian);
    }
}

bool readHeader(Bytes payload, TiffHeader& header) {
    return startsWith(payload, 0, "Exif\0\0", kExifHeaderSize) &&
           readTiffHeader(payload.subspan(kExifHeaderSize), header) == TiffHeaderFault::None;
}

}  // namespace

// tiff:Orientation written as an attribute (="6") or an element (>6<) becomes 1 in place.
void uprightXmpOrientation(std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view name = "tiff:Orientation";
    for (std::size_t at = text.find(name); at != std::string_view::npos;
         at = text.find(name, at + name.size())) {
        std::size_t digit = at + name.size();
        if (digit + 2 < size && text[digit] == '=' &&
            (text[digit + 1] == '"' || text[digit + 1] == '\''))
            digit += 2;
        else if (digit + 1 < size && text[digit] == '>')
            digit += 1;
        else
            continue;
        if (text[digit] >= '1' && text[digit] <= '9' && digit + 1 < size &&
            (text[digit + 1] < '0' || text[digit + 1] > '9'))
            data[digit] = '1';
    }
}

int readPayloadOrientation(Bytes exifPayload) {
    TiffHeader header;
    if (!readHeader(exifPayload, header))
        return 1;
    const ByteOrderReader block(exifPayload.subspan(kExifHeaderSize), header.bigEndian);
    ShownTags tags(block);
    walkTiff(block, header.firstDirectory, tags);
    return tags.orientation >= 1 && tags.orientation <= 8 ? tags.orientation : 1;
}

int readOrientation(Bytes file) {
    SectionReader reader(file);
    if (!reader.valid())
        return 1;
    SectionSpan span;
    while (reader.next(span) == SectionStep::Section && span.marker != kSos &&
           span.marker != kEoi) {
        if (span.marker == kApp1 && startsWith(span.data, 2, "Exif\0\0", kExifHeaderSize))
            return readPayloadOrientation(span.data.subspan(2));
    }
    return 1;
}

std::vector<std::uint8_t> uprightExifPayload(Bytes exifPayload, const UprightExif& edit) {
    TiffHeader header;
    if (!readHeader(exifPayload, header))
        return {exifPayload.begin(), exifPayload.end()};
    std::vector<std::uint8_t> result =
        edit.dropThumbnail ? withoutExifThumbnail(exifPayload)
                           : std::vector<std::uint8_t>(exifPayload.begin(), exifPayload.end());
    // The thumbnail removal only cuts the end or writes zeros: every offset still holds.
    const ByteOrderReader block(Bytes(result).subspan(kExifHeaderSize), header.bigEndian);
    ShownTags tags(block);
    walkTiff(block, header.firstDirectory, tags);
    std::uint8_t* tiff = result.data() + kExifHeaderSize;
    if (tags.orientationAt)
        put16(tiff + *tags.orientationAt, 1, header.bigEndian);
    if (tags.widthEntry)
        putNumber(tiff, *tags.widthEntry, edit.width, header.bigEndian);
    if (tags.heightEntry)
        putNumber(tiff, *tags.heightEntry, edit.height, header.bigEndian);
    return result;
}

std::optional<std::vector<std::uint8_t>> withUprightExif(Bytes file, const UprightExif& edit) {
    SectionReader reader(file);
    if (!reader.valid())
        return std::nullopt;
    std::vector<std::uint8_t> out(file.begin(), file.end());
    std::optional<SectionSpan> exif;
    SectionSpan span;
    while (reader.next(span) == SectionStep::Section && span.marker != kSos &&
           span.marker != kEoi) {
        if (!exif && span.marker == kApp1 && startsWith(span.data, 2, "Exif\0\0", 6))
            exif = span;
        else if (span.marker == kApp1 &&
                 startsWith(span.data, 2, kXmpHeader.data(), kXmpHeader.size()))
            uprightXmpOrientation(out.data() + span.offset + 2, span.length - 2);
    }
    if (span.marker != kSos)
        return std::nullopt;
    if (!exif)
        return out;
    std::vector<std::uint8_t> payload = uprightExifPayload(exif->data.subspan(2), edit);
    const std::size_t length = payload.size() + 2;
    if (length > 0xFFFF)
        return std::nullopt;
    const auto at = out.begin() + static_cast<std::ptrdiff_t>(exif->offset);
    payload.insert(payload.begin(),
                   {static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
    out.erase(at, at + exif->length);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(exif->offset), payload.begin(),
               payload.end());
    return out;
}

}  // namespace pixmill::jpegmeta
