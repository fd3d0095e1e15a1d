// The input-only formats (HEIF/HEIC, WebP, TIFF, GIF): recognised by their bytes, sized from
// their headers, decoded within the pixel budget, and damaged files refused with a reason.
#include "engine/imaging/input_formats.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "engine/imaging/heif_image.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/pixel_budget.h"
#include "engine/jpegmeta/photo_info.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using namespace std::string_view_literals;
using testing::quadrantAt;
using testing::quadrants;

std::string realPhoto(const std::string& name) {
    return std::string(PIXMILL_REAL_PHOTOS) + "/" + name;
}

// The real photo's bytes; empty (the test skips, or fails under CI) when the corpus is absent.
Bytes realPhotoBytes(const std::string& name) {
    if (!std::filesystem::exists(realPhoto(name))) {
        if (std::getenv("CI"))
            ADD_FAILURE() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
        return {};
    }
    return testing::readFile(realPhoto(name));
}

#define REAL_PHOTO_OR_SKIP(bytes)                       \
    if ((bytes).empty()) {                              \
        GTEST_SKIP() << "the real photos are not here"; \
    }

}  // namespace

namespace testing {

// A two-frame 4 × 3 GIF looping for ever: red, then blue.
const Bytes kAnimatedGif = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x03, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00,
    0x00, 0x00, 0x00, 0xff, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b,
    0x4e, 0x45, 0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00,
    0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x02, 0x03, 0x84, 0x8f,
    0x56, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00,
    0x04, 0x00, 0x03, 0x00, 0x00, 0x02, 0x03, 0x8c, 0x8f, 0x56, 0x00, 0x3b};

// An uncompressed RGB TIFF with its directory before the pixels, as cameras and scanners
// write them: a cut file still has a readable header.
Bytes stripTiff(int width, int height) {
    auto u16 = [](Bytes& b, unsigned v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
    };
    auto u32 = [&](Bytes& b, std::uint32_t v) {
        u16(b, v & 0xFFFF);
        u16(b, v >> 16);
    };
    const unsigned entries = 9;
    const std::uint32_t bitsAt = 8 + 2 + entries * 12 + 4;
    const std::uint32_t pixelsAt = bitsAt + 6;
    const std::uint32_t pixelBytes = std::uint32_t(width) * std::uint32_t(height) * 3;
    Bytes b = {'I', 'I', 42, 0};
    u32(b, 8);
    u16(b, entries);
    auto shortEntry = [&](unsigned tag, unsigned value) {
        u16(b, tag), u16(b, 3), u32(b, 1), u16(b, value), u16(b, 0);
    };
    auto longEntry = [&](unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        u16(b, tag), u16(b, type), u32(b, count), u32(b, value);
    };
    shortEntry(256, unsigned(width));
    shortEntry(257, unsigned(height));
    longEntry(258, 3, 3, bitsAt);  // 8, 8, 8
    shortEntry(259, 1);            // no compression
    shortEntry(262, 2);            // RGB
    longEntry(273, 4, 1, pixelsAt);
    shortEntry(277, 3);
    shortEntry(278, unsigned(height));
    longEntry(279, 4, 1, pixelBytes);
    u32(b, 0);
    u16(b, 8), u16(b, 8), u16(b, 8);
    for (std::uint32_t i = 0; i < pixelBytes; ++i)
        b.push_back(i % 3 == 1 ? 0xC0 : 0x20);  // green
    return b;
}

}  // namespace testing

namespace {

struct MadeFile {
    const char* format;
    ImageFileFormat expected;
};
constexpr MadeFile kMadeFormats[] = {
    {"webp", ImageFileFormat::Webp},
    {"tiff", ImageFileFormat::Tiff},
    {"gif", ImageFileFormat::Gif},
};

TEST(InputFormats, madeWebpTiffAndGifAreRecognisedSizedAndDecodedUpright) {
    const QImage picture = quadrants(120, 80);
    for (const MadeFile& made : kMadeFormats) {
        SCOPED_TRACE(made.format);
        const Bytes bytes = testing::writtenAs(picture, made.format);
        EXPECT_EQ(sniffImageFormat(bytes), made.expected);
        EXPECT_EQ(imageFileSize(bytes), QSize(120, 80));
        LoadedImage loaded = decodeImage(bytes);
        ASSERT_FALSE(loaded.isNull()) << loaded.refusal;
        EXPECT_EQ(loaded.format, made.expected);
        EXPECT_EQ(loaded.image.size(), QSize(120, 80));
        EXPECT_EQ(quadrantAt(loaded.image, 10, 10), 'r');
        EXPECT_EQ(quadrantAt(loaded.image, 110, 10), 'g');
        EXPECT_EQ(quadrantAt(loaded.image, 110, 70), 'b');
        EXPECT_EQ(quadrantAt(loaded.image, 10, 70), 'w');
        EXPECT_TRUE(loaded.inputNote.empty());
    }
}

TEST(InputFormats, theAcceptedExtensionsAreOneListInAnyCase) {
    for (const char* name : {"a.heic", "a.HEIF", "a.WebP", "a.tif", "a.TIFF", "a.gif"})
        EXPECT_TRUE(hasInputOnlyExtension(name)) << name;
    for (const char* name : {"a.jpg", "a.png", "a.bmp", "a.heic.txt", "heic", "a.avif", "a."})
        EXPECT_FALSE(hasInputOnlyExtension(name)) << name;
    EXPECT_EQ(formatOfFileName("IMG_1.HEIC"), ImageFileFormat::Heif);
    EXPECT_EQ(formatOfFileName("x.JPEG"), ImageFileFormat::Jpeg);
    EXPECT_EQ(formatOfFileName("x.txt"), ImageFileFormat::Unknown);
}

TEST(InputFormats, anAnimatedGifGivesItsFirstFrameAndSaysSo) {
    LoadedImage loaded = decodeImage(testing::kAnimatedGif);
    ASSERT_FALSE(loaded.isNull()) << loaded.refusal;
    EXPECT_EQ(loaded.image.size(), QSize(4, 3));
    EXPECT_EQ(loaded.image.pixelColor(2, 1), QColor(Qt::red));
    EXPECT_EQ(loaded.inputNote, "动画 GIF：只用了第一帧");
    EXPECT_EQ(loaded.notes(), loaded.inputNote);
}

TEST(InputFormats, damagedFilesAreRefusedWithTheirReason) {
    Bytes webp = testing::writtenAs(quadrants(64, 64), "webp");
    for (std::size_t i = 40; i < webp.size(); ++i)
        webp[i] ^= 0x5A;  // the header stays, the coded picture is noise
    Bytes tiff = testing::stripTiff(64, 48);
    ASSERT_FALSE(decodeImage(tiff).isNull());
    EXPECT_EQ(decodeImage(tiff).image.pixelColor(5, 5), QColor(0x20, 0xC0, 0x20));
    tiff.resize(tiff.size() - 64 * 30 * 3);  // cut inside the pixels
    const Bytes cutWebp(webp.begin(), webp.begin() + 30);
    struct Case {
        const char* what;
        Bytes bytes;
        const char* says;
    } cases[] = {
        {"corrupt WebP", webp, "WebP 图片已损坏"},
        {"cut WebP", cutWebp, "WebP 图片已损坏"},
        {"truncated TIFF", tiff, "TIFF 图片已损坏"},
        {"GIF without a frame", testing::bytesOf("GIF89a\x10\x00\x10\x00\x00\x00\x00;"sv),
         "GIF 图片已损坏"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadedImage loaded = decodeImage(c.bytes);
        EXPECT_TRUE(loaded.isNull());
        EXPECT_NE(loaded.refusal.find(c.says), std::string::npos) << loaded.refusal;
    }
}

TEST(InputFormats, headersClaimingHugePicturesAreRefusedBeforeDecoding) {
    // A GIF screen of 65535 × 65535 and a TIFF of 60000 × 60000, each under a kilobyte.
    Bytes gif = testing::writtenAs(quadrants(16, 16), "gif");
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;
    Bytes tiff = testing::stripTiff(16, 16);
    tiff[8 + 2 + 8] = 0x60, tiff[8 + 2 + 9] = 0xEA;            // width 60000
    tiff[8 + 2 + 12 + 8] = 0x60, tiff[8 + 2 + 12 + 9] = 0xEA;  // height 60000
    PixelBudget budget(64u << 20);
    for (const Bytes& bytes : {gif, tiff}) {
        SCOPED_TRACE(int(sniffImageFormat(bytes)));
        EXPECT_GE(imageFileSize(bytes).width(), 60000);
        const Result<PixelBudget::Share> share =
            reserveDecode(bytes, int(sniffImageFormat(bytes)), {}, budget);
        ASSERT_FALSE(share);
        EXPECT_NE(share.message().find("图片文件已损坏"), std::string::npos) << share.message();
        LoadedImage loaded = decodeImage(bytes);
        EXPECT_TRUE(loaded.isNull());
        EXPECT_FALSE(loaded.refusal.empty());
    }
    EXPECT_EQ(budget.inUse(), 0u);
}

TEST(InputFormats, anotherFormatInAnInputOnlyNameIsNotOneOfThem) {
    const Bytes png = testing::writtenAs(quadrants(8, 8), "png");
    EXPECT_EQ(sniffInputOnlyFormat(png), ImageFileFormat::Unknown);
    EXPECT_EQ(sniffInputOnlyFormat(testing::bytesOf("RIFF\0\0\0\0WAVEfmt "sv)),
              ImageFileFormat::Unknown);
    // An MP4 video has an ftyp box too, without a still-picture brand.
    EXPECT_FALSE(
        looksLikeHeif(testing::bytesOf("\0\0\0\x18"
                                       "ftypisom\0\0\0\0isommp42"sv)));
    EXPECT_TRUE(
        looksLikeHeif(testing::bytesOf("\0\0\0\x18"
                                       "ftypmsf1\0\0\0\0msf1heic"sv)));
}

// ---- HEIF/HEIC over the real phone pictures ----

TEST(HeifInput, phonePictureIsShownTurnedOnceByItsOwnRotation) {
    const Bytes heic = realPhotoBytes("heic/iphone_13_pro_max.HEIC");
    REAL_PHOTO_OR_SKIP(heic);
    // Stored 4032 × 3024 with a 'irot' turn and an EXIF Orientation saying the same: shown
    // portrait, turned once, not twice.
    EXPECT_EQ(sniffImageFormat(heic), ImageFileFormat::Heif);
    EXPECT_EQ(imageFileSize(heic), QSize(3024, 4032));
    LoadedImage loaded = decodeImage(heic);
    ASSERT_FALSE(loaded.isNull()) << loaded.refusal;
    EXPECT_EQ(loaded.image.size(), QSize(3024, 4032));
    EXPECT_EQ(loaded.image.format(), QImage::Format_RGBX8888);
    ASSERT_GT(loaded.iccProfile.size(), 20u);  // Display P3, carried into every output
    EXPECT_EQ(std::string(loaded.iccProfile.begin() + 16, loaded.iccProfile.begin() + 20), "RGB ");

    const Bytes sample = realPhotoBytes("heic/samplefilehub.heif");
    EXPECT_EQ(imageFileSize(sample), QSize(640, 426));
    EXPECT_EQ(decodeImage(sample).image.size(), QSize(640, 426));
}

TEST(HeifInput, pixelsAgreeWithImageMagick) {
    const Bytes heic = realPhotoBytes("heic/iphone_13_pro_max.HEIC");
    REAL_PHOTO_OR_SKIP(heic);
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer cannot follow a fork after threads have started: the release and
    // AddressSanitizer runs compare.
    GTEST_SKIP() << "no child processes under ThreadSanitizer";
#endif
    testing::TempDir dir;
    const QString oracle = QString::fromStdString(dir.file("oracle.png"));
    const int status = QProcess::execute(
        "convert", {QString::fromStdString(realPhoto("heic/iphone_13_pro_max.HEIC")), "-resize",
                    "75x100!", oracle});
    if (status != 0) {
        if (std::getenv("CI"))
            FAIL() << "ImageMagick's convert is missing";
        GTEST_SKIP() << "ImageMagick's convert is missing";
    }
    const QImage expected = QImage(oracle).convertToFormat(QImage::Format_RGB32);
    const QImage ours = decodeImage(heic)
                            .image.scaled(75, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(expected.size(), ours.size());
    double difference = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 75; ++x) {
            const QColor a = expected.pixelColor(x, y), b = ours.pixelColor(x, y);
            difference += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                          std::abs(a.blue() - b.blue());
        }
    }
    // Small scaling differences only; a turned or mirrored picture differs by 60 and more.
    EXPECT_LT(difference / (75 * 100 * 3), 6.0);
}

TEST(HeifInput, embeddedThumbnailIsShownLikeThePicture) {
    const Bytes heic = realPhotoBytes("heic/iphone_13_pro_max.HEIC");
    REAL_PHOTO_OR_SKIP(heic);
    const QImage thumbnail = decodeHeifThumbnail(heic, QSize(60, 80));
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_LT(thumbnail.width(), thumbnail.height());                    // turned like the picture
    EXPECT_TRUE(decodeHeifThumbnail(heic, QSize(3000, 4000)).isNull());  // too small for that
    // The same scene, the same way up: small differences only.
    const QImage a = thumbnail.scaled(30, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage b =
        decodeImage(heic).image.scaled(30, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double difference = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 30; ++x)
            difference += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    }
    EXPECT_LT(difference / (30 * 40), 8.0);
}

TEST(HeifInput, exifBlockGivesThePhotoDetails) {
    const Bytes heic = realPhotoBytes("heic/iphone_13_pro_max.HEIC");
    REAL_PHOTO_OR_SKIP(heic);
    const HeifHeader header = readHeifHeader(heic, true);
    ASSERT_GE(header.exifTiff.size(), 8u);
    EXPECT_TRUE(header.exifTiff[0] == 'M' || header.exifTiff[0] == 'I');
    jpegmeta::PhotoInfo info;
    jpegmeta::PhotoInfoReader reader(&info);
    const Result<> block = reader.parseExifBlock(header.exifTiff);
    EXPECT_TRUE(block) << block.message();
    // As exiftool reads them.
    EXPECT_EQ(info.cameraMake, "Apple");
    EXPECT_EQ(info.cameraModel, "iPhone 13 Pro Max");
    EXPECT_EQ(info.dateTime, "2022:02:16 12:55:41");
    EXPECT_FLOAT_EQ(info.exposureTime, 1.0f / 60);
    EXPECT_NEAR(info.apertureFNumber, 1.5f, 0.01f);
    EXPECT_EQ(info.isoEquivalent, 250);
    EXPECT_EQ(info.orientation, 6);
    EXPECT_TRUE(info.isExif);
    EXPECT_TRUE(readHeifHeader(heic, false).exifTiff.empty());
}

TEST(HeifInput, pictureWithoutADecoderAndDamagedContainersAreRefusedWithAReason) {
    Bytes sample = realPhotoBytes("heic/samplefilehub.heif");
    REAL_PHOTO_OR_SKIP(sample);
    // The picture item's coding renamed to one libheif has no decoder for: what a system
    // without the HEVC decoder sees.
    Bytes undecodable = sample;
    const std::string hvc1 = "hvc1";
    auto at = std::search(undecodable.begin(), undecodable.end(), hvc1.begin(), hvc1.end());
    ASSERT_NE(at, undecodable.end());
    at[0] = 'v', at[1] = 'v', at[2] = 'c';
    LoadedImage loaded = decodeImage(undecodable);
    EXPECT_TRUE(loaded.isNull());
    EXPECT_NE(loaded.refusal.find("没有能解码这张 HEIF/HEIC 图片的解码器"), std::string::npos)
        << loaded.refusal;

    const Bytes cut(sample.begin(), sample.begin() + std::ptrdiff_t(sample.size() / 2));
    LoadedImage half = decodeImage(cut);
    EXPECT_TRUE(half.isNull());
    EXPECT_NE(half.refusal.find("HEIF/HEIC"), std::string::npos) << half.refusal;
}

TEST(HeifInput, aHeifBeyondTheBudgetIsRefusedBeforeDecoding) {
    const Bytes heic = realPhotoBytes("heic/iphone_13_pro_max.HEIC");
    REAL_PHOTO_OR_SKIP(heic);
    PixelBudget small(64u << 20);
    const Result<PixelBudget::Share> refused =
        reserveDecode(heic, int(ImageFileFormat::Heif), {}, small);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.message().find("图片太大，无法处理：3024 × 4032"), std::string::npos)
        << refused.message();
    EXPECT_EQ(small.inUse(), 0u);
    PixelBudget large(1024u << 20);
    const Result<PixelBudget::Share> share =
        reserveDecode(heic, int(ImageFileFormat::Heif), {}, large);
    ASSERT_TRUE(share) << share.message();
    // The pixels and their working copy, and libheif's planes while it converts them.
    EXPECT_GE(large.inUse(), std::size_t(3024) * 4032 * (8 + 6));
}

}  // namespace
}  // namespace pixmill
