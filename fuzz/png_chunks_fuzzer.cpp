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
        if (auto stream = png::compressedIccProfile(bytes)) {
            auto with = png::withIccChunk(written, "p", *stream);
            if (!with || png::compressedIccProfile(*with) != stream)
                std::abort();
        }
    }
    const std::vector<std::uint8_t> profile = jpegmeta::readJpegIccProfile(bytes);
    const std::vector<std::uint8_t> extra(bytes.begin(),
                                          bytes.begin() + std::min<std::size_t>(size, 300));
    if (auto with = jpegmeta::withJpegIccProfile(bytes, extra)) {
        if (profile.empty() && !extra.empty() && jpegmeta::readJpegIccProfile(*with) != extra)
            std::abort();
    }
    return 0;
}
