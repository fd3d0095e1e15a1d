#include "engine/imaging/colour_profile.h"

#include <lcms2.h>
#include <zlib.h>

#include <memory>
#include <mutex>
#include <vector>

#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/png_chunks.h"
#include "engine/jpegmeta/icc_profile.h"

namespace pixmill {
namespace {

// A profile is at most a few megabytes; a JPEG cannot hold more than 255 chunks of 64 KB.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

struct ContextDeleter {
    using pointer = cmsContext;
    void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
struct ProfileDeleter {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Context = std::unique_ptr<_cmsContext_struct, ContextDeleter>;
using Profile = std::unique_ptr<void, ProfileDeleter>;
using Transform = std::unique_ptr<void, TransformDeleter>;

// Little CMS reports a damaged profile through its error handler; here the failure of the
// call says enough, so the reports are dropped.
void ignoreError(cmsContext, cmsUInt32Number, const char*) {}

void convertNaively(QImage& image, bool inverted) {
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            unsigned c = p[0], m = p[1], yellow = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yellow = 255 - yellow;
                k = 255 - k;
            }
            p[0] = std::uint8_t((c * k + 127) / 255);
            p[1] = std::uint8_t((m * k + 127) / 255);
            p[2] = std::uint8_t((yellow * k + 127) / 255);
            p[3] = 255;
        }
    }
}

Bytes standardProfileBytes(const std::string& path) {
    static std::mutex mutex;
    static std::string loadedPath;
    static Bytes bytes;
    static bool loaded = false;
    std::lock_guard lock(mutex);
    if (!loaded || loadedPath != path) {
        // A profile that cannot be read leaves the plain ink formula, and a note says so.
        Result<Bytes> read = readFileBytes(path, kMaxProfileBytes);
        bytes = read ? std::move(*read) : Bytes();
        loadedPath = path;
        loaded = true;
    }
    return bytes;
}

// A transform from `profile` (a CMYK one) to sRGB; null when Little CMS cannot use it.
Transform cmykTransform(cmsContext context, ByteSpan profile, bool inverted) {
    if (profile.empty())
        return nullptr;
    Profile source(
        cmsOpenProfileFromMemTHR(context, profile.data(), cmsUInt32Number(profile.size())));
    if (!source || cmsGetColorSpace(source.get()) != cmsSigCmykData)
        return nullptr;
    Profile srgb(cmsCreate_sRGBProfileTHR(context));
    if (!srgb)
        return nullptr;
    return Transform(cmsCreateTransformTHR(
        context, source.get(), inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8, srgb.get(), TYPE_RGB_8,
        INTENT_PERCEPTUAL, cmsFLAGS_BLACKPOINTCOMPENSATION));
}

void applyTransform(QImage& image, cmsHTRANSFORM transform) {
    std::vector<std::uint8_t> row(std::size_t(image.width()) * 3);
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* p = image.scanLine(y);
        cmsDoTransform(transform, p, row.data(), cmsUInt32Number(image.width()));
        const std::uint8_t* rgb = row.data();
        for (int x = 0; x < image.width(); ++x, p += 4, rgb += 3) {
            p[0] = rgb[0];
            p[1] = rgb[1];
            p[2] = rgb[2];
            p[3] = 255;
        }
    }
}

// The zlib stream inflated, refused when it is damaged or inflates beyond kMaxProfileBytes.
Bytes inflateProfile(ByteSpan stream) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return {};
    Bytes out;
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(std::min<std::size_t>(stream.size(), kMaxProfileBytes));
    int status = Z_OK;
    while (status == Z_OK && out.size() < kMaxProfileBytes) {
        const std::size_t done = out.size();
        out.resize(std::min(kMaxProfileBytes, done + 65536));
        z.next_out = out.data() + done;
        z.avail_out = uInt(out.size() - done);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - z.avail_out);
    }
    inflateEnd(&z);
    return status == Z_STREAM_END ? out : Bytes();
}

Bytes deflateProfile(ByteSpan profile) {
    uLongf size = compressBound(uLong(profile.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, profile.data(), uLong(profile.size()), 9) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

}  // namespace

Bytes rgbProfileOf(ByteSpan file) {
    Bytes profile;
    if (jpegmeta::startsLikeJpeg(file)) {
        std::optional<JpegHeader> header = readJpegHeader(file);
        if (header && !header->cmyk)
            profile = jpegmeta::readJpegIccProfile(file);
    } else if (std::optional<Bytes> stream = png::compressedIccProfile(file)) {
        profile = inflateProfile(*stream);
    }
    return jpegmeta::isRgbIccProfile(profile) ? profile : Bytes();
}

Bytes withColourProfile(Bytes encoded, ByteSpan profile) {
    if (profile.empty())
        return encoded;
    std::optional<Bytes> with;
    if (jpegmeta::startsLikeJpeg(encoded)) {
        with = jpegmeta::withJpegIccProfile(encoded, profile);
    } else if (Bytes stream = deflateProfile(profile); !stream.empty()) {
        with = png::withIccChunk(encoded, "ICC profile", stream);
    }
    return with ? std::move(*with) : encoded;
}

Bytes withFittingPngProfile(Bytes png) {
    const std::optional<png::Header> header = png::readHeader(png);
    const std::optional<Bytes> stream = png::compressedIccProfile(png);
    if (!header || !stream)
        return png;
    const Bytes profile = inflateProfile(*stream);
    const char* space = header->grey() ? "GRAY" : "RGB ";
    if (profile.size() >= 128 && std::equal(profile.begin() + 16, profile.begin() + 20, space))
        return png;
    std::optional<Bytes> without = png::withoutChunks(png, "iCCP");
    return without ? std::move(*without) : png;
}

std::string convertCmykToSrgb(QImage& image, ByteSpan embeddedProfile, bool inverted) {
    return convertCmykToSrgb(image, embeddedProfile, inverted, kStandardCmykProfilePath);
}

std::string convertCmykToSrgb(QImage& image, ByteSpan embeddedProfile, bool inverted,
                              const std::string& standardProfilePath) {
    if (image.isNull() || image.depth() != 32)
        return {};
    Context context(cmsCreateContext(nullptr, nullptr));
    const bool own = !embeddedProfile.empty();
    if (context) {
        cmsSetLogErrorHandlerTHR(context.get(), ignoreError);
        Transform transform =
            own ? cmykTransform(context.get(), embeddedProfile, inverted)
                : cmykTransform(context.get(), standardProfileBytes(standardProfilePath), inverted);
        if (transform) {
            applyTransform(image, transform.get());
            return {};
        }
    }
    convertNaively(image, inverted);
    return std::string(own ? "the picture's CMYK profile" : "the standard CMYK profile") +
           " cannot be read: colours converted by the plain ink formula";
}

}  // namespace pixmill
