// The folder scan, the history and the loading thread over real folders.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QSettings>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/app/profile.h"
#include "engine/catalog/catalog_loader.h"
#include "engine/catalog/folder_scan.h"
#include "engine/catalog/photo_fields.h"
#include "engine/platform/status.h"
#include "support/jpeg_builder.h"
#include "support/status_recorder.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

std::vector<std::string> namesOf(const std::vector<CatalogItem>& items) {
    std::vector<std::string> names;
    for (const CatalogItem& item : items)
        names.push_back(item.fileName);
    return names;
}

TEST(PhotoFieldsTest, ARowKeepsThePhotoFieldsWithTheSizeAsShown) {
    jpegmeta::PhotoInfo info;
    info.width = 40;
    info.height = 20;
    info.isExif = true;
    info.dateTime = "2012:11:05 08:10:45";
    info.cameraMake = "NIKON CORPORATION";
    info.cameraModel = "NIKON D90";
    info.exposureTime = 0.004f;
    info.apertureFNumber = 5.6f;
    info.exposureBias = -0.3f;
    info.whiteBalance = 1;
    info.exposureProgram = 2;
    info.isoEquivalent = 200;
    info.flashUsed = 1;
    for (int orientation = 0; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        info.orientation = orientation;
        CatalogItem item;
        fillCatalogItem(info, item);
        const bool sideways = orientation >= 5;
        EXPECT_EQ(item.width, sideways ? 20 : 40);
        EXPECT_EQ(item.height, sideways ? 40 : 20);
        EXPECT_EQ(item.isExif, 1);
        EXPECT_EQ(item.shootingDate, info.dateTime);
        EXPECT_EQ(item.cameraMake, info.cameraMake);
        EXPECT_EQ(item.cameraModel, info.cameraModel);
        EXPECT_FLOAT_EQ(item.exposureTime, 0.004f);
        EXPECT_FLOAT_EQ(item.apertureFNumber, 5.6f);
        EXPECT_FLOAT_EQ(item.exposureBias, -0.3f);
        EXPECT_EQ(item.whiteBalance, 1);
        EXPECT_EQ(item.exposureProgram, 2);
        EXPECT_EQ(item.isoEquivalent, 200);
        EXPECT_EQ(item.flashUsed, 1);
    }
}

TEST(PhotoFieldsTest, ReadsTheFileIntoTheRowAndLeavesAFailedOneEmpty) {
    testing::TempDir dir;
    testing::TiffBuilder tiff;
    tiff.ifd0().ascii(0x0110, "NIKON D90");
    tiff.exifIfd().rational(0x829D, 56, 10).ascii(0x9003, "2012:11:05 08:10:45");
    const std::string path = dir.file("a.jpg");
    testing::writeBytes(path, testing::JpegBuilder().exif(tiff.build()).image().build());
    ::chmod(path.c_str(), 0444);
    CatalogItem item;
    EXPECT_TRUE(readPhotoInfoInto(path, item));
    EXPECT_EQ(item.shootingDate, "2012:11:05 08:10:45");
    EXPECT_EQ(item.isExif, 1);
    EXPECT_FLOAT_EQ(item.apertureFNumber, 5.6f);
    EXPECT_EQ(item.width, 16);

    CatalogItem missing;
    EXPECT_FALSE(readPhotoInfoInto(dir.file("missing.jpg"), missing));
    EXPECT_EQ(missing.width, 0);
    EXPECT_EQ(missing.isExif, 0);
}

TEST(FolderScanTest, AcceptsTheImageTypesInAnyCaseAndNothingElse) {
    testing::TempDir folder;
    for (const char* name :
         {"a.JPG", "b.jpeg", "c.png", "d.bmp", "e.gif", "f", "g.", "h.jpe", "i.Jpeg", "j.tif",
          "k.HEIC", "l.heif", "m.WebP", "n.TIFF", "o.avif", "p.heic.txt"}) {
        folder.write(name, "x");
    }
    std::filesystem::create_directory(folder.path() / "sub.jpg");  // a folder, not an image
    folder.write("sub.jpg/inner.jpg", "x");
    // A FIFO named like a photo is never listed, so nothing ever waits on it.
    ASSERT_EQ(::mkfifo(folder.file("q.heic").c_str(), 0600), 0);
    const auto items = scanFolder(QString::fromStdString(folder.folder()), readPhotoDetails);
    EXPECT_EQ(namesOf(items),
              (std::vector<std::string>{"a.JPG", "b.jpeg", "c.png", "d.bmp", "e.gif", "i.Jpeg",
                                        "j.tif", "k.HEIC", "l.heif", "m.WebP", "n.TIFF"}));
    for (const CatalogItem& item : items)
        EXPECT_EQ(item.width, 0) << item.fileName;  // one byte describes no picture
    EXPECT_EQ(items[0].fullPath, folder.folder() + "a.JPG");
    EXPECT_EQ(items[0].fileSize, 1u);
    EXPECT_EQ(items[0].number, -1);
}

// A 4 × 3 red GIF.
const std::vector<unsigned char> kSmallGif = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x03, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00, 0x00,
    0x00, 0x00, 0xff, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45,
    0x54, 0x53, 0x43, 0x41, 0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x00,
    0x00, 0x00, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x02, 0x03, 0x84, 0x8f, 0x56, 0x00, 0x3b};

TEST(FolderScanTest, InputOnlyFormatsShowTheirSizeAndAHeicItsPhotoDetails) {
    testing::TempDir folder;
    const QImage picture(90, 60, QImage::Format_RGB32);
    ASSERT_TRUE(picture.save(QString::fromStdString(folder.file("a.webp")), "WEBP"));
    ASSERT_TRUE(picture.save(QString::fromStdString(folder.file("b.tif")), "TIFF"));
    folder.write("c.gif", kSmallGif);
    const std::string phone = std::string(PIXMILL_REAL_PHOTOS) + "/heic/iphone_13_pro_max.HEIC";
    const bool withPhone = std::filesystem::exists(phone);
    if (withPhone)
        std::filesystem::copy_file(phone, folder.file("d.HEIC"));
    else if (std::getenv("CI"))
        ADD_FAILURE() << "the real photos are missing: " << PIXMILL_REAL_PHOTOS;

    const auto items = scanFolder(QString::fromStdString(folder.folder()), readPhotoDetails);
    ASSERT_EQ(items.size(), withPhone ? 4u : 3u);
    EXPECT_EQ(QSize(items[0].width, items[0].height), QSize(90, 60));
    EXPECT_EQ(QSize(items[1].width, items[1].height), QSize(90, 60));
    EXPECT_EQ(QSize(items[2].width, items[2].height), QSize(4, 3));
    EXPECT_EQ(items[0].isExif, 0);
    if (!withPhone)
        return;
    // Shown turned by the file's own rotation; the EXIF block read as a JPEG's would be.
    const CatalogItem& heic = items[3];
    EXPECT_EQ(QSize(heic.width, heic.height), QSize(3024, 4032));
    EXPECT_EQ(heic.isExif, 1);
    EXPECT_EQ(heic.cameraMake, "Apple");
    EXPECT_EQ(heic.cameraModel, "iPhone 13 Pro Max");
    EXPECT_EQ(heic.shootingDate, "2022:02:16 12:55:41");
    EXPECT_FLOAT_EQ(heic.exposureTime, 1.0f / 60);
    EXPECT_NEAR(heic.apertureFNumber, 1.5f, 0.01f);
    EXPECT_EQ(heic.isoEquivalent, 250);
}

TEST(FolderScanTest, OrdersByUpperCasedNameThenBytesAndReadsEveryFile) {
    testing::TempDir folder;
    for (const char* name : {"b.jpg", "B.jpg", "a_1.jpg", "A.jpg", "照片.jpg", "z.png", "_x.jpg"}) {
        folder.write(name, "");
    }
    std::vector<std::string> read;
    std::vector<int> counts;
    const auto items = scanFolder(
        QString::fromStdString(folder.path().string()),  // without the trailing separator
        [&](const std::string& path, CatalogItem& item) {
            read.push_back(path);
            item.width = 7;
        },
        [&](int count) { counts.push_back(count); });
    // "A" < "A_1" (shorter first) < "B" (upper-case bytes before lower on a tie) < "b" < "Z" <
    // "_X" ('_' sorts after the upper-case letters) < CJK.
    EXPECT_EQ(namesOf(items), (std::vector<std::string>{"A.jpg", "a_1.jpg", "B.jpg", "b.jpg",
                                                        "z.png", "_x.jpg", "照片.jpg"}));
    EXPECT_EQ(read.size(), 7u);
    EXPECT_EQ(items[3].width, 7);
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(scanFolder("/no/such/folder", {}).empty());
}

TEST(FolderHistoryTest, MovesToTheFrontAndKeepsTen) {
    FolderHistory history;
    for (int i = 0; i < 10; ++i)
        history.use(QString("/f%1").arg(i));
    EXPECT_EQ(history.entries().front(), "/f9");
    history.use("/f9");
    EXPECT_EQ(history.entries().size(), 10);
    EXPECT_EQ(history.entries().front(), "/f9");
    history.use("/f3");
    EXPECT_EQ(history.entries().front(), "/f3");
    EXPECT_EQ(history.entries().size(), 10);
    history.use("/eleventh");
    EXPECT_EQ(history.entries().size(), 10);
    EXPECT_EQ(history.entries().front(), "/eleventh");
    EXPECT_FALSE(history.entries().contains("/f0"));  // the oldest went
    history.use("/F3");                               // case-sensitive: a new entry
    EXPECT_EQ(history.entries().front(), "/F3");
}

TEST(FolderHistoryTest, StoredEntriesAreTrimmedAndMustExist) {
    testing::TempDir config, a, b;
    SettingsProfile profile(QString::fromStdString(config.file("Velumark.conf")));
    const QString folderA = QString::fromStdString(a.folder());
    const QString folderB = QString::fromStdString(b.folder());
    profile.writeString("history", "urls", "  " + folderA + " |/gone/|" + folderB + "|");
    FolderHistory history;
    history.load(profile);
    EXPECT_EQ(history.entries(), (QStringList{folderA, folderB}));
    history.use("/gone2");
    history.save(profile);
    EXPECT_EQ(profile.readString("history", "urls", ""), "/gone2|" + folderA + "|" + folderB + "|");
}

TEST(FolderHistoryTest, OneEntryPerFolderHoweverItIsSpelt) {
    FolderHistory history;
    history.use("/p");
    history.use("/q/");
    history.use("/p/");
    EXPECT_EQ(history.entries(), (QStringList{"/p/", "/q/"}));
    history.use("/q/../q");
    history.use("/q");
    EXPECT_EQ(history.entries(), (QStringList{"/q", "/p/"}));

    testing::TempDir config, a;
    SettingsProfile profile(QString::fromStdString(config.file("Velumark.conf")));
    const QString folder = QString::fromStdString(a.folder());  // with its trailing "/"
    profile.writeString("history", "urls", folder + "|" + folder.chopped(1) + "|");
    history.load(profile);
    EXPECT_EQ(history.entries(), QStringList{folder});
}

class RecordingObserver : public LoadObserver {
  public:
    explicit RecordingObserver(CatalogModel& model) : model(model) {}
    void loadBegin() override {
        events.push_back("begin rows=" + std::to_string(model.rowCount()));
    }
    void historyChanged(const QStringList& entries) override {
        events.push_back("history " + entries.front().toStdString());
    }
    void loadEnd(int count) override {
        events.push_back("end " + std::to_string(count) +
                         " rows=" + std::to_string(model.rowCount()));
    }
    CatalogModel& model;
    std::vector<std::string> events;
};

class LoaderTest : public ::testing::Test {
  protected:
    LoaderTest() : profile(QString::fromStdString(config.file("Velumark.conf"))), observer(model) {}

    CatalogLoader makeLoader() {
        return CatalogLoader(LoaderSetup{&model, &gate, &profile, nullptr, &observer, {}});
    }

    testing::TempDir config;
    SettingsProfile profile;
    CatalogModel model;
    WorkGate gate;
    testing::StatusRecorder status;
    RecordingObserver observer;
};

TEST_F(LoaderTest, ThreadedLoadRunsBeginHistoryRowsEndInOrder) {
    testing::TempDir photos;
    photos.write("1.jpg", "");
    photos.write("2.png", "");
    CatalogLoader loader(LoaderSetup{&model, &gate, &profile, nullptr, &observer, {}});
    const QString folder = QString::fromStdString(photos.folder());
    ASSERT_TRUE(loader.loadFolder(folder));
    EXPECT_FALSE(loader.loadFolder(folder));  // a second load while one runs is refused
    loader.wait();

    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"begin rows=0", "history " + folder.toStdString(),
                                        "end 2 rows=2"}));
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.tickedCount(), 2);
    EXPECT_EQ(model.item(1).number, 1);
    EXPECT_EQ(model.currentFolder(), folder);
    EXPECT_EQ(profile.readString("path", "lastview", ""), folder);
    EXPECT_EQ(profile.readString("history", "urls", ""), folder + "|");
    // The refusal of the second load may land anywhere among the loader's own texts.
    std::vector<std::string> texts = status.tagged();
    std::erase(texts, "1:" + WorkGate::refusalFor(WorkKind::Load));
    EXPECT_EQ(texts, (std::vector<std::string>{"1:正在加载图片，请稍等……", "1:已找到 1 张图片",
                                               "1:已找到 2 张图片",
                                               "1:共加载 2 张图片，可以进行批量操作了"}));
    EXPECT_FALSE(gate.busy());
}

TEST_F(LoaderTest, EmptyFolderEndsWithTheNoImagesTextAndMissingFolderDoesNothing) {
    testing::TempDir empty;
    CatalogLoader loader(LoaderSetup{&model, &gate, &profile, nullptr, &observer, {}});
    EXPECT_FALSE(loader.loadFolderNow(""));
    EXPECT_FALSE(loader.loadFolderNow("/no/such/folder"));
    EXPECT_TRUE(observer.events.empty());

    ASSERT_TRUE(loader.loadFolderNow(QString::fromStdString(empty.path().string())));
    EXPECT_EQ(observer.events.back(), "end 0 rows=0");
    EXPECT_EQ(status.tagged().back(), "1:未发现任何图片，请检查目录：" + empty.path().string());
}

TEST_F(LoaderTest, RefusedWhileABatchRuns) {
    testing::TempDir photos;
    photos.write("1.jpg", "");
    CatalogLoader loader(LoaderSetup{&model, &gate, &profile, nullptr, &observer, {}});
    ASSERT_TRUE(gate.tryEnter(WorkKind::Batch));
    EXPECT_FALSE(loader.loadFolder(QString::fromStdString(photos.folder())));
    EXPECT_EQ(status.tagged().back(), "1:" + WorkGate::refusalFor(WorkKind::Batch));
    gate.leave();
    EXPECT_TRUE(observer.events.empty());
}

}  // namespace
}  // namespace pixmill
