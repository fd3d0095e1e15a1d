// Relative stamp size: the layout scaled so that its width is a share of each picture's width.
#include <gtest/gtest.h>

#include "engine/watermark/watermark_batch.h"
#include "support/temp_dir.h"
#include "watermark_test_support.h"

namespace pixmill {
namespace {

using testing::near;
using testing::solidImage;

bool isBlue(const QColor& c) {
    return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}
bool isRed(const QColor& c) {
    return c.red() > 200 && c.green() < 80 && c.blue() < 80;
}

// A 100 x 20 blue picture on top of a 100 x 40 layer of red text "MK", the group 100 x 60.
void badgeLayout(CControlTracker& group, const testing::TempDir& folder, int alignMode) {
    testing::savePng(solidImage(100, 20, Qt::blue), folder.file("badge.png"));
    auto picture = std::make_unique<CWatermarkCtrl>();
    picture->imagePath = folder.file("badge.png");
    picture->loadLayerImage();
    picture->rect = {0, 0, 100, 20};
    group.layers.push_back(std::move(picture));
    auto text = std::make_unique<CWatermarkCtrl>();
    text->text = "MK";
    text->fontName = "WenQuanYi Micro Hei";
    text->fontSize = 20;
    text->textColor = 0x0000FF;
    text->shadow = 0;
    text->rect = {0, 20, 100, 60};
    group.layers.push_back(std::move(text));
    group.header.alignMode = alignMode;
}

CatalogItem itemFor(const testing::TempDir& folder, const std::string& name) {
    CatalogItem item;
    item.fileName = name;
    item.fullPath = folder.file(name);
    return item;
}

TEST(StampScale, theLayoutsWidthBecomesTheShareOfThePictures) {
    const LayoutRect group{10, 0, 110, 30};  // 100 wide, wherever it starts
    EXPECT_EQ(stampScaleFor(0, group, 1000), 1.0);
    EXPECT_DOUBLE_EQ(stampScaleFor(20, group, 1000), 2.0);
    EXPECT_DOUBLE_EQ(stampScaleFor(20, group, 4000), 8.0);
    EXPECT_DOUBLE_EQ(stampScaleFor(5, group, 1000), 0.5);
    EXPECT_DOUBLE_EQ(stampScaleFor(250, group, 1000), 10.0);  // at most the whole width
    EXPECT_EQ(stampScaleFor(20, LayoutRect{}, 1000), 1.0);    // no layers: nothing to scale
    EXPECT_EQ(stampScaleFor(100, LayoutRect{0, 0, 1, 1}, 1 << 30), kMaxStampScale);
}

// The batch over a layout file: on a 1000-pixel and a 4000-pixel picture the stamp covers the
// same share of the width, in the same corner, text and picture alike.
TEST(StampWidth, mixedSizesGetTheSameShareInTheSameCorner) {
    testing::TempDir in, out;
    CControlTracker layout;
    badgeLayout(layout, in, 8);
    ASSERT_TRUE(layout.saveLayout(in.file("water.tmp")));
    BatchJob job = makeWatermarkJob(in.file("water.tmp"), 20, [](const std::string&) {});
    ASSERT_TRUE(job.prepare().isOk());
    BatchEnvironment env{in.folder(), out.folder()};
    QRect badges[2], texts[2];
    const int widths[2] = {1000, 4000};
    for (int i = 0; i < 2; ++i) {
        const int w = widths[i], h = w * 3 / 5;
        const std::string name = "p" + std::to_string(w) + ".png";
        testing::savePng(solidImage(w, h, Qt::green, QImage::Format_RGB32), in.file(name));
        WorkedRow row{i, itemFor(in, name)};
        ASSERT_EQ(job.perItem(row, env).status, ItemStatus::Ok);
        QImage stamped(QString::fromStdString(out.file(name)));
        ASSERT_EQ(stamped.size(), QSize(w, h));
        // Only the bottom-right quarter is searched; nothing may lie outside it.
        const QPoint corner(w / 2, h / 2);
        QImage quarter = stamped.copy(QRect(corner, QSize(w - corner.x(), h - corner.y())));
        badges[i] = testing::inkBox(quarter, isBlue).translated(corner);
        texts[i] = testing::inkBox(quarter, isRed).translated(corner);
        ASSERT_FALSE(badges[i].isNull());
        ASSERT_FALSE(texts[i].isNull());
        EXPECT_TRUE(near(stamped.pixelColor(w / 2 - 2, h / 2 - 2), Qt::green));
        // 20 % of the width, against the right edge, the group's bottom on the bottom edge.
        const double scale = w * 0.2 / 100;
        EXPECT_NEAR(badges[i].width(), w / 5, 2) << w;
        EXPECT_NEAR(badges[i].right(), w - 1, 1) << w;
        EXPECT_NEAR(badges[i].top(), h - 60 * scale, 2) << w;
        EXPECT_NEAR(badges[i].height(), 20 * scale, 2) << w;
        EXPECT_LT(texts[i].bottom(), h);
        EXPECT_GT(texts[i].top(), badges[i].bottom());
    }
    // The text grew with the picture: four times as wide and as tall, within a few pixels.
    EXPECT_NEAR(texts[1].width(), 4.0 * texts[0].width(), 0.05 * texts[1].width());
    EXPECT_NEAR(texts[1].height(), 4.0 * texts[0].height(), 0.05 * texts[1].height());
}

TEST(StampWidth, freePlacementAndBordersScaleWithTheLayout) {
    testing::TempDir in;
    testing::savePng(solidImage(20, 10, Qt::blue), in.file("dot.png"));
    CControlTracker group;
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->imagePath = in.file("dot.png");
    layer->loadLayerImage();
    layer->rect = {30, 40, 50, 50};
    group.layers.push_back(std::move(layer));
    group.header.borderOn = 1;
    group.header.borderColor = 0x0000FF;  // red
    group.header.borderLeft = 5;
    group.header.borderTop = 3;
    group.stampWidthPercent = 10;  // 10 % of 400 = 40 pixels: twice the layout's 20
    testing::savePng(solidImage(400, 300, Qt::green, QImage::Format_RGB32), in.file("p.png"));
    LoadedImage source = loadImage(in.file("p.png"));
    QImage stamped = stampPicture(source, group, nullptr);
    ASSERT_EQ(stamped.size(), QSize(410, 306));
    EXPECT_TRUE(near(stamped.pixelColor(9, 100), Qt::red, 2));
    EXPECT_TRUE(near(stamped.pixelColor(100, 5), Qt::red, 2));
    EXPECT_TRUE(near(stamped.pixelColor(10, 6), Qt::green, 2));
    // The layer at twice its place and twice its size: (60, 80) to (100, 100).
    QRect blue = testing::inkBox(stamped, isBlue);
    EXPECT_NEAR(blue.left(), 60, 1);
    EXPECT_NEAR(blue.top(), 80, 1);
    EXPECT_NEAR(blue.width(), 40, 1);
    EXPECT_NEAR(blue.height(), 20, 1);
    EXPECT_TRUE(source.image.isNull());  // consumed: one copy of the pixels
}

TEST(StampWidth, aTinyLayoutEnlargedOnABigPhotoIsDrawnInPlace) {
    testing::TempDir in;
    testing::savePng(solidImage(2, 1, Qt::blue), in.file("speck.png"));
    CControlTracker group;
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->imagePath = in.file("speck.png");
    layer->loadLayerImage();
    layer->rect = {0, 0, 2, 1};
    group.layers.push_back(std::move(layer));
    group.header.alignMode = 7;    // bottom centre
    group.stampWidthPercent = 50;  // 2 pixels become 3000
    testing::savePng(solidImage(6000, 4000, Qt::green, QImage::Format_RGB32), in.file("big.png"));
    LoadedImage source = loadImage(in.file("big.png"));
    QImage stamped = stampPicture(source, group, nullptr);
    ASSERT_EQ(stamped.size(), QSize(6000, 4000));
    EXPECT_TRUE(near(stamped.pixelColor(3000, 3990), Qt::blue, 30));
    EXPECT_TRUE(near(stamped.pixelColor(1510, 3000), Qt::blue, 30));
    EXPECT_TRUE(near(stamped.pixelColor(1490, 3990), Qt::green, 2));
    EXPECT_TRUE(near(stamped.pixelColor(4510, 3990), Qt::green, 2));
    EXPECT_TRUE(near(stamped.pixelColor(3000, 2490), Qt::green, 2));
}

TEST(StampWidth, aReducedPictureIsAveragedNotSampled) {
    // One-pixel black and white stripes: reduced to 30 % they must turn an even grey, where
    // blending the two source pixels nearest to each output pixel beats into bands.
    testing::TempDir in;
    QImage stripes(200, 40, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    testing::savePng(stripes, in.file("stripes.png"));
    CControlTracker group;
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->imagePath = in.file("stripes.png");
    layer->loadLayerImage();
    layer->rect = {0, 0, 200, 40};
    group.layers.push_back(std::move(layer));
    group.header.alignMode = 0;
    group.stampWidthPercent = 30;  // 60 of 200 pixels
    testing::savePng(solidImage(200, 100, Qt::red, QImage::Format_RGB32), in.file("p.png"));
    LoadedImage source = loadImage(in.file("p.png"));
    QImage stamped = stampPicture(source, group, nullptr);
    ASSERT_EQ(stamped.size(), QSize(200, 100));
    for (int y = 2; y < 10; ++y)
        for (int x = 2; x < 58; ++x) {
            const QColor c = stamped.pixelColor(x, y);
            EXPECT_NEAR(c.green(), 128, 30) << x << "," << y;
            EXPECT_NEAR(c.red(), c.green(), 4) << x << "," << y;
        }
    EXPECT_EQ(stamped.pixelColor(70, 20), QColor(Qt::red));
}

}  // namespace
}  // namespace pixmill
