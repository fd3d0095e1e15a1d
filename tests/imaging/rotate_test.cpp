#include "engine/imaging/rotate_batch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "engine/imaging/image_io.h"
#include "engine/imaging/resize_batch.h"
#include "engine/jpegmeta/image_metadata.h"
#include "imaging/imaging_fixtures.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrantAt;
using testing::quadrants;
using testing::readFile;
using testing::TempDir;

CatalogItem itemAt(const std::string& path, int width, int height) {
    CatalogItem item;
    item.number = 0;
    item.fullPath = path;
    item.fileName = path.substr(path.find_last_of('/') + 1);
    item.width = width;
    item.height = height;
    return item;
}

// The quadrant colours at the four corners, clockwise from the top left.
std::string corners(const QImage& image) {
    int w = image.width() - 3, h = image.height() - 3;
    return {quadrantAt(image, 2, 2), quadrantAt(image, w, 2), quadrantAt(image, w, h),
            quadrantAt(image, 2, h)};
}

TEST(RotateFlip, eachCodeMovesTheCorners) {
    QImage image = quadrants(40, 20);
    EXPECT_EQ(corners(image), "rgbw");
    EXPECT_EQ(corners(rotateFlipImage(image, kRotate90)), "wrgb");
    EXPECT_EQ(rotateFlipImage(image, kRotate90).size(), QSize(20, 40));
    EXPECT_EQ(corners(rotateFlipImage(image, kRotate270)), "gbwr");
    EXPECT_EQ(corners(rotateFlipImage(image, kFlipX)), "grwb");
    EXPECT_EQ(corners(rotateFlipImage(image, kFlipY)), "wbgr");
    EXPECT_TRUE(rotateFlipImage(image, 2).isNull());
}

// Smooth like a photo, and different in every direction, so a wrong turn shows in the PSNR.
QImage gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGBX8888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, QColor(x * 255 / width, y * 255 / height, (x + y) % 256));
    return image;
}

TEST(RotateFlip, fourQuarterTurnsOfAJpegComeBack) {
    TempDir dir;
    QImage original = gradient(64, 48);
    ASSERT_TRUE(saveAsJpeg(original, {}, dir.file("a.jpg")));
    CatalogItem item = itemAt(dir.file("a.jpg"), 64, 48);
    for (int turn = 0; turn < 4; ++turn) {
        ASSERT_EQ(rotateFlipItem(item, kRotate90).status, ItemStatus::Ok);
        EXPECT_EQ(item.width, turn % 2 ? 64 : 48);  // the record follows the picture
    }
    LoadedImage back = loadImage(dir.file("a.jpg"));
    ASSERT_EQ(back.image.size(), original.size());
    EXPECT_GT(testing::lumaPsnr(back.image, original), 40.0);
    EXPECT_LT(testing::lumaPsnr(back.image.mirrored(true, false), original), 20.0);
}

TEST(RotateFlip, pngAndBmpStayLosslessInTheirFormat) {
    TempDir dir;
    QImage original(30, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            original.setPixel(x, y, qRgba(x * 8, y * 12, 77, 100 + x));
    for (const char* name : {"a.png", "b.bmp"}) {
        SCOPED_TRACE(name);
        const bool png = std::string(name).ends_with(".png");
        QImage source = png ? original : original.convertToFormat(QImage::Format_RGB32);
        ASSERT_TRUE(source.save(QString::fromStdString(dir.file(name))));
        CatalogItem item = itemAt(dir.file(name), 0, 0);
        ASSERT_EQ(rotateFlipItem(item, kRotate90).status, ItemStatus::Ok);
        LoadedImage turned = loadImage(dir.file(name));
        EXPECT_EQ(turned.format, png ? ImageFileFormat::Png : ImageFileFormat::Bmp);
        EXPECT_EQ(turned.image.size(), QSize(20, 30));
        for (int code : {kRotate90, kRotate90, kRotate90, kFlipX, kFlipX, kFlipY, kFlipY})
            ASSERT_EQ(rotateFlipItem(item, code).status, ItemStatus::Ok);
        QImage back = loadImage(dir.file(name)).image.convertToFormat(source.format());
        EXPECT_EQ(back, source);  // bit for bit, alpha included for the PNG
    }
}

TEST(RotateFlip, jpegKeepsItsMetadataAndGetsItsThumbnailMadeAgain) {
    TempDir dir;
    Bytes exif = testing::exifPayload(6, testing::jpegWith(quadrants(16, 12), {}));
    dir.write("a.jpg", testing::jpegWith(quadrants(64, 48),
                                         {{0xE1, exif}, {0xFE, testing::bytesOf("hello")}}));
    ::chmod(dir.file("a.jpg").c_str(), 0640);
    CatalogItem item = itemAt(dir.file("a.jpg"), 64, 48);
    ASSERT_EQ(rotateFlipItem(item, kRotate270).status, ItemStatus::Ok);
    Bytes after = readFile(dir.file("a.jpg"));
    EXPECT_FALSE(jpegmeta::exifThumbnail(after).empty());
    bool comment = false;
    for (const testing::Segment& s : testing::segmentsOf(after)) {
        if (s.marker == 0xFE)
            comment = std::string(s.payload.begin(), s.payload.end()) == "hello";
        if (testing::isExifSegment(s)) {
            EXPECT_EQ(s.payload[6 + 8 + 2 + 8], 1);  // the turn is in the pixels now
        }
    }
    EXPECT_TRUE(comment);
    EXPECT_EQ(jpegmeta::readJpegDensity(after).x, 300.0f);
    struct stat st;
    ASSERT_EQ(::stat(dir.file("a.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.jpg.t")));
}

TEST(RotateFlip, aThumbnailOfTheStoredPictureIsMadeAgainFromTheUprightOutput) {
    TempDir dir;
    // Stored turned with Orientation 6, its thumbnail stored the same way. 64 × 48 turns on
    // the coefficients; 60 × 44 is not a whole number of blocks and is encoded again.
    for (QSize size : {QSize(64, 48), QSize(60, 44)}) {
        SCOPED_TRACE(size.width());
        const Bytes exif = testing::exifPayload(6, testing::jpegWith(quadrants(32, 24), {}));
        dir.write("a.jpg",
                  testing::jpegWith(quadrants(size.width(), size.height()), {{0xE1, exif}}));
        CatalogItem item = itemAt(dir.file("a.jpg"), size.height(), size.width());
        ItemOutcome outcome = rotateFlipItem(item, kRotate90);
        ASSERT_EQ(outcome.status, ItemStatus::Ok);
        EXPECT_EQ(outcome.message.empty(), size.width() == 64);
        const Bytes after = readFile(dir.file("a.jpg"));
        const ByteSpan made = jpegmeta::exifThumbnail(after);
        ASSERT_FALSE(made.empty());
        QImage thumbnail;
        ASSERT_TRUE(thumbnail.loadFromData(made.data(), int(made.size()), "JPEG"));
        const QImage picture = loadImage(dir.file("a.jpg")).image;
        EXPECT_EQ(thumbnail.size(), picture.size());  // never enlarged
        EXPECT_EQ(corners(thumbnail), corners(picture));
    }

    // A resize with EXIF of a photo stored turned writes it upright, with a thumbnail to match.
    const Bytes exif = testing::exifPayload(6, testing::jpegWith(quadrants(32, 24), {}));
    dir.write("p.jpg", testing::jpegWith(quadrants(640, 480), {{0xE1, exif}}));
    std::filesystem::create_directory(dir.path() / "out");
    CatalogItem item = itemAt(dir.file("p.jpg"), 480, 640);
    item.fileName = "p.jpg";
    item.isExif = true;
    ASSERT_EQ(resizeItem(item, {.bound = 320, .restoreExif = true}, dir.folder() + "out/").status,
              ItemStatus::Ok);
    const Bytes resized = readFile(dir.folder() + "out/p.jpg");
    const ByteSpan made = jpegmeta::exifThumbnail(resized);
    ASSERT_FALSE(made.empty());
    QImage thumbnail;
    ASSERT_TRUE(thumbnail.loadFromData(made.data(), int(made.size()), "JPEG"));
    EXPECT_EQ(thumbnail.size(), QSize(120, 160));
    EXPECT_EQ(corners(thumbnail), corners(decodeImage(resized).image));
}

TEST(RotateFlip, failuresLeaveTheFileAsItWas) {
    testing::Recorder recorder;
    TempDir dir;
    dir.write("broken.jpg", "not a picture");
    CatalogItem broken = itemAt(dir.file("broken.jpg"), 10, 10);
    broken.number = 6;
    EXPECT_EQ(rotateFlipItem(broken, kRotate90).status, ItemStatus::Failed);
    EXPECT_EQ(testing::readText(dir.file("broken.jpg")), "not a picture");
    EXPECT_EQ(broken.width, 10);
    EXPECT_EQ(recorder.texts().back(), "已旋转第 7 张图片：broken.jpg");  // sent regardless

    ASSERT_TRUE(saveAsJpeg(quadrants(40, 20), {}, dir.file("a.jpg")));
    Bytes before = readFile(dir.file("a.jpg"));
    for (auto op : {testing::FailingFileOps::Op::WriteNewFile,
                    testing::FailingFileOps::Op::RenameReplacing}) {
        testing::FailingFileOps ops;
        ops.failAt(op, 1);
        CatalogItem item = itemAt(dir.file("a.jpg"), 40, 20);
        EXPECT_EQ(rotateFlipItem(item, kRotate90, ops).status, ItemStatus::Failed);
        EXPECT_EQ(readFile(dir.file("a.jpg")), before);
        EXPECT_EQ(item.width, 40);
    }
    CatalogItem item = itemAt(dir.file("a.jpg"), 40, 20);
    EXPECT_EQ(rotateFlipItem(item, 5).status, ItemStatus::Failed);
    EXPECT_EQ(readFile(dir.file("a.jpg")), before);
}

TEST(RotateFlip, rotationsOfOneFileDoNotOverlap) {
    // Eight concurrent quarter turns of one PNG: if two read the same old picture, one turn
    // is lost and the result is not back at the start.
    TempDir dir;
    QImage original = quadrants(60, 40);
    ASSERT_TRUE(saveByExtension(original, dir.file("a.png")));
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            CatalogItem item = itemAt(dir.file("a.png"), 0, 0);
            EXPECT_EQ(rotateFlipItem(item, kRotate90).status, ItemStatus::Ok);
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(corners(loadImage(dir.file("a.png")).image), "rgbw");
}

TEST(RotateFlip, batchRunsOnThePoolAndReportsRewrittenItems) {
    TempDir dir;
    ASSERT_TRUE(saveByExtension(quadrants(60, 40), dir.file("a.png")));
    std::vector<std::string> rotated;
    BatchJob job = makeRotateFlipJob(
        {kFlipX, [&](const CatalogItem& item) { rotated.push_back(item.fileName); }});
    EXPECT_EQ(job.kind, BatchKind::RotateFlip);
    EXPECT_EQ(batchKindInfo(job.kind).pattern, BatchPattern::PerItem);
    BatchEnvironment env;
    WorkedRow row{0, itemAt(dir.file("a.png"), 0, 0)};
    EXPECT_EQ(job.perItem(row, env).status, ItemStatus::Ok);
    WorkedRow missing{1, itemAt(dir.file("gone.png"), 0, 0)};
    EXPECT_EQ(job.perItem(missing, env).status, ItemStatus::Failed);
    EXPECT_EQ(rotated, std::vector<std::string>{"a.png"});
}

}  // namespace
}  // namespace pixmill
