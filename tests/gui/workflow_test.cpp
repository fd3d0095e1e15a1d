// Every batch kind once, end to end from the main window as the program builds it: real JPEG
// files in a catalog folder, the real catalog plugins, tool panels and commands, the window's
// menus and start button, and the files read back from disk when the batch has ended.
//
// PIXMILL_WORKFLOW_CORPUS names a folder of JPEGs to copy (the first six) instead of the
// generated photos; PIXMILL_SHOT_DIR a folder that receives a screenshot of the window after
// each kind and one stamped output.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QToolBar>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "catalog_fixture.h"
#include "engine/catalog/folder_scan.h"
#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/rotate_batch.h"
#include "engine/jpegmeta/photo_info.h"
#include "gui/app/batch_results.h"
#include "gui/app/content_dialog.h"
#include "gui/app/main_commands.h"
#include "gui/app/main_dialog.h"
#include "gui/app/tool_panels.h"
#include "gui/controls/edit_list_ctrl.h"
#include "gui/controls/toolbox_dlg.h"
#include "gui/controls/user_prompter.h"
#include "gui/imaging/clip_image_dlg.h"
#include "gui/imaging/thumbnail_dlg.h"
#include "gui/jpegmeta/add_comments_dlg.h"
#include "gui/jpegmeta/batch_commands.h"
#include "gui/jpegmeta/update_time_dlg.h"
#include "gui/rename/rename_image_dlg.h"
#include "gui/watermark/color_picker_button.h"
#include "gui/watermark/grid_static.h"
#include "gui/watermark/preview_dlg.h"
#include "gui/watermark/water_image_dlg.h"
#include "gui/watermark/water_text_dlg.h"
#include "recording_prompter.h"
#include "support/jpeg_builder.h"
#include "window_fixture.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;
using testing::ByteVector;
using testing::kBatchLimitMs;
using testing::waitUntil;
constexpr int kAppSegment = 0xEC;  // APP12, a section no camera needs ("Ducky")

struct Section {
    int marker = 0;
    ByteVector payload;  // after the two length bytes
};

// The marker sections in front of the scan, read independently of the program's parsers.
std::vector<Section> sectionsOf(const ByteVector& jpeg) {
    std::vector<Section> sections;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const int marker = jpeg[at + 1];
        const std::size_t length = (std::size_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size())
            break;
        sections.push_back({marker, ByteVector(jpeg.begin() + static_cast<long>(at) + 4,
                                               jpeg.begin() + static_cast<long>(at + 2 + length))});
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return sections;
}

bool startsWith(const ByteVector& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

bool hasExif(const ByteVector& jpeg) {
    for (const Section& s : sectionsOf(jpeg))
        if (s.marker == 0xE1 && startsWith(s.payload, std::string_view("Exif\0\0", 6)))
            return true;
    return false;
}

int countOf(const ByteVector& jpeg, int marker) {
    const std::vector<Section> sections = sectionsOf(jpeg);
    return static_cast<int>(
        std::count_if(sections.begin(), sections.end(),
                      [marker](const Section& s) { return s.marker == marker; }));
}

std::optional<std::string> commentOf(const ByteVector& jpeg) {
    for (const Section& s : sectionsOf(jpeg))
        if (s.marker == 0xFE)
            return std::string(s.payload.begin(), s.payload.end());
    return std::nullopt;
}

ByteVector scanOf(const ByteVector& jpeg) {
    ByteVector scan;
    testing::listSections(jpeg, &scan);
    return scan;
}

// `jpeg` with one more section right after its SOI.
ByteVector withSection(const ByteVector& jpeg, int marker, std::string_view payload) {
    ByteVector section = testing::JpegBuilder().section(marker, payload).build();
    ByteVector out = jpeg;
    out.insert(out.begin() + 2, section.begin() + 2, section.end());
    return out;
}

std::string shootingTime(const std::string& path) {
    jpegmeta::PhotoInfo info;
    (void)jpegmeta::readPhotoInfoFile(path, info);
    return info.dateTime;
}

// exiftool's reading of DateTimeOriginal, when exiftool is installed.
// Not under ThreadSanitizer, which cannot follow a fork of a process with threads.
std::optional<std::string> exiftoolShootingTime(const std::string& path) {
#if defined(__SANITIZE_THREAD__)
    (void)path;
    return std::nullopt;
#endif
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(tool, {QStringLiteral("-s3"), QStringLiteral("-DateTimeOriginal"),
                         QString::fromStdString(path)});
    if (!process.waitForFinished(60000))
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
}

// As shown: Qt applies a JPEG's EXIF orientation, as the program does.
QImage decoded(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// The mean of |a - b| over every channel of every pixel; 255 when the sizes differ.
double meanDifference(const QImage& a, const QImage& b) {
    if (a.isNull() || a.size() != b.size())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) +
                   std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

// Which place near `expected` (within six pixels) `cut` was most likely cut from.
QPoint bestPlace(const QImage& cut, const QImage& source, QPoint expected) {
    QPoint best = expected;
    double smallest = 256;
    for (int dy = -6; dy <= 6; dy += 3) {
        for (int dx = -6; dx <= 6; dx += 3) {
            const QPoint at = expected + QPoint(dx, dy);
            const double difference = meanDifference(cut, source.copy(QRect(at, cut.size())));
            if (difference < smallest) {
                smallest = difference;
                best = at;
            }
        }
    }
    return best;
}

// Where `stamped` differs strongly from `source`: the bounding box and the pixel count.
struct Change {
    QRect box;
    int pixels = 0;
};
Change changeBetween(const QImage& source, const QImage& stamped) {
    Change change;
    if (source.size() != stamped.size())
        return change;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb p = source.pixel(x, y);
            const QRgb q = stamped.pixel(x, y);
            const int d = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                          std::abs(qBlue(p) - qBlue(q));
            if (d > 120) {
                change.box |= QRect(x, y, 1, 1);
                ++change.pixels;
            }
        }
    }
    return change;
}

// A camera-like photo: a picture with distinct corners (so that every turn and mirror shows),
// EXIF with maker, model and shooting time, a comment, XMP, IPTC and a third-party section.
ByteVector generatedPhoto(int width, int height, int seed, const std::string& shotAt) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y,
                             qRgb(40 + 160 * x / width, 40 + 160 * y / height, 60 + seed * 30));
    for (int y = 0; y < height / 4; ++y)
        for (int x = 0; x < width / 5; ++x)
            picture.setPixel(x, y, qRgb(250, 250, 250));
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", 92);
    const ByteVector plain(encoded.begin(), encoded.end());

    testing::TiffBuilder tiff;
    tiff.ifd0().ascii(0x010F, "NIKON CORPORATION").ascii(0x0110, "NIKON D90");
    tiff.exifIfd().undefined(0x9000, "0230").ascii(0x9003, shotAt);
    return testing::JpegBuilder()
        .jfif()
        .exif(tiff.build())
        .xmp()
        .iptc()
        .comment("Created by the camera")
        .section(kAppSegment, std::string_view("Ducky\0\0\0\0\x50", 10))
        .image(plain)
        .build();
}

std::vector<fs::path> corpusFiles() {
    std::vector<fs::path> files;
    const char* folder = std::getenv("PIXMILL_WORKFLOW_CORPUS");
    if (!folder || !*folder)
        return files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        QString extension = QString::fromStdString(entry.path().extension().string()).toLower();
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".jpeg"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    if (files.size() > 6)
        files.resize(6);
    return files;
}

QString watermarkLibrary() {
    const char* data = std::getenv("PIXMILL_DATA_DIR");
    return QString::fromUtf8(data && *data ? data : PIXMILL_SOURCE_DATA_DIR) +
           QStringLiteral("/水印");
}

class WorkflowTest : public testing::WindowFixture {
  protected:
    void SetUp() override {
        settings.outputDir = QString::fromStdString(output.folder());
        const std::vector<fs::path> corpus = corpusFiles();
        for (const fs::path& file : corpus)
            fs::copy_file(file, photos.path() / file.filename());
        if (corpus.empty()) {
            testing::writeBytes(photos.file("IMG_0001.jpg"),
                                generatedPhoto(640, 480, 0, "2013:05:20 23:30:00"));
            testing::writeBytes(photos.file("IMG_0002.jpg"),
                                generatedPhoto(640, 480, 1, "2013:12:31 23:10:05"));
            testing::writeBytes(photos.file("IMG_0003.jpg"),
                                generatedPhoto(480, 640, 2, "2014:02:28 08:00:00"));
            testing::writeBytes(photos.file("IMG_0004.jpg"),
                                generatedPhoto(640, 480, 3, "2014:06:01 12:00:00"));
        }
        fs::copy(fs::path(watermarkLibrary().toStdString()),
                 fs::path(settings.programDir.toStdString()) / "水印", fs::copy_options::recursive);

        openWindow();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(waitUntil([this] { return model().rowCount() > 0 && idle(); }, kBatchLimitMs));
        ASSERT_GE(model().rowCount(), 3);
    }

    std::string pathOf(int row) { return model().item(row).fullPath; }
    ByteVector bytesOf(int row) { return testing::readBytes(pathOf(row)); }

    void tickOnly(std::initializer_list<int> rows) {
        model().setAllTicked(false);
        for (int row : rows)
            model().setData(model().index(row, 0), Qt::Checked, Qt::CheckStateRole);
    }

    // What the window's "批量操作" menu entry for `command` does.
    void choose(int command) {
        const QList<QAction*> actions = window->commandActions(command);
        ASSERT_FALSE(actions.isEmpty()) << command;
        actions.first()->trigger();
    }
    void pressStart() { window->startButton()->click(); }

    // Waits for the batch to end and the window to be ready again; `shotName` names the
    // screenshot of the window then.
    void finishBatch(const char* shotName) {
        ASSERT_TRUE(waitUntil([this] { return idle(); }, kBatchLimitMs)) << shotName;
        QApplication::processEvents();
        saveShot(window->grab().toImage(), shotName);
    }

    static void saveShot(const QImage& image, const char* name) {
        const char* folder = std::getenv("PIXMILL_SHOT_DIR");
        if (!folder || !*folder)
            return;
        QDir().mkpath(QString::fromUtf8(folder));
        image.save(QString::fromUtf8(folder) + "/" + QString::fromUtf8(name) + ".png");
    }
};

TEST_F(WorkflowTest, RenamePanelRenamesTheTickedFilesOnDiskAndInTheCatalog) {
    const int rows = model().rowCount();
    const std::string untouched = model().item(rows - 1).fileName;
    model().setAllTicked(true);
    model().setTicked(rows - 1, false);

    choose(command::kRename);
    auto* panel = dynamic_cast<CRenameImageDlg*>(panels.toolbox->currentPanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(window->startButton()->text(), "开始批量重命名");
    panel->ruleEdit()->setPlainText("trip_<no>");
    pressStart();
    finishBatch("rename");

    for (int row = 0; row < rows - 1; ++row) {
        const std::string expected = "trip_" + std::to_string(row + 1) + ".jpg";
        EXPECT_EQ(model().item(row).fileName, expected);
        EXPECT_EQ(model().item(row).fullPath, photos.file(expected));
        EXPECT_TRUE(fs::exists(photos.file(expected))) << expected;
    }
    EXPECT_EQ(model().item(rows - 1).fileName, untouched);
    EXPECT_TRUE(fs::exists(photos.file(untouched)));
    // The photos and the record from which the rename can be undone.
    EXPECT_EQ(std::distance(fs::directory_iterator(photos.path()), fs::directory_iterator()),
              rows + 1);
    EXPECT_TRUE(fs::exists(photos.file(".pixmill-rename.undo")));
    EXPECT_EQ(shell.folders, QStringList{QString::fromStdString(photos.folder())});
}

TEST_F(WorkflowTest, ResizePanelWritesBoundedCopiesIntoTheOutputFolderAndLeavesTheSources) {
    tickOnly({0, 1, 2});
    std::vector<ByteVector> before;
    std::vector<QSize> sizes;
    for (int row = 0; row < 3; ++row) {
        before.push_back(bytesOf(row));
        sizes.push_back(decoded(pathOf(row)).size());
    }

    choose(command::kResize);
    auto* panel = dynamic_cast<CThumbnailDlg*>(panels.toolbox->currentPanel());
    ASSERT_NE(panel, nullptr);
    QRadioButton* custom = panel->schemeRadio(2);
    QTest::mouseClick(custom, Qt::LeftButton, Qt::NoModifier, QPoint(6, custom->height() / 2));
    ASSERT_TRUE(custom->isChecked());
    panel->widthEdit()->setText("400");
    pressStart();
    finishBatch("resize");

    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const std::string name = model().item(row).fileName;
        const QImage out = decoded(output.file(name));
        const QSize expected = sizes[row].scaled(400, 400, Qt::KeepAspectRatio);
        EXPECT_EQ(out.size(), expected);
        EXPECT_LT(meanDifference(
                      out, decoded(pathOf(row))
                               .scaled(expected, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
                  4);
        EXPECT_TRUE(hasExif(testing::readBytes(output.file(name))));  // the source's EXIF back
        EXPECT_EQ(bytesOf(row), before[row]);
    }
    if (model().rowCount() > 3) {
        EXPECT_FALSE(fs::exists(output.file(model().item(3).fileName)));
    }
    EXPECT_EQ(shell.folders, QStringList{settings.outputDir});
}

TEST_F(WorkflowTest, CropDialogCutsItsSchemeOutOfEveryTickedPhoto) {
    tickOnly({0, 2});
    const QImage first = decoded(pathOf(0));
    const QImage third = decoded(pathOf(2));
    const ByteVector before = bytesOf(0);
    panels.commands->setDialogRunner([](QDialog& dialog) {
        auto& crop = dynamic_cast<CClipImageDlg&>(dialog);
        const int row = crop.schemeList()->appendRow({"workflow", "100", "50", "300", "200"});
        crop.schemeList()->selectRow(row);
        crop.markRow(row);
        saveShot(dialog.grab().toImage(), "crop-dialog");
        crop.accept();
        return crop.result() == QDialog::Accepted;
    });
    choose(command::kCrop);
    finishBatch("crop");

    for (const auto& [row, source] : {std::pair{0, first}, std::pair{2, third}}) {
        SCOPED_TRACE(row);
        const QImage cut = decoded(output.file(model().item(row).fileName));
        ASSERT_EQ(cut.size(), QSize(300, 200));
        EXPECT_LT(meanDifference(cut, source.copy(100, 50, 300, 200)), 8);
        EXPECT_EQ(bestPlace(cut, source, QPoint(100, 50)), QPoint(100, 50));
    }
    EXPECT_FALSE(fs::exists(output.file(model().item(1).fileName)));
    EXPECT_EQ(bytesOf(0), before);
    EXPECT_EQ(shell.folders, QStringList{settings.outputDir});
}

TEST_F(WorkflowTest, RotationsAndFlipsTurnTheTickedFilesInPlace) {
    tickOnly({0, 2});
    const QImage original = decoded(pathOf(0));
    const ByteVector untouched = bytesOf(1);
    const QSize size = original.size();
    const bool hadExif = hasExif(bytesOf(0));

    struct Step {
        int command;
        const char* shot;
        QImage expected;  // row 0's picture after the step
    };
    const QImage mirrored = original.mirrored(true, false);
    const Step steps[] = {
        {command::kRotateRight, "rotate-right", original.transformed(QTransform().rotate(90))},
        {command::kRotateLeft, "rotate-left", original},
        {command::kFlipHorizontal, "flip-left-right", mirrored},
        {command::kFlipVertical, "flip-top-bottom", mirrored.mirrored(false, true)},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.shot);
        choose(step.command);
        finishBatch(step.shot);
        const QImage now = decoded(pathOf(0));
        EXPECT_EQ(now.size(), step.expected.size());
        EXPECT_LT(meanDifference(now, step.expected), 5);
        EXPECT_EQ(QSize(model().item(0).width, model().item(0).height), now.size());
        EXPECT_EQ(hasExif(bytesOf(0)), hadExif);
        EXPECT_EQ(bytesOf(1), untouched);
        // The catalog shows the turned picture, not the one before.
        const QImage fresh = renderCatalogThumbnail(model().item(0), 100, 80);
        EXPECT_TRUE(waitUntil(
            [&] {
                const QImage shown = model().thumbnail(0);
                return shown.size() == fresh.size() && meanDifference(shown, fresh) < 3;
            },
            kBatchLimitMs));
    }
    // The last picture differs from the original everywhere but in its symmetric parts.
    EXPECT_GT(meanDifference(decoded(pathOf(0)), original), 10);
    EXPECT_EQ(decoded(pathOf(0)).size(), size);
    EXPECT_TRUE(shell.folders.isEmpty());
}

TEST_F(WorkflowTest, ShiftTimeAndCommentDialogsRewriteOnlyTheTickedFilesMetadata) {
    window->imageList()->setViewMode(2);  // the details show the shooting times; it reloads
    ASSERT_TRUE(waitUntil([this] { return idle(); }, kBatchLimitMs));
    tickOnly({0, 1});
    const ByteVector untouched = bytesOf(2);
    std::vector<ByteVector> scans = {scanOf(bytesOf(0)), scanOf(bytesOf(1))};
    std::vector<std::string> shifted;
    for (int row = 0; row < 2; ++row) {
        const QDateTime at =
            QDateTime::fromString(QString::fromStdString(shootingTime(pathOf(row))),
                                  QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        ASSERT_TRUE(at.isValid());
        shifted.push_back(
            at.addSecs(3600).toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toStdString());
    }

    panels.commands->setDialogRunner([](QDialog& dialog) {
        auto& time = dynamic_cast<CUpdateTimeDlg&>(dialog);
        time.hoursEdit()->setText("1");
        saveShot(dialog.grab().toImage(), "shift-time-dialog");
        time.accept();
        return time.result() == QDialog::Accepted;
    });
    choose(command::kShiftTime);
    finishBatch("shift-time");
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(shootingTime(pathOf(row)), shifted[row]);
        if (auto oracle = exiftoolShootingTime(pathOf(row))) {
            EXPECT_EQ(*oracle, shifted[row]);
        }
        EXPECT_EQ(model().item(row).shootingDate, shifted[row]);
    }

    const QString comment = QStringLiteral("拍摄于 workflow\nsecond line");
    panels.commands->setDialogRunner([&comment](QDialog& dialog) {
        auto& add = dynamic_cast<CAddCommentsDlg&>(dialog);
        add.commentEdit()->setPlainText(comment);
        add.accept();
        return add.result() == QDialog::Accepted;
    });
    choose(command::kAddComment);
    finishBatch("add-comment");
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        const ByteVector now = bytesOf(row);
        EXPECT_EQ(commentOf(now), std::string("拍摄于 workflow\r\nsecond line"));
        EXPECT_EQ(countOf(now, 0xFE), 1);
        EXPECT_EQ(shootingTime(pathOf(row)), shifted[row]);
        EXPECT_EQ(scanOf(now), scans[row]);
    }
    EXPECT_EQ(bytesOf(2), untouched);
}

TEST_F(WorkflowTest, DeletingCommandsAskFirstAndStripOnlyTheirSections) {
    // Every photo gets a section no camera writes, so that "non-original" has work to do.
    for (int row = 0; row < model().rowCount(); ++row) {
        if (countOf(bytesOf(row), kAppSegment) == 0)
            testing::writeBytes(pathOf(row), withSection(bytesOf(row), kAppSegment, "Ducky"));
    }
    tickOnly({0, 1});
    std::vector<ByteVector> originals;
    std::vector<std::string> shotAt;
    for (int row = 0; row < 3; ++row) {
        originals.push_back(bytesOf(row));
        shotAt.push_back(shootingTime(pathOf(row)));
    }

    prompter.answer = false;
    choose(command::kDeleteExif);
    finishBatch("delete-exif-refused");
    EXPECT_EQ(prompter.shown.last(), confirmationFor(command::kDeleteExif));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(bytesOf(row), originals[row]) << row;

    prompter.answer = true;
    choose(command::kDeleteComment);
    finishBatch("delete-comment");
    choose(command::kDeleteNonOriginalExif);
    finishBatch("delete-non-original");
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        const ByteVector now = bytesOf(row);
        EXPECT_FALSE(commentOf(now).has_value());
        EXPECT_EQ(countOf(now, kAppSegment), 0);
        EXPECT_TRUE(hasExif(now));
        EXPECT_EQ(shootingTime(pathOf(row)), shotAt[row]);
        EXPECT_EQ(scanOf(now), scanOf(originals[row]));
    }

    ASSERT_EQ(model().item(0).isExif, 1);
    choose(command::kDeleteExif);
    finishBatch("delete-exif");
    for (int row = 0; row < 2; ++row) {
        EXPECT_FALSE(hasExif(bytesOf(row))) << row;
        EXPECT_EQ(scanOf(bytesOf(row)), scanOf(originals[row]));
        // The catalog shows the files as they are now, not the details they had.
        const CatalogItem shown = model().item(row);
        EXPECT_EQ(shown.isExif, 0) << row;
        EXPECT_EQ(shown.apertureFNumber, 0.0f) << row;
        EXPECT_EQ(shown.fileSize, bytesOf(row).size()) << row;
    }

    // Pure JPEG from the toolbar's "更多功能" menu, on the third photo alone.
    tickOnly({2});
    const ByteVector first = bytesOf(0);
    window->commandActions(command::kMore).first()->trigger();
    QMenu* more = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        more = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return more != nullptr;
    }));
    QAction* pure = nullptr;
    for (QAction* action : more->actions())
        if (action->data().toInt() == command::kPureJpeg)
            pure = action;
    ASSERT_NE(pure, nullptr);
    saveShot(more->grab().toImage(), "more-menu");
    more->close();
    pure->trigger();
    finishBatch("pure-jpeg");
    const ByteVector pured = bytesOf(2);
    EXPECT_FALSE(hasExif(pured));
    EXPECT_FALSE(commentOf(pured).has_value());
    for (int marker : {0xE1, 0xE2, 0xEC, 0xED})
        EXPECT_EQ(countOf(pured, marker), 0) << marker;
    EXPECT_EQ(scanOf(pured), scanOf(originals[2]));
    EXPECT_FALSE(decoded(pathOf(2)).isNull());
    EXPECT_EQ(bytesOf(0), first);
    EXPECT_TRUE(shell.folders.isEmpty());
}

TEST_F(WorkflowTest, TextWatermarkIsStampedInTheAlignedCornerOnly) {
    tickOnly({0, 1});
    choose(command::kTextWatermark);
    EXPECT_TRUE(window->content()->layoutViewShown());
    EXPECT_EQ(panels.toolbox->currentPanel()->panelId(), kTextWatermarkPanelId);
    CWaterTextDlg* text = panels.textPanel;
    text->textEdit()->setPlainText(QStringLiteral("WORKFLOW"));
    text->sizeList()->setCurrentIndex(72 - 8);
    text->colorButton()->pick(0x0000FF);  // red, as 0x00BBGGRR
    text->shadowBox()->setChecked(false);
    text->addButton()->click();
    ASSERT_EQ(panels.canvas->group().layers.size(), 1u);
    QTest::mouseClick(text->grid(), Qt::LeftButton, Qt::NoModifier, QPoint(95, 95));
    const LayoutRect layer = panels.canvas->group().layers.front()->rect;
    saveShot(window->grab().toImage(), "text-layout");

    pressStart();
    finishBatch("text-watermark");
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        const QImage source = decoded(pathOf(row));
        const QImage stamped = decoded(output.file(model().item(row).fileName));
        ASSERT_EQ(stamped.size(), source.size());
        if (row == 0)
            saveShot(stamped, "text-watermark-output");
        // The group is aligned to the bottom-right corner; nothing changed outside its box.
        const QRect aligned(source.width() - layer.width(), source.height() - layer.height(),
                            layer.width(), layer.height());
        const Change change = changeBetween(source, stamped);
        EXPECT_GT(change.pixels, 200);
        EXPECT_TRUE(aligned.adjusted(-4, -4, 4, 4).contains(change.box))
            << change.box.x() << "," << change.box.y() << " " << change.box.width() << "x"
            << change.box.height();
        const QRect away(0, 0, source.width(), source.height() - layer.height() - 8);
        EXPECT_LT(meanDifference(stamped.copy(away), source.copy(away)), 4);
    }
    EXPECT_FALSE(fs::exists(output.file(model().item(2).fileName)));
    EXPECT_EQ(shell.folders, QStringList{settings.outputDir});
}

TEST_F(WorkflowTest, PictureWatermarkIsStampedWhereTheLayerWasDragged) {
    tickOnly({0});
    choose(command::kImageWatermark);
    EXPECT_TRUE(window->content()->layoutViewShown());
    CWaterImageDlg* library = panels.imagePanel;
    ASSERT_TRUE(waitUntil([&] { return library->scanFinished(); }, kBatchLimitMs));
    ASSERT_GT(library->thumbnailView()->count(), 0);
    ASSERT_TRUE(waitUntil([&] { return library->pendingThumbnails() == 0; }, kBatchLimitMs));
    QListWidget* thumbs = library->thumbnailView();
    QTest::mouseClick(thumbs->viewport(), Qt::LeftButton, Qt::NoModifier,
                      thumbs->visualItemRect(thumbs->item(0)).center());
    ASSERT_EQ(panels.canvas->group().layers.size(), 1u);
    CWatermarkCtrl* layer = panels.canvas->group().layers.front().get();
    const LayoutRect added = layer->rect;
    ASSERT_GT(added.width(), 10);

    // Dragged by its middle 150 pixels right and 80 down.
    const QPoint grip(added.left + added.width() / 2, added.top + added.height() / 2);
    QTest::mousePress(panels.canvas, Qt::LeftButton, Qt::NoModifier, grip);
    QTest::mouseMove(panels.canvas, grip + QPoint(75, 40));
    QTest::mouseRelease(panels.canvas, Qt::LeftButton, Qt::NoModifier, grip + QPoint(150, 80));
    const LayoutRect placed = layer->rect;
    EXPECT_EQ(placed.left, added.left + 150);
    EXPECT_EQ(placed.top, added.top + 80);

    pressStart();
    finishBatch("image-watermark");
    const QImage source = decoded(pathOf(0));
    const QImage stamped = decoded(output.file(model().item(0).fileName));
    ASSERT_EQ(stamped.size(), source.size());
    saveShot(stamped, "image-watermark-output");
    const QRect at(placed.left, placed.top, placed.width(), placed.height());
    const Change change = changeBetween(source, stamped);
    EXPECT_GT(change.pixels, 50);
    EXPECT_TRUE(at.adjusted(-4, -4, 4, 4).contains(change.box))
        << change.box.x() << "," << change.box.y() << " " << change.box.width() << "x"
        << change.box.height();
    EXPECT_LT(
        meanDifference(
            stamped.copy(0, at.bottom() + 8, source.width(), source.height() - at.bottom() - 8),
            source.copy(0, at.bottom() + 8, source.width(), source.height() - at.bottom() - 8)),
        4);
}

// The output folder set to the catalog's own: the stamped copies would replace the originals.
TEST_F(WorkflowTest, WatermarkIntoTheCatalogFolderLeavesTheOriginals) {
    settings.outputDir = QString::fromStdString(photos.folder());
    tickOnly({0});
    const ByteVector before = bytesOf(0);
    choose(command::kTextWatermark);
    panels.textPanel->addButton()->click();
    pressStart();
    finishBatch("watermark-refused");
    EXPECT_EQ(bytesOf(0), before);
    // The user is told, not left with the batch's opening text, and can read why.
    EXPECT_EQ(window->statusPart(1)->text(), QStringLiteral("完成：0 张成功，1 张失败"));
    ASSERT_NE(window->resultsDialog(), nullptr);
    EXPECT_TRUE(window->resultsDialog()->isVisible());
    saveShot(window->resultsDialog()->grab().toImage(), "watermark-refused-results");
    QTableWidget* table = window->resultsDialog()->table();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 0)->text().toStdString(), model().item(0).fileName);
    EXPECT_FALSE(table->item(0, 2)->text().isEmpty());
}

// A menu command confirmed while another batch runs is refused with a word, not dropped.
TEST_F(WorkflowTest, AMenuBatchConfirmedWhileAnotherRunsIsRefusedInAMessage) {
    tickOnly({0});
    const ByteVector before = bytesOf(0);
    std::atomic<bool> release{false};
    const BatchJob slow = testing::heldBatch(BatchKind::Watermark, release);
    ASSERT_EQ(window->batchDriver().start(slow, window->batchEnvironment()), "");
    prompter.answer = true;
    prompter.shown.clear();
    choose(command::kDeleteComment);
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[0], confirmationFor(command::kDeleteComment));
    EXPECT_EQ(prompter.shown[1], QStringLiteral("正在进行批量处理，请等处理完成后再操作"));
    release = true;
    finishBatch("menu-refused");
    EXPECT_EQ(bytesOf(0), before);
}

}  // namespace
}  // namespace pixmill
