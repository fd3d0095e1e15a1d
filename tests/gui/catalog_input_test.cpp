// What the catalog panel does with what the user types and clicks: a folder that does not
// exist, a double-click to preview with tick-on-click on, and photos sent to the trash.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "engine/platform/item_shell.h"
#include "gui/catalog/full_screen_preview.h"
#include "image_list_fixture.h"
#include "support/temp_dir.h"

namespace pixmill {
namespace {

using testing::ImageListTest;
using testing::waitUntil;

TEST_F(ImageListTest, ATypedFolderThatDoesNotExistIsNamedAndTheCatalogStays) {
    writePicture("a.png", 8, 8);
    CImageListDlg panel(services);
    load(panel);
    const QString shown = model.currentFolder();
    const QString missing = QString::fromStdString(photos.folder()) + "gone/";
    panel.folderBox()->setEditText(missing);
    QTest::keyClick(panel.folderBox()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(status.last(1), "目录不存在：" + missing.toStdString());
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.currentFolder(), shown);
    // The box names the folder whose photos are listed, not the one that failed.
    EXPECT_EQ(QDir::cleanPath(panel.folderBox()->currentText()), QDir::cleanPath(shown));
}

TEST_F(ImageListTest, ADoubleClickPreviewsWithoutChangingTheTick) {
    writePicture("a.png", 40, 30);
    writePicture("b.png", 40, 30);
    settings.viewMode = 2;
    settings.checkOnClick = 1;
    CImageListDlg panel(services);
    panel.resize(800, 500);
    panel.show();
    ASSERT_TRUE(waitUntil([&] { return model.rowCount() == 2 && !panel.busy(); }));
    QWidget* viewport = panel.detailsView()->viewport();
    const QPoint onSize = panel.detailsView()->visualRect(model.index(0, 1)).center();
    for (bool ticked : {true, false}) {
        SCOPED_TRACE(ticked);
        model.setTicked(0, ticked);
        // What a double-click delivers: a click, then the double-click.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, onSize);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, onSize);
        EXPECT_EQ(model.isTicked(0), ticked);
        QWidget* preview = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<CFullScreenPreview*>(widget) && widget->isVisible())
                preview = widget;
        }
        ASSERT_NE(preview, nullptr);
        preview->close();
    }
    // A single click still ticks.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, onSize);
    EXPECT_TRUE(model.isTicked(0));
}

TEST(HomeTrashTest, TheDesktopShellNeverMovesPhotosIntoTheWorkingFolder) {
    testing::TempDir home;
    testing::TempDir work;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QString oldWorking = QDir::currentPath();
    qputenv("HOME", QByteArray::fromStdString(home.folder()));
    qunsetenv("XDG_DATA_HOME");
    QDir::setCurrent(QString::fromStdString(work.folder()));
    const QString photo = QString::fromStdString(work.folder()) + "p.jpg";
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const bool moved = desktopItemShell().moveToTrash(photo);

    // A home without a place for the trash: nothing moves anywhere.
    qputenv("HOME", "");
    QFile second(photo + "2");
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    second.close();
    const bool movedWithoutHome = desktopItemShell().moveToTrash(photo + "2");

    qputenv("HOME", oldHome);
    if (!oldData.isEmpty())
        qputenv("XDG_DATA_HOME", oldData);
    QDir::setCurrent(oldWorking);
    EXPECT_TRUE(moved);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(home.folder()) +
                                  ".local/share/Trash/files/p.jpg"));
    EXPECT_FALSE(movedWithoutHome);
    EXPECT_TRUE(QFileInfo::exists(photo + "2"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(work.folder()) + "files"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(work.folder()) + "info"));
}

TEST_F(ImageListTest, PhotosThatCannotGoToTheTrashStayListedAndAreNamed) {
    writePicture("a.png", 8, 8);
    writePicture("b.png", 8, 8);
    CImageListDlg panel(services);
    panel.resize(800, 500);
    load(panel);
    shell.locked.insert(QString::fromStdString(photos.file("b.png")));
    select(panel, {0, 1});
    panel.runCommand(catalog_command::kDeleteToTrash);
    EXPECT_EQ(names(), QStringList{"b.png"});
    EXPECT_EQ(status.last(1), "无法移到回收站，1 张照片留在原处：b.png");
}

}  // namespace
}  // namespace pixmill
