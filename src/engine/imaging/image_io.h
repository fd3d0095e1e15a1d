#pragma once
// Decoding and encoding pictures: the imaging primitives every pixel operation goes through.
// JPEG through libturbojpeg; PNG and BMP through Qt's image readers and writers. Pictures
// that are read but never written in their own format (input-only): HEIF/HEIC through libheif
// (heif_image.h), WebP, TIFF and GIF through Qt's image readers, first frame or page only.
//
// Limits: files larger than kMaxImageFileBytes are not read; a decode produces at most
// kMaxDecodedPixels (500 megapixels), and a JPEG decode reduced by DCT scaling may read a
// source of up to kMaxScaledSourcePixels (jpeg_codec.h). Anything beyond is refused as
// undecodable, before memory for the pixels is taken.

#include <QImage>

#include <memory>
#include <optional>
#include <string>

#include "engine/platform/file_bytes.h"
#include "engine/platform/file_ops.h"
#include "engine/platform/result.h"

namespace pixmill {

constexpr long long kMaxImageFileBytes = 1LL << 30;

// Dots per inch; 0 when the file does not say.
struct Resolution {
    float x = 0.0f;
    float y = 0.0f;
};

enum class ImageFileFormat { Unknown, Jpeg, Png, Bmp, Heif, Webp, Tiff, Gif };

// True for the formats that are read but never written: HEIF, WebP, TIFF and GIF.
bool isInputOnlyFormat(ImageFileFormat format);

// What the bytes are, whatever the file's name says.
ImageFileFormat sniffImageFormat(ByteSpan bytes);

struct LoadedImage {
    QImage image;  // null when the file could not be decoded or exceeds the pixel limits
    Resolution resolution;
    ImageFileFormat format = ImageFileFormat::Unknown;
    Bytes iccProfile;        // the RGB colour profile every output of the picture carries
    std::string colourNote;  // why a CMYK picture's colours were converted without a profile
    // Why the picture was refused before decoding (too large for the pixel budget, or a header
    // its file cannot back) or, for an input-only format, why its decoder failed; empty
    // otherwise.
    std::string refusal;
    // What the row should say about how an input-only picture was read (an animated GIF's first
    // frame); empty otherwise.
    std::string inputNote;
    // Its share of the pixel budget (pixel_budget.h), given back when this record goes: keep the
    // record while the picture and its working copy live.
    std::shared_ptr<const void> pixelShare;
    bool isNull() const { return image.isNull(); }
    // The colour note and the input note, for the row.
    std::string notes() const {
        return colourNote.empty() || inputNote.empty() ? colourNote + inputNote
                                                       : colourNote + "；" + inputNote;
    }
};

// Decodes the file at `path` whatever its extension says, as it is shown: a JPEG's EXIF
// Orientation (1 when outside 1..8) is applied to its pixels, and `wanted` is a size of the
// shown picture. With a non-empty `wanted` size a
// JPEG may be decoded at a reduced DCT scale that still covers `wanted` in both dimensions.
// JPEGs and HEIFs come back as RGBX8888 (RGBA8888 for a HEIF with alpha); the others in the
// format Qt reads them in (alpha kept).
LoadedImage loadImage(const std::string& path, QSize wanted = QSize());
// The same for bytes already in memory.
LoadedImage decodeImage(ByteSpan bytes, QSize wanted = QSize());

// The pixel size of the picture as shown (a JPEG's EXIF Orientation applied), without
// decoding; empty when unknown.
QSize imageFileSize(ByteSpan bytes);

// Status numbers of a failed save, printed in its diagnostic line.
enum SaveStatus {
    kSaveInvalidImage = 2,  // nothing to encode: a null or empty picture
    kSaveEncodeFailed = 3,  // the encoder refused the picture
    kSaveWriteFailed = 7,   // the file could not be written or moved into place
};

// Writes "%d  Attempt to save %s failed.\n" on the output diagnostic stream.
void reportSaveFailure(int status, const std::string& path);

// Reads a picture file whole, refusing one larger than kMaxImageFileBytes (EFBIG).
Result<Bytes> readImageFile(const std::string& path);

// Encodes `image` as a JPEG at quality 100 carrying `resolution` in its JFIF header, written to
// `path` (replacing a file there). On failure writes "%d  Attempt to save %s failed.\n" on the
// output diagnostic stream and returns an Error whose code is that SaveStatus.
Result<> saveAsJpeg(const QImage& image, Resolution resolution, const std::string& path);
// With a non-empty `iccProfile` the JPEG carries that colour profile.
Result<> saveAsJpeg(const QImage& image, Resolution resolution, const std::string& path,
                    FileOps& ops, ByteSpan iccProfile = {});

// The quality of the JPEGs that saveByExtension writes (the crop's outputs).
constexpr int kDefaultJpegQuality = 75;

// Encodes by the extension of `path`, compared without regard to case: JPEG at
// kDefaultJpegQuality for .jpg and .jpeg, PNG for .png, BMP for .bmp. No metadata and no alpha
// is written (alpha is dropped, not blended), except the colour profile `iccProfile` in a JPEG
// or PNG. Fails, with the diagnostic line, for another extension or a failed encode or write.
Result<> saveByExtension(const QImage& image, const std::string& path,
                         FileOps& ops = systemFileOps(), ByteSpan iccProfile = {});

// `image`, made from the PNG or BMP `source`, encoded in the source's format with its alpha: a
// PNG carries the source's ancillary chunks that stay true (png_chunks.h; `quarterTurn` when
// the picture was turned by 90 or 270 degrees), a BMP with alpha is written with 32 bits a
// pixel. Nothing when the encoder refuses the picture or `format` is another.
std::optional<Bytes> encodeLikeSource(const QImage& image, ImageFileFormat format, ByteSpan source,
                                      bool quarterTurn = false);

}  // namespace pixmill
