#include "engine/imaging/resize_batch.h"

#include <gtest/gtest.h>

#include "engine/imaging/image_io.h"
#include "imaging/imaging_fixtures.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrants;
using testing::readFile;
using testing::Recorder;
using testing::TempDir;

// The panel's labels and the command line's help are made from the size tables: they read as
// the user has always seen them.
TEST(Resize, sizeNamesAreMadeFromTheTables) {
    const char* const common[] = {"1600 像素（高清图，可做壁纸）", "800 像素（文档网页用图）",
                                  "640 像素（文档网页用图）", "320 像素（缩略图，小图）",
                                  "160 像素（缩略图，小图）"};
    ASSERT_EQ(std::size(kCommonSizes), std::size(common));
    for (std::size_t i = 0; i < std::size(common); ++i)
        EXPECT_EQ(commonSizeLabel(kCommonSizes[i]), common[i]);
    const char* const market[] = {"宝贝描述(宽500像素约100KB)", "宝贝描述小图(宽250像素约50KB)",
                                  "宝贝图片(宽310像素约20KB)"};
    ASSERT_EQ(std::size(kMarketSizes), std::size(market));
    for (std::size_t i = 0; i < std::size(market); ++i)
        EXPECT_EQ(marketSizeLabel(kMarketSizes[i]), market[i]);
    EXPECT_EQ(boundList(kCommonSizes), "1600/800/640/320/160");
    EXPECT_EQ(indexRange(kCommonSizes), "0..4");
    EXPECT_EQ(boundList(kMarketSizes), "500/250/310");
    EXPECT_EQ(indexRange(kMarketSizes), "0..2");
    EXPECT_EQ(labelledKbList(kMarketSizes), "约100KB、约50KB、约20KB");
}

TEST(Resize, sizeFormula) {
    struct Case {
        int w, h, bound;
        QSize expected;
    } cases[] = {
        {4000, 3000, 800, {800, 600}},
        {3000, 4000, 800, {600, 800}},
        {1000, 1000, 640, {640, 640}},
        {1001, 333, 160, {160, 53}},
        {800, 801, 800, {799, 800}},  // 640000 / 801 = 799.001   {2000, 3000, 500, {333, 500}},
        {60000, 1, 100, {100, 0}},
        {4000, 3000, 0, {0, 0}},
        // The product is formed exactly: 65535 * 65535 does not fit in 32 bits.
        {65535, 65534, 65535, {65535, 65534}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resizedSize(c.w, c.h, c.bound), c.expected)
            << c.w << "x" << c.h << "/" << c.bound;
}

class ResizeItem : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.path() / "out");
        outputDir = dir.folder() + "out/";
    }
    CatalogItem item(const std::string& name, int width, int height, bool exif = false) {
        CatalogItem i;
        i.number = 4;
        i.fileName = name;
        i.fullPath = dir.file(name);
        i.width = width;
        i.height = height;
        i.isExif = exif;
        return i;
    }
    TempDir dir;
    std::string outputDir;
};

TEST_F(ResizeItem, picturesThatFitAreCopiedByteForByte) {
    Recorder recorder;
    ASSERT_TRUE(saveAsJpeg(quadrants(800, 600), {}, dir.file("a.jpg")));
    ASSERT_TRUE(saveByExtension(quadrants(800, 20), dir.file("b.png")));
    for (const CatalogItem& i : {item("a.jpg", 800, 600), item("b.png", 800, 20)}) {
        ItemOutcome outcome = resizeItem(i, {800, true}, outputDir);
        EXPECT_EQ(outcome.status, ItemStatus::Ok);
        EXPECT_EQ(readFile(outputDir + i.fileName), readFile(i.fullPath));
    }
    EXPECT_TRUE(recorder.texts().empty());  // copies show no progress
}

TEST_F(ResizeItem, scalesTheLongerSideToTheBound) {
    Recorder recorder;
    ASSERT_TRUE(saveAsJpeg(quadrants(1200, 900), {300, 300}, dir.file("land.jpg")));
    ASSERT_TRUE(saveAsJpeg(quadrants(900, 1200), {}, dir.file("port.png")));
    ItemOutcome a = resizeItem(item("land.jpg", 1200, 900), {400, false}, outputDir);
    ItemOutcome b = resizeItem(item("port.png", 900, 1200), {400, false}, outputDir);
    ASSERT_EQ(a.status, ItemStatus::Ok) << a.message;
    ASSERT_EQ(b.status, ItemStatus::Ok) << b.message;
    LoadedImage land = loadImage(outputDir + "land.jpg");
    // JPEG data under a .png name comes out as what it is, under .jpg.
    EXPECT_EQ(b.output, outputDir + "port.jpg");
    LoadedImage port = loadImage(outputDir + "port.jpg");
    EXPECT_EQ(land.image.size(), QSize(400, 300));
    EXPECT_EQ(land.resolution.x, 300.0f);
    EXPECT_EQ(port.image.size(), QSize(300, 400));
    EXPECT_EQ(port.format, ImageFileFormat::Jpeg);
    EXPECT_GT(testing::lumaPsnr(land.image, quadrants(400, 300)), 30.0);
    ASSERT_EQ(recorder.texts().size(), 2u);
    EXPECT_EQ(recorder.texts()[0], "已缩小第 5 张图片：land.jpg");
}

TEST_F(ResizeItem, restoresExifOnlyWhenAskedAndPresent) {
    Bytes exif = testing::exifPayload(6, testing::jpegWith(quadrants(16, 12), {}));
    dir.write("e.jpg", testing::jpegWith(quadrants(400, 300), {{0xE1, exif}}));
    auto hasExif = [](const std::string& path) {
        Bytes file = readFile(path);
        for (const testing::Segment& s : testing::segmentsOf(file))
            if (testing::isExifSegment(s))
                return true;
        return false;
    };
    struct Case {
        bool restore, itemHasExif, expected;
    } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
    for (const Case& c : cases) {
        ASSERT_EQ(
            resizeItem(item("e.jpg", 400, 300, c.itemHasExif), {200, c.restore}, outputDir).status,
            ItemStatus::Ok);
        EXPECT_EQ(hasExif(outputDir + "e.jpg"), c.expected) << c.restore << c.itemHasExif;
    }
}

TEST_F(ResizeItem, failuresWriteNothing) {
    Recorder recorder;
    dir.write("broken.jpg", "not a picture at all");
    ItemOutcome undecodable = resizeItem(item("broken.jpg", 4000, 3000), {800, false}, outputDir);
    EXPECT_EQ(undecodable.status, ItemStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(outputDir + "broken.jpg"));

    ASSERT_TRUE(saveAsJpeg(quadrants(100, 10), {}, dir.file("thin.jpg")));
    ItemOutcome zero = resizeItem(item("thin.jpg", 6000, 1), {100, false}, outputDir);
    EXPECT_EQ(zero.status, ItemStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(outputDir + "thin.jpg"));
    EXPECT_EQ(recorder.diagnostics().back(),
              "2  Attempt to save " + outputDir + "thin.jpg failed.\n");

    ItemOutcome missing =
        resizeItem(item("thin.jpg", 100, 10), {50, false}, dir.folder() + "nope/");
    EXPECT_EQ(missing.status, ItemStatus::Failed);

    testing::FailingFileOps ops;
    ops.failAt(testing::FailingFileOps::Op::WriteNewFile, 1);
    EXPECT_EQ(resizeItem(item("thin.jpg", 100, 10), {50, false}, outputDir, ops).status,
              ItemStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(outputDir + "thin.jpg"));
}

TEST_F(ResizeItem, neverWritesOverTheSource) {
    ASSERT_TRUE(saveAsJpeg(quadrants(400, 300), {}, dir.file("a.jpg")));
    Bytes before = readFile(dir.file("a.jpg"));
    BatchJob job = makeResizeJob({200, true});
    EXPECT_EQ(job.kind, BatchKind::Resize);
    EXPECT_EQ(batchKindInfo(job.kind).pattern,
              BatchPattern::PerItem);  // restoring EXIF keeps no shared state

    BatchEnvironment env;
    env.currentFolder = dir.folder();
    env.outputDir = dir.folder() + "./";  // the catalog's folder under another spelling
    WorkedRow row{0, item("a.jpg", 400, 300)};
    ItemOutcome outcome = job.perItem(row, env);
    EXPECT_EQ(outcome.status, ItemStatus::Failed);
    EXPECT_NE(outcome.message.find("覆盖原图"), std::string::npos);
    // Called directly, the routine refuses too.
    EXPECT_EQ(resizeItem(row.item, {200, false}, dir.folder()).status, ItemStatus::Failed);
    EXPECT_EQ(readFile(dir.file("a.jpg")), before);

    env.outputDir = outputDir;
    EXPECT_EQ(job.perItem(row, env).status, ItemStatus::Ok);
    EXPECT_EQ(readFile(dir.file("a.jpg")), before);
}

}  // namespace
}  // namespace pixmill
