// Grey PNGs with alpha: rotated and resized they stay grey with alpha at their own depth, and a
// grey colour profile is never left on pixels written in colour.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>

#include "engine/catalog/folder_scan.h"
#include "engine/imaging/colour_profile.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/png_chunks.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::findChunk;
using testing::pngChunk;
using testing::readFile;
using testing::TempDir;

constexpr const char* kGreyProfile = "/usr/share/color/icc/ghostscript/sgray.icc";

Bytes deflated(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 9), Z_OK);
    out.resize(size);
    return out;
}

Bytes iccpOf(const Bytes& profile) {
    Bytes data = {'g', 'r', 'e', 'y', 0, 0};
    const Bytes stream = deflated(profile);
    data.insert(data.end(), stream.begin(), stream.end());
    return data;
}

// A grey-and-alpha PNG of `depth` bits a sample, written by hand (rows unfiltered): every
// grey and alpha value differs along the rows and columns. With `profile`, an iCCP holds it.
Bytes greyAlphaPng(int width, int height, int depth, const Bytes& profile) {
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const unsigned grey = unsigned(x * 65535 / (width - 1));
            const unsigned alpha = unsigned(65535 - y * 60000 / (height - 1));
            for (unsigned v : {grey, alpha}) {
                if (depth == 16)
                    raw.push_back(std::uint8_t(v >> 8));
                raw.push_back(std::uint8_t(depth == 16 ? v : (v >> 8) ^ (x & 3)));
            }
        }
    }
    Bytes header = {0,
                    0,
                    0,
                    std::uint8_t(width),
                    0,
                    0,
                    0,
                    std::uint8_t(height),
                    std::uint8_t(depth),
                    png::kGreyAlpha,
                    0,
                    0,
                    0};
    std::vector<png::Chunk> chunks = {pngChunk("IHDR", header)};
    if (!profile.empty())
        chunks.push_back(pngChunk("iCCP", iccpOf(profile)));
    chunks.push_back(pngChunk("IDAT", deflated(raw)));
    chunks.push_back(pngChunk("IEND", {}));
    return png::writeChunks(chunks);
}

QImage readByQt(const Bytes& file) {
    QImage image;
    image.loadFromData(file.data(), int(file.size()), "png");
    return image;
}

class GreyAlphaPng : public testing::PictureFolderTest {
  protected:
    void SetUp() override {
        PictureFolderTest::SetUp();
        profile = readFile(kGreyProfile);
        ASSERT_FALSE(profile.empty());
    }
    Bytes profile;
};

TEST_F(GreyAlphaPng, rotatedAndResizedItStaysGreyWithAlphaAtItsDepthAndKeepsItsProfile) {
    for (int depth : {8, 16}) {
        SCOPED_TRACE(depth);
        const Bytes source = greyAlphaPng(40, 24, depth, profile);
        const QImage original = readByQt(source);
        ASSERT_FALSE(original.isNull());
        const std::string name = "cutout" + std::to_string(depth) + ".png";
        dir.write(name, source);

        CatalogItem item = scanned(name);
        ASSERT_EQ(rotateFlipItem(item, kRotate90).status, ItemStatus::Ok);
        const Bytes turned = readFile(item.fullPath);
        ASSERT_TRUE(png::readHeader(turned));
        EXPECT_EQ(png::readHeader(turned)->colourType, png::kGreyAlpha);
        EXPECT_EQ(png::readHeader(turned)->bitDepth, depth);
        const auto chunks = png::readChunks(turned);
        ASSERT_TRUE(chunks);
        const png::Chunk* iccp = findChunk(*chunks, "iCCP");
        ASSERT_NE(iccp, nullptr);
        EXPECT_EQ(iccp->data, iccpOf(profile));
        // Every sample comes back as it was, turned (16-bit ones compared whole).
        const QImage expected =
            rotateFlipImage(original.convertToFormat(QImage::Format_RGBA64), kRotate90);
        const QImage read = readByQt(turned).convertToFormat(QImage::Format_RGBA64);
        ASSERT_EQ(read.size(), QSize(24, 40));
        for (int y = 0; y < read.height(); ++y)
            ASSERT_EQ(std::memcmp(read.constScanLine(y), expected.constScanLine(y), 24 * 8), 0)
                << "row " << y;

        ASSERT_EQ(resizeItem(scanned(name), {20, false}, out).status, ItemStatus::Ok);
        const Bytes resized = readFile(out + name);
        ASSERT_TRUE(png::readHeader(resized));
        EXPECT_EQ(png::readHeader(resized)->colourType, png::kGreyAlpha);
        EXPECT_EQ(png::readHeader(resized)->bitDepth, depth);
        EXPECT_NE(findChunk(*png::readChunks(resized), "iCCP"), nullptr);
        const QImage small = readByQt(resized);
        EXPECT_EQ(small.size(), QSize(12, 20));
        // The turned source's top row, the most opaque, is its right column now.
        EXPECT_GT(qAlpha(small.pixel(11, 10)), qAlpha(small.pixel(0, 10)) + 100);
    }
}

TEST_F(GreyAlphaPng, aGreyProfileIsDroppedFromPixelsWrittenInColour) {
    const Bytes source = greyAlphaPng(16, 16, 8, profile);
    QImage stamped = readByQt(source).convertToFormat(QImage::Format_ARGB32);
    stamped.setPixel(3, 3, qRgba(200, 40, 40, 255));  // a coloured mark on the grey picture
    std::optional<Bytes> written = encodeLikeSource(stamped, ImageFileFormat::Png, source);
    ASSERT_TRUE(written);
    EXPECT_EQ(png::readHeader(*written)->colourType, 6);
    EXPECT_EQ(findChunk(*png::readChunks(*written), "iCCP"), nullptr);
    EXPECT_EQ(readByQt(*written).pixel(3, 3), qRgba(200, 40, 40, 255));

    // A colour profile on a grey picture does not fit it either; one that fits stays.
    const Bytes rgb = readFile("/usr/share/color/icc/ghostscript/srgb.icc");
    const Bytes greyFile = greyAlphaPng(16, 16, 8, rgb);
    EXPECT_EQ(findChunk(*png::readChunks(withFittingPngProfile(greyFile)), "iCCP"), nullptr);
    EXPECT_EQ(withFittingPngProfile(source), source);
}

}  // namespace
}  // namespace pixmill
