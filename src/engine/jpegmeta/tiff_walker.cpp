#include "engine/jpegmeta/tiff_walker.h"

#include <cstring>

namespace pixmill::jpegmeta {
namespace {

class Walk {
  public:
    Walk(const ByteOrderReader& block, TiffVisitor& visitor, TiffWalkOptions options)
        : block_(block), visitor_(visitor), options_(options) {}

    void directory(std::uint64_t offset, int nesting, TiffLink reachedBy);

  private:
    bool isSubdirectory(unsigned tag) const {
        return tag == kTagExifOffset || tag == kTagInteropOffset ||
               (options_.followGps && tag == kTagGpsOffset);
    }
    void follow(const TiffDirectory& from, const TiffEntry& entry);

    const ByteOrderReader& block_;
    TiffVisitor& visitor_;
    TiffWalkOptions options_;
    // A directory reached twice is walked once: a loop in the links cannot multiply the work.
    std::set<std::uint64_t> visited_;
};

void Walk::directory(std::uint64_t offset, int nesting, TiffLink reachedBy) {
    TiffDirectory dir{offset, nesting, reachedBy};
    if (nesting > kMaxTiffNesting) {
        visitor_.fault(dir, TiffDirectoryFault::TooDeep, offset);
        return;
    }
    if (!visited_.insert(offset).second)
        return;
    const std::uint64_t size = block_.size();
    dir.entryCount = block_.has(offset, 2) ? block_.u16(offset) : 0;
    const std::uint64_t end = offset + 2 + 12ull * dir.entryCount;
    dir.linkAt = end;
    if (!block_.has(offset, 2) || end + 4 > size) {
        if (!block_.has(offset, 2) || (end != size && end + 2 != size)) {
            visitor_.fault(dir, TiffDirectoryFault::BadSize, dir.entryCount);
            return;
        }
        dir.hasLink = false;  // a last directory without its link, as some writers leave it
    }
    if (!visitor_.enter(dir))
        return;
    for (unsigned i = 0; i < dir.entryCount; ++i) {
        TiffEntry entry;
        const TiffFault fault =
            decodeTiffEntry(block_, offset + 2 + 12ull * i, entry, options_.maxComponents);
        visitor_.entry(dir, entry, fault);
        if (fault == TiffFault::None && isSubdirectory(entry.tag))
            follow(dir, entry);
    }
    if (dir.hasLink) {
        const std::uint64_t link = block_.u32(end);
        if (link >= size) {
            visitor_.fault(dir, TiffDirectoryFault::BadNextLink, link);
        } else if (link != 0) {
            directory(link, nesting + 1, TiffLink::Next);
        }
    }
    visitor_.leave(dir);
}

void Walk::follow(const TiffDirectory& from, const TiffEntry& entry) {
    const std::uint64_t target = block_.u32(entry.value);
    if (target >= block_.size()) {
        visitor_.fault(from, TiffDirectoryFault::BadSubdirectory, entry.tag);
        return;
    }
    directory(target, from.nesting + 1, TiffLink::Subdirectory);
}

}  // namespace

TiffFault decodeTiffEntry(const ByteOrderReader& block, std::uint64_t at, TiffEntry& entry,
                          std::uint64_t maxComponents) {
    entry.at = at;
    entry.tag = block.u16(at);
    entry.format = block.u16(at + 2);
    entry.components = block.u32(at + 4);
    entry.value = at + 8;
    if (entry.format > kMaxFormatCode)
        return TiffFault::BadFormat;
    if (entry.components > maxComponents)
        return TiffFault::TooManyComponents;
    // At most 2^32 × 8 bytes: a byte count that cannot overflow.
    entry.byteCount = std::uint64_t{entry.components} * kFormatSizes[entry.format];
    if (entry.outOfLine()) {
        entry.value = block.u32(at + 8);
        if (!block.has(entry.value, entry.byteCount))
            return TiffFault::BadValuePointer;
    }
    return TiffFault::None;
}

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
            if (format == kFormatRational && unsignedRationals)
                return static_cast<double>(numerator) / denominator;
            return static_cast<double>(static_cast<std::int32_t>(numerator)) /
                   static_cast<std::int32_t>(denominator);
        }
        case kFormatFloat: {
            const std::uint32_t bits = block.u32(value);
            float number;
            std::memcpy(&number, &bits, sizeof number);
            return number;
        }
        case kFormatDouble: {
            const std::uint64_t bits = block.u64(value);
            double number;
            std::memcpy(&number, &bits, sizeof number);
            return number;
        }
        default:
            return 0;
    }
}

double tiffNumber(const ByteOrderReader& block, const TiffEntry& entry, bool unsignedRationals) {
    return tiffNumber(block, entry.value, entry.format, unsignedRationals);
}

void walkTiff(const ByteOrderReader& block, std::uint64_t first, TiffVisitor& visitor,
              TiffWalkOptions options) {
    Walk(block, visitor, options).directory(first, 0, TiffLink::First);
}

TiffHeaderFault readExifHeader(Bytes section, TiffHeader& header) {
    if (!startsWith(section, 2, "Exif\0\0", 6))
        return TiffHeaderFault::NotExif;
    return readTiffHeader(section.subspan(8), header);
}

TiffHeaderFault readTiffHeader(Bytes tiff, TiffHeader& header) {
    if (startsWith(tiff, 0, "II", 2)) {
        header.bigEndian = false;
    } else if (startsWith(tiff, 0, "MM", 2)) {
        header.bigEndian = true;
    } else {
        return TiffHeaderFault::BadByteOrder;
    }
    const ByteOrderReader block(tiff, header.bigEndian);
    if (block.u16(2) != 42)
        return TiffHeaderFault::BadMagic;
    header.firstDirectory = block.u32(4);
    return TiffHeaderFault::None;
}

}  // namespace pixmill::jpegmeta
