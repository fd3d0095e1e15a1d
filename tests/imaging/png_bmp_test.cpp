// PNG and BMP pictures: the chunk parser, and rotation, scan and resize in their own format.
#include "engine/imaging/png_chunks.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include <cstring>
#include <filesystem>

#include "engine/catalog/folder_scan.h"
#include "engine/imaging/bmp_writer.h"
#include "engine/imaging/colour_profile.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/resize_batch.h"
#include "engine/imaging/rotate_batch.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::bytesOf;
using testing::findChunk;
using testing::pngChunk;
using testing::readFile;
using testing::TempDir;

// Every pixel differs from its neighbours, and alpha runs from clear to opaque.
QImage translucent(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba(x * 255 / width, y * 255 / height, (x * y) % 256,
                                 (x + 2 * y) * 255 / (width + 2 * height)));
    return image;
}

// Same size and the same straight ARGB values everywhere (colour space and text aside).
bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

Bytes encodePng(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return Bytes(data.begin(), data.end());
}

// A big-endian TIFF block with only an Orientation entry.
Bytes bigEndianOrientation(std::uint8_t value) {
    return {'M', 'M', 0, 42, 0, 0, 0,     8, 0, 1, 0x01, 0x12, 0,
            3,   0,   0, 0,  1, 0, value, 0, 0, 0, 0,    0,    0};
}

TEST(PngChunks, readAndWrittenBackUnchanged) {
    const Bytes file = encodePng(translucent(20, 10));
    std::optional<std::vector<png::Chunk>> chunks = png::readChunks(file);
    ASSERT_TRUE(chunks);
    EXPECT_TRUE(chunks->front().is("IHDR"));
    EXPECT_TRUE(chunks->back().is("IEND"));
    EXPECT_EQ(png::writeChunks(*chunks), file);
    // The CRC of IEND, which has no data, is a known constant.
    EXPECT_EQ(png::chunkCrc({'I', 'E', 'N', 'D'}, {}), 0xAE426082u);
}

TEST(PngChunks, damagedFilesAreRefused) {
    const Bytes file = encodePng(translucent(20, 10));
    Bytes wrongSignature = file;
    wrongSignature[1] = 'Q';
    EXPECT_FALSE(png::readChunks(wrongSignature));
    EXPECT_FALSE(png::readChunks(Bytes(file.begin(), file.end() - 6)));  // IEND cut
    Bytes hugeLength = file;
    std::memset(&hugeLength[8], 0xFF, 4);  // IHDR's length
    EXPECT_FALSE(png::readChunks(hugeLength));
    Bytes badHeaderCrc = file;
    badHeaderCrc[8 + 8 + 13] ^= 1;  // IHDR's CRC
    EXPECT_FALSE(png::readChunks(badHeaderCrc));
    Bytes badType = file;
    badType[12] = '1';
    EXPECT_FALSE(png::readChunks(badType));
    // A text chunk first, before IHDR.
    std::vector<png::Chunk> chunks = *png::readChunks(file);
    chunks.insert(chunks.begin(), pngChunk("tEXt", bytesOf("a\0b")));
    EXPECT_FALSE(png::readChunks(png::writeChunks(chunks)));
}

TEST(PngChunks, anAncillaryChunkWithABadCrcIsLeftOut) {
    std::vector<png::Chunk> chunks = *png::readChunks(encodePng(translucent(20, 10)));
    chunks.insert(chunks.begin() + 1, pngChunk("tEXt", bytesOf(std::string_view("Title\0x", 7))));
    Bytes file = png::writeChunks(chunks);
    const std::size_t textCrc = 8 + 25 + 8 + 7;  // signature, IHDR, tEXt header and data
    ASSERT_EQ(png::readChunks(file)->size(), chunks.size());
    file[textCrc] ^= 1;
    std::optional<std::vector<png::Chunk>> read = png::readChunks(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), chunks.size() - 1);
    EXPECT_EQ(findChunk(*read, "tEXt"), nullptr);
}

Bytes srgbChromaticities() {
    Bytes data;
    for (std::uint32_t value : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u})
        data.insert(data.end(), {std::uint8_t(value >> 24), std::uint8_t(value >> 16),
                                 std::uint8_t(value >> 8), std::uint8_t(value)});
    return data;
}

using OwnFormat = testing::PictureFolderTest;

TEST_F(OwnFormat, aRotatedPngKeepsTheChunksThatStayTrue) {
    const QImage picture = translucent(30, 20);
    const Bytes profile = readFile("/usr/share/color/icc/ghostscript/a98.icc");
    ASSERT_FALSE(profile.empty());
    std::vector<png::Chunk> chunks = *png::readChunks(encodePng(picture));
    std::erase_if(chunks, [](const png::Chunk& c) { return !c.critical(); });
    Bytes exif = testing::exifPayload(6, {});
    exif.erase(exif.begin(), exif.begin() + 6);  // eXIf holds the TIFF block alone
    const std::vector<png::Chunk> before = {
        *findChunk(*png::readChunks(withColourProfile(encodePng(picture), profile)), "iCCP"),
        pngChunk("sRGB", {0}),
        pngChunk("gAMA", {0, 0, 0xB1, 0x8F}),
        pngChunk("cHRM", srgbChromaticities()),
        pngChunk("pHYs", {0, 0, 0x0B, 0x13, 0, 0, 0x16, 0x26, 1}),
        pngChunk("eXIf", exif),
        pngChunk("tIME", {7, 0xE6, 1, 2, 3, 4, 5}),
    };
    const std::vector<png::Chunk> after = {
        pngChunk("tEXt", bytesOf(std::string_view("Title\0Shop", 10))),
        pngChunk("zTXt", {'C', 0, 0, 0x78, 0x9C, 3, 0, 0, 0, 0, 1}),
        pngChunk("iTXt", bytesOf(std::string_view("Author\0\0\0zh\0\0W", 15))),
    };
    chunks.insert(chunks.begin() + 1, before.begin(), before.end());
    chunks.insert(chunks.end() - 1, after.begin(), after.end());
    dir.write("shot.png", png::writeChunks(chunks));

    CatalogItem item = scanned("shot.png");
    ASSERT_EQ(rotateFlipItem(item, kRotate90).status, ItemStatus::Ok);
    std::optional<std::vector<png::Chunk>> turned = png::readChunks(readFile(item.fullPath));
    ASSERT_TRUE(turned);
    for (const png::Chunk& kept : {before[0], before[1], before[2], before[3]}) {
        const png::Chunk* found = findChunk(*turned, std::string_view(kept.type.data(), 4));
        ASSERT_NE(found, nullptr) << std::string(kept.type.data(), 4);
        EXPECT_EQ(found->data, kept.data);
    }
    for (const png::Chunk& kept : after)
        EXPECT_NE(findChunk(*turned, std::string_view(kept.type.data(), 4)), nullptr)
            << std::string(kept.type.data(), 4);
    EXPECT_EQ(findChunk(*turned, "pHYs")->data, (Bytes{0, 0, 0x16, 0x26, 0, 0, 0x0B, 0x13, 1}));
    Bytes upright = testing::exifPayload(1, {});
    EXPECT_EQ(findChunk(*turned, "eXIf")->data, Bytes(upright.begin() + 6, upright.end()));
    EXPECT_EQ(findChunk(*turned, "tIME"), nullptr);  // the picture was changed after that time
    // The colour chunks come before the image data, the text after it, as in the source.
    auto at = [&](const char* type) { return findChunk(*turned, type) - turned->data(); };
    EXPECT_LT(at("gAMA"), at("IDAT"));
    EXPECT_GT(at("tEXt"), at("IDAT"));

    const QImage read(QString::fromStdString(item.fullPath));
    ASSERT_EQ(read.size(), QSize(20, 30));
    EXPECT_TRUE(samePixels(read, rotateFlipImage(picture, kRotate90)));
}

TEST_F(OwnFormat, aBigEndianExifOrientationIsResetToo) {
    std::vector<png::Chunk> chunks = *png::readChunks(encodePng(translucent(8, 8)));
    chunks.insert(chunks.begin() + 1, pngChunk("eXIf", bigEndianOrientation(8)));
    dir.write("be.png", png::writeChunks(chunks));
    CatalogItem item = scanned("be.png");
    ASSERT_EQ(rotateFlipItem(item, kFlipX).status, ItemStatus::Ok);
    EXPECT_EQ(findChunk(*png::readChunks(readFile(item.fullPath)), "eXIf")->data,
              bigEndianOrientation(1));
}

TEST_F(OwnFormat, aRotated32BitBmpKeepsItsAlpha) {
    const QImage picture = translucent(30, 20);
    dir.write("logo.bmp", *encodeBmpWithAlpha(picture));
    const QImage source(QString::fromStdString(dir.file("logo.bmp")));
    ASSERT_TRUE(source.hasAlphaChannel());  // Qt's reader sees the alpha we wrote
    ASSERT_TRUE(samePixels(source, picture));

    CatalogItem item = scanned("logo.bmp");
    EXPECT_EQ(item.width, 30);
    EXPECT_EQ(item.height, 20);
    ASSERT_EQ(rotateFlipItem(item, kRotate270).status, ItemStatus::Ok);
    const Bytes written = readFile(item.fullPath);
    ASSERT_GT(written.size(), 30u);
    EXPECT_EQ(written[28], 32);  // bits a pixel
    const QImage turned(QString::fromStdString(item.fullPath));
    ASSERT_TRUE(turned.hasAlphaChannel());
    EXPECT_TRUE(samePixels(turned, rotateFlipImage(picture, kRotate270)));
}

TEST_F(OwnFormat, pngAndBmpAreScannedWithTheirSizeAndResizedWithAlpha) {
    QImage cutout(1200, 600, QImage::Format_ARGB32);
    cutout.fill(Qt::transparent);
    for (int y = 150; y < 450; ++y)
        for (int x = 300; x < 900; ++x)
            cutout.setPixel(x, y, qRgba(200, 30, 30, 255));
    std::vector<png::Chunk> chunks = *png::readChunks(encodePng(cutout));
    chunks.insert(chunks.end() - 1, pngChunk("tEXt", bytesOf(std::string_view("Title\0Shoe", 10))));
    dir.write("shoe.png", png::writeChunks(chunks));
    dir.write("shoe.bmp", *encodeBmpWithAlpha(cutout));

    for (const char* name : {"shoe.png", "shoe.bmp"}) {
        SCOPED_TRACE(name);
        CatalogItem item = scanned(name);
        EXPECT_EQ(QSize(item.width, item.height), QSize(1200, 600));
        ItemOutcome outcome = resizeItem(item, {300, false}, out);
        ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        LoadedImage resized = loadImage(out + name);
        ASSERT_FALSE(resized.isNull());
        EXPECT_EQ(resized.format, sniffImageFormat(readFile(item.fullPath)));
        EXPECT_EQ(resized.image.size(), QSize(300, 150));
        ASSERT_TRUE(resized.image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(resized.image.pixel(10, 10)), 0);
        EXPECT_EQ(resized.image.pixel(150, 75), qRgba(200, 30, 30, 255));
    }
    EXPECT_NE(findChunk(*png::readChunks(readFile(out + "shoe.png")), "tEXt"), nullptr);
}

TEST_F(OwnFormat, aGreyPngStaysGreyWhenResized) {
    QImage grey(1000, 500, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        std::memset(grey.scanLine(y), y * 255 / grey.height(), std::size_t(grey.width()));
    dir.write("scan.png", encodePng(grey));
    ASSERT_EQ(resizeItem(scanned("scan.png"), {200, false}, out).status, ItemStatus::Ok);
    LoadedImage resized = loadImage(out + "scan.png");
    EXPECT_EQ(resized.image.size(), QSize(200, 100));
    EXPECT_EQ(resized.image.format(), QImage::Format_Grayscale8);
}

}  // namespace
}  // namespace pixmill
