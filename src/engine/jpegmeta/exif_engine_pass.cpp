#include "engine/jpegmeta/exif_engine_pass.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace pixmill::jpegmeta {
namespace {

constexpr int kMaxNesting = 4;
constexpr std::uint32_t kMaxComponents = 65536;
constexpr int kTagXResolution = 0x011A;
constexpr int kTagYResolution = 0x011B;
constexpr int kTagResolutionUnit = 0x0128;
constexpr int kTagExifOffset = 0x8769;
constexpr int kTagInteropOffset = 0xA005;
constexpr int kTagGpsOffset = 0x8825;

std::string formatted(const char* format, unsigned a, unsigned b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

class EnginePassWalk {
  public:
    EnginePassWalk(ByteOrderReader block, JpegFileInfo& info, JpegEngine& engine)
        : block_(block), info_(info), engine_(engine) {}

    void walk(std::uint64_t start, int nesting);

  private:
    bool readEntry(std::uint64_t entry, int nesting);
    void followLink(std::uint64_t link, int nesting);

    ByteOrderReader block_;
    JpegFileInfo& info_;
    JpegEngine& engine_;
    // A directory reached twice is walked once: a loop in the links cannot multiply the work.
    std::set<std::uint64_t> visited_;
};

void EnginePassWalk::walk(std::uint64_t start, int nesting) {
    if (nesting > kMaxNesting) {
        engine_.warning("Maximum Exif directory nesting exceeded (corrupt Exif header)");
        return;
    }
    if (!visited_.insert(start).second)
        return;
    const std::uint64_t size = block_.size();
    const unsigned entries = block_.has(start, 2) ? block_.u16(start) : 0;
    const std::uint64_t end = start + 2 + 12ull * entries;
    bool hasLink = true;
    if (!block_.has(start, 2) || end + 4 > size) {
        if (block_.has(start, 2) && (end == size || end + 2 == size)) {
            hasLink = false;  // a last directory without its link, as some writers leave it
        } else {
            engine_.warning(formatted("Illegally sized Exif subdirectory (%d entries)", entries));
            return;
        }
    }
    for (unsigned i = 0; i < entries; ++i)
        readEntry(start + 2 + 12ull * i, nesting);
    if (hasLink) {
        std::uint64_t link = block_.u32(end);
        if (link != 0)
            followLink(link, nesting);
    }
}

void EnginePassWalk::followLink(std::uint64_t link, int nesting) {
    if (link < block_.size()) {
        walk(link, nesting + 1);
    } else if (link > block_.size() + 20) {
        engine_.warning("Illegal subdirectory link in Exif header");
    }
}

bool EnginePassWalk::readEntry(std::uint64_t entry, int nesting) {
    const unsigned tag = block_.u16(entry);
    const unsigned format = block_.u16(entry + 2);
    const std::uint32_t components = block_.u32(entry + 4);
    if (format > kMaxFormatCode) {
        engine_.warning(formatted("Illegal number format %d for tag %04x in Exif", format, tag));
        return false;
    }
    if (components > kMaxComponents) {
        engine_.warning(formatted("Too many components %d for tag %04x in Exif", components, tag));
        return false;
    }
    const std::uint64_t byteCount = std::uint64_t{components} * kFormatSizes[format];
    std::uint64_t value = entry + 8;
    if (byteCount > 4) {
        value = block_.u32(entry + 8);
        if (!block_.has(value, byteCount)) {
            engine_.warning(formatted("Illegal value pointer for tag %04x in Exif", tag));
            return false;
        }
    }
    auto number = [&] {
        if (format == 0) {
            engine_.warning(formatted("Illegal format code %d in Exif header", format));
            return 0.0;
        }
        return tiffNumber(block_, value, static_cast<int>(format), true);
    };
    switch (tag) {
        case kTagXResolution:
            if (nesting == 0)
                info_.xResolution = static_cast<float>(number());
            break;
        case kTagYResolution:
            if (nesting == 0)
                info_.yResolution = static_cast<float>(number());
            break;
        case kTagResolutionUnit:
            if (nesting == 0)
                info_.resolutionUnit = static_cast<int>(number());
            break;
        case kTagExifOffset:
        case kTagInteropOffset: {
            std::uint64_t target = block_.u32(value);
            if (target >= block_.size()) {
                engine_.warning("Illegal Exif or interop ofset directory link");
            } else {
                walk(target, nesting + 1);
            }
            break;
        }
        case kTagGpsOffset:
            if (block_.u32(value) >= block_.size())
                engine_.warning("Illegal GPS directory link in Exif");
            break;
        default:
            break;
    }
    return true;
}

}  // namespace

double tiffNumber(const ByteOrderReader& block, std::uint64_t value, int format,
                  bool unsignedRationals) {
    switch (format) {
        case kFormatByte:
            return block.u8(value);
        case kFormatShort:
            return block.u16(value);
        case kFormatLong:
            return block.u32(value);
        case kFormatSignedByte:
            return static_cast<std::int8_t>(block.u8(value));
        case kFormatSignedShort:
            return static_cast<std::int16_t>(block.u16(value));
        case kFormatSignedLong:
            return static_cast<std::int32_t>(block.u32(value));
        case kFormatRational:
        case kFormatSignedRational: {
            const std::uint32_t numerator = block.u32(value);
            const std::uint32_t denominator = block.u32(value + 4);
            if (denominator == 0)
                return 0;
            if (format == kFormatRational && unsignedRationals) {
                return static_cast<double>(numerator) / denominator;
            }
            return static_cast<double>(static_cast<std::int32_t>(numerator)) /
                   static_cast<std::int32_t>(denominator);
        }
        case kFormatFloat: {
            std::uint32_t bits = block.u32(value);
            float number;
            std::memcpy(&number, &bits, sizeof number);
            return number;
        }
        case kFormatDouble: {
            std::uint64_t bits = block.u64(value);
            double number;
            std::memcpy(&number, &bits, sizeof number);
            return number;
        }
        default:
            return 0;
    }
}

void exifEnginePass(Bytes section, JpegFileInfo& info, JpegEngine& engine) {
    if (!startsWith(section, 2, "Exif\0\0", 6)) {
        engine.warning("Incorrect Exif header");
        return;
    }
    bool bigEndian;
    if (startsWith(section, 8, "II", 2)) {
        bigEndian = false;
    } else if (startsWith(section, 8, "MM", 2)) {
        bigEndian = true;
    } else {
        engine.warning("Invalid Exif alignment marker.");
        return;
    }
    ByteOrderReader block(section.subspan(8), bigEndian);
    if (block.u16(2) != 42) {
        engine.warning("Invalid Exif start (1)");
        return;
    }
    const std::uint64_t length = section.size();
    const std::uint64_t first = block.u32(4);
    if (first < 8 || first > 16) {
        if (first < 16 || length < 16 || first > length - 16) {
            engine.warning("invalid offset for first Exif IFD value");
            return;
        }
        engine.warning("Suspicious offset of first Exif IFD value");
    }
    info.xResolution = 0;
    info.yResolution = 0;
    EnginePassWalk(block, info, engine).walk(first, 0);
    if (info.xResolution == 0)
        info.xResolution = info.yResolution;
    if (info.yResolution == 0)
        info.yResolution = info.xResolution;
}

}  // namespace pixmill::jpegmeta
