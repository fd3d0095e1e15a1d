#include <gtest/gtest.h>

#include <QPainter>

#include "engine/watermark/layer_clipboard.h"
#include "engine/watermark/watermark_layer.h"
#include "engine/watermark/watermark_text.h"
#include "support/temp_dir.h"
#include "watermark_test_support.h"

namespace pixmill {
namespace {

using testing::inkBox;
using testing::isDark;
using testing::near;
using testing::solidImage;

QImage drawOnWhite(const CWatermarkCtrl& layer, int width, int height, int dpi = 96,
                   const CatalogItem* item = nullptr) {
    QImage canvas = solidImage(width, height, Qt::white, QImage::Format_RGB32);
    canvas.setDotsPerMeterX(qRound(dpi / 0.0254));
    canvas.setDotsPerMeterY(qRound(dpi / 0.0254));
    QPainter painter(&canvas);
    layer.drawLayer(painter, item);
    return canvas;
}

CWatermarkCtrl textLayer(const std::string& text, int fontSize = 40) {
    CWatermarkCtrl layer;
    layer.text = text;
    layer.fontName = "WenQuanYi Micro Hei";
    layer.fontSize = fontSize;
    layer.shadow = 0;
    layer.rect = {0, 0, 400, 200};
    return layer;
}

TEST(NaturalSize, rotatedBoxOfA120By30Text) {
    struct Case {
        double w, h;
        int angle, width, height;
    };
    const Case cases[] = {
        {120, 30, 0, 120, 30},   {120, 30, 45, 107, 107}, {120, 30, 90, 31, 121},
        {120, 30, 180, 121, 31}, {120.4, 30, 0, 121, 30}, {120, 30, -90, 31, 121},
    };
    for (const Case& c : cases) {
        int width = 0, height = 0;
        rotatedTextBox(c.w, c.h, c.angle, width, height);
        EXPECT_EQ(width, c.width) << c.angle;
        EXPECT_EQ(height, c.height) << c.angle;
    }
}

TEST(NaturalSize, nothingToMeasureGives200By200) {
    CWatermarkCtrl empty;
    EXPECT_EQ(empty.naturalSize(), (LayoutRect{0, 0, 200, 200}));
    testing::TempDir folder;
    folder.write("broken.png", "not a picture");
    CWatermarkCtrl broken;
    broken.imagePath = folder.file("broken.png");
    broken.loadLayerImage();
    ASSERT_TRUE(broken.image.has_value());  // an image object of size 0 x 0
    EXPECT_TRUE(broken.image->isNull());
    EXPECT_EQ(broken.naturalSize(), (LayoutRect{0, 0, 200, 200}));
}

TEST(NaturalSize, pictureAndTextTakeTheLargerOfEachDimension) {
    testing::TempDir folder;
    testing::savePng(solidImage(300, 10, Qt::red), folder.file("bar.png"));
    CWatermarkCtrl layer = textLayer("水印");
    layer.imagePath = folder.file("bar.png");
    layer.loadLayerImage();
    LayoutRect natural = layer.naturalSize();
    QSizeF text = measureLayerText(layer, "水印");
    EXPECT_EQ(natural.width(), 300);
    EXPECT_EQ(natural.height(), static_cast<int>(std::ceil(text.height())));
    // 40 points at 96 per inch are 53.3 pixels: one line of text is about that tall.
    EXPECT_GT(text.height(), 50);
    EXPECT_LT(text.height(), 80);
}

TEST(LayerText, pixelSizeIgnoresTheResolutionOfTheSurface) {
    CWatermarkCtrl layer = textLayer("Pixmill 水印");
    QRect at96 = inkBox(drawOnWhite(layer, 400, 200, 96), isDark);
    QRect at300 = inkBox(drawOnWhite(layer, 400, 200, 300), isDark);
    QRect at72 = inkBox(drawOnWhite(layer, 400, 200, 72), isDark);
    ASSERT_FALSE(at96.isNull());
    EXPECT_EQ(at96, at300);
    EXPECT_EQ(at96, at72);
}

TEST(LayerText, textIsCentredAndItsShadowSitsThreePixelsDownRight) {
    CWatermarkCtrl layer = textLayer("WATERMARK");
    layer.rect = {100, 50, 500, 250};
    QRect ink = inkBox(drawOnWhite(layer, 600, 300), isDark);
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.center().x(), 300, 4);
    EXPECT_NEAR(ink.center().y(), 150, 6);
    // White text with a shadow on white shows only the shadow: the grey text moved by (3, 3),
    // less what the white text covers on its upper left.
    auto grey = [](const QColor& c) { return c.red() < 230; };
    layer.textColor = 0x00808080;
    QRect greyText = inkBox(drawOnWhite(layer, 600, 300), grey);
    layer.textColor = 0x00FFFFFF;
    layer.shadow = 1;
    QRect shadow = inkBox(drawOnWhite(layer, 600, 300), grey);
    ASSERT_FALSE(shadow.isNull());
    EXPECT_EQ(shadow.bottomRight(), greyText.bottomRight() + QPoint(3, 3));
    EXPECT_EQ(shadow.top(), greyText.top() + 3);
}

TEST(LayerText, linesOfAMultiLineTextAreLeftAligned) {
    CWatermarkCtrl layer = textLayer("I\nIIIIIIII");
    QImage canvas = drawOnWhite(layer, 400, 200);
    QRect all = inkBox(canvas, isDark);
    QRect firstLine = inkBox(canvas.copy(0, 0, 400, all.center().y()), isDark);
    ASSERT_FALSE(firstLine.isNull());
    EXPECT_NEAR(firstLine.left(), all.left(), 1);
    EXPECT_LT(firstLine.width() * 4, all.width());
}

TEST(LayerText, coloursAndTransparency) {
    CWatermarkCtrl layer;
    layer.textColor = 0x00336699;  // red 0x99, green 0x66, blue 0x33
    layer.opacity = 50;
    LayerTextColors opaque = layerTextColors(layer);
    EXPECT_EQ(opaque.text.rgba(), 0xFF996633u);
    EXPECT_EQ(opaque.shadow.rgba(), 0xFF808080u);
    layer.transparent = 1;
    LayerTextColors half = layerTextColors(layer);
    EXPECT_EQ(half.text.rgba(), 0x7F996633u);
    EXPECT_EQ(half.shadow.rgba(), 0x7F808080u);
    layer.opacity = 0;
    layer.text = "invisible";
    layer.fontName = "WenQuanYi Micro Hei";
    EXPECT_TRUE(inkBox(drawOnWhite(layer, 400, 200), isDark).isNull());
}

TEST(LayerText, missingFamilyFallsBackToAChineseSansSerif) {
    EXPECT_EQ(resolveFontFamily("No Such Font 42"), "WenQuanYi Micro Hei");
    EXPECT_EQ(resolveFontFamily("宋体"), "WenQuanYi Micro Hei");
    EXPECT_EQ(resolveFontFamily("DejaVu Serif"), "DejaVu Serif");
    CWatermarkCtrl layer = textLayer("版权所有");
    layer.fontName = "No Such Font 42";
    EXPECT_FALSE(inkBox(drawOnWhite(layer, 400, 200), isDark).isNull());
}

TEST(LayerText, tagsExpandOnlyForAnItem) {
    EXPECT_EQ(expandWatermarkText("<no> 号", nullptr), "<no> 号");
    if (!watermarkTagsAvailable())
        GTEST_SKIP() << "tag expansion is not linked in: the renaming module's TagRule is "
                        "not yet part of the build";
    CatalogItem item;
    item.number = 0;  // the first row after a load
    EXPECT_EQ(expandWatermarkText("<no> 号", &item), "0 号");
    item.number = 41;
    EXPECT_EQ(expandWatermarkText("<no>", &item), "41");
    EXPECT_EQ(expandWatermarkText("<maker> <photodate>", &item), " ");
}

TEST(LayerSize, fontSizeIsClampedAndRefitsOnlyOnChange) {
    CWatermarkCtrl layer = textLayer("Pixmill", 40);
    layer.refit();
    LayoutRect at40 = layer.rect;
    layer.setFontSize(5);
    EXPECT_EQ(layer.fontSize, 8);
    EXPECT_LT(layer.rect.height(), at40.height());
    layer.setFontSize(300);
    EXPECT_EQ(layer.fontSize, 200);
    LayoutRect at200 = layer.rect;
    EXPECT_GT(at200.height(), at40.height());
    layer.rect = {0, 0, 10, 10};
    layer.setFontSize(200);  // unchanged: no refit
    EXPECT_EQ(layer.rect, (LayoutRect{0, 0, 10, 10}));
}

TEST(LayerSize, refitKeepsTheCentreTruncatingHalves) {
    CWatermarkCtrl layer;             // empty: natural size 200 x 200
    layer.rect = {10, 20, 411, 221};  // 401 x 201
    layer.refit();
    // 10 + 401/2 - 100 = 110; 20 + 201/2 - 100 = 20
    EXPECT_EQ(layer.rect, (LayoutRect{110, 20, 310, 220}));
    testing::RecordingWindow window;
    layer.owner = &window;
    layer.rect = {0, 0, 100, 100};
    layer.refit();
    ASSERT_EQ(window.areas.size(), 2u);  // the old and the new place, with the handle margin
    EXPECT_EQ(window.areas[0], (LayoutRect{-5, -5, 105, 105}));
    EXPECT_EQ(window.areas[1], (LayoutRect{-55, -55, 155, 155}));
}

TEST(LayerHit, handlesLieOutsideTheRectangle) {
    CWatermarkCtrl layer;
    layer.rect = {100, 100, 200, 150};
    struct Probe {
        int x, y, hit;
    };
    const Probe probes[] = {
        {97, 97, kHitTopLeft},     {202, 97, kHitTopRight}, {202, 152, kHitBottomRight},
        {97, 152, kHitBottomLeft}, {150, 96, kHitTop},      {203, 125, kHitRight},
        {150, 154, kHitBottom},    {95, 125, kHitLeft},     {100, 100, kHitInside},
        {199, 149, kHitInside},    {94, 94, kHitNothing},   {130, 97, kHitNothing},
        {205, 125, kHitNothing},   {150, 155, kHitNothing},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(layer.hitTest(probe.x, probe.y), probe.hit) << probe.x << "," << probe.y;
}

TEST(LayerPicture, centredNeverScaledAndOverhangingEqually) {
    testing::TempDir folder;
    QImage picture = solidImage(300, 100, Qt::red);
    testing::savePng(picture, folder.file("wide.png"));
    CWatermarkCtrl layer;
    layer.imagePath = folder.file("wide.png");
    layer.loadLayerImage();
    layer.rect = {100, 20, 300, 120};  // reduced to 200 x 100
    QRect red = inkBox(drawOnWhite(layer, 500, 200),
                       [](const QColor& c) { return c.red() > 200 && c.green() < 50; });
    EXPECT_EQ(red, QRect(50, 20, 300, 100));  // from x = rect.left - 50
}

TEST(LayerPicture, opacityScalesAlphaWhateverTransparentSays) {
    testing::TempDir folder;
    testing::savePng(solidImage(50, 50, Qt::red), folder.file("red.png"));
    for (int transparent : {0, 1}) {
        CWatermarkCtrl layer;
        layer.imagePath = folder.file("red.png");
        layer.loadLayerImage();
        layer.rect = {0, 0, 50, 50};
        layer.transparent = transparent;
        layer.opacity = 40;
        QColor mixed = drawOnWhite(layer, 50, 50).pixelColor(25, 25);
        EXPECT_TRUE(near(mixed, QColor(255, 153, 153), 2)) << mixed.name().toStdString();
        layer.opacity = 0;
        EXPECT_EQ(drawOnWhite(layer, 50, 50).pixelColor(25, 25), QColor(Qt::white));
    }
}

TEST(LayerPicture, positiveAngleTurnsCounterClockwiseAboutTheCentre) {
    testing::TempDir folder;
    QImage picture = solidImage(60, 20, Qt::blue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            picture.setPixelColor(x, y, Qt::red);  // left half red
    testing::savePng(picture, folder.file("bar.png"));
    CWatermarkCtrl layer;
    layer.imagePath = folder.file("bar.png");
    layer.loadLayerImage();
    layer.rect = {20, 20, 80, 80};
    layer.angle = 90;
    QImage canvas = drawOnWhite(layer, 100, 100);
    // Turned a quarter counter-clockwise, the left end points down.
    EXPECT_TRUE(near(canvas.pixelColor(50, 70), Qt::red, 10));
    EXPECT_TRUE(near(canvas.pixelColor(50, 30), Qt::blue, 10));
    EXPECT_TRUE(near(canvas.pixelColor(25, 50), Qt::white, 10));
}

TEST(LayerClipboard, RoundTripsEveryValueAndRejectsForeignBytes) {
    LayerRecord r;
    r.rect = {-5, 7, 300, 90};
    r.text = "第一行\n<photodate>";
    r.imagePath = "/照片/logo.png";
    r.angle = -45;
    r.shadow = 0;
    r.transparent = 1;
    r.opacity = 12;
    r.textColor = 0xABCDEF;
    r.fontName = "Noto Sans";
    r.fontSize = 199;
    r.bold = r.italic = r.underline = 1;
    r.groupOffsetX = 3;
    r.groupOffsetY = 4;
    std::optional<LayerRecord> back = decodeLayerRecord(encodeLayerRecord(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rect, r.rect);
    EXPECT_EQ(back->text, r.text);
    EXPECT_EQ(back->imagePath, r.imagePath);
    EXPECT_EQ(back->angle, r.angle);
    EXPECT_EQ(back->shadow, 0);
    EXPECT_EQ(back->opacity, 12);
    EXPECT_EQ(back->textColor, 0xABCDEFu);
    EXPECT_EQ(back->fontName, r.fontName);
    EXPECT_EQ(back->fontSize, 199);
    EXPECT_EQ(back->underline, 1);
    EXPECT_EQ(back->groupOffsetY, 4);

    EXPECT_FALSE(decodeLayerRecord("not json"));
    EXPECT_FALSE(decodeLayerRecord(R"({"text":"x","left":1})"));  // no format mark
    EXPECT_FALSE(decodeLayerRecord("[1,2,3]"));
}

}  // namespace
}  // namespace pixmill
