#include "engine/jpegmeta/metadata_carry.h"

#include <algorithm>
#include <set>

#include "engine/jpegmeta/jpeg_sections.h"

namespace pixmill::jpegmeta {
namespace {

constexpr int kMaxDepth = 8;

// Offset of the first EXIF APP1 section's marker (0xFF) and its length, before SOS.
bool findExifSection(const std::vector<std::uint8_t>& jpeg, std::size_t& at, std::size_t& length) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        return false;
    std::size_t position = 2;
    while (fitsInside(jpeg.size(), position, 4)) {
        if (jpeg[position] != 0xFF)
            return false;
        const int marker = jpeg[position + 1];
        if (marker == 0xFF) {
            ++position;  // fill byte
            continue;
        }
        if (marker == kSos || marker == kEoi)
            return false;
        const std::size_t sectionLength = bigEndian16(jpeg, position + 2);
        if (sectionLength < 2 || !fitsInside(jpeg.size(), position + 2, sectionLength))
            return false;
        if (marker == kApp1 && startsWith(jpeg, position + 4, "Exif\0\0", 6)) {
            at = position;
            length = sectionLength;
            return true;
        }
        position += 2 + sectionLength;
    }
    return false;
}

// The end of everything the directory at `start` and its subdirectories occupy.
class ExtentWalk {
  public:
    explicit ExtentWalk(const ByteOrderReader& block) : block_(block) {}
    bool walk(std::uint64_t start, int depth, bool followLink);
    std::uint64_t end = 0;
    std::uint64_t lowest = UINT64_MAX;  // the lowest offset anything lies at

  private:
    void cover(std::uint64_t from, std::uint64_t count) {
        end = std::max(end, from + count);
        lowest = std::min(lowest, from);
    }
    const ByteOrderReader& block_;
    std::set<std::uint64_t> visited_;
};

bool ExtentWalk::walk(std::uint64_t start, int depth, bool followLink) {
    if (depth > kMaxDepth || !visited_.insert(start).second)
        return true;
    const std::uint64_t count = block_.u16(start);
    if (!block_.has(start, 2 + 12 * count + 4))
        return false;
    cover(start, 2 + 12 * count + 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = start + 2 + 12 * i;
        const unsigned tag = block_.u16(entry);
        const unsigned format = block_.u16(entry + 2);
        if (format > kMaxFormatCode)
            return false;
        const std::uint64_t bytes = std::uint64_t{block_.u32(entry + 4)} * kFormatSizes[format];
        if (bytes > 4) {
            const std::uint64_t value = block_.u32(entry + 8);
            if (!block_.has(value, bytes))
                return false;
            cover(value, bytes);
        }
        if (tag == 0x8769 || tag == 0x8825 || tag == 0xA005) {
            if (!walk(block_.u32(entry + 8), depth + 1, false))
                return false;
        }
        if (tag == 0x0201) {  // the thumbnail's own bytes
            const std::uint64_t offset = block_.u32(entry + 8);
            for (std::uint64_t j = 0; j < count; ++j) {
                if (block_.u16(start + 2 + 12 * j) == 0x0202) {
                    const std::uint64_t length = block_.u32(start + 2 + 12 * j + 8);
                    if (block_.has(offset, length))
                        cover(offset, length);
                }
            }
        }
    }
    const std::uint64_t link = block_.u32(start + 2 + 12 * count);
    if (followLink && link != 0)
        return walk(link, depth + 1, true);
    return true;
}

}  // namespace

bool removeExifThumbnail(std::vector<std::uint8_t>& jpeg) {
    std::size_t at = 0, length = 0;
    if (!findExifSection(jpeg, at, length))
        return false;
    const std::size_t blockStart = at + 10;
    const Bytes section(jpeg.data() + at + 2, length);
    const bool bigEndian = startsWith(section, 8, "MM", 2);
    if (!bigEndian && !startsWith(section, 8, "II", 2))
        return false;
    ByteOrderReader block(section.subspan(8), bigEndian);
    if (block.u16(2) != 42)
        return false;
    const std::uint64_t ifd0 = block.u32(4);
    const std::uint64_t linkAt = ifd0 + 2 + 12ull * block.u16(ifd0);
    if (!block.has(linkAt, 4))
        return false;
    const std::uint64_t ifd1 = block.u32(linkAt);
    if (ifd1 == 0)
        return false;

    ExtentWalk kept(block);
    if (!kept.walk(ifd0, 0, false))
        return false;
    ExtentWalk thumbnail(block);
    const bool thumbnailSound = thumbnail.walk(ifd1, 1, true);
    // Unlink first: a reader that finds no IFD1 finds no thumbnail.
    const std::size_t linkInFile = blockStart + linkAt;
    std::fill(jpeg.begin() + static_cast<std::ptrdiff_t>(linkInFile),
              jpeg.begin() + static_cast<std::ptrdiff_t>(linkInFile + 4), 0);
    if (thumbnailSound && thumbnail.lowest >= kept.end) {
        const std::size_t newLength = static_cast<std::size_t>(8 + kept.end);
        jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(blockStart + kept.end),
                   jpeg.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        jpeg[at + 2] = static_cast<std::uint8_t>(newLength >> 8);
        jpeg[at + 3] = static_cast<std::uint8_t>(newLength & 0xFF);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> carryMetadataInto(Bytes sourceJpeg, Bytes encodedJpeg) {
    JpegEngine engine;
    engine.suppressWarnings = true;
    if (engine.loadJpegBytes(sourceJpeg, kLoadMeta) != LoadStatus::Loaded)
        return std::nullopt;
    engine.keepOnlyMetadataSections();
    if (engine.loadJpegBytes(encodedJpeg, kLoadScan) != LoadStatus::Loaded)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    if (!engine.saveJpeg(out))
        return std::nullopt;
    return out;
}

}  // namespace pixmill::jpegmeta
