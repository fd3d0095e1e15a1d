#include "engine/jpegmeta/image_metadata.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/jpegmeta/jpeg_sections.h"
#include "engine/jpegmeta/section_reader.h"
#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::jpegmeta {
namespace {

constexpr double kCentimetresPerInch = 2.54;

// The sections before the scan; stops early when `match` says so.
template <typename Match>
std::optional<SectionSpan> findSection(Bytes file, Match match) {
    SectionReader reader(file);
    if (!reader.valid())
        return std::nullopt;
    SectionSpan span;
    while (reader.next(span) == SectionStep::Section) {
        if (match(span))
            return span;
        if (span.marker == kSos || span.marker == kEoi)
            break;
    }
    return std::nullopt;
}

bool isExifSection(const SectionSpan& span) {
    return span.marker == kApp1 && startsWith(span.data, 2, "Exif\0\0", 6);
}

// The entries of the first directory, and the offset of the one its link points at.
class FirstDirectories : public TiffVisitor {
  public:
    explicit FirstDirectories(const ByteOrderReader& block) : block_(block) {}
    bool enter(const TiffDirectory& d) override {
        if (d.reachedBy == TiffLink::Next && d.nesting == 1)
            secondOffset = d.offset;
        return d.nesting == 0 || (d.reachedBy == TiffLink::Next && d.nesting == 1);
    }
    void entry(const TiffDirectory& d, const TiffEntry& e, TiffFault fault) override {
        if (fault != TiffFault::None)
            return;
        (d.nesting == 0 ? first : second)[e.tag] = e;
    }
    double number(const std::map<unsigned, TiffEntry>& dir, unsigned tag, double absent) const {
        const auto found = dir.find(tag);
        return found == dir.end() ? absent : tiffNumber(block_, found->second, true);
    }
    std::map<unsigned, TiffEntry> first, second;
    std::uint64_t secondOffset = 0;

  private:
    const ByteOrderReader& block_;
};

struct ExifBlock {
    Bytes tiff;
    TiffHeader header;
};

std::optional<ExifBlock> exifBlockOf(Bytes section) {
    ExifBlock block;
    if (readExifHeader(section, block.header) != TiffHeaderFault::None)
        return std::nullopt;
    block.tiff = section.subspan(8);
    return block;
}

JpegDensity exifDensity(Bytes section) {
    const std::optional<ExifBlock> exif = exifBlockOf(section);
    if (!exif)
        return {};
    const ByteOrderReader block(exif->tiff, exif->header.bigEndian);
    FirstDirectories dirs(block);
    walkTiff(block, exif->header.firstDirectory, dirs);
    if (!dirs.first.count(kTagXResolution) || !dirs.first.count(kTagYResolution))
        return {};
    const double unit = dirs.number(dirs.first, kTagResolutionUnit, 2);
    const double scale = unit == 3 ? kCentimetresPerInch : unit == 2 ? 1.0 : 0.0;
    return {static_cast<float>(dirs.number(dirs.first, kTagXResolution, 0) * scale),
            static_cast<float>(dirs.number(dirs.first, kTagYResolution, 0) * scale)};
}

}  // namespace

JpegDensity readJpegDensity(Bytes file) {
    const auto jfif = findSection(file, [](const SectionSpan& s) {
        return s.marker == kApp0 && s.length >= 14 && startsWith(s.data, 2, "JFIF\0", 5);
    });
    if (jfif) {
        const int units = jfif->data[9];
        const float x = bigEndian16(jfif->data, 10);
        const float y = bigEndian16(jfif->data, 12);
        if (units == 1)
            return {x, y};
        if (units == 2)
            return {static_cast<float>(x * kCentimetresPerInch),
                    static_cast<float>(y * kCentimetresPerInch)};
    }
    const auto exif = findSection(file, isExifSection);
    return exif ? exifDensity(exif->data) : JpegDensity{};
}

void writeJfifDensity(ByteVector& encoded, JpegDensity density) {
    // SOI, FFE0, length, "JFIF\0", version (2), units at 13, X at 14, Y at 16.
    if (!(density.x > 0.0f) || !(density.y > 0.0f) || encoded.size() < 20)
        return;
    if (encoded[2] != 0xFF || encoded[3] != kApp0 || !startsWith(encoded, 6, "JFIF\0", 5))
        return;
    auto clamp = [](float v) {
        return static_cast<std::uint16_t>(std::clamp(std::lround(v), 1L, 65535L));
    };
    const std::uint16_t x = clamp(density.x), y = clamp(density.y);
    encoded[13] = 1;
    encoded[14] = static_cast<std::uint8_t>(x >> 8);
    encoded[15] = static_cast<std::uint8_t>(x);
    encoded[16] = static_cast<std::uint8_t>(y >> 8);
    encoded[17] = static_cast<std::uint8_t>(y);
}

bool startsLikeJpeg(Bytes file) {
    return file.size() >= 3 && file[0] == 0xFF && file[1] == kSoi && file[2] == 0xFF;
}

bool hasAdobeSection(Bytes file) {
    return findSection(file,
                       [](const SectionSpan& s) {
                           return s.marker == kApp14 && startsWith(s.data, 2, "Adobe", 5);
                       })
        .has_value();
}

bool isProgressiveJpeg(Bytes file) {
    return findSection(file,
                       [](const SectionSpan& s) {
                           return s.marker == 0xC2 || s.marker == 0xC6 || s.marker == 0xCA ||
                                  s.marker == 0xCE;
                       })
        .has_value();
}

Bytes exifThumbnail(Bytes file) {
    const auto section = findSection(file, isExifSection);
    const std::optional<ExifBlock> exif = section ? exifBlockOf(section->data) : std::nullopt;
    if (!exif)
        return {};
    const ByteOrderReader block(exif->tiff, exif->header.bigEndian);
    FirstDirectories dirs(block);
    walkTiff(block, exif->header.firstDirectory, dirs);
    const double offset = dirs.number(dirs.second, kTagThumbnailOffset, 0);
    const double length = dirs.number(dirs.second, kTagThumbnailLength, 0);
    if (!(offset > 0) || !(length > 0) || offset > UINT32_MAX || length > UINT32_MAX)
        return {};
    const auto from = static_cast<std::uint64_t>(offset);
    const auto count = static_cast<std::uint64_t>(length);
    if (!block.has(from, count))
        return {};
    return exif->tiff.subspan(from, count);
}

std::optional<std::size_t> imageDataEnd(Bytes file) {
    SectionReader reader(file);
    if (!reader.valid())
        return std::nullopt;
    SectionSpan span;
    while (reader.next(span) == SectionStep::Section && span.marker != kSos) {
        if (span.marker == kEoi)
            return std::nullopt;
    }
    if (span.marker != kSos)
        return std::nullopt;
    std::uint64_t at = reader.position();
    while (at + 1 < file.size()) {
        const std::uint8_t marker = file[at + 1];
        if (file[at] != 0xFF || marker == 0xFF) {
            ++at;
        } else if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;  // a stuffed byte or a restart marker
        } else if (marker == kEoi) {
            return at + 2;
        } else {
            const unsigned length = bigEndian16(file, at + 2);
            if (length < 2)
                return std::nullopt;
            at += 2 + length;  // tables or the header of the next scan
        }
    }
    return std::nullopt;
}

}  // namespace pixmill::jpegmeta
