#pragma once
// The chunk structure of PNG files: read, checked and written back, and the ancillary chunks of
// a source carried into a freshly encoded picture of it. Plain C++ over bytes in memory; a
// damaged file gives no result, never a read outside its bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace pixmill::png {

using Bytes = std::span<const std::uint8_t>;
using ByteVector = std::vector<std::uint8_t>;

// The largest chunk length the format allows.
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

struct Chunk {
    std::array<char, 4> type{};
    ByteVector data;
    bool is(std::string_view name) const {
        return name.size() == 4 && std::string_view(type.data(), 4) == name;
    }
    // Critical chunks (IHDR, PLTE, IDAT, IEND) have an upper-case first letter.
    bool critical() const { return (type[0] & 0x20) == 0; }
};

// The CRC-32 of a chunk's type and data, as stored after the data.
std::uint32_t chunkCrc(const std::array<char, 4>& type, Bytes data);

// What IHDR says of the picture.
struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colourType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool grey() const { return colourType == 0 || colourType == 4; }
};
constexpr std::uint8_t kGreyAlpha = 4;

// The IHDR of a PNG file; nothing when the file does not start with a whole, checked IHDR.
std::optional<Header> readHeader(Bytes file);

// The chunks of a PNG file, IHDR first and IEND last. Nothing when the signature is wrong, IHDR
// does not come first, a chunk's length passes the file end or kMaxChunkLength, a type is not
// four letters, a critical chunk's CRC does not match or IEND is missing. An ancillary chunk
// whose CRC does not match is left out, as decoders do. Bytes after IEND are ignored.
std::optional<std::vector<Chunk>> readChunks(Bytes file);

// The PNG file of `chunks`, every CRC computed afresh.
ByteVector writeChunks(const std::vector<Chunk>& chunks);

struct CarryOptions {
    bool quarterTurn = false;  // the picture was turned by 90 or 270 degrees: pHYs is swapped
};

// `encoded` (a PNG fresh from the encoder) given the source's ancillary chunks that stay true
// of the new picture: iCCP, sRGB, gAMA, cHRM, pHYs, tEXt, zTXt, iTXt and eXIf, whose
// Orientation, when present, is set to 1 (the pixels are written as they are to be shown).
// Those that stood before the source's image data go after IHDR, the rest before IEND. Of the
// encoder's own chunks only IHDR, PLTE, tRNS, IDAT and IEND are kept. Nothing when either file
// cannot be read.
std::optional<ByteVector> carryChunks(Bytes source, Bytes encoded, CarryOptions options = {});

// `encoded` with an iCCP chunk named `name` holding `compressedProfile` (a zlib stream) after
// IHDR, in place of any iCCP or sRGB chunk it had. Nothing when `encoded` cannot be read.
std::optional<ByteVector> withIccChunk(Bytes encoded, std::string_view name,
                                       Bytes compressedProfile);

// `file` without its chunks of `type`; nothing when it cannot be read.
std::optional<ByteVector> withoutChunks(Bytes file, std::string_view type);

// The zlib stream of the file's iCCP chunk; nothing when it has none or it is malformed.
std::optional<ByteVector> compressedIccProfile(Bytes file);

}  // namespace pixmill::png
