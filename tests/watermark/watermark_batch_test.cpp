#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSettings>

#include <mutex>
#include <thread>

#include "engine/app/app_paths.h"
#include "engine/watermark/watermark_batch.h"
#include "engine/watermark/watermark_options.h"
#include "support/status_recorder.h"
#include "support/temp_dir.h"
#include "watermark_test_support.h"

namespace pixmill {
namespace {

using testing::near;
using testing::solidImage;

struct Logged {
    std::mutex mutex;
    std::vector<std::string> entries;
    ErrorLogFunction function() {
        return [this](const std::string& text) {
            std::lock_guard lock(mutex);
            entries.push_back(text);
        };
    }
};

CatalogItem itemFor(const testing::TempDir& folder, const std::string& name, int number = 0) {
    CatalogItem item;
    item.number = number;
    item.fileName = name;
    item.fullPath = folder.file(name);
    return item;
}

QImage readBack(const std::string& path) {
    return QImage(QString::fromStdString(path));
}

// A picture-only layer of `color`, `size` pixels square, in a group aligned by `alignMode`.
void pictureGroup(CControlTracker& group, const testing::TempDir& folder, QColor color, int size,
                  int alignMode) {
    testing::savePng(solidImage(size, size, color), folder.file("logo.png"));
    auto layer = std::make_unique<CWatermarkCtrl>();
    layer->imagePath = folder.file("logo.png");
    layer->loadLayerImage();
    layer->rect = {0, 0, size, size};
    group.layers.push_back(std::move(layer));
    group.header.alignMode = alignMode;
}

TEST(WatermarkImage, borderWidensTheCanvasAndTheGroupAlignsInTheWhole) {
    testing::TempDir in, out;
    testing::savePng(solidImage(640, 480, Qt::green), in.file("photo.png"));
    CControlTracker group;
    pictureGroup(group, in, Qt::blue, 20, 8);
    group.header.borderOn = 1;
    group.header.borderColor = 0x000000FF;  // red
    group.header.borderTop = 10;
    group.header.borderBottom = 20;
    group.header.borderLeft = 5;
    group.header.borderRight = 5;
    Logged log;
    ItemOutcome outcome =
        watermarkImage(itemFor(in, "photo.png"), group, out.folder(), log.function());
    ASSERT_EQ(outcome.status, ItemStatus::Ok) << outcome.message;
    EXPECT_EQ(outcome.output, out.file("photo.png"));
    QImage result = readBack(out.file("photo.png"));
    ASSERT_EQ(result.size(), QSize(650, 510));
    EXPECT_TRUE(near(result.pixelColor(2, 2), Qt::red));
    EXPECT_TRUE(near(result.pixelColor(2, 300), Qt::red));
    EXPECT_TRUE(near(result.pixelColor(300, 500), Qt::red));
    EXPECT_TRUE(near(result.pixelColor(7, 12), Qt::green));  // source from (5, 10)
    EXPECT_TRUE(near(result.pixelColor(642, 487), Qt::green));
    // The picture lies against the border's outer corner.
    EXPECT_TRUE(near(result.pixelColor(647, 507), Qt::blue));
    EXPECT_TRUE(near(result.pixelColor(632, 492), Qt::blue));
    EXPECT_TRUE(log.entries.empty());
    // A PNG source stays a PNG under its own name.
    std::vector<unsigned char> bytes = testing::readFile(out.file("photo.png"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0x89);
    EXPECT_EQ(bytes[1], 'P');
}

TEST(WatermarkImage, transparentSourcePixelsComeOutWhite) {
    testing::TempDir in, out;
    QImage source = solidImage(100, 80, QColor(0, 0, 0, 0));
    testing::savePng(source, in.file("cutout.png"));
    CControlTracker group;  // no layers: the copy is only re-encoded
    ASSERT_EQ(watermarkImage(itemFor(in, "cutout.png"), group, out.folder(), {}).status,
              ItemStatus::Ok);
    QImage result = readBack(out.file("cutout.png"));
    ASSERT_EQ(result.size(), QSize(100, 80));
    EXPECT_TRUE(near(result.pixelColor(50, 40), Qt::white, 2));
}

TEST(WatermarkImage, failuresAreLoggedAndWriteNothing) {
    testing::TempDir in, out;
    in.write("broken.jpg", "not a picture");
    testing::savePng(solidImage(10, 10, Qt::gray), in.file("fine.png"));
    CControlTracker group;
    Logged log;
    ItemOutcome undecodable =
        watermarkImage(itemFor(in, "broken.jpg"), group, out.folder(), log.function());
    EXPECT_EQ(undecodable.status, ItemStatus::Failed);
    EXPECT_FALSE(std::filesystem::exists(out.file("broken.jpg")));
    ItemOutcome unsaved = watermarkImage(itemFor(in, "fine.png"), group,
                                         out.file("missing-folder") + "/", log.function());
    EXPECT_EQ(unsaved.status, ItemStatus::Failed);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"save file failed: " + in.file("broken.jpg"),
                                                     "save file failed: " + in.file("fine.png")}));
}

TEST(WatermarkImage, progressCountsFromOne) {
    testing::TempDir in, out;
    testing::savePng(solidImage(10, 10, Qt::gray), in.file("a.png"));
    testing::StatusRecorder status;
    CControlTracker group;
    watermarkImage(itemFor(in, "a.png", 4), group, out.folder(), {});
    status.uninstall();
    EXPECT_EQ(status.texts(), (std::vector<std::string>{"已为第 5 张图片添加水印：a.png"}));
}

TEST(WatermarkJob, anUnreadableLayoutRefusesTheBatch) {
    testing::TempDir folder;
    BatchJob missing = makeWatermarkJob(folder.file("absent.tmp"));
    EXPECT_EQ(missing.kind, BatchKind::Watermark);
    EXPECT_EQ(batchKindInfo(missing.kind).pattern, BatchPattern::PerItem);
    ASSERT_TRUE(missing.prepare);
    EXPECT_FALSE(missing.prepare().isOk());
    folder.write("damaged.tmp", std::string("\xFF\xFF\x00\x00\x13\x00", 6));
    EXPECT_FALSE(makeWatermarkJob(folder.file("damaged.tmp")).prepare().isOk());
}

TEST(WatermarkJob, rowsStampedOnThePoolMatchRowsStampedAlone) {
    testing::TempDir in, out, alone;
    for (int i = 0; i < 8; ++i)
        testing::savePng(
            solidImage(400 + 40 * i, 150 + 10 * i, QColor(20 * i, 200, 100), QImage::Format_RGB32),
            in.file("p" + std::to_string(i) + ".png"));
    WatermarkLayerOptions options;
    options.text = "水印 Pixmill";
    options.shadow = true;
    options.opacity = 60;
    options.alignMode = 8;
    options.fontName = "WenQuanYi Micro Hei";
    ASSERT_TRUE(writeOneLayerLayout(options, in.file("water.tmp")));
    Logged log;
    BatchJob job = makeWatermarkJob(in.file("water.tmp"), log.function());
    ASSERT_TRUE(job.prepare().isOk());
    BatchEnvironment sequential{in.folder(), alone.folder()};
    BatchEnvironment parallel{in.folder(), out.folder()};
    std::vector<WorkedRow> rows;
    for (int i = 0; i < 8; ++i)
        rows.push_back(WorkedRow{i, itemFor(in, "p" + std::to_string(i) + ".png", i)});
    for (WorkedRow row : rows)
        ASSERT_EQ(job.perItem(row, sequential).status, ItemStatus::Ok);
    // Plain threads rather than a QThreadPool, so ThreadSanitizer sees every hand-over.
    std::vector<std::thread> workers;
    for (std::size_t first = 0; first < 4; ++first)
        workers.emplace_back([&, first] {
            for (std::size_t i = first; i < rows.size(); i += 4)
                job.perItem(rows[i], parallel);
        });
    for (std::thread& worker : workers)
        worker.join();
    for (const WorkedRow& row : rows) {
        std::string name = row.item.fileName;
        EXPECT_EQ(testing::readFile(out.file(name)), testing::readFile(alone.file(name))) << name;
    }
    // Grey shadow and black text at 60 % in the bottom-right corner, nothing top-left.
    QImage first = readBack(out.file("p0.png"));
    QRect ink = testing::inkBox(first, [](const QColor& c) { return c.green() < 150; });
    ASSERT_FALSE(ink.isNull());
    EXPECT_GE(ink.right(), 390);
    EXPECT_GE(ink.bottom(), 140);
    EXPECT_GT(ink.left(), 100);
    EXPECT_GT(ink.top(), 60);
    EXPECT_TRUE(log.entries.empty());
}

TEST(WatermarkOptions, webColoursBecomeBgrValues) {
    EXPECT_EQ(parseWebColor("FF8000"), 0x000080FFu);
    EXPECT_EQ(parseWebColor("#0000ff"), 0x00FF0000u);
    EXPECT_EQ(parseWebColor("000000"), 0u);
    for (const char* bad : {"", "FF80", "FF80001", "GG0000", "#", "12 456"})
        EXPECT_FALSE(parseWebColor(bad)) << bad;
}

TEST(WatermarkOptions, oneLayerLayoutKeepsThePanelDefaults) {
    testing::TempDir folder;
    WatermarkLayerOptions options;
    options.text = "Pixmill";
    ASSERT_TRUE(writeOneLayerLayout(options, folder.file("water.tmp")));
    CControlTracker group;
    ASSERT_TRUE(group.loadLayout(folder.file("water.tmp"), nullptr));
    ASSERT_EQ(group.layers.size(), 1u);
    const CWatermarkCtrl& layer = *group.layers.front();
    EXPECT_EQ(layer.fontName, "宋体");
    EXPECT_EQ(layer.fontSize, 28);
    EXPECT_EQ(std::vector<int>({layer.shadow, layer.transparent, layer.opacity, layer.angle,
                                layer.bold, layer.italic, layer.underline, int(layer.textColor)}),
              std::vector<int>({0, 0, 100, 0, 0, 0, 0, 0}));
    EXPECT_EQ(group.header.alignMode, -1);
    EXPECT_EQ(layer.rect.left, 0);
    EXPECT_EQ(layer.rect.top, 0);
    EXPECT_EQ(layer.rect, layer.naturalSize());

    options.opacity = 60;
    options.fontSize = 500;
    options.alignMode = 4;
    buildOneLayerLayout(options, group);
    EXPECT_EQ(group.layers.front()->transparent, 1);
    EXPECT_EQ(group.layers.front()->fontSize, 200);
    EXPECT_EQ(group.header.alignMode, 4);
}

TEST(WatermarkOptions, aPictureLayerTakesThePictureSize) {
    testing::TempDir folder;
    testing::savePng(solidImage(120, 45, Qt::red), folder.file("seal.png"));
    WatermarkLayerOptions options;
    options.picturePath = folder.file("seal.png");
    CControlTracker group;
    buildOneLayerLayout(options, group);
    EXPECT_EQ(group.layers.front()->rect, (LayoutRect{0, 0, 120, 45}));
}

TEST(ErrorLog, entriesAreNumberedFromOneWithTheLocalTime) {
    testing::TempDir config;
    setConfigDirectory(QString::fromStdString(config.folder()));
    appendBatchErrorLog("save file failed: /a/b.jpg");
    QSettings profile(profileIniPath(), QSettings::IniFormat);
    profile.beginGroup("error");
    QStringList keys = profile.childKeys();
    ASSERT_EQ(keys.size(), 1);
    EXPECT_TRUE(QRegularExpression("^1_\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                    .match(keys.front())
                    .hasMatch())
        << keys.front().toStdString();
    EXPECT_EQ(profile.value(keys.front()).toString(), "save file failed: /a/b.jpg");
}

}  // namespace
}  // namespace pixmill
