#include "engine/imaging/catalog_thumbnail.h"

#include <gtest/gtest.h>

#include "engine/imaging/image_io.h"
#include "imaging/imaging_fixtures.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::quadrants;
using testing::TempDir;

CatalogItem itemAt(const std::string& path) {
    CatalogItem item;
    item.fullPath = path;
    item.fileName = path.substr(path.find_last_of('/') + 1);
    return item;
}

TEST(Thumbnail, placementFollowsTheBox) {
    struct Case {
        int w, h, boxW, boxH;
        ThumbnailPlacement expected;
    } cases[] = {
        {400, 100, 200, 160, {0, 55, 200, 50}},  // wider: touches left and right
        {100, 400, 200, 160, {80, 0, 40, 160}},  // taller: touches top and bottom
        {50, 30, 200, 160, {0, 0, 50, 30}},      // fits: top-left, not enlarged
        {200, 160, 200, 160, {0, 0, 200, 160}},  // exactly the box
        {400, 320, 200, 160, {0, 0, 200, 160}},  // equal ratios: the taller rule
        {4000, 3000, 100, 80, {0, 2, 100, 75}}, {3000, 4000, 100, 80, {20, 0, 60, 80}},
    };
    for (const Case& c : cases) {
        ThumbnailPlacement p = thumbnailPlacement(c.w, c.h, c.boxW, c.boxH);
        EXPECT_EQ(p.x, c.expected.x) << c.w << "x" << c.h;
        EXPECT_EQ(p.y, c.expected.y) << c.w << "x" << c.h;
        EXPECT_EQ(p.width, c.expected.width) << c.w << "x" << c.h;
        EXPECT_EQ(p.height, c.expected.height) << c.w << "x" << c.h;
    }
}

TEST(Thumbnail, rendersOnTheItemsBackground) {
    TempDir dir;
    ASSERT_TRUE(saveAsJpeg(quadrants(400, 100), {}, dir.file("wide.jpg")));
    CatalogItem item = itemAt(dir.file("wide.jpg"));
    QImage thumb = renderCatalogThumbnail(item, 200, 160);
    ASSERT_EQ(thumb.size(), QSize(200, 160));
    EXPECT_EQ(thumb.format(), QImage::Format_RGB888);
    EXPECT_EQ(thumb.pixelColor(100, 20), QColor(Qt::black));
    EXPECT_EQ(testing::quadrantAt(thumb, 20, 60), 'r');
    EXPECT_EQ(testing::quadrantAt(thumb, 180, 100), 'b');
    EXPECT_EQ(thumb.pixelColor(100, 140), QColor(Qt::black));

    item.thumbBackground = 0xFFFFFF;
    EXPECT_EQ(renderCatalogThumbnail(item, 200, 160).pixelColor(100, 20), QColor(Qt::white));

    // A small picture sits at its own size in the top-left corner.
    ASSERT_TRUE(saveByExtension(quadrants(40, 20), dir.file("small.png")));
    QImage small = renderCatalogThumbnail(itemAt(dir.file("small.png")), 100, 80);
    EXPECT_EQ(testing::quadrantAt(small, 2, 2), 'r');
    EXPECT_EQ(testing::quadrantAt(small, 38, 18), 'b');
    EXPECT_EQ(small.pixelColor(45, 10), QColor(Qt::black));

    dir.write("broken.jpg", "not a picture");
    QImage blank = renderCatalogThumbnail(itemAt(dir.file("broken.jpg")), 100, 80);
    EXPECT_EQ(blank.size(), QSize(100, 80));
    EXPECT_EQ(blank.pixelColor(50, 40), QColor(Qt::black));
}

TEST(Thumbnail, embeddedThumbnailStandsInOnlyWhenLargeEnough) {
    // The embedded thumbnail is all green, the picture itself is red: the colour shows which
    // one was drawn.
    QImage green(160, 120, QImage::Format_RGBX8888);
    green.fill(Qt::green);
    QImage red(800, 600, QImage::Format_RGBX8888);
    red.fill(Qt::red);
    TempDir dir;
    dir.write(
        "photo.jpg",
        testing::jpegWith(red, {{0xE1, testing::exifPayload(1, testing::jpegWith(green, {}))}}));
    CatalogItem item = itemAt(dir.file("photo.jpg"));
    EXPECT_EQ(testing::quadrantAt(renderCatalogThumbnail(item, 100, 80), 50, 40), 'g');
    EXPECT_EQ(testing::quadrantAt(renderCatalogThumbnail(item, 200, 160), 100, 80), 'r');

    // A letterboxed preview of another shape is not used.
    QImage squat(160, 60, QImage::Format_RGBX8888);
    squat.fill(Qt::green);
    dir.write(
        "other.jpg",
        testing::jpegWith(red, {{0xE1, testing::exifPayload(1, testing::jpegWith(squat, {}))}}));
    EXPECT_EQ(
        testing::quadrantAt(renderCatalogThumbnail(itemAt(dir.file("other.jpg")), 40, 30), 20, 15),
        'r');
}

}  // namespace
}  // namespace pixmill
