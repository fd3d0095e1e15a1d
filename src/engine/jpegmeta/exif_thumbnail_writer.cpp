#include "engine/jpegmeta/exif_thumbnail_writer.h"

#include <algorithm>
#include <array>

#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_sections.h"
#include "engine/jpegmeta/section_reader.h"
#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::jpegmeta {
namespace {

constexpr std::size_t kExifHeaderSize = 6;  // "Exif\0\0"
constexpr std::size_t kMaxPayload = 0xFFFF - 2;
constexpr unsigned kTagCompression = 0x0103;
constexpr int kShort = 3, kLong = 4, kRational = 5;

// Where the first directory's link lies.
class FirstLink : public TiffVisitor {
  public:
    bool enter(const TiffDirectory& d) override {
        if (d.nesting == 0 && d.reachedBy == TiffLink::First) {
            found = d.hasLink;
            at = d.linkAt;
        }
        return false;
    }
    void entry(const TiffDirectory&, const TiffEntry&, TiffFault) override {}
    bool found = false;
    std::uint64_t at = 0;
};

class TiffWriter {
  public:
    TiffWriter(std::vector<std::uint8_t>& bytes, bool bigEndian)
        : bytes_(bytes), bigEndian_(bigEndian) {}
    void put16(std::size_t at, std::uint32_t value) {
        bytes_[at + (bigEndian_ ? 0 : 1)] = std::uint8_t(value >> 8);
        bytes_[at + (bigEndian_ ? 1 : 0)] = std::uint8_t(value);
    }
    void put32(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes_[at + std::size_t(bigEndian_ ? i : 3 - i)] = std::uint8_t(value >> (24 - 8 * i));
    }
    // A directory entry; a SHORT value lies in the first two of the four value bytes.
    void entry(std::size_t at, unsigned tag, int format, std::uint32_t value) {
        put16(at, tag);
        put16(at + 2, std::uint32_t(format));
        put32(at + 4, 1);
        if (format == kShort) {
            put16(at + 8, value);
            put16(at + 10, 0);
        } else {
            put32(at + 8, value);
        }
    }

  private:
    std::vector<std::uint8_t>& bytes_;
    bool bigEndian_;
};

bool isWholeJpeg(Bytes bytes) {
    return bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == kSoi &&
           bytes[bytes.size() - 2] == 0xFF && bytes[bytes.size() - 1] == kEoi;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> exifPayloadWithThumbnail(Bytes exifPayload,
                                                                  Bytes thumbnail) {
    TiffHeader header;
    if (!isWholeJpeg(thumbnail) || !startsWith(exifPayload, 0, "Exif\0\0", 6) ||
        readTiffHeader(exifPayload.subspan(kExifHeaderSize), header) != TiffHeaderFault::None)
        return std::nullopt;
    const ByteOrderReader block(exifPayload.subspan(kExifHeaderSize), header.bigEndian);
    FirstLink link;
    walkTiff(block, header.firstDirectory, link);
    if (!link.found || !block.has(link.at, 4) || block.u32(link.at) != 0)
        return std::nullopt;

    // The directory and its two resolutions start on an even offset, the thumbnail follows.
    constexpr std::size_t kEntries = 6;
    constexpr std::size_t kDirectorySize = 2 + kEntries * 12 + 4;
    const std::size_t directory = (block.size() + 1) & ~std::size_t{1};
    const std::size_t resolutions = directory + kDirectorySize;
    const std::size_t image = resolutions + 16;
    if (kExifHeaderSize + image + thumbnail.size() > kMaxPayload)
        return std::nullopt;
    std::vector<std::uint8_t> out(exifPayload.begin(), exifPayload.end());
    out.resize(kExifHeaderSize + image, 0);
    out.insert(out.end(), thumbnail.begin(), thumbnail.end());

    TiffWriter tiff(out, header.bigEndian);
    auto at = [](std::size_t offset) { return kExifHeaderSize + offset; };
    tiff.put32(at(link.at), std::uint32_t(directory));
    tiff.put16(at(directory), kEntries);
    std::size_t entry = at(directory + 2);
    tiff.entry(entry, kTagCompression, kShort, 6);
    tiff.entry(entry += 12, kTagXResolution, kRational, std::uint32_t(resolutions));
    tiff.entry(entry += 12, kTagYResolution, kRational, std::uint32_t(resolutions + 8));
    tiff.entry(entry += 12, kTagResolutionUnit, kShort, 2);  // inches
    tiff.entry(entry += 12, kTagThumbnailOffset, kLong, std::uint32_t(image));
    tiff.entry(entry += 12, kTagThumbnailLength, kLong, std::uint32_t(thumbnail.size()));
    tiff.put32(entry + 12, 0);  // no further directory
    for (std::size_t r : {resolutions, resolutions + 8}) {
        tiff.put32(at(r), 72);
        tiff.put32(at(r + 4), 1);
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> withExifThumbnail(Bytes file, Bytes thumbnail) {
    SectionReader reader(file);
    if (!reader.valid())
        return std::nullopt;
    SectionSpan span;
    while (reader.next(span) == SectionStep::Section && span.marker != kSos &&
           span.marker != kEoi) {
        if (span.marker != kApp1 || !startsWith(span.data, 2, "Exif\0\0", 6))
            continue;
        std::optional<std::vector<std::uint8_t>> payload =
            exifPayloadWithThumbnail(span.data.subspan(2), thumbnail);
        if (!payload)
            return std::nullopt;
        const std::size_t length = payload->size() + 2;
        std::vector<std::uint8_t> out(file.begin(), file.begin() + std::ptrdiff_t(span.offset));
        out.insert(out.end(), {std::uint8_t(length >> 8), std::uint8_t(length)});
        out.insert(out.end(), payload->begin(), payload->end());
        out.insert(out.end(), file.begin() + std::ptrdiff_t(span.offset + span.length), file.end());
        // A damaged first directory can be read two ways; a thumbnail that the photo's readers
        // would not find where it was put is not written at all.
        const Bytes found = exifThumbnail(out);
        if (!std::equal(found.begin(), found.end(), thumbnail.begin(), thumbnail.end()))
            return std::nullopt;
        return out;
    }
    return std::nullopt;
}

}  // namespace pixmill::jpegmeta
