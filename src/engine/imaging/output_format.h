#pragma once
// The output options shared by the operations that write new pictures (resize, crop,
// watermark): the format written, the JPEG and WebP quality, and a target file size that picks
// the highest quality whose file fits.
//
// Every output is encoded in memory and written once; with a target size a handful of encodes
// (a bisection over the quality) are made and the best one that fits is kept.

#include <QImage>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/imaging/image_io.h"
#include "engine/platform/file_bytes.h"
#include "engine/platform/result.h"

namespace pixmill {

enum class OutputFormat { Keep, Jpeg, Png, Webp };

// What an output file holds.
enum class EncodedFormat { Jpeg, Png, Bmp, Webp };

constexpr int kMinOutputQuality = 1;
constexpr int kMaxOutputQuality = 100;
// The largest target size taken, in KiB (4 GiB): beyond any picture the program writes.
constexpr int kMaxTargetKb = 4 * 1024 * 1024;

struct OutputOptions {
    OutputFormat format = OutputFormat::Keep;
    int quality = kMaxOutputQuality;  // JPEG and WebP, 1..100
    int maxKb = 0;  // 0: no target; otherwise JPEG and WebP outputs fit maxKb × 1024 bytes
};

// "keep", "jpeg" (or "jpg"), "png", "webp", in any case; nothing for another name.
std::optional<OutputFormat> parseOutputFormat(std::string_view name);
const char* outputFormatName(OutputFormat format);
// Why the options cannot be used (a quality outside 1..100, a negative or too large target
// size), or empty.
std::string checkOutputOptions(const OutputOptions& options);

// The format a picture read as `source` is written in: the chosen one, or for "keep" the
// source's own when it is PNG or BMP and JPEG for everything else (JPEG and the formats the
// program reads but does not write).
EncodedFormat writtenFormat(const OutputOptions& options, ImageFileFormat source);

// `fileName` as an output in `format`: unchanged when its extension already names that format
// (.jpg and .jpeg both name JPEG, compared without regard to case), otherwise with the
// extension replaced by (or, without one, given) .jpg, .png, .bmp or .webp.
std::string outputFileName(const std::string& fileName, EncodedFormat format);

// What a JPEG output of the picture carries: the source's metadata (EXIF and the rest, through
// jpegmeta's carry) when `carryFrom` is not empty, else the colour profile `iccProfile`.
// `pngSource` is a PNG source whose ancillary chunks a PNG output keeps; empty for none.
struct OutputExtras {
    Resolution resolution;
    ByteSpan carryFrom;
    ByteSpan iccProfile;
    ByteSpan pngSource;
};

struct EncodedOutput {
    Bytes bytes;
    EncodedFormat format = EncodedFormat::Jpeg;
    int quality = 0;          // the quality used (JPEG and WebP), 0 for PNG and BMP
    bool overTarget = false;  // a target size was set and even the lowest quality exceeds it
    std::string note;         // for the row's message: why the target size was not met
};

// Encodes `image` in `format` with the options' quality and target size. PNG and BMP have no
// quality: a target size they exceed is reported in `note`, never silently dropped. A WebP
// output carries no metadata. Fails only when the encoder refuses the picture.
Result<EncodedOutput> encodeOutput(const QImage& image, EncodedFormat format,
                                   const OutputOptions& options, const OutputExtras& extras = {});

// The search behind the target size: the bytes of `encode` at the highest quality in
// 1..`quality` whose size is at most `limitBytes`, by bisection after one try at `quality`
// itself; when none fits, the bytes at quality 1 with `overTarget` set. At most
// 1 + ⌈log2 quality⌉ encodes. Fails when `encode` fails.
using QualityEncoder = std::function<std::optional<Bytes>(int quality)>;
Result<EncodedOutput> encodeWithinSize(const QualityEncoder& encode, int quality,
                                       long long limitBytes);

// A row's message with `note` added ("；" between two texts).
std::string joinedNotes(const std::string& first, const std::string& second);

// Encodes `image` as a lossy WebP at `quality` 1..100, alpha kept. Nothing on failure.
std::optional<Bytes> encodeWebp(const QImage& image, int quality);

}  // namespace pixmill
