#include "engine/imaging/crop_batch.h"

#include <gtest/gtest.h>

#include "engine/imaging/image_io.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrants;
using testing::Recorder;
using testing::TempDir;

TEST(Crop, rectangleIsResolvedAgainstThePicture) {
    struct Case {
        int w, h, x, y, width, height;
        CropRect expected;
    } cases[] = {
        {1024, 768, 0, 0, 800, 600, {0, 0, 800, 600}},
        {640, 480, 0, 0, 800, 600, {0, 0, 640, 480}},
        {1000, 800, 0, 0, -100, 0, {0, 0, 900, 800}},
        {1000, 800, 100, 50, -100, -50, {100, 50, 800, 700}},
        {1000, 800, 2000, 0, 300, 300, {0, 0, 300, 300}},
        {1000, 800, -300, 0, 0, 0, {700, 0, 300, 800}},
        {1000, 800, 0, 0, 0, 0, {0, 0, 1000, 800}},         // an all-empty row
        {1000, 800, -5000, -5000, 10, 10, {0, 0, 10, 10}},  // still negative: 0
        {1000, 800, 0, 0, -1000, -900, {0, 0, 1000, 800}},  // nothing left: the whole side
        {1000, 800, 1000, 0, 0, 0, {1000, 0, 0, 800}},      // X = w stays: nothing to cut
    };
    for (const Case& c : cases) {
        CropRect r = normalizeCropRect(c.w, c.h, c.x, c.y, c.width, c.height);
        EXPECT_EQ(r.x, c.expected.x) << c.x << "," << c.y << "," << c.width << "," << c.height;
        EXPECT_EQ(r.y, c.expected.y) << c.x << "," << c.y << "," << c.width << "," << c.height;
        EXPECT_EQ(r.width, c.expected.width) << c.x << "," << c.y << "," << c.width;
        EXPECT_EQ(r.height, c.expected.height) << c.x << "," << c.y << "," << c.height;
    }
}

TEST(Crop, cutsAndWritesTheFormatTheExtensionNames) {
    TempDir dir;
    ASSERT_TRUE(saveByExtension(quadrants(200, 100), dir.file("a.png")));
    ASSERT_TRUE(saveByExtension(quadrants(200, 100), dir.file("b.bmp")));
    dir.write("c.jpg",
              testing::jpegWith(quadrants(200, 100), {{0xE1, testing::exifPayload(1, {})}}));
    std::filesystem::create_directory(dir.path() / "out");
    for (const char* name : {"a.png", "b.bmp", "c.jpg"}) {
        SCOPED_TRACE(name);
        std::string out = dir.folder() + "out/" + name;
        // The right half less 10 pixels at the right: green over blue.
        ItemOutcome outcome = cropItem({100, 0, -10, 0}, dir.file(name), out);
        ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
        LoadedImage cut = loadImage(out);
        ASSERT_EQ(cut.image.size(), QSize(90, 100));
        EXPECT_EQ(cut.format, loadImage(dir.file(name)).format);
        EXPECT_EQ(testing::quadrantAt(cut.image, 45, 10), 'g');
        EXPECT_EQ(testing::quadrantAt(cut.image, 45, 90), 'b');
        Bytes file = testing::readFile(out);
        for (const testing::Segment& s : testing::segmentsOf(file))
            EXPECT_FALSE(testing::isExifSegment(s));
    }
}

TEST(Crop, nothingToCutLeavesNoOutput) {
    TempDir dir;
    ASSERT_TRUE(saveByExtension(quadrants(100, 100), dir.file("a.png")));
    dir.write("old.png", "an earlier result");
    dir.write("broken.png", "not a png");
    EXPECT_EQ(cropItem({100, 0, 0, 0}, dir.file("a.png"), dir.file("old.png")).status,
              ItemStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("old.png")));
    EXPECT_EQ(cropItem({0, 0, 0, 0}, dir.file("broken.png"), dir.file("x.png")).status,
              ItemStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

TEST(Crop, batchShowsRowNumbersAndRefusesTheCatalogFolder) {
    TempDir dir;
    ASSERT_TRUE(saveByExtension(quadrants(100, 100), dir.file("a.png")));
    std::filesystem::create_directory(dir.path() / "out");
    BatchJob job = makeCropJob({0, 0, 50, 50});
    EXPECT_EQ(job.kind, BatchKind::Crop);
    EXPECT_EQ(batchKindInfo(job.kind).pattern, BatchPattern::Sequential);
    BatchEnvironment env;
    env.currentFolder = dir.folder();
    env.outputDir = dir.folder() + "out/";
    CatalogItem item;
    item.fileName = "a.png";
    item.fullPath = dir.file("a.png");
    Recorder recorder;
    for (int row : {2, 4}) {
        WorkedRow worked{row, item};
        EXPECT_EQ(job.perItem(worked, env).status, ItemStatus::Ok);
    }
    EXPECT_EQ(recorder.texts(),
              (std::vector<std::string>{"正在裁剪第 3 个图片……", "正在裁剪第 5 个图片……"}));

    Bytes before = testing::readFile(dir.file("a.png"));
    env.outputDir = dir.folder();
    WorkedRow worked{0, item};
    EXPECT_EQ(job.perItem(worked, env).status, ItemStatus::Failed);
    EXPECT_EQ(testing::readFile(dir.file("a.png")), before);
}

}  // namespace
}  // namespace pixmill
