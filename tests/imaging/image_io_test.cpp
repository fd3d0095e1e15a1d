#include "engine/imaging/image_io.h"
#include "engine/jpegmeta/image_metadata.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <QBuffer>
#include <QImageWriter>

#include "engine/imaging/jpeg_codec.h"
#include "imaging/imaging_fixtures.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrantAt;
using testing::quadrants;
using testing::readFile;
using testing::Recorder;
using testing::TempDir;

// A YCCK JPEG as Photoshop writes them (TurboJPEG's CMYK encoder does the same): Adobe
// segment, inverted inks. Left half pure cyan, right half pure yellow, no black.
Bytes adobeCmykJpeg() {
    const int size = 16;
    std::vector<std::uint8_t> inks(size * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::uint8_t* p = &inks[(y * size + x) * 4];
            bool left = x < size / 2;
            p[0] = left ? 0 : 255;  // inverted: 0 is full ink
            p[1] = 255;
            p[2] = left ? 255 : 0;
            p[3] = 255;
        }
    }
    return testing::cmykJpeg(inks, size, size);
}

// A valid small JPEG whose frame header claims width × height.
Bytes claimingSize(int width, int height) {
    Bytes bytes = *encodeJpeg(quadrants(16, 16), 90);
    for (const testing::Segment& s : testing::segmentsOf(bytes)) {
        if (s.marker == 0xC0) {
            std::size_t at = s.offset + 5;  // marker, length, precision
            bytes[at] = std::uint8_t(height >> 8);
            bytes[at + 1] = std::uint8_t(height);
            bytes[at + 2] = std::uint8_t(width >> 8);
            bytes[at + 3] = std::uint8_t(width);
        }
    }
    return bytes;
}

TEST(ImageIo, jpegRoundTripKeepsPixelsAndResolution) {
    TempDir dir;
    const std::string path = dir.file("a.jpg");
    ASSERT_TRUE(saveAsJpeg(quadrants(64, 48), {300.0f, 150.0f}, path));
    LoadedImage loaded = loadImage(path);
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded.format, ImageFileFormat::Jpeg);
    EXPECT_EQ(loaded.image.size(), QSize(64, 48));
    EXPECT_GT(testing::lumaPsnr(loaded.image, quadrants(64, 48)), 40.0);
    EXPECT_EQ(loaded.resolution.x, 300.0f);
    EXPECT_EQ(loaded.resolution.y, 150.0f);
}

TEST(ImageIo, everyPixelLayoutTheEncoderTakesKeepsItsColours) {
    // Each layout goes to the encoder by its own byte order; a swapped pair of channels would
    // turn the red quarter blue.
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGBX8888,
          QImage::Format_RGB888, QImage::Format_ARGB32_Premultiplied}) {
        SCOPED_TRACE(int(format));
        QImage picture(32, 32, format);
        picture.fill(QColor(230, 20, 10));
        std::optional<Bytes> encoded = encodeJpeg(picture, 95, {});
        ASSERT_TRUE(encoded.has_value());
        const QImage decoded = decodeJpeg(*encoded, QSize()).value();
        ASSERT_FALSE(decoded.isNull());
        const QColor centre = decoded.pixelColor(16, 16);
        EXPECT_NEAR(centre.red(), 230, 4);
        EXPECT_NEAR(centre.green(), 20, 4);
        EXPECT_NEAR(centre.blue(), 10, 4);
    }
}

TEST(ImageIo, dctScalingStillCoversTheWantedSize) {
    EXPECT_EQ(jpegScaleDenominator(4000, 3000, QSize(1600, 1200)), 2);
    EXPECT_EQ(jpegScaleDenominator(4000, 3000, QSize(1001, 750)), 2);
    EXPECT_EQ(jpegScaleDenominator(4000, 3000, QSize(400, 300)), 8);
    EXPECT_EQ(jpegScaleDenominator(4000, 3000, QSize(3000, 3000)), 1);
    EXPECT_EQ(jpegScaleDenominator(4000, 3000, QSize()), 1);
    EXPECT_EQ(jpegScaleDenominator(4001, 3001, QSize(501, 376)), 8);  // ceil(4001 / 8) = 501

    Bytes jpeg = *encodeJpeg(quadrants(400, 300), 95);
    QImage reduced = decodeJpeg(jpeg, QSize(100, 75)).value();
    EXPECT_EQ(reduced.size(), QSize(100, 75));
    EXPECT_EQ(quadrantAt(reduced, 10, 10), 'r');
    EXPECT_EQ(quadrantAt(reduced, 90, 65), 'b');
}

TEST(ImageIo, adobeCmykJpegGetsItsColours) {
    Bytes file = adobeCmykJpeg();
    ASSERT_TRUE(jpegmeta::hasAdobeSection(file));
    ASSERT_TRUE(readJpegHeader(file)->cmyk);
    QImage image = decodeImage(file).image;
    ASSERT_FALSE(image.isNull());
    QColor cyan = image.pixelColor(2, 8), yellow = image.pixelColor(13, 8);
    // Printing cyan and process yellow as sRGB shows them through the standard CMYK profile.
    EXPECT_LT(cyan.red(), 20);
    EXPECT_GT(cyan.green(), 160);
    EXPECT_GT(cyan.blue(), 225);
    EXPECT_GT(yellow.red(), 235);
    EXPECT_GT(yellow.green(), 225);
    EXPECT_LT(yellow.blue(), 20);
}

TEST(ImageIo, refusesPicturesBeyondThePixelLimits) {
    // 30000 x 30000 is 900 megapixels: no full decode, but a reduced one stays small enough.
    Result<QImage> full = decodeJpeg(claimingSize(30000, 30000), QSize());
    EXPECT_FALSE(full.isOk());
    EXPECT_NE(full.message().find("exceeds the limit"), std::string::npos);
    EXPECT_TRUE(decodeImage(claimingSize(30000, 30000)).isNull());
    // 60000 x 60000 is beyond what even a reduced decode may read.
    Result<QImage> reduced = decodeJpeg(claimingSize(60000, 60000), QSize(100, 100));
    EXPECT_FALSE(reduced.isOk());
    EXPECT_NE(reduced.message().find("exceeds the limit"), std::string::npos);

    QImage tall(1, 1, QImage::Format_RGB32);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(tall);
    // PNG IHDR width and height at bytes 16..23: claim 40000 x 40000.
    for (int i : {16, 20}) {
        png[i] = 0;
        png[i + 1] = 0;
        png[i + 2] = char(0x9C);
        png[i + 3] = 0x40;
    }
    EXPECT_TRUE(decodeImage(ByteSpan(reinterpret_cast<const std::uint8_t*>(png.data()),
                                     std::size_t(png.size())))
                    .isNull());
}

TEST(ImageIo, undecodableBytesGiveANullImage) {
    const Bytes cases[] = {{}, testing::bytesOf("GIF89a"), {0xFF, 0xD8, 0xFF, 0xE0, 0x00}};
    for (const Bytes& bytes : cases)
        EXPECT_TRUE(decodeImage(bytes).isNull());
    EXPECT_TRUE(loadImage("/nonexistent/picture.jpg").isNull());
}

TEST(ImageIo, failedSavesPrintTheDiagnosticLine) {
    Recorder recorder;
    EXPECT_FALSE(saveAsJpeg(quadrants(8, 8), {}, "/nonexistent/folder/a.jpg"));
    EXPECT_FALSE(saveAsJpeg(QImage(), {}, "/tmp/never.jpg"));
    ASSERT_EQ(recorder.diagnostics().size(), 2u);
    EXPECT_EQ(recorder.diagnostics()[0], "7  Attempt to save /nonexistent/folder/a.jpg failed.\n");
    EXPECT_EQ(recorder.diagnostics()[1], "2  Attempt to save /tmp/never.jpg failed.\n");
    // The error carries the number the line printed.
    EXPECT_EQ(saveAsJpeg(QImage(), {}, "/tmp/never.jpg").code(), kSaveInvalidImage);
    EXPECT_EQ(saveByExtension(quadrants(8, 8), "/tmp/never.gif").code(), kSaveEncodeFailed);
    EXPECT_EQ(saveAsJpeg(quadrants(8, 8), {}, "/nonexistent/folder/a.jpg").code(),
              kSaveWriteFailed);
}

TEST(ImageIo, readImageFileSaysWhyAFileCannotBeRead) {
    TempDir dir;
    dir.write("a.jpg", "bytes");
    Result<Bytes> read = readImageFile(dir.file("a.jpg"));
    ASSERT_TRUE(read.isOk());
    EXPECT_EQ(read->size(), 5u);
    EXPECT_EQ(readImageFile(dir.file("absent.jpg")).code(), ENOENT);
    EXPECT_EQ(readImageFile(dir.folder()).code(), EISDIR);
}

TEST(ImageIo, aFailedWriteLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("a.jpg");
    dir.write("a.jpg", "old");
    Recorder recorder;
    for (auto op : {testing::FailingFileOps::Op::WriteNewFile,
                    testing::FailingFileOps::Op::RenameReplacing}) {
        testing::FailingFileOps ops;
        ops.failAt(op, 1);
        EXPECT_FALSE(saveAsJpeg(quadrants(8, 8), {}, path, ops));
        EXPECT_EQ(testing::readText(path), "old");
        EXPECT_FALSE(std::filesystem::exists(path + ".t"));
    }
}

TEST(ImageIo, saveByExtensionWritesTheNamedFormatWithoutAlpha) {
    TempDir dir;
    QImage translucent(20, 10, QImage::Format_ARGB32);
    translucent.fill(QColor(10, 200, 30, 40));
    struct Case {
        const char* name;
        ImageFileFormat format;
    } cases[] = {{"a.JPG", ImageFileFormat::Jpeg},
                 {"b.jpeg", ImageFileFormat::Jpeg},
                 {"c.png", ImageFileFormat::Png},
                 {"d.Bmp", ImageFileFormat::Bmp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(saveByExtension(translucent, dir.file(c.name)));
        LoadedImage loaded = loadImage(dir.file(c.name));
        ASSERT_FALSE(loaded.isNull());
        EXPECT_EQ(loaded.format, c.format);
        EXPECT_FALSE(loaded.image.hasAlphaChannel());
        EXPECT_NEAR(loaded.image.pixelColor(5, 5).green(), 200, 4);  // dropped, not blended
    }
    Recorder recorder;
    EXPECT_FALSE(saveByExtension(translucent, dir.file("e.gif")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("e.gif")));
}

}  // namespace
}  // namespace pixmill
