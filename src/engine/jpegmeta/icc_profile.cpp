#include "engine/jpegmeta/icc_profile.h"

#include <algorithm>

namespace pixmill::jpegmeta {
namespace {

constexpr std::uint8_t kIccSignature[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr std::size_t kIccHeader = sizeof(kIccSignature) + 2;  // signature, number, count
constexpr std::size_t kMaxChunkData = 0xFFFF - 2 - kIccHeader;

std::uint16_t iccBigEndian16(Bytes bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

struct Chunk {
    int number;
    int count;
    Bytes data;
};

// The APP2 ICC chunks before the scan; false when the section structure breaks off first.
bool collectChunks(Bytes file, std::vector<Chunk>& chunks) {
    if (!fitsInside(file.size(), 0, 2) || file[0] != 0xFF || file[1] != 0xD8)
        return false;
    std::size_t at = 2;
    while (fitsInside(file.size(), at, 4)) {
        if (file[at] != 0xFF)
            return false;
        const std::uint8_t marker = file[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return true;
        const std::size_t length = iccBigEndian16(file, at + 2);
        if (length < 2 || !fitsInside(file.size(), at + 2, length))
            return false;
        Bytes body = file.subspan(at + 4, length - 2);
        if (marker == 0xE2 && body.size() >= kIccHeader &&
            std::equal(std::begin(kIccSignature), std::end(kIccSignature), body.begin()))
            chunks.push_back({body[12], body[13], body.subspan(kIccHeader)});
        at += 2 + length;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> readJpegIccProfile(Bytes file) {
    std::vector<Chunk> chunks;
    if (!collectChunks(file, chunks) || chunks.empty())
        return {};
    std::sort(chunks.begin(), chunks.end(),
              [](const Chunk& a, const Chunk& b) { return a.number < b.number; });
    const int count = chunks.front().count;
    if (count != static_cast<int>(chunks.size()))
        return {};
    std::vector<std::uint8_t> profile;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].count != count || chunks[i].number != static_cast<int>(i) + 1)
            return {};
        profile.insert(profile.end(), chunks[i].data.begin(), chunks[i].data.end());
    }
    return profile;
}

bool isRgbIccProfile(Bytes profile) {
    return profile.size() >= 128 && std::equal(profile.begin() + 16, profile.begin() + 20, "RGB ");
}

std::optional<std::vector<std::uint8_t>> withJpegIccProfile(Bytes encoded, Bytes profile) {
    const std::size_t chunkCount = (profile.size() + kMaxChunkData - 1) / kMaxChunkData;
    if (profile.empty() || chunkCount > 255 || !fitsInside(encoded.size(), 0, 2) ||
        encoded[0] != 0xFF || encoded[1] != 0xD8)
        return std::nullopt;
    std::size_t at = 2;
    while (fitsInside(encoded.size(), at, 4) && encoded[at] == 0xFF &&
           (encoded[at + 1] == 0xE0 || encoded[at + 1] == 0xE1)) {
        const std::size_t length = iccBigEndian16(encoded, at + 2);
        if (length < 2 || !fitsInside(encoded.size(), at + 2, length))
            return std::nullopt;
        at += 2 + length;
    }
    std::vector<std::uint8_t> out(encoded.begin(), encoded.begin() + static_cast<long>(at));
    for (std::size_t i = 0; i < chunkCount; ++i) {
        const std::size_t from = i * kMaxChunkData;
        const std::size_t size = std::min(kMaxChunkData, profile.size() - from);
        const std::size_t length = 2 + kIccHeader + size;
        out.insert(out.end(), {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length)});
        out.insert(out.end(), std::begin(kIccSignature), std::end(kIccSignature));
        out.push_back(static_cast<std::uint8_t>(i + 1));
        out.push_back(static_cast<std::uint8_t>(chunkCount));
        out.insert(out.end(), profile.begin() + static_cast<long>(from),
                   profile.begin() + static_cast<long>(from + size));
    }
    out.insert(out.end(), encoded.begin() + static_cast<long>(at), encoded.end());
    return out;
}

}  // namespace pixmill::jpegmeta
