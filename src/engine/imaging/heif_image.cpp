#include "engine/imaging/heif_image.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace pixmill {
namespace {

constexpr const char* kStillBrands[] = {"heic", "heix", "heim", "heis", "mif1", "mif2", "avif"};

std::uint32_t bigEndian32(ByteSpan bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
           std::uint32_t(bytes[at + 2]) << 8 | std::uint32_t(bytes[at + 3]);
}

bool isStillBrand(ByteSpan bytes, std::size_t at) {
    for (const char* brand : kStillBrands) {
        if (std::memcmp(bytes.data() + at, brand, 4) == 0)
            return true;
    }
    return false;
}

void initialiseOnce() {
    // Reference counted by libheif; the process keeps its one reference to the end.
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<const heif_image_handle, HandleRelease>;

std::string describe(const heif_error& error) {
    // Without libde265 libheif has no decoder for HEVC, the coding of every phone's HEIC.
    if (error.code == heif_error_Unsupported_feature &&
        (error.subcode == heif_suberror_Unsupported_codec ||
         error.subcode == heif_suberror_Unsupported_image_type)) {
        const bool hevc = heif_have_decoder_for_format(heif_compression_HEVC) != 0;
        return std::string("没有能解码这张 HEIF/HEIC 图片的解码器") +
               (hevc ? "（图片的编码不受支持）：" : "（HEVC 解码器 libde265 未安装）：") +
               error.message;
    }
    return "HEIF/HEIC 图片无法读取：" + std::string(error.message);
}

// The primary picture's handle over `bytes`, which must outlive it; null with `error` set when
// the container cannot be read.
Handle openPrimary(ByteSpan bytes, std::string& error) {
    initialiseOnce();
    Context context(heif_context_alloc());
    if (!context) {
        error = "HEIF/HEIC 图片无法读取：内存不足";
        return nullptr;
    }
    // The batch already runs one picture per core: tiles are decoded on the calling thread.
    heif_context_set_max_decoding_threads(context.get(), 0);
    heif_error status = heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                                   bytes.size(), nullptr);
    heif_image_handle* handle = nullptr;
    if (status.code == heif_error_Ok)
        status = heif_context_get_primary_image_handle(context.get(), &handle);
    if (status.code != heif_error_Ok) {
        error = describe(status);
        return nullptr;
    }
    // The handle holds its own reference to the context.
    return Handle(handle);
}

// The TIFF part of an "Exif" item: libheif hands it over as stored, a four-byte offset to the
// TIFF header first.
Bytes exifTiffOf(const heif_image_handle* handle) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return {};
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 + 8 || size > kMaxHeifExifBytes)
        return {};
    Bytes block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return {};
    const std::uint32_t offset = bigEndian32(block, 0);
    if (offset > size - 4 - 8)
        return {};
    return Bytes(block.begin() + 4 + offset, block.end());
}

// The ICC profile of the picture when it is an RGB one (its header names the colour space at
// byte 16), as the outputs' JPEGs can carry it.
Bytes rgbProfileOf(const heif_image_handle* handle) {
    const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
    if (size < 20 || size > kMaxHeifExifBytes)
        return {};
    Bytes profile(size);
    if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok ||
        std::memcmp(profile.data() + 16, "RGB ", 4) != 0)
        return {};
    return profile;
}

void releaseHeifImage(void* image) {
    heif_image_release(static_cast<const heif_image*>(image));
}

}  // namespace

bool looksLikeHeif(ByteSpan bytes) {
    if (bytes.size() < 16 || std::memcmp(bytes.data() + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxEnd = std::min<std::size_t>(bigEndian32(bytes, 0), bytes.size());
    if (boxEnd < 16)
        return false;
    if (isStillBrand(bytes, 8))
        return true;
    // Compatible brands follow the major brand and its minor version.
    for (std::size_t at = 16; at + 4 <= boxEnd; at += 4) {
        if (isStillBrand(bytes, at))
            return true;
    }
    return false;
}

HeifHeader readHeifHeader(ByteSpan bytes, bool withExif) {
    HeifHeader header;
    Handle handle = openPrimary(bytes, header.error);
    if (!handle)
        return header;
    // The size after the file's own transformations, as a default decode produces it.
    header.size = QSize(heif_image_handle_get_width(handle.get()),
                        heif_image_handle_get_height(handle.get()));
    if (withExif)
        header.exifTiff = exifTiffOf(handle.get());
    return header;
}

namespace {

// Decodes one picture of the file (the primary or a thumbnail) into RGB(A), 8 bits a channel.
HeifPicture decodeHandle(const heif_image_handle* handle) {
    HeifPicture picture;
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    std::unique_ptr<heif_decoding_options, void (*)(heif_decoding_options*)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    if (!options) {
        picture.error = "HEIF/HEIC 图片无法解码：内存不足";
        return picture;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* decoded = nullptr;
    const heif_error status = heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                                heif_chroma_interleaved_RGBA, options.get());
    if (status.code != heif_error_Ok) {
        picture.error = describe(status);
        return picture;
    }
    int stride = 0;
    std::uint8_t* pixels = heif_image_get_plane(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0) {
        heif_image_release(decoded);
        picture.error = "HEIF/HEIC 图片无法解码：没有像素";
        return picture;
    }
    // The image owns libheif's buffer from here on: no copy of the largest allocation.
    picture.image = QImage(pixels, width, height, stride,
                           alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888,
                           releaseHeifImage, decoded);
    return picture;
}

}  // namespace

HeifPicture decodeHeif(ByteSpan bytes) {
    HeifPicture picture;
    Handle handle = openPrimary(bytes, picture.error);
    if (!handle)
        return picture;
    picture = decodeHandle(handle.get());
    if (!picture.image.isNull())
        picture.iccProfile = rgbProfileOf(handle.get());
    return picture;
}

QImage decodeHeifThumbnail(ByteSpan bytes, QSize atLeast) {
    std::string error;
    Handle primary = openPrimary(bytes, error);
    if (!primary)
        return {};
    heif_item_id ids[4] = {};
    const int count = heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids, 4);
    for (int i = 0; i < count; ++i) {
        heif_image_handle* found = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), ids[i], &found).code != heif_error_Ok)
            continue;
        const Handle thumbnail(found);
        const long long width = heif_image_handle_get_width(found);
        const long long height = heif_image_handle_get_height(found);
        if (width >= atLeast.width() && height >= atLeast.height() &&
            width * height <= kMaxHeifThumbnailPixels)
            return decodeHandle(found).image;
    }
    return {};
}

}  // namespace pixmill
