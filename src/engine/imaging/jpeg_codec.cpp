#include "engine/imaging/jpeg_codec.h"

#include <turbojpeg.h>

#include <memory>

#include "engine/imaging/colour_profile.h"
#include "engine/imaging/pixel_pool.h"
#include "engine/jpegmeta/icc_profile.h"

namespace pixmill {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Creating a TurboJPEG handle allocates the codec's tables; each thread keeps one of each.
// A decode that fails can leave the decompressor in a state that fails every later file (a
// file cut inside its tables does), so a failure replaces the thread's handle: one bad file
// never affects another.
Handle& decompressorHandle() {
    thread_local Handle handle(tjInitDecompress());
    return handle;
}

tjhandle decompressor() {
    Handle& handle = decompressorHandle();
    if (!handle)
        handle.reset(tjInitDecompress());
    return handle.get();
}

void discardDecompressor() {
    decompressorHandle().reset();
}

Handle& compressorHandle() {
    thread_local Handle handle(tjInitCompress());
    return handle;
}

tjhandle compressor() {
    Handle& handle = compressorHandle();
    if (!handle)
        handle.reset(tjInitCompress());
    return handle.get();
}

}  // namespace

std::optional<JpegHeader> readJpegHeader(ByteSpan file) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (file.empty() || file.size() > 0xFFFFFFFFu)
        return std::nullopt;
    tjhandle handle = decompressor();
    if (!handle)
        return std::nullopt;
    if (tjDecompressHeader3(handle, file.data(), (unsigned long)file.size(), &width, &height,
                            &subsampling, &colorspace) != 0) {
        discardDecompressor();
        return std::nullopt;
    }
    if (width <= 0 || height <= 0)
        return std::nullopt;
    JpegHeader header;
    header.width = width;
    header.height = height;
    header.cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    header.progressive = jpegmeta::isProgressiveJpeg(file);
    return header;
}

int jpegScaleDenominator(int width, int height, QSize wanted) {
    if (wanted.isEmpty())
        return 1;
    for (int denominator : {8, 4, 2}) {
        int w = (width + denominator - 1) / denominator;
        int h = (height + denominator - 1) / denominator;
        if (w >= wanted.width() && h >= wanted.height())
            return denominator;
    }
    return 1;
}

Result<QImage> decodeJpeg(ByteSpan file, QSize wanted, std::string* colourNote) {
    std::optional<JpegHeader> header = readJpegHeader(file);
    if (!header) {
        return makeError("not a JPEG picture");
    }
    const long long sourcePixels = (long long)header->width * header->height;
    const int denominator = jpegScaleDenominator(header->width, header->height, wanted);
    const int width = (header->width + denominator - 1) / denominator;
    const int height = (header->height + denominator - 1) / denominator;
    const long long sourceLimit =
        denominator == 1 || header->progressive ? kMaxDecodedPixels : kMaxScaledSourcePixels;
    if (sourcePixels > sourceLimit || (long long)width * height > kMaxDecodedPixels) {
        return makeError("picture of " + std::to_string(header->width) + " x " +
                         std::to_string(header->height) + " pixels exceeds the limit");
    }
    QImage image = pooledImage(width, height, QImage::Format_RGBX8888);
    if (image.isNull()) {
        return makeError("out of memory");
    }
    const int format = header->cmyk ? TJPF_CMYK : TJPF_RGBX;
    tjhandle handle = decompressor();
    if (!handle) {
        return makeError("out of memory");
    }
    if (tjDecompress2(handle, file.data(), (unsigned long)file.size(), image.bits(), width,
                      int(image.bytesPerLine()), height, format, TJFLAG_LIMITSCANS) != 0) {
        const bool fatal = tjGetErrorCode(handle) == TJERR_FATAL;
        const std::string why = fatal ? tjGetErrorStr2(handle) : "";
        // Even a warning (a truncated scan) may leave the handle's state behind.
        discardDecompressor();
        if (fatal)
            return makeError(why);
    }
    if (header->cmyk) {
        std::string note = convertCmykToSrgb(image, jpegmeta::readJpegIccProfile(file),
                                             jpegmeta::hasAdobeSection(file));
        if (colourNote)
            *colourNote = std::move(note);
    }
    return image;
}

std::optional<Bytes> encodeJpeg(const QImage& source, int quality, jpegmeta::JpegDensity density) {
    if (source.isNull())
        return std::nullopt;
    QImage image = source;
    int format = TJPF_RGBX;
    int subsampling = kJpegSubsampling;
    if (image.format() == QImage::Format_Grayscale8) {
        format = TJPF_GRAY;
        subsampling = TJSAMP_GRAY;
    } else if (image.format() == QImage::Format_RGB888) {
        format = TJPF_RGB;
    } else if (image.format() == QImage::Format_RGB32) {
        // 0xffRRGGBB words: the bytes are B, G, R, X on a little-endian machine.
        format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    } else if (image.format() != QImage::Format_RGBX8888) {
        image = image.convertToFormat(QImage::Format_RGBX8888);
        if (image.isNull())
            return std::nullopt;
    }
    // The accurate DCT is asked for explicitly: TurboJPEG picks the fast one below quality 96,
    // and the crop writes at 75.
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    tjhandle handle = compressor();
    if (!handle)
        return std::nullopt;
    int status = tjCompress2(handle, image.constBits(), image.width(), int(image.bytesPerLine()),
                             image.height(), format, &buffer, &size, subsampling, quality,
                             TJFLAG_ACCURATEDCT);
    std::unique_ptr<unsigned char, decltype(&tjFree)> owned(buffer, &tjFree);
    if (status != 0 || buffer == nullptr) {
        compressorHandle().reset();  // the next picture starts from a fresh encoder
        return std::nullopt;
    }
    Bytes bytes(buffer, buffer + size);
    jpegmeta::writeJfifDensity(bytes, density);
    return bytes;
}

}  // namespace pixmill
