#pragma once
// Pictures and JPEG pieces the imaging tests build for themselves.

#include <gtest/gtest.h>

#include <QImage>

#include <mutex>
#include <string>
#include <vector>

#include "engine/catalog/catalog_item.h"
#include "engine/imaging/png_chunks.h"
#include "engine/platform/diagnostics.h"
#include "engine/platform/file_bytes.h"
#include "support/status_recorder.h"
#include "support/temp_dir.h"

namespace pixmill::testing {

// Four flat quadrants (red, green, blue, white from the top left, clockwise) that survive
// JPEG coding and show any turn or mirror.
QImage quadrants(int width, int height);
// The colour of the quadrant around (x, y), as the nearest of the four.
char quadrantAt(const QImage& image, int x, int y);  // 'r', 'g', 'b' or 'w'

// A JPEG of `image` (quality 95) with `segments` (marker, payload) inserted after SOI.
Bytes jpegWith(const QImage& image, const std::vector<std::pair<std::uint8_t, Bytes>>& segments);

// An EXIF APP1 payload ("Exif\0\0" + little-endian TIFF): IFD0 with Orientation, 300 dpi
// X/YResolution and ResolutionUnit inches; IFD1 pointing at `thumbnail` when it is not
// empty. With `thumbnailInside` the resolution values are stored after the thumbnail, so the
// thumbnail cannot simply be cut off the end.
Bytes exifPayload(std::uint16_t orientation, const Bytes& thumbnail, bool thumbnailInside = false);

Bytes bytesOf(std::string_view text);

// A PNG chunk of `type` (four letters) holding `data`.
png::Chunk pngChunk(const char* type, Bytes data);
// The first chunk of `type` in `chunks`, or null.
const png::Chunk* findChunk(const std::vector<png::Chunk>& chunks, std::string_view type);

// A folder of pictures with an empty output folder "out/" in it; `scanned` gives a file's
// catalog record as a folder load reads it.
class PictureFolderTest : public ::testing::Test {
  protected:
    void SetUp() override;
    CatalogItem scanned(const std::string& name) const;
    TempDir dir;
    std::string out;
};

// `image` as a file of `format`: "webp" and "tiff" through Qt's writers at quality 100 (lossless
// WebP), "gif" by a small writer of our own (Qt reads GIF but cannot write it) with the four
// quadrant colours as its palette, each pixel taking the nearest.
Bytes writtenAs(const QImage& image, const char* format);

// A CMYK JPEG of `inks` (four bytes a pixel, stored inverted the Adobe way: 255 is no ink), at
// quality 100 without subsampling, as TurboJPEG writes it (with an Adobe section).
Bytes cmykJpeg(const std::vector<std::uint8_t>& inks, int width, int height);

// One section before the scan, as the tests look at them: `offset` is that of its 0xFF.
struct Segment {
    std::uint8_t marker = 0;
    std::size_t offset = 0;
    ByteSpan payload;  // after the two length bytes
};
std::vector<Segment> segmentsOf(ByteSpan file);  // up to and including SOS
bool isExifSegment(const Segment& segment);
double lumaPsnr(const QImage& a, const QImage& b);

// Collects the status-line texts and diagnostic lines written while it lives.
class Recorder {
  public:
    Recorder();
    ~Recorder();
    std::vector<std::string> texts() const { return status_.texts(); }
    std::vector<std::string> diagnostics() const;

  private:
    static void capture(diag::Stream stream, std::string_view text, void* self);
    StatusRecorder status_;
    mutable std::mutex mutex_;
    std::vector<std::string> diagnostics_;
};

}  // namespace pixmill::testing
