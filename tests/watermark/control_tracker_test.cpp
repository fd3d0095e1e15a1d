#include <gtest/gtest.h>

#include <QPainter>

#include <cerrno>
#include <thread>

#include "engine/watermark/control_tracker.h"
#include "support/failing_file_ops.h"
#include "support/temp_dir.h"
#include "watermark_test_support.h"

namespace pixmill {
namespace {

std::unique_ptr<CWatermarkCtrl> layerAt(LayoutRect rect, std::string text = {}) {
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->rect = rect;
    layer->text = std::move(text);
    layer->fontName = "WenQuanYi Micro Hei";
    return layer;
}

// Three layers placed side by side (addLayer would stack them at the group's corner).
void placeThree(CControlTracker& group) {
    group.layers.push_back(layerAt({0, 0, 100, 100}));
    group.layers.push_back(layerAt({50, 50, 150, 150}));
    group.layers.push_back(layerAt({300, 0, 400, 50}));
}

std::vector<CWatermarkCtrl*> layerList(const CControlTracker& group) {
    std::vector<CWatermarkCtrl*> list;
    for (const auto& layer : group.layers)
        list.push_back(layer.get());
    return list;
}

TEST(Alignment, gridCellsPutTheGroupWithoutMargin) {
    const LayoutRect group{30, 40, 230, 140};  // 200 x 100
    struct Case {
        int mode, x, y;
    };
    const Case cases[] = {{-1, 30, 40},  {0, 0, 0},     {1, 400, 0},   {2, 800, 0},
                          {3, 0, 350},   {4, 400, 350}, {5, 800, 350}, {6, 0, 700},
                          {7, 400, 700}, {8, 800, 700}, {9, 0, 0},     {-2, 0, 0}};
    for (const Case& c : cases) {
        int x = -1, y = -1;
        alignedTopLeft(c.mode, 1000, 800, group, x, y);
        EXPECT_EQ(x, c.x) << "mode " << c.mode;
        EXPECT_EQ(y, c.y) << "mode " << c.mode;
    }
}

TEST(Alignment, aGroupLargerThanTheTargetOverhangsBothSides) {
    int x = 0, y = 0;
    alignedTopLeft(4, 1000, 800, LayoutRect{0, 0, 1201, 903}, x, y);
    EXPECT_EQ(x, -100);  // -201 / 2, truncated toward zero
    EXPECT_EQ(y, -51);
    alignedTopLeft(8, 1000, 800, LayoutRect{0, 0, 1201, 903}, x, y);
    EXPECT_EQ(x, -201);
    EXPECT_EQ(y, -103);
}

TEST(GroupOperations, addLayerStacksAtTheGroupCornerAndSelectsOnlyIt) {
    testing::RecordingWindow window;
    CControlTracker group(&window);
    EXPECT_EQ(group.groupBounds(), LayoutRect{});
    CWatermarkCtrl* first = group.addLayer(layerAt({70, 80, 170, 130}));
    EXPECT_EQ(first->rect, (LayoutRect{0, 0, 100, 50}));
    group.layers.front()->rect.offset(40, 30);
    CWatermarkCtrl* second = group.addLayer(layerAt({500, 500, 520, 600}));
    EXPECT_EQ(second->rect, (LayoutRect{40, 30, 60, 130}));
    EXPECT_FALSE(first->selected);
    EXPECT_TRUE(second->selected);
    EXPECT_EQ(group.current, second);
    EXPECT_EQ(group.groupBounds(), (LayoutRect{40, 30, 140, 130}));
    EXPECT_EQ(group.selectedBounds(), second->rect);
    EXPECT_GT(window.wholeRepaints, 0);
}

TEST(GroupOperations, selectionToggleRemoveAndOrder) {
    CControlTracker group;
    placeThree(group);
    auto [a, b, c] = std::tuple{layerList(group)[0], layerList(group)[1], layerList(group)[2]};
    EXPECT_TRUE(group.selectLayer(b));
    EXPECT_FALSE(group.selectLayer(b));
    EXPECT_EQ(group.current, b);
    EXPECT_EQ(group.selectedBounds(), b->rect);
    // Ctrl-click on the only selected layer: it leaves, the others join.
    EXPECT_FALSE(group.toggleLayer(b));
    EXPECT_TRUE(a->selected && !b->selected && c->selected);
    EXPECT_EQ(group.selectedBounds(), (LayoutRect{0, 0, 400, 100}));
    group.deselectAll();
    EXPECT_EQ(group.current, nullptr);
    EXPECT_EQ(group.selectedBounds(), LayoutRect{});
    group.selectAll();
    EXPECT_TRUE(a->selected && b->selected && c->selected);
    group.deselectAll();
    group.bringToTop(a);
    EXPECT_EQ(layerList(group), (std::vector<CWatermarkCtrl*>{b, c, a}));
    group.selectLayer(c);
    group.selectLayer(a);
    group.removeSelected();
    EXPECT_EQ(layerList(group), (std::vector<CWatermarkCtrl*>{b}));
    EXPECT_EQ(group.current, nullptr);
}

TEST(GroupOperations, theLowestLayerUnderAPointWins) {
    CControlTracker group;
    placeThree(group);
    int hit = 0;
    EXPECT_EQ(group.layerAt(75, 75, &hit), layerList(group)[0]);
    EXPECT_EQ(hit, kHitInside);
    EXPECT_EQ(group.layerAt(140, 140, &hit), layerList(group)[1]);
    EXPECT_EQ(group.layerAt(250, 250, &hit), nullptr);
    EXPECT_EQ(hit, kHitNothing);
}

TEST(LayoutFile, emptyGroupRoundTrips) {
    testing::TempDir folder;
    CControlTracker group;
    ASSERT_TRUE(group.saveLayout(folder.file("water.tmp")));
    EXPECT_EQ(testing::readFile(folder.file("water.tmp")).size(), 498u);
    CControlTracker loaded;
    loaded.layers.push_back(layerAt({1, 1, 2, 2}));
    ASSERT_TRUE(loaded.loadLayout(folder.file("water.tmp"), nullptr));
    EXPECT_TRUE(loaded.layers.empty());
    EXPECT_EQ(loaded.header.alignMode, -1);
}

TEST(LayoutFile, layersLoadBackAtTheirPlacesWithTheirProperties) {
    testing::TempDir folder;
    testing::savePng(testing::solidImage(40, 30, Qt::green), folder.file("logo.png"));
    CControlTracker group;
    group.header.alignMode = 8;
    group.layers.push_back(layerAt({120, 60, 320, 110}, "版权所有 ☃"));
    group.layers.push_back(layerAt({400, 200, 440, 230}));
    group.layers.back()->imagePath = folder.file("logo.png");
    group.layers.front()->angle = 30;
    group.layers.front()->opacity = 60;
    group.layers.front()->transparent = 1;
    ASSERT_TRUE(group.saveLayout(folder.file("water.tmp")));
    EXPECT_EQ(group.header.layerCount, 2);
    EXPECT_EQ(group.header.bounds, (LayoutRect{120, 60, 440, 230}));
    EXPECT_EQ(group.layers.back()->groupOffsetX, 280);
    EXPECT_EQ(group.layers.back()->groupOffsetY, 140);

    testing::RecordingWindow window;
    CControlTracker loaded(&window);
    ASSERT_TRUE(loaded.loadLayout(folder.file("water.tmp"), &window));
    ASSERT_EQ(loaded.layers.size(), 2u);
    const CWatermarkCtrl& text = *loaded.layers.front();
    const CWatermarkCtrl& picture = *loaded.layers.back();
    EXPECT_EQ(text.rect, (LayoutRect{120, 60, 320, 110}));
    EXPECT_EQ(text.text, "版权所有 ☃");
    EXPECT_EQ(text.angle, 30);
    EXPECT_EQ(text.opacity, 60);
    EXPECT_EQ(text.transparent, 1);
    EXPECT_EQ(text.owner, &window);
    EXPECT_EQ(picture.rect, (LayoutRect{400, 200, 440, 230}));
    ASSERT_TRUE(picture.image.has_value());
    EXPECT_EQ(picture.image->size(), QSize(40, 30));
    EXPECT_FALSE(text.selected || picture.selected);
    EXPECT_EQ(loaded.header.alignMode, 8);
}

TEST(LayoutFile, aDamagedFileLeavesTheGroupAsItWas) {
    testing::TempDir folder;
    CControlTracker group;
    group.layers.push_back(layerAt({0, 0, 10, 10}, "a"));
    group.layers.push_back(layerAt({0, 0, 10, 10}, "b"));
    ASSERT_TRUE(group.saveLayout(folder.file("water.tmp")));
    std::vector<unsigned char> bytes = testing::readFile(folder.file("water.tmp"));
    bytes.resize(bytes.size() - 7);
    folder.write("cut.tmp", bytes);

    CControlTracker canvas;
    canvas.header.alignMode = 4;
    canvas.layers.push_back(layerAt({5, 5, 50, 50}, "kept"));
    EXPECT_FALSE(canvas.loadLayout(folder.file("cut.tmp"), nullptr));
    EXPECT_FALSE(canvas.loadLayout(folder.file("absent.tmp"), nullptr));
    folder.write("empty.tmp", "");
    EXPECT_FALSE(canvas.loadLayout(folder.file("empty.tmp"), nullptr));
    ASSERT_EQ(canvas.layers.size(), 1u);
    EXPECT_EQ(canvas.layers.front()->text, "kept");
    EXPECT_EQ(canvas.header.alignMode, 4);
    // Why: the system's errno for a file that is not there, EINVAL for one that is no layout.
    EXPECT_EQ(canvas.loadLayout(folder.file("absent.tmp"), nullptr).code(), ENOENT);
    EXPECT_EQ(canvas.loadLayout(folder.file("cut.tmp"), nullptr).code(), EINVAL);
}

TEST(LayoutFile, outOfRangeValuesFromAFileAreBroughtIntoRange) {
    testing::TempDir folder;
    LayerRecord wild;
    wild.fontSize = 5000;
    wild.opacity = -20;
    wild.angle = 1000;
    std::vector<std::uint8_t> bytes = writeLayoutArchive(LayoutRecord{{}, {wild}});
    folder.write("wild.tmp", std::vector<unsigned char>(bytes.begin(), bytes.end()));
    CControlTracker group;
    ASSERT_TRUE(group.loadLayout(folder.file("wild.tmp"), nullptr));
    EXPECT_EQ(group.layers.front()->fontSize, 200);
    EXPECT_EQ(group.layers.front()->opacity, 0);
    EXPECT_EQ(group.layers.front()->angle, 1000);  // any angle turns; nothing to clamp
}

TEST(LayoutFile, aFailedWriteKeepsThePreviousFile) {
    testing::TempDir folder;
    CControlTracker group;
    group.layers.push_back(layerAt({0, 0, 10, 10}, "first"));
    ASSERT_TRUE(group.saveLayout(folder.file("water.tmp")));
    std::vector<unsigned char> before = testing::readFile(folder.file("water.tmp"));
    group.layers.front()->text = "second";
    for (auto op : {testing::FailingFileOps::Op::WriteNewFile,
                    testing::FailingFileOps::Op::RenameReplacing}) {
        testing::FailingFileOps failing;
        failing.failAt(op, 1);
        Result<> saved = group.saveLayout(folder.file("water.tmp"), failing);
        EXPECT_FALSE(saved);
        EXPECT_EQ(saved.code(), EIO);
        EXPECT_EQ(testing::readFile(folder.file("water.tmp")), before);
        EXPECT_FALSE(std::filesystem::exists(folder.file("water.tmp.part")));
    }
}

TEST(Rendering, theCanvasKeepsLayersWhereTheAlignmentPutThem) {
    CControlTracker group;
    group.header.alignMode = 8;
    group.layers.push_back(layerAt({10, 10, 60, 40}));
    group.layers.push_back(layerAt({70, 20, 110, 60}));
    QImage canvas(500, 400, QImage::Format_RGB32);
    QPainter painter(&canvas);
    group.renderAll(500, 400, painter, nullptr);
    EXPECT_EQ(group.groupBounds(), (LayoutRect{400, 350, 500, 400}));
    EXPECT_EQ(group.layers.front()->rect, (LayoutRect{400, 350, 450, 380}));
}

TEST(Rendering, imagesStampedAtOnceNeverShiftEachOthersLayers) {
    testing::TempDir folder;
    testing::savePng(testing::solidImage(30, 30, Qt::blue), folder.file("logo.png"));
    CControlTracker group;
    group.header.alignMode = 8;
    group.layers.push_back(layerAt({10, 10, 40, 40}));
    group.layers.front()->imagePath = folder.file("logo.png");
    group.layers.front()->loadLayerImage();
    group.layers.push_back(layerAt({50, 10, 450, 60}, "水印 Pixmill"));
    const CControlTracker& shared = group;
    const QSize sizes[] = {{300, 200}, {640, 480}, {200, 300}, {1000, 100}};
    auto stamp = [&shared](QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        shared.renderAligned(size.width(), size.height(), painter, nullptr);
        return image;
    };
    std::vector<QImage> alone;
    for (QSize size : sizes)
        alone.push_back(stamp(size));
    std::vector<QImage> together(std::size(sizes));
    std::vector<std::thread> threads;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < std::size(sizes); ++i)
            threads.emplace_back([&, i] { together[i] = stamp(sizes[i]); });
        for (std::thread& thread : threads)
            thread.join();
        threads.clear();
        for (std::size_t i = 0; i < std::size(sizes); ++i)
            EXPECT_EQ(together[i], alone[i]);
    }
    EXPECT_EQ(group.layers.front()->rect, (LayoutRect{10, 10, 40, 40}));
    // The picture sits in the bottom-right corner of each image, right edge against its edge.
    QImage wide = alone[3];
    EXPECT_TRUE(testing::near(wide.pixelColor(1000 - 440 + 15, 100 - 50 + 15), Qt::blue));
}

}  // namespace
}  // namespace pixmill
