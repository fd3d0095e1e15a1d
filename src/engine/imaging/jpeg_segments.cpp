#include "engine/imaging/jpeg_segments.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace pixmill {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp13 = 0xED;
constexpr std::uint8_t kApp14 = 0xEE;
constexpr std::uint8_t kCom = 0xFE;
constexpr std::size_t kMaxSegments = 4096;
constexpr std::size_t kExifHeaderSize = 6;  // "Exif\0\0"

bool startsWith(ByteSpan bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

// A bounds-checked view of a TIFF structure (the EXIF payload after "Exif\0\0").
class TiffReader {
  public:
    explicit TiffReader(ByteSpan tiff) : tiff_(tiff) {}

    bool open() {
        if (tiff_.size() < 8)
            return false;
        if (tiff_[0] == 'I' && tiff_[1] == 'I') {
            little_ = true;
        } else if (tiff_[0] == 'M' && tiff_[1] == 'M') {
            little_ = false;
        } else {
            return false;
        }
        return u16(2) == 42;
    }
    bool has(std::size_t offset, std::size_t count) const {
        return offset <= tiff_.size() && count <= tiff_.size() - offset;
    }
    std::uint16_t u16(std::size_t offset) const {
        if (!has(offset, 2))
            return 0;
        const std::uint8_t* p = tiff_.data() + offset;
        return little_ ? std::uint16_t(p[0] | p[1] << 8) : std::uint16_t(p[0] << 8 | p[1]);
    }
    std::uint32_t u32(std::size_t offset) const {
        if (!has(offset, 4))
            return 0;
        const std::uint8_t* p = tiff_.data() + offset;
        return little_ ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                             std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24
                       : std::uint32_t(p[3]) | std::uint32_t(p[2]) << 8 |
                             std::uint32_t(p[1]) << 16 | std::uint32_t(p[0]) << 24;
    }
    std::size_t firstIfd() const { return u32(4); }
    std::size_t entryCount(std::size_t ifd) const { return has(ifd, 2) ? u16(ifd) : 0; }
    // The offset of the next-directory link, or 0 when the directory does not fit.
    std::size_t linkOffset(std::size_t ifd) const {
        std::size_t link = ifd + 2 + 12 * entryCount(ifd);
        return has(ifd, 2) && has(link, 4) ? link : 0;
    }
    std::size_t size() const { return tiff_.size(); }

    struct Entry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::size_t valueOffset = 0;  // where the value is, inline or not
        std::uint64_t valueSize = 0;
        bool outOfLine = false;
    };
    Entry entry(std::size_t ifd, std::size_t index) const {
        static constexpr std::uint8_t kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        std::size_t at = ifd + 2 + 12 * index;
        Entry e;
        e.tag = u16(at);
        e.type = u16(at + 2);
        e.count = u32(at + 4);
        std::uint64_t unit = e.type < std::size(kTypeSizes) ? kTypeSizes[e.type] : 0;
        e.valueSize = unit * e.count;
        e.outOfLine = e.valueSize > 4;
        e.valueOffset = e.outOfLine ? u32(at + 8) : at + 8;
        return e;
    }
    // The entry of `tag` in the directory at `ifd`, if the directory holds one.
    std::optional<Entry> find(std::size_t ifd, std::uint16_t tag) const {
        if (linkOffset(ifd) == 0)
            return std::nullopt;
        for (std::size_t i = 0; i < entryCount(ifd); ++i) {
            Entry e = entry(ifd, i);
            if (e.tag == tag)
                return e;
        }
        return std::nullopt;
    }
    double rational(const Entry& e) const {
        if ((e.type != 5 && e.type != 10) || e.count < 1 || !has(e.valueOffset, 8))
            return 0;
        std::uint32_t denominator = u32(e.valueOffset + 4);
        return denominator == 0 ? 0 : double(u32(e.valueOffset)) / denominator;
    }
    std::uint32_t integer(const Entry& e) const {
        if (e.type == 3)
            return u16(e.valueOffset);
        if (e.type == 4)
            return u32(e.valueOffset);
        return 0;
    }

  private:
    ByteSpan tiff_;
    bool little_ = true;
};

std::optional<JpegSegment> findSegment(ByteSpan file, bool (*match)(const JpegSegment&)) {
    for (const JpegSegment& segment : readJpegSegments(file)) {
        if (match(segment))
            return segment;
    }
    return std::nullopt;
}

ByteSpan tiffOf(const JpegSegment& exif) {
    return exif.payload.subspan(kExifHeaderSize);
}

// The end of the bytes that the directory at `ifd` and its sub-directories use.
std::size_t usedEnd(const TiffReader& tiff, std::size_t ifd, int depth,
                    std::vector<std::size_t>& visited) {
    std::size_t link = tiff.linkOffset(ifd);
    if (link == 0 || depth > 4 || std::find(visited.begin(), visited.end(), ifd) != visited.end())
        return 0;
    visited.push_back(ifd);
    std::size_t end = link + 4;
    for (std::size_t i = 0; i < tiff.entryCount(ifd); ++i) {
        TiffReader::Entry e = tiff.entry(ifd, i);
        if (e.outOfLine && e.valueSize <= tiff.size())
            end = std::max<std::size_t>(end, e.valueOffset + e.valueSize);
        if (e.tag == 0x8769 || e.tag == 0x8825 || e.tag == 0xA005)
            end = std::max(end, usedEnd(tiff, tiff.integer(e), depth + 1, visited));
    }
    return end;
}

void zeroRange(Bytes& bytes, std::size_t from, std::uint64_t count) {
    if (from >= bytes.size())
        return;
    std::size_t n = std::size_t(std::min<std::uint64_t>(count, bytes.size() - from));
    std::fill_n(bytes.begin() + std::ptrdiff_t(from), n, std::uint8_t(0));
}

void appendSegment(Bytes& out, std::uint8_t marker, ByteSpan payload) {
    std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, marker, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), payload.begin(), payload.end());
}

bool iccDescribesRgb(const std::vector<JpegSegment>& segments) {
    for (const JpegSegment& s : segments) {
        // "ICC_PROFILE\0", sequence number, count, then the profile whose colour space
        // signature sits at byte 16.
        if (isIccSegment(s) && s.payload.size() >= 14 + 20 && s.payload[12] == 1)
            return startsWith(s.payload.subspan(14 + 16), "RGB ");
    }
    return false;
}

}  // namespace

std::vector<JpegSegment> readJpegSegments(ByteSpan file) {
    std::vector<JpegSegment> segments;
    if (file.size() < 4 || file[0] != 0xFF || file[1] != kSoi)
        return segments;
    std::size_t at = 2;
    while (segments.size() < kMaxSegments) {
        if (at >= file.size() || file[at] != 0xFF)
            return {};
        std::size_t markerAt = at;
        while (at < file.size() && file[at] == 0xFF)
            ++at;  // fill bytes
        if (at >= file.size())
            return {};
        std::uint8_t marker = file[at++];
        if (marker == kEoi)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // no length
        if (file.size() - at < 2)
            return {};
        std::size_t length = std::size_t(file[at]) << 8 | file[at + 1];
        if (length < 2 || length > file.size() - at)
            return {};
        segments.push_back(
            {marker, markerAt, at + length - markerAt, file.subspan(at + 2, length - 2)});
        at += length;
        if (marker == kSos)
            break;
    }
    return segments;
}

bool isExifSegment(const JpegSegment& s) {
    return s.marker == kApp1 && startsWith(s.payload, std::string_view("Exif\0\0", 6));
}

bool isXmpSegment(const JpegSegment& s) {
    return s.marker == kApp1 && (startsWith(s.payload, "http://ns.adobe.com/xap/1.0/") ||
                                 startsWith(s.payload, "http://ns.adobe.com/xmp/extension/"));
}

bool isIccSegment(const JpegSegment& s) {
    return s.marker == kApp2 && startsWith(s.payload, std::string_view("ICC_PROFILE\0", 12));
}

JpegDensity readJpegDensity(ByteSpan file) {
    std::vector<JpegSegment> segments = readJpegSegments(file);
    for (const JpegSegment& s : segments) {
        if (s.marker != kApp0 || s.payload.size() < 12 ||
            !startsWith(s.payload, std::string_view("JFIF\0", 5)))
            continue;
        int units = s.payload[7];
        float x = float(s.payload[8] << 8 | s.payload[9]);
        float y = float(s.payload[10] << 8 | s.payload[11]);
        if (units == 1)
            return {x, y};
        if (units == 2)
            return {x * 2.54f, y * 2.54f};
        break;
    }
    for (const JpegSegment& s : segments) {
        if (!isExifSegment(s))
            continue;
        TiffReader tiff(tiffOf(s));
        if (!tiff.open())
            break;
        auto xEntry = tiff.find(tiff.firstIfd(), 0x011A);
        auto yEntry = tiff.find(tiff.firstIfd(), 0x011B);
        auto unitEntry = tiff.find(tiff.firstIfd(), 0x0128);
        if (!xEntry || !yEntry)
            break;
        std::uint32_t unit = unitEntry ? tiff.integer(*unitEntry) : 2;
        double scale = unit == 3 ? 2.54 : unit == 2 ? 1.0 : 0.0;
        return {float(tiff.rational(*xEntry) * scale), float(tiff.rational(*yEntry) * scale)};
    }
    return {};
}

void writeJfifDensity(Bytes& encoded, JpegDensity density) {
    // SOI, FFE0, length, "JFIF\0", version (2), units at 13, X at 14, Y at 16.
    if (density.x <= 0.0f || density.y <= 0.0f || encoded.size() < 20)
        return;
    if (encoded[2] != 0xFF || encoded[3] != kApp0 ||
        std::memcmp(encoded.data() + 6, "JFIF\0", 5) != 0)
        return;
    auto clamp = [](float v) { return std::uint16_t(std::clamp(std::lround(v), 1L, 65535L)); };
    std::uint16_t x = clamp(density.x), y = clamp(density.y);
    encoded[13] = 1;
    encoded[14] = std::uint8_t(x >> 8);
    encoded[15] = std::uint8_t(x);
    encoded[16] = std::uint8_t(y >> 8);
    encoded[17] = std::uint8_t(y);
}

bool hasAdobeSegment(ByteSpan file) {
    return findSegment(file,
                       [](const JpegSegment& s) {
                           return s.marker == kApp14 && startsWith(s.payload, "Adobe");
                       })
        .has_value();
}

ByteSpan exifThumbnail(ByteSpan file) {
    auto exif = findSegment(file, isExifSegment);
    if (!exif)
        return {};
    ByteSpan bytes = tiffOf(*exif);
    TiffReader tiff(bytes);
    if (!tiff.open())
        return {};
    std::size_t link = tiff.linkOffset(tiff.firstIfd());
    std::size_t ifd1 = link ? tiff.u32(link) : 0;
    if (ifd1 == 0)
        return {};
    auto offset = tiff.find(ifd1, 0x0201);
    auto length = tiff.find(ifd1, 0x0202);
    if (!offset || !length)
        return {};
    std::size_t from = tiff.integer(*offset), count = tiff.integer(*length);
    if (count == 0 || !tiff.has(from, count))
        return {};
    return bytes.subspan(from, count);
}

Bytes withoutExifThumbnail(ByteSpan exifPayload) {
    Bytes result(exifPayload.begin(), exifPayload.end());
    if (exifPayload.size() < kExifHeaderSize)
        return result;
    ByteSpan bytes = exifPayload.subspan(kExifHeaderSize);
    TiffReader tiff(bytes);
    if (!tiff.open())
        return result;
    std::size_t ifd0 = tiff.firstIfd();
    std::size_t link = tiff.linkOffset(ifd0);
    std::size_t ifd1 = link ? tiff.u32(link) : 0;
    if (ifd1 == 0)
        return result;
    std::fill_n(result.begin() + std::ptrdiff_t(kExifHeaderSize + link), 4, std::uint8_t(0));

    std::vector<std::size_t> visited;
    std::size_t used = usedEnd(tiff, ifd0, 0, visited);
    // What IFD1 occupies: its table with the link, its out-of-line values, the thumbnail.
    struct Range {
        std::size_t from;
        std::uint64_t count;
    };
    std::vector<Range> ranges;
    std::size_t ifd1Link = tiff.linkOffset(ifd1);
    if (ifd1Link != 0 && ifd1 != ifd0) {
        ranges.push_back({ifd1, ifd1Link + 4 - ifd1});
        for (std::size_t i = 0; i < tiff.entryCount(ifd1); ++i) {
            TiffReader::Entry e = tiff.entry(ifd1, i);
            if (e.outOfLine)
                ranges.push_back({e.valueOffset, e.valueSize});
        }
        auto offset = tiff.find(ifd1, 0x0201);
        auto length = tiff.find(ifd1, 0x0202);
        if (offset && length)
            ranges.push_back({tiff.integer(*offset), tiff.integer(*length)});
    }
    std::size_t start = bytes.size();
    for (const Range& r : ranges)
        start = std::min(start, r.from);
    if (!ranges.empty() && start >= used) {
        result.resize(kExifHeaderSize + start);
    } else {
        for (const Range& r : ranges)
            zeroRange(result, kExifHeaderSize + r.from, r.count);
    }
    return result;
}

std::optional<Bytes> carryMetadataSections(ByteSpan source, ByteSpan encoded,
                                           MetadataCarryOptions options) {
    std::vector<JpegSegment> from = readJpegSegments(source);
    std::vector<JpegSegment> into = readJpegSegments(encoded);
    if (from.empty() || into.empty())
        return std::nullopt;
    std::size_t insertAt = 2;
    if (into.front().marker == kApp0)
        insertAt = into.front().offset + into.front().size;

    Bytes out(encoded.begin(), encoded.begin() + std::ptrdiff_t(insertAt));
    const bool carryIcc = iccDescribesRgb(from);
    for (const JpegSegment& s : from) {
        if (isExifSegment(s) && options.removeExifThumbnail) {
            Bytes payload = withoutExifThumbnail(s.payload);
            if (payload.size() + 2 > 0xFFFF)
                return std::nullopt;
            appendSegment(out, s.marker, payload);
            continue;
        }
        bool carried = isExifSegment(s) || isXmpSegment(s) || (carryIcc && isIccSegment(s)) ||
                       s.marker == kApp13 || s.marker == kCom;
        if (carried)
            out.insert(out.end(), source.begin() + std::ptrdiff_t(s.offset),
                       source.begin() + std::ptrdiff_t(s.offset + s.size));
    }
    out.insert(out.end(), encoded.begin() + std::ptrdiff_t(insertAt), encoded.end());
    return out;
}

}  // namespace pixmill
