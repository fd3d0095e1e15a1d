#include "engine/imaging/lossless_transform.h"

#include <turbojpeg.h>

#include <memory>

#include "engine/imaging/jpeg_codec.h"
#include "engine/jpegmeta/image_metadata.h"

namespace pixmill {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct BufferFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

// Whether the turn keeps every block whole: a partial block at the right or bottom edge must
// stay at the right or bottom edge.
bool isPerfect(Turn turn, int width, int height, int subsampling) {
    if (subsampling < 0 || subsampling >= TJ_NUMSAMP)
        return false;
    const bool wholeWidth = width % tjMCUWidth[subsampling] == 0;
    const bool wholeHeight = height % tjMCUHeight[subsampling] == 0;
    switch (turn) {
        case Turn::None:
        case Turn::Transpose:
            return true;
        case Turn::MirrorLeftRight:
        case Turn::CounterClockwise:
            return wholeWidth;
        case Turn::MirrorTopBottom:
        case Turn::Clockwise:
            return wholeHeight;
        case Turn::Transverse:
        case Turn::HalfTurn:
            return wholeWidth && wholeHeight;
    }
    return false;
}

Error refused(LosslessRefusal why, std::string message) {
    return makeError(why, std::move(message));
}

}  // namespace

Result<Bytes> turnJpegLosslessly(ByteSpan file, Turn turn) {
    if (file.empty() || file.size() > 0xFFFFFFFFu)
        return refused(kLosslessLibrary, "not a JPEG the transform can read");
    std::unique_ptr<void, HandleCloser> handle(tjInitTransform());
    if (!handle)
        return refused(kLosslessLibrary, "no transform handle");
    int width = 0, height = 0, subsampling = -1, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), file.data(), (unsigned long)file.size(), &width, &height,
                            &subsampling, &colorspace) != 0)
        return refused(kLosslessLibrary, tjGetErrorStr2(handle.get()));
    // The transform holds every coefficient of the picture at once.
    if ((long long)width * height > kMaxDecodedPixels)
        return refused(kLosslessLibrary, "the picture is too large to transform");
    if (!isPerfect(turn, width, height, subsampling))
        return refused(kLosslessNotWholeBlocks, "the size is not a whole number of blocks");

    // Warnings do not stop it: a file cut inside its scan keeps the blocks it has and shows
    // the rest grey, as the decoder shows it.
    tjtransform transform{};
    transform.op = static_cast<int>(turn);
    transform.options = TJXOPT_PERFECT;  // markers are copied: TJXOPT_COPYNONE stays off
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int status = tjTransform(handle.get(), file.data(), (unsigned long)file.size(), 1, &out,
                                   &outSize, &transform, TJFLAG_LIMITSCANS);
    std::unique_ptr<unsigned char, BufferFree> owned(out);
    if (status != 0 || !out)
        return refused(kLosslessLibrary, tjGetErrorStr2(handle.get()));

    Bytes turned(out, out + outSize);
    // A phone's motion-photo video and the like follow the image's end: they stay.
    if (std::optional<std::size_t> end = jpegmeta::imageDataEnd(file); end && *end < file.size())
        turned.insert(turned.end(), file.begin() + std::ptrdiff_t(*end), file.end());
    return turned;
}

}  // namespace pixmill
