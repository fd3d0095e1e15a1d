#include "engine/imaging/png_chunks.h"

#include <algorithm>
#include <cstring>

#include "engine/jpegmeta/tiff_walker.h"

namespace pixmill::png {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr unsigned kTagOrientation = 0x0112;
constexpr int kTiffShort = 3;

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void appendBigEndian32(ByteVector& out, std::uint32_t value) {
    out.insert(out.end(), {std::uint8_t(value >> 24), std::uint8_t(value >> 16),
                           std::uint8_t(value >> 8), std::uint8_t(value)});
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

std::uint32_t updateCrc(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    const auto& table = crcTable();
    for (std::size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

bool carried(const Chunk& chunk) {
    for (const char* name :
         {"iCCP", "sRGB", "gAMA", "cHRM", "pHYs", "tEXt", "zTXt", "iTXt", "eXIf"})
        if (chunk.is(name))
            return true;
    return false;
}

bool keptFromEncoder(const Chunk& chunk) {
    return chunk.critical() || chunk.is("tRNS");
}

// Sets the Orientation of the first directory, when it has one as a SHORT, to 1.
class OrientationReset : public jpegmeta::TiffVisitor {
  public:
    bool enter(const jpegmeta::TiffDirectory& d) override { return d.nesting == 0; }
    void entry(const jpegmeta::TiffDirectory& d, const jpegmeta::TiffEntry& e,
               jpegmeta::TiffFault fault) override {
        if (d.nesting == 0 && fault == jpegmeta::TiffFault::None && e.tag == kTagOrientation &&
            e.format == kTiffShort && e.components >= 1)
            valueAt = e.value;
    }
    std::optional<std::uint64_t> valueAt;
};

void resetExifOrientation(ByteVector& tiff) {
    jpegmeta::TiffHeader header;
    if (jpegmeta::readTiffHeader(tiff, header) != jpegmeta::TiffHeaderFault::None)
        return;
    const jpegmeta::ByteOrderReader block(tiff, header.bigEndian);
    OrientationReset visitor;
    jpegmeta::walkTiff(block, header.firstDirectory, visitor);
    if (!visitor.valueAt || !block.has(*visitor.valueAt, 2))
        return;
    tiff[*visitor.valueAt] = header.bigEndian ? 0 : 1;
    tiff[*visitor.valueAt + 1] = header.bigEndian ? 1 : 0;
}

Chunk adjusted(Chunk chunk, CarryOptions options) {
    if (chunk.is("pHYs") && options.quarterTurn && chunk.data.size() >= 8)
        std::swap_ranges(chunk.data.begin(), chunk.data.begin() + 4, chunk.data.begin() + 4);
    if (chunk.is("eXIf"))
        resetExifOrientation(chunk.data);
    return chunk;
}

}  // namespace

std::uint32_t chunkCrc(const std::array<char, 4>& type, Bytes data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    crc = updateCrc(crc, reinterpret_cast<const std::uint8_t*>(type.data()), 4);
    crc = updateCrc(crc, data.data(), data.size());
    return crc ^ 0xFFFFFFFFu;
}

namespace {

// Steps through the chunks after the signature, handing each one whose CRC matches to
// `visit` (type and data, not copied) until it returns false or IEND has been handed over.
// False when the structure breaks before that (see readChunks for what breaks it).
template <typename Visit>
bool walkChunks(Bytes file, Visit visit) {
    if (file.size() < sizeof kSignature ||
        !std::equal(std::begin(kSignature), std::end(kSignature), file.begin()))
        return false;
    std::size_t at = sizeof kSignature;
    for (bool first = true;; first = false) {
        if (file.size() - at < 12)
            return false;
        const std::uint32_t length = bigEndian32(&file[at]);
        if (length > kMaxChunkLength || file.size() - at - 12 < length)
            return false;
        Chunk header;
        std::memcpy(header.type.data(), &file[at + 4], 4);
        if (!std::all_of(header.type.begin(), header.type.end(), isLetter))
            return false;
        Bytes data = file.subspan(at + 8, length);
        const bool crcMatches = chunkCrc(header.type, data) == bigEndian32(&file[at + 8 + length]);
        at += 12 + std::size_t{length};
        if (first != header.is("IHDR") || (!crcMatches && header.critical()))
            return false;
        if (crcMatches && (!visit(header.type, data) || header.is("IEND")))
            return true;
    }
}

}  // namespace

std::optional<Header> readHeader(Bytes file) {
    std::optional<Header> header;
    walkChunks(file, [&](const std::array<char, 4>& type, Bytes data) {
        if (std::string_view(type.data(), 4) == "IHDR" && data.size() == 13)
            header = Header{bigEndian32(&data[0]), bigEndian32(&data[4]), data[8], data[9]};
        return false;
    });
    return header;
}

std::optional<std::vector<Chunk>> readChunks(Bytes file) {
    std::vector<Chunk> chunks;
    bool ended = false;
    const bool whole = walkChunks(file, [&](const std::array<char, 4>& type, Bytes data) {
        chunks.push_back({type, ByteVector(data.begin(), data.end())});
        ended = chunks.back().is("IEND");
        return true;
    });
    if (!whole || !ended)
        return std::nullopt;
    return chunks;
}

ByteVector writeChunks(const std::vector<Chunk>& chunks) {
    ByteVector out(std::begin(kSignature), std::end(kSignature));
    for (const Chunk& chunk : chunks) {
        appendBigEndian32(out, static_cast<std::uint32_t>(chunk.data.size()));
        out.insert(out.end(), chunk.type.begin(), chunk.type.end());
        out.insert(out.end(), chunk.data.begin(), chunk.data.end());
        appendBigEndian32(out, chunkCrc(chunk.type, chunk.data));
    }
    return out;
}

std::optional<ByteVector> carryChunks(Bytes source, Bytes encoded, CarryOptions options) {
    std::optional<std::vector<Chunk>> from = readChunks(source);
    std::optional<std::vector<Chunk>> fresh = readChunks(encoded);
    if (!from || !fresh)
        return std::nullopt;
    std::vector<Chunk> before, after;
    bool pastImageData = false;
    for (Chunk& chunk : *from) {
        pastImageData = pastImageData || chunk.is("IDAT");
        if (carried(chunk))
            (pastImageData ? after : before).push_back(adjusted(std::move(chunk), options));
    }
    std::vector<Chunk> out;
    for (Chunk& chunk : *fresh) {
        if (chunk.is("IEND"))
            std::move(after.begin(), after.end(), std::back_inserter(out));
        const bool header = chunk.is("IHDR");
        if (keptFromEncoder(chunk))
            out.push_back(std::move(chunk));
        if (header)
            std::move(before.begin(), before.end(), std::back_inserter(out));
    }
    return writeChunks(out);
}

std::optional<ByteVector> withIccChunk(Bytes encoded, std::string_view name,
                                       Bytes compressedProfile) {
    std::optional<std::vector<Chunk>> chunks = readChunks(encoded);
    if (!chunks || name.empty() || name.size() > 79)
        return std::nullopt;
    std::erase_if(*chunks, [](const Chunk& c) { return c.is("iCCP") || c.is("sRGB"); });
    Chunk iccp;
    std::memcpy(iccp.type.data(), "iCCP", 4);
    iccp.data.assign(name.begin(), name.end());
    iccp.data.push_back(0);
    iccp.data.push_back(0);  // compression method: zlib
    iccp.data.insert(iccp.data.end(), compressedProfile.begin(), compressedProfile.end());
    chunks->insert(chunks->begin() + 1, std::move(iccp));
    return writeChunks(*chunks);
}

std::optional<ByteVector> withoutChunks(Bytes file, std::string_view type) {
    std::optional<std::vector<Chunk>> chunks = readChunks(file);
    if (!chunks)
        return std::nullopt;
    std::erase_if(*chunks, [&](const Chunk& c) { return c.is(type); });
    return writeChunks(*chunks);
}

std::optional<ByteVector> compressedIccProfile(Bytes file) {
    // iCCP comes before the image data, so the walk stops there: a large picture is not
    // stepped through to its end.
    std::optional<ByteVector> stream;
    walkChunks(file, [&](const std::array<char, 4>& type, Bytes data) {
        const std::string_view name(type.data(), 4);
        if (name == "IDAT")
            return false;
        if (name != "iCCP")
            return true;
        auto end = std::find(data.begin(), data.end(), std::uint8_t{0});
        // A name of 1..79 bytes, its terminator, then method 0.
        if (end != data.begin() && end - data.begin() <= 79 && data.end() - end >= 2 && end[1] == 0)
            stream = ByteVector(end + 2, data.end());
        return false;
    });
    return stream;
}

}  // namespace pixmill::png
