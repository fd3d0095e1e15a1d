#pragma once
// Bounds-checked reads over bytes in memory. Every parser of the metadata engine reads through
// these, so a damaged or hostile file can make a parse fail but never read outside its bytes.
// Bounds are tested in the form that cannot overflow: `size < n || offset > size - n`.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pixmill::jpegmeta {

using Bytes = std::span<const std::uint8_t>;

// True when `count` bytes starting at `offset` lie inside a block of `size` bytes.
constexpr bool fitsInside(std::uint64_t size, std::uint64_t offset, std::uint64_t count) {
    return count <= size && offset <= size - count;
}

// Multi-byte numbers of a TIFF block, in the block's own byte order.
class ByteOrderReader {
  public:
    ByteOrderReader(Bytes bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    std::size_t size() const { return bytes_.size(); }
    Bytes bytes() const { return bytes_; }
    bool bigEndian() const { return bigEndian_; }
    bool has(std::uint64_t offset, std::uint64_t count) const {
        return fitsInside(bytes_.size(), offset, count);
    }

    // Each read returns 0 when the value does not lie wholly inside the block.
    std::uint8_t u8(std::uint64_t offset) const { return has(offset, 1) ? bytes_[offset] : 0; }
    std::uint16_t u16(std::uint64_t offset) const {
        if (!has(offset, 2))
            return 0;
        const std::uint8_t* p = bytes_.data() + offset;
        return bigEndian_ ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                          : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t u32(std::uint64_t offset) const {
        if (!has(offset, 4))
            return 0;
        const std::uint8_t* p = bytes_.data() + offset;
        if (bigEndian_) {
            return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                   std::uint32_t{p[2]} << 8 | p[3];
        }
        return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 |
               p[0];
    }
    std::uint64_t u64(std::uint64_t offset) const {
        std::uint64_t first = u32(offset);
        std::uint64_t second = u32(offset + 4);
        return bigEndian_ ? (first << 32 | second) : (second << 32 | first);
    }

  private:
    Bytes bytes_;
    bool bigEndian_;
};

// Big-endian 16-bit value, as JPEG marker lengths are stored; 0 outside the bytes.
inline std::uint16_t bigEndian16(Bytes bytes, std::size_t offset) {
    return ByteOrderReader(bytes, true).u16(offset);
}

inline bool startsWith(Bytes bytes, std::size_t offset, const char* text, std::size_t length) {
    return fitsInside(bytes.size(), offset, length) &&
           std::memcmp(bytes.data() + offset, text, length) == 0;
}

// TIFF format codes 0..12 and their sizes in bytes (code 0 counts as size 0).
constexpr int kMaxFormatCode = 12;
constexpr int kFormatSizes[kMaxFormatCode + 1] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum FormatCode {
    kFormatByte = 1,
    kFormatAscii = 2,
    kFormatShort = 3,
    kFormatLong = 4,
    kFormatRational = 5,
    kFormatSignedByte = 6,
    kFormatUndefined = 7,
    kFormatSignedShort = 8,
    kFormatSignedLong = 9,
    kFormatSignedRational = 10,
    kFormatFloat = 11,
    kFormatDouble = 12,
};

}  // namespace pixmill::jpegmeta
