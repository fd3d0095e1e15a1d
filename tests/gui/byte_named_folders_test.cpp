// Folders whose names are not UTF-8 (made under another locale, or by a camera): the window
// finds, shows, changes and remembers them by their bytes.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>

#include "engine/catalog/folder_history.h"
#include "engine/platform/native_path.h"
#include "gui/app/main_commands.h"
#include "gui/catalog/full_screen_preview.h"
#include "gui/catalog/image_list_dialog.h"
#include "gui/controls/toolbox_dlg.h"
#include "gui/imaging/thumbnail_dlg.h"
#include "support/jpeg_builder.h"
#include "window_fixture.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;
using testing::ByteVector;
using testing::kBatchLimitMs;
using testing::waitUntil;

ByteVector encoded(int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return ByteVector(bytes.begin(), bytes.end());
}

QSize decodedSize(const std::string& path) {
    const ByteVector bytes = testing::readBytes(path);
    return QImage::fromData(bytes.data(), int(bytes.size())).size();
}

class ByteNamedFolders : public testing::WindowFixture {
  protected:
    void SetUp() override {
        // Latin-1 "é" and a lone 0xFF: neither is UTF-8.
        folder = photos.folder() + "相册\xe9";
        outFolder = output.folder() + "out\xff/";
        fs::create_directory(folder);
        testing::writeBytes(folder + "/IMG_1.jpg", encoded(640, 480, "JPG"));
        testing::writeBytes(folder + "/IMG_2.jpg", encoded(480, 640, "JPG"));
        testing::writeBytes(folder + "/shot.png", encoded(30, 20, "PNG"));
        settings.lastViewFolder.clear();
        settings.outputDir = pathFromBytes(outFolder);

        openWindow();
    }

    int rowOf(const std::string& name) {
        for (int row = 0; row < model().rowCount(); ++row) {
            if (model().item(row).fileName == name)
                return row;
        }
        return -1;
    }

    // A file of the folder dropped on the catalog, as a file manager sends it; the picker
    // confirms the folder it is opened on.
    void dropAFileOfTheFolder() {
        QMimeData data;
        data.setData("text/uri-list",
                     "file://" +
                         QByteArray::fromStdString(folder + "/IMG_1.jpg").toPercentEncoding("/") +
                         "\r\n");
        window->imageList()->setFolderPicker([this](QWidget*, const QString& start) {
            pickerStarts << start;
            return start;
        });
        window->imageList()->dropPaths(droppedLocalPaths(&data));
        ASSERT_TRUE(waitUntil([this] { return model().rowCount() == 3 && idle(); }, kBatchLimitMs));
    }

    std::string folder;
    std::string outFolder;
    QStringList pickerStarts;
};

TEST_F(ByteNamedFolders, aDroppedFileOpensItsFolderWithEveryPictureItsDetailsAndThumbnails) {
    dropAFileOfTheFolder();
    ASSERT_EQ(pickerStarts.size(), 1);
    EXPECT_EQ(pathBytes(pickerStarts.first()), folder);
    EXPECT_EQ(pathBytes(model().currentFolder()), folder + "/");

    const int jpeg = rowOf("IMG_2.jpg");
    const int png = rowOf("shot.png");
    ASSERT_GE(jpeg, 0);
    ASSERT_GE(png, 0);
    EXPECT_EQ(model().item(jpeg).fullPath, folder + "/IMG_2.jpg");
    EXPECT_EQ(QSize(model().item(jpeg).width, model().item(jpeg).height), QSize(480, 640));
    EXPECT_EQ(QSize(model().item(png).width, model().item(png).height), QSize(30, 20));
    for (int row = 0; row < model().rowCount(); ++row) {
        model().data(model().index(row, 0), Qt::DecorationRole);  // as a view drawing the row
        EXPECT_TRUE(waitUntil([&] { return !model().thumbnail(row).isNull(); })) << row;
    }

    // Opening a picture hands the desktop its own name.
    window->imageList()->currentView()->selectionModel()->select(
        model().index(jpeg, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window->imageList()->runCommand(catalog_command::kPreview);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(pathBytes(shell.opened.first()), folder + "/IMG_2.jpg");
}

TEST_F(ByteNamedFolders, thePreviewShowsThePictureNamedNotOneWhoseNameReadsTheSame) {
    // "caf\xe9.png" read through Qt's own file names would be "caf\xef\xbf\xbd.png".
    const std::string named = photos.folder() + "caf\xe9.png";
    testing::writeBytes(named, encoded(10, 10, "PNG"));
    testing::writeBytes(photos.folder() + "caf\xef\xbf\xbd.png", encoded(20, 20, "PNG"));
    std::unique_ptr<CFullScreenPreview> preview(
        new CFullScreenPreview(pathFromBytes(named), nullptr));
    preview->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(preview->picture().size(), QSize(10, 10));
}

TEST_F(ByteNamedFolders, aTypedFolderIsLoadedAndATurnAndAResizeReachTheRightFiles) {
    window->imageList()->folderBox()->setEditText(pathFromBytes(folder));
    ASSERT_TRUE(window->imageList()->loadTypedFolder());
    ASSERT_TRUE(waitUntil([this] { return model().rowCount() == 3 && idle(); }, kBatchLimitMs));

    // Turned in place, from the catalog's own menu.
    const int turned = rowOf("IMG_1.jpg");
    window->imageList()->currentView()->selectionModel()->select(
        model().index(turned, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window->imageList()->runCommand(catalog_command::kRotateClockwise);
    ASSERT_TRUE(waitUntil([&] { return decodedSize(folder + "/IMG_1.jpg") == QSize(480, 640); },
                          kBatchLimitMs));

    // Resized into an output folder whose name is not UTF-8 either; it is made on the way.
    model().setAllTicked(false);
    model().setTicked(rowOf("IMG_2.jpg"), true);
    window->commandActions(command::kResize).first()->trigger();
    auto* panel = dynamic_cast<CThumbnailDlg*>(panels.toolbox->currentPanel());
    ASSERT_NE(panel, nullptr);
    QRadioButton* custom = panel->schemeRadio(2);
    QTest::mouseClick(custom, Qt::LeftButton, Qt::NoModifier, QPoint(6, custom->height() / 2));
    panel->widthEdit()->setText("200");
    window->startButton()->click();
    ASSERT_TRUE(
        waitUntil([this] { return idle() && fs::exists(outFolder + "IMG_2.jpg"); }, kBatchLimitMs));
    EXPECT_EQ(decodedSize(outFolder + "IMG_2.jpg"), QSize(150, 200));
    ASSERT_TRUE(waitUntil([this] { return !shell.folders.isEmpty(); }));
    EXPECT_EQ(pathBytes(shell.folders.first()), outFolder);
}

TEST_F(ByteNamedFolders, theFolderHistoryAndTheOutputFolderAreRememberedByTheirBytes) {
    dropAFileOfTheFolder();
    window.reset();  // closes, saving the settings
    settings.saveSettings();

    // On disk the names are addresses with their bytes percent-encoded; the file is read as
    // its own bytes, not through the profile, which keeps what it wrote in memory.
    const ByteVector stored = testing::readBytes(config.file("Velumark.conf"));
    const std::string text(stored.begin(), stored.end());
    EXPECT_NE(text.find("urls=file:///"), std::string::npos) << text;
    EXPECT_NE(text.find("%E7%9B%B8%E5%86%8C%E9/|"), std::string::npos) << text;
    EXPECT_NE(text.find("lastview=file:///"), std::string::npos) << text;
    EXPECT_NE(text.find("savepath=file:///"), std::string::npos) << text;
    EXPECT_NE(text.find("out%FF/"), std::string::npos) << text;
    EXPECT_EQ(text.find("\xef\xbf\xbd"), std::string::npos) << text;

    FolderHistory history;
    history.load(profile);
    ASSERT_FALSE(history.entries().isEmpty());
    EXPECT_EQ(pathBytes(history.entries().first()), folder + "/");

    AppSettings again(settings.programDir, profile);
    again.loadSettings();
    EXPECT_EQ(pathBytes(again.lastViewFolder), folder + "/");
    // The output folder is made by the first batch; until then a start falls back to the
    // program's own.
    fs::create_directories(outFolder);
    again.loadSettings();
    EXPECT_EQ(pathBytes(again.outputDir), outFolder);

    // A name that is UTF-8 is stored as it reads, so other programs and earlier versions
    // read it too.
    again.outputDir = QString::fromStdString(output.folder());
    again.saveSettings();
    EXPECT_EQ(profile.readString("main", "savepath", {}), QString::fromStdString(output.folder()));
}

}  // namespace
}  // namespace pixmill
