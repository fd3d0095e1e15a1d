// The metadata carry into a freshly encoded JPEG, and the EXIF thumbnail removal it may apply.
#include <algorithm>

#include "engine/jpegmeta/exif_orientation.h"
#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/jpeg_sections.h"
#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::jpegmeta {
namespace {

constexpr std::size_t kExifHeaderSize = 6;  // "Exif\0\0"

struct Range {
    std::uint64_t from;
    std::uint64_t count;
};

// The end of what the first directory and its subdirectories (GPS included) use, and where
// the first directory's link lies. Directories reached by a next link are not counted.
class UsedBytes : public TiffVisitor {
  public:
    bool enter(const TiffDirectory& d) override {
        if (d.reachedBy == TiffLink::Next)
            return false;
        if (d.nesting == 0) {
            firstHasLink = d.hasLink;
            firstLinkAt = d.linkAt;
        }
        end = std::max(end, d.linkAt + (d.hasLink ? 4 : 0));
        return true;
    }
    void entry(const TiffDirectory&, const TiffEntry& e, TiffFault fault) override {
        if (fault == TiffFault::None && e.outOfLine())
            end = std::max(end, e.value + e.byteCount);
    }
    std::uint64_t end = 0;
    bool firstHasLink = false;
    std::uint64_t firstLinkAt = 0;
};

// What the thumbnail directory occupies: its table with the link, its values, the thumbnail.
class ThumbnailDirectory : public TiffVisitor {
  public:
    explicit ThumbnailDirectory(const ByteOrderReader& block) : block_(block) {}
    bool enter(const TiffDirectory& d) override {
        if (d.nesting != 0)
            return false;
        ranges.push_back({d.offset, d.linkAt + (d.hasLink ? 4 : 0) - d.offset});
        return true;
    }
    void entry(const TiffDirectory& d, const TiffEntry& e, TiffFault fault) override {
        if (fault != TiffFault::None || d.nesting != 0)
            return;
        if (e.outOfLine())
            ranges.push_back({e.value, e.byteCount});
        if (e.tag == kTagThumbnailOffset)
            offset = static_cast<std::uint64_t>(tiffNumber(block_, e, true));
        if (e.tag == kTagThumbnailLength)
            length = static_cast<std::uint64_t>(tiffNumber(block_, e, true));
    }
    std::vector<Range> ranges;
    std::uint64_t offset = 0, length = 0;

  private:
    const ByteOrderReader& block_;
};

void zeroRange(ByteVector& bytes, std::uint64_t from, std::uint64_t count) {
    if (from >= bytes.size())
        return;
    const std::uint64_t n = std::min<std::uint64_t>(count, bytes.size() - from);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(from), n, std::uint8_t{0});
}

}  // namespace

ByteVector withoutExifThumbnail(Bytes exifPayload) {
    ByteVector result(exifPayload.begin(), exifPayload.end());
    TiffHeader header;
    if (!startsWith(exifPayload, 0, "Exif\0\0", 6) ||
        readTiffHeader(exifPayload.subspan(kExifHeaderSize), header) != TiffHeaderFault::None)
        return result;
    const ByteOrderReader block(exifPayload.subspan(kExifHeaderSize), header.bigEndian);
    UsedBytes used;
    walkTiff(block, header.firstDirectory, used, {.followGps = true});
    const std::uint64_t second = used.firstHasLink ? block.u32(used.firstLinkAt) : 0;
    if (second == 0)
        return result;
    zeroRange(result, kExifHeaderSize + used.firstLinkAt, 4);  // unlinked
    ThumbnailDirectory thumbnail(block);
    if (second != header.firstDirectory)
        walkTiff(block, second, thumbnail);
    if (thumbnail.offset != 0 && thumbnail.length != 0)
        thumbnail.ranges.push_back({thumbnail.offset, thumbnail.length});
    std::uint64_t start = block.size();
    for (const Range& r : thumbnail.ranges)
        start = std::min(start, r.from);
    if (!thumbnail.ranges.empty() && start >= used.end) {
        result.resize(kExifHeaderSize + start);
    } else {
        for (const Range& r : thumbnail.ranges)
            zeroRange(result, kExifHeaderSize + r.from, r.count);
    }
    return result;
}

std::optional<ByteVector> carryMetadata(Bytes source, Bytes encoded, CarryOptions options) {
    JpegEngine engine;
    engine.suppressWarnings = true;  // the source's EXIF faults are not the new picture's
    if (!engine.loadJpegBytes(source, kLoadMeta))
        return std::nullopt;
    engine.keepOnlyMetadataSections();
    if (!engine.loadJpegBytes(encoded, kLoadScan))
        return std::nullopt;
    // The encoded picture is upright: the EXIF says so and gives its size. A thumbnail of a
    // picture that was shown turned would show it turned, so it goes too.
    if (JpegSection* exif = engine.findSectionOfType(kApp1)) {
        const Bytes payload = Bytes(exif->data).subspan(2);
        UprightExif edit{
            .width = static_cast<int>(engine.fileInfo().width),
            .height = engine.fileInfo().height,
            .dropThumbnail = options.removeExifThumbnail || readPayloadOrientation(payload) != 1};
        ByteVector edited = uprightExifPayload(payload, edit);
        if (edited.size() + 2 > 0xFFFF)
            return std::nullopt;
        const std::size_t length = edited.size() + 2;
        edited.insert(edited.begin(),
                      {static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
        exif->data = std::move(edited);
    }
    if (JpegSection* xmp = engine.findSectionOfType(kXmpSection))
        uprightXmpOrientation(xmp->data.data(), xmp->data.size());
    Result<ByteVector> out = engine.saveJpeg();
    if (!out)
        return std::nullopt;
    return std::move(*out);
}

std::optional<ByteVector> withExifPayload(Bytes encoded, Bytes exifPayload,
                                          const UprightExif& edit) {
    if (!startsLikeJpeg(encoded) || encoded.size() < 4)
        return std::nullopt;
    ByteVector payload = uprightExifPayload(exifPayload, edit);
    const std::size_t length = payload.size() + 2;
    if (length > 0xFFFF)
        return std::nullopt;
    // EXIF first, as the carry puts it: the encoder's JFIF header goes, its density is the
    // EXIF's to give.
    std::size_t rest = 2;
    if (encoded[2] == 0xFF && encoded[3] == 0xE0 && encoded.size() >= 6)
        rest = std::min(encoded.size(), 4 + (std::size_t(encoded[4]) << 8 | encoded[5]));
    ByteVector result(encoded.begin(), encoded.begin() + 2);
    result.insert(result.end(), {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length)});
    result.insert(result.end(), payload.begin(), payload.end());
    result.insert(result.end(), encoded.begin() + std::ptrdiff_t(rest), encoded.end());
    return result;
}

}  // namespace pixmill::jpegmeta
