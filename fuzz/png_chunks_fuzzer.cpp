// The PNG chunk parser, writer and carry, and the JPEG colour-profile chunks, over arbitrary
// bytes. What is written must read back the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/imaging/png_chunks.h"
#include "engine/jpegmeta/icc_profile.h"

using namespace pixmill;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const png::Bytes bytes(data, size);
    if (auto chunks = png::readChunks(bytes)) {
        const png::ByteVector written = png::writeChunks(*chunks);
        auto again = png::readChunks(written);
        if (!again || again->size() != chunks->size())
            std::abort();
        if (auto carried = png::carryChunks(bytes, written, {.quarterTurn = size % 2 == 0}))
            if (!png::readChunks(*carried))
                std::abort();
        const std::optional<png::Header> header = png::readHeader(bytes);
        if (header.has_value() != (chunks->front().data.size() == 13))
            std::abort();
        auto without = png::withoutChunks(bytes, "IDAT");
        if (!without || png::readChunks(*without)->size() > chunks->size())
            std::abort();
        if (auto stream = png::compressedIccProfile(bytes)) {
            auto with = png::withIccChunk(written, "p", *stream);
            if (!with || png::compressedIccProfile(*with) != stream)
                std::abort();
        }
    }
    // Any bytes as a JPEG that may hold profile chunks, and as a profile written into a JPEG,
    // which must read back the same.
    jpegmeta::readJpegIccProfile(bytes);
    (void)jpegmeta::withJpegIccProfile(bytes, bytes);
    static const std::uint8_t kBare[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00,
                                         0x00, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    if (auto with = jpegmeta::withJpegIccProfile(kBare, bytes)) {
        if (jpegmeta::readJpegIccProfile(*with) !=
            std::vector<std::uint8_t>(bytes.begin(), bytes.end()))
            std::abort();
    } else if (!bytes.empty() && size <= 255u * 65519u) {
        std::abort();
    }
    return 0;
}
