#include "engine/imaging/output_format.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <webp/decode.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "engine/catalog/folder_scan.h"
#include "engine/imaging/crop_batch.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/resize_batch.h"
#include "engine/watermark/watermark_batch.h"
#include "imaging/imaging_fixtures.h"
#include "jpegmeta/oracle_support.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrantAt;
using testing::quadrants;
using testing::readFile;
using testing::TempDir;

bool startsWith(const Bytes& bytes, const char* magic, std::size_t offset = 0) {
    const std::size_t length = std::strlen(magic);
    return bytes.size() >= offset + length &&
           std::memcmp(bytes.data() + offset, magic, length) == 0;
}
bool isJpeg(const Bytes& b) {
    return startsWith(b, "\xFF\xD8\xFF");
}
bool isPng(const Bytes& b) {
    return startsWith(b, "\x89PNG\r\n\x1a\n");
}
bool isWebp(const Bytes& b) {
    return startsWith(b, "RIFF") && startsWith(b, "WEBP", 8);
}

// The size of a JPEG, PNG or WebP file.
QSize pictureSize(const Bytes& file) {
    int width = 0, height = 0;
    if (isWebp(file) && WebPGetInfo(file.data(), file.size(), &width, &height))
        return {width, height};
    return decodeImage(file).image.size();
}

// A picture with detail everywhere, like a photo: smooth shapes, edges and a little sensor
// noise, so that its file size follows the quality closely.
QImage detailed(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = 12.0 * x / width, v = 9.0 * y / height;
            const int noise = int(random() % 13) - 6;
            const int shade = int(90 + 60 * std::sin(u * v / 3) + 40 * std::cos(u + 2 * v));
            const int edge = ((x / 37 + y / 53) % 2) * 40;
            row[x] = qRgb(std::clamp(shade + edge + noise, 0, 255),
                          std::clamp(160 - shade / 2 + noise, 0, 255),
                          std::clamp(80 + edge + int(50 * std::sin(u * 3)) + noise, 0, 255));
        }
    }
    return image;
}

std::string realPhoto(const char* name) {
    const std::string path = std::string(PIXMILL_REAL_PHOTOS) + "/" + name;
    return std::filesystem::exists(path) ? path : std::string();
}

TEST(OutputOptions, namesQualitiesAndTargetsAreCheckedAtTheDoor) {
    EXPECT_EQ(parseOutputFormat("KEEP"), OutputFormat::Keep);
    EXPECT_EQ(parseOutputFormat("jpg"), OutputFormat::Jpeg);
    EXPECT_EQ(parseOutputFormat("WebP"), OutputFormat::Webp);
    EXPECT_FALSE(parseOutputFormat("gif"));
    EXPECT_FALSE(parseOutputFormat(""));
    EXPECT_TRUE(checkOutputOptions({OutputFormat::Jpeg, 1, 0}).empty());
    EXPECT_TRUE(checkOutputOptions({OutputFormat::Jpeg, 100, 1}).empty());
    EXPECT_FALSE(checkOutputOptions({OutputFormat::Jpeg, 0, 0}).empty());
    EXPECT_FALSE(checkOutputOptions({OutputFormat::Jpeg, 101, 0}).empty());
    EXPECT_FALSE(checkOutputOptions({OutputFormat::Jpeg, 90, -1}).empty());
}

TEST(OutputOptions, keepWritesPngAndBmpAsThemselvesAndTheRestAsJpeg) {
    const OutputOptions keep;
    EXPECT_EQ(writtenFormat(keep, ImageFileFormat::Png), EncodedFormat::Png);
    EXPECT_EQ(writtenFormat(keep, ImageFileFormat::Bmp), EncodedFormat::Bmp);
    EXPECT_EQ(writtenFormat(keep, ImageFileFormat::Jpeg), EncodedFormat::Jpeg);
    EXPECT_EQ(writtenFormat(keep, ImageFileFormat::Unknown), EncodedFormat::Jpeg);
    EXPECT_EQ(writtenFormat({.format = OutputFormat::Webp}, ImageFileFormat::Png),
              EncodedFormat::Webp);
    EXPECT_EQ(writtenFormat({.format = OutputFormat::Png}, ImageFileFormat::Jpeg),
              EncodedFormat::Png);
}

TEST(OutputOptions, theExtensionChangesOnlyWithTheFormat) {
    struct Case {
        const char* name;
        EncodedFormat format;
        const char* expected;
    } cases[] = {
        {"a.JPG", EncodedFormat::Jpeg, "a.JPG"},
        {"a.jpeg", EncodedFormat::Jpeg, "a.jpeg"},
        {"a.png", EncodedFormat::Jpeg, "a.jpg"},
        {"a.heic", EncodedFormat::Jpeg, "a.jpg"},
        {"a.b.jpg", EncodedFormat::Webp, "a.b.webp"},
        {"plain", EncodedFormat::Png, "plain.png"},
        {".hidden", EncodedFormat::Png, ".hidden.png"},
        {"/x/dir.d/photo", EncodedFormat::Bmp, "/x/dir.d/photo.bmp"},
        {"/x/dir.d/photo.PNG", EncodedFormat::Png, "/x/dir.d/photo.PNG"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outputFileName(c.name, c.format), c.expected) << c.name;
}

// An encoder whose file grows with the quality by a known rule, counting its calls.
struct ModelEncoder {
    std::function<std::size_t(int)> sizeAt;
    int calls = 0;
    QualityEncoder encoder() {
        return [this](int quality) -> std::optional<Bytes> {
            ++calls;
            return Bytes(sizeAt(quality), std::uint8_t(quality));
        };
    }
};

TEST(TargetSize, bisectionFindsTheHighestQualityThatFitsInAHandfulOfEncodes) {
    ModelEncoder model{[](int q) { return std::size_t(1000 + 37 * q * q); }};
    for (long long limit : {1037LL, 5000LL, 77777LL, 200000LL, 370999LL, 371000LL, 10000000LL}) {
        for (int start : {100, 85, 2}) {
            model.calls = 0;
            Result<EncodedOutput> fitted = encodeWithinSize(model.encoder(), start, limit);
            ASSERT_TRUE(fitted);
            int best = 1;
            for (int q = 1; q <= start; ++q)
                if ((long long)model.sizeAt(q) <= limit)
                    best = q;
            SCOPED_TRACE(std::to_string(limit) + " from " + std::to_string(start));
            EXPECT_EQ(fitted->quality, best);
            EXPECT_FALSE(fitted->overTarget);
            EXPECT_EQ(fitted->bytes.size(), model.sizeAt(best));
            EXPECT_LE(model.calls, 8);
        }
    }
}

TEST(TargetSize, aTargetBelowTheLowestQualityIsWrittenAtItAndSaysSo) {
    ModelEncoder model{[](int q) { return std::size_t(5000 + q); }};
    Result<EncodedOutput> fitted = encodeWithinSize(model.encoder(), 100, 4000);
    ASSERT_TRUE(fitted);
    EXPECT_TRUE(fitted->overTarget);
    EXPECT_EQ(fitted->quality, 1);
    EXPECT_EQ(fitted->bytes.size(), 5001u);
    EXPECT_LE(model.calls, 8);
}

TEST(TargetSize, aFileThatDoesNotShrinkSteadilyIsStillNeverAboveTheTarget) {
    // Sizes that jump around the target between neighbouring qualities.
    ModelEncoder model{[](int q) { return std::size_t(q % 3 == 0 ? 9000 : 100 * q); }};
    for (long long limit : {500LL, 4000LL, 8999LL}) {
        Result<EncodedOutput> fitted = encodeWithinSize(model.encoder(), 100, limit);
        ASSERT_TRUE(fitted);
        EXPECT_LE((long long)fitted->bytes.size(), limit);
    }
}

class OutputFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.path() / "out");
        out = dir.folder() + "out/";
    }
    CatalogItem jpeg(const std::string& name, const QImage& image) {
        const std::optional<Bytes> bytes = encodeJpeg(image, 97);
        dir.write(name, *bytes);
        return item(name, image.size());
    }
    CatalogItem item(const std::string& name, QSize size) {
        CatalogItem i;
        i.fileName = name;
        i.fullPath = dir.file(name);
        i.width = size.width();
        i.height = size.height();
        return i;
    }
    TempDir dir;
    std::string out;
};

TEST_F(OutputFiles, resizedJpegsFitTheTargetAndComeWithinTenPercentOfIt) {
    const CatalogItem source = jpeg("big.jpg", detailed(1600, 1200));
    for (OutputFormat format : {OutputFormat::Jpeg, OutputFormat::Webp}) {
        // WebP's steps between neighbouring qualities are wider near the top, so its targets
        // lie where a step is well under a tenth of the file.
        for (int kb :
             format == OutputFormat::Jpeg ? std::vector{120, 50, 20} : std::vector{50, 20}) {
            SCOPED_TRACE(std::string(outputFormatName(format)) + " " + std::to_string(kb));
            ResizeParams params{.bound = 800, .restoreExif = false};
            params.output = {format, 100, kb};
            ItemOutcome outcome = resizeItem(source, params, out);
            ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
            EXPECT_TRUE(outcome.message.empty()) << outcome.message;
            const Bytes written = readFile(outcome.output);
            EXPECT_LE(written.size(), std::size_t(kb) * 1024);
            EXPECT_GE(written.size(), std::size_t(kb) * 1024 * 9 / 10);
            EXPECT_TRUE(format == OutputFormat::Jpeg ? isJpeg(written) : isWebp(written));
            EXPECT_EQ(pictureSize(written), QSize(800, 600));
        }
    }
}

TEST_F(OutputFiles, anUnreachableTargetIsWrittenAtTheLowestQualityWithANote) {
    const CatalogItem source = jpeg("big.jpg", detailed(1600, 1200));
    ResizeParams params{.bound = 800, .restoreExif = false};
    params.output.maxKb = 2;
    ItemOutcome outcome = resizeItem(source, params, out);
    ASSERT_EQ(outcome.status, ItemStatus::Ok);
    EXPECT_NE(outcome.message.find("最低质量"), std::string::npos) << outcome.message;
    const Bytes written = readFile(outcome.output);
    EXPECT_GT(written.size(), 2u * 1024);
    EXPECT_EQ(decodeImage(written).image.size(), QSize(800, 600));
    // The same target on a lossless output is reported, not silently dropped.
    dir.write("p.png", *encodeLikeSource(detailed(300, 200), ImageFileFormat::Png, {}));
    CropParams crop{.width = 0, .height = 0};
    crop.output.maxKb = 2;
    ItemOutcome png = cropItem(crop, dir.file("p.png"), out + "p.png");
    ASSERT_EQ(png.status, ItemStatus::Ok);
    EXPECT_TRUE(isPng(readFile(png.output)));
    EXPECT_NE(png.message.find("PNG"), std::string::npos) << png.message;
}

TEST_F(OutputFiles, exifIsCarriedIntoATargetSizedJpegAndCountedInTheSize) {
    const std::string photo = realPhoto("gps/DSCN0010.jpg");
    if (photo.empty()) {
        if (testing::inContinuousIntegration())
            FAIL() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;
        GTEST_SKIP() << "the real photos are not here";
    }
    std::filesystem::copy_file(photo, dir.file("gps.jpg"));
    CatalogItem source;
    source.fileName = "gps.jpg";
    source.fullPath = dir.file("gps.jpg");
    readPhotoDetails(source.fullPath, source);
    ASSERT_TRUE(source.isExif);
    ResizeParams params{.bound = 800, .restoreExif = true};  // it fits: only the target acts
    params.output.maxKb = 60;
    ItemOutcome outcome = resizeItem(source, params, out);
    ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
    const Bytes written = readFile(outcome.output);
    EXPECT_LE(written.size(), 60u * 1024);
    EXPECT_GE(written.size(), 54u * 1024);
    bool exif = false;
    for (const testing::Segment& segment : testing::segmentsOf(written))
        exif = exif || testing::isExifSegment(segment);
    EXPECT_TRUE(exif);
    CatalogItem reread;
    readPhotoDetails(outcome.output, reread);
    EXPECT_EQ(reread.cameraModel, source.cameraModel);
    EXPECT_EQ(reread.shootingDate, source.shootingDate);
}

TEST_F(OutputFiles, aChangedFormatChangesTheExtensionAndTheContent) {
    const CatalogItem source = jpeg("a.jpg", quadrants(400, 300));
    struct Case {
        OutputFormat format;
        const char* name;
        bool (*check)(const Bytes&);
    } cases[] = {{OutputFormat::Png, "a.png", isPng},
                 {OutputFormat::Webp, "a.webp", isWebp},
                 {OutputFormat::Keep, "a.jpg", isJpeg}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResizeParams params{.bound = 200, .restoreExif = false};
        params.output.format = c.format;
        ItemOutcome outcome = resizeItem(source, params, out);
        ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        EXPECT_EQ(outcome.output, out + c.name);
        EXPECT_TRUE(c.check(readFile(out + c.name)));
        if (c.format != OutputFormat::Webp) {
            EXPECT_EQ(quadrantAt(decodeImage(readFile(out + c.name)).image, 190, 10), 'g');
        }
        EXPECT_EQ(pictureSize(readFile(out + c.name)), QSize(200, 150));

        CropParams crop{.width = 100, .height = 100};
        crop.output.format = c.format;
        ItemOutcome cut = cropItem(crop, source.fullPath, out + "cut.jpg");
        ASSERT_EQ(cut.status, ItemStatus::Ok);
        EXPECT_TRUE(c.check(readFile(cut.output))) << cut.output;
    }
    // A PNG source stamped with "keep" stays a PNG; asked for JPEG it becomes one.
    dir.write("s.png", *encodeLikeSource(quadrants(120, 80), ImageFileFormat::Png, {}));
    CControlTracker noLayers;
    ItemOutcome kept = watermarkImage(item("s.png", {120, 80}), noLayers, out, {});
    EXPECT_TRUE(isPng(readFile(kept.output)));
    ItemOutcome jpegged =
        watermarkImage(item("s.png", {120, 80}), noLayers, out, {}, {OutputFormat::Jpeg, 50, 0});
    EXPECT_EQ(jpegged.output, out + "s.jpg");
    EXPECT_TRUE(isJpeg(readFile(jpegged.output)));
}

TEST_F(OutputFiles, theQualityAskedForIsTheQualityWritten) {
    const QImage picture = detailed(160, 120);
    dir.write("p.png", *encodeLikeSource(picture, ImageFileFormat::Png, {}));
    for (int quality : {5, 60, 100}) {
        CropParams crop{.width = 0, .height = 0};
        crop.output = {OutputFormat::Jpeg, quality, 0};
        ItemOutcome cut = cropItem(crop, dir.file("p.png"), out + "p.png");
        ASSERT_EQ(cut.status, ItemStatus::Ok);
        EXPECT_EQ(readFile(cut.output), *encodeJpeg(picture, quality)) << quality;
        crop.output.format = OutputFormat::Webp;
        cut = cropItem(crop, dir.file("p.png"), out + "p.png");
        EXPECT_EQ(readFile(cut.output), *encodeWebp(picture, quality)) << quality;
    }
}

// Pixels of the canvas colour exactly, and where the picture lies.
void expectSquare(const QImage& image, int side, QRect picture, QRgb canvas) {
    ASSERT_EQ(image.size(), QSize(side, side));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (!picture.contains(x, y) && (image.pixel(x, y) | 0xFF000000u) != canvas) {
                ADD_FAILURE() << "canvas pixel at " << x << "," << y;
                return;
            }
        }
    }
    // The picture's edges are its own (not the canvas), its quadrants where they belong.
    EXPECT_EQ(quadrantAt(image, picture.left() + 2, picture.top()), 'r');
    EXPECT_EQ(quadrantAt(image, picture.right(), picture.top() + 2), 'g');
    EXPECT_EQ(quadrantAt(image, picture.right() - 2, picture.bottom()), 'b');
    EXPECT_EQ(quadrantAt(image, picture.left(), picture.bottom() - 2), 'w');
}

TEST_F(OutputFiles, squareOutputsAreExactInSizeAndCentred) {
    const QRgb canvas = qRgb(0x20, 0x40, 0x60);
    struct Case {
        QSize source;
        int bound;
        QRect picture;
    } cases[] = {
        {{400, 200}, 100, {0, 25, 100, 50}},
        {{200, 400}, 100, {25, 0, 50, 100}},
        {{301, 300}, 150, {0, 0, 150, 149}},
        {{60, 40}, 100, {20, 30, 60, 40}},  // smaller than the square: centred, not enlarged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.source.width()) + "x" + std::to_string(c.source.height()));
        dir.write("q.png", *encodeLikeSource(quadrants(c.source.width(), c.source.height()),
                                             ImageFileFormat::Png, {}));
        ResizeParams params{.bound = c.bound, .restoreExif = false};
        params.square = true;
        params.canvasColor = 0x204060;
        ItemOutcome outcome = resizeItem(item("q.png", c.source), params, out);
        ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        expectSquare(decodeImage(readFile(out + "q.png")).image, c.bound, c.picture, canvas);
    }
    // As a JPEG, on the default white: exact size, white in the bands, the picture between.
    const CatalogItem photo = jpeg("w.jpg", quadrants(800, 400));
    ResizeParams params{.bound = 200, .restoreExif = false};
    params.square = true;
    ASSERT_EQ(resizeItem(photo, params, out).status, ItemStatus::Ok);
    const QImage square = decodeImage(readFile(out + "w.jpg")).image;
    ASSERT_EQ(square.size(), QSize(200, 200));
    EXPECT_EQ(quadrantAt(square, 100, 10), 'w');
    EXPECT_EQ(quadrantAt(square, 20, 60), 'r');
    EXPECT_EQ(quadrantAt(square, 180, 60), 'g');
    EXPECT_GT(qGreen(square.pixel(20, 10)), 250);  // white above the red quadrant
    EXPECT_GT(qRed(square.pixel(180, 190)), 250);  // and below the blue one
}

}  // namespace
}  // namespace pixmill
